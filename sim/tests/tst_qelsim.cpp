// The simulated unit over TCP, as a client sees it: its answers to commands,
// the pace and end of scans, and save and reboot. (Its fault modes and its
// stop on a signal are checked with the program: tests/tst_faults.cpp,
// tests/tst_capture.cpp.)

#include "qelsim/options.h"
#include "simclient.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest>

using namespace qelsim;

namespace {

constexpr qint64 FrameNs = 64000000; // 500 us x 8 x 16

// A client's lines in short: "F<n>" for frame n once its 16 channel lines
// have come in order ("F<n>?" until then), other lines as they are.
QString Summary(const QStringList& lines) {
    QStringList s;
    qsizetype frame = -1;
    int channel = 16;
    for (const QString& line : lines) {
        const QStringList t = line.split(QLatin1Char(' '));
        if (t[0] == QLatin1String("FRAME")) {
            frame = s.size();
            s << QStringLiteral("F%1?").arg(t.value(2));
            channel = 0;
        } else if (channel < 16 && t[0] == QString::number(channel)) {
            if (++channel == 16)
                s[frame].chop(1);
        } else {
            s << line;
        }
    }
    return s.join(QLatin1Char(' '));
}

// The lines received until the unit answers a status request, in short.
QString UntilStatus(SimClient& c) {
    c.command(QStringLiteral("STATUS"));
    c.waitForLine(QStringLiteral("STATUS: "));
    return Summary(c.lines());
}

} // namespace

