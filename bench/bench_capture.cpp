// bench_capture: how fast the capture program takes in a high-speed scan.
//
// Starts qelsim as a child process and runs the capture program (Zomra.exe,
// built next to orvik3) against it, the way orvik3 runs it but with a
// configuration file of its own and a free UDP port. First a scan at the
// fastest rate qelsim sends ("--max-rate": frames as fast as it can make
// them), then one at about 10,000 frames a second (AVG 1, PERIOD 6), then
// scans at the rates the unit's settings give (AVG 1 and PERIOD 1, 2, 3,
// ... microseconds: 62,500 frames a second and down) until one loses no
// frame. For each run prints the frames per second the capture received,
// the frames lost, the datagrams the system dropped for a full receive
// buffer, and the capture program's CPU time per frame and CPU share over
// its whole run; at the end the highest rate with no frame lost.
//
// Usage: bench_capture [--frames N]   (default 100000)

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>

namespace {

int fail(const QString& message) {
    std::fprintf(stderr, "bench_capture: %s\n", qPrintable(message));
    return 1;
}

// CPU seconds of the children that have ended so far.
double childCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// A qelsim child process on a free local port.
struct Sim {
    QProcess process;
    quint16 port = 0;

    bool start(const QStringList& extra) {
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QStringLiteral(QELSIM_PATH),
                      QStringList{"--port", "0", "--bind", "127.0.0.1"} + extra);
        if (!process.waitForReadyRead(10000))
            return false;
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("port (\\d+)"))
                .match(QString::fromLatin1(process.readAllStandardOutput()));
        port = quint16(m.captured(1).toUInt());
        return port != 0;
    }
    // Sends settings that answer nothing.
    bool set(const QByteArray& commands) {
        QTcpSocket s;
        s.connectToHost(QStringLiteral("127.0.0.1"), port);
        if (!s.waitForConnected(5000))
            return false;
        s.write(commands);
        s.waitForBytesWritten(5000);
        s.disconnectFromHost();
        return s.state() == QAbstractSocket::UnconnectedState || s.waitForDisconnected(5000);
    }
    ~Sim() {
        process.terminate();
        process.waitForFinished(5000);
    }
};

struct Result {
    bool ok = false;
    qint64 received = 0;
    qint64 lost = -1;
    qint64 dropped = 0;
    double rate = 0;
    double cpu = 0;
    double wall = 0;
};

qint64 field(const QString& out, const char* label) {
    const QRegularExpressionMatch m =
        QRegularExpression(QLatin1String(label) + QStringLiteral(": +(\\d+)")).match(out);
    return m.hasMatch() ? m.captured(1).toLongLong() : -1;
}

Result capture(const QString& dir, quint16 port, qint64 frames) {
    const QString config = dir + QStringLiteral("/Zomra.cfg");
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(QStringLiteral("SET IPADDR 127.0.0.1:%1\r\nSET FPS %2\r\nSET BFILENAME %3\r\n")
                   .arg(port)
                   .arg(frames)
                   .arg(dir + QStringLiteral("/run.csv"))
                   .toLatin1());
    file.close();

    QProcess zomra;
    zomra.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const double cpuBefore = childCpuSeconds();
    QElapsedTimer clock;
    clock.start();
    zomra.start(QStringLiteral(ZOMRA_PATH),
                {"--config", config, "--udp-port", "0", "--timeout-ms", "500"});
    if (!zomra.waitForFinished(600000))
        return {};
    Result r;
    r.wall = double(clock.nsecsElapsed()) / 1e9;
    r.cpu = childCpuSeconds() - cpuBefore;
    const QString out = QString::fromLocal8Bit(zomra.readAllStandardOutput());
    r.received = field(out, "frames received");
    r.lost = field(out, "frames lost");
    r.dropped = field(out, "dropped here");
    r.rate = QRegularExpression(QStringLiteral("frames per second: +([0-9.]+)"))
                 .match(out)
                 .captured(1)
                 .toDouble();
    r.ok = r.received >= 0 && r.lost >= 0;
    if (!r.ok)
        std::fprintf(stderr, "%s", qPrintable(out));
    return r;
}

void print(const char* what, const Result& r) {
    std::printf("%-30s %6.0f frames/s received, %6lld lost, %6lld dropped here, capture CPU "
                "%.1f us a frame, %.2f s of %.2f s (%.0f %%)\n",
                what, r.rate, r.lost, r.dropped, r.received > 0 ? 1e6 * r.cpu / r.received : 0.0,
                r.cpu, r.wall, r.wall > 0 ? 100.0 * r.cpu / r.wall : 0.0);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    qint64 frames = 100000;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--frames") && i + 1 < args.size()) {
            frames = args[++i].toLongLong();
            if (frames < 1 || frames > 100000000)
                return fail(QStringLiteral("--frames needs a number from 1 to 100000000"));
        } else {
            return fail(QStringLiteral("usage: bench_capture [--frames N]"));
        }
    }
    QTemporaryDir dir;
    std::printf("bench_capture: %lld frames a scan\n", frames);

    // The fastest run that lost nothing.
    double best = 0;
    QString bestRun;
    auto note = [&](const QString& what, const Result& r) {
        print(qPrintable(what), r);
        if (r.lost == 0 && r.received == frames && r.rate > best) {
            best = r.rate;
            bestRun = what;
        }
    };
    {
        Sim fastest;
        if (!fastest.start({QStringLiteral("--max-rate")}))
            return fail(QStringLiteral("qelsim did not start"));
        const Result r = capture(dir.path(), fastest.port, frames);
        if (!r.ok)
            return fail(QStringLiteral("the capture did not report"));
        note(QStringLiteral("fastest qelsim sends:"), r);
    }

    Sim paced;
    if (!paced.start({}))
        return fail(QStringLiteral("qelsim did not start"));
    auto paceRun = [&](int period) {
        if (!paced.set(QStringLiteral("SET AVG 1\rSET PERIOD %1\r").arg(period).toLatin1()))
            return Result();
        const Result r = capture(dir.path(), paced.port, frames);
        if (r.ok)
            note(QStringLiteral("PERIOD %1 (%2 frames/s set):")
                     .arg(period)
                     .arg(1e6 / (16.0 * period), 0, 'f', 0),
                 r);
        return r;
    };
    if (!paceRun(6).ok)
        return fail(QStringLiteral("the capture did not report"));
    for (int period = 1; period <= 20; ++period) {
        const Result r = paceRun(period);
        if (!r.ok)
            return fail(QStringLiteral("the capture did not report"));
        if (r.lost == 0 && r.received == frames)
            break;
    }
    if (best > 0)
        std::printf("highest rate with 0 lost:      %.0f frames/s received, in the run \"%s\"\n",
                    best, qPrintable(bestRun.chopped(1)));
    else
        std::printf("highest rate with 0 lost:      none\n");
    return 0;
}
