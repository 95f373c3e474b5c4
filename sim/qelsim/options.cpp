#include "qelsim/options.h"

#include <QCommandLineParser>

namespace qelsim {

namespace {

const char* const kDescription =
    "A simulated Qel unit: a 16-channel pressure scanner that takes text commands\n"
    "over one TCP connection. It answers the settings lists, status requests,\n"
    "scans (text frames on the connection, or binary datagrams to the host that\n"
    "SET HOST names when SET BIN is 1), the error list, save and reboot, the\n"
    "per-channel and point lists, delete and fill. One client at a time: a new\n"
    "connection replaces the previous one. Stop it with Ctrl-C (SIGINT) or SIGTERM.\n"
    "\n"
    "Fault modes for tests: --silent-after, --close-after-frames, --split-lines,\n"
    "--slow-ms, --refuse-next. See sim/README.md for the protocol as simulated.";

bool readInt(const QString& text, long long lo, long long hi, long long* value) {
    bool ok = false;
    *value = text.toLongLong(&ok);
    return ok && *value >= lo && *value <= hi;
}

} // namespace

ParseResult parseOptions(const QStringList& arguments, SimOptions* options, QString* text) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Show the version and exit."));
    const QCommandLineOption port(
        QStringLiteral("port"),
        QStringLiteral("TCP port to listen on (default 23; 0 picks a free port)."),
        QStringLiteral("n"));
    const QCommandLineOption bind(QStringLiteral("bind"),
                                  QStringLiteral("Address to listen on (default 0.0.0.0)."),
                                  QStringLiteral("address"));
    const QCommandLineOption model(
        QStringLiteral("model"),
        QStringLiteral("Kind of unit: Q1600 (default), QM1600 (module-style: \"Status->\" "
                       "answers, \"Module\" lines, points 0 to 59), Q1600PC (per-channel "
                       "ranges), QM1600PC (both)."),
        QStringLiteral("code"));
    const QCommandLineOption seed(
        QStringLiteral("seed"),
        QStringLiteral("Seed of the simulated values and factory data (default 1); the same "
                       "seed gives the same values."),
        QStringLiteral("n"));
    const QCommandLineOption record(
        QStringLiteral("record"),
        QStringLiteral("Write every command received to the file, one per line with a "
                       "timestamp; CR shows as <CR>, LF as <LF>, other bytes outside "
                       "printable ASCII (and '<') as <hex>."),
        QStringLiteral("file"));
    const QCommandLineOption recordOutput(
        QStringLiteral("record-output"),
        QStringLiteral("Write every byte sent on the connection to the file, exactly as "
                       "sent."),
        QStringLiteral("file"));
    const QCommandLineOption recordFrames(
        QStringLiteral("record-frames"),
        QStringLiteral("Write every binary frame sent (SET BIN 1) to the file: one "
                       "comma-separated row per frame with its number, its time in "
                       "microseconds and the 32 values as sent, the form of the capture "
                       "program's data file."),
        QStringLiteral("file"));
    const QCommandLineOption rebootSeconds(
        QStringLiteral("reboot-seconds"),
        QStringLiteral("After \"reboot\", refuse connections for this many seconds (default "
                       "20; decimals allowed) before coming back with the saved settings."),
        QStringLiteral("s"));
    const QCommandLineOption calibrateMs(
        QStringLiteral("calibrate-ms"),
        QStringLiteral("How long \"CALZ\" keeps the unit calibrating (default 300)."),
        QStringLiteral("ms"));
    const QCommandLineOption maxRate(
        QStringLiteral("max-rate"),
        QStringLiteral("Scan as fast as the connection takes the frames, ignoring PERIOD "
                       "and AVG (for benchmarks)."));
    const QCommandLineOption silentAfter(
        QStringLiteral("silent-after"),
        QStringLiteral("Fault: answer this many commands, then send nothing more (no "
                       "answers, no frames) until the simulator is restarted."),
        QStringLiteral("n"));
    const QCommandLineOption closeAfterFrames(
        QStringLiteral("close-after-frames"),
        QStringLiteral("Fault: close the connection once this many frames have been sent "
                       "on it."),
        QStringLiteral("n"));
    const QCommandLineOption splitLines(
        QStringLiteral("split-lines"),
        QStringLiteral("Fault: cut the output into separate writes: fixed:N (N bytes each), "
                       "random (1 to 32 bytes, sizes from the seed) or crlf (each write ends "
                       "between a CR and its LF)."),
        QStringLiteral("mode"));
    const QCommandLineOption splitDelay(
        QStringLiteral("split-delay-ms"),
        QStringLiteral("Pause between the writes of --split-lines (default 2)."),
        QStringLiteral("ms"));
    const QCommandLineOption slow(
        QStringLiteral("slow-ms"),
        QStringLiteral("Fault: send every answer this many milliseconds late (scan frames "
                       "keep their pace)."),
        QStringLiteral("ms"));
    const QCommandLineOption refuse(
        QStringLiteral("refuse-next"),
        QStringLiteral("Fault: close the next connection as soon as it is accepted, before "
                       "any byte."));
    parser.addOptions({help, version, port, bind, model, seed, record, recordOutput, recordFrames,
                       rebootSeconds, calibrateMs, maxRate, silentAfter, closeAfterFrames,
                       splitLines, splitDelay, slow, refuse});

