// The link settings: the settings store, the "Orvik Configuration" dialog and
// the Global copy the program runs with.

#include "program.h"

namespace {

LinkConfig& Dialog() {
    return Registry::get<LinkConfig>();
}

// The dialog's state as one line: the switches as 0/1, then the boxes.
QString Shown() {
    LinkConfig& d = Dialog();
    QString s;
    for (QAbstractButton* b : QList<QAbstractButton*>{d.optStatusPollAlways, d.optStatusPollOff,
                                                      d.chkScanData, d.chkListData, d.chkErrors,
                                                      d.chkStatusData, d.chkOutgoing, d.chkHSS})
        s += b->isChecked() ? '1' : '0';
    return s + ' ' + d.medStatusPollInterval->text() + ' ' + d.medUploadDwell->text() + ' ' +
           d.txtHssFileName->text();
}

// The Global copy in the same form, then the checked display items:
// "P" or "T", and the decimal places.
QString Running() {
    using namespace Global;
    QString s;
    for (bool b : {StatusPollAlways, StatusPollOff, LogScanData, LogListData, LogErrors,
                   LogStatusData, LogOutgoing, HssEnabled})
        s += b ? '1' : '0';
    s += ' ' + StatusPollInterval + ' ' + UploadDwell + ' ' + HssFileText + ' ';
    for (int i = 0; i < DisplayItemCount; ++i)
        if (Frame().DisplayItemAction(i)->isChecked())
            s += QStringLiteral("PT012345")[i];
    return s;
}

} // namespace

class TestLinkSettings : public QObject {
    Q_OBJECT
    std::unique_ptr<ProgramFixture> fx;

    QString stored(const QString& key) {
        return QSettings(fx->settingsFile(), QSettings::IniFormat)
            .value(QStringLiteral("Startup/") + key)
            .toString();
    }

private slots:
    void init() { fx = std::make_unique<ProgramFixture>(); }
    void cleanup() { fx.reset(); }

