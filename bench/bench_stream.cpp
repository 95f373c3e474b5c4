// bench_stream: the program's text scan path against a plain script, on one
// recorded stream.
//
// First writes a stream of frames to a file, exactly as the unit simulator
// sends them (its own frame writer, frames numbered from 0). That file is
// then played back by a separate server process (this program with
// --serve), one write per frame. The server answers the program's session
// start as a unit would and sends the stream when it receives "SCAN".
//
//  1. The dispatcher alone: the stream's lines handed straight to the
//     reply dispatcher, in lines per second, with no window shown and no
//     log, and again with the windows and the log of step 2.
//  2. Paced runs: the program (bar graph and command console shown, a CSV
//     data log open) takes 25 and 2,000 frames per second; its CPU share and
//     how its memory grows. For comparison at 25 frames per second, on the
//     same machine: the program before any window is shown, and the
//     reference logger bench/reflogger.py.
//  3. Flat out: the same program takes the stream as fast as the connection
//     carries it, then the reference logger bench/reflogger.py does. For
//     each: frames per second, frames lost or damaged (its CSV compared with
//     the stream), CPU share and peak memory; for the program also the
//     longest event-loop stall and how late a menu opened mid-stream.
//
// Usage: bench_stream [--frames N] [--slow-seconds S] [--paced-seconds S]
//   --frames N          frames in the stream (default 600000)
//   --slow-seconds S    length of each 25 frames/s run (default 20)
//   --paced-seconds S   length of the 2,000 frames/s run (default 120)
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include "bargraph/bar.h"
#include "console/commands.h"
#include "core/registry.h"
#include "fakeunit.h"
#include "fixture.h"
#include "mainwin/logfile.h"
#include "mainwin/mdimain.h"
#include "qelsim/frames.h"
#include "qelsim/model.h"
#include "qelsim/state.h"
#include "session/connection.h"
#include "session/effects.h"
#include "session/mainform.h"
#include "session/session.h"
#include "session/state.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int LinesPerFrame = 17;

// The servers started, so that none outlives the benchmark.
std::vector<pid_t>& children() {
    static std::vector<pid_t> pids;
    return pids;
}

void stopChildren() {
    for (const pid_t pid : children()) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    children().clear();
}

int fail(const QString& message) {
    std::fprintf(stderr, "bench_stream: %s\n", qPrintable(message));
    stopChildren();
    return 1;
}

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// A line "Name:   value kB" of /proc/self/status, in MB.
double statusMb(const char* name) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(name))
            return line.mid(qsizetype(std::strlen(name))).trimmed().split(' ').value(0).toDouble() /
                   1024.0;
    return 0;
}

// The highest resident memory since the last resetPeak().
double peakMb() {
    return statusMb("VmHWM:");
}

void resetPeak() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// The resident memory now, from /proc/self/statm.
double residentMb() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// The CPU time another process of this user has taken so far, from the
// scheduler's own count (nanoseconds, where rusage counts only the dead).
double processCpuSeconds(pid_t pid) {
    QFile schedstat(QStringLiteral("/proc/%1/schedstat").arg(pid));
    if (!schedstat.open(QIODevice::ReadOnly))
        return -1;
    return schedstat.readAll().split(' ').value(0).toDouble() / 1e9;
}

double now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// --- the recorded stream ---------------------------------------------------------

bool writeStream(const QString& path, qint64 frames) {
    qelsim::Model model;
    if (!qelsim::modelFromCode(QStringLiteral("Q1600"), &model))
        return false;
    const qelsim::UnitState state(model, 1);
    const qelsim::ScanSetup setup = qelsim::scanSetup(state, 1);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray chunk;
    for (qint64 f = 0; f < frames; ++f) {
        qelsim::appendTextFrame(chunk, setup, quint64(f));
        if (chunk.size() > (1 << 20) || f + 1 == frames) {
            if (file.write(chunk) != chunk.size())
                return false;
            chunk.clear();
        }
    }
    return true;
}

// Where each frame starts in the stream, and its end.
std::vector<qsizetype> frameStarts(const QByteArray& stream) {
    std::vector<qsizetype> starts;
    qsizetype at = 0;
    int line = 0;
    while (at < stream.size()) {
        if (line % LinesPerFrame == 0)
            starts.push_back(at);
        const qsizetype end = stream.indexOf("\r\n", at);
        if (end < 0)
            break;
        at = end + 2;
        ++line;
    }
    starts.push_back(stream.size());
    return starts;
}

