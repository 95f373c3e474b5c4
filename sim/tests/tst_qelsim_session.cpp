// Save and reboot, the per-channel profile data and points, the fault
// modes and the records, over TCP.

#include "qelsim/simulator.h"
#include "simclient.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace qelsim;

namespace {

using Bench = SimBench;

bool startsWith(const QString& line, const char* prefix) {
    return line.startsWith(QLatin1String(prefix));
}

QStringList readyLines(int n) {
    QStringList lines;
    for (int i = 0; i < n; ++i)
        lines << QStringLiteral("READY");
    return lines;
}

// One channel's profile as a client copies it out: the channel's lines of
// the six per-channel lists, then its master points.
QStringList profileOf(SimClient& c, int channel, int lastPoint) {
    const QString n = QString::number(channel);
    QStringList profile;
    for (const auto& [list, name] : {std::pair{"O", "TEMP "},
                                     {"G", "TEMP "},
                                     {"B", "ABS"},
                                     {"L", "MIN"},
                                     {"H", "MAX"},
                                     {"N", "NEGPTS"}}) {
        const QString prefix = QStringLiteral("SET ") + QLatin1String(name);
        const QStringList lines =
            c.ask(QStringLiteral("LIST ") + QLatin1String(list), prefix + QStringLiteral("15 "));
        profile << lines.filter(
            QRegularExpression(QLatin1Char('^') + prefix + n + QLatin1Char(' ')));
    }
    profile << c.ask(QStringLiteral("LIST M 0 %1 %2").arg(lastPoint).arg(channel),
                     QStringLiteral("READY"))
                   .filter(QRegularExpression(QStringLiteral("^INSERT ")));
    // All three READY lines in, so that none is taken for the next answer.
    c.waitForLine([&](const QString&) { return c.lines().count(QStringLiteral("READY")) == 3; });
    return profile;
}

// The same lines moved to another channel.
QStringList movedTo(const QStringList& profile, int from, int to) {
    QStringList moved;
    for (QString line : profile) {
        if (line.startsWith(QLatin1String("SET TEMP ")) ||
            line.startsWith(QLatin1String("INSERT "))) {
            QStringList t = line.split(QLatin1Char(' '));
            t[2] = QString::number(to);
            line = t.join(QLatin1Char(' '));
        } else {
            line.replace(QRegularExpression(QStringLiteral("^SET ([A-Z]+)%1 ").arg(from)),
                         QStringLiteral("SET \\1%1 ").arg(to));
        }
        moved << line;
    }
    return moved;
}

} // namespace

class TestSession : public QObject {
    Q_OBJECT
private slots:
    void saveKeepsSettingsAcrossARebootAndUnsavedOnesAreLost();
    void connectionTriedAsTheRebootDropsTheClientIsRefused();
    void profileCopiedOutOfOneChannelReadsBackEqualInAnother_data();
    void profileCopiedOutOfOneChannelReadsBackEqualInAnother();
    void pointCommandsEndWithReadyLinesAndFillCompletesThePoints();
    void silentOrSlowUnitAnswersAsTold();
    void splitOutputArrivesInPiecesAndIntact_data();
    void splitOutputArrivesInPiecesAndIntact();
    void refusedConnectionIsClosedBeforeAnyByte();
    void recordsShowEveryCommandAndEveryByteSent();
};

