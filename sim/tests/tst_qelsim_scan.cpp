// Scans: frame count, numbering, pace, values and the binary output.

#include "qelsim/frames.h"
#include "qelsim/signal.h"
#include "qelsim/simulator.h"
#include "simclient.h"

#include <QUdpSocket>
#include <QtEndian>
#include <QtTest>
#include <cstring>

using namespace qelsim;

namespace {

SimOptions localOptions() {
    SimOptions o;
    o.port = 0;
    o.bind = QHostAddress(QHostAddress::LocalHost);
    return o;
}

// A simulator on a hand-driven clock, with a connected client.
struct Bench {
    explicit Bench(const SimOptions& options = localOptions()) : sim(options) {
        sim.setClock([this] { return clockNs; });
        QString error;
        started = sim.start(&error) && client.connectTo(sim.port());
    }
    // Moves the clock and lets the simulator send what is due.
    void at(qint64 ns) {
        clockNs = ns;
        sim.runScan();
    }
    Simulator sim;
    SimClient client;
    qint64 clockNs = 0;
    bool started = false;
};

// The frames in the client's lines: frame number -> its 16 channel lines.
struct Frames {
    QList<qint64> numbers;
    QList<QStringList> channels;
    QStringList other;
};

Frames framesIn(const QStringList& lines) {
    Frames f;
    for (const QString& line : lines) {
        const QStringList t = line.split(QLatin1Char(' '));
        if (t.value(0) == QLatin1String("FRAME")) {
            f.numbers << t.value(2).toLongLong();
            f.channels << QStringList();
        } else if (!f.channels.isEmpty() && f.channels.last().size() < 16 &&
                   t.value(0) == QString::number(f.channels.last().size())) {
            f.channels.last() << line;
        } else {
            f.other << line;
        }
    }
    return f;
}

bool isStatus(const QString& line) {
    return line.startsWith(QLatin1String("STATUS: "));
}

} // namespace

class TestScan : public QObject {
    Q_OBJECT
private slots:
    void frameIntervalComesFromAverageAndPeriod();
    void framesBecomeDueOneIntervalApart();
    void scanSendsNumberedFramesAtTheSettingsPace_data();
    void scanSendsNumberedFramesAtTheSettingsPace();
    void scanWithoutFrameCountRunsUntilStop();
    void queuedOutputWaitsForTheEndOfTheScan();
    void engineeringUnitsApplyZeroRangeAndFactor();
    void rawModeSendsWholeCounts();
    void sameSeedSendsTheSameValues();
    void binaryFramesGoToTheHostNamedByHost();
    void connectionClosesAfterTheGivenNumberOfFrames();
    void fullSpeedScanKeepsItsOutputBoundedAndInOrder();
};

void TestScan::frameIntervalComesFromAverageAndPeriod() {
    Model model;
    UnitState state(model, 1);
    QCOMPARE(scanSetup(state, 1).frameNs, qint64(64000000)); // 500 us x 8 x 16
    QVERIFY(state.set(QStringLiteral("PERIOD"), {QStringLiteral("100")}).isEmpty());
    QVERIFY(state.set(QStringLiteral("AVG"), {QStringLiteral("1")}).isEmpty());
    QCOMPARE(scanSetup(state, 1).frameNs, qint64(1600000));
    QCOMPARE(scanSetup(state, 1).framesPerScan, qint64(100));
}

void TestScan::framesBecomeDueOneIntervalApart() {
    for (const qint64 interval : {qint64(1600000), qint64(64000000), qint64(1024000000)}) {
        ScanSetup s;
        s.frameNs = interval;
        s.framesPerScan = 0;
        QCOMPARE(framesDue(s, 0), qint64(1));
        QCOMPARE(framesDue(s, interval - 1), qint64(1));
        QCOMPARE(framesDue(s, interval), qint64(2));
        QCOMPARE(framesDue(s, 10 * interval + interval / 2), qint64(11));
        s.framesPerScan = 5;
        QCOMPARE(framesDue(s, 10 * interval), qint64(5));
    }
}