// --- the server (a process of its own) ----------------------------------------------

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

// Serves one connection on the listening socket: the session's list queries
// are answered, "SCAN" sends the stream (flat out, or paced and repeated
// until "STOP"), and after a flat-out stream the connection is closed or
// kept until the client closes it.
int serve(int listener, const QString& streamPath, double pace, bool closeAtEnd) {
    std::signal(SIGPIPE, SIG_IGN);
    QFile file(streamPath);
    if (!file.open(QIODevice::ReadOnly))
        return 2;
    const QByteArray stream = file.readAll();
    const std::vector<qsizetype> starts = frameStarts(stream);
    const size_t frames = starts.size() - 1;

    std::map<std::string, std::string> answers;
    for (const char group : {'I', 'C', 'H', 'S'}) {
        std::string lines;
        for (const QString& line : FakeUnit::standardList(group))
            lines += (line == QLatin1String("SET FPS 100") ? QStringLiteral("SET FPS 0") : line)
                         .toStdString() +
                     "\r\n";
        answers[std::string("List ") + group] = lines;
    }

    const int fd = ::accept(listener, nullptr, nullptr);
    if (fd < 0)
        return 2;
    std::string pending;
    char buffer[4096];
    // Reads what the client sent; false once it has closed. Every command
    // that ends in CR goes to `command`.
    auto readCommands = [&](auto&& command) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        pending.append(buffer, size_t(n));
        for (size_t cr; (cr = pending.find('\r')) != std::string::npos;) {
            std::string text = pending.substr(0, cr);
            pending.erase(0, cr + 1);
            if (!text.empty() && text[0] == '\n')
                text.erase(0, 1);
            command(text);
        }
        return true;
    };
    bool scan = false;
    auto onCommand = [&](const std::string& text) {
        if (text == "SCAN")
            scan = true;
        else if (text == "STOP")
            scan = false;
        else if (answers.count(text))
            writeAll(fd, answers[text].data(), answers[text].size());
    };
    for (;;) {
        if (!readCommands(onCommand))
            break;
        if (!scan)
            continue;
        if (pace <= 0) {
            for (size_t f = 0; f < frames; ++f)
                if (!writeAll(fd, stream.constData() + starts[f],
                              size_t(starts[f + 1] - starts[f])))
                    return 0;
            if (closeAtEnd)
                break;
            scan = false;
            continue;
        }
        timespec due{};
        clock_gettime(CLOCK_MONOTONIC, &due);
        const long stepNs = long(1e9 / pace);
        bool open = true;
        for (size_t k = 0; scan && open; ++k) {
            const size_t f = k % frames;
            if (!writeAll(fd, stream.constData() + starts[f], size_t(starts[f + 1] - starts[f])))
                return 0;
            due.tv_nsec += stepNs;
            while (due.tv_nsec >= 1000000000L) {
                due.tv_nsec -= 1000000000L;
                ++due.tv_sec;
            }
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr);
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 0) > 0)
                open = readCommands(onCommand);
        }
        if (!open)
            break;
    }
    ::close(fd);
    return 0;
}

// A server process on a fresh listening socket; its address for the program.
struct Server {
    pid_t pid = -1;
    quint16 port = 0;
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(port); }
    void stop() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            children().erase(std::remove(children().begin(), children().end(), pid),
                             children().end());
        }
        pid = -1;
    }
};

// A child with no signal blocked and every signal at its default, whatever
// the toolkit set up in this process.
pid_t spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, argv[0], nullptr, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    return error == 0 ? pid : -1;
}

bool startServer(Server& server, const QString& streamPath, double pace, bool closeAtEnd) {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0); // inherited by the server
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(listener, 1) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &length) != 0)
        return false;
    server.port = ntohs(a.sin_port);
    std::vector<std::string> args = {QCoreApplication::applicationFilePath().toStdString(),
                                     "--serve", std::to_string(listener), streamPath.toStdString(),
                                     std::to_string(pace)};
    if (closeAtEnd)
        args.push_back("--close-at-end");
    server.pid = spawn(args);
    ::close(listener);
    if (server.pid > 0)
        children().push_back(server.pid);
    return server.pid > 0;
}

// --- comparing a log with the stream ------------------------------------------------

struct Check {
    qint64 frames = 0;  // frames in the stream
    qint64 intact = 0;  // frames whose row holds exactly what was sent
    qint64 damaged = 0; // frames with a row that differs
    qint64 rows = 0;    // rows in the log
};

