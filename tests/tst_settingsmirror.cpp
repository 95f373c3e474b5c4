// The settings mirror: "SET" lines from the unit into the configuration
// dialog's fields and the session variables, the pressure unit table, the
// rate arithmetic and the bar graph's number format.

#include "config/qelconfig.h"
#include "core/registry.h"
#include "fakeunit.h"
#include "fixture.h"
#include "mainwin/mdimain.h"
#include "replies/dispatch.h"
#include "replies/settings.h"
#include "session/send.h"
#include "session/state.h"
#include "sessionhelpers.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

namespace {

void Lines(const QStringList& lines) {
    for (const QString& line : lines)
        Global::HandleQelLine(line);
}

QelConfig& Dialog() {
    return Registry::get<QelConfig>();
}

QStringList Ranges() {
    QStringList list;
    for (int c = 0; c < 16; ++c)
        list << Global::ChannelRange[c];
    return list;
}

QStringList Repeat(const QString& text, int n) {
    QStringList list;
    for (int i = 0; i < n; ++i)
        list << text;
    return list;
}

} // namespace

class TestSettingsMirror : public QObject {
    Q_OBJECT
private slots:
    // The program runs with its frame window, as it always does.
    void init() {
        fixture_ = std::make_unique<ProgramFixture>();
        fixture_->startProgram();
    }
    void cleanup() { fixture_.reset(); }

    void averageLineShowsTheRateOfTheDialogsPeriod();
    void averageBeyondSixteenBitsIsClampedToTheLargestAverage();
    void valuesGoIntoTheirBoxesAndVariablesUnchanged();
    void onlyTheExactTextOneSwitchesASettingOn();
    void unitNameSelectsItsEntryOnlyWhenSpelledExactly();
    void bankRangesFollowTheBanksWithoutPerChannelRanges();
    void perChannelRangesChangeTogetherWhenTheLastArrives();
    void unknownNamesAndMalformedLinesChangeNothing();
    void lastLineOfEachGroupReleasesTheNextRequest();
    void unitListHoldsEachNameOnceInCodeOrder();
    void frameRateNeedsAnAverageAndAPeriodOfAtLeast50();
    void periodAndAverageFollowFromARate();
    void barFormatFollowsTheDecimalPlacesOnlyWithEngineeringUnits();

private:
    std::unique_ptr<ProgramFixture> fixture_;
};

void TestSettingsMirror::averageLineShowsTheRateOfTheDialogsPeriod() {
    Lines({"SET PERIOD 500", "SET AVG 8"});
    QCOMPARE(Dialog().medPeriod->text(), QStringLiteral("500"));
    QCOMPARE(Dialog().medAverage->text(), QStringLiteral("8"));
    QCOMPARE(Dialog().medRate->text(), QStringLiteral(" 15.625"));
    QCOMPARE(Global::FrameInterval, 0.064f);

    // With the period box emptied the rate is 0 and the interval is kept.
    Lines({"SET PERIOD ", "SET AVG 4"});
    QCOMPARE(Dialog().medPeriod->text(), QString());
    QCOMPARE(Dialog().medRate->text(), QStringLiteral(" 0"));
    QCOMPARE(Global::FrameInterval, 0.064f);

    // A period below 50 counts as no period.
    Lines({"SET PERIOD 49.9", "SET AVG 1"});
    QCOMPARE(Dialog().medRate->text(), QStringLiteral(" 0"));
    QCOMPARE(Global::FrameInterval, 0.064f);
}

void TestSettingsMirror::averageBeyondSixteenBitsIsClampedToTheLargestAverage() {
    Lines({"SET PERIOD 500", "SET AVG 40000"});
    QCOMPARE(Dialog().medAverage->text(), QStringLiteral("40000"));
    // The rate of 32767 averages of 500 microseconds.
    QCOMPARE(Dialog().medRate->text(), QStringLiteral(" .003814814"));
    QCOMPARE(Global::FrameInterval, 262.136f);

    // A large negative average clamps below 1: no rate, interval kept.
    Lines({"SET AVG -40000"});
    QCOMPARE(Dialog().medRate->text(), QStringLiteral(" 0"));
    QCOMPARE(Global::FrameInterval, 262.136f);

    // A period beyond the single range gives no rate either.
    Lines({"SET PERIOD 1E40", "SET AVG 8"});
    QCOMPARE(Dialog().medRate->text(), QStringLiteral(" 0"));
    QCOMPARE(Global::FrameInterval, 262.136f);
}

