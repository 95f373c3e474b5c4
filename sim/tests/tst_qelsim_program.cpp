// The qelsim program itself: its options, its messages, its start and its
// stop on signals.

#include "qelsim/options.h"
#include "simclient.h"

#include <QProcess>
#include <QTcpServer>
#include <QtTest>
#include <csignal>

using namespace qelsim;

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run runSim(const QStringList& arguments) {
    QProcess p;
    p.start(QStringLiteral(QELSIM_BINARY), arguments);
    Run r;
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

} // namespace

class TestProgram : public QObject {
    Q_OBJECT
private slots:
    void optionsReachTheSettings();
    void badOptionsGiveAClearMessageAndFail_data();
    void badOptionsGiveAClearMessageAndFail();
    void helpDocumentsEveryOption();
    void portThatCannotBeBoundIsReported();
    void startsListeningAndStopsCleanlyOnSignals_data();
    void startsListeningAndStopsCleanlyOnSignals();
};

void TestProgram::optionsReachTheSettings() {
    SimOptions o;
    QString text;
    const QStringList arguments =
        QStringLiteral(
            "qelsim --port 2323 --bind 127.0.0.1 --model qm1600pc --seed 99 "
            "--record in.txt --record-output out.txt --record-frames f.csv --reboot-seconds 1.5 "
            "--calibrate-ms 40 --max-rate --silent-after 3 --close-after-frames 7 "
            "--split-lines fixed:9 --split-delay-ms 4 --slow-ms 250 --refuse-next")
            .split(QLatin1Char(' '));
    QCOMPARE(parseOptions(arguments, &o, &text), ParseResult::Run);
    QCOMPARE(o.port, quint16(2323));
    QCOMPARE(o.bind, QHostAddress(QHostAddress::LocalHost));
    QCOMPARE(o.model.code, QStringLiteral("QM1600PC"));
    QVERIFY(o.model.moduleStyle && o.model.perChannelRanges);
    QCOMPARE(o.recordFile + o.recordOutputFile + o.recordFramesFile,
             QStringLiteral("in.txtout.txtf.csv"));
    QVERIFY(o.seed == 99 && o.rebootMs == 1500 && o.calibrateMs == 40 && o.maxRate);
    QVERIFY(o.silentAfter == 3 && o.closeAfterFrames == 7 && o.slowMs == 250 && o.refuseNext == 1);
    QVERIFY(o.split == SplitMode::Fixed && o.splitBytes == 9 && o.splitDelayMs == 4);

    SimOptions d;
    QCOMPARE(parseOptions({"qelsim"}, &d, &text), ParseResult::Run);
    QCOMPARE(d.bind, QHostAddress(QHostAddress::AnyIPv4));
    QCOMPARE(d.model.code, QStringLiteral("Q1600"));
    QVERIFY(d.port == 23 && d.silentAfter == -1 && d.split == SplitMode::None);
}

void TestProgram::badOptionsGiveAClearMessageAndFail_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("port") << QStringList{"--port", "abc"}
                          << "--port needs a whole number from 0 to 65535, not 'abc'.";
    QTest::newRow("model") << QStringList{"--model", "Q9"}
                           << "--model must be one of Q1600, QM1600, Q1600PC, QM1600PC, not 'Q9'.";
    QTest::newRow("bind") << QStringList{"--bind", "nowhere"} << "--bind needs an IP address";
    QTest::newRow("split") << QStringList{"--split-lines", "fixed:0"}
                           << "--split-lines must be fixed:N (N from 1), random or crlf";
    QTest::newRow("reboot") << QStringList{"--reboot-seconds", "-2"}
                            << "--reboot-seconds needs a number of seconds from 0 to 3600";
    QTest::newRow("seed") << QStringList{"--seed", "x"} << "--seed needs a whole number";
    QTest::newRow("unknown") << QStringList{"--colour"} << "Unknown option 'colour'.";
    QTest::newRow("missing value") << QStringList{"--port"} << "Missing value after '--port'.";
    QTest::newRow("stray") << QStringList{"2323"} << "Unexpected argument '2323'.";
}

void TestProgram::badOptionsGiveAClearMessageAndFail() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const Run r = runSim(arguments);
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.startsWith(QStringLiteral("qelsim: ") + message), qPrintable(r.err));
    QVERIFY(r.err.contains(QLatin1String("Try 'qelsim --help'.")));
    QCOMPARE(r.out, QString());
}

void TestProgram::helpDocumentsEveryOption() {
    const Run r = runSim({QStringLiteral("--help")});
    QCOMPARE(r.exitCode, 0);
    for (const char* option :
         {"--port", "--bind", "--model", "--seed", "--record ", "--record-output",
          "--record-frames", "--reboot-seconds", "--calibrate-ms", "--max-rate", "--silent-after",
          "--close-after-frames", "--split-lines", "--split-delay-ms", "--slow-ms", "--refuse-next",
          "--version", "--help"})
        QVERIFY2(r.out.contains(QLatin1String(option)), option);
    QVERIFY(r.out.contains(QLatin1String("QM1600PC")));
}

void TestProgram::portThatCannotBeBoundIsReported() {
    QTcpServer taken;
    QVERIFY(taken.listen(QHostAddress::LocalHost, 0));
    const QString port = QString::number(taken.serverPort());
    const Run r = runSim({"--bind", "127.0.0.1", "--port", port});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.startsWith(QStringLiteral("qelsim: cannot listen on 127.0.0.1 port ") + port),
             qPrintable(r.err));
    QCOMPARE(r.out, QString());
}

void TestProgram::startsListeningAndStopsCleanlyOnSignals_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGTERM") << int(SIGTERM);
}

void TestProgram::startsListeningAndStopsCleanlyOnSignals() {
    QFETCH(int, signal);
    QProcess p;
    p.start(QStringLiteral(QELSIM_BINARY),
            {"--bind", "127.0.0.1", "--port", "0", "--model", "QM1600", "--seed", "5"});
    QVERIFY(p.waitForStarted());
    QVERIFY(p.waitForReadyRead(10000));
    const QString line = QString::fromLocal8Bit(p.readLine()).trimmed();
    const QRegularExpression started(
        QStringLiteral("^qelsim: QM1600 unit listening on 127.0.0.1 port (\\d+) \\(seed 5\\)$"));
    const QRegularExpressionMatch m = started.match(line);
    QVERIFY2(m.hasMatch(), qPrintable(line));

    SimClient client;
    QVERIFY(client.connectTo(quint16(m.captured(1).toUInt())));
    QCOMPARE(client.ask(QStringLiteral("STATUS"), QStringLiteral("Status->")),
             QStringList({"Status->READY"}));
    client.command(QStringLiteral("SCAN"));
    QVERIFY(client.waitForLine([](const QString& l) { return l.startsWith("FRAME"); }));

    ::kill(pid_t(p.processId()), signal);
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    QVERIFY(p.readAllStandardError().contains("qelsim: stopped"));
    QVERIFY(client.waitForClosed());
}

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_qelsim_program.moc"
