// Faults of the unit, the link and the operator's files: each ends in the
// state the program gives it, nothing fails, and the log keeps what it was
// asked to keep.

#include "program.h"
#include "qelsim/simulator.h"

namespace {

const QString TimedOut = QStringLiteral("Timed out waiting for QEL response");

// A frame as the unit sends it: the header and sixteen channel lines.
QByteArray FrameBytes(int frame, const QString& value) {
    QByteArray bytes = "FRAME = " + QByteArray::number(frame) + "\r\n";
    for (int ch = 0; ch < 16; ++ch)
        bytes += QByteArray::number(ch) + ' ' + value.toLatin1() + "\r\n";
    return bytes;
}

// Its row in a comma-separated log, a frame lasting .064 s (single precision).
QString FrameRow(int frame, const QString& value) {
    QStringList fields{QString::number(0.064f * float(frame), 'g', 7), QString::number(frame)};
    if (fields[0].startsWith(QLatin1String("0.")))
        fields[0].remove(0, 1);
    for (int ch = 0; ch < 16; ++ch)
        fields << value;
    return fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

} // namespace

class TestFaults : public ProgramTest {
    Q_OBJECT

    bool listsDone() {
        return Global::ConnectState != 1 && !Registry::get<Main>().tmrResponse->isActive() &&
               Registry::get<Main>().Command1->isEnabled() &&
               (Global::ConnectState == 0 || Global::ListIndex > 4);
    }

private slots:
    void init() {
        ProgramTest::init();
        Global::PauseScale = 0.01;
        Global::LogScanData = true;
        Registry::get<Main>().tmrResponse->setInterval(1000);
        Registry::get<Bar>().showForm();
    }
    void simulatedUnitFaultEndsInItsState_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("rows"); // of a scan's log; -1: no scan
        const QString reboot =
            QStringLiteral("WARNING: Qel's Binary IP Address does not match host's IP address. "
                           "Changing to match and "
                           "rebooting. This will take 35 seconds then you must reconnect.");
        QTest::newRow("silent after its first list")
            << "silent" << QStringList(3, TimedOut) << 2 << -1;
        QTest::newRow("slow answers") << "slow" << QStringList() << 2 << -1;
        QTest::newRow("closes mid-scan") << "close" << QStringList() << 0 << 5;
        QTest::newRow("wrong host: reboot") << "host" << QStringList{reboot} << 0 << -1;
        QTest::newRow("refused") << "refused"
                                 << QStringList{QStringLiteral(
                                        "Connection refused\rError Number 10061")}
                                 << 0 << -1;
    }
    void simulatedUnitFaultEndsInItsState() {
        QFETCH(QString, fault);
        qelsim::SimOptions options;
        options.port = 0;
        options.bind = QHostAddress(QHostAddress::LocalHost);
        options.silentAfter = fault == QLatin1String("silent") ? 1 : -1;
        options.slowMs = fault == QLatin1String("slow") ? 250 : 0;
        options.closeAfterFrames = fault == QLatin1String("close") ? 5 : -1;
        options.recordOutputFile = fx->dir() + QStringLiteral("/sent.txt");
        qelsim::Simulator sim(options);
        QString error;
        QVERIFY2(sim.start(&error), qPrintable(error));
        if (fault == QLatin1String("host"))
            sim.unit().state().set(QStringLiteral("HOST"), {"10.0.0.9", "23", "U"});
        quint16 port = sim.port();
        if (fault == QLatin1String("refused")) {
            QTcpServer closed; // a port that was free a moment ago
            closed.listen(QHostAddress::LocalHost);
            port = closed.serverPort();
            closed.close();
        }

        StartConnecting(QStringLiteral("127.0.0.1:%1").arg(port));
        QTRY_VERIFY_WITH_TIMEOUT(listsDone(), 15000);
        QFETCH(int, rows);
        if (rows >= 0) {
            const QString log = fx->openLog(QStringLiteral("scan.csv"));
            Registry::get<MDIMain>().mnuStartScan->trigger();
            QTRY_COMPARE(Global::ConnectState, qint16(0));
            // Each row holds a frame as the simulator, a second reading of the
            // protocol, sent it: the number, then the sixteen pressures.
            QStringList sent, logged;
            for (const QString& line :
                 QString(FileContents(options.recordOutputFile)).split("\r\n")) {
                const QStringList t = line.split(QLatin1Char(' '));
                if (t[0] == QLatin1String("FRAME"))
                    sent << t.value(2);
                else if (t.size() == 3 && !sent.isEmpty() &&
                         t[0] == QString::number(sent.last().count(QLatin1Char(','))))
                    sent.last() += QLatin1Char(',') + t[1];
            }
            for (const QString& row : QString(FileContents(log)).split("\r\n", Qt::SkipEmptyParts))
                logged << row.section(QLatin1Char(','), 1);
            QCOMPARE(logged.size(), rows);
            QCOMPARE(logged, sent);
        }
        QFETCH(QStringList, messages);
        QFETCH(int, state);
        QCOMPARE(fx->prompt->messages(), messages);
        QCOMPARE(Global::ConnectState, qint16(state));
        if (state == 0) // at rest, the button offering Connect
            QCOMPARE(PanelText(1) + ' ' + Registry::get<Main>().Command1->text(),
                     QStringLiteral("No connection Connect"));
        if (fault == QLatin1String("refused")) // only a connection that stood is remembered
            QVERIFY(fx->prompt->shown[0].title == "ERROR:" && Global::IpHistory[0].isEmpty());
        if (fault == QLatin1String("host"))
            QCOMPARE(sim.unit().saved().value(QStringLiteral("HOST")), QStringLiteral("0 0 T"));
    }
    void linkLostMidScanKeepsEveryRowThatArrived_data() {
        QTest::addColumn<bool>("reset");
        QTest::addColumn<int>("extraLines"); // of a frame that is not finished
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("closed mid-frame") << false << 9 << QStringList();
        QTest::newRow("reset between frames")
            << true << 0
            << QStringList{QStringLiteral(
                   "The connection was reset by the remote host\rError Number 10054")};
    }
    void linkLostMidScanKeepsEveryRowThatArrived() {
        QFETCH(bool, reset);
        QFETCH(int, extraLines);
        unit->answerStandardLists();
        QVERIFY(ConnectToUnit(*unit));
        QTRY_VERIFY(listsDone());
        const QString log = fx->openLog(QStringLiteral("scan.csv"));
        QByteArray bytes;
        QString rows;
        for (int f = 0; f < 3; ++f) {
            bytes += FrameBytes(f, QString::number(f + 1.5));
            rows += FrameRow(f, QString::number(f + 1.5));
        }
        const QList<QByteArray> last = FrameBytes(3, QStringLiteral("9")).split('\n');
        for (int i = 0; i < extraLines; ++i)
            bytes += last[i] + '\n';
        unit->sendRaw(bytes);
        QTRY_COMPARE(Registry::get<Bar>().LabelText(QStringLiteral("labFrameData")),
                     QString::number(extraLines ? 3 : 2));
        reset ? unit->resetClient() : unit->closeClient();
        QTRY_COMPARE(Global::ConnectState, qint16(0));
        QVERIFY(!Registry::get<Main>().tmrStatus->isActive());
        Global::SendToQel(QStringLiteral("STATUS\r")); // dropped quietly
        QFETCH(QStringList, messages);
        QCOMPARE(fx->prompt->messages(), messages);
        QCOMPARE(QString(FileContents(log)), rows);
        Global::CloseLogFile(); // the unfinished row is kept as far as it went
        if (extraLines)
            rows += FrameRow(3, QStringLiteral("9")).section(QLatin1Char(','), 0, extraLines) + ',';
        QCOMPARE(QString(FileContents(log)), rows);
    }
    void frameCutAtAnyOffsetSpoilsNothingAfterIt() {
        QVERIFY(ConnectAndSettle(*unit));
        const QString log = fx->openLog(QStringLiteral("scan.csv"));
        const QByteArray cut = FrameBytes(7, QStringLiteral("2"));
        for (int at = 1; at < cut.size(); ++at) {
            const QString value = QStringLiteral("%1.25").arg(at);
            const QString next = FrameRow(0, value).section(QLatin1Char(','), 2);
            unit->sendRaw(cut.left(at));
            QTest::qWait(1);
            unit->sendRaw(cut.mid(at) + FrameBytes(at + 10, value));
            // The next frame's values all arrive and end a row; so does its header,
            // unless the cut fell between the last CR and LF: the LF then begins it.
            QVERIFY2(QTest::qWaitFor([&] { return QString(FileContents(log)).endsWith(next); }),
                     qPrintable(QString::number(at)));
            QCOMPARE(Registry::get<Bar>().LabelText(QStringLiteral("labFrameData")),
                     QString::number(at == cut.size() - 1 ? 7 : at + 10));
        }
        QCOMPARE(Global::ConnectState, qint16(2));
        QVERIFY(fx->prompt->messages().isEmpty());
    }
    void unitThatStopsReadingNeverGrowsTheBacklog() {
        QVERIFY(ConnectAndSettle(*unit));
        Main& main = Registry::get<Main>();
        main.Winsock1->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, 4096);
        unit->setReading(false);
        const QString command = QStringLiteral("SET PERIOD 500\r");
        for (int i = 0; i < 60000; ++i) // a flood, as from an upload of a long file
            Global::SendToQel(command);
        QVERIFY(main.Winsock1->bytesToWrite() <= Main::SendBacklogLimit);
        main.tmrStatus->start(1);
        QTest::qWait(100);
        QVERIFY(main.Winsock1->bytesToWrite() > 0); // still stalled: the polls were held back
        main.tmrStatus->stop();

