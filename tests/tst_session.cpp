// The connection window against a scripted fake unit: session start-up, the
// status poll, the paced settings queries, the cutting of arrivals into
// lines, refused and ended connections, the address history, and the host
// check with the save-and-reboot sequence it leads to.

#include "program.h"

namespace {

Main& Window() {
    return Registry::get<Main>();
}

// The window is back at rest: no connection, the button offers Connect.
bool IsIdle() {
    return Global::ConnectState == 0 && PanelText(1) == QLatin1String("No connection") &&
           Window().Command1->text() == QLatin1String("Connect");
}

const QStringList StartUp = {"SET BIN 0", "SET FORMAT 0", "List I", "List C", "List H", "List S"};

QStringList Listed() {
    QStringList entries;
    for (int i = 0; i < Window().lstIpHistory->count(); ++i)
        entries << Window().lstIpHistory->item(i)->text();
    return entries;
}

} // namespace

class TestSession : public ProgramTest {
    Q_OBJECT

private slots:
    void sessionStartSendsFormatCommandsAndFirstListThenPolls_data() {
        QTest::addColumn<bool>("always");
        QTest::addColumn<QString>("interval");
        QTest::addColumn<int>("activeInterval"); // 0: timer not running
        QTest::addColumn<QString>("panel2");
        QTest::newRow("default: every 2 s") << true << "2" << 2000 << "Getting Status";
        QTest::newRow("every 5 s") << true << "5" << 5000 << "Getting Status";
        QTest::newRow("interval 0 never polls") << true << "0" << 0 << "Getting Status";
        QTest::newRow("polling off") << false << "2" << 0 << "Status Off";
    }
    void sessionStartSendsFormatCommandsAndFirstListThenPolls() {
        QFETCH(bool, always);
        QFETCH(QString, interval);
        QFETCH(int, activeInterval);
        QFETCH(QString, panel2);
        Global::StatusPollAlways = always;
        Global::StatusPollInterval = interval;
        QVERIFY(ConnectToUnit(*unit));
        QVERIFY(unit->waitForReceived("List I\r"));
        QCOMPARE(unit->received(), QByteArray("SET BIN 0\rSET FORMAT 0\rList I\r"));
        QCOMPARE(Window().Command1->text() + ' ' + PanelText(2), "Disconnect " + panel2);
        QVERIFY(!Window().lstIpHistory->isEnabled());
        QCOMPARE(Listed(), QStringList{unit->address()});
        // The first poll is one interval after the start.
        QTimer* poll = Window().tmrStatus;
        QCOMPARE(poll->isActive() ? poll->interval() : 0, activeInterval);
        if (!activeInterval)
            return;
        poll->setInterval(50);
        QVERIFY(unit->waitForReceived("STATUS\r"));
        QVERIFY(unit->received().startsWith("SET BIN 0\rSET FORMAT 0\rList I\rSTATUS\r"));
    }

    void eachListRequestWaitsForTheLastLineOfThePreviousReply() {
        unit->answerStandardLists();
        QStringList groupC = FakeUnit::standardList('C');
        const QString lastOfC = groupC.takeLast(); // "SET NEGPTSH 0" held back
        unit->answer(QStringLiteral("List C"), groupC);
        QVERIFY(ConnectToUnit(*unit));
        QVERIFY(unit->waitForReceived("List C\r"));
        QTest::qWait(300);
        QVERIFY(!unit->received().contains("List H"));
        QVERIFY(!Registry::get<QelConfig>().cmdOk->isEnabled());
        unit->sendLines({lastOfC});
        QVERIFY(unit->waitForReceived("List S\r"));
        QTRY_VERIFY(!Window().tmrResponse->isActive());
        QCOMPARE(unit->commands(), StartUp);
        QVERIFY(Registry::get<QelConfig>().cmdOk->isEnabled());
        QVERIFY(Registry::get<QelConfig>().cmdApply->isEnabled());
        QVERIFY(fx->prompt->messages().isEmpty());
    }

