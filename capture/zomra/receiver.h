#pragma once
// The UDP socket the unit's frames arrive on: bound to every IPv4 address
// of this computer, with a receive buffer large enough to hold the frames
// of the longest stall of this program, read in batches.

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace zomra {

class UdpReceiver : public QObject {
    Q_OBJECT
public:
    // What the receive buffer is asked to hold; the system may grant less.
    static constexpr int kWantedBufferBytes = 16 * 1024 * 1024;

    explicit UdpReceiver(QObject* parent = nullptr);
    ~UdpReceiver() override;

    // Binds the port (0: a free one). On failure says why and, for a port
    // below 1024, how to allow it.
    bool bind(quint16 port, QString* error);
    quint16 port() const { return port_; }
    // The receive buffer the system granted, in bytes.
    int bufferBytes() const { return bufferBytes_; }
    // Datagrams the system dropped because the receive buffer was full.
    qint64 overflows() const { return overflows_; }

    // Called with each datagram; *truncated when it was longer than the
    // largest frame this program reads.
    std::function<void(const char* data, int size, bool truncated)> onDatagram;
    // Reads and drops everything waiting.
    void discard();

signals:
    // After each batch of datagrams.
    void arrived();

private:
    // Reads what is waiting, a limited number of batches at a time; true
    // when more may be waiting.
    bool readAll();

    int fd_ = -1;
    quint16 port_ = 0;
    int bufferBytes_ = 0;
    qint64 overflows_ = 0;
    quint32 overflowCounter_ = 0;
    bool counterSeen_ = false;
    std::unique_ptr<QSocketNotifier> notifier_;
    struct Batch;
    std::unique_ptr<Batch> batch_;
};

} // namespace zomra
