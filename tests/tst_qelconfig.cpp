// The configuration dialog: its pages, the rate/period/average boxes kept
// consistent when the operator leaves one, the warnings, and what Apply, Close
// and Cancel send to the unit.

#include "config/qelconfig.h"
#include "core/registry.h"
#include "fakeunit.h"
#include "fixture.h"
#include "session/mainform.h"
#include "session/send.h"
#include "session/state.h"
#include "sessionhelpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QtTest>
#include <memory>

namespace {

QelConfig& Dialog() {
    return Registry::get<QelConfig>();
}

// The operator leaves the box (for another control of the dialog by default).
void Set(QLineEdit* box, const char* text, Qt::FocusReason reason = Qt::TabFocusReason) {
    box->setText(QString::fromLatin1(text));
    QFocusEvent out(QEvent::FocusOut, reason);
    QApplication::sendEvent(box, &out);
}

// The commands the unit received, without the status polls.
QStringList Commands(const FakeUnit& unit) {
    QStringList list = unit.commands();
    list.removeAll(QStringLiteral("STATUS"));
    return list;
}

const QString RateWarning = QStringLiteral("WARNING: Scan rate is 125 Hz, limit is 25 Hz");

} // namespace

class TestQelConfig : public QObject {
    Q_OBJECT
private slots:
    void init() {
        fixture_ = std::make_unique<ProgramFixture>();
        fixture_->startProgram();
    }
    void cleanup() { fixture_.reset(); }

    void dialogHoldsItsFieldsOnTwoPages();
    void rateAveragesAndPeriodFollowEachOther();
    void applySendsEveryFieldTrimmedThenListsBothGroups();
    void applyWarnsAboveTwentyFiveHertzWithoutHighSpeedScan();
    void activationListsBothGroupsAndCloseWarnsAfterTheListRequest();
    void cancelMovesTheListOnAndUnloads();

private:
    // Connects to a fake unit answering the standard lists and waits until
    // the session's list has ended; the received bytes are then cleared.
    void connectAndSettle(FakeUnit& unit) {
        unit.answerStandardLists();
        QVERIFY(ConnectToUnit(unit));
        QVERIFY(unit.waitForReceived("List S\r"));
        QVERIFY(QTest::qWaitFor([] { return Dialog().cmdApply->isEnabled(); }));
        unit.clearReceived();
    }
    std::unique_ptr<ProgramFixture> fixture_;
};

void TestQelConfig::dialogHoldsItsFieldsOnTwoPages() {
    QelConfig& d = Dialog();
    QCOMPARE(d.windowTitle(), QStringLiteral("Qel Configuration"));
    QCOMPARE(d.SSTab2->count(), 2);
    QCOMPARE(d.SSTab2->tabText(0), QStringLiteral("Scan"));
    QCOMPARE(d.SSTab2->tabText(1), QStringLiteral("Calibration"));
    QVERIFY(d.optFixAvg->isChecked());
    QCOMPARE(d.Frame1->title(), QStringLiteral("When Using Rate:"));
    QCOMPARE(d.lstUnitScan->count(), 27);
    QVERIFY(d.SSTab2->widget(1)->isAncestorOf(d.medPMaxL));

    // Switching to the calibration page warns on every visit.
    const QString warning = QStringLiteral(
        "WARNING: Changes to any value on this page will require a full re-calibration");
    d.SSTab2->setCurrentIndex(1);
    d.SSTab2->setCurrentIndex(0);
    d.SSTab2->setCurrentIndex(1);
    QCOMPARE(fixture_->prompt->messages(), (QStringList{warning, warning}));
    QCOMPARE(fixture_->prompt->shown.last().title, QStringLiteral("Orvik 3"));
}

