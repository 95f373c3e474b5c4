#include "qelsim/simulator.h"

#include "qelsim/link.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <netinet/in.h>
#include <sys/socket.h>

namespace qelsim {

namespace {
// Most output one pass of the scan engine produces before it lets the
// event loop handle commands again.
constexpr qsizetype kBatchBytes = 64 * 1024;
constexpr int kDatagramsPerPass = 256;
constexpr qint64 kNoEnd = std::numeric_limits<qint64>::max();
} // namespace

Simulator::Simulator(const SimOptions& options, QObject* parent)
    : QObject(parent), options_(options), unit_(options.model, options.seed) {
    elapsed_.start();
    clock_ = [this] { return elapsed_.nsecsElapsed(); };
    connect(&server_, &QTcpServer::newConnection, this, &Simulator::onNewConnection);
    calibrateTimer_.setSingleShot(true);
    connect(&calibrateTimer_, &QTimer::timeout, this, [this] {
        if (unit_.status() == UnitStatus::Calibrating)
            unit_.setStatus(UnitStatus::Ready);
    });
    rebootTimer_.setSingleShot(true);
    connect(&rebootTimer_, &QTimer::timeout, this, &Simulator::listenAgain);
    scanTimer_.setSingleShot(true);
    scanTimer_.setTimerType(Qt::PreciseTimer);
    connect(&scanTimer_, &QTimer::timeout, this, &Simulator::runScan);
}

Simulator::~Simulator() {
    if (link_)
        delete link_.data();
    recorder_.close();
    output_.close();
    frameRecord_.close();
}

bool Simulator::start(QString* error) {
    if (!options_.recordFile.isEmpty() && !recorder_.open(options_.recordFile, error))
        return false;
    if (!options_.recordOutputFile.isEmpty() && !output_.open(options_.recordOutputFile, error))
        return false;
    if (!options_.recordFramesFile.isEmpty() &&
        !frameRecord_.open(options_.recordFramesFile, error))
        return false;
    if (!server_.listen(options_.bind, options_.port)) {
        *error = QStringLiteral("cannot listen on %1 port %2: %3")
                     .arg(options_.bind.toString())
                     .arg(options_.port)
                     .arg(server_.errorString());
        if (options_.port < 1024 && server_.serverError() == QAbstractSocket::SocketAccessError)
            *error += QStringLiteral(" (ports below 1024 need privileges; try --port 2323)");
        return false;
    }
    port_ = server_.serverPort();
    return true;
}

bool Simulator::hasClient() const {
    return link_ && link_->isOpen();
}

qint64 Simulator::pendingOutput() const {
    return link_ ? link_->pendingBytes() : 0;
}

void Simulator::onNewConnection() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        const QString peer =
            QStringLiteral("%1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort());
        // The old client's last commands came before this connection (a
        // program that hands the unit over sends them, hangs up and then the
        // next one connects): carry them out first, in the order sent.
        if (link_)
            link_->readWaiting();
        if (options_.refuseNext > 0 || rebooting_) {
            if (!rebooting_)
                --options_.refuseNext;
            recorder_.note(QStringLiteral("refused connection from ") + peer);
            emit notice(QStringLiteral("refused connection from ") + peer);
            socket->abort();
            socket->deleteLater();
            continue;
        }
        if (link_) {
            recorder_.note(
                QStringLiteral("connection from %1 replaced by %2").arg(link_->peer(), peer));
            Link* old = link_.data();
            old->disconnect(this);
            old->closeWhenSent();
            old->deleteLater();
            link_ = nullptr;
            if (scanActive_ && !setup_.binary)
                endScan();
        }
        link_ = new Link(socket, options_, output_.isOpen() ? &output_ : nullptr, this);
        framesOnLink_ = 0;
        connect(link_, &Link::commandReceived, this, &Simulator::onCommand);
        connect(link_, &Link::ignoredAfterCr, this,
                [this](char byte) { recorder_.ignoredAfterCr(byte); });
        connect(link_, &Link::unterminated, this,
                [this](const QByteArray& bytes) { recorder_.command(bytes, false); });
        connect(link_, &Link::closed, this, &Simulator::onLinkClosed);
        connect(link_, &Link::drained, this, [this] {
            if (waitingForDrain_ && link_ && link_->pendingBytes() < kLowWater) {
                waitingForDrain_ = false;
                runScan();
            }
        });
        recorder_.note(QStringLiteral("connection from ") + peer);
        emit clientConnected();
    }
}