    void settingsChangedInTheDialogShowAgainAfterARestart() {
        fx->startProgram();
        QCOMPARE(Shown() + " P2", QStringLiteral("10100000 2 300  P2")); // the defaults
        QCOMPARE(Running(), QStringLiteral("10100000 2 300  P2"));
        Frame().mnuOrvikSettings->trigger();
        LinkConfig& d = Dialog();
        QVERIFY(d.isVisible());
        d.optStatusPollOff->click();
        for (QAbstractButton* b : QList<QAbstractButton*>{d.chkScanData, d.chkListData, d.chkErrors,
                                                          d.chkStatusData, d.chkOutgoing, d.chkHSS})
            b->click();
        d.medStatusPollInterval->setText(QStringLiteral("5"));
        d.medUploadDwell->setText(QStringLiteral("45"));
        d.txtHssFileName->setText(QStringLiteral("/data/fast run.csv"));
        d.cmdBrowse->click(); // cancelled: nothing changes
        fx->prompt->fileAnswers.enqueue(QStringLiteral("/data/run 7.csv"));
        d.cmdBrowse->click(); // the file chosen is taken at once
        QCOMPARE(Global::HssFileName, QStringLiteral("/data/run 7.csv"));
        QCOMPARE(fx->prompt->shown.size(), 2);
        QVERIFY(d.close()); // through its frame: applied too, and unloaded
        QVERIFY(!Registry::peek<LinkConfig>());
        const QString running = QStringLiteral("01011111 5 45 /data/run 7.csv");
        QCOMPARE(Running(), running + " P2");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // Created again, it shows what the program runs with; so does the
        // store when the dialog is gone at shut-down.
        QCOMPARE(Shown(), running);
        Registry::unload<LinkConfig>();
        Frame().mnuBarGraphTemp->trigger();
        Frame().mnuBarGraph4Places->trigger();
        Frame().mnuExit->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!Registry::peek<MDIMain>());
        // Nineteen keys, every value a text.
        QSettings store(fx->settingsFile(), QSettings::IniFormat);
        QCOMPARE(store.allKeys().size(), 19);
        QCOMPARE(stored("StatusPollOff") + stored("LogScanData") + stored("HssFileName"),
                 QStringLiteral("TrueFalse/data/run 7.csv"));
        Registry::unloadAll();
        Global::Reset();
        fx->startProgram();
        QCOMPARE(Shown() + " T4", running + " T4");
        QCOMPARE(Running(), running + " T4");
    }

    void storedTextsShowAsTheControlsCanTakeThem_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("running");
        // Box text the box cannot take gives the default.
        const char* boxes[][4] = {{"fits", "7", "45", "7 45"},
                                  {"blanks around", " 3 ", " 120", "3 120"},
                                  {"too many digits", "12", "1000", "2 300"},
                                  {"not digits", "a", "3x", "2 300"},
                                  {"negative", "-1", "-50", "2 300"},
                                  {"stored empty", "", "", " "}};
        for (const auto& b : boxes)
            QTest::newRow(b[0])
                << QStringLiteral("StatusPollInterval=\"%1\"\nUploadDwell=\"%2\"").arg(b[1], b[2])
                << QStringLiteral("10100000 %1  P2").arg(b[3]);
        QTest::newRow("exact True only")
            << "StatusPollAlways=true\nStatusPollOff=TRUE\nLogScanData=1\nLogListData=True\n"
               "LogErrors=yes\nPressure=true\nTemperature=True\nBarGraph2Places=true\n"
               "BarGraph5Places=True\nHssEnabled=true"
            << "00010000 2 300  T5";
    }
    void storedTextsShowAsTheControlsCanTakeThem() {
        QFETCH(QString, stored);
        QFETCH(QString, running);
        QDir().mkpath(QFileInfo(fx->settingsFile()).path());
        QFile file(fx->settingsFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Startup]\n" + stored.toLatin1() + "\n");
        file.close();
        fx->startProgram();
        QCOMPARE(Running(), running);
        QCOMPARE(Shown(), running.left(running.lastIndexOf(' ')));
    }

    void activationShowsTheRunningValuesAndCloseSetsThePoll_data() {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<bool>("pollOff");
        QTest::addColumn<bool>("viaFrame"); // closed through its frame, not with Close
        QTest::addColumn<bool>("polling");  // afterwards
        QTest::addColumn<QString>("panel"); // "as before": left alone
        QTest::newRow("connected, poll on restarts it")
            << true << false << false << true << "Getting Status";
        QTest::newRow("connected, poll off stops it")
            << true << true << false << false << "Status Off";
        QTest::newRow("not connected leaves it") << false << false << false << false << "as before";
        QTest::newRow("its frame leaves it") << true << true << true << true << "as before";
    }
    void activationShowsTheRunningValuesAndCloseSetsThePoll() {
        QFETCH(bool, connected);
        QFETCH(bool, pollOff);
        QFETCH(bool, viaFrame);
        fx->startProgram();
        QTimer* poll = Registry::get<Main>().tmrStatus;
        poll->setInterval(60000);
        if (pollOff)
            poll->start();
        Global::ConnectState = connected ? 2 : 0;
        Global::SetPanelText(2, QStringLiteral("as before"));
        // Something changed the running values since the dialog last showed them.
        Global::LogErrors = true;
        Global::UploadDwell = QStringLiteral(" 80 ");
        Global::StatusPollAlways = !pollOff;
        Global::StatusPollOff = pollOff;
        Dialog().showForm();
        QVERIFY(WaitForActivation(&Dialog()));
        QCOMPARE(Shown(), pollOff ? "01101000 2 80 " : "10101000 2 80 ");
        QVERIFY(!Registry::get<Main>().Command1->isEnabled());
        Dialog().chkErrors->click();
        if (viaFrame)
            QVERIFY(Dialog().close());
        else
            Dialog().cmdOk->click();
        // Applied; Close hides the dialog, its frame unloads it.
        QVERIFY(!Global::LogErrors && Registry::get<Main>().Command1->isEnabled());
        QVERIFY(viaFrame ? !Registry::peek<LinkConfig>()
                         : Registry::peek<LinkConfig>() && !Dialog().isVisible());
        QFETCH(bool, polling);
        QCOMPARE(poll->isActive(), polling);
        QCOMPARE(poll->interval(), 60000); // not recomputed here
        QFETCH(QString, panel);
        QCOMPARE(PanelText(2), panel);
    }
};

QTEST_MAIN(TestLinkSettings)
#include "tst_linksettings.moc"
