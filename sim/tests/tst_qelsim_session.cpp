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

SimOptions localOptions(const QString& model = QStringLiteral("Q1600")) {
    SimOptions o;
    o.port = 0;
    o.bind = QHostAddress(QHostAddress::LocalHost);
    modelFromCode(model, &o.model);
    return o;
}

struct Bench {
    explicit Bench(const SimOptions& options) : sim(options) {
        QString error;
        started = sim.start(&error) && client.connectTo(sim.port());
    }
    Simulator sim;
    SimClient client;
    bool started = false;
};

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
    struct Request {
        QString command, prefix, last;
    };
    const QList<Request> requests = {{"LIST O", "SET TEMP " + n + ' ', "SET TEMP 15 "},
                                     {"LIST G", "SET TEMP " + n + ' ', "SET TEMP 15 "},
                                     {"LIST B", "SET ABS" + n + ' ', "SET ABS15 "},
                                     {"LIST L", "SET MIN" + n + ' ', "SET MIN15 "},
                                     {"LIST H", "SET MAX" + n + ' ', "SET MAX15 "},
                                     {"LIST N", "SET NEGPTS" + n + ' ', "SET NEGPTS15 "}};
    QStringList profile;
    for (const Request& r : requests) {
        for (const QString& line : c.ask(r.command, r.last)) {
            if (line.startsWith(r.prefix))
                profile << line;
        }
    }
    const QStringList points = c.ask(QStringLiteral("LIST M 0 %1 %2").arg(lastPoint).arg(channel),
                                     QStringLiteral("READY"));
    for (const QString& line : points) {
        if (line.startsWith(QLatin1String("INSERT ")))
            profile << line;
    }
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
    void profileCopiedOutOfOneChannelReadsBackEqualInAnother_data();
    void profileCopiedOutOfOneChannelReadsBackEqualInAnother();
    void pointCommandsEndWithReadyLinesAndFillCompletesThePoints();
    void pointRangesFollowTheModel();
    void silentUnitAnswersOnlyTheGivenNumberOfCommands();
    void slowUnitAnswersLateButInOrder();
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
    QCOMPARE(c.exchange(QStringLiteral("SET PERIOD 800")), QStringList());
    QCOMPARE(c.exchange(QStringLiteral("SET ABS4 1")), QStringList());
    QCOMPARE(c.exchange(QStringLiteral("SAVE")), QStringList());
    QCOMPARE(c.exchange(QStringLiteral("SET AVG 3")), QStringList());
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
    QCOMPARE(again.ask(QStringLiteral("LIST M 0 69 5"), QStringLiteral("INSERT")).value(0),
             QStringLiteral("INSERT 0 5 ") + b.sim.unit().saved().channels[5].points[0].values[0] +
                 QLatin1Char(' ') + b.sim.unit().saved().channels[5].points[0].values[1] +
                 QLatin1Char(' ') + b.sim.unit().saved().channels[5].points[0].values[2]);
    // The error list does not survive a reboot.
    QCOMPARE(again.exchange(QStringLiteral("ERROR")), QStringList());
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
    for (const char* command : {"SET ABS2 1", "SET MIN2 -3.5", "SET MAX2 7.25", "SET NEGPTS2 12"})
        QCOMPARE(c.exchange(QLatin1String(command)), QStringList());

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
    for (const QString& line : expected)
        QCOMPARE(c.exchange(line), QStringList());
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
    QVERIFY(masters[0].startsWith(QLatin1String("INSERT 10 3 ")));
    QVERIFY(masters[1].startsWith(QLatin1String("INSERT 15 3 ")));
    QVERIFY(masters[2].startsWith(QLatin1String("INSERT 20 3 ")));
    QCOMPARE(masters.mid(3), readyLines(3));
    const QStringList all = c.exchange(QStringLiteral("LIST A 10 20 3"));
    QCOMPARE(all.size(), 11 + 3);
    QCOMPARE(all[0], masters[0]);
    QCOMPARE(all[5], masters[1]);
    QVERIFY(all[2].startsWith(QLatin1String("INSERT 12 3 ")));
    // Every channel's masters when no channel is named.
    QCOMPARE(c.exchange(QStringLiteral("LIST M 0 69")).size(), 16 * 15 + 3);

    QCOMPARE(c.exchange(QStringLiteral("DELETE 0 69 3")),
             QStringList({"DELETED 70 POINTS", "READY", "READY"}));
    QCOMPARE(c.exchange(QStringLiteral("LIST A 0 69 3")), readyLines(3));
    QCOMPARE(c.exchange(QStringLiteral("INSERT 20 3 25 1.5 40000")), QStringList());
    QCOMPARE(c.exchange(QStringLiteral("insert 40 3 26 3.5 50000")), QStringList());
    QCOMPARE(c.exchange(QStringLiteral("LIST A 0 69 3")).size(), 2 + 3); // not filled yet
    // FILL completes every channel: 68 points here, 55 in each other one.
    QCOMPARE(c.exchange(QStringLiteral("FILL")),
             QStringList({"FILLED 893 POINTS", "READY", "READY"}));
    QCOMPARE(c.exchange(QStringLiteral("LIST A 30 30 3")).value(0),
             QStringLiteral("INSERT 30 3 25.5 2.5 45000"));
    QCOMPARE(c.exchange(QStringLiteral("LIST A 5 5 3")).value(0),
             QStringLiteral("INSERT 5 3 25 1.5 40000"));
    QCOMPARE(c.exchange(QStringLiteral("LIST A 69 69 3")).value(0),
             QStringLiteral("INSERT 69 3 26 3.5 50000"));
    QCOMPARE(c.exchange(QStringLiteral("LIST M 0 69 3")).size(), 2 + 3);

    const QStringList bad = {"LIST M 50 5 3",    "LIST M 0 70 3",     "LIST A 0 69 16",
                             "LIST M",           "INSERT 70 3 1 2 3", "INSERT 1 3 1 2",
                             "INSERT 1 3 a 2 3", "DELETE 0 69 x",     "FILL 3 4"};
    for (const QString& command : bad) {
        const QStringList answer = c.exchange(command);
        QCOMPARE(answer.size(), 1);
        QVERIFY2(answer[0].startsWith(QLatin1String("ERROR: ")), qPrintable(command));
    }
}