        unit->setReading(true);
        const int accepted = int(Main::SendBacklogLimit / command.size());
        QTRY_COMPARE(unit->received().size(), accepted * command.size());
        QCOMPARE(unit->commands(), QStringList(accepted, command.chopped(1))); // whole, in order
        main.tmrStatus->start(1);
        QVERIFY(unit->waitForReceived("STATUS\r")); // polling again once drained
    }
    void operatorFileOfAnyBytesIsSentLineByLine_data() {
        QTest::addColumn<bool>("profile");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("sent");
        const QByteArray binary("\x00\x01SET\xff\x7f", 7);
        const QByteArray longLine(70000, 'A'); // a line is cut at 64 KiB
        QTest::newRow("command file") << false << binary + "\r\n" + longLine + "\nB\rC"
                                      << binary + '\r' + longLine.left(65536) + "\rB\rC\r";
        QTest::newRow("profile file")
            << true << "SET ABS2 1\n" + binary + '\n' + longLine + "\rINSERT 4 2 7.5\n"
            << QByteArray("DELETE 0 69 0\rSET ABS0 1\rINSERT 4 0 7.5\rFILL\r");
    }
    void operatorFileOfAnyBytesIsSentLineByLine() {
        QFETCH(bool, profile);
        QFETCH(QByteArray, content);
        QVERIFY(ConnectAndSettle(*unit));
        fx->prompt->fileAnswers.enqueue(WriteFile(fx->dir() + "/operator.txt", content));
        if (profile) {
            UploadSPF& window = Registry::get<UploadSPF>();
            window.showForm();
            QTRY_VERIFY(window.windowTitle().startsWith(QLatin1String("Uploading ")));
            window.tmrUpload->setInterval(1);
            window.btnStart->click();
            Global::HandleQelLine(QStringLiteral("READY"));
            Global::HandleQelLine(QStringLiteral("READY"));
            QTRY_VERIFY(!window.tmrUpload->isActive());
            Global::HandleQelLine(QStringLiteral("STATUS: READY")); // the file is sent: fill
        } else {
            Global::UploadDwell = QStringLiteral("1");
            Registry::get<MDIMain>().mnuUploadFileToQel->trigger();
            QTRY_COMPARE(Registry::get<Upload>().labUploadFileName->text(),
                         QStringLiteral("End of file reached"));
        }
        QFETCH(QByteArray, sent);
        QCOMPARE(SentSinceLastLook(*unit).replace("STATUS\r", ""), sent);
        QVERIFY(fx->prompt->messages().isEmpty());
    }
    void badLogFileIsReportedOnceAndTheProgramGoesOn_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("message");
        QTest::newRow("cannot be created")
            << QStringLiteral("/nonexistent/scan.csv")
            << QStringLiteral("Error opening log file /nonexistent/scan.csv");
        QTest::newRow("full disk")
            << QStringLiteral("/dev/full")
            << QStringLiteral("Error writing log file /dev/full: No space left "
                              "on device. Logging has stopped; the file holds "
                              "what was written before.");
    }
    void badLogFileIsReportedOnceAndTheProgramGoesOn() {
        QFETCH(QString, path);
        QFETCH(QString, message);
        Global::LogErrors = true;
        fx->prompt->fileAnswers.enqueue(path);
        Global::OpenLogFile();
        for (int i = 0; i < 3; ++i) {
            Global::HandleQelLine(QStringLiteral("ERROR: %1 BAD").arg(i));
            Global::FlushLog();
        }
        QCOMPARE(fx->prompt->messages(), QStringList{message});
        QVERIFY(!Global::LogFileOpen);
        QCOMPARE(PanelText(3), QStringLiteral("No Log File"));
        MDIMain& frame = Registry::get<MDIMain>();
        QVERIFY(frame.mnuOpenLogFile->isEnabled());
        QVERIFY(!frame.mnuCloseLogFile->isEnabled());
        const QString good = fx->dir() + QStringLiteral("/good.log");
        fx->prompt->fileAnswers.enqueue(good);
        Global::OpenLogFile(); // the program goes on: the next log works
        Global::HandleQelLine(QStringLiteral("ERROR: 4 BAD"));
        QCOMPARE(QString(FileContents(good)), QStringLiteral("ERROR: 4 BAD\r\n"));
    }
};

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