void TestSettingsMirror::valuesGoIntoTheirBoxesAndVariablesUnchanged() {
    Lines({"SET FPS 100x", "SET CVTUNIT 6.894757 extra", "SET PMINL -15", "SET PMINH -14.5",
           "SET NEGPTSL 3", "SET PMAXL 15", "SET PMAXH 30"});
    QelConfig& d = Dialog();
    QCOMPARE(d.medFps->text(), QStringLiteral("100x"));
    QCOMPARE(Global::FramesPerScan, 100.0f);
    QCOMPARE(d.medCvtUnits->text(), QStringLiteral("6.894757"));
    QCOMPARE(Global::CvtUnit, QStringLiteral("6.894757"));
    const QStringList boxes = {d.medPMinL->text(), d.medPMinH->text(), d.medNegPtsL->text(),
                               d.medPMaxL->text(), d.medPMaxH->text(), Global::PMaxL,
                               Global::PMaxH};
    QCOMPARE(boxes, (QStringList{"-15", "-14.5", "3", "15", "30", "15", "30"}));
    // Two blanks: the value token is empty.
    Lines({"SET CVTUNIT  6.894757"});
    QCOMPARE(d.medCvtUnits->text(), QString());
}

void TestSettingsMirror::onlyTheExactTextOneSwitchesASettingOn() {
    QelConfig& d = Dialog();
    Lines({"SET XSCANTRIG 1", "SET EU 1", "SET ZC 1", "SET QPKTS 1"});
    QVERIFY(d.chkXScanTrig->isChecked());
    QVERIFY(Global::ExtTrigger);
    QVERIFY(d.chkEu->isChecked());
    QVERIFY(d.chkZc->isChecked());
    QVERIFY(d.chkQPkts->isChecked());

    Lines({"SET XSCANTRIG true"});
    QVERIFY(!d.chkXScanTrig->isChecked());
    QVERIFY(!Global::ExtTrigger);
    Lines({"SET XSCANTRIG 1", "SET XSCANTRIG 01"});
    QVERIFY(!d.chkXScanTrig->isChecked());
    QVERIFY(!Global::ExtTrigger);

    Lines({"SET EU 0", "SET ZC  1", "SET QPKTS 1.0"});
    QVERIFY(!d.chkEu->isChecked());
    QVERIFY(!d.chkZc->isChecked());
    QVERIFY(!d.chkQPkts->isChecked());
}

void TestSettingsMirror::unitNameSelectsItsEntryOnlyWhenSpelledExactly() {
    Lines({"SET UNITSCAN KPA"});
    QCOMPARE(Dialog().lstUnitScan->currentIndex(), 13);
    QCOMPARE(Dialog().lstUnitScan->currentText(), QStringLiteral("KPA"));
    QCOMPARE(Global::UnitScan, QStringLiteral("KPA"));

    Lines({"SET UNITSCAN kpa"});
    QCOMPARE(Dialog().lstUnitScan->currentText(), QStringLiteral("KPA"));
    QCOMPARE(Global::UnitScan, QStringLiteral("kpa"));

    Lines({"SET UNITSCAN FURLONG"});
    QCOMPARE(Dialog().lstUnitScan->currentText(), QStringLiteral("KPA"));
    QCOMPARE(Global::UnitScan, QStringLiteral("FURLONG"));

    Lines({"SET UNITSCAN USER"});
    QCOMPARE(Dialog().lstUnitScan->currentIndex(), 26);
    Lines({"SET UNITSCAN PSI"});
    QCOMPARE(Dialog().lstUnitScan->currentIndex(), 0);
}

