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
#include "session/mainform.h"
#include "session/send.h"
#include "session/state.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>

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
    qint64 sent = 0;      // frames in the simulator's record
    qint64 logged = 0;    // complete rows in the log
    qint64 matching = 0;  // rows equal to a frame sent, in order
    qint64 differing = 0; // rows whose frame number or pressures differ
};

// Walks the simulator's record and the log side by side: frame f of the
// record must be row f of the log, with the same frame number and the same
// sixteen pressures.
Comparison compare(const QString& sentPath, const QString& logPath) {
    Comparison c;
    QFile sent(sentPath), log(logPath);
    if (!sent.open(QIODevice::ReadOnly) || !log.open(QIODevice::ReadOnly))
        return c;
    QByteArray number;
    QList<QByteArray> pressures;
    auto finishFrame = [&] {
        if (number.isNull())
            return;
        ++c.sent;
        const QByteArray row = log.readLine();
        if (row.isEmpty())
            return;
        ++c.logged;
        const QList<QByteArray> fields = row.trimmed().split(',');
        if (fields.size() == 18 && fields[1] == number && fields.mid(2) == pressures)
            ++c.matching;
        else
            ++c.differing;
    };
    while (!sent.atEnd()) {
        const QByteArray line = sent.readLine().trimmed();
        const QList<QByteArray> t = line.split(' ');
        if (t.value(0) == "FRAME") {
            finishFrame();
            number = t.value(2);
            pressures.clear();
        } else if (!number.isNull() && t.size() == 3 &&
                   t[0] == QByteArray::number(pressures.size())) {
            pressures.append(t[1]);
        }
    }
    finishFrame();
    while (!log.readLine().isEmpty())
        ++c.logged;
    return c;
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

    const Comparison c = compare(sentPath, logPath);
    std::printf("bench_scan: %.1f s of streaming from qelsim --max-rate; bar graph shown, "
                "CSV log open%s\n",
                streamSeconds, console ? ", command console shown" : "");
    std::printf("  frames received:          %lld (%.0f frames/s)\n", (long long)rowsInWindow,
                rowsInWindow / streamSeconds);
    std::printf("  frames sent by qelsim:    %lld (in all, drain after Stop included)\n",
                (long long)c.sent);
    std::printf("  frames logged:            %lld\n", (long long)c.logged);
    std::printf("  frames lost:              %lld\n", (long long)(c.sent - c.matching));
    std::printf("  rows differing from sent: %lld\n", (long long)c.differing);
    std::printf("  bar graph paints:         %lld (%.0f per second)\n", (long long)paints,
                paints / streamSeconds);
    std::printf("  longest event-loop stall: %lld ms\n", (long long)longestGap);
    std::printf("  program CPU share:        %.0f %% (CPU time / wall time while streaming)\n",
                100.0 * cpuStream / streamSeconds);
    std::printf("  peak memory (ru_maxrss):  %.1f MB (%.1f MB when the scan started)\n",
                peakKb() / 1024.0, kbBefore / 1024.0);
    const QStringList messages = fx.prompt->messages();
    for (const QString& text : messages)
        std::printf("  message box shown: %s\n", qPrintable(text));
    return c.sent == c.matching && messages.isEmpty() ? 0 : 1;
}