void TestScan::scanSendsNumberedFramesAtTheSettingsPace_data() {
    QTest::addColumn<int>("period");
    QTest::addColumn<int>("average");
    QTest::newRow("15.6 Hz") << 500 << 8;
    QTest::newRow("625 Hz") << 100 << 1;
    QTest::newRow("2 Hz") << 2000 << 16;
}

void TestScan::scanSendsNumberedFramesAtTheSettingsPace() {
    QFETCH(int, period);
    QFETCH(int, average);
    const qint64 interval = qint64(period) * average * 16 * 1000;
    Bench b;
    QVERIFY(b.started);
    SimClient& c = b.client;
    QCOMPARE(c.exchange(QStringLiteral("SET PERIOD %1").arg(period)), QStringList());
    QCOMPARE(c.exchange(QStringLiteral("SET AVG %1").arg(average)), QStringList());
    QCOMPARE(c.exchange(QStringLiteral("SET FPS 6")), QStringList());

    b.clockNs = 0;
    c.clear();
    c.command(QStringLiteral("SCAN"));
    QTRY_COMPARE(b.sim.framesSent(), qint64(1)); // frame 0 at once
    b.at(interval - 1);
    QCOMPARE(b.sim.framesSent(), qint64(1));
    b.at(2 * interval + interval / 2);
    QCOMPARE(b.sim.framesSent(), qint64(3));
    c.command(QStringLiteral("STATUS"));
    QVERIFY(c.waitForLine(isStatus));
    Frames f = framesIn(c.lines());
    QCOMPARE(f.numbers, QList<qint64>({0, 1, 2}));
    QCOMPARE(f.other, QStringList({"STATUS: SCANNING"}));

    c.clear();
    b.at(100 * interval);
    QCOMPARE(b.sim.framesSent(), qint64(6));
    QVERIFY(!b.sim.isScanning());
    c.command(QStringLiteral("STATUS"));
    QVERIFY(c.waitForLine(isStatus));
    f = framesIn(c.lines());
    QCOMPARE(f.numbers, QList<qint64>({3, 4, 5}));
    for (const QStringList& channels : f.channels)
        QCOMPARE(channels.size(), 16);
    QCOMPARE(f.other, QStringList({"STATUS: READY"}));
}

void TestScan::scanWithoutFrameCountRunsUntilStop() {
    Bench b;
    QVERIFY(b.started);
    SimClient& c = b.client;
    QCOMPARE(c.exchange(QStringLiteral("SET FPS 0")), QStringList());
    c.clear();
    c.command(QStringLiteral("SCAN"));
    QTRY_COMPARE(b.sim.framesSent(), qint64(1));
    b.at(49 * 64000000LL);
    c.command(QStringLiteral("STOP"));
    c.command(QStringLiteral("STATUS"));
    QVERIFY(c.waitForLine(isStatus));
    b.at(500 * 64000000LL);
    const Frames f = framesIn(c.lines());
    QCOMPARE(f.numbers.size(), 50);
    for (int i = 0; i < 50; ++i) {
        QCOMPARE(f.numbers[i], qint64(i));
        QCOMPARE(f.channels[i].size(), 16);
    }
    QCOMPARE(f.other, QStringList({"STATUS: READY"}));
    QCOMPARE(b.sim.framesSent(), qint64(50));
}