void TestSettingsMirror::bankRangesFollowTheBanksWithoutPerChannelRanges() {
    Global::PerChannelMax = false;
    Lines({"SET PMAXL 15"});
    QCOMPARE(Ranges(), Repeat("15", 8) + Repeat(QString(), 8));
    Lines({"SET PMAXH 30"});
    QCOMPARE(Ranges(), Repeat("15", 8) + Repeat("30", 8));

    // The channel values are kept but leave the ranges to the banks.
    for (int c = 0; c < 16; ++c)
        Lines({QStringLiteral("SET MAX%1 %2").arg(c).arg(c + 100)});
    QCOMPARE(Global::ChannelMaxSetting[0], QStringLiteral("100"));
    QCOMPARE(Global::ChannelMaxSetting[15], QStringLiteral("115"));
    QCOMPARE(Ranges(), Repeat("15", 8) + Repeat("30", 8));
}

void TestSettingsMirror::perChannelRangesChangeTogetherWhenTheLastArrives() {
    Global::PerChannelMax = true;
    Lines({"SET PMAXL 15", "SET PMAXH 30"});
    QCOMPARE(Dialog().medPMaxL->text(), QStringLiteral("15"));
    QCOMPARE(Global::PMaxH, QStringLiteral("30"));
    QCOMPARE(Ranges(), Repeat(QString(), 16));

    QStringList expected;
    for (int c = 0; c < 15; ++c) {
        Lines({QStringLiteral("SET MAX%1 %2").arg(c).arg(c + 100)});
        expected << QString::number(c + 100);
    }
    QCOMPARE(Ranges(), Repeat(QString(), 16));
    Lines({"SET MAX15 2.5"});
    QCOMPARE(Ranges(), expected << QStringLiteral("2.5"));
}

void TestSettingsMirror::unknownNamesAndMalformedLinesChangeNothing() {
    Global::PerChannelMax = true;
    Lines({"SET PERIOD 500", "SET MAX16 9", "SET MAX01 9", "SET max15 9", "SET period 7",
           "SET  PERIOD 8", "SET", "SET FOO 1", " SET PERIOD 9"});
    QCOMPARE(Dialog().medPeriod->text(), QStringLiteral("500"));
    for (int c = 0; c < 17; ++c)
        QCOMPARE(Global::ChannelMaxSetting[c], QString());
    QCOMPARE(Ranges(), Repeat(QString(), 16));
    QVERIFY(fixture_->prompt->shown.isEmpty());
}

void TestSettingsMirror::lastLineOfEachGroupReleasesTheNextRequest() {
    FakeUnit unit;
    unit.answerStandardLists();
    QVERIFY(ConnectToUnit(unit));
    // The session's own list ends after its fourth reply (its last line is
    // "SET PAGE 0"), which re-enables the dialog's buttons.
    QVERIFY2(unit.waitForReceived("List S\r"), unit.received().constData());
    QVERIFY(QTest::qWaitFor([&] { return Dialog().cmdApply->isEnabled(); }));
    QCOMPARE(Dialog().medRate->text(), QStringLiteral(" 15.625"));

    // "MAX15" ends the channel group, "NEGPTSH" the calibration group.
    unit.clearReceived();
    Global::SendList(QStringLiteral("HCS"), true);
    QVERIFY(!Dialog().cmdOk->isEnabled());
    QVERIFY(unit.waitForReceived("List S\r"));
    QCOMPARE(unit.received(), QByteArray("List H\rList C\rList S\r"));
    QVERIFY(QTest::qWaitFor([&] { return Dialog().cmdOk->isEnabled(); }));
    QCOMPARE(Dialog().medNegPtsH->text(), QStringLiteral("0"));
    QVERIFY(fixture_->prompt->messages().isEmpty());
}