    void silentUnitGetsTheNextRequestsAfterTimeOutsEachWithAMessage() {
        // The unit answers "List I" late, then nothing more.
        Window().tmrResponse->setInterval(300);
        QVERIFY(ConnectToUnit(*unit));
        QVERIFY(unit->waitForReceived("List I\r"));
        QTest::qWait(150); // the time-out counts from the latest request, not the first
        unit->sendLines(FakeUnit::standardList('I'));
        QVERIFY(unit->waitForReceived("List C\r"));
        QElapsedTimer sinceC;
        sinceC.start();
        QVERIFY(fx->prompt->messages().isEmpty());
        QVERIFY(unit->waitForReceived("List H\r"));
        QVERIFY(sinceC.elapsed() >= 250);
        QCOMPARE(fx->prompt->messages().size(), 1);
        QVERIFY(unit->waitForReceived("List S\r"));
        QCOMPARE(fx->prompt->messages().size(), 2);
        QTRY_COMPARE(fx->prompt->messages().size(), 3); // the list ends with a third
        QVERIFY(!Window().tmrResponse->isActive());
        QTest::qWait(400);
        QCOMPARE(fx->prompt->messages(),
                 QStringList(3, QStringLiteral("Timed out waiting for QEL response")));
        QCOMPARE(unit->commands(), StartUp);
    }

    void listStartedDuringAnotherKeepsTheRunningTimeOut() {
        // The unit answers nothing: "List I" waits for its time-out.
        QVERIFY(ConnectToUnit(*unit));
        QVERIFY(unit->waitForReceived("List I\r"));
        QTest::qWait(300);
        const int left = Window().tmrResponse->remainingTime();
        QVERIFY(left > 0);
        Global::SendList(QStringLiteral("SC"), true); // the configuration dialog's list
        QVERIFY(unit->waitForReceived("List S\r"));
        QVERIFY(Window().tmrResponse->isActive());
        QVERIFY(Window().tmrResponse->remainingTime() <= left);
    }

    void streamReadInArrivalsThatFillTheCapLosesNoLine() {
        // A unit that sends faster than the windows follow: each time the
        // socket is read it holds more than the cap, until the stream ends.
        QByteArray stream;
        for (int i = 0; stream.size() < 20000; ++i)
            stream += "L" + QByteArray::number(i) + QByteArray(i % 29, ' ') + "\r\n";
        QBuffer socket(&stream);
        QVERIFY(socket.open(QIODevice::ReadOnly));
        QByteArray held;
        QByteArray handed;
        int capped = 0;
        while (socket.bytesAvailable() > 0) {
            const QByteArray arrival = Main::TakeArrival(socket, held, 100);
            capped += arrival.size() + held.size() == 100; // what it read, held back or not
            for (const QByteArrayView line : Main::ArrivalLines(arrival))
                handed += line.toByteArray() + "\r\n";
        }
        QVERIFY(capped > 150);
        QCOMPARE(handed, stream);
    }

    void cancelWhileConnectingEndsTheSessionSilently() {
        StartConnecting(unit->address());
        QCOMPARE(Global::ConnectState, qint16(1));
        QCOMPARE(PanelText(1), QStringLiteral("Connecting to ") + unit->address());
        QCOMPARE(Window().Command1->text() + ' ' + PanelText(2), "Cancel Getting Status");
        QVERIFY(!Window().lstIpHistory->isEnabled());
        Window().Command1->click(); // "Cancel"
        QVERIFY(IsIdle());
        QTest::qWait(200);
        QVERIFY(IsIdle() && unit->received().isEmpty() && fx->prompt->shown.isEmpty());
    }

