// The configuration dialog: the rate, period and average boxes kept
// consistent when the operator leaves one, the warnings, and what Apply,
// Close and Cancel send to the unit.

#include "program.h"

namespace {

QelConfig& Dialog() {
    return Registry::get<QelConfig>();
}

// The operator leaves the box (for another control of the dialog by default).
void Leave(QLineEdit* box, const char* text, Qt::FocusReason reason = Qt::TabFocusReason) {
    box->setText(QString::fromLatin1(text));
    QFocusEvent out(QEvent::FocusOut, reason);
    QApplication::sendEvent(box, &out);
}

// The commands the unit received since the last look, without the status polls.
QStringList Received(FakeUnit& unit) {
    QStringList list = QString::fromLatin1(SentSinceLastLook(unit)).split('\r', Qt::SkipEmptyParts);
    list.removeAll(QStringLiteral("STATUS"));
    return list;
}

const QString RateWarning = QStringLiteral("WARNING: Scan rate is 125 Hz, limit is 25 Hz");
const QStringList BothLists = {"List S", "List C"};

} // namespace

class TestQelConfig : public ProgramTest {
    Q_OBJECT

private slots:

    void calibrationPageWarnsOnEveryVisit() {
        QTabWidget* pages = Dialog().SSTab2;
        QVERIFY(pages->widget(1)->isAncestorOf(Dialog().medPMaxL));
        for (int page : {1, 0, 1})
            pages->setCurrentIndex(page);
        QCOMPARE(fx->prompt->messages(),
                 QStringList(2, "WARNING: Changes to any value on this page will require a full "
                                "re-calibration"));
    }

    void rateAveragesAndPeriodFollowEachOther() {
        QelConfig& d = Dialog();
        QVERIFY(d.optFixAvg->isChecked());
        // Each step: the field the rate fixes (A average, P period), a box set
        // beforehand, the box left with its text and how ('w' as the window loses
        // activation, to a message box: not leaving the box), then rate|average|period|
        // FrameInterval (only a rate the dialog computes sets it).
        const struct {
            char fix;
            QLineEdit *set, *box;
            const char *before, *text, *how, *shown;
        } steps[] = {{'A', nullptr, d.medPeriod, "", "500", "", " 0||500|0"}, // no average yet
                     {'A', nullptr, d.medAverage, "", "1", "", " 125|1|500|0.008"},
                     {'A', nullptr, d.medPeriod, "", "4000", "", " 15.625|1|4000|0.064"},
                     {'A', nullptr, d.medAverage, "", "2", "w", " 15.625|2|4000|0.064"},
                     {'A', nullptr, d.medFps, "", "1", "", " 15.625|2|4000|0.064"}, // not the rate
                     {'A', nullptr, d.medAverage, "", "2", "", " 7.8125|2|4000|0.128"},
                     {'P', d.medPeriod, d.medRate, "1000", "10", "", "10| 6|1000|0.128"},
                     {'A', d.medAverage, d.medRate, "0", "125", "", "125|0| 0|0.128"},
                     {'A', d.medAverage, d.medRate, "8", " 15.625", "", " 15.625|8| 500|0.128"}};
        for (const auto& step : steps) {
            (step.fix == 'A' ? d.optFixAvg : d.optFixPeriod)->setChecked(true);
            if (step.set)
                step.set->setText(QLatin1String(step.before));
            Leave(step.box, step.text,
                  *step.how ? Qt::ActiveWindowFocusReason : Qt::TabFocusReason);
            QCOMPARE(d.medRate->text() + '|' + d.medAverage->text() + '|' + d.medPeriod->text() +
                         '|' + QString::number(Global::FrameInterval),
                     QLatin1String(step.shown));
        }
        // Without the focus the rate shows one decimal; its text stays as written.
        auto* rate = qobject_cast<FormattedEdit*>(d.medRate);
        QCOMPARE(rate->formattedText() + '|' + rate->text(), QStringLiteral("15.6| 15.625"));
    }