void TestScan::queuedOutputWaitsForTheEndOfTheScan() {
    Bench b;
    QVERIFY(b.started);
    SimClient& c = b.client;
    QCOMPARE(c.exchange(QStringLiteral("SET QPKTS 1")), QStringList());
    QCOMPARE(c.exchange(QStringLiteral("SET FPS 4")), QStringList());
    c.clear();
    c.command(QStringLiteral("SCAN"));
    QTRY_VERIFY(b.sim.isScanning());
    b.at(2 * 64000000LL);
    QCOMPARE(b.sim.framesSent(), qint64(0));
    c.command(QStringLiteral("STATUS"));
    QVERIFY(c.waitForLine(isStatus));
    QCOMPARE(c.lines(), QStringList({"STATUS: SCANNING"}));
    c.clear();
    b.at(3 * 64000000LL);
    QCOMPARE(b.sim.framesSent(), qint64(4));
    Frames f = framesIn(c.exchange(QStringLiteral("STATUS")));
    QCOMPARE(f.numbers, QList<qint64>({0, 1, 2, 3}));

    // STOP ends the acquisition and lets out what it held.
    QCOMPARE(c.exchange(QStringLiteral("SET FPS 0")), QStringList());
    b.clockNs = 0;
    c.command(QStringLiteral("SCAN"));
    QTRY_VERIFY(b.sim.isScanning());
    b.at(6 * 64000000LL + 1);
    QCOMPARE(b.sim.framesSent(), qint64(0));
    f = framesIn(c.exchange(QStringLiteral("STOP")));
    QCOMPARE(f.numbers, QList<qint64>({0, 1, 2, 3, 4, 5, 6}));
    QCOMPARE(f.other, QStringList());
}

void TestScan::engineeringUnitsApplyZeroRangeAndFactor() {
    SimOptions options = localOptions();
    options.seed = 42;
    options.calibrateMs = 0;
    Bench b(options);
    QVERIFY(b.started);
    SimClient& c = b.client;
    QCOMPARE(c.exchange(QStringLiteral("SET FPS 1")), QStringList());
    QCOMPARE(c.exchange(QStringLiteral("SET PMAXH 30")), QStringList());
    QCOMPARE(c.exchange(QStringLiteral("SET PMINH -30")), QStringList());
    auto firstFrame = [&] {
        b.clockNs = 0;
        const Frames f = framesIn(c.exchange(QStringLiteral("SCAN")));
        return f.channels.value(0);
    };
    const RangePsi low{-15, 15};
    const RangePsi high{-30, 30};

    // psi, 4 decimals, no zero taken yet.
    QStringList lines = firstFrame();
    QCOMPARE(lines.size(), 16);
    for (int ch = 0; ch < 16; ++ch) {
        const RangePsi r = ch < 8 ? low : high;
        const QStringList t = lines[ch].split(QLatin1Char(' '));
        QCOMPARE(t.size(), 3);
        QCOMPARE(t[1], QString::number(pressurePsi(42, 0, ch, r), 'f', 4));
        QCOMPARE(t[2], QString::number(temperatureC(42, 0, ch), 'f', 2));
        QVERIFY(t[1].toDouble() > r.min && t[1].toDouble() < r.max);
    }

    // After a zero calibration the offsets are gone: the values swing
    // around zero, and LIST D shows what was taken away.
    QCOMPARE(c.exchange(QStringLiteral("CALZ")), QStringList());
    QTRY_COMPARE(b.sim.unit().status(), UnitStatus::Ready);
    lines = firstFrame();
    for (int ch = 0; ch < 16; ++ch) {
        const RangePsi r = ch < 8 ? low : high;
        const double expected = pressurePsi(42, 0, ch, r) - offsetPsi(42, ch, r);
        QCOMPARE(lines[ch].section(QLatin1Char(' '), 1, 1), QString::number(expected, 'f', 4));
    }
    const QStringList deltas = c.ask(QStringLiteral("LIST D"), QStringLiteral("SET DELTA15 "));
    QCOMPARE(deltas.value(3), QStringLiteral("SET DELTA3 ") + numberText(offsetPsi(42, 3, low)));

    // In kPa, with three decimals at a full scale of 103 kPa; zero
    // correction off brings the offset back.
    QCOMPARE(c.exchange(QStringLiteral("SET UNITSCAN KPA")), QStringList());
    QCOMPARE(c.exchange(QStringLiteral("SET ZC 0")), QStringList());
    lines = firstFrame();
    QCOMPARE(lines[2].section(QLatin1Char(' '), 1, 1),
             QString::number(pressurePsi(42, 0, 2, low) * 6.89476, 'f', 3));
    QCOMPARE(lines[12].section(QLatin1Char(' '), 1, 1),
             QString::number(pressurePsi(42, 0, 12, high) * 6.89476, 'f', 3));
}

