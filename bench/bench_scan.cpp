// bench_scan: how fast the program takes in a scan.
//
// Starts qelsim as a child process in its "--max-rate" mode (frames as fast
// as the connection takes them), connects the real program to it (frame
// window, bar graph shown, a comma-separated data log open, optionally the
// command console shown), runs an endless scan for a fixed time, stops it,
// lets the last frames drain, and compares the log with the simulator's
// record of every byte it sent. Prints frames per second received, frames
// logged, frames lost, bar graph paints, the longest stall of the event
// loop, the program's CPU share and its peak memory.
//
// Usage: bench_scan [--seconds N] [--console]
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include "bargraph/bar.h"
#include "console/commands.h"
#include "core/registry.h"
#include "fixture.h"
#include "mainwin/logfile.h"
#include "mainwin/mdimain.h"
#include "session/effects.h"
#include "session/mainform.h"
#include "session/send.h"
#include "session/state.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <cstdio>
#include <sys/resource.h>

namespace {

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long peakKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// Counts the paints the bar graph receives.
class PaintCounter : public QObject {
public:
    using QObject::QObject;
    qint64 paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

int fail(const QString& message) {
    std::fprintf(stderr, "bench_scan: %s\n", qPrintable(message));
    return 1;
}

// Complete rows of the comma-separated log.
qint64 countRows(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    qint64 rows = 0;
    while (!file.atEnd()) {
        const QByteArray chunk = file.read(1 << 20);
        rows += chunk.count('\n');
    }
    return rows;
}

struct Comparison {
    qint64 sent = 0;   // frames in the simulator's record
    qint64 rows = 0;   // rows in the log
    qint64 intact = 0; // frames whose row holds exactly what was sent
};

// Frame number -> the rest of its row ("p0,...,p15"), for every log row.
QHash<QByteArray, QByteArray> readRows(const QString& logPath, qint64* rows) {
    QHash<QByteArray, QByteArray> byFrame;
    QFile log(logPath);
    if (!log.open(QIODevice::ReadOnly))
        return byFrame;
    while (!log.atEnd()) {
        const QByteArray row = log.readLine().trimmed();
        ++*rows;
        const int first = row.indexOf(',');
        const int second = row.indexOf(',', first + 1);
        if (first > 0 && second > first)
            byFrame.insert(row.mid(first + 1, second - first - 1), row.mid(second + 1));
    }
    return byFrame;
}

// Every frame of the simulator's record must have a row in the log with
// its frame number and its sixteen pressures.
Comparison compare(const QString& sentPath, const QString& logPath) {
    Comparison c;
    const QHash<QByteArray, QByteArray> rows = readRows(logPath, &c.rows);
    QFile sent(sentPath);
    if (!sent.open(QIODevice::ReadOnly))
        return c;
    QByteArray number;
    QByteArray pressures;
    int channels = 0;
    auto finishFrame = [&] {
        if (number.isNull())
            return;
        ++c.sent;
        if (channels == 16 && rows.value(number) == pressures)
            ++c.intact;
    };
    while (!sent.atEnd()) {
        const QByteArray line = sent.readLine().trimmed();
        const QList<QByteArray> t = line.split(' ');
        if (t.value(0) == "FRAME") {
            finishFrame();
            number = t.value(2);
            pressures.clear();
            channels = 0;
        } else if (!number.isNull() && t.size() == 3 && t[0] == QByteArray::number(channels)) {
            if (channels++ > 0)
                pressures += ',';
            pressures += t[1];
        }
    }
    finishFrame();
    return c;
}

// Feeds frames straight into the reply dispatcher, without the network,
// for the given time; events (paints) are processed after every frame.
// Returns the frames handled.
qint64 dispatchOnly(int milliseconds) {
    QList<QStringList> frames;
    for (int f = 0; f < 500; ++f) {
        QStringList lines{QStringLiteral("FRAME = %1").arg(f)};
        for (int c = 0; c <= 15; ++c)
            lines << QStringLiteral("%1 %2 %3")
                         .arg(c)
                         .arg(std::sin(f * 0.05 + c) * 12, 0, 'f', 3)
                         .arg(21.5 + c * 0.01, 0, 'f', 2);
        frames << lines;
    }
    QElapsedTimer clock;
    clock.start();
    qint64 handled = 0;
    while (clock.elapsed() < milliseconds) {
        for (const QString& line : frames[handled % frames.size()])
            Global::HandleQelLine(line);
        ++handled;
        QCoreApplication::processEvents();
    }
    return handled;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    int seconds = 10;
    bool console = false;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--console")) {
            console = true;
        } else if (args[i] == QLatin1String("--seconds") && i + 1 < args.size()) {
            seconds = args[++i].toInt();
            if (seconds < 1 || seconds > 600)
                return fail(QStringLiteral("--seconds needs a number from 1 to 600"));
        } else {
            return fail(QStringLiteral("usage: bench_scan [--seconds N] [--console]"));
        }
    }