// Every frame of the stream must have a row "time,frame,p0,...,p15" holding
// its number and its sixteen pressures, in the stream's order.
Check compare(const QString& streamPath, const QString& csvPath, qint64 frames) {
    Check c;
    QFile stream(streamPath);
    QFile csv(csvPath);
    if (!stream.open(QIODevice::ReadOnly) || !csv.open(QIODevice::ReadOnly))
        return c;
    auto nextRow = [&](qint64* number, QByteArray* rest) {
        if (csv.atEnd())
            return false;
        const QByteArray row = csv.readLine().trimmed();
        ++c.rows;
        const qsizetype first = row.indexOf(',');
        const qsizetype second = row.indexOf(',', first + 1);
        bool ok = first > 0 && second > first;
        *number = ok ? row.mid(first + 1, second - first - 1).toLongLong(&ok) : -1;
        if (!ok)
            *number = -1;
        *rest = row.mid(first + 1);
        return true;
    };
    qint64 rowNumber = -1;
    QByteArray rowRest;
    bool haveRow = nextRow(&rowNumber, &rowRest);
    for (qint64 f = 0; f < frames && !stream.atEnd(); ++f) {
        QByteArray expected;
        qint64 number = -1;
        for (int line = 0; line < LinesPerFrame; ++line) {
            const QList<QByteArray> t = stream.readLine().trimmed().split(' ');
            if (line == 0) {
                number = t.value(2).toLongLong();
                expected = t.value(2);
            } else {
                expected += ',' + t.value(1);
            }
        }
        ++c.frames;
        // Rows before this frame's number are rows of no frame (damaged ones
        // whose number was lost); they were counted as rows.
        while (haveRow && rowNumber < number)
            haveRow = nextRow(&rowNumber, &rowRest);
        if (haveRow && rowNumber == number) {
            if (rowRest == expected)
                ++c.intact;
            else
                ++c.damaged;
            haveRow = nextRow(&rowNumber, &rowRest);
        }
    }
    while (haveRow)
        haveRow = nextRow(&rowNumber, &rowRest);
    return c;
}

void printCheck(const char* who, const Check& c) {
    std::printf("  %-10s frames lost %lld, damaged %lld (of %lld; %lld rows logged)\n", who,
                (long long)(c.frames - c.intact - c.damaged), (long long)c.damaged,
                (long long)c.frames, (long long)c.rows);
}

// --- the program's side ----------------------------------------------------------------

// Runs the event loop for a time, or until `done` holds (checked every 5 ms),
// as the program's own loop runs: QTest's waits sleep between their passes,
// which would hold the stream up.
template <class Done> bool runUntil(Done done, int milliseconds) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done())
            loop.quit();
    });
    check.start(5);
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    if (!done())
        loop.exec();
    return done();
}

// Runs the event loop for a time. Nothing polls meanwhile: the paced runs'
// CPU share is the program's own.
void run(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// The program as an operator sets it up: frame window, a session with the
// server, the bar graph and the console shown, a CSV log of scan data.
class Program {
public:
    explicit Program(ProgramFixture& fx) : fx_(fx) {}

    // What the Connect button does; the console, once shown, holds the
    // button disabled.
    bool connectTo(const Server& server) {
        Main& main = Registry::get<Main>();
        main.txtIpAdd->setText(server.address());
        Global::IpAddress = server.address();
        Global::ShowConnecting();
        main.ConnectToUnit(Global::IpAddress);
        const bool ok =
            runUntil([] { return Global::ConnectState == 2 && Global::FrameInterval > 0; }, 10000);
        run(300); // the rest of the session's lists
        return ok;
    }

    bool openLog(const QString& path) {
        Global::LogScanData = true;
        fx_.prompt->fileAnswers.enqueue(path);
        Global::OpenLogFile();
        return Global::LogFileOpen;
    }

    void showWindows() {
        MDIMain& frame = Registry::get<MDIMain>();
        frame.mnuBarGraphOpen->trigger();
        Registry::get<Commands>().showForm();
        run(200);
    }

    void disconnect() {
        if (Global::ConnectState != 0) {
            Registry::get<Main>().CloseSocket();
            Global::EndSession();
        }
        Global::CloseLogFile();
        run(100);
    }

private:
    ProgramFixture& fx_;
};

// The longest time the event loop went without running a 10 ms timer.
class StallProbe {
public:
    StallProbe() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout,
                         [this] { longest_ = std::max(longest_, clock_.restart()); });
    }
    void start() {
        longest_ = 0;
        clock_.start();
        timer_.start();
    }
    qint64 stop() {
        timer_.stop();
        return longest_;
    }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 longest_ = 0;
};

