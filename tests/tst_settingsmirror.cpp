// The settings mirror: "SET" lines from the unit into the configuration
// dialog's fields and the session variables, the pressure unit table, the
// rate arithmetic and the bar graph's number format.

#include "config/qelconfig.h"
#include "core/registry.h"
#include "fakeunit.h"
#include "fixture.h"
#include "mainwin/mdimain.h"
#include "replies/settings.h"
#include "session/effects.h"
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

} // namespace

class TestSettingsMirror : public QObject {
    Q_OBJECT
private slots:
    void init() {
        fixture_ = std::make_unique<ProgramFixture>();
        fixture_->startProgram();
    }
    void cleanup() { fixture_.reset(); }

    void averageLineShowsTheRateOfTheDialogsPeriod_data();
    void averageLineShowsTheRateOfTheDialogsPeriod();
    void valuesGoIntoTheirBoxesAndVariablesUnchanged();
    void onlyTheExactTextOneSwitchesASettingOn();
    void unitNameSelectsItsEntryOnlyWhenSpelledExactly();
    void rangesFollowBanksOrChannels();
    void lastLineOfEachGroupReleasesTheNextRequest();
    void rateArithmetic();
    void barFormatFollowsTheDecimalPlacesOnlyWithEngineeringUnits();

private:
    std::unique_ptr<ProgramFixture> fixture_;
};

void TestSettingsMirror::averageLineShowsTheRateOfTheDialogsPeriod_data() {
    QTest::addColumn<QStringList>("lines"); // after "SET PERIOD 500", "SET AVG 8"
    QTest::addColumn<QString>("rate");
    QTest::addColumn<float>("interval");
    QTest::newRow("500 us, 8 averages") << QStringList() << " 15.625" << 0.064f;
    QTest::newRow("period box empty") << QStringList{"SET PERIOD ", "SET AVG 4"} << " 0" << 0.064f;
    QTest::newRow("period below 50")
        << QStringList{"SET PERIOD 49.9", "SET AVG 1"} << " 0" << 0.064f;
    QTest::newRow("average clamped to 32767")
        << QStringList{"SET AVG 40000"} << " .003814814" << 262.136f;
    QTest::newRow("negative average clamped") << QStringList{"SET AVG -40000"} << " 0" << 0.064f;
    QTest::newRow("period beyond single range")
        << QStringList{"SET PERIOD 1E40", "SET AVG 8"} << " 0" << 0.064f;
}

void TestSettingsMirror::averageLineShowsTheRateOfTheDialogsPeriod() {
    QFETCH(QStringList, lines);
    QFETCH(QString, rate);
    QFETCH(float, interval);
    Lines(QStringList{"SET PERIOD 500", "SET AVG 8"} + lines);
    QCOMPARE(Dialog().medRate->text(), rate);
    QCOMPARE(Global::FrameInterval, interval);
    QCOMPARE(Dialog().medAverage->text(),
             lines.isEmpty() ? QStringLiteral("8") : lines.last().mid(8));
}

void TestSettingsMirror::valuesGoIntoTheirBoxesAndVariablesUnchanged() {
    Lines({"SET FPS 100x", "SET CVTUNIT 6.894757 extra", "SET PMINL -15", "SET NEGPTSL 3",
           "SET PMAXL 15", "SET PMAXH 30"});
    QelConfig& d = Dialog();
    QCOMPARE(d.medFps->text(), QStringLiteral("100x"));
    QCOMPARE(Global::FramesPerScan, 100.0f);
    QCOMPARE(Global::CvtUnit, QStringLiteral("6.894757"));
    const QStringList boxes = {d.medCvtUnits->text(), d.medPMinL->text(), d.medNegPtsL->text(),
                               d.medPMaxL->text(),    d.medPMaxH->text(), Global::PMaxH};
    QCOMPARE(boxes, (QStringList{"6.894757", "-15", "3", "15", "30", "30"}));
    Lines({"SET CVTUNIT  6.894757"}); // two blanks: the value token is empty
    QCOMPARE(d.medCvtUnits->text(), QString());

    // Unknown names and malformed lines change nothing.
    Global::PerChannelMax = true;
    const QStringList ranges = Ranges();
    Lines({"SET PERIOD 500", "SET MAX16 9", "SET MAX01 9", "SET max15 9", "SET period 7",
           "SET  PERIOD 8", "SET", "SET FOO 1", " SET PERIOD 9"});
    QCOMPARE(Dialog().medPeriod->text(), QStringLiteral("500"));
    for (const QString& max : Global::ChannelMaxSetting)
        QCOMPARE(max, QString());
    QCOMPARE(Ranges(), ranges);
    QVERIFY(fixture_->prompt->shown.isEmpty());
}

void TestSettingsMirror::onlyTheExactTextOneSwitchesASettingOn() {
    QelConfig& d = Dialog();
    Lines({"SET XSCANTRIG 1", "SET EU 1", "SET ZC 1", "SET QPKTS 1"});
    QVERIFY(d.chkXScanTrig->isChecked() && Global::ExtTrigger);
    QVERIFY(d.chkEu->isChecked() && d.chkZc->isChecked() && d.chkQPkts->isChecked());
    Lines({"SET XSCANTRIG true"});
    QVERIFY(!d.chkXScanTrig->isChecked() && !Global::ExtTrigger);
    Lines({"SET XSCANTRIG 1", "SET XSCANTRIG 01"});
    QVERIFY(!d.chkXScanTrig->isChecked() && !Global::ExtTrigger);
    Lines({"SET EU 0", "SET ZC  1", "SET QPKTS 1.0"});
    QVERIFY(!d.chkEu->isChecked() && !d.chkZc->isChecked() && !d.chkQPkts->isChecked());
}