void TestSession::saveKeepsSettingsAcrossARebootAndUnsavedOnesAreLost() {
    SimOptions options = localOptions();
    options.rebootMs = 300;
    Bench b(options);
    QVERIFY(b.started);
    SimClient& c = b.client;
    QVERIFY(b.quiet({"SET PERIOD 800", "SET ABS4 1", "SAVE", "SET AVG 3"}));
    QCOMPARE(c.exchange(QStringLiteral("DELETE 0 69 5")).size(), 3);
    QCOMPARE(c.exchange(QStringLiteral("NONSENSE")).size(), 1);

    QSignalSpy back(&b.sim, &Simulator::listeningAgain);
    c.command(QStringLiteral("reboot"));
    QVERIFY(c.waitForClosed());
    // Down while rebooting: connections are refused.
    QTcpSocket early;
    early.connectToHost(QHostAddress::LocalHost, b.sim.port());
    QVERIFY(!early.waitForConnected(2000));
    QCOMPARE(early.error(), QAbstractSocket::ConnectionRefusedError);

    QVERIFY(back.wait(5000));
    SimClient again;
    QVERIFY(again.connectTo(b.sim.port()));
    const QStringList s = again.ask(QStringLiteral("List S"), QStringLiteral("SET PAGE"));
    QVERIFY(s.contains(QStringLiteral("SET PERIOD 800")));
    QVERIFY(s.contains(QStringLiteral("SET AVG 8")));
    QCOMPARE(again.ask(QStringLiteral("LIST B"), QStringLiteral("SET ABS15")).value(4),
             QStringLiteral("SET ABS4 1"));
    const auto& v = b.sim.unit().saved().channels[5].points[0].values;
    QCOMPARE(again.ask(QStringLiteral("LIST M 0 69 5"), QStringLiteral("INSERT")).value(0),
             QStringLiteral("INSERT 0 5 %1 %2 %3").arg(v[0], v[1], v[2]));
    // The error list does not survive a reboot.
    QCOMPARE(again.exchange(QStringLiteral("ERROR")), QStringList());
}

void TestSession::connectionTriedAsTheRebootDropsTheClientIsRefused() {
    SimOptions options = localOptions();
    options.rebootMs = 300;
    Bench b(options);
    QVERIFY(b.started);
    // A client that tries again the very moment its connection is dropped.
    QAbstractSocket::SocketError tryAgain = QAbstractSocket::UnknownSocketError;
    connect(&b.sim, &Simulator::clientClosed, this, [&] {
        QTcpSocket s;
        s.connectToHost(QHostAddress::LocalHost, b.sim.port());
        s.waitForConnected(2000);
        tryAgain = s.error(); // no error: accepted by a unit going down
    });
    b.client.command(QStringLiteral("reboot"));
    QVERIFY(b.client.waitForClosed());
    QCOMPARE(tryAgain, QAbstractSocket::ConnectionRefusedError);
}

void TestSession::profileCopiedOutOfOneChannelReadsBackEqualInAnother_data() {
    QTest::addColumn<QString>("model");
    QTest::newRow("Q1600") << QStringLiteral("Q1600");
    QTest::newRow("QM1600PC") << QStringLiteral("QM1600PC");
}

void TestSession::profileCopiedOutOfOneChannelReadsBackEqualInAnother() {
    QFETCH(QString, model);
    Bench b(localOptions(model));
    QVERIFY(b.started);
    SimClient& c = b.client;
    const int last = b.sim.unit().model().lastPoint();
    // Channel 2 differs from channel 6 in every kind of line.
    QVERIFY(b.quiet({"SET ABS2 1", "SET MIN2 -3.5", "SET MAX2 7.25", "SET NEGPTS2 12"}));

    const QStringList fromTwo = profileOf(c, 2, last);
    QCOMPARE(fromTwo.size(), 6 + (last / 5 + 2));
    const QStringList expected = movedTo(fromTwo, 2, 6);
    const QStringList sixBefore = profileOf(c, 6, last);
    QCOMPARE(sixBefore.size(), expected.size());
    QVERIFY(sixBefore != expected);
    const QStringList sevenBefore = profileOf(c, 7, last);

    // Load it into channel 6 as an upload does: delete, the lines, fill.
    QCOMPARE(c.ask(QStringLiteral("DELETE 0 %1 6").arg(last), QStringLiteral("READY")).value(0),
             QStringLiteral("DELETED %1 POINTS").arg(last + 1));
    QVERIFY(b.quiet(expected));
    QCOMPARE(c.exchange(QStringLiteral("FILL")).mid(1), readyLines(2));

    QCOMPARE(profileOf(c, 6, last), expected);
    QCOMPARE(profileOf(c, 2, last), fromTwo);
    QCOMPARE(profileOf(c, 7, last), sevenBefore);
    // The filled points agree too.
    const QStringList allTwo = c.exchange(QStringLiteral("LIST A 0 %1 2").arg(last));
    QCOMPARE(allTwo.size(), last + 1 + 3);
    QCOMPARE(c.exchange(QStringLiteral("LIST A 0 %1 6").arg(last)), movedTo(allTwo, 2, 6));
}