void TestQelConfig::rateAveragesAndPeriodFollowEachOther() {
    QelConfig& d = Dialog();
    Set(d.medPeriod, "500");
    QCOMPARE(d.medRate->text(), QStringLiteral(" 0")); // no average yet
    Set(d.medAverage, "1");
    QCOMPARE(d.medRate->text(), QStringLiteral(" 125"));
    QCOMPARE(Global::FrameInterval, 0.008f);
    Set(d.medPeriod, "4000");
    QCOMPARE(d.medRate->text(), QStringLiteral(" 15.625"));
    // The window losing activation (a message box) is not leaving the box.
    Set(d.medAverage, "2", Qt::ActiveWindowFocusReason);
    QCOMPARE(d.medRate->text(), QStringLiteral(" 15.625"));
    Set(d.medAverage, "2", Qt::MouseFocusReason);
    QCOMPARE(d.medRate->text(), QStringLiteral(" 7.8125"));
    Set(d.medFps, "1"); // other boxes do not touch the rate
    QCOMPARE(d.medRate->text(), QStringLiteral(" 7.8125"));

    // Without the focus the rate shows one decimal; its text stays as written.
    auto* rate = qobject_cast<FormattedEdit*>(d.medRate);
    QVERIFY(rate);
    rate->setText(QStringLiteral(" 15.625"));
    QCOMPARE(rate->formattedText(), QStringLiteral("15.6"));
    QCOMPARE(rate->text(), QStringLiteral(" 15.625"));

    // Leaving the rate recomputes the field the option names.
    d.optFixPeriod->setChecked(true);
    d.medPeriod->setText(QStringLiteral("1000"));
    Set(d.medRate, "10");
    QCOMPARE(d.medAverage->text(), QStringLiteral(" 6"));
    QCOMPARE(d.medPeriod->text(), QStringLiteral("1000"));

    d.optFixAvg->setChecked(true);
    d.medAverage->setText(QStringLiteral("0"));
    Set(d.medRate, "125");
    QCOMPARE(d.medPeriod->text(), QStringLiteral(" 0"));
    d.medAverage->setText(QStringLiteral("8"));
    Set(d.medRate, " 15.625");
    QCOMPARE(d.medPeriod->text(), QStringLiteral(" 500"));
    QCOMPARE(d.medAverage->text(), QStringLiteral("8"));
}

void TestQelConfig::applySendsEveryFieldTrimmedThenListsBothGroups() {
    FakeUnit unit;
    connectAndSettle(unit);
    QelConfig& d = Dialog();
    d.medPeriod->setText(QStringLiteral("  500 "));
    d.medAverage->setText(QStringLiteral(" 8"));
    d.medFps->setText(QString());
    d.lstUnitScan->setCurrentIndex(13);
    d.medCvtUnits->setText(QStringLiteral("2.5"));
    d.chkEu->setChecked(true);
    d.chkZc->setCheckState(Qt::PartiallyChecked);
    d.chkQPkts->setChecked(false);
    d.chkXScanTrig->setChecked(true);
    d.medPMaxH->setText(QStringLiteral("30 "));
    d.medPMinH->setText(QStringLiteral("-30"));
    d.medNegPtsL->setText(QStringLiteral("a b"));

    d.cmdApply->click();
    QVERIFY(!d.cmdApply->isEnabled());
    QVERIFY(!d.cmdOk->isEnabled());
    QVERIFY(unit.waitForReceived("List C\r"));
    QTRY_VERIFY(d.cmdApply->isEnabled());
    QVERIFY(d.cmdOk->isEnabled());
    const QStringList expected = {
        "SET PERIOD 500",  "SET AVG 8",     "SET FPS ",      "SET UNITSCAN KPA",
        "SET EU 1",        "SET ZC 0",      "SET QPKTS 0",   "SET XSCANTRIG 1",
        "SET PMAXL 15",    "SET PMAXH 30",  "SET PMINL -15", "SET PMINH -30",
        "SET NEGPTSL a b", "SET NEGPTSH 0", "List S",        "List C"};
    QCOMPARE(Commands(unit), expected);
    QVERIFY(!unit.received().contains('\n'));
    QCOMPARE(Registry::peek<QelConfig>(), &d);       // Apply leaves the dialog loaded
    QVERIFY(fixture_->prompt->messages().isEmpty()); // 15.625 Hz

    // "USER" adds the conversion factor after the unit.
    unit.setAnswerLimit(0);
    unit.clearReceived();
    d.lstUnitScan->setCurrentIndex(26);
    d.medCvtUnits->setText(QStringLiteral(" 6.894757 "));
    d.cmdApply->click();
    QVERIFY(unit.waitForReceived("List S\r"));
    const QStringList commands = Commands(unit);
    QCOMPARE(commands.size(), 16);
    QCOMPARE(commands.mid(3, 3),
             (QStringList{"SET UNITSCAN USER", "SET CVTUNIT 6.894757", "SET EU 1"}));
}