void TestSettingsMirror::unitNameSelectsItsEntryOnlyWhenSpelledExactly() {
    // Each name once, in code order, however often the list is filled.
    const QStringList names = {"PSI",    "ATM",   "BAR",   "CMHG", "CMH2O", "DECIBAR", "FTH2O",
                               "GCM2",   "INHG",  "INH2O", "KNM2", "KGM2",  "KGCM2",   "KPA",
                               "KIPIN2", "MPA",   "MBAR",  "MH2O", "MMHG",  "NM2",     "NCM2",
                               "OZIN2",  "OZFT2", "PA",    "PSF",  "TORR",  "USER"};
    QComboBox* list = Dialog().lstUnitScan;
    Lines({"SET UNITSCAN KPA"});
    Global::InitUnitNames();
    Global::InitUnitNames();
    QStringList shown;
    for (int i = 0; i < list->count(); ++i)
        shown << list->itemText(i);
    QCOMPARE(shown, names);
    QCOMPARE(Global::UnitCount, qint16(27));
    QCOMPARE(Global::UnitNames[26], QStringLiteral("USER"));
    QCOMPARE(list->currentIndex(), -1); // a refilled list has no selection
    QCOMPARE(Global::UnitScan, QStringLiteral("KPA"));

    Lines({"SET UNITSCAN kpa"});
    QCOMPARE(list->currentIndex(), -1);
    QCOMPARE(Global::UnitScan, QStringLiteral("kpa"));
    Lines({"SET UNITSCAN KPA", "SET UNITSCAN FURLONG"});
    QCOMPARE(list->currentText(), QStringLiteral("KPA"));
    QCOMPARE(Global::UnitScan, QStringLiteral("FURLONG"));
    Lines({"SET UNITSCAN USER"});
    QCOMPARE(list->currentIndex(), 26);
}

void TestSettingsMirror::rangesFollowBanksOrChannels() {
    // Without per-channel ranges the banks decide; channel values are kept aside.
    Global::PerChannelMax = false;
    Lines({"SET PMAXL 15"});
    QCOMPARE(Ranges(), QStringList(8, QStringLiteral("15")) + QStringList(8, QString()));
    Lines({"SET PMAXH 30"});
    for (int c = 0; c < 16; ++c)
        Lines({QStringLiteral("SET MAX%1 %2").arg(c).arg(c + 100)});
    QCOMPARE(Global::ChannelMaxSetting[15], QStringLiteral("115"));
    QCOMPARE(Ranges(), QStringList(8, QStringLiteral("15")) + QStringList(8, QStringLiteral("30")));

    // With them, all sixteen change together when MAX15 arrives.
    cleanup();
    init();
    Global::PerChannelMax = true;
    Lines({"SET PMAXL 15", "SET PMAXH 30"});
    QCOMPARE(Global::PMaxH, QStringLiteral("30"));
    QStringList expected;
    for (int c = 0; c < 15; ++c) {
        Lines({QStringLiteral("SET MAX%1 %2").arg(c).arg(c + 100)});
        expected << QString::number(c + 100);
    }
    QCOMPARE(Ranges(), QStringList(16, QString()));
    Lines({"SET MAX15 2.5"});
    QCOMPARE(Ranges(), expected << QStringLiteral("2.5"));
}

void TestSettingsMirror::lastLineOfEachGroupReleasesTheNextRequest() {
    FakeUnit unit;
    unit.answerStandardLists();
    QVERIFY(ConnectToUnit(unit));
    // The session's list ends with "SET PAGE 0", which re-enables the buttons.
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
    QVERIFY(fixture_->prompt->messages().isEmpty());
}

void TestSettingsMirror::rateArithmetic() {
    QCOMPARE(Global::CalcFrameRate(1, 50), 1250.0f);
    QCOMPARE(Global::FrameInterval, 0.0008f);
    QCOMPARE(Global::CalcFrameRate(0, 500), 0.0f);
    QCOMPARE(Global::CalcFrameRate(1, 49.9f), 0.0f);
    QCOMPARE(Global::FrameInterval, 0.0008f); // no rate leaves the interval alone
    QCOMPARE(Global::FrameRateOf(1, 10), 6250.0f);
    QCOMPARE(Global::FrameRateOf(1, 0), 0.0f);

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
    const QStringList formats = {"0.00", "0", "0.0", "0.00", "0.000", "0.0000", "0.00000"};
    for (const bool eu : {true, false}) {
        Lines({eu ? "SET EU 1" : "SET EU 0"});
        for (int places = -1; places < 6; ++places) { // -1: no item checked
            for (int i = 0; i < 6; ++i) {
                items[i]->setCheckable(true);
                items[i]->setChecked(i == places);
            }
            Global::UpdateBarFormat();
            QCOMPARE(Global::BarFormat, eu ? formats[places + 1] : QStringLiteral("0"));
        }
    }
}

QTEST_MAIN(TestSettingsMirror)
#include "tst_settingsmirror.moc"
