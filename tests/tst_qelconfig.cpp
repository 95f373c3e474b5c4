// The configuration dialog: its controls, the rate/period/average boxes kept
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
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>
#include <memory>

namespace {

QelConfig& Dialog() {
    return Registry::get<QelConfig>();
}

// The operator leaves the box for another control of the dialog.
void Leave(QLineEdit* box, Qt::FocusReason reason = Qt::TabFocusReason) {
    QFocusEvent out(QEvent::FocusOut, reason);
    QApplication::sendEvent(box, &out);
}

// The commands the unit received, without the status polls.
QStringList Commands(const FakeUnit& unit) {
    QStringList list;
    for (const QString& c : unit.commands())
        if (c != QLatin1String("STATUS"))
            list << c;
    return list;
}

const QString RateWarning = QStringLiteral("WARNING: Scan rate is 125 Hz, limit is 25 Hz");

} // namespace

class TestQelConfig : public QObject {
    Q_OBJECT
private slots:
    // The program runs with its frame window, as it always does.
    void init() {
        fixture_ = std::make_unique<ProgramFixture>();
        fixture_->startProgram();
    }
    void cleanup() { fixture_.reset(); }

    void dialogHoldsItsFieldsOnTwoPages();
    void leavingPeriodOrAverageRecomputesTheRate();
    void rateBoxShowsOneDecimalOnlyWithoutTheFocus();
    void leavingTheRateFixesTheChosenField();
    void calibrationPageWarnsOnEveryVisit();
    void activatingListsBothGroupsIntoTheFields();
    void applySendsEveryFieldTrimmedThenListsBothGroups();
    void applySendsTheUserUnitsOnlyForUser();
    void applyWarnsAboveTwentyFiveHertzWithoutHighSpeedScan();
    void closeWarnsAfterTheListRequestAndHides();
    void cancelMovesTheListOnAndUnloads();

private:
    // Connects to a fake unit answering the standard lists and waits until
    // the session's list has ended; the received bytes are then cleared.
    void connectAndSettle(FakeUnit& unit);
    std::unique_ptr<ProgramFixture> fixture_;
};

void TestQelConfig::connectAndSettle(FakeUnit& unit) {
    unit.answerStandardLists();
    QVERIFY(ConnectToUnit(unit));
    QVERIFY(unit.waitForReceived("List S\r"));
    QVERIFY(QTest::qWaitFor([] { return Dialog().cmdApply->isEnabled(); }));
    unit.clearReceived();
}

void TestQelConfig::dialogHoldsItsFieldsOnTwoPages() {
    QelConfig& d = Dialog();
    QCOMPARE(d.windowTitle(), QStringLiteral("Qel Configuration"));
    QCOMPARE(d.SSTab2->count(), 2);
    QCOMPARE(d.SSTab2->tabText(0), QStringLiteral("Scan"));
    QCOMPARE(d.SSTab2->tabText(1), QStringLiteral("Calibration"));
    QCOMPARE(d.SSTab2->currentIndex(), 0);
    QVERIFY(d.optFixAvg->isChecked());
    QVERIFY(!d.optFixPeriod->isChecked());
    QCOMPARE(d.Frame1->title(), QStringLiteral("When Using Rate:"));
    QCOMPARE(d.optFixAvg->text(), QStringLiteral("Fix average to calculate period"));
    QCOMPARE(d.chkXScanTrig->text(), QStringLiteral("External Scan Trigger"));
    QCOMPARE(d.cmdOk->text(), QStringLiteral("Close"));
    QCOMPARE(d.lstUnitScan->count(), 27);

    QWidget* scan = d.SSTab2->widget(0);
    QWidget* cal = d.SSTab2->widget(1);
    for (QLineEdit* box : {d.medRate, d.medPeriod, d.medAverage, d.medFps, d.medCvtUnits})
        QVERIFY(scan->isAncestorOf(box));
    for (QLineEdit* box :
         {d.medPMaxL, d.medPMaxH, d.medPMinL, d.medPMinH, d.medNegPtsL, d.medNegPtsH})
        QVERIFY(cal->isAncestorOf(box));
    for (QLineEdit* box : d.findChildren<QLineEdit*>())
        QCOMPARE(box->maxLength(), 64);
    // Each field carries its label.
    QStringList labels;
    for (QLabel* label : d.findChildren<QLabel*>())
        labels << label->text();
    for (const char* text :
         {"Rate in Hz", "Period", "Average", "Frames Per Scan", "Conversion Units", "User Units",
          "Max Pressure", "Min Pressure", "Negative Points", "Low Bank", "High Bank"})
        QVERIFY2(labels.contains(QString::fromLatin1(text)), text);
    // The buttons sit in one row, left to right.
    d.showForm();
    QCOMPARE(d.cmdOk->y(), d.cmdApply->y());
    QVERIFY(d.cmdOk->x() < d.cmdCancel->x());
    QVERIFY(d.cmdCancel->x() < d.cmdApply->x());
}

