#include "zomra/capture.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QHostAddress>
#include <QTimer>
#include <cmath>
#include <cstdio>

namespace zomra {

namespace {

// How long the unit has to accept the connection and answer a list.
constexpr int kAnswerMs = 5000;
// After the scan's last frame, how long frames that overtook others may
// still come.
constexpr int kStragglerMs = 100;

void note(const QString& text) {
    std::fprintf(stderr, "Zomra: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

qint64 number(const QByteArray& text) {
    return text.trimmed().toLongLong();
}

double real(const QByteArray& text) {
    return text.trimmed().toDouble();
}

} // namespace

Capture::Capture(const Config& config, const RunOptions& options, QObject* parent)
    : QObject(parent), config_(config), options_(options), tally_(config.framesPerScan) {
    connect(&socket_, &QTcpSocket::readyRead, this, &Capture::onReadyRead);
    connect(&socket_, &QTcpSocket::stateChanged, this, &Capture::wake);
    receiver_.onDatagram = [this](const char* data, int size, bool truncated) {
        onDatagram(data, size, truncated);
    };
    connect(&receiver_, &UdpReceiver::arrived, this, [this] {
        lastNs_ = clock_.nsecsElapsed();
        if (firstNs_ < 0)
            firstNs_ = lastNs_;
        if (tally_.lastArrived())
            wake();
    });
    clock_.start();
}

void Capture::interrupt() {
    interrupted_ = true;
    wake();
}

bool Capture::waitFor(const std::function<bool()>& done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    QEventLoop loop;
    // The conditions that depend on time alone are looked at every 20 ms.
    QTimer tick;
    connect(&tick, &QTimer::timeout, &loop, &QEventLoop::quit);
    tick.start(20);
    loop_ = &loop;
    while (!done() && !interrupted_ && !deadline.hasExpired())
        loop.exec();
    loop_ = nullptr;
    return done();
}

void Capture::wake() {
    if (loop_)
        loop_->quit();
}

void Capture::send(const QByteArray& command) {
    socket_.write(command + '\r');
}

void Capture::onReadyRead() {
    input_ += socket_.readAll();
    qsizetype start = 0;
    for (qsizetype end; (end = input_.indexOf('\n', start)) >= 0; start = end + 1) {
        QByteArray line = input_.mid(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.startsWith("ERROR"))
            errors_ << line;
        lines_ << line;
    }
    input_.remove(0, start);
    wake();
}

bool Capture::ask(const QByteArray& command, const QByteArray& last) {
    lines_.clear();
    send(command);
    const bool answered = waitFor(
        [&] {
            for (const QByteArray& line : lines_)
                if (line.startsWith(last))
                    return true;
            return false;
        },
        kAnswerMs);
    for (const QByteArray& line : lines_) {
        // "SET <name> <value>"
        const QList<QByteArray> words = line.split(' ');
        if (words.size() >= 3 && words[0] == "SET")
            settings_[words[1]] = line.mid(words[0].size() + words[1].size() + 2);
    }
    return answered;
}

QString Capture::errorsSaid() const {
    QStringList said;
    for (const QByteArray& e : errors_)
        said << QString::fromLatin1(e);
    return said.join(QStringLiteral("; "));
}

int Capture::run() {
    QString error;
    if (!data_.open(config_.dataFile, &error)) {
        note(error);
        return NotStarted;
    }
    if (!receiver_.bind(options_.udpPort, &error)) {
        note(error);
        data_.abandon();
        return NotStarted;
    }
    const int setUpStatus = setUp();
    if (setUpStatus != AllFrames) {
        data_.abandon();
        putBack();
        closeLink();
        return setUpStatus;
    }
    receive();

    QString ending;
    if (tally_.complete())
        ending = QStringLiteral("the scan's last frame arrived");
    else if (interrupted_)
        ending = QStringLiteral("interrupted");
    else if (!errors_.isEmpty())
        ending = QStringLiteral("the unit reported an error: ") + errorsSaid();
    else if (tally_.lastArrived())
        ending = QStringLiteral("the scan's last frame arrived, some frames did not");
    else
        ending = QStringLiteral("no frame came for %1 ms").arg(options_.timeoutMs);
    if (!tally_.lastArrived() && socket_.state() == QAbstractSocket::ConnectedState)
        send("STOP");
    putBack();
    closeLink();
    return summarise(ending);
}

int Capture::setUp() {
    socket_.connectToHost(config_.host, config_.port);
    waitFor(
        [&] {
            return socket_.state() == QAbstractSocket::ConnectedState ||
                   socket_.state() == QAbstractSocket::UnconnectedState;
        },
        kAnswerMs);
    if (interrupted_) {
        note(QStringLiteral("interrupted before the scan started"));
        return Incomplete;
    }
    if (socket_.state() != QAbstractSocket::ConnectedState) {
        note(QStringLiteral("cannot reach the unit at %1: %2")
                 .arg(config_.address,
                      socket_.state() == QAbstractSocket::UnconnectedState
                          ? socket_.errorString()
                          : QStringLiteral("no answer within %1 s").arg(kAnswerMs / 1000)));
        return Incomplete;
    }
    bool isV4 = false;
    const quint32 local = socket_.localAddress().toIPv4Address(&isV4);
    if (!isV4) {
        note(QStringLiteral("the unit is reached over IPv6, but it sends frames to an IPv4 "
                            "address only; give its IPv4 address in SET IPADDR"));
        return Incomplete;
    }

    // A scan left running (a binary scan goes on without its connection)
    // would send its frames into this one.
    send("STOP");
    auto listed = [&](const char* command, const char* last) {
        if (ask(command, last))
            return true;
        if (interrupted_)
            note(QStringLiteral("interrupted before the scan started"));
        else
            note(QStringLiteral("the unit at %1 did not answer %2 within %3 s")
                     .arg(config_.address, QLatin1String(command))
                     .arg(kAnswerMs / 1000));
        return false;
    };
    if (!listed("LIST I", "SET HOST") || !listed("LIST S", "SET PAGE"))
        return Incomplete;

    const QByteArray host = QHostAddress(local).toString().toLatin1() + ' ' +
                            QByteArray::number(receiver_.port()) + " U";
    const QByteArray fps = QByteArray::number(config_.framesPerScan);
    const bool changeHost = settings_.value("HOST") != host;
    const bool changeBin = settings_.value("BIN") != "1";
    const bool changeFps = number(settings_.value("FPS")) != config_.framesPerScan;
    if (changeHost) {
        oldHost_ = settings_.value("HOST", "0 0 T");
        send("SET HOST " + host);
    }
    if (changeBin) {
        oldBin_ = settings_.value("BIN", "0");
        send("SET BIN 1");
    }
    if (changeFps)
        send("SET FPS " + fps);
    if (changeHost || changeBin || changeFps) {
        // What the unit lists afterwards is what it took.
        settings_.clear();
        if (!listed("LIST I", "SET HOST") || !listed("LIST S", "SET PAGE"))
            return Incomplete;
        QStringList wrong;
        if (settings_.value("HOST") != host)
            wrong << QStringLiteral("HOST is '%1', not '%2'")
                         .arg(QString::fromLatin1(settings_.value("HOST")),
                              QString::fromLatin1(host));
        if (settings_.value("BIN") != "1")
            wrong << QStringLiteral("BIN is '%1', not '1'")
                         .arg(QString::fromLatin1(settings_.value("BIN")));
        if (number(settings_.value("FPS")) != config_.framesPerScan)
            wrong << QStringLiteral("FPS is '%1', not '%2'")
                         .arg(QString::fromLatin1(settings_.value("FPS")),
                              QString::fromLatin1(fps));
        if (!wrong.isEmpty()) {
            note(QStringLiteral("the unit did not take its settings: ") +
                 wrong.join(QStringLiteral(", ")) +
                 (errors_.isEmpty() ? QString() : QStringLiteral("; it said: ") + errorsSaid()));
            return Incomplete;
        }
    }
    // Each frame samples the 16 channels AVG times for PERIOD microseconds.
    frameUs_ =
        qint64(std::ceil(real(settings_.value("PERIOD")) * real(settings_.value("AVG")) * 16));
    queued_ = settings_.value("QPKTS") == "1";
    errors_.clear();
    return AllFrames;
}

void Capture::onDatagram(const char* data, int size, bool truncated) {
    Frame frame;
    const char* reason = "a datagram longer than a frame";
    if (truncated || !decodeFrame(data, size, &frame, &reason)) {
        if (malformed_++ == 0)
            malformedReason_ = reason;
        return;
    }
    const FrameTally::Arrival arrival = tally_.add(frame.number);
    if (arrival == FrameTally::Arrival::InOrder || arrival == FrameTally::Arrival::Late)
        data_.write(frame);
}

void Capture::receive() {
    receiver_.discard(); // nothing that came before the scan belongs to it
    data_.begin();
    send("SCAN");
    const qint64 startNs = clock_.nsecsElapsed();
    const qint64 frameMs = (frameUs_ + 999) / 1000;
    // A unit that holds its frames until the scan ends sends the first one
    // only then.
    const qint64 firstMs =
        options_.timeoutMs + frameMs + (queued_ ? frameMs * tally_.framesPerScan() : 0);
    waitFor(
        [&] {
            if (tally_.complete() || !errors_.isEmpty())
                return true;
            if (socket_.state() != QAbstractSocket::ConnectedState && !linkLost_) {
                linkLost_ = true;
                note(QStringLiteral(
                    "the unit closed the connection; waiting for the rest of the scan's frames"));
            }
            const qint64 quietMs =
                (clock_.nsecsElapsed() - (lastNs_ < 0 ? startNs : lastNs_)) / 1000000;
            if (lastNs_ < 0)
                return quietMs >= firstMs;
            if (tally_.lastArrived())
                return quietMs >= std::min<qint64>(kStragglerMs, options_.timeoutMs);
            return quietMs >= options_.timeoutMs + frameMs;
        },
        -1);
}

void Capture::putBack() {
    if (socket_.state() != QAbstractSocket::ConnectedState)
        return;
    if (!oldHost_.isEmpty())
        send("SET HOST " + oldHost_);
    if (!oldBin_.isEmpty())
        send("SET BIN " + oldBin_);
}

void Capture::closeLink() {
    if (socket_.state() == QAbstractSocket::UnconnectedState)
        return;
    socket_.disconnectFromHost();
    interrupted_ = false; // the commands above still go out after a signal
    waitFor([&] { return socket_.state() == QAbstractSocket::UnconnectedState; }, kAnswerMs);
    if (socket_.state() != QAbstractSocket::UnconnectedState)
        socket_.abort();
}

int Capture::summarise(const QString& ending) {
    QString writeError;
    const bool written = data_.finish(&writeError);
    if (!written)
        note(writeError);
    if (malformed_ > 0)
        note(QStringLiteral("ignored %1 datagrams that were not frames; the first was %2")
                 .arg(malformed_)
                 .arg(QLatin1String(malformedReason_)));

    const double seconds = lastNs_ > firstNs_ ? double(lastNs_ - firstNs_) / 1e9 : 0.0;
    const qint64 fps = tally_.framesPerScan();
    QString out;
    auto line = [&](const char* label, const QString& value) {
        out += QStringLiteral("%1 %2\n").arg(QLatin1String(label), -20).arg(value);
    };
    out += QStringLiteral("Zomra: %1\n").arg(ending);
    line("frames per scan:", fps > 0 ? QString::number(fps) : QStringLiteral("until stopped"));
    line("frames received:", QString::number(tally_.received()));
    line("frames lost:", QString::number(tally_.lost()));
    line("frames duplicated:", QString::number(tally_.duplicated()));
    line("frames reordered:", QString::number(tally_.reordered()));
    line("not of this scan:", QString::number(tally_.stray() + malformed_));
    line("dropped here:",
         QString::number(receiver_.overflows()) +
             QStringLiteral(" (receive buffer of %1 bytes full)").arg(receiver_.bufferBytes()));
    line("seconds:", QString::number(seconds, 'f', 3));
    line("frames per second:",
         QString::number(seconds > 0 ? double(tally_.received() - 1) / seconds : 0.0, 'f', 1));
    line("data file:", QFileInfo(config_.dataFile).absoluteFilePath());
    std::fputs(out.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);

    const bool allFrames =
        tally_.received() > 0 && tally_.lost() == 0 && (fps == 0 || tally_.complete());
    return allFrames && written && errors_.isEmpty() ? AllFrames : Incomplete;
}

} // namespace zomra