void Simulator::onLinkClosed() {
    Link* link = qobject_cast<Link*>(sender());
    if (!link)
        return;
    recorder_.note(QStringLiteral("connection from %1 closed").arg(link->peer()));
    if (link == link_) {
        link_ = nullptr;
        if (scanActive_ && !setup_.binary)
            endScan();
    }
    link->deleteLater();
    emit clientClosed();
}

void Simulator::onCommand(const QByteArray& command, bool tooLong) {
    recorder_.command(tooLong ? command + "..." : command, true);
    if (rebooting_ || !link_)
        return;
    const Outcome outcome =
        tooLong ? unit_.commandTooLong() : unit_.execute(command, link_->localAddress());
    reply(outcome.text);
    act(outcome.action);
}

bool Simulator::silent() const {
    return options_.silentAfter >= 0 && replies_ >= options_.silentAfter;
}

void Simulator::reply(const QByteArray& text) {
    if (text.isEmpty() || !link_ || silent())
        return;
    ++replies_;
    if (options_.slowMs > 0)
        link_->sendLater(text, options_.slowMs);
    else
        link_->send(text);
}

void Simulator::act(Action action) {
    switch (action) {
    case Action::StartScan:
        startScan();
        break;
    case Action::StopScan:
        stopScan();
        break;
    case Action::Calibrate:
        calibrateTimer_.start(options_.calibrateMs);
        break;
    case Action::Reboot:
        reboot();
        break;
    case Action::None:
        break;
    }
}

void Simulator::startScan() {
    setup_ = scanSetup(unit_.state(), unit_.seed());
    if (options_.maxRate)
        setup_.queued = false;
    if (setup_.binary && !udp_) {
        udp_ = new QUdpSocket(this);
        udp_->bind(QHostAddress(QHostAddress::AnyIPv4), 0);
    }
    scanActive_ = true;
    acquiring_ = true;
    waitingForDrain_ = false;
    udpFailureNoted_ = false;
    produced_ = 0;
    sent_ = 0;
    scanStartNs_ = now();
    runScan(); // frame 0 goes out at once, before any later answer
}

void Simulator::stopScan() {
    if (!scanActive_)
        return;
    if (acquiring_ && setup_.queued)
        produced_ = framesDue(setup_, now() - scanStartNs_);
    else
        produced_ = sent_; // output stops at once
    acquiring_ = false;
    runScan();
}

void Simulator::endScan() {
    scanActive_ = false;
    acquiring_ = false;
    waitingForDrain_ = false;
    scanTimer_.stop();
    if (unit_.status() == UnitStatus::Scanning)
        unit_.setStatus(UnitStatus::Ready);
    frameRecord_.flush();
    emit scanFinished();
}

void Simulator::runScan() {
    if (!scanActive_)
        return;
    if (acquiring_) {
        if (options_.maxRate)
            produced_ = setup_.framesPerScan > 0 ? setup_.framesPerScan : kNoEnd;
        else
            produced_ = framesDue(setup_, now() - scanStartNs_);
        if (setup_.framesPerScan > 0 && produced_ >= setup_.framesPerScan)
            acquiring_ = false;
    }
    // Queued output waits until the acquisition has ended.
    const qint64 limit = (setup_.queued && acquiring_) ? sent_ : produced_;

    if (setup_.binary) {
        const qint64 end = std::min(limit, sent_ + kDatagramsPerPass);
        while (sent_ < end) {
            const int count = sendDatagrams(sent_, end);
            if (count == 0) {
                scanTimer_.start(1); // the send buffer is full: try again shortly
                return;
            }
            sent_ += count;
        }
    } else {
        if (!link_ || !link_->isOpen()) {
            endScan();
            return;
        }
        QByteArray batch;
        while (sent_ < limit && batch.size() < kBatchBytes) {
            if (silent()) {
                // A silent unit still scans; nothing reaches the client.
                sent_ = std::min(limit, sent_ + 1000);
                break;
            }
            if (link_->pendingBytes() + batch.size() > kHighWater) {
                waitingForDrain_ = true;
                break;
            }
            appendTextFrame(batch, setup_, quint64(sent_));
            ++sent_;
            ++framesOnLink_;
            if (options_.closeAfterFrames >= 0 && framesOnLink_ >= options_.closeAfterFrames) {
                link_->send(batch);
                recorder_.note(QStringLiteral("closing after %1 frames").arg(framesOnLink_));
                link_->closeWhenSent();
                endScan();
                return;
            }
        }
        link_->send(batch);
    }
    if (!acquiring_ && sent_ >= limit) {
        endScan();
        return;
    }
    scheduleScan();
}