void TestQelConfig::applyWarnsAboveTwentyFiveHertzWithoutHighSpeedScan() {
    QelConfig& d = Dialog();
    bool listStartedWhileShown = true;
    fixture_->prompt->whileOpen = [&] { listStartedWhileShown = !d.cmdApply->isEnabled(); };
    d.medAverage->setText(QStringLiteral("1"));
    d.medPeriod->setText(QStringLiteral("500"));
    Global::HssEnabled = false;
    d.cmdApply->click();
    QCOMPARE(fixture_->prompt->messages(), QStringList{RateWarning});
    QVERIFY(!listStartedWhileShown); // the warning comes before the list request

    Global::HssEnabled = true;
    d.cmdApply->click();
    Global::HssEnabled = false;
    d.medAverage->setText(QStringLiteral("5")); // exactly 25 Hz
    d.cmdApply->click();
    d.medAverage->setText(QStringLiteral("0")); // no rate at all
    d.cmdApply->click();
    QCOMPARE(fixture_->prompt->messages().size(), 1);
}

void TestQelConfig::activationListsBothGroupsAndCloseWarnsAfterTheListRequest() {
    FakeUnit unit;
    connectAndSettle(unit);
    // Unapplied changes are overwritten by the unit's values on activation.
    QelConfig& d = Dialog();
    d.medPeriod->setText(QStringLiteral("999"));
    d.lstUnitScan->setCurrentIndex(3);
    d.showForm();
    QVERIFY(unit.waitForReceived("List C\r"));
    QTRY_VERIFY(d.cmdOk->isEnabled());
    QCOMPARE(Commands(unit), (QStringList{"List S", "List C"}));
    QCOMPARE(d.medPeriod->text(), QStringLiteral("500"));
    QCOMPARE(d.lstUnitScan->currentText(), QStringLiteral("PSI"));
    unit.setAnswerLimit(0);
    unit.clearReceived();

    d.medAverage->setText(QStringLiteral("1"));
    d.medPeriod->setText(QStringLiteral("500"));
    bool listStartedWhileShown = false;
    fixture_->prompt->whileOpen = [&] { listStartedWhileShown = !d.cmdOk->isEnabled(); };
    Registry::get<Main>().Command1->setEnabled(false);
    d.cmdOk->click();
    QCOMPARE(fixture_->prompt->messages(), QStringList{RateWarning});
    QVERIFY(listStartedWhileShown);
    QVERIFY(!d.isVisible());
    QCOMPARE(Registry::peek<QelConfig>(), &d); // hidden, still loaded
    QVERIFY(Registry::get<Main>().Command1->isEnabled());
    QVERIFY(unit.waitForReceived("List S\r"));
    const QStringList commands = Commands(unit);
    QCOMPARE(commands.size(), 15);
    QCOMPARE(commands.first(), QStringLiteral("SET PERIOD 500"));
    QCOMPARE(commands.last(), QStringLiteral("List S"));
}

void TestQelConfig::cancelMovesTheListOnAndUnloads() {
    FakeUnit unit;
    connectAndSettle(unit);
    unit.setAnswerLimit(0); // the unit does not answer the lists
    QelConfig& d = Dialog();
    d.showForm();
    QVERIFY(unit.waitForReceived("List S\r"));
    QPointer<QelConfig> dialog = &d;
    Registry::get<Main>().Command1->setEnabled(false);
    d.cmdCancel->click();
    QVERIFY(unit.waitForReceived("List C\r"));
    QCOMPARE(Commands(unit), (QStringList{"List S", "List C"}));
    QVERIFY(!Registry::peek<QelConfig>());
    QTRY_VERIFY(!dialog);
    QVERIFY(Registry::get<Main>().Command1->isEnabled());
}

QTEST_MAIN(TestQelConfig)
#include "tst_qelconfig.moc"
