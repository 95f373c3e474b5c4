#include "qelsim/link.h"

#include "qelsim/recorder.h"

namespace qelsim {

Link::Link(QTcpSocket* socket, const SimOptions& options, OutputRecorder* output, QObject* parent)
    : QObject(parent), socket_(socket), options_(options), output_(output), random_(options.seed) {
    socket_->setParent(this);
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    peer_ = QStringLiteral("%1:%2").arg(socket_->peerAddress().toString()).arg(socket_->peerPort());
    clock_.start();
    chunkTimer_.setInterval(options_.splitDelayMs);
    connect(&chunkTimer_, &QTimer::timeout, this, &Link::writeNextChunk);
    delayTimer_.setSingleShot(true);
    delayTimer_.setTimerType(Qt::PreciseTimer);
    connect(&delayTimer_, &QTimer::timeout, this, &Link::sendDue);
    connect(socket_, &QTcpSocket::readyRead, this, &Link::onReadyRead);
    connect(socket_, &QTcpSocket::bytesWritten, this, &Link::drained);
    connect(socket_, &QTcpSocket::disconnected, this, [this] {
        if (!cutter_.pending().isEmpty() || cutter_.overflowed())
            emit unterminated(cutter_.pending());
        cutter_.clear();
        if (!closedEmitted_) {
            closedEmitted_ = true;
            emit closed();
        }
    });
}

Link::~Link() {
    socket_->disconnect(this);
    socket_->abort();
}

bool Link::isOpen() const {
    return socket_->state() == QAbstractSocket::ConnectedState;
}

void Link::readWaiting() {
    if (socket_->state() == QAbstractSocket::ConnectedState)
        socket_->waitForReadyRead(0);
}

QString Link::localAddress() const {
    const QHostAddress address = socket_->localAddress();
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4).toString() : address.toString();
}

qint64 Link::pendingBytes() const {
    return socket_->bytesToWrite() + chunkBytes_;
}

void Link::onReadyRead() {
    const QByteArray data = socket_->readAll();
    for (char c : data) {
        if (closing_)
            return;
        CutPiece piece;
        if (!cutter_.take(c, &piece))
            continue;
        if (piece.kind == CutPiece::IgnoredAfterCr)
            emit ignoredAfterCr(piece.byte);
        else
            emit commandReceived(piece.command, piece.tooLong);
    }
}

void Link::send(const QByteArray& bytes) {
    if (closing_ || bytes.isEmpty() || !isOpen())
        return;
    if (options_.split == SplitMode::None && chunks_.isEmpty()) {
        writeNow(bytes);
        return;
    }
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype size = bytes.size() - start;
        switch (options_.split) {
        case SplitMode::Fixed:
            size = std::min<qsizetype>(size, options_.splitBytes);
            break;
        case SplitMode::Random:
            size = std::min<qsizetype>(size, qsizetype(random_() % 32 + 1));
            break;
        case SplitMode::CrLf: {
            const qsizetype cr = bytes.indexOf("\r\n", start);
            if (cr >= 0)
                size = cr + 1 - start;
            break;
        }
        case SplitMode::None:
            break;
        }
        chunks_ << bytes.mid(start, size);
        chunkBytes_ += size;
        start += size;
    }
    if (!chunkTimer_.isActive())
        chunkTimer_.start();
}

void Link::writeNow(const QByteArray& bytes) {
    socket_->write(bytes);
    if (output_)
        output_->write(bytes);
}

void Link::writeNextChunk() {
    if (chunks_.isEmpty()) {
        chunkTimer_.stop();
        finishClose();
        return;
    }
    const QByteArray chunk = chunks_.takeFirst();
    chunkBytes_ -= chunk.size();
    writeNow(chunk);
    socket_->flush();
    if (chunks_.isEmpty()) {
        chunkTimer_.stop();
        finishClose();
    }
    emit drained();
}

void Link::sendLater(const QByteArray& bytes, int ms) {
    if (closing_ || bytes.isEmpty())
        return;
    qint64 due = clock_.elapsed() + ms;
    // Keep the order: never due before an answer queued earlier.
    if (!delayed_.isEmpty())
        due = std::max(due, delayed_.last().dueMs);
    delayed_.append({due, bytes});
    if (!delayTimer_.isActive())
        delayTimer_.start(int(std::max<qint64>(0, delayed_.first().dueMs - clock_.elapsed())));
}

void Link::sendDue() {
    while (!delayed_.isEmpty() && delayed_.first().dueMs <= clock_.elapsed())
        send(delayed_.takeFirst().bytes);
    if (!delayed_.isEmpty())
        delayTimer_.start(int(std::max<qint64>(0, delayed_.first().dueMs - clock_.elapsed())));
}

void Link::closeWhenSent() {
    if (closing_)
        return;
    closing_ = true;
    delayed_.clear();
    delayTimer_.stop();
    finishClose();
}

void Link::finishClose() {
    if (closing_ && chunks_.isEmpty())
        socket_->disconnectFromHost();
}

} // namespace qelsim