void TestSettingsMirror::unitListHoldsEachNameOnceInCodeOrder() {
    const QStringList names = {"PSI",    "ATM",   "BAR",   "CMHG", "CMH2O", "DECIBAR", "FTH2O",
                               "GCM2",   "INHG",  "INH2O", "KNM2", "KGM2",  "KGCM2",   "KPA",
                               "KIPIN2", "MPA",   "MBAR",  "MH2O", "MMHG",  "NM2",     "NCM2",
                               "OZIN2",  "OZFT2", "PA",    "PSF",  "TORR",  "USER"};
    Global::InitUnitNames();
    Lines({"SET UNITSCAN TORR"});
    Global::InitUnitNames();
    Global::InitUnitNames();
    QComboBox* list = Dialog().lstUnitScan;
    QStringList shown;
    for (int i = 0; i < list->count(); ++i)
        shown << list->itemText(i);
    QCOMPARE(shown, names);
    QCOMPARE(Global::UnitCount, qint16(27));
    for (int code = 0; code < 27; ++code)
        QCOMPARE(Global::UnitNames[code], names[code]);
    QCOMPARE(Global::UnitNames[27], QString());
    // Refilling keeps the unit that was selected.
    QCOMPARE(list->currentText(), QStringLiteral("TORR"));
}

void TestSettingsMirror::frameRateNeedsAnAverageAndAPeriodOfAtLeast50() {
    QCOMPARE(Global::CalcFrameRate(8, 500), 15.625f);
    QCOMPARE(Global::FrameInterval, 0.064f);
    QCOMPARE(Global::CalcFrameRate(1, 50), 1250.0f);
    QCOMPARE(Global::FrameInterval, 0.0008f);
    QCOMPARE(Global::CalcFrameRate(0, 500), 0.0f);
    QCOMPARE(Global::CalcFrameRate(-3, 500), 0.0f);
    QCOMPARE(Global::CalcFrameRate(1, 49.9f), 0.0f);
    QCOMPARE(Global::FrameInterval, 0.0008f);

    // The same rate without storing, for any period other than 0.
    QCOMPARE(Global::FrameRateOf(1, 10), 6250.0f);
    QCOMPARE(Global::FrameRateOf(8, 500), 15.625f);
    QCOMPARE(Global::FrameRateOf(1, 0), 0.0f);
    QCOMPARE(Global::FrameRateOf(0, 10), 0.0f);
    QCOMPARE(Global::FrameInterval, 0.0008f);
}

void TestSettingsMirror::periodAndAverageFollowFromARate() {
    QCOMPARE(Global::AveragesForRate(500, 125), qint16(1));
    QCOMPARE(Global::AveragesForRate(49.9f, 125), qint16(0));
    QCOMPARE(Global::AveragesForRate(1000, 10), qint16(6)); // 6.25
    QCOMPARE(Global::AveragesForRate(500, 0), qint16(0));
    // Beyond 16 bits: the largest average, never a wrapped one.
    QCOMPARE(Global::AveragesForRate(500, 0.0001f), qint16(32767));
    QCOMPARE(Global::AveragesForRate(500, -0.0001f), qint16(-32768));
}

void TestSettingsMirror::barFormatFollowsTheDecimalPlacesOnlyWithEngineeringUnits() {
    MDIMain& frame = Registry::get<MDIMain>();
    QAction* const items[] = {frame.mnuBarGraph0Places, frame.mnuBarGraph1Places,
                              frame.mnuBarGraph2Places, frame.mnuBarGraph3Places,
                              frame.mnuBarGraph4Places, frame.mnuBarGraph5Places};
    const QStringList formats = {"0", "0.0", "0.00", "0.000", "0.0000", "0.00000"};
    auto checkOnly = [&](int places) {
        for (int i = 0; i < 6; ++i) {
            items[i]->setCheckable(true);
            items[i]->setChecked(i == places);
        }
    };

    Lines({"SET EU 1"});
    for (int places = 0; places < 6; ++places) {
        checkOnly(places);
        Global::UpdateBarFormat();
        QCOMPARE(Global::BarFormat, formats[places]);
    }
    checkOnly(-1);
    Global::UpdateBarFormat();
    QCOMPARE(Global::BarFormat, QStringLiteral("0.00"));

    Lines({"SET EU 0"});
    for (int places = -1; places < 6; ++places) {
        checkOnly(places);
        Global::UpdateBarFormat();
        QCOMPARE(Global::BarFormat, QStringLiteral("0"));
    }
}

QTEST_MAIN(TestSettingsMirror)
#include "tst_settingsmirror.moc"