void TestSession::pointCommandsEndWithReadyLinesAndFillCompletesThePoints() {
    Bench b(localOptions());
    QVERIFY(b.started);
    SimClient& c = b.client;
    const QStringList masters = c.exchange(QStringLiteral("List M 10 20 3"));
    QCOMPARE(masters.size(), 6);
    QVERIFY(startsWith(masters[0], "INSERT 10 3 ") && startsWith(masters[2], "INSERT 20 3 "));
    QCOMPARE(masters.mid(3), readyLines(3));
    const QStringList all = c.exchange(QStringLiteral("LIST A 10 20 3"));
    QCOMPARE(all.size(), 11 + 3);
    QCOMPARE(all[5], masters[1]);
    // Every channel's masters when no channel is named.
    QCOMPARE(c.exchange(QStringLiteral("LIST M 0 69")).size(), 16 * 15 + 3);

    QCOMPARE(c.exchange(QStringLiteral("DELETE 0 69 3")),
             QStringList({"DELETED 70 POINTS", "READY", "READY"}));
    QCOMPARE(c.exchange(QStringLiteral("LIST A 0 69 3")), readyLines(3));
    QVERIFY(b.quiet({"INSERT 20 3 25 1.5 40000", "insert 40 3 26 3.5 50000"}));
    // FILL completes every channel: 68 points here, 55 in each other one.
    QCOMPARE(c.exchange(QStringLiteral("FILL")),
             QStringList({"FILLED 893 POINTS", "READY", "READY"}));
    QCOMPARE(c.exchange(QStringLiteral("LIST A 5 5 3")).value(0),
             QStringLiteral("INSERT 5 3 25 1.5 40000"));
    QCOMPARE(c.exchange(QStringLiteral("LIST A 30 30 3")).value(0),
             QStringLiteral("INSERT 30 3 25.5 2.5 45000"));
    QCOMPARE(c.exchange(QStringLiteral("LIST M 0 69 3")).size(), 2 + 3);

    for (const char* command :
         {"LIST M 50 5 3", "LIST M 0 70 3", "LIST A 0 69 16", "LIST M", "INSERT 70 3 1 2 3",
          "INSERT 1 3 1 2", "INSERT 1 3 a 2 3", "DELETE 0 69 x", "FILL 3 4"}) {
        const QStringList answer = c.exchange(QLatin1String(command));
        QVERIFY2(answer.size() == 1 && startsWith(answer[0], "ERROR: "), command);
    }

    // Module-style units keep points 0 to 59.
    Bench m(localOptions(QStringLiteral("QM1600")));
    QVERIFY(m.started);
    QCOMPARE(m.client.exchange(QStringLiteral("LIST M 0 69 0")),
             QStringList({"ERROR: LIST M POINTS MUST BE 0 TO 59, FIRST NOT AFTER LAST"}));
    QCOMPARE(m.client.exchange(QStringLiteral("DELETE 0 59 0")),
             QStringList({"DELETED 60 POINTS", "READY", "READY"}));
    QVERIFY(m.quiet({"INSERT 59 0 1 2 3"}));
}

void TestSession::silentOrSlowUnitAnswersAsTold() {
    SimOptions options = localOptions();
    options.silentAfter = 2;
    Bench silent(options);
    QVERIFY(silent.started);
    SimClient& c = silent.client;
    c.sendRaw("SET FPS 0\rList C\rSTATUS\rSTATUS\rSCAN\r");
    QTRY_VERIFY(silent.sim.isScanning());
    QVERIFY(c.waitForLine([](const QString& l) { return startsWith(l, "STATUS"); }));
    QTest::qWait(100);
    QCOMPARE(c.lines().size(), 7); // List C's six lines and one STATUS answer
    QCOMPARE(c.lines().mid(5), QStringList({"SET NEGPTSH 0", "STATUS: READY"}));

    options = localOptions();
    options.slowMs = 150;
    Bench slow(options);
    QVERIFY(slow.started);
    QElapsedTimer timer;
    timer.start();
    slow.client.sendRaw("STATUS\rList C\rSET PERIOD x\r");
    QVERIFY(slow.client.waitForLine([](const QString& l) { return startsWith(l, "ERROR"); }));
    QVERIFY(timer.elapsed() >= 150);
    const QStringList lines = slow.client.lines();
    QCOMPARE(lines.size(), 8);
    QCOMPARE(lines.first(), QStringLiteral("STATUS: READY"));
    QCOMPARE(lines[6], QStringLiteral("SET NEGPTSH 0"));
}

