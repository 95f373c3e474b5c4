// The capture program run as the operator's program runs it, against the
// simulated unit: what it writes, what it leaves the unit with, and how it
// ends when it cannot start.

#include "qelsim/simulator.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

namespace {

struct Run {
    int code = -1;
    QString out;
    QString err;
};

// Runs the capture program; the event loop keeps an in-process unit going.
Run runCapture(const QStringList& arguments) {
    QProcess p;
    QSignalSpy finished(&p, &QProcess::finished);
    p.start(QStringLiteral(ZOMRA_BINARY), arguments);
    Run r;
    if (!finished.wait(60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

QString writeConfig(const QTemporaryDir& dir, const QString& address, int frames) {
    const QString path = dir.filePath(QStringLiteral("Zomra.cfg"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(QStringLiteral("SET IPADDR %1\r\nSET FPS %2\r\nSET BFILENAME %3\r\n")
                       .arg(address)
                       .arg(frames)
                       .arg(dir.filePath(QStringLiteral("run.csv")))
                       .toLatin1());
    return path;
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestRun : public QObject {
    Q_OBJECT
private slots:
    void everyFrameSentIsWrittenAndTheUnitIsPutBack() {
        QTemporaryDir dir;
        qelsim::SimOptions options;
        options.port = 0;
        options.bind = QHostAddress(QHostAddress::LocalHost);
        options.recordFramesFile = dir.filePath(QStringLiteral("sent.csv"));
        qelsim::Simulator sim(options);
        QString error;
        QVERIFY(sim.start(&error));
        // 96 microseconds a frame: over 10,000 frames a second.
        sim.unit().execute("SET PERIOD 6");
        sim.unit().execute("SET AVG 1");

        const Run r =
            runCapture({QStringLiteral("--config"),
                        writeConfig(dir, QStringLiteral("127.0.0.1:%1").arg(sim.port()), 3000),
                        QStringLiteral("--udp-port"), QStringLiteral("0")});
        QVERIFY2(r.code == 0, qPrintable(r.err + r.out));
        QVERIFY2(r.out.contains(QRegularExpression(QStringLiteral("frames received: +3000\n"))) &&
                     r.out.contains(QRegularExpression(QStringLiteral("frames lost: +0\n"))),
                 qPrintable(r.out));
        const QByteArray sent = contents(options.recordFramesFile);
        QCOMPARE(sent.count('\n'), 3001);
        QCOMPARE(contents(dir.filePath(QStringLiteral("run.csv"))), sent);
        // The data host and binary output it changed are back; the frame count stays.
        const qelsim::UnitState& unit = sim.unit().state();
        QCOMPARE(QStringList({unit.value("HOST"), unit.value("BIN"), unit.value("FPS")}),
                 QStringList({"0 0 T", "0", "3000"}));
    }

    void problemsBeforeTheScanAreReportedAndLeaveNoFile_data() {
        QTest::addColumn<bool>("withConfig");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("no configuration file")
            << false << QStringList() << 2 << "Zomra: cannot read the configuration file";
        QTest::newRow("a port out of range")
            << true << QStringList{"--udp-port", "70000"} << 2
            << "Zomra: --udp-port needs a port from 0 to 65535, not '70000'";
        QTest::newRow("a UDP port in use") << true << QStringList{"--udp-port", "taken"} << 2
                                           << "Zomra: cannot receive frames on UDP port";
        QTest::newRow("no unit at the address") << true << QStringList{"--udp-port", "0"} << 1
                                                << "Zomra: cannot reach the unit at 127.0.0.1:";
    }

    void problemsBeforeTheScanAreReportedAndLeaveNoFile() {
        QFETCH(bool, withConfig);
        QFETCH(QStringList, options);
        QFETCH(int, code);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QTcpServer closed; // a port where nothing listens
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();
        QUdpSocket taken;
        QVERIFY(taken.bind(QHostAddress::AnyIPv4, 0, QUdpSocket::DontShareAddress));
        options.replaceInStrings(QStringLiteral("taken"), QString::number(taken.localPort()));
        const QString config = withConfig
                                   ? writeConfig(dir, QStringLiteral("127.0.0.1:%1").arg(port), 10)
                                   : dir.filePath(QStringLiteral("Zomra.cfg"));
        const Run r = runCapture(QStringList{QStringLiteral("--config"), config} + options);
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.startsWith(message), qPrintable(r.err));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("run.csv"))));
    }
};

QTEST_GUILESS_MAIN(TestRun)
#include "tst_capture_run.moc"
