#include "fakeunit.h"

#include <QDeadlineTimer>
#include <QtTest>

#include <sys/socket.h>

FakeUnit::FakeUnit(QObject* parent) : QObject(parent) {
    server_.listen(QHostAddress::LocalHost, 0);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* s = server_.nextPendingConnection()) {
            if (client_)
                client_->deleteLater();
            client_ = s;
            connect(s, &QTcpSocket::readyRead, this, &FakeUnit::onReadyRead);
        }
    });
}

FakeUnit::~FakeUnit() {
    if (client_)
        client_->abort();
}

QString FakeUnit::address() const {
    return QStringLiteral("127.0.0.1:%1").arg(port());
}

QStringList FakeUnit::commands() const {
    QStringList list = QString::fromLatin1(received_).split(QLatin1Char('\r'));
    if (!list.isEmpty() && list.last().isEmpty())
        list.removeLast();
    return list;
}

void FakeUnit::answer(const QString& command, const QStringList& lines) {
    answers_.insert(command, lines);
}

void FakeUnit::setReading(bool reading) {
    reading_ = reading;
    if (!client_)
        return;
    // A small window and a full buffer: the client's sends stop at once.
    const int window = reading ? 256 * 1024 : 4096;
    ::setsockopt(int(client_->socketDescriptor()), SOL_SOCKET, SO_RCVBUF, &window, sizeof window);
    client_->setReadBufferSize(reading ? 0 : 1);
    if (reading)
        onReadyRead();
}

void FakeUnit::onReadyRead() {
    if (!reading_)
        return;
    const QByteArray data = client_->readAll();
    received_ += data;
    pending_ += data;
    int cr;
    while ((cr = pending_.indexOf('\r')) >= 0) {
        QString command = QString::fromLatin1(pending_.left(cr));
        pending_.remove(0, cr + 1);
        if (pending_.startsWith('\n'))
            pending_.remove(0, 1);
        if (command.startsWith(QLatin1Char('\n')))
            command.remove(0, 1);
        auto it = answers_.constFind(command);
        if (it == answers_.constEnd())
            continue;
        if (answerLimit_ >= 0 && answered_ >= answerLimit_)
            continue;
        ++answered_;
        sendLines(*it);
    }
}

void FakeUnit::sendRaw(const QByteArray& bytes) {
    if (client_) {
        client_->write(bytes);
        client_->flush();
    }
}

void FakeUnit::sendLines(const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toLatin1() + "\r\n";
    sendRaw(bytes);
}

void FakeUnit::closeClient() {
    if (client_)
        client_->disconnectFromHost();
}

void FakeUnit::resetClient() {
    if (!client_)
        return;
    const linger now{1, 0};
    ::setsockopt(int(client_->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now);
    client_->abort();
}

bool FakeUnit::isConnected() const {
    return client_ && client_->state() == QAbstractSocket::ConnectedState;
}

bool FakeUnit::waitForReceived(const QByteArray& text, int timeoutMs) {
    return QTest::qWaitFor([&] { return received_.contains(text); }, timeoutMs);
}

bool FakeUnit::waitForClient(int timeoutMs) {
    return QTest::qWaitFor([&] { return isConnected(); }, timeoutMs);
}

bool FakeUnit::waitForDisconnect(int timeoutMs) {
    return QTest::qWaitFor([&] { return !isConnected(); }, timeoutMs);
}

QHash<QString, QStringList> FakeUnit::standardLists(const QString& model) {
    QHash<QString, QStringList> lists;
    lists.insert(QStringLiteral("List I"),
                 {QStringLiteral("SET MODEL ") + model, QStringLiteral("SET SN 1234"),
                  QStringLiteral("SET HOST 0 0 T")});
    lists.insert(QStringLiteral("List C"),
                 {QStringLiteral("SET PMAXL 15"), QStringLiteral("SET PMAXH 15"),
                  QStringLiteral("SET PMINL -15"), QStringLiteral("SET PMINH -15"),
                  QStringLiteral("SET NEGPTSL 0"), QStringLiteral("SET NEGPTSH 0")});
    QStringList h;
    for (int i = 0; i < 16; ++i)
        h << QStringLiteral("SET MAX%1 15").arg(i);
    lists.insert(QStringLiteral("List H"), h);
    lists.insert(QStringLiteral("List S"),
                 {QStringLiteral("SET PERIOD 500"), QStringLiteral("SET AVG 8"),
                  QStringLiteral("SET FPS 100"), QStringLiteral("SET XSCANTRIG 0"),
                  QStringLiteral("SET EU 1"), QStringLiteral("SET ZC 1"),
                  QStringLiteral("SET QPKTS 0"), QStringLiteral("SET UNITSCAN PSI"),
                  QStringLiteral("SET CVTUNIT 1.0"), QStringLiteral("SET PAGE 0")});
    return lists;
}

void FakeUnit::answerStandardLists(const QString& model) {
    const auto lists = standardLists(model);
    for (auto it = lists.constBegin(); it != lists.constEnd(); ++it)
        answer(it.key(), it.value());
}