void TestSession::splitOutputArrivesInPiecesAndIntact_data() {
    QTest::addColumn<QString>("mode");
    QTest::newRow("fixed") << QStringLiteral("fixed:7");
    QTest::newRow("random") << QStringLiteral("random");
    QTest::newRow("crlf") << QStringLiteral("crlf");
}

void TestSession::splitOutputArrivesInPiecesAndIntact() {
    QFETCH(QString, mode);
    SimOptions options = localOptions();
    QString error;
    QCOMPARE(parseOptions({QStringLiteral("qelsim"), QStringLiteral("--split-lines"), mode,
                           QStringLiteral("--split-delay-ms"), QStringLiteral("15")},
                          &options, &error),
             ParseResult::Run);
    options.port = 0;
    Bench b(options);
    QVERIFY(b.started);
    SimClient& c = b.client;
    QCOMPARE(c.ask(QStringLiteral("List C"), QStringLiteral("SET NEGPTSH")),
             QStringList({"SET PMAXL 15", "SET PMAXH 15", "SET PMINL -15", "SET PMINH -15",
                          "SET NEGPTSL 0", "SET NEGPTSH 0"}));
    QCOMPARE(c.received(), c.lines().join(QStringLiteral("\r\n")).toLatin1() + "\r\n");
    const QList<QByteArray> reads = c.reads();
    QVERIFY(reads.size() >= 2);
    // Some read ends inside a line (between CR and LF for "crlf").
    const bool crlf = mode == QLatin1String("crlf");
    QVERIFY(std::any_of(reads.begin(), reads.end(), [crlf](const QByteArray& r) {
        return crlf ? r.endsWith('\r') : !r.endsWith("\r\n");
    }));
}

void TestSession::refusedConnectionIsClosedBeforeAnyByte() {
    SimOptions options = localOptions();
    options.refuseNext = 1;
    Simulator sim(options);
    QString error;
    QVERIFY(sim.start(&error));
    SimClient first;
    first.connectTo(sim.port());
    first.command(QStringLiteral("STATUS"));
    QVERIFY(first.waitForClosed());
    QCOMPARE(first.received(), QByteArray());
    SimClient second;
    QVERIFY(second.connectTo(sim.port()));
    QCOMPARE(second.ask(QStringLiteral("STATUS"), QStringLiteral("STATUS")),
             QStringList({"STATUS: READY"}));
}

void TestSession::recordsShowEveryCommandAndEveryByteSent() {
    QTemporaryDir dir;
    SimOptions options = localOptions();
    options.recordFile = dir.filePath(QStringLiteral("commands.txt"));
    options.recordOutputFile = dir.filePath(QStringLiteral("output.txt"));
    Bench b(options);
    QVERIFY(b.started);
    SimClient& c = b.client;
    c.sendRaw("LIST C\r\nSTATUS\r");
    QVERIFY(c.waitForLine([](const QString& l) { return startsWith(l, "STATUS"); }));
    c.sendRaw("\x01<x\r");
    QVERIFY(c.waitForLine([](const QString& l) { return startsWith(l, "ERROR"); }));
    c.sendRaw("PART");
    QTest::qWait(20);
    c.socket.disconnectFromHost();
    QTRY_VERIFY(!b.sim.hasClient());

    QFile output(options.recordOutputFile);
    QVERIFY(output.open(QIODevice::ReadOnly));
    QCOMPARE(output.readAll(), c.received());

    QFile record(options.recordFile);
    QVERIFY(record.open(QIODevice::ReadOnly));
    const QStringList lines =
        QString::fromLatin1(record.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QRegularExpression stamp(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} "));
    QCOMPARE(lines.size(), 6);
    QCOMPARE(lines.filter(stamp).size(), 6);
    QVERIFY(lines[0].mid(24).startsWith(QLatin1String("# connection from 127.0.0.1:")));
    QCOMPARE(QStringList({lines[1].mid(24), lines[2].mid(24), lines[3].mid(24), lines[4].mid(24)}),
             QStringList({"LIST C<CR><LF>", "STATUS<CR>", "<01><3C>x<CR>", "PART"}));
    QVERIFY(lines[5].endsWith(QLatin1String(" closed")));
}

QTEST_GUILESS_MAIN(TestSession)
#include "tst_qelsim_session.moc"