class TestQelsim : public QObject {
    Q_OBJECT
private slots:
    void commandsAreAnswered_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QStringList>("commands"); // the last one's answer is looked at
        QTest::addColumn<QString>("filter");       // only lines matching it, "" all
        QTest::addColumn<QString>("answer");
        const char* rows[][4] = {
            {"", "SCAN\nSTOP", "", "ERROR: UNKNOWN COMMAND SCAN?STOP"}, // only CR ends one
            {"", "CALZ|SCAN", "", "ERROR: BUSY CALIBRATING"},
            // Settings change, in any letter case; bad values change nothing.
            {"", "SET PERIOD 1000|set avg 4|SET PERIOD abc|SET EU 2|LIST S",
             "^SET (PERIOD|AVG|EU) ", "SET PERIOD 1000|SET AVG 4|SET EU 1"},
            // The scan unit sets the factor unless it is user units.
            {"", "SET UNITSCAN kpa|SET CVTUNIT 2|List S", "UNIT",
             "SET UNITSCAN KPA|SET CVTUNIT 6.89476"},
            {"", "SET UNITSCAN USER|SET CVTUNIT 2.5|List S", "UNIT",
             "SET UNITSCAN USER|SET CVTUNIT 2.5"},
            // The error list: listing does not empty it, CLEAR does.
            {"", "BAD1|SET EU 2|ERROR", "",
             "ERROR: UNKNOWN COMMAND BAD1|ERROR: BAD VALUE 2 FOR EU"},
            {"", "BAD1|CLEAR|ERROR", "", ""},
            // FILL completes a channel from its points, each filled point
            // between the two around it.
            {"",
             "DELETE 0 69 3|INSERT 20 3 25 1.5 40000|insert 40 3 26 3.5 50000|FILL|LIST A 0 69 3",
             "^INSERT (5|30) ", "INSERT 5 3 25 1.5 40000|INSERT 30 3 25.5 2.5 45000"},
            // Module-style units keep points 0 to 59.
            {"QM1600", "LIST M 0 69 0", "",
             "ERROR: LIST M POINTS MUST BE 0 TO 59, FIRST NOT AFTER LAST"},
            {"QM1600", "INSERT 59 0 1 2 3", "", ""}};
        for (const auto& [model, commands, filter, answer] : rows)
            QTest::addRow("%s %s", model, commands)
                << model << QString::fromLatin1(commands).split('|') << filter << answer;
        // The error list keeps the newest entries only: BAD0 to BAD4 are gone.
        QStringList bad;
        for (int i = 0; i < Unit::kMaxErrors + 5; ++i)
            bad << QStringLiteral("BAD%1").arg(i);
        QTest::newRow("error list newest") << "" << bad + QStringList{"ERROR"} << "BAD[0-5]$"
                                           << "ERROR: UNKNOWN COMMAND BAD5";
    }
    void commandsAreAnswered() {
        QFETCH(QString, model);
        QFETCH(QStringList, commands);
        QFETCH(QString, filter);
        QFETCH(QString, answer);
        SimBench b(LocalOptions(model.isEmpty() ? QStringLiteral("Q1600") : model));
        QVERIFY(b.started);
        const QString last = commands.takeLast();
        for (const QString& command : commands)
            b.client.exchange(command);
        const QStringList lines = b.client.exchange(last).filter(QRegularExpression(filter));
        QCOMPARE(lines.join('|'), answer);
    }

    void scanSendsNumberedFramesAtTheSettingsPace_data() {
        QTest::addColumn<int>("period");
        QTest::addColumn<int>("average");
        QTest::newRow("15.6 Hz") << 500 << 8;
        QTest::newRow("625 Hz") << 100 << 1;
        QTest::newRow("2 Hz") << 2000 << 16;
    }
    void scanSendsNumberedFramesAtTheSettingsPace() {
        QFETCH(int, period);
        QFETCH(int, average);
        const qint64 interval = qint64(period) * average * 16 * 1000;
        SimBench b(LocalOptions(), true);
        QVERIFY(b.started);
        QVERIFY(b.quiet({QStringLiteral("SET PERIOD %1").arg(period),
                         QStringLiteral("SET AVG %1").arg(average), "SET FPS 6"}));
        b.client.clear();
        b.client.command(QStringLiteral("SCAN"));
        QTRY_COMPARE(b.sim.framesSent(), qint64(1)); // frame 0 at once
        b.at(interval - 1);
        QCOMPARE(b.sim.framesSent(), qint64(1));
        b.at(2 * interval + interval / 2);
        QCOMPARE(b.sim.framesSent(), qint64(3));
        QCOMPARE(UntilStatus(b.client), QStringLiteral("F0 F1 F2 STATUS: SCANNING"));
        b.client.clear();
        b.at(100 * interval);
        QCOMPARE(b.sim.framesSent(), qint64(6));
        QVERIFY(!b.sim.isScanning());
        QCOMPARE(UntilStatus(b.client), QStringLiteral("F3 F4 F5 STATUS: READY"));
    }

    void queuedOutputWaitsForTheEndOfTheScan() {
        SimBench queued(LocalOptions(), true);
        QVERIFY(queued.started && queued.quiet({"SET QPKTS 1", "SET FPS 4"}));
        queued.client.command(QStringLiteral("SCAN"));
        QTRY_VERIFY(queued.sim.isScanning());
        queued.at(2 * FrameNs);
        QCOMPARE(queued.sim.framesSent(), qint64(0));
        QCOMPARE(queued.client.ask("STATUS", "STATUS"), QStringList{"STATUS: SCANNING"});
        queued.at(3 * FrameNs);
        QCOMPARE(Summary(queued.client.exchange(QStringLiteral("STATUS"))),
                 QStringLiteral("F0 F1 F2 F3"));
    }

    // A client that sends its last command and hangs up just before another
    // connects: the command is carried out before the new client is served.
    void lastCommandOfAReplacedClientIsCarriedOut() {
        SimBench b;
        QVERIFY(b.started);
        b.client.command(QStringLiteral("SET HOST 10.0.0.9 7000 U"));
        b.client.socket.disconnectFromHost();
        SimClient next;
        QVERIFY(next.connectTo(b.sim.port()));
        QCOMPARE(next.ask("LIST I", "SET HOST").filter("SET HOST"),
                 QStringList{"SET HOST 10.0.0.9 7000 U"});
    }

    void saveKeepsSettingsAcrossARebootAndUnsavedOnesAreLost() {
        SimOptions options = LocalOptions();
        options.rebootMs = 300;
        SimBench b(options);
        QVERIFY(b.started && b.quiet({"SET PERIOD 800", "SET ABS4 1", "SAVE", "SET AVG 3"}));
        QCOMPARE(b.client.exchange(QStringLiteral("DELETE 0 69 5")).size(), 3);
        // Down while rebooting: a client trying again the very moment its
        // connection is dropped is refused.
        QAbstractSocket::SocketError tryAgain = QAbstractSocket::UnknownSocketError;
        connect(&b.sim, &Simulator::clientClosed, this, [&] {
            QTcpSocket s;
            s.connectToHost(QHostAddress::LocalHost, b.sim.port());
            s.waitForConnected(2000);
            tryAgain = s.error(); // no error: accepted by a unit going down
        });
        QSignalSpy back(&b.sim, &Simulator::listeningAgain);
        b.client.command(QStringLiteral("BAD"));
        b.client.command(QStringLiteral("reboot"));
        QVERIFY(b.client.waitFor(
            [&] { return b.client.socket.state() == QAbstractSocket::UnconnectedState; }));
        QCOMPARE(tryAgain, QAbstractSocket::ConnectionRefusedError);
        QVERIFY(back.wait(5000));
        SimClient again;
        QVERIFY(again.connectTo(b.sim.port()));
        QCOMPARE(again.exchange("List S").filter(QRegularExpression("^SET (PERIOD|AVG) ")),
                 QStringList({"SET PERIOD 800", "SET AVG 8"}));
        QCOMPARE(again.ask("LIST B", "SET ABS15").value(4), QStringLiteral("SET ABS4 1"));
        const auto& v = b.sim.unit().saved().channels[5].points[0].values;
        QCOMPARE(again.ask("LIST M 0 69 5", "INSERT").value(0),
                 QStringLiteral("INSERT 0 5 %1 %2 %3").arg(v[0], v[1], v[2]));
        QCOMPARE(again.exchange(QStringLiteral("ERROR")), QStringList()); // not kept
    }
};

QTEST_GUILESS_MAIN(TestQelsim)
#include "tst_qelsim.moc"