    ProgramFixture fx; // private working directory and settings store
    const QString sentPath = fx.dir() + QStringLiteral("/sent.txt");
    const QString logPath = fx.dir() + QStringLiteral("/scan.csv");

    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(QStringLiteral(QELSIM_PATH),
              {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--bind"),
               QStringLiteral("127.0.0.1"), QStringLiteral("--max-rate"),
               QStringLiteral("--record-output"), sentPath});
    if (!sim.waitForStarted(5000))
        return fail(QStringLiteral("cannot start ") + QStringLiteral(QELSIM_PATH));
    QByteArray banner;
    while (!banner.contains('\n') && sim.waitForReadyRead(5000))
        banner += sim.readAllStandardOutput();
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("port (\\d+)")).match(QString::fromLatin1(banner));
    if (!m.hasMatch())
        return fail(QStringLiteral("qelsim did not say where it listens: ") +
                    QString::fromLatin1(banner));
    const QString address = QStringLiteral("127.0.0.1:") + m.captured(1);

    fx.startProgram();
    MDIMain& frame = Registry::get<MDIMain>();
    frame.resize(1200, 900);
    Main& main = Registry::get<Main>();
    main.txtIpAdd->setText(address);
    main.Command1->click();
    if (!QTest::qWaitFor([] { return Global::ConnectState == 2 && Global::FrameInterval > 0; },
                         10000))
        return fail(QStringLiteral("the session with qelsim did not start"));
    QTest::qWait(200);

    // An endless scan, mirrored into the program as the operator would.
    Global::SendToQel(QStringLiteral("SET FPS 0\r"));
    Global::SendList(QStringLiteral("S"), true);
    if (!QTest::qWaitFor([] { return Global::FramesPerScan == 0; }, 5000))
        return fail(QStringLiteral("FPS 0 did not reach the program"));

    Global::LogScanData = true;
    fx.prompt->fileAnswers.enqueue(logPath);
    Global::OpenLogFile();
    if (!Global::LogFileOpen)
        return fail(QStringLiteral("cannot open the log ") + logPath);
    frame.mnuBarGraphOpen->trigger();
    Bar& bar = Registry::get<Bar>();
    if (console)
        Registry::get<Commands>().showForm();
    QTest::qWait(200);
    PaintCounter counter;
    bar.installEventFilter(&counter);

    // The program's own line handling, without the network in between.
    const QString dispatchLog = fx.dir() + QStringLiteral("/dispatch.csv");
    Global::CloseLogFile();
    fx.prompt->fileAnswers.enqueue(dispatchLog);
    Global::OpenLogFile();
    const double dispatchCpu = cpuSeconds();
    QElapsedTimer dispatchWall;
    dispatchWall.start();
    const qint64 dispatched = dispatchOnly(3000);
    const double dispatchSeconds = dispatchWall.nsecsElapsed() / 1e9;
    const double dispatchShare = (cpuSeconds() - dispatchCpu) / dispatchSeconds;
    const qint64 dispatchPaints = counter.paints;
    const qint64 dispatchRows = countRows(dispatchLog);
    Global::CloseLogFile();
    fx.prompt->fileAnswers.enqueue(logPath);
    Global::OpenLogFile();
    counter.paints = 0;
    QTest::qWait(100);

    // The longest time the event loop went without running a 10 ms timer.
    QElapsedTimer tick;
    qint64 longestGap = 0;
    QTimer stallProbe;
    stallProbe.setInterval(10);
    QObject::connect(&stallProbe, &QTimer::timeout,
                     [&] { longestGap = std::max(longestGap, tick.restart()); });

    const long kbBefore = peakKb();
    const double cpuStart = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    tick.start();
    stallProbe.start();
    frame.mnuStartScan->trigger();
    QTest::qWait(seconds * 1000);
    const double streamSeconds = wall.nsecsElapsed() / 1e9;
    const double cpuStream = cpuSeconds() - cpuStart;
    const qint64 rowsInWindow = countRows(logPath);
    const qint64 paints = counter.paints;
    stallProbe.stop();

    frame.mnuStop->trigger();
    // Let what is in flight arrive: wait until the log stops growing.
    qint64 lastSize = -1;
    for (int quiet = 0, waited = 0; quiet < 5 && waited < 300; ++waited) {
        QTest::qWait(200);
        const qint64 size = QFileInfo(logPath).size();
        quiet = size == lastSize ? quiet + 1 : 0;
        lastSize = size;
    }
    Global::CloseLogFile();
    sim.terminate();
    sim.waitForFinished(5000);
    const long kbPeak = peakKb(); // before the comparison below takes its own memory

    const Comparison c = compare(sentPath, logPath);
    std::printf("bench_scan: bar graph shown, CSV log open%s\n",
                console ? ", command console shown" : "");
    std::printf("line handling alone (frames fed to the dispatcher, no network), %.1f s:\n",
                dispatchSeconds);
    std::printf("  frames handled:           %lld (%.0f frames/s), %lld rows logged\n",
                (long long)dispatched, dispatched / dispatchSeconds, (long long)dispatchRows);
    std::printf("  bar graph paints:         %lld (%.0f per second)\n", (long long)dispatchPaints,
                dispatchPaints / dispatchSeconds);
    std::printf("  program CPU share:        %.0f %%\n", 100.0 * dispatchShare);
    std::printf("streaming from qelsim --max-rate over TCP, %.1f s:\n", streamSeconds);
    std::printf("  frames received:          %lld (%.0f frames/s while streaming)\n",
                (long long)rowsInWindow, rowsInWindow / streamSeconds);
    std::printf("  frames sent by qelsim:    %lld (in all, those drained after Stop included)\n",
                (long long)c.sent);
    std::printf("  frames logged:            %lld rows\n", (long long)c.rows);
    std::printf("  frames lost:              %lld (sent but not logged exactly as sent)\n",
                (long long)(c.sent - c.intact));
    std::printf("  bar graph paints:         %lld (%.0f per second)\n", (long long)paints,
                paints / streamSeconds);
    std::printf("  longest event-loop stall: %lld ms\n", (long long)longestGap);
    std::printf("  program CPU share:        %.0f %% (CPU time / wall time)\n",
                100.0 * cpuStream / streamSeconds);
    std::printf("  peak memory (ru_maxrss):  %.1f MB (%.1f MB when the scan started)\n",
                kbPeak / 1024.0, kbBefore / 1024.0);
    const QStringList messages = fx.prompt->messages();
    for (const QString& text : messages)
        std::printf("  message box shown: %s\n", qPrintable(text));
    return c.sent == c.intact && messages.isEmpty() ? 0 : 1;
}