void TestScan::rawModeSendsWholeCounts() {
    Bench b;
    QVERIFY(b.started);
    SimClient& c = b.client;
    QCOMPARE(c.exchange(QStringLiteral("SET EU 0")), QStringList());
    QCOMPARE(c.exchange(QStringLiteral("SET FPS 1")), QStringList());
    const Frames f = framesIn(c.exchange(QStringLiteral("SCAN")));
    QCOMPARE(f.channels.value(0).size(), 16);
    for (int ch = 0; ch < 16; ++ch) {
        const QStringList t = f.channels[0][ch].split(QLatin1Char(' '));
        QCOMPARE(t[1],
                 QString::number(pressureCounts(pressurePsi(1, 0, ch, {-15, 15}), {-15, 15})));
        QCOMPARE(t[2], QString::number(temperatureCounts(temperatureC(1, 0, ch))));
    }
}

void TestScan::sameSeedSendsTheSameValues() {
    auto firstFrames = [](quint64 seed) {
        SimOptions options = localOptions();
        options.seed = seed;
        options.maxRate = true;
        Bench b(options);
        b.client.exchange(QStringLiteral("SET FPS 3"));
        return b.client.exchange(QStringLiteral("SCAN"));
    };
    const QStringList a = firstFrames(7);
    QCOMPARE(framesIn(a).numbers, QList<qint64>({0, 1, 2}));
    QCOMPARE(firstFrames(7), a);
    QVERIFY(firstFrames(8) != a);
}

void TestScan::binaryFramesGoToTheHostNamedByHost() {
    Bench b;
    QVERIFY(b.started);
    SimClient& c = b.client;
    QUdpSocket receiver;
    QVERIFY(receiver.bind(QHostAddress::LocalHost, 0));
    QList<QByteArray> datagrams;
    connect(&receiver, &QUdpSocket::readyRead, &receiver, [&] {
        while (receiver.hasPendingDatagrams()) {
            QByteArray d(int(receiver.pendingDatagramSize()), '\0');
            receiver.readDatagram(d.data(), d.size());
            datagrams << d;
        }
    });
    QCOMPARE(c.exchange(QStringLiteral("SET HOST 127.0.0.1 %1 U").arg(receiver.localPort())),
             QStringList());
    QCOMPARE(c.exchange(QStringLiteral("SET BIN 1")), QStringList());
    QCOMPARE(c.exchange(QStringLiteral("SET FPS 5")), QStringList());
    c.command(QStringLiteral("SCAN"));
    QTRY_VERIFY(b.sim.isScanning());
    b.at(10 * 64000000LL);
    QTRY_COMPARE(datagrams.size(), 5);
    // Nothing of the scan on the connection.
    QCOMPARE(c.exchange(QStringLiteral("STATUS")), QStringList());

    const ScanSetup setup = b.sim.scanSetupInUse();
    for (int f = 0; f < 5; ++f) {
        const QByteArray& d = datagrams[f];
        QCOMPARE(d.size(), 152);
        const uchar* p = reinterpret_cast<const uchar*>(d.constData());
        QCOMPARE(d.left(4), QByteArray("QELF"));
        QCOMPARE(qFromBigEndian<quint16>(p + 4), quint16(1));
        QCOMPARE(qFromBigEndian<quint16>(p + 6), quint16(16));
        QCOMPARE(qFromBigEndian<quint32>(p + 8), quint32(f));
        QCOMPARE(qFromBigEndian<quint32>(p + 12), quint32(3)); // EU and zero correction
        QCOMPARE(qFromBigEndian<quint64>(p + 16), quint64(f) * 64000);
        for (int ch = 0; ch < 16; ++ch) {
            float pressure, temperature;
            const quint32 pb = qFromBigEndian<quint32>(p + 24 + 4 * ch);
            const quint32 tb = qFromBigEndian<quint32>(p + 88 + 4 * ch);
            std::memcpy(&pressure, &pb, 4);
            std::memcpy(&temperature, &tb, 4);
            // The same values a text frame carries.
            QCOMPARE(pressure, float(roundTo(pressurePsi(1, f, ch, {-15, 15}), 4)));
            QCOMPARE(temperature, float(roundTo(temperatureC(1, f, ch), 2)));
            QCOMPARE(pressure, float(sample(setup, f, ch).pressure));
        }
    }
    // Host off again: text frames on the connection.
    QCOMPARE(c.exchange(QStringLiteral("SET HOST 0 0 T")), QStringList());
    QCOMPARE(c.exchange(QStringLiteral("SET FPS 1")), QStringList());
    b.clockNs = 0;
    QCOMPARE(framesIn(c.exchange(QStringLiteral("SCAN"))).numbers, QList<qint64>({0}));
    QCOMPARE(datagrams.size(), 5);
}