struct Paced {
    double seconds = 0;
    double cpuShare = 0;
    double residentStart = 0, residentEnd = 0, residentMax = 0;
    qint64 framesShown = 0;
};

Paced pacedRun(Program& program, const QString& streamPath, double fps, int seconds,
               const QString& logPath) {
    Paced r;
    Server server;
    if (!startServer(server, streamPath, fps, false) || !program.connectTo(server) ||
        !program.openLog(logPath))
        return r;
    MDIMain& frame = Registry::get<MDIMain>();
    run(500);
    r.residentStart = r.residentMax = residentMb();
    const double cpu0 = cpuSeconds();
    const double t0 = now();
    frame.mnuStartScan->trigger();
    for (int s = 0; s < seconds; ++s) {
        run(1000);
        r.residentMax = std::max(r.residentMax, residentMb());
    }
    r.seconds = now() - t0;
    r.cpuShare = (cpuSeconds() - cpu0) / r.seconds;
    r.residentEnd = residentMb();
    r.framesShown = Registry::get<Bar>().LabelText(QStringLiteral("labFrameData")).toLongLong();
    frame.mnuStop->trigger();
    run(200);
    program.disconnect();
    server.stop();
    return r;
}

// The reference logger reading the stream paced at `fps`: its CPU share
// over `seconds`, counted from two seconds after its start so that
// Python's own start is left out; -1 when it could not be run.
double scriptPacedShare(const QString& script, const QString& streamPath, double fps, int seconds,
                        const QString& csvPath, qint64* rows) {
    Server server;
    if (!startServer(server, streamPath, fps, false))
        return -1;
    const pid_t python =
        spawn({"python3", script.toStdString(), "127.0.0.1", std::to_string(server.port),
               csvPath.toStdString(), std::to_string(1.0 / fps)});
    if (python < 0)
        return -1;
    ::usleep(2000 * 1000);
    const double cpu0 = processCpuSeconds(python);
    const double t0 = now();
    ::usleep(useconds_t(seconds) * 1000 * 1000);
    const double cpu1 = processCpuSeconds(python);
    const double t1 = now();
    ::kill(python, SIGTERM);
    ::waitpid(python, nullptr, 0);
    server.stop();
    QFile csv(csvPath);
    *rows = csv.open(QIODevice::ReadOnly) ? csv.readAll().count('\n') : 0;
    return cpu0 < 0 || cpu1 < 0 ? -1 : (cpu1 - cpu0) / (t1 - t0);
}