    void historyListsTheNewestAddressFirstAndIsWrittenBackExactly() {
        const auto startWith = [&](const QByteArray& file) {
            Registry::unloadAll();
            Global::Reset();
            QVERIFY(!WriteFile(QStringLiteral("IpHist.cfg"), file).isEmpty());
            fx->startProgram();
        };
        // A short file lists nothing until an address is added; the entries
        // read before it ran short are kept.
        startWith("10.1.1.1\r\n10.1.1.2\r\n");
        QCOMPARE(Listed(), QStringList());
        Global::AddIpToHistory(QStringLiteral("10.1.1.3"));
        QCOMPARE(Listed(), QStringList({"10.1.1.3", "10.1.1.1", "10.1.1.2"}));
        // Empty entries are not listed; the file is written back as it was read.
        const QByteArray full = "10.1.1.1\r\nrig-b\r\n\r\n10.1.1.4:2323\r\n\r\n\r\n\r\n\r\n\r\n\r\n"
                                "last\r\n";
        startWith(full);
        QCOMPARE(Listed(), QStringList({"10.1.1.1", "rig-b", "10.1.1.4:2323", "last"}));
        QFile::remove(QStringLiteral("IpHist.cfg"));
        Global::SaveIpHistory();
        QCOMPARE(FileContents(QStringLiteral("IpHist.cfg")), full);
        // An address moves to the top from where it was; a new one (matching
        // is exact) pushes the oldest out.
        for (const char* address : {"10.1.1.4:2323", "RIG-B"})
            Global::AddIpToHistory(QLatin1String(address));
        QCOMPARE(Listed(), QStringList({"RIG-B", "10.1.1.4:2323", "10.1.1.1", "rig-b"}));
        // An entry picked with the arrow keys fills the address box; refilling
        // the list picks none.
        Window().lstIpHistory->setFocus();
        QTest::keyClick(Window().lstIpHistory, Qt::Key_Down);
        QTest::keyClick(Window().lstIpHistory, Qt::Key_Down);
        QCOMPARE(Window().txtIpAdd->text(), QStringLiteral("10.1.1.4:2323"));
        Window().txtIpAdd->setText(QStringLiteral("typed"));
        Window().FillHistoryList();
        QCOMPARE(Window().txtIpAdd->text(), QStringLiteral("typed"));
    }

    void hostLineIsCorrectedToMatchTheHighSpeedSwitch_data() {
        QTest::addColumn<bool>("hss");
        QTest::addColumn<QString>("hostLine");
        QTest::addColumn<QString>("correction"); // "" when nothing is sent
        const QString toUs = QStringLiteral("SET HOST 127.0.0.1 23 U\r");
        const QString off = QStringLiteral("SET HOST 0 0 T\r");
        QTest::newRow("on, matching") << true << "SET HOST 127.0.0.1 23 U"
                                      << "";
        QTest::newRow("on, letter T") << true << "SET HOST 127.0.0.1 23 T" << toUs;
        QTest::newRow("on, port 24") << true << "SET HOST 127.0.0.1 24 U" << toUs;
        QTest::newRow("on, no host") << true << "SET HOST 0 0 T" << toUs;
        QTest::newRow("off, no host") << false << "SET HOST 0 0 T"
                                      << "";
        QTest::newRow("off, letter U") << false << "SET HOST 0 0 U" << off;
        QTest::newRow("off, a host") << false << "SET HOST 127.0.0.1 23 U" << off;
    }
    void hostLineIsCorrectedToMatchTheHighSpeedSwitch() {
        QFETCH(bool, hss);
        QFETCH(QString, hostLine);
        QFETCH(QString, correction);
        Registry::get<LinkConfig>().chkHSS->setChecked(hss);
        // The unit answers only the first group; the list then waits.
        unit->answer(QStringLiteral("List I"), {QStringLiteral("SET MODEL Q1600"), hostLine});
        QVERIFY(ConnectToUnit(*unit));
        QVERIFY(unit->waitForReceived("List C\r"));
        QCOMPARE(unit->received(), (hss ? "SET BIN 1\r" : "SET BIN 0\r") +
                                       ("SET FORMAT 0\rList I\r" + correction.toLatin1()) +
                                       "List C\r");
        QCOMPARE(Global::SavePending, !correction.isEmpty());
    }