void TestScan::connectionClosesAfterTheGivenNumberOfFrames() {
    SimOptions options = localOptions();
    options.closeAfterFrames = 3;
    Bench b(options);
    QVERIFY(b.started);
    SimClient& c = b.client;
    QCOMPARE(c.exchange(QStringLiteral("SET FPS 0")), QStringList());
    c.command(QStringLiteral("SCAN"));
    QTRY_VERIFY(b.sim.isScanning());
    b.at(100 * 64000000LL);
    QVERIFY(c.waitForClosed());
    const Frames f = framesIn(c.lines());
    QCOMPARE(f.numbers, QList<qint64>({0, 1, 2}));
    QCOMPARE(f.channels.last().size(), 16);
    QVERIFY(!b.sim.isScanning());
}

void TestScan::fullSpeedScanKeepsItsOutputBoundedAndInOrder() {
    SimOptions options = localOptions();
    options.maxRate = true;
    Simulator sim(options);
    QString error;
    QVERIFY(sim.start(&error));
    // A client that stops reading: what the simulator holds for it must
    // stay bounded while the scan goes on.
    QTcpSocket slow;
    slow.setReadBufferSize(4096);
    slow.connectToHost(QHostAddress::LocalHost, sim.port());
    QVERIFY(slow.waitForConnected(5000));
    slow.write("SET FPS 0\rSCAN\r");
    QTRY_VERIFY_WITH_TIMEOUT(sim.isWaitingForDrain(), 20000);
    QVERIFY(sim.pendingOutput() <= Simulator::kHighWater + 64 * 1024);

    // Reading again lets the scan go on; every frame arrives whole and in
    // order.
    QByteArray data;
    slow.setReadBufferSize(0);
    connect(&slow, &QTcpSocket::readyRead, &slow, [&] { data += slow.readAll(); });
    data += slow.readAll();
    const qint64 before = sim.framesSent();
    QTRY_VERIFY_WITH_TIMEOUT(sim.framesSent() > before + 1000, 20000);
    slow.write("STOP\rSTATUS\r");
    QTRY_VERIFY_WITH_TIMEOUT(data.endsWith("STATUS: READY\r\n"), 20000);
    const QStringList lines = QString::fromLatin1(data).split(QStringLiteral("\r\n"));
    const Frames f = framesIn(lines.mid(0, lines.size() - 1));
    QCOMPARE(f.numbers.size(), int(sim.framesSent()));
    for (int i = 0; i < f.numbers.size(); ++i) {
        QCOMPARE(f.numbers[i], qint64(i));
        QCOMPARE(f.channels[i].size(), 16);
    }
    QCOMPARE(f.other, QStringList({"STATUS: READY"}));
}

QTEST_GUILESS_MAIN(TestScan)
#include "tst_qelsim_scan.moc"