void Simulator::scheduleScan() {
    if (waitingForDrain_)
        return; // the connection's drained signal resumes the scan
    const qint64 limit = (setup_.queued && acquiring_) ? sent_ : produced_;
    if (sent_ < limit || options_.maxRate || !acquiring_) {
        scanTimer_.start(silent() && options_.maxRate ? 10 : 0);
        return;
    }
    const qint64 nextDueNs = produced_ * setup_.frameNs;
    const qint64 waitNs = nextDueNs - (now() - scanStartNs_);
    scanTimer_.start(int(std::max<qint64>(0, (waitNs + 999999) / 1000000)));
}

int Simulator::sendDatagrams(qint64 first, qint64 end) {
    // Up to a batch of datagrams in one system call.
    constexpr int kBatch = 64;
    const int count = int(std::min<qint64>(end - first, kBatch));
    std::array<QByteArray, kBatch> datagrams;
    std::array<std::array<float, 2 * kChannels>, kBatch> values;
    mmsghdr headers[kBatch] = {};
    iovec vectors[kBatch];
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(setup_.host.toIPv4Address());
    to.sin_port = htons(setup_.port);
    for (int i = 0; i < count; ++i) {
        datagrams[i] =
            binaryFrame(setup_, quint64(first + i), frameRecord_.isOpen() ? &values[i] : nullptr);
        vectors[i] = {datagrams[i].data(), size_t(datagrams[i].size())};
        headers[i].msg_hdr.msg_name = &to;
        headers[i].msg_hdr.msg_namelen = sizeof to;
        headers[i].msg_hdr.msg_iov = &vectors[i];
        headers[i].msg_hdr.msg_iovlen = 1;
    }
    const int sent = ::sendmmsg(int(udp_->socketDescriptor()), headers, unsigned(count), 0);
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS))
        return 0;
    if (sent < 0) {
        if (!udpFailureNoted_) {
            udpFailureNoted_ = true;
            emit notice(QStringLiteral("cannot send frames to %1 port %2: %3")
                            .arg(setup_.host.toString())
                            .arg(setup_.port)
                            .arg(QString::fromLocal8Bit(std::strerror(errno))));
        }
        return count; // a unit does not wait for a host that is not there
    }
    for (int i = 0; i < sent && frameRecord_.isOpen(); ++i)
        frameRecord_.write(quint64(first + i), frameTimeUs(setup_, quint64(first + i)), values[i]);
    return sent;
}

void Simulator::reboot() {
    recorder_.note(QStringLiteral("rebooting"));
    emit notice(QStringLiteral("rebooting: refusing connections for %1 ms").arg(options_.rebootMs));
    if (scanActive_)
        endScan();
    calibrateTimer_.stop();
    unit_.reboot();
    rebooting_ = true;
    // The port closes before the client's connection does: a client that
    // tries again the moment it sees its connection close is refused, not
    // accepted and then reset.
    server_.close();
    if (link_)
        link_->closeWhenSent();
    rebootTimer_.start(options_.rebootMs);
}

void Simulator::listenAgain() {
    if (!server_.listen(options_.bind, port_)) {
        emit notice(QStringLiteral("cannot listen again on port %1: %2; trying again")
                        .arg(port_)
                        .arg(server_.errorString()));
        rebootTimer_.start(1000);
        return;
    }
    rebooting_ = false;
    recorder_.note(QStringLiteral("listening again after reboot"));
    emit listeningAgain();
}

} // namespace qelsim