    void correctionSavesAndRebootsTheUnitAtTheEndOfTheList() {
        const double scale = 0.05; // the 35 seconds in 1.75 s; one "second" is 50 ms
        Global::PauseScale = scale;
        unit->answerStandardLists();
        unit->answer(QStringLiteral("List I"), {"SET MODEL Q1600", "SET HOST 0 0 U"});
        unit->answer(QStringLiteral("SAVE"), {"STATUS: SAVING"});
        unit->answer(QStringLiteral("reboot"), {"STATUS: REBOOTING"});

        // When each step was first seen: exactly, where the program's own
        // events show it, otherwise by sampling while the sequence runs.
        QElapsedTimer clock;
        QMap<QString, qint64> seen;
        const auto mark = [&](const char* what, bool now = true) {
            if (now && !seen.contains(QLatin1String(what)))
                seen.insert(QLatin1String(what), clock.elapsed());
        };
        QPushButton* button = Window().Command1;
        EventTap tap(button, [&](QEvent* e) {
            if (e->type() == QEvent::EnabledChange && clock.isValid())
                mark(button->isEnabled() ? "enabled" : "disabled",
                     button->isEnabled() == seen.contains("disabled"));
        });
        connect(Window().Winsock1, &QAbstractSocket::stateChanged, this, [&](auto state) {
            mark("closed", state == QAbstractSocket::UnconnectedState && clock.isValid());
        });
        connect(&Registry::get<Timeout>(), &QObject::destroyed, this, [&] { mark("window gone"); });
        QTimer sampler;
        sampler.setTimerType(Qt::PreciseTimer);
        connect(&sampler, &QTimer::timeout, this, [&] {
            mark("reboot sent", unit->received().contains("reboot\r"));
            mark("saving shown", PanelText(2) == QLatin1String("Qel Status: SAVING"));
            mark("rebooting shown", PanelText(2) == QLatin1String("Qel Status: REBOOTING") &&
                                        Global::ConnectState == 2);
            mark("window shown", Registry::isShown<Timeout>());
        });
        bool saveBeforeMessage = false;
        fx->prompt->whileOpen = [&] {
            mark("message");
            saveBeforeMessage = unit->waitForReceived("SAVE\r", 1000);
        };
        QVERIFY(ConnectToUnit(*unit));
        clock.start();
        sampler.start(2);
        QTRY_VERIFY_WITH_TIMEOUT(seen.contains(QStringLiteral("window gone")), 10000);
        sampler.stop();

        QVERIFY(saveBeforeMessage);
        QCOMPARE(fx->prompt->messages(),
                 QStringList({"WARNING: Qel's Binary IP Address does not match host's IP address. "
                              "Changing to match and rebooting. This will take 35 seconds then you "
                              "must reconnect."}));
        QCOMPARE(fx->prompt->shown[0].title, QStringLiteral("Orvik 3"));
        QStringList commands = unit->commands();
        commands.removeAll(QStringLiteral("STATUS"));
        QCOMPARE(commands, QStringList({"SET BIN 0", "SET FORMAT 0", "List I", "SET HOST 0 0 T",
                                        "List C", "List H", "List S", "SAVE", "reboot"}));
        QCOMPARE(QStringList(seen.keys()).join(' '),
                 QStringLiteral("closed disabled enabled message reboot sent rebooting shown "
                                "saving shown window gone window shown"));
        const auto at = [&](const char* what) { return seen.value(QLatin1String(what)); };
        const qint64 second = qint64(1000 * scale);
        QVERIFY(at("disabled") <= at("message") && at("message") <= at("window shown"));
        QVERIFY(at("reboot sent") - at("message") >= 5 * second - 5);
        QVERIFY(at("rebooting shown") >= at("reboot sent") && at("closed") > at("rebooting shown"));
        QVERIFY(at("closed") - at("message") >= 10 * second - 5);
        QVERIFY(at("enabled") - at("closed") >= 25 * second - 5);
        // The window closes about one "second" after the button comes back.
        QVERIFY(at("window gone") > at("enabled") &&
                at("window gone") - at("enabled") < 8 * second);
        QVERIFY(IsIdle() && !Global::SavePending && Global::RebootSeconds == 0);
    }
};

QTEST_MAIN(TestSession)
#include "tst_session.moc"
