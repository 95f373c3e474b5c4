#pragma once
// A test client for the simulator: a TCP connection that sends commands
// and collects the lines and the separate reads it receives.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTcpSocket>
#include <functional>

#include "qelsim/simulator.h"

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

// Options for a simulator on a free local port.
qelsim::SimOptions localOptions(const QString& model = QStringLiteral("Q1600"));

// A simulator with a connected client. With a hand clock the simulator's
// time stands still until at() moves it.
struct SimBench {
    explicit SimBench(const qelsim::SimOptions& options = localOptions(), bool handClock = false)
        : sim(options) {
        if (handClock)
            sim.setClock([this] { return clockNs; });
        QString error;
        started = sim.start(&error) && client.connectTo(sim.port());
    }
    // Moves the hand clock and lets the simulator send what is due.
    void at(qint64 ns) {
        clockNs = ns;
        sim.runScan();
    }
    // Sends commands that answer nothing; false if one answers.
    bool quiet(const QStringList& commands) {
        for (const QString& command : commands)
            if (!client.exchange(command).isEmpty())
                return false;
        return true;
    }
    qelsim::Simulator sim;
    SimClient client;
    qint64 clockNs = 0;
    bool started = false;
};
