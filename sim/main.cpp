// qelsim: a simulated Qel unit on a TCP port.

#include "qelsim/options.h"
#include "qelsim/simulator.h"

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

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qelsim"));

    qelsim::SimOptions options;
    QString text;
    switch (qelsim::parseOptions(QCoreApplication::arguments(), &options, &text)) {
    case qelsim::ParseResult::Help:
    case qelsim::ParseResult::Version:
        printLine(stdout, text);
        return 0;
    case qelsim::ParseResult::Error:
        printLine(stderr, QStringLiteral("qelsim: ") + text);
        return 2;
    case qelsim::ParseResult::Run:
        break;
    }

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) {
        printLine(stderr, QStringLiteral("qelsim: cannot set up signal handling"));
        return 1;
    }
    QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, [&] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], &byte, 1);
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    qelsim::Simulator simulator(options);
    QObject::connect(&simulator, &qelsim::Simulator::notice, &app, [](const QString& notice) {
        printLine(stderr, QStringLiteral("qelsim: ") + notice);
    });
    QString error;
    if (!simulator.start(&error)) {
        printLine(stderr, QStringLiteral("qelsim: ") + error);
        return 1;
    }
    printLine(stdout, QStringLiteral("qelsim: %1 unit listening on %2 port %3 (seed %4)")
                          .arg(options.model.code, options.bind.toString())
                          .arg(simulator.port())
                          .arg(options.seed));
    const int code = app.exec();
    printLine(stderr, QStringLiteral("qelsim: stopped"));
    return code;
}