void TestSession::pointRangesFollowTheModel() {
    Bench b(localOptions(QStringLiteral("QM1600")));
    QVERIFY(b.started);
    SimClient& c = b.client;
    QCOMPARE(c.exchange(QStringLiteral("LIST M 0 69 0")),
             QStringList({"ERROR: LIST M POINTS MUST BE 0 TO 59, FIRST NOT AFTER LAST"}));
    QCOMPARE(c.exchange(QStringLiteral("DELETE 0 59 0")),
             QStringList({"DELETED 60 POINTS", "READY", "READY"}));
    QCOMPARE(c.exchange(QStringLiteral("INSERT 60 0 1 2 3")).size(), 1);
    QCOMPARE(c.exchange(QStringLiteral("INSERT 59 0 1 2 3")), QStringList());
}

void TestSession::silentUnitAnswersOnlyTheGivenNumberOfCommands() {
    SimOptions options = localOptions();
    options.silentAfter = 2;
    Bench b(options);
    QVERIFY(b.started);
    SimClient& c = b.client;
    c.sendRaw("SET FPS 0\rList C\rSTATUS\rSTATUS\rSCAN\r");
    QTRY_VERIFY(b.sim.isScanning());
    QVERIFY(c.waitForLine([](const QString& l) { return l.startsWith(QLatin1String("STATUS")); }));
    QTest::qWait(100);
    QStringList expected = c.lines().mid(0, 6);
    QCOMPARE(expected.constLast(), QStringLiteral("SET NEGPTSH 0"));
    QCOMPARE(c.lines(), expected << QStringLiteral("STATUS: READY"));
}

void TestSession::slowUnitAnswersLateButInOrder() {
    SimOptions options = localOptions();
    options.slowMs = 150;
    Bench b(options);
    QVERIFY(b.started);
    SimClient& c = b.client;
    QElapsedTimer timer;
    timer.start();
    c.sendRaw("STATUS\rList C\rSET PERIOD x\r");
    QVERIFY(c.waitForLine([](const QString& l) { return l.startsWith(QLatin1String("ERROR")); }));
    QVERIFY(timer.elapsed() >= 150);
    const QStringList lines = c.lines();
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
    if (mode == QLatin1String("crlf")) {
        // Writes end between CR and LF: some read does too.
        QVERIFY(std::any_of(reads.begin(), reads.end(),
                            [](const QByteArray& r) { return r.endsWith('\r'); }));
    } else {
        QVERIFY(std::any_of(reads.begin(), reads.end(),
                            [](const QByteArray& r) { return !r.endsWith("\r\n"); }));
    }
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
    QVERIFY(c.waitForLine([](const QString& l) { return l.startsWith(QLatin1String("STATUS")); }));
    c.sendRaw("\x01<x\r");
    QVERIFY(c.waitForLine([](const QString& l) { return l.startsWith(QLatin1String("ERROR")); }));
    c.sendRaw("PART");
    QTest::qWait(20);
    c.socket.disconnectFromHost();
    QTRY_VERIFY(!b.sim.hasClient());

    QFile output(options.recordOutputFile);
    QVERIFY(output.open(QIODevice::ReadOnly));
    QCOMPARE(output.readAll(), c.received());

    QFile record(options.recordFile);
    QVERIFY(record.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLatin1(record.readAll()).split(QLatin1Char('\n'));
    const QRegularExpression stamp(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} "));
    QStringList entries;
    for (const QString& line : lines) {
        if (line.isEmpty())
            continue;
        QVERIFY2(stamp.match(line).hasMatch(), qPrintable(line));
        entries << line.mid(24);
    }
    QCOMPARE(entries.size(), 6);
    QVERIFY(entries[0].startsWith(QLatin1String("# connection from 127.0.0.1:")));
    QCOMPARE(entries.mid(1, 4),
             QStringList({"LIST C<CR><LF>", "STATUS<CR>", "<01><3C>x<CR>", "PART"}));
    QVERIFY(entries[5].endsWith(QLatin1String(" closed")));
}

QTEST_GUILESS_MAIN(TestSession)
#include "tst_qelsim_session.moc"
