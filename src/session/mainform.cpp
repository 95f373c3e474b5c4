#include "session/mainform.h"

#include "core/lines.h"
#include "core/program.h"
#include "core/prompt.h"
#include "core/registry.h"
#include "core/twips.h"
#include "session/connection.h"
#include "session/effects.h"
#include "session/send.h"
#include "session/session.h"
#include "session/state.h"

#include <QFile>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstring>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int LayoutMargin = 200; // twips

int Px(int twips) {
    return TwipsToPixels(twips);
}

void Place(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(Px(left), Px(top), Px(width), Px(height));
}

QFont ArialFont(double points, bool bold) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// The banner: a deep blue band with a pressure trace running across it.
QPixmap BannerPicture() {
    QPixmap pix(493, 49);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, pix.width(), 0);
    sky.setColorAt(0.0, QColor(12, 32, 74));
    sky.setColorAt(0.6, QColor(24, 86, 140));
    sky.setColorAt(1.0, QColor(40, 150, 170));
    p.fillRect(pix.rect(), sky);
    p.setPen(QPen(QColor(255, 255, 255, 40), 1));
    for (int x = 0; x < pix.width(); x += 16)
        p.drawLine(x, 0, x, pix.height());
    QPainterPath trace;
    for (int x = 0; x <= pix.width(); x += 2) {
        const double y = 30 + 9 * std::sin(x / 23.0) * std::exp(-x / 600.0) + 3 * std::sin(x / 5.0);
        if (x == 0)
            trace.moveTo(x, y);
        else
            trace.lineTo(x, y);
    }
    p.setPen(QPen(QColor(255, 210, 80), 2));
    p.drawPath(trace);
    p.setPen(Qt::white);
    p.setFont(ArialFont(16, true));
    p.drawText(QRect(12, 0, 300, 32), Qt::AlignLeft | Qt::AlignVCenter, ProgramName());
    return pix;
}

// The side picture: sixteen channel bars of varying length on a dark column.
QPixmap SidePicture() {
    QPixmap pix(83, 320);
    QPainter p(&pix);
    QLinearGradient column(0, 0, 0, pix.height());
    column.setColorAt(0.0, QColor(12, 32, 74));
    column.setColorAt(1.0, QColor(40, 150, 170));
    p.fillRect(pix.rect(), column);
    const int lengths[16] = {52, 60, 41, 66, 58, 47, 70, 63, 35, 55, 68, 44, 61, 50, 57, 39};
    for (int i = 0; i < 16; ++i) {
        const int top = 16 + i * 18;
        p.fillRect(QRect(8, top, 67, 10), QColor(255, 255, 255, 30));
        p.fillRect(QRect(8, top, lengths[i], 10), QColor(255, 210, 80));
    }
    return pix;
}

} // namespace

