#pragma once
// A test client for the simulator: a TCP connection that sends commands
// and collects the lines and the separate reads it receives.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTcpSocket>
#include <functional>

class SimClient : public QObject {
    Q_OBJECT
public:
    explicit SimClient(QObject* parent = nullptr);

    bool connectTo(quint16 port);
    bool isConnected() const;
    bool waitForClosed(int timeoutMs = 5000);

    // Sends raw bytes / a command followed by CR.
    void sendRaw(const QByteArray& bytes);
    void command(const QString& text);

    // Everything received, in order, and each read as it arrived.
    QByteArray received() const { return received_; }
    QList<QByteArray> reads() const { return reads_; }
    // The complete lines received (each ended by CR LF), without CR LF.
    QStringList lines() const;
    void clear();

    // Handles events until done() holds: woken by every read, and at least
    // every 20 ms for conditions that do not depend on the client.
    bool waitFor(const std::function<bool()>& done, int timeoutMs = 5000);
    // Waits until some received line satisfies the test.
    bool waitForLine(const std::function<bool(const QString&)>& test, int timeoutMs = 5000);
    // Sends the command and returns every line up to and including the first
    // line that starts with `last` (empty if it does not come).
    QStringList ask(const QString& command, const QString& last);
    // Sends the command followed by "STATUS" and returns the lines that came
    // before the status answer: what the command itself answered.
    QStringList exchange(const QString& command);

    QTcpSocket socket;

private:
    QByteArray received_;
    QList<QByteArray> reads_;
};
