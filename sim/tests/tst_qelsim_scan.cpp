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

constexpr qint64 kDefaultFrameNs = 64000000; // 500 us x 8 x 16

// A simulator on a hand-driven clock, with a connected client.
struct Bench : SimBench {
    explicit Bench(const SimOptions& options = localOptions()) : SimBench(options, true) {}
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

// Frames numbered first, first + 1, ..., each with 16 channel lines.
bool wholeFrames(const Frames& f, qint64 first, int count) {
    if (f.numbers.size() != count)
        return false;
    for (int i = 0; i < count; ++i)
        if (f.numbers[i] != first + i || f.channels[i].size() != 16)
            return false;
    return true;
}

Frames statusAfter(SimClient& c) {
    c.command(QStringLiteral("STATUS"));
    c.waitForLine([](const QString& l) { return l.startsWith(QLatin1String("STATUS: ")); });
    return framesIn(c.lines());
}

} // namespace

class TestScan : public QObject {
    Q_OBJECT
private slots:
    void scanSendsNumberedFramesAtTheSettingsPace_data();
    void scanSendsNumberedFramesAtTheSettingsPace();
    void scanWithoutFrameCountRunsUntilStop();
    void queuedOutputWaitsForTheEndOfTheScan();
    void valuesFollowUnitsZeroAndSeed();
    void binaryFramesGoToTheHostNamedByHost();
    void connectionClosesAfterTheGivenNumberOfFrames();
    void fullSpeedScanKeepsItsOutputBoundedAndInOrder();
};

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
    QVERIFY(b.quiet({QStringLiteral("SET PERIOD %1").arg(period),
                     QStringLiteral("SET AVG %1").arg(average), QStringLiteral("SET FPS 6")}));
    b.client.clear();
    b.client.command(QStringLiteral("SCAN"));
    QTRY_COMPARE(b.sim.framesSent(), qint64(1)); // frame 0 at once
    b.at(interval - 1);
    QCOMPARE(b.sim.framesSent(), qint64(1));
    b.at(2 * interval + interval / 2);
    QCOMPARE(b.sim.framesSent(), qint64(3));
    Frames f = statusAfter(b.client);
    QVERIFY(wholeFrames(f, 0, 3));
    QCOMPARE(f.other, QStringList({"STATUS: SCANNING"}));

    b.client.clear();
    b.at(100 * interval);
    QCOMPARE(b.sim.framesSent(), qint64(6));
    QVERIFY(!b.sim.isScanning());
    f = statusAfter(b.client);
    QVERIFY(wholeFrames(f, 3, 3));
    QCOMPARE(f.other, QStringList({"STATUS: READY"}));
}

void TestScan::scanWithoutFrameCountRunsUntilStop() {
    Bench b;
    QVERIFY(b.started);
    QVERIFY(b.quiet({QStringLiteral("SET FPS 0")}));
    b.client.clear();
    b.client.command(QStringLiteral("SCAN"));
    QTRY_COMPARE(b.sim.framesSent(), qint64(1));
    b.at(49 * kDefaultFrameNs);
    b.client.command(QStringLiteral("STOP"));
    const Frames f = statusAfter(b.client);
    b.at(500 * kDefaultFrameNs);
    QVERIFY(wholeFrames(f, 0, 50));
    QCOMPARE(f.other, QStringList({"STATUS: READY"}));
    QCOMPARE(b.sim.framesSent(), qint64(50));
}

void TestScan::queuedOutputWaitsForTheEndOfTheScan() {
    Bench b;
    QVERIFY(b.started);
    SimClient& c = b.client;
    QVERIFY(b.quiet({QStringLiteral("SET QPKTS 1"), QStringLiteral("SET FPS 4")}));
    c.clear();
    c.command(QStringLiteral("SCAN"));
    QTRY_VERIFY(b.sim.isScanning());
    b.at(2 * kDefaultFrameNs);
    QCOMPARE(b.sim.framesSent(), qint64(0));
    QCOMPARE(statusAfter(c).other, QStringList({"STATUS: SCANNING"}));
    c.clear();
    b.at(3 * kDefaultFrameNs);
    QVERIFY(wholeFrames(framesIn(c.exchange(QStringLiteral("STATUS"))), 0, 4));
}

