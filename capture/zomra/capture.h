#pragma once
// One capture run: set the unit up to send its binary frames to this
// computer, start the scan, take in every frame, end the scan, put the
// unit's data host back as it was, write the data file and tell how it went.

#include "zomra/config.h"
#include "zomra/datafile.h"
#include "zomra/receiver.h"
#include "zomra/tally.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QMap>
#include <QObject>
#include <QTcpSocket>
#include <functional>

namespace zomra {

// Exit statuses.
enum Status {
    AllFrames = 0,  // every frame of the scan arrived and was written
    Incomplete = 1, // frames lost, the unit failed or could not be reached, a write failed
    NotStarted = 2, // bad options or configuration, no data file, no UDP port
};

struct RunOptions {
    quint16 udpPort = 23; // the port the unit sends to; 0 picks a free one
    int timeoutMs = 2000; // silence, beyond one frame interval, that ends the capture
};

class Capture : public QObject {
    Q_OBJECT
public:
    Capture(const Config& config, const RunOptions& options, QObject* parent = nullptr);

    // Runs to the end; prints problems on stderr and the summary on stdout.
    int run();
    // Ends the capture as soon as possible (SIGINT, SIGTERM).
    void interrupt();

private:
    int setUp();
    void receive();
    void putBack();
    void closeLink();
    int summarise(const QString& ending);

    bool waitFor(const std::function<bool()>& done, int timeoutMs);
    void wake();
    void send(const QByteArray& command);
    // Sends a list request; true once the line starting with `last` came,
    // with the settings of the answer added to settings_.
    bool ask(const QByteArray& command, const QByteArray& last);
    void onReadyRead();
    void onDatagram(const char* data, int size, bool truncated);
    QString errorsSaid() const;

    Config config_;
    RunOptions options_;
    QTcpSocket socket_;
    QByteArray input_;
    QList<QByteArray> lines_;
    QList<QByteArray> errors_; // "ERROR" lines from the unit
    QMap<QByteArray, QByteArray> settings_;
    QByteArray oldHost_; // the unit's settings this run changed, to put back
    QByteArray oldBin_;
    UdpReceiver receiver_;
    DataFile data_;
    FrameTally tally_;
    qint64 frameUs_ = 0;
    bool queued_ = false;

    QEventLoop* loop_ = nullptr;
    bool interrupted_ = false;
    bool linkLost_ = false;
    QElapsedTimer clock_;
    qint64 firstNs_ = -1;
    qint64 lastNs_ = -1;
    qint64 malformed_ = 0;
    const char* malformedReason_ = nullptr;
};

} // namespace zomra
