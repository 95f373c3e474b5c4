#pragma once
// A scripted fake unit: a QTcpServer on 127.0.0.1 that records every byte
// it receives and answers commands with scripted lines.

#include <QHash>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

class FakeUnit : public QObject {
    Q_OBJECT
public:
    FakeUnit();
    ~FakeUnit() override;

    // "127.0.0.1:<port>", the address to type into the connection window.
    QString address() const;
    // Every byte received, in order, and the commands in it split at CR (an
    // LF after a CR shows up as a leading "\n" of the next command).
    QByteArray received() const { return received_; }
    QStringList commands() const;
    void clearReceived() { received_.clear(); }

    // When a received command (LF dropped) equals the key, the lines are
    // sent, each followed by CR LF, in one write; at most `limit` answers in
    // all (-1: no limit).
    void answer(const QString& command, const QStringList& lines) { answers_[command] = lines; }
    void setAnswerLimit(int limit) { answerLimit_ = limit; }
    // Answers "List I", "List C", "List H" and "List S" as a plain Q1600 does.
    void answerStandardLists();
    static QStringList standardList(char group);

    void sendRaw(const QByteArray& bytes);
    void sendLines(const QStringList& lines);
    // Closes the connection in order, or resets it (linger 0: the client
    // sees a TCP reset, as when a unit loses power).
    void closeClient();
    void resetClient();

    // Stops taking what the client sends (its bytes wait in the network, as
    // with a unit that has stopped reading), or takes it again.
    void setReading(bool reading);

    bool isConnected() const;
    bool waitForReceived(const QByteArray& text, int timeoutMs = 5000);

private:
    void onReadyRead();

    QTcpServer server_;
    QPointer<QTcpSocket> client_;
    QByteArray received_, pending_;
    QHash<QString, QStringList> answers_;
    int answerLimit_ = -1, answered_ = 0;
    bool reading_ = true;
};
