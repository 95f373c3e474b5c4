#pragma once
// A scripted fake unit: a QTcpServer on 127.0.0.1 that records every byte
// it receives and answers with scripted lines.

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

class FakeUnit : public QObject {
    Q_OBJECT
public:
    explicit FakeUnit(QObject* parent = nullptr);
    ~FakeUnit() override;

    quint16 port() const { return server_.serverPort(); }
    // "127.0.0.1:<port>", the address to type into the connection window.
    QString address() const;

    // Every byte received, in order.
    QByteArray received() const { return received_; }
    // The commands received so far, split at CR (an LF after a CR is kept
    // with the following command, so CR LF shows up as a leading "\n").
    QStringList commands() const;
    void clearReceived() { received_.clear(); }

    // Answers: when a received command (text up to CR, LF dropped) equals
    // the key, the lines are sent, each followed by CR LF, in one write.
    void answer(const QString& command, const QStringList& lines);
    // Stops answering after this many answered commands (-1: never).
    void setAnswerLimit(int n) { answerLimit_ = n; }

    // Sends raw bytes to the connected client.
    void sendRaw(const QByteArray& bytes);
    // Sends lines, each followed by CR LF, in one write.
    void sendLines(const QStringList& lines);
    // Closes the connection in order, or resets it (linger 0: the client
    // sees a TCP reset, as when a unit loses power).
    void closeClient();
    void resetClient();

    // Stops taking what the client sends (its bytes wait in the network, as
    // with a unit that has stopped reading), or takes it again.
    void setReading(bool reading);

    bool isConnected() const;
    // Waits (processing events) until the received bytes contain text.
    bool waitForReceived(const QByteArray& text, int timeoutMs = 5000);
    bool waitForClient(int timeoutMs = 5000);
    // Waits until the client has closed the connection.
    bool waitForDisconnect(int timeoutMs = 5000);

    // The standard replies of the four settings groups for a plain unit.
    static QHash<QString, QStringList>
    standardLists(const QString& model = QStringLiteral("Q1600"));
    // Installs answers for "List I", "List C", "List H" and "List S".
    void answerStandardLists(const QString& model = QStringLiteral("Q1600"));

private:
    void onReadyRead();

    QTcpServer server_;
    QPointer<QTcpSocket> client_;
    QByteArray received_;
    QByteArray pending_;
    QHash<QString, QStringList> answers_;
    int answerLimit_ = -1;
    int answered_ = 0;
    bool reading_ = true;
};