void TestQelConfig::leavingPeriodOrAverageRecomputesTheRate() {
    QelConfig& d = Dialog();
    d.medPeriod->setText(QStringLiteral("500"));
    Leave(d.medPeriod);
    QCOMPARE(d.medRate->text(), QStringLiteral(" 0")); // no average yet

    d.medAverage->setText(QStringLiteral("1"));
    Leave(d.medAverage);
    QCOMPARE(d.medRate->text(), QStringLiteral(" 125"));
    QCOMPARE(Global::FrameInterval, 0.008f);

    d.medPeriod->setText(QStringLiteral("4000"));
    Leave(d.medPeriod);
    QCOMPARE(d.medRate->text(), QStringLiteral(" 15.625"));

    // The window losing activation (a message box) is not leaving the box.
    d.medAverage->setText(QStringLiteral("2"));
    Leave(d.medAverage, Qt::ActiveWindowFocusReason);
    QCOMPARE(d.medRate->text(), QStringLiteral(" 15.625"));
    Leave(d.medAverage, Qt::MouseFocusReason);
    QCOMPARE(d.medRate->text(), QStringLiteral(" 7.8125"));

    // Other boxes do not touch the rate.
    d.medFps->setText(QStringLiteral("1"));
    Leave(d.medFps);
    QCOMPARE(d.medRate->text(), QStringLiteral(" 7.8125"));
}

void TestQelConfig::rateBoxShowsOneDecimalOnlyWithoutTheFocus() {
    QelConfig& d = Dialog();
    auto* rate = qobject_cast<FormattedEdit*>(d.medRate);
    QVERIFY(rate);
    rate->setText(QStringLiteral(" 15.625"));
    QCOMPARE(rate->formattedText(), QStringLiteral("15.6"));
    rate->setText(QStringLiteral(" 125"));
    QCOMPARE(rate->formattedText(), QStringLiteral("125.0"));
    rate->setText(QString());
    QCOMPARE(rate->formattedText(), QString());
    rate->setText(QStringLiteral("fast"));
    QCOMPARE(rate->formattedText(), QStringLiteral("fast"));

    // Through real focus changes the text itself stays as written.
    d.showForm();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    d.medPeriod->setText(QStringLiteral("500"));
    d.medAverage->setText(QStringLiteral("8"));
    d.medAverage->setFocus();
    d.medRate->setFocus();
    QTRY_VERIFY(d.medRate->hasFocus());
    d.medPeriod->setFocus(); // leaves the rate: the period follows it
    QTRY_VERIFY(d.medPeriod->hasFocus());
    QCOMPARE(d.medRate->text(), QStringLiteral(" 15.625"));
    QCOMPARE(d.medPeriod->text(), QStringLiteral(" 500"));
    QCOMPARE(rate->formattedText(), QStringLiteral("15.6"));
}

void TestQelConfig::leavingTheRateFixesTheChosenField() {
    QelConfig& d = Dialog();
    d.optFixPeriod->setChecked(true);
    d.medPeriod->setText(QStringLiteral("1000"));
    d.medAverage->setText(QStringLiteral("3"));
    d.medRate->setText(QStringLiteral("10"));
    Leave(d.medRate);
    QCOMPARE(d.medAverage->text(), QStringLiteral(" 6"));
    QCOMPARE(d.medPeriod->text(), QStringLiteral("1000"));

    d.medPeriod->setText(QStringLiteral("40"));
    Leave(d.medRate);
    QCOMPARE(d.medAverage->text(), QStringLiteral(" 0"));

    d.optFixAvg->setChecked(true);
    d.medAverage->setText(QStringLiteral("0"));
    d.medRate->setText(QStringLiteral("125"));
    Leave(d.medRate);
    QCOMPARE(d.medPeriod->text(), QStringLiteral(" 0"));

    d.medAverage->setText(QStringLiteral("8"));
    d.medRate->setText(QStringLiteral(" 15.625"));
    Leave(d.medRate);
    QCOMPARE(d.medPeriod->text(), QStringLiteral(" 500"));
    QCOMPARE(d.medAverage->text(), QStringLiteral("8"));
}