void TestScan::valuesFollowUnitsZeroAndSeed() {
    SimOptions options = localOptions();
    options.seed = 42;
    options.calibrateMs = 0;
    Bench b(options);
    QVERIFY(b.started);
    SimClient& c = b.client;
    QVERIFY(b.quiet({QStringLiteral("SET FPS 1"), QStringLiteral("SET PMAXH 30"),
                     QStringLiteral("SET PMINH -30")}));
    auto firstFrame = [&] {
        b.clockNs = 0;
        return framesIn(c.exchange(QStringLiteral("SCAN"))).channels.value(0);
    };
    auto range = [](int ch) { return ch < 8 ? RangePsi{-15, 15} : RangePsi{-30, 30}; };

    // psi with 4 decimals before a zero is taken; then without the offsets.
    QStringList lines = firstFrame();
    QCOMPARE(lines.size(), 16);
    for (int ch = 0; ch < 16; ++ch) {
        const QStringList t = lines[ch].split(QLatin1Char(' '));
        QCOMPARE(t.size(), 3);
        QCOMPARE(t[1], QString::number(pressurePsi(42, 0, ch, range(ch)), 'f', 4));
        QCOMPARE(t[2], QString::number(temperatureC(42, 0, ch), 'f', 2));
    }
    QVERIFY(b.quiet({QStringLiteral("CALZ")}));
    QTRY_COMPARE(b.sim.unit().status(), UnitStatus::Ready);
    lines = firstFrame();
    for (int ch = 0; ch < 16; ++ch) {
        const double zeroed = pressurePsi(42, 0, ch, range(ch)) - offsetPsi(42, ch, range(ch));
        QCOMPARE(lines[ch].section(QLatin1Char(' '), 1, 1), QString::number(zeroed, 'f', 4));
    }

    // kPa with three decimals; zero correction off brings the offset back.
    QVERIFY(b.quiet({QStringLiteral("SET UNITSCAN KPA"), QStringLiteral("SET ZC 0")}));
    lines = firstFrame();
    for (const int ch : {2, 12})
        QCOMPARE(lines[ch].section(QLatin1Char(' '), 1, 1),
                 QString::number(pressurePsi(42, 0, ch, range(ch)) * 6.89476, 'f', 3));

    // Raw mode: whole counts.
    QVERIFY(b.quiet({QStringLiteral("SET EU 0"), QStringLiteral("SET UNITSCAN PSI")}));
    lines = firstFrame();
    for (int ch = 0; ch < 16; ++ch) {
        const QStringList t = lines[ch].split(QLatin1Char(' '));
        QCOMPARE(t[1],
                 QString::number(pressureCounts(pressurePsi(42, 0, ch, range(ch)), range(ch))));
        QCOMPARE(t[2], QString::number(temperatureCounts(temperatureC(42, 0, ch))));
    }

    // The same seed sends the same values, another seed others.
    auto firstFrames = [](quint64 seed) {
        SimOptions o = localOptions();
        o.seed = seed;
        o.maxRate = true;
        Bench s(o);
        s.client.exchange(QStringLiteral("SET FPS 3"));
        return s.client.exchange(QStringLiteral("SCAN"));
    };
    const QStringList a = firstFrames(7);
    QVERIFY(wholeFrames(framesIn(a), 0, 3));
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
    QVERIFY(b.quiet({QStringLiteral("SET HOST 127.0.0.1 %1 U").arg(receiver.localPort()),
                     QStringLiteral("SET BIN 1"), QStringLiteral("SET FPS 5")}));
    c.command(QStringLiteral("SCAN"));
    QTRY_VERIFY(b.sim.isScanning());
    b.at(10 * kDefaultFrameNs);
    QTRY_COMPARE(datagrams.size(), 5);
    QCOMPARE(c.exchange(QStringLiteral("STATUS")), QStringList()); // nothing on TCP

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
        }
    }
}

void TestScan::connectionClosesAfterTheGivenNumberOfFrames() {
    SimOptions options = localOptions();
    options.closeAfterFrames = 3;
    Bench b(options);
    QVERIFY(b.started);
    QVERIFY(b.quiet({QStringLiteral("SET FPS 0")}));
    b.client.command(QStringLiteral("SCAN"));
    QTRY_VERIFY(b.sim.isScanning());
    b.at(100 * kDefaultFrameNs);
    QVERIFY(b.client.waitForClosed());
    QVERIFY(wholeFrames(framesIn(b.client.lines()), 0, 3));
    QVERIFY(!b.sim.isScanning());
}

void TestScan::fullSpeedScanKeepsItsOutputBoundedAndInOrder() {
    SimOptions options = localOptions();
    options.maxRate = true;
    Simulator sim(options);
    QString error;
    QVERIFY(sim.start(&error));
    // A client that stops reading: what the simulator holds stays bounded.
    QTcpSocket slow;
    slow.setReadBufferSize(4096);
    slow.connectToHost(QHostAddress::LocalHost, sim.port());
    QVERIFY(slow.waitForConnected(5000));
    slow.write("SET FPS 0\rSCAN\r");
    QTRY_VERIFY_WITH_TIMEOUT(sim.isWaitingForDrain(), 20000);
    QVERIFY(sim.pendingOutput() <= Simulator::kHighWater + 64 * 1024);

    // Reading again lets the scan go on; every frame arrives whole, in order.
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
    QVERIFY(wholeFrames(f, 0, int(sim.framesSent())));
    QCOMPARE(f.other, QStringList({"STATUS: READY"}));
}

QTEST_GUILESS_MAIN(TestScan)
#include "tst_qelsim_scan.moc"