    auto fail = [&](const QString& message) {
        *text = message + QStringLiteral("\nTry 'qelsim --help'.");
        return ParseResult::Error;
    };
    if (!parser.parse(arguments))
        return fail(parser.errorText());
    if (parser.isSet(help)) {
        *text = parser.helpText();
        return ParseResult::Help;
    }
    if (parser.isSet(version)) {
        *text = QStringLiteral("qelsim 1.0");
        return ParseResult::Version;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(
            QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().first()));

    long long n = 0;
    auto number = [&](const QCommandLineOption& option, long long lo, long long hi,
                      auto store) -> bool {
        if (!parser.isSet(option))
            return true;
        const QString value = parser.value(option);
        if (!readInt(value, lo, hi, &n)) {
            *text = QStringLiteral("--%1 needs a whole number from %2 to %3, not '%4'.")
                        .arg(option.names().constLast())
                        .arg(lo)
                        .arg(hi)
                        .arg(value);
            return false;
        }
        store(n);
        return true;
    };
    const bool numbersOk =
        number(port, 0, 65535, [&](long long v) { options->port = quint16(v); }) &&
        number(calibrateMs, 0, 600000, [&](long long v) { options->calibrateMs = int(v); }) &&
        number(silentAfter, 0, 1000000000, [&](long long v) { options->silentAfter = int(v); }) &&
        number(closeAfterFrames, 0, 1000000000,
               [&](long long v) { options->closeAfterFrames = int(v); }) &&
        number(splitDelay, 0, 10000, [&](long long v) { options->splitDelayMs = int(v); }) &&
        number(slow, 0, 600000, [&](long long v) { options->slowMs = int(v); });
    if (!numbersOk)
        return fail(*text);

    if (parser.isSet(seed)) {
        bool ok = false;
        options->seed = parser.value(seed).toULongLong(&ok);
        if (!ok)
            return fail(QStringLiteral("--seed needs a whole number of 0 or more, not '%1'.")
                            .arg(parser.value(seed)));
    }
    if (parser.isSet(bind)) {
        QHostAddress address;
        if (!address.setAddress(parser.value(bind)))
            return fail(QStringLiteral("--bind needs an IP address such as 0.0.0.0 or "
                                       "127.0.0.1, not '%1'.")
                            .arg(parser.value(bind)));
        options->bind = address;
    }
    if (parser.isSet(model) && !modelFromCode(parser.value(model), &options->model))
        return fail(QStringLiteral("--model must be one of %1, not '%2'.")
                        .arg(modelCodes().join(QStringLiteral(", ")), parser.value(model)));
    if (parser.isSet(rebootSeconds)) {
        bool ok = false;
        const double seconds = parser.value(rebootSeconds).toDouble(&ok);
        if (!ok || !(seconds >= 0) || seconds > 3600)
            return fail(QStringLiteral("--reboot-seconds needs a number of seconds from 0 to "
                                       "3600, not '%1'.")
                            .arg(parser.value(rebootSeconds)));
        options->rebootMs = int(seconds * 1000.0 + 0.5);
    }
    if (parser.isSet(splitLines)) {
        const QString mode = parser.value(splitLines).toLower();
        if (mode == QLatin1String("random")) {
            options->split = SplitMode::Random;
        } else if (mode == QLatin1String("crlf")) {
            options->split = SplitMode::CrLf;
        } else if (mode.startsWith(QLatin1String("fixed:")) &&
                   readInt(mode.mid(6), 1, 1000000, &n)) {
            options->split = SplitMode::Fixed;
            options->splitBytes = int(n);
        } else {
            return fail(QStringLiteral("--split-lines must be fixed:N (N from 1), random or "
                                       "crlf, not '%1'.")
                            .arg(parser.value(splitLines)));
        }
    }
    options->recordFile = parser.value(record);
    options->recordOutputFile = parser.value(recordOutput);
    options->recordFramesFile = parser.value(recordFrames);
    options->maxRate = parser.isSet(maxRate);
    options->refuseNext = parser.isSet(refuse) ? 1 : 0;
    return ParseResult::Run;
}

} // namespace qelsim
