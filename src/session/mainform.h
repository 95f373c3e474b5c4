#pragma once
// Main: the connection window (an MDI working window). It holds the address
// box, the history list, the Connect/Cancel/Disconnect button, the socket and
// the session's three timers.
//
// The socket belongs to this window for the whole run: it is closed (never
// deleted) when a session ends, so that code waiting in a message box or a
// pause can never find it gone.

#include "core/form.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QByteArrayView>
#include <QElapsedTimer>
#include <QList>

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QIODevice;
class QPushButton;
class QTcpSocket;
class QTimer;

class Main : public Form {
    Q_OBJECT
public:
    Main();
    ~Main() override;

    QLabel* Image1 = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* txtIpAdd = nullptr;
    QPushButton* Command1 = nullptr;
    QListWidget* lstIpHistory = nullptr;
    QTcpSocket* Winsock1 = nullptr;
    QTimer* tmrSleep = nullptr;
    QTimer* tmrStatus = nullptr;
    QTimer* tmrResponse = nullptr;

    // Starts connecting to an address as typed ("host" or "host:port"); the
    // connect or the error event follows.
    void ConnectToUnit(const QString& address);
    // Writes a command to the unit when the connection stands and fewer than
    // SendBacklogLimit bytes wait unsent; otherwise the command is dropped.
    void SendText(const QString& text);
    static constexpr qint64 SendBacklogLimit = 256 * 1024;
    // Closes the connection at once. Closing a closed socket does nothing;
    // the close event is not raised for a close of our own.
    void CloseSocket();
    // How many pieces of line the receiving rule has dropped since the
    // program started: the non-empty pieces after the last CR LF of arrivals
    // that did not fill the read cap (lines cut by the network). Read by the
    // benchmark, to tell those from any other loss.
    qint64 PiecesDropped() const { return piecesDropped_; }
    // The socket's local address as text ("" while not connected).
    QString LocalAddress() const;
    // Refills lstIpHistory with the non-empty history entries, in order.
    void FillHistoryList();

    // The most an arrival holds: the socket's read buffer.
    static constexpr qint64 ReadCap = 256 * 1024;
    // A unit that streams sends piece after piece, each a frame or so: woken
    // for every one, the program spends more on waking than on the lines.
    // Once pieces come less than StreamGapMs apart, or an arrival holds
    // StreamBytes or more, the kernel is asked to report the socket readable
    // only when GatherBytes wait, and GatherMs later in any case: the lines
    // are handled a few milliseconds later, many pieces at a time.
    static constexpr int StreamGapMs = 2;
    static constexpr qint64 StreamBytes = 1024;
    static constexpr int GatherBytes = 16 * 1024;
    static constexpr int GatherMs = 8;
    // One arrival of received text cut into lines: split at every CR LF, the
    // piece after the last CR LF left out; text without CR LF gives no line.
    // The lines are views of the arrival.
    static QList<QByteArrayView> ArrivalLines(QByteArrayView arrival);
    // Where the line that starts at `from` ends: the position of the next
    // CR LF, or -1 when none follows.
    static qsizetype LineEnd(QByteArrayView bytes, qsizetype from);
    // The part of an arrival that is cut into lines, and the rest. An
    // arrival that filled the read cap was cut by the program, not by the
    // network: what follows its last CR LF stays for the next arrival
    // (heldBack). Any other arrival is taken whole, and what follows its last
    // CR LF is lost, as is a capped arrival without any CR LF.
    static void CutArrival(QByteArray& arrival, QByteArray& heldBack, qint64 cap = ReadCap);
    // The next arrival from a socket: what a capped arrival held back, then
    // what the socket holds, up to the cap in all; cut as above.
    // The arrival is read into `buffer` when it is not shared (its memory is
    // used again, arrival after arrival), else into a new one.
    static QByteArray TakeArrival(QIODevice& socket, QByteArray& heldBack, qint64 cap = ReadCap,
                                  QByteArray buffer = QByteArray());
    // The error number shown in the socket error box.
    //   10061 connection refused        10060 timed out
    //   11001 host not found            10065 host or network unreachable
    //   10054 connection reset          10053 connection aborted
    //   12000 + Qt's error code         anything else
    static int SocketErrorNumber(QAbstractSocket::SocketError error, bool wasConnected);

protected:
    bool isMdiChild() const override { return true; }
    void onUnload() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Command1_Click();
    void lstIpHistory_Click(QListWidgetItem* item);
    void Winsock1_Connect();
    void Winsock1_DataArrival();
    void Winsock1_Close();
    void Winsock1_Error(QAbstractSocket::SocketError error);
    void tmrStatus_Timer();
    void tmrResponse_Timer();

    void DetachSocket();
    void Layout();
    // A second descriptor of the connected socket, so that a reset can be
    // told from an orderly close after Qt has closed its own.
    void KeepConnection();
    void ForgetConnection();
    bool ConnectionWasReset() const;
    // The least the socket must hold before the kernel reports it readable.
    void SetLowWater(int bytes);

    int keptDescriptor_ = -1;
    bool closingByUs_ = false;
    int queuedArrivals_ = 0;
    QByteArray heldBack_; // the end of a capped arrival, the start of the next
    qint64 piecesDropped_ = 0;
    QByteArray spare_;           // the memory of an arrival handled, for the next
    QTimer* gather_ = nullptr;   // ends a gathering of arrivals
    QElapsedTimer sinceArrival_; // since the last arrival was taken
    bool wasConnected_ = false;
};