// Feeds the stream's lines to the dispatcher; returns lines per second.
// Events are processed after every 12,000 lines, about one arrival's worth.
double dispatchRate(const std::vector<QLatin1String>& views) {
    const double t0 = now();
    size_t handled = 0;
    while (handled < views.size()) {
        const size_t end = std::min(views.size(), handled + 12000);
        for (; handled < end; ++handled)
            Global::HandleQelLine(views[handled]);
        QCoreApplication::processEvents();
    }
    return double(views.size()) / (now() - t0);
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 5 && std::string(argv[1]) == "--serve") {
        QCoreApplication app(argc, argv);
        return serve(std::atoi(argv[2]), QString::fromLocal8Bit(argv[3]), std::atof(argv[4]),
                     argc > 5 && std::string(argv[5]) == "--close-at-end");
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::signal(SIGPIPE, SIG_IGN);

    qint64 frames = 600000;
    int slowSeconds = 20;
    int pacedSeconds = 120;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString value = args.value(i + 1);
        if (args[i] == QLatin1String("--frames") && i + 1 < args.size())
            frames = value.toLongLong(), ++i;
        else if (args[i] == QLatin1String("--slow-seconds") && i + 1 < args.size())
            slowSeconds = value.toInt(), ++i;
        else if (args[i] == QLatin1String("--paced-seconds") && i + 1 < args.size())
            pacedSeconds = value.toInt(), ++i;
        else
            return fail(QStringLiteral(
                "usage: bench_stream [--frames N] [--slow-seconds S] [--paced-seconds S]"));
    }
    if (frames < 1000 || slowSeconds < 1 || pacedSeconds < 1)
        return fail(QStringLiteral("--frames needs 1000 or more, the seconds 1 or more"));

    ProgramFixture fx; // private working directory and settings store
    const QString streamPath = fx.dir() + QStringLiteral("/stream.txt");
    if (!writeStream(streamPath, frames))
        return fail(QStringLiteral("cannot write the stream ") + streamPath);
    const QString lastFrame = QString::number(frames - 1);
    std::printf("bench_stream: %lld frames (%.1f MB) as the simulator sends them, one write per "
                "frame\n",
                (long long)frames, QFileInfo(streamPath).size() / 1e6);

    fx.startProgram();
    MDIMain& frame = Registry::get<MDIMain>();
    frame.resize(1200, 900);
    Program program(fx);

    // The program at 25 frames/s before any window is shown (printed with
    // step 2).
    const Paced windowless = pacedRun(program, streamPath, 25, slowSeconds,
                                      fx.dir() + QStringLiteral("/windowless.csv"));

    // 1. The dispatcher alone, on the stream's first 30,000 frames.
    {
        QFile file(streamPath);
        if (!file.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("cannot read the stream"));
        QByteArray some = file.read(30000LL * 360);
        some.truncate(some.lastIndexOf("\r\n") + 2);
        std::vector<QLatin1String> views;
        for (const QByteArrayView line : Main::ArrivalLines(some))
            views.emplace_back(line.data(), line.size());
        const double bare = dispatchRate(views);
        Server server;
        if (!startServer(server, streamPath, 1, false) || !program.connectTo(server))
            return fail(QStringLiteral("no session with the server"));
        program.showWindows();
        if (!program.openLog(fx.dir() + QStringLiteral("/dispatch.csv")))
            return fail(QStringLiteral("cannot open the log"));
        const double full = dispatchRate(views);
        program.disconnect();
        server.stop();
        std::printf("dispatcher alone (%zu lines handed in, no network):\n", views.size());
        std::printf("  no window shown, no log:          %.0f lines/s\n", bare);
        std::printf("  bar graph, console and CSV log:   %.0f lines/s\n", full);
    }

    // 2. Paced.
    const Paced slow =
        pacedRun(program, streamPath, 25, slowSeconds, fx.dir() + QStringLiteral("/slow.csv"));
    const Paced paced =
        pacedRun(program, streamPath, 2000, pacedSeconds, fx.dir() + QStringLiteral("/paced.csv"));
    std::printf("paced (bar graph, console, CSV log):\n");
    for (const auto& [fps, r] : {std::pair<int, Paced>{25, slow}, {2000, paced}})
        std::printf("  %5d frames/s for %.0f s: CPU %.2f %% of a core; resident memory %.1f MB "
                    "-> %.1f MB (highest %.1f MB), growth %+.2f MB; last frame shown %lld\n",
                    fps, r.seconds, 100.0 * r.cpuShare, r.residentStart, r.residentEnd,
                    r.residentMax, r.residentEnd - r.residentStart, (long long)r.framesShown);
    // What 25 frames/s costs on this machine without the windows, and what
    // it costs the plain script.
    qint64 scriptRows = 0;
    const double scriptShare =
        scriptPacedShare(QStringLiteral(BENCH_DIR "/reflogger.py"), streamPath, 25, slowSeconds,
                         fx.dir() + QStringLiteral("/script-slow.csv"), &scriptRows);
    std::printf("paced at 25 frames/s, for comparison on this machine:\n");
    std::printf("  program, no window shown, CSV log: CPU %.2f %% of a core\n",
                100.0 * windowless.cpuShare);
    if (scriptShare < 0)
        std::printf("  script: could not be run\n");
    else
        std::printf("  script (no window), CSV:          CPU %.2f %% of a core; %lld rows logged\n",
                    100.0 * scriptShare, (long long)scriptRows);

    // 3. Flat out: the program.
    const QString csvProgram = fx.dir() + QStringLiteral("/program.csv");
    Server server;
    if (!startServer(server, streamPath, 0, false) || !program.connectTo(server) ||
        !program.openLog(csvProgram))
        return fail(QStringLiteral("no session with the server"));
    const float interval = Global::FrameInterval;
    Bar& bar = Registry::get<Bar>();
    run(300);
    StallProbe probe;
    double menuLateMs = -1;
    resetPeak();
    const double peakBefore = peakMb();
    const qint64 cutsBefore = Registry::get<Main>().PiecesDropped();
    const double cpu0 = cpuSeconds();
    const double t0 = now();
    probe.start();
    frame.mnuStartScan->trigger();
    // Mid-stream the operator opens a menu: how long after it was due is it
    // on the screen?
    const double menuDue = t0 + 0.3;
    QTimer::singleShot(300, [&] { frame.mnuFile->popup(QPoint(10, 10)); });
    QObject::connect(frame.mnuFile, &QMenu::aboutToShow, [&] {
        if (menuLateMs < 0)
            menuLateMs = 1000.0 * (now() - menuDue);
    });
    // Done when the last frame is shown, or when nothing moved for 5 s.
    QString seen;
    double moved = now();
    runUntil(
        [&] {
            const QString shown = bar.LabelText(QStringLiteral("labFrameData"));
            if (shown != seen) {
                seen = shown;
                moved = now();
            }
            return shown == lastFrame || now() - moved >= 5;
        },
        3600 * 1000);
    const double programSeconds = now() - t0;
    const qint64 cuts = Registry::get<Main>().PiecesDropped() - cutsBefore;
    const double programCpu = cpuSeconds() - cpu0;
    const qint64 stall = probe.stop();
    const double peakAfter = peakMb();
    frame.mnuFile->hide();
    program.disconnect();
    server.stop();

    // 3. Flat out: the reference logger.
    const QString csvScript = fx.dir() + QStringLiteral("/script.csv");
    const QString script = QStringLiteral(BENCH_DIR "/reflogger.py");
    if (!startServer(server, streamPath, 0, true))
        return fail(QStringLiteral("cannot start the server"));
    const double s0 = now();
    // The script runs unchanged; around it, Python writes its own peak memory
    // (of its own process image, which rusage cannot tell from this one).
    const QString peakFile = fx.dir() + QStringLiteral("/script-peak.txt");
    const char* wrapper = "import runpy, sys\n"
                          "out = sys.argv[1]\n"
                          "sys.argv = sys.argv[2:]\n"
                          "runpy.run_path(sys.argv[0], run_name='__main__')\n"
                          "open(out, 'w').write([l for l in open('/proc/self/status') if "
                          "l.startswith('VmHWM')][0])\n";
    const pid_t python =
        spawn({"python3", "-c", wrapper, peakFile.toStdString(), script.toStdString(), "127.0.0.1",
               std::to_string(server.port), csvScript.toStdString(), std::to_string(interval)});
    rusage usage{};
    int status = 0;
    if (python < 0 || ::wait4(python, &status, 0, &usage) != python)
        return fail(QStringLiteral("cannot run ") + script);
    const double scriptSeconds = now() - s0;
    server.stop();
    const double scriptCpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                             double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    double scriptPeak = 0;
    {
        QFile peak(peakFile);
        if (peak.open(QIODevice::ReadOnly))
            scriptPeak = peak.readAll().mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }

    const Check programCheck = compare(streamPath, csvProgram, frames);
    const Check scriptCheck = compare(streamPath, csvScript, frames);
    const double programRate = frames / programSeconds;
    const double scriptRate = frames / scriptSeconds;
    std::printf("flat out, %lld frames over TCP:\n", (long long)frames);
    std::printf("  program    %.0f frames/s in %.2f s, CPU %.0f %% of a core, peak memory %.1f MB "
                "(%.1f MB when the stream started)\n",
                programRate, programSeconds, 100.0 * programCpu / programSeconds, peakAfter,
                peakBefore);
    std::printf("  script     %.0f frames/s in %.2f s (its start included), CPU %.0f %% of a "
                "core, peak memory %.1f MB\n",
                scriptRate, scriptSeconds, 100.0 * scriptCpu / scriptSeconds, scriptPeak);
    std::printf("  ratio      %.2f (program / script)\n", programRate / scriptRate);
    printCheck("program", programCheck);
    std::printf("  program    lines cut by the network (arrivals that did not fill the read cap "
                "and ended inside a line): %lld; each damages at most two frames\n",
                (long long)cuts);
    printCheck("script", scriptCheck);
    std::printf("  program    longest event-loop stall %lld ms; a menu asked for mid-stream "
                "opened %.1f ms late\n",
                (long long)stall, menuLateMs);
    const QStringList messages = fx.prompt->messages();
    for (const QString& text : messages)
        std::printf("  message box shown: %s\n", qPrintable(text));
    stopChildren();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
                   programCheck.intact == programCheck.frames
               ? 0
               : 1;
}