    void applySendsEveryFieldTrimmedThenListsBothGroups() {
        QVERIFY(ConnectAndSettle(*unit));
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
        QVERIFY(!d.cmdApply->isEnabled() && !d.cmdOk->isEnabled());
        QVERIFY(unit->waitForReceived("List C\r"));
        QTRY_VERIFY(d.cmdApply->isEnabled() && d.cmdOk->isEnabled());
        QCOMPARE(Received(*unit),
                 QStringList({"SET PERIOD 500", "SET AVG 8", "SET FPS ", "SET UNITSCAN KPA",
                              "SET EU 1", "SET ZC 0", "SET QPKTS 0", "SET XSCANTRIG 1",
                              "SET PMAXL 15", "SET PMAXH 30", "SET PMINL -15", "SET PMINH -30",
                              "SET NEGPTSL a b", "SET NEGPTSH 0"}) +
                     BothLists);
        QCOMPARE(Registry::peek<QelConfig>(), &d); // Apply leaves the dialog loaded
        QVERIFY(fx->prompt->messages().isEmpty()); // 15.625 Hz
        // "USER" adds the conversion factor after the unit.
        unit->setAnswerLimit(0);
        d.lstUnitScan->setCurrentIndex(26);
        d.medCvtUnits->setText(QStringLiteral(" 6.894757 "));
        d.cmdApply->click();
        QVERIFY(unit->waitForReceived("List S\r"));
        QCOMPARE(Received(*unit).mid(3, 3),
                 QStringList({"SET UNITSCAN USER", "SET CVTUNIT 6.894757", "SET EU 1"}));
    }

    void applyWarnsAboveTwentyFiveHertzWithoutHighSpeedScanBeforeTheListRequest() {
        QelConfig& d = Dialog();
        bool listStartedWhileShown = true;
        fx->prompt->whileOpen = [&] { listStartedWhileShown = !d.cmdApply->isEnabled(); };
        d.medAverage->setText(QStringLiteral("1"));
        d.medPeriod->setText(QStringLiteral("500"));
        d.cmdApply->click();
        QCOMPARE(fx->prompt->messages(), QStringList{RateWarning});
        QVERIFY(!listStartedWhileShown);
        Global::HssEnabled = true;
        d.cmdApply->click();
        Global::HssEnabled = false;
        for (const char* average : {"5", "0"}) { // exactly 25 Hz, no rate at all
            d.medAverage->setText(QLatin1String(average));
            d.cmdApply->click();
        }
        QCOMPARE(fx->prompt->messages().size(), 1);
    }

    void activationListsBothGroupsAndCloseWarnsAfterTheListRequest() {
        QVERIFY(ConnectAndSettle(*unit));
        // Unapplied changes are overwritten by the unit's values on activation.
        QelConfig& d = Dialog();
        d.medPeriod->setText(QStringLiteral("999"));
        d.lstUnitScan->setCurrentIndex(3);
        d.showForm();
        QVERIFY(unit->waitForReceived("List C\r"));
        QTRY_VERIFY(d.cmdOk->isEnabled());
        QCOMPARE(Received(*unit), BothLists);
        QCOMPARE(d.medPeriod->text() + ' ' + d.lstUnitScan->currentText(), "500 PSI");
        unit->setAnswerLimit(0);
        d.medAverage->setText(QStringLiteral("1"));
        bool listStartedWhileShown = false;
        fx->prompt->whileOpen = [&] { listStartedWhileShown = !d.cmdOk->isEnabled(); };
        Registry::get<Main>().Command1->setEnabled(false);
        d.cmdOk->click();
        QCOMPARE(fx->prompt->messages(), QStringList{RateWarning});
        QVERIFY(listStartedWhileShown);
        QVERIFY(!d.isVisible() && Registry::peek<QelConfig>() == &d); // hidden, still loaded
        QVERIFY(Registry::get<Main>().Command1->isEnabled());
        QVERIFY(unit->waitForReceived("List S\r"));
        const QStringList commands = Received(*unit);
        QCOMPARE(commands.size(), 15);
        QCOMPARE(commands.first() + '|' + commands.last(), "SET PERIOD 500|List S");
    }

    void cancelMovesTheListOnAndUnloads() {
        QVERIFY(ConnectAndSettle(*unit));
        unit->setAnswerLimit(0); // the unit does not answer the lists
        QPointer<QelConfig> d = &Dialog();
        d->showForm();
        QVERIFY(unit->waitForReceived("List S\r"));
        Registry::get<Main>().Command1->setEnabled(false);
        d->cmdCancel->click();
        QVERIFY(unit->waitForReceived("List C\r"));
        QCOMPARE(Received(*unit), BothLists);
        QVERIFY(!Registry::peek<QelConfig>() && Registry::get<Main>().Command1->isEnabled());
        QTRY_VERIFY(!d);
    }
};

QTEST_MAIN(TestQelConfig)
#include "tst_qelconfig.moc"