void TestQelConfig::calibrationPageWarnsOnEveryVisit() {
    const QString warning = QStringLiteral(
        "WARNING: Changes to any value on this page will require a full re-calibration");
    QelConfig& d = Dialog();
    d.SSTab2->setCurrentIndex(1);
    d.SSTab2->setCurrentIndex(0);
    QCOMPARE(fixture_->prompt->messages(), QStringList{warning});
    d.SSTab2->setCurrentIndex(1);
    QCOMPARE(fixture_->prompt->messages(), (QStringList{warning, warning}));
    QCOMPARE(fixture_->prompt->shown.last().title, QStringLiteral("Orvik 3"));
}

void TestQelConfig::activatingListsBothGroupsIntoTheFields() {
    FakeUnit unit;
    connectAndSettle(unit);
    // Fields the operator changed without applying are overwritten by the
    // unit's values when the dialog becomes active again.
    QelConfig& d = Dialog();
    d.medPeriod->setText(QStringLiteral("999"));
    d.medPMaxL->setText(QStringLiteral("1"));
    d.lstUnitScan->setCurrentIndex(3);
    d.showForm();
    QVERIFY(unit.waitForReceived("List C\r"));
    QTRY_VERIFY(d.cmdApply->isEnabled());
    QCOMPARE(Commands(unit), (QStringList{"List S", "List C"}));
    QCOMPARE(d.medPeriod->text(), QStringLiteral("500"));
    QCOMPARE(d.medPMaxL->text(), QStringLiteral("15"));
    QCOMPARE(d.lstUnitScan->currentText(), QStringLiteral("PSI"));
    QCOMPARE(d.lstUnitScan->count(), 27);
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
    d.medPMaxL->setText(QStringLiteral("15"));
    d.medPMaxH->setText(QStringLiteral("30 "));
    d.medPMinL->setText(QStringLiteral("-15"));
    d.medPMinH->setText(QStringLiteral("-30"));
    d.medNegPtsL->setText(QStringLiteral("a b"));
    d.medNegPtsH->setText(QStringLiteral("0"));

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
}

void TestQelConfig::applySendsTheUserUnitsOnlyForUser() {
    FakeUnit unit;
    connectAndSettle(unit);
    unit.setAnswerLimit(0); // keep the fields as set here
    QelConfig& d = Dialog();
    d.lstUnitScan->setCurrentIndex(26);
    d.medCvtUnits->setText(QStringLiteral(" 6.894757 "));
    d.cmdApply->click();
    QVERIFY(unit.waitForReceived("List S\r"));
    QStringList commands = Commands(unit);
    QCOMPARE(commands.size(), 16);
    QCOMPARE(commands.mid(3, 2), (QStringList{"SET UNITSCAN USER", "SET CVTUNIT 6.894757"}));
    QCOMPARE(commands.at(5), QStringLiteral("SET EU 1"));
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
    QCOMPARE(fixture_->prompt->shown.last().title, QStringLiteral("Orvik 3"));
    QVERIFY(!listStartedWhileShown); // the warning comes before the list request
    QVERIFY(!d.cmdApply->isEnabled());

    Global::HssEnabled = true;
    d.cmdApply->click();
    QCOMPARE(fixture_->prompt->messages().size(), 1);

    Global::HssEnabled = false;
    d.medAverage->setText(QStringLiteral("5")); // exactly 25 Hz
    d.cmdApply->click();
    d.medAverage->setText(QStringLiteral("0")); // no rate at all
    d.cmdApply->click();
    QCOMPARE(fixture_->prompt->messages().size(), 1);
}

void TestQelConfig::closeWarnsAfterTheListRequestAndHides() {
    FakeUnit unit;
    connectAndSettle(unit);
    unit.setAnswerLimit(0);
    QelConfig& d = Dialog();
    d.showForm();
    QVERIFY(unit.waitForReceived("List S\r"));
    Global::SendList(QString(), false);
    QVERIFY(unit.waitForReceived("List C\r"));
    Global::SendList(QString(), false); // the activation's list has ended
    QVERIFY(d.cmdOk->isEnabled());
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
    QCOMPARE(commands.at(13), QStringLiteral("SET NEGPTSH 0"));
    QCOMPARE(commands.last(), QStringLiteral("List S"));
    QCOMPARE(d.medAverage->text(), QStringLiteral("1"));
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

    // Cancel with no list running runs the end of the list again (the
    // response timer stops); nothing is sent.
    Global::SendList(QString(), false);
    unit.clearReceived();
    Registry::get<Main>().tmrResponse->start();
    Dialog().cmdCancel->click();
    QVERIFY(!Registry::get<Main>().tmrResponse->isActive());
    QTest::qWait(50);
    QCOMPARE(Commands(unit), QStringList());
    QVERIFY(fixture_->prompt->messages().isEmpty());
}

QTEST_MAIN(TestQelConfig)
#include "tst_qelconfig.moc"
