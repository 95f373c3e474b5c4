#include "zomra/receiver.h"

#include <QCoreApplication>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zomra {

namespace {
constexpr int kBatchSize = 64;
constexpr int kSlotBytes = 2048; // far more than a frame: longer datagrams are flagged
// Batches read before the event loop gets its turn again.
constexpr int kBatchesPerTurn = 32;
} // namespace

// Buffers for one recvmmsg call.
struct UdpReceiver::Batch {
    mmsghdr headers[kBatchSize];
    iovec vectors[kBatchSize];
    char data[kBatchSize][kSlotBytes];
    // Room for the drop counter the system attaches to each datagram.
    alignas(cmsghdr) char control[kBatchSize][CMSG_SPACE(sizeof(quint32))];
};

UdpReceiver::UdpReceiver(QObject* parent) : QObject(parent), batch_(std::make_unique<Batch>()) {}

UdpReceiver::~UdpReceiver() {
    notifier_.reset();
    if (fd_ >= 0)
        ::close(fd_);
}

bool UdpReceiver::bind(quint16 port, QString* error) {
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        *error = QStringLiteral("cannot open a UDP socket: %1")
                     .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    // A privileged process may go beyond the system's limit on receive
    // buffers; anyone else gets at most that limit.
    int wanted = kWantedBufferBytes;
    if (::setsockopt(fd_, SOL_SOCKET, SO_RCVBUFFORCE, &wanted, sizeof wanted) != 0)
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &wanted, sizeof wanted);
    socklen_t length = sizeof bufferBytes_;
    ::getsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &bufferBytes_, &length);
    const int on = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_RXQ_OVFL, &on, sizeof on);

    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(port);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        const int code = errno;
        *error = QStringLiteral("cannot receive frames on UDP port %1: %2")
                     .arg(port)
                     .arg(QString::fromLocal8Bit(std::strerror(code)));
        if (code == EACCES)
            *error +=
                QStringLiteral(". Ports below 1024 need a privilege: run the capture as root, "
                               "or allow this program once with 'sudo setcap "
                               "cap_net_bind_service=+ep %1'")
                    .arg(QCoreApplication::applicationFilePath());
        else if (code == EADDRINUSE)
            *error += QStringLiteral(". Another program (another capture?) is receiving on it");
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    socklen_t size = sizeof address;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);

    for (int i = 0; i < kBatchSize; ++i) {
        batch_->vectors[i] = {batch_->data[i], kSlotBytes};
        msghdr& h = batch_->headers[i].msg_hdr;
        h = {};
        h.msg_iov = &batch_->vectors[i];
        h.msg_iovlen = 1;
    }
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &UdpReceiver::readAll);
    return true;
}

bool UdpReceiver::readAll() {
    Batch& b = *batch_;
    bool any = false;
    bool more = true;
    for (int turn = 0; turn < kBatchesPerTurn; ++turn) {
        for (int i = 0; i < kBatchSize; ++i) {
            msghdr& h = b.headers[i].msg_hdr;
            h.msg_control = b.control[i];
            h.msg_controllen = sizeof b.control[i];
            h.msg_flags = 0;
        }
        const int count = ::recvmmsg(fd_, b.headers, kBatchSize, MSG_DONTWAIT, nullptr);
        if (count <= 0) {
            more = false;
            break;
        }
        any = true;
        for (int i = 0; i < count; ++i) {
            msghdr& h = b.headers[i].msg_hdr;
            for (cmsghdr* c = CMSG_FIRSTHDR(&h); c; c = CMSG_NXTHDR(&h, c)) {
                if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SO_RXQ_OVFL) {
                    quint32 counter;
                    std::memcpy(&counter, CMSG_DATA(c), sizeof counter);
                    // The counter runs for the socket's life: count what it
                    // grew by since the last datagram.
                    if (counterSeen_)
                        overflows_ += quint32(counter - overflowCounter_);
                    else
                        overflows_ += counter;
                    overflowCounter_ = counter;
                    counterSeen_ = true;
                }
            }
            if (onDatagram)
                onDatagram(b.data[i], int(b.headers[i].msg_len), (h.msg_flags & MSG_TRUNC) != 0);
        }
        if (count < kBatchSize) {
            more = false;
            break;
        }
    }
    if (any)
        emit arrived();
    return more;
}

void UdpReceiver::discard() {
    const auto handler = std::move(onDatagram);
    onDatagram = nullptr;
    for (int turn = 0; turn < 100 && readAll(); ++turn) {
    }
    onDatagram = handler;
    overflows_ = 0;
}

} // namespace zomra
