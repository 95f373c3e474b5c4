#pragma once
// The simulated unit on the network: listens for one client at a time,
// runs its commands through the interpreter, streams scans at the pace the
// settings give, reboots, and applies the fault modes.

#include "qelsim/frames.h"
#include "qelsim/options.h"
#include "qelsim/recorder.h"
#include "qelsim/unit.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTimer>
#include <QUdpSocket>
#include <functional>

namespace qelsim {

class Link;

class Simulator : public QObject {
    Q_OBJECT
public:
    // Output waiting on the connection above which a scan pauses, and below
    // which it goes on again.
    static constexpr qint64 kHighWater = 256 * 1024;
    static constexpr qint64 kLowWater = 64 * 1024;

    explicit Simulator(const SimOptions& options, QObject* parent = nullptr);
    ~Simulator() override;

    // Opens the record files and starts listening.
    bool start(QString* error);

    quint16 port() const { return port_; }
    bool isListening() const { return server_.isListening(); }
    bool hasClient() const;
    Unit& unit() { return unit_; }
    // Fault modes may be changed between commands.
    SimOptions& options() { return options_; }
    bool isScanning() const { return scanActive_; }
    // Frames of the current (or last) scan sent so far.
    qint64 framesSent() const { return sent_; }
    const ScanSetup& scanSetupInUse() const { return setup_; }
    // Output handed to the connection but not yet written to the network.
    qint64 pendingOutput() const;
    // The scan waits for the client to take what was sent.
    bool isWaitingForDrain() const { return waitingForDrain_; }

    // Replaces the clock the scan pace is measured with (nanoseconds);
    // tests drive it by hand and call runScan().
    void setClock(std::function<qint64()> nowNs) { clock_ = std::move(nowNs); }
    // Sends whatever frames are due now.
    void runScan();

signals:
    void clientConnected();
    void clientClosed();
    void scanFinished();
    void listeningAgain();
    // Things worth telling the operator (written to stderr by the program).
    void notice(const QString& text);

private:
    void onNewConnection();
    void onCommand(const QByteArray& command, bool tooLong);
    void onLinkClosed();
    void reply(const QByteArray& text);
    bool silent() const;
    void act(Action action);
    void startScan();
    void stopScan();
    void endScan();
    void scheduleScan();
    // Sends frames first to end - 1 (at most a batch of them) as datagrams;
    // returns how many went out, 0 when the send buffer is full.
    int sendDatagrams(qint64 first, qint64 end);
    void reboot();
    void listenAgain();
    qint64 now() const { return clock_(); }

    SimOptions options_;
    Unit unit_;
    QTcpServer server_;
    quint16 port_ = 0;
    QPointer<Link> link_;
    CommandRecorder recorder_;
    OutputRecorder output_;
    FrameRecorder frameRecord_;
    QTimer calibrateTimer_;
    QTimer rebootTimer_;
    QTimer scanTimer_;
    QElapsedTimer elapsed_;
    std::function<qint64()> clock_;
    qint64 replies_ = 0;
    bool rebooting_ = false;

    // The scan
    ScanSetup setup_;
    QUdpSocket* udp_ = nullptr;
    bool scanActive_ = false;
    bool acquiring_ = false;
    bool waitingForDrain_ = false;
    qint64 scanStartNs_ = 0;
    qint64 produced_ = 0;     // frames acquired so far
    qint64 sent_ = 0;         // frames sent so far
    qint64 framesOnLink_ = 0; // frames sent on the current connection
    bool udpFailureNoted_ = false;
};

} // namespace qelsim
