// The high-speed hand-over: the capture configuration the program writes,
// and Start Scan handing the unit to the capture program and taking it back.

#include "program.h"

class TestCapture : public ProgramTest {
    Q_OBJECT
    QByteArray cfg() const {
        QFile f(fx->dir() + "/Zomra.cfg");
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
    }

private slots:
    void init() {
        ProgramTest::init();
        Global::ProgramDirectoryOverride = fx->dir();
    }
    // Confirming the link settings writes it, with the switch off too.
    void configurationHoldsTheBoxesAsTyped() {
        Registry::get<Main>().txtIpAdd->setText("192.168.1.10");
        Registry::get<QelConfig>().medFps->setText("100");
        LinkConfig& link = Registry::get<LinkConfig>();
        link.showForm();
        link.txtHssFileName->setText("c:\\data\\run1.dat");
        link.cmdOk->click();
        QCOMPARE(cfg(), QByteArray("SET IPADDR 192.168.1.10\r\nSET FPS 100\r\n"
                                   "SET BFILENAME c:\\data\\run1.dat\r\n"));
        QVERIFY(fx->prompt->shown.isEmpty());
    }

    void startScanHandsTheUnitOverAndReconnects_data() {
        QTest::addColumn<QString>("program"); // shell text of "Zomra.exe", or none
        QTest::addColumn<bool>("writable");   // the program directory exists
        QTest::addColumn<QString>("message"); // start of the one message, or none
        QTest::addColumn<bool>("reconnects");
        QTest::newRow("capture runs") << "#!/bin/sh\ncat Zomra.cfg > ran.txt\n"
                                      << true << "" << true;
        QTest::newRow("no capture program") << "" << true << "Could not open Zomra.exe" << true;
        QTest::newRow("directory not writable")
            << "" << false << "Could not write the capture configuration file " << false;
    }

    void startScanHandsTheUnitOverAndReconnects() {
        QFETCH(QString, program);
        QFETCH(bool, writable);
        QFETCH(QString, message);
        QFETCH(bool, reconnects);
        unit->answerStandardLists();
        Global::HssEnabled = true;
        QVERIFY(ConnectToUnit(*unit));
        QVERIFY(unit->waitForReceived("SET BIN 1\r"));
        if (!program.isEmpty())
            QVERIFY(!WriteFile(fx->dir() + "/Zomra.exe", program.toUtf8(), true).isEmpty());
        if (!writable)
            Global::ProgramDirectoryOverride = fx->dir() + "/missing";
        int statesWhileOpen = -1;
        fx->prompt->whileOpen = [&] { statesWhileOpen = Global::ConnectState; };
        unit->clearReceived();

        Registry::get<MDIMain>().mnuStartScan->trigger();
        const QStringList messages = fx->prompt->messages();
        QCOMPARE(messages.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY2(messages[0].startsWith(message), qPrintable(messages[0]));
        QVERIFY(!unit->received().contains("SCAN"));
        QVERIFY(Registry::get<MDIMain>().mnuStartScan->isEnabled()); // never the scanning state
        if (!reconnects) {
            QCOMPARE(Global::ConnectState, 2); // the session goes on
            return;
        }
        QCOMPARE(statesWhileOpen, message.isEmpty() ? -1 : 0);
        QCOMPARE(Global::ConnectState, 1); // connecting as soon as the capture ends
        QTRY_VERIFY(unit->isConnected());
        QTRY_COMPARE(Global::ConnectState, 2);
        if (!program.isEmpty()) {
            QFile ran(fx->dir() + "/ran.txt");
            QVERIFY(ran.open(QIODevice::ReadOnly));
            QVERIFY(ran.readAll().startsWith("SET IPADDR " + unit->address().toLatin1() + "\r\n"));
        }
    }

    // The whole hand-over against the simulator: the host check moves the
    // unit's binary data to this computer with save and reboot; after
    // reconnecting, Start Scan runs the real capture program, whose file holds
    // exactly the frames the simulator sent, and the program reconnects.
    void highSpeedScanOfTheSimulatorKeepsEveryFrame() {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const QString port = QString::number(probe.serverPort());
        probe.close();
        QProcess sim;
        sim.start(QStringLiteral(QELSIM_BINARY),
                  {"--port", port, "--bind", "127.0.0.1", "--reboot-seconds", "0.2",
                   "--record-frames", fx->dir() + "/sent.csv"});
        QVERIFY(sim.waitForStarted());
        // The capture program as installed, but on a free UDP port: the
        // operator's program never passes options.
        const QByteArray exe = "#!/bin/sh\nexec '" ZOMRA_BINARY "' --udp-port 0 --config '" +
                               fx->dir().toUtf8() + "/Zomra.cfg'\n";
        QVERIFY(!WriteFile(fx->dir() + "/Zomra.exe", exe, true).isEmpty());

        Global::HssEnabled = true;
        Global::PauseScale = 0.02;
        const QString address = "127.0.0.1:" + port;
        QTRY_VERIFY([&] { // the simulator listens
            QTcpSocket s;
            s.connectToHost(QHostAddress::LocalHost, port.toUShort());
            return s.waitForConnected(200);
        }());
        StartConnecting(address);
        QTRY_VERIFY_WITH_TIMEOUT(fx->prompt->messages().size() == 1, 10000); // save and reboot
        QVERIFY(fx->prompt->messages()[0].startsWith("WARNING: Qel's Binary IP Address"));
        QTRY_VERIFY_WITH_TIMEOUT(Registry::get<Main>().Command1->isEnabled(), 10000);
        QTest::qWait(300); // the simulator is back
        StartConnecting(address);
        QTRY_COMPARE_WITH_TIMEOUT(Global::ConnectState, 2, 10000);
        QTRY_COMPARE(Global::FramesPerScan > 0, true);

        Global::SendToQel("SET PERIOD 6\r");
        Global::SendToQel("SET AVG 1\r");
        QTest::qWait(200);
        Registry::get<QelConfig>().medFps->setText("500");
        Registry::get<LinkConfig>().txtHssFileName->setText(fx->dir() + "/run.csv");
        Registry::get<MDIMain>().mnuStartScan->trigger();
        QCOMPARE(fx->prompt->messages().size(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(Global::ConnectState, 2, 10000);
        // The capture program gave the unit its host back: no second correction.
        QTRY_VERIFY(Global::ListIndex > 4 && !Registry::get<Main>().tmrResponse->isActive());
        QCOMPARE(fx->prompt->messages().size(), 1);
        QFile sent(fx->dir() + "/sent.csv"), run(fx->dir() + "/run.csv");
        QVERIFY(sent.open(QIODevice::ReadOnly) && run.open(QIODevice::ReadOnly));
        const QByteArray frames = sent.readAll();
        QCOMPARE(frames.count('\n'), 501);
        QCOMPARE(run.readAll(), frames);
        sim.terminate(); // the simulator stops cleanly on a signal
        QVERIFY(sim.waitForFinished() && sim.exitStatus() == QProcess::NormalExit);
        QVERIFY(sim.exitCode() == 0 && sim.readAllStandardError().contains("qelsim: stopped"));
    }
};

QTEST_MAIN(TestCapture)
#include "tst_capture.moc"
