#pragma once
// One client connection: cuts what the client sends into commands and
// writes what the unit sends, whole or cut into separate writes by the
// split fault mode, at once or after a delay.

#include "qelsim/cutter.h"
#include "qelsim/options.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTcpSocket>
#include <QTimer>
#include <random>

namespace qelsim {

class OutputRecorder;

class Link : public QObject {
    Q_OBJECT
public:
    // Takes the socket over.
    Link(QTcpSocket* socket, const SimOptions& options, OutputRecorder* output,
         QObject* parent = nullptr);
    ~Link() override;

    // Sends bytes (whole lines).
    void send(const QByteArray& bytes);
    // Sends bytes after a delay, keeping the order of everything sent so.
    void sendLater(const QByteArray& bytes, int ms);
    // Bytes handed over but not yet written to the network.
    qint64 pendingBytes() const;

    bool isOpen() const;
    // Takes the commands that have already reached this computer but not yet
    // been read, so that none is lost when the link is replaced.
    void readWaiting();
    QString localAddress() const;
    QString peer() const { return peer_; }

    // Closes once everything sent so far has gone out; answers still
    // waiting for their delay are dropped. Commands after this are ignored.
    void closeWhenSent();

signals:
    // A command: the bytes before its CR (at most the unit's longest
    // command; tooLong when more came).
    void commandReceived(const QByteArray& command, bool tooLong);
    // An LF or NUL that directly followed a CR and was ignored.
    void ignoredAfterCr(char byte);
    // Bytes left without a CR when the connection closed.
    void unterminated(const QByteArray& bytes);
    // Some output went out; pendingBytes() is lower.
    void drained();
    void closed();

private:
    void onReadyRead();
    void writeNow(const QByteArray& bytes);
    void writeNextChunk();
    void sendDue();
    void finishClose();

    struct Delayed {
        qint64 dueMs;
        QByteArray bytes;
    };

    QTcpSocket* socket_;
    const SimOptions& options_;
    OutputRecorder* output_;
    QString peer_;
    CommandCutter cutter_;
    bool closing_ = false;
    bool closedEmitted_ = false;
    QList<QByteArray> chunks_;
    qint64 chunkBytes_ = 0;
    QTimer chunkTimer_;
    QList<Delayed> delayed_;
    QTimer delayTimer_;
    QElapsedTimer clock_;
    std::mt19937_64 random_;
};

} // namespace qelsim