Main::Main() {
    setWindowTitle(QString()); // the connection window has no caption

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setScaledContents(true);
    Image1->setPixmap(BannerPicture());
    Place(Image1, 1440, 240, 7395, 735);

    Image2 = new QLabel(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setScaledContents(true);
    Image2->setPixmap(SidePicture());
    Place(Image2, 120, 240, 1245, 4800);

    Label1 = new QLabel(QStringLiteral("Open New Qel Connection"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(ArialFont(9.75, true));
    Place(Label1, 1440, 1320, 7215, 255);

    Label3 = new QLabel(
        QStringLiteral("To connect to a new QEL enter the QEL's IP address and press connect. "),
        this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setFont(ArialFont(8.25, false));
    Label3->setWordWrap(true);
    Label3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Place(Label3, 1440, 1680, 2415, 615);

    txtIpAdd = new QLineEdit(this);
    txtIpAdd->setObjectName(QStringLiteral("txtIpAdd"));
    txtIpAdd->setFont(ArialFont(12, true));
    Place(txtIpAdd, 4080, 1800, 2775, 375);

    Command1 = new QPushButton(QStringLiteral("Connect"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Place(Command1, 7080, 1680, 1095, 375);

    Label2 = new QLabel(QStringLiteral("Open Existing QEL Connection"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(ArialFont(9.75, true));
    Place(Label2, 1440, 2640, 7215, 255);

    Label4 = new QLabel(
        QStringLiteral(
            "To connect to an existing QEL select the QEL's IP address and press connect."),
        this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setFont(ArialFont(8.25, false));
    Label4->setWordWrap(true);
    Label4->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Place(Label4, 1440, 3120, 2415, 735);

    lstIpHistory = new QListWidget(this);
    lstIpHistory->setObjectName(QStringLiteral("lstIpHistory"));
    Place(lstIpHistory, 4080, 3120, 2775, 1620);

    // Read out as "Open New Qel Connection" and "Open Existing QEL
    // Connection", each with the instruction beside it as its description.
    Label1->setBuddy(txtIpAdd);
    Label2->setBuddy(lstIpHistory);
    txtIpAdd->setAccessibleDescription(Label3->text().trimmed());
    lstIpHistory->setAccessibleDescription(Label4->text().trimmed());

    Winsock1 = new QTcpSocket(this);
    Winsock1->setObjectName(QStringLiteral("Winsock1"));

    tmrSleep = new QTimer(this);
    tmrSleep->setObjectName(QStringLiteral("tmrSleep"));
    tmrSleep->setTimerType(Qt::PreciseTimer);
    tmrSleep->setInterval(100);
    tmrStatus = new QTimer(this);
    tmrStatus->setObjectName(QStringLiteral("tmrStatus"));
    tmrStatus->setInterval(2000);
    tmrResponse = new QTimer(this);
    tmrResponse->setObjectName(QStringLiteral("tmrResponse"));
    tmrResponse->setInterval(5000);
    tmrResponse->setTimerType(Qt::PreciseTimer); // five seconds, not up to 5 % more or less

    connect(Command1, &QPushButton::clicked, this, &Main::Command1_Click);
    connect(lstIpHistory, &QListWidget::itemClicked, this, &Main::lstIpHistory_Click);
    // Picking an entry with the arrow keys or Space counts as clicking it;
    // refilling the list (which selects nothing) does not.
    connect(lstIpHistory, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> picked = lstIpHistory->selectedItems();
        if (!picked.isEmpty())
            lstIpHistory_Click(picked.first());
    });
    connect(Winsock1, &QTcpSocket::connected, this, &Main::Winsock1_Connect);
    Winsock1->setReadBufferSize(ReadCap);
    connect(Winsock1, &QTcpSocket::readyRead, this, &Main::Winsock1_DataArrival);
    connect(Winsock1, &QTcpSocket::disconnected, this, &Main::Winsock1_Close);
    connect(Winsock1, &QTcpSocket::errorOccurred, this, &Main::Winsock1_Error);
    connect(tmrSleep, &QTimer::timeout, this, [] { Global::SleepDone = true; });
    connect(tmrStatus, &QTimer::timeout, this, &Main::tmrStatus_Timer);
    connect(tmrResponse, &QTimer::timeout, this, &Main::tmrResponse_Timer);
    gather_ = new QTimer(this);
    gather_->setSingleShot(true);
    gather_->setTimerType(Qt::PreciseTimer);
    gather_->setInterval(GatherMs);
    connect(gather_, &QTimer::timeout, this, [this] { SetLowWater(1); });

    // Client area large enough for the layout rule at its starting sizes.
    resize(Px(9035), Px(5240));
}

Main::~Main() {
    DetachSocket();
}

void Main::onUnload() {
    DetachSocket();
}

void Main::DetachSocket() {
    // Nothing of the socket may reach this window once it is going away.
    if (!Winsock1)
        return;
    heldBack_.clear();
    QObject::disconnect(Winsock1, nullptr, this, nullptr);
    Winsock1->abort();
    ForgetConnection();
}

void Main::resizeEvent(QResizeEvent* event) {
    Form::resizeEvent(event);
    Layout();
}

void Main::Layout() {
    const int clientWidth = width() * TwipsPerPixel;
    const int clientHeight = height() * TwipsPerPixel;
    for (QWidget* w : {static_cast<QWidget*>(Image1), static_cast<QWidget*>(Label1),
                       static_cast<QWidget*>(Label2)}) {
        const int left = w->x() * TwipsPerPixel;
        w->resize(std::max(0, Px(clientWidth - left - LayoutMargin)), w->height());
    }
    for (QWidget* w : {static_cast<QWidget*>(lstIpHistory), static_cast<QWidget*>(Image2)}) {
        const int top = w->y() * TwipsPerPixel;
        const int height = clientHeight - top - LayoutMargin;
        if (height > 100)
            w->resize(w->width(), Px(height));
    }
}

// --- sending and closing ----------------------------------------------------

void Main::SendText(const QString& text) {
    if (Winsock1->state() != QAbstractSocket::ConnectedState)
        return;
    // A unit that has stopped reading leaves what is sent in the socket's
    // buffer once the kernel's is full. Past SendBacklogLimit unsent bytes a
    // command is dropped whole, so such a unit can neither grow the program
    // without bound nor receive half a command.
    if (Winsock1->bytesToWrite() + text.size() > SendBacklogLimit)
        return;
    Winsock1->write(text.toLatin1());
}

void Main::CloseSocket() {
    heldBack_.clear();
    if (Winsock1->state() == QAbstractSocket::UnconnectedState) {
        ForgetConnection();
        return;
    }
    closingByUs_ = true;
    if (Winsock1->state() == QAbstractSocket::ConnectedState)
        Winsock1->flush(); // commands already sent leave before the close
    Winsock1->abort();
    ForgetConnection();
    closingByUs_ = false;
    wasConnected_ = false;
}

QString Main::LocalAddress() const {
    if (Winsock1->state() != QAbstractSocket::ConnectedState)
        return QString();
    return Winsock1->localAddress().toString();
}

void Main::FillHistoryList() {
    lstIpHistory->clear();
    for (const QString& entry : Global::IpHistory)
        if (!entry.isEmpty())
            lstIpHistory->addItem(entry);
}

// --- telling a reset from a close ----------------------------------------------
//
// Qt reports the unit closing the connection in order and the connection
// being reset (the unit's power cut, a switch port bouncing) with the same
// error, and closes its descriptor before it says so. The program keeps a
// second descriptor of the connected socket, so that the connection's TCP
// state can still be read then: a connection the unit closed in order waits
// in CLOSE-WAIT for our side; a reset one is CLOSED at once.

void Main::KeepConnection() {
    ForgetConnection();
    const qintptr fd = Winsock1->socketDescriptor();
    if (fd >= 0)
        keptDescriptor_ = ::dup(int(fd));
}

void Main::ForgetConnection() {
    if (keptDescriptor_ >= 0)
        ::close(keptDescriptor_);
    keptDescriptor_ = -1;
}

void Main::SetLowWater(int bytes) {
    const qintptr fd = Winsock1->socketDescriptor();
    if (fd >= 0)
        ::setsockopt(int(fd), SOL_SOCKET, SO_RCVLOWAT, &bytes, sizeof bytes);
}

bool Main::ConnectionWasReset() const {
    if (keptDescriptor_ < 0)
        return false;
    tcp_info info{};
    socklen_t length = sizeof info;
    if (::getsockopt(keptDescriptor_, IPPROTO_TCP, TCP_INFO, &info, &length) != 0)
        return false;
    return info.tcpi_state != TCP_CLOSE_WAIT;
}

// --- events -------------------------------------------------------------------

void Main::ConnectToUnit(const QString& address) {
    const UnitAddress target = ParseUnitAddress(address);
    wasConnected_ = false;
    heldBack_.clear();
    Winsock1->connectToHost(target.host, target.port);
}

void Main::Command1_Click() {
    if (Global::ConnectState == 0) {
        Global::IpAddress = txtIpAdd->text();
        Global::ShowConnecting();
        ConnectToUnit(Global::IpAddress);
        return;
    }
    CloseSocket();
    Global::EndSession();
}

void Main::lstIpHistory_Click(QListWidgetItem* item) {
    if (item)
        txtIpAdd->setText(item->text());
}

void Main::Winsock1_Connect() {
    wasConnected_ = true;
    KeepConnection();
    Global::StartSession();
}

void Main::Winsock1_DataArrival() {
    // Everything received so far is one arrival; it is cut into lines here
    // and the lines are handed on from a queued call, so that this handler
    // returns at once and further arrivals are seen while a line's handling
    // waits (the save-and-reboot sequence pauses inside the dispatcher).
    // At most one arrival waits in the queue: the next one is read when it
    // starts. With the socket's read buffer bounded, a unit that sends faster
    // than the windows can follow is held back by TCP itself instead of
    // piling up in memory and starving the screen.
    if (queuedArrivals_ > 0)
        return;
    QByteArray arrival = TakeArrival(*Winsock1, heldBack_, ReadCap, std::move(spare_));
    spare_ = QByteArray();
    const bool streaming = arrival.size() >= StreamBytes ||
                           (sinceArrival_.isValid() && sinceArrival_.elapsed() < StreamGapMs);
    sinceArrival_.start();
    if (streaming && !gather_->isActive()) {
        SetLowWater(GatherBytes);
        gather_->start();
    }
    const qsizetype last = arrival.lastIndexOf("\r\n");
    if (!arrival.isEmpty() && last + 2 != arrival.size())
        ++piecesDropped_;
    if (last < 0)
        return;
    arrival.truncate(last + 2); // its lines, each with its CR LF
    ++queuedArrivals_;
    QMetaObject::invokeMethod(
        this,
        [this, self = QPointer<Main>(this), arrival]() mutable {
            --queuedArrivals_;
            if (Winsock1->bytesAvailable() > 0)
                Winsock1_DataArrival();
            // Each line is handed as a view of the arrival, which this call keeps.
            const char* const data = arrival.constData();
            for (qsizetype from = 0, end; (end = LineEnd(arrival, from)) >= 0; from = end + 2)
                Global::HandleQelLine(QLatin1String(data + from, end - from));
            // A line's handling may have closed the window (a nested loop).
            if (self)
                spare_ = std::move(arrival);
        },
        Qt::QueuedConnection);
}

void Main::Winsock1_Close() {
    if (closingByUs_)
        return;
    wasConnected_ = false;
    ForgetConnection();
    Global::EndSession();
}

void Main::Winsock1_Error(QAbstractSocket::SocketError error) {
    if (closingByUs_)
        return;
    QString description = Winsock1->errorString();
    if (error == QAbstractSocket::RemoteHostClosedError && wasConnected_) {
        // The unit closing the connection in order is the close event, not
        // an error; a reset is a broken connection.
        if (!ConnectionWasReset())
            return;
        description = QStringLiteral("The connection was reset by the remote host");
    }
    const QString text = description + QStringLiteral("\r") + QStringLiteral("Error Number ") +
                         QString::number(SocketErrorNumber(error, wasConnected_));
    wasConnected_ = false;
    ForgetConnection();
    MsgBox(text, QStringLiteral("ERROR:"));
    Global::EndSession();
}

void Main::tmrStatus_Timer() {
    // An interval of 0 means the poll is on but never fires.
    if (tmrStatus->interval() <= 0) {
        tmrStatus->stop();
        return;
    }
    // Behind commands that have not even left, a poll would tell nothing new.
    if (Winsock1->bytesToWrite() > 0)
        return;
    Global::SendToQel(QStringLiteral("STATUS\r"));
}

void Main::tmrResponse_Timer() {
    Global::SendList(QString(), false);
    MsgBox(QStringLiteral("Timed out waiting for QEL response"));
}

// --- pure rules -----------------------------------------------------------------

qsizetype Main::LineEnd(QByteArrayView bytes, qsizetype from) {
    const char* const data = bytes.data();
    const qsizetype size = bytes.size();
    for (qsizetype at = from; at + 1 < size; ++at) {
        const auto* cr = static_cast<const char*>(std::memchr(data + at, '\r', size_t(size - at)));
        if (!cr)
            return -1;
        at = cr - data;
        if (at + 1 < size && data[at + 1] == '\n')
            return at;
        // a lone CR stays in the line
    }
    return -1;
}

QList<QByteArrayView> Main::ArrivalLines(QByteArrayView arrival) {
    QList<QByteArrayView> lines;
    for (qsizetype from = 0, end; (end = LineEnd(arrival, from)) >= 0; from = end + 2)
        lines.append(QByteArrayView(arrival.data() + from, end - from));
    return lines;
}

void Main::CutArrival(QByteArray& arrival, QByteArray& heldBack, qint64 cap) {
    heldBack.clear();
    if (arrival.size() < cap)
        return;
    const qsizetype last = arrival.lastIndexOf("\r\n");
    if (last < 0)
        return; // a line longer than the cap cannot be kept whole
    heldBack = arrival.mid(last + 2);
    arrival.truncate(last + 2);
}

QByteArray Main::TakeArrival(QIODevice& socket, QByteArray& heldBack, qint64 cap,
                             QByteArray buffer) {
    QByteArray arrival = buffer.isDetached() ? std::move(buffer) : QByteArray();
    const qsizetype held = heldBack.size();
    const qint64 room = std::max<qint64>(cap - held, 0);
    arrival.resize(held + room);
    std::memcpy(arrival.data(), heldBack.constData(), size_t(held));
    const qint64 got = socket.read(arrival.data() + held, room);
    arrival.resize(held + std::max<qint64>(got, 0));
    CutArrival(arrival, heldBack, cap);
    return arrival;
}

int Main::SocketErrorNumber(QAbstractSocket::SocketError error, bool wasConnected) {
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return 10061;
    case QAbstractSocket::SocketTimeoutError:
        return 10060;
    case QAbstractSocket::HostNotFoundError:
        return 11001;
    case QAbstractSocket::NetworkError:
        return wasConnected ? 10053 : 10065;
    case QAbstractSocket::RemoteHostClosedError:
        return 10054;
    default:
        return 12000 + static_cast<int>(error);
    }
}

// --- shared procedures of the connection window ----------------------------------

namespace Global {

namespace {

const QString HistoryFileName = QStringLiteral("IpHist.cfg");

} // namespace

void AddIpToHistory(const QString& address) {
    if (address != IpHistory[0]) {
        int found = -1;
        for (int i = 0; i < HistoryCount; ++i) {
            if (IpHistory[i] == address) {
                found = i;
                break;
            }
        }
        // A match moves up from where it was; a new address pushes the
        // oldest entry out.
        const int from = found >= 0 ? found : HistoryCount - 1;
        for (int j = from; j >= 1; --j)
            IpHistory[j] = IpHistory[j - 1];
        IpHistory[0] = address;
    }
    Registry::get<Main>().FillHistoryList();
}

void LoadIpHistory() {
    LineReader file;
    if (!file.open(HistoryFileName))
        return;
    for (int i = 0; i < HistoryCount; ++i) {
        if (file.atEnd())
            return; // short file: what was read stays, the list is not refilled
        IpHistory[i] = file.readLine();
    }
    Registry::get<Main>().FillHistoryList();
}

void SaveIpHistory() {
    QFile file(HistoryFileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    QByteArray bytes;
    for (const QString& entry : IpHistory)
        bytes += entry.toLatin1() + "\r\n";
    file.write(bytes);
    file.close();
}

void ShowConnecting() {
    ConnectState = 1;
    SetPanelText(1, QStringLiteral("Connecting to ") + IpAddress);
    SetPanelText(2, QStringLiteral("Getting Status"));
    Main& main = Registry::get<Main>();
    main.lstIpHistory->setEnabled(false);
    main.Command1->setText(QStringLiteral("Cancel"));
}

void DisableConnectButton() {
    Registry::get<Main>().Command1->setEnabled(false);
}

void EnableConnectButton() {
    Registry::get<Main>().Command1->setEnabled(true);
}

} // namespace Global

UnitAddress ParseUnitAddress(const QString& address) {
    const int colon = address.indexOf(QLatin1Char(':'));
    if (colon < 0 || address.indexOf(QLatin1Char(':'), colon + 1) >= 0)
        return UnitAddress{address, 23};
    const QString portText = address.mid(colon + 1);
    if (portText.isEmpty())
        return UnitAddress{address, 23};
    for (const QChar c : portText)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return UnitAddress{address, 23};
    bool ok = false;
    const qlonglong port = portText.toLongLong(&ok);
    if (!ok || port < 1 || port > 65535)
        return UnitAddress{address, 23};
    return UnitAddress{address.left(colon), static_cast<quint16>(port)};
}
