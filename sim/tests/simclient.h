#pragma once
// A test client for the simulator: a TCP connection that sends commands and
// collects the lines it receives; and a simulator on a free local port with a
// connected client.

#include "qelsim/simulator.h"

#include <QTcpSocket>
#include <functional>

class SimClient : public QObject {
    Q_OBJECT
public:
    SimClient();
    bool connectTo(quint16 port);

    void command(const QString& text); // the text and CR

    // Everything received, and its complete lines (ended by CR LF) without CR LF.
    QByteArray received;
    QStringList lines() const;
    void clear();

    // Handles events until done() holds: woken by every read, and at least
    // every 20 ms for conditions that do not depend on the client.
    bool waitFor(const std::function<bool()>& done, int timeoutMs = 5000);
    // Waits until a received line starts with the prefix (a regular expression).
    bool waitForLine(const QString& prefix);
    // Sends the command and returns every line up to and including the first
    // that starts with `last` (empty if it does not come).
    QStringList ask(const QString& command, const QString& last);
    // Sends the command, then "STATUS", and returns the lines that came
    // before the status answer: what the command itself answered.
    QStringList exchange(const QString& command);

    QTcpSocket socket;
};

// Options for a simulator of the model on a free local port.
qelsim::SimOptions LocalOptions(const QString& model = QStringLiteral("Q1600"));

// A simulator with a connected client. With a hand clock the simulator's
// time stands still until at() moves it.
struct SimBench {
    explicit SimBench(const qelsim::SimOptions& options = LocalOptions(), bool handClock = false);
    // Moves the hand clock and lets the simulator send what is due.
    void at(qint64 ns) {
        clockNs = ns;
        sim.runScan();
    }
    // Sends commands that answer nothing; false if one answers.
    bool quiet(const QStringList& commands);

    qelsim::Simulator sim;
    SimClient client;
    qint64 clockNs = 0;
    bool started = false;
};
