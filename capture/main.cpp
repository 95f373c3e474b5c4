// Zomra.exe: the high-speed capture program. Started by Orvik 3 with no
// arguments from the directory it lies in; reads Zomra.cfg from there.

#include "zomra/capture.h"
#include "zomra/config.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    // Nothing else is safe in a signal handler; the event loop does the rest.
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

void printLine(FILE* stream, const QString& text) {
    std::fprintf(stream, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stream);
}

const char* const kDescription =
    "Captures one high-speed scan of a Qel unit. Reads the unit's address, the frames\n"
    "per scan and the data file from the configuration file, has the unit send its\n"
    "binary frames to this computer over UDP, sets the frames per scan, starts the\n"
    "scan and writes every frame to the data file as comma-separated text. Stops when\n"
    "the scan's last frame has arrived, when no frame has come for the time-out, or\n"
    "on Ctrl-C (SIGINT) or SIGTERM, and prints how many frames arrived, were lost,\n"
    "came twice or out of order.\n"
    "\n"
    "Exit status: 0 every frame of the scan was written; 1 frames were lost, the unit\n"
    "failed or could not be reached, or the data file could not be written in full;\n"
    "2 bad options or configuration, or the data file or UDP port cannot be opened.";

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Zomra.exe"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption config(
        QStringLiteral("config"),
        QStringLiteral("Read this configuration file instead of Zomra.cfg in the program's "
                       "directory."),
        QStringLiteral("file"));
    const QCommandLineOption udpPort(
        QStringLiteral("udp-port"),
        QStringLiteral("Receive the frames on this UDP port (default 23, the port the operator's "
                       "program sets as the unit's data host; 0 picks a free port). The unit's "
                       "host setting is changed for the capture and put back after it."),
        QStringLiteral("n"));
    const QCommandLineOption timeout(
        QStringLiteral("timeout-ms"),
        QStringLiteral("End the capture when no frame has come for this many milliseconds "
                       "beyond the unit's frame interval (default 2000)."),
        QStringLiteral("n"));
    parser.addOptions({help, config, udpPort, timeout});

    auto usage = [](const QString& message) {
        printLine(stderr, QStringLiteral("Zomra: ") + message +
                              QStringLiteral("\nTry 'Zomra.exe --help'."));
        return int(zomra::NotStarted);
    };
    if (!parser.parse(QCoreApplication::arguments()))
        return usage(parser.errorText());
    if (parser.isSet(help)) {
        printLine(stdout, parser.helpText());
        return zomra::AllFrames;
    }
    if (!parser.positionalArguments().isEmpty())
        return usage(
            QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));
    zomra::RunOptions options;
    bool ok = true;
    if (parser.isSet(udpPort)) {
        const uint port = parser.value(udpPort).toUInt(&ok);
        if (!ok || port > 65535)
            return usage(QStringLiteral("--udp-port needs a port from 0 to 65535, not '%1'")
                             .arg(parser.value(udpPort)));
        options.udpPort = quint16(port);
    }
    if (parser.isSet(timeout)) {
        options.timeoutMs = parser.value(timeout).toInt(&ok);
        if (!ok || options.timeoutMs < 1 || options.timeoutMs > 3600000)
            return usage(QStringLiteral("--timeout-ms needs a number of milliseconds from 1 to "
                                        "3600000, not '%1'")
                             .arg(parser.value(timeout)));
    }

    const QString configPath = parser.isSet(config) ? parser.value(config)
                                                    : QCoreApplication::applicationDirPath() +
                                                          QStringLiteral("/Zomra.cfg");
    zomra::Config settings;
    QString error;
    if (!zomra::readConfig(configPath, &settings, &error)) {
        printLine(stderr, QStringLiteral("Zomra: ") + error);
        return zomra::NotStarted;
    }

    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) {
        printLine(stderr, QStringLiteral("Zomra: cannot set up signal handling"));
        return zomra::NotStarted;
    }
    zomra::Capture capture(settings, options);
    QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &capture, [&] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], &byte, 1);
        capture.interrupt();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return capture.run();
}
