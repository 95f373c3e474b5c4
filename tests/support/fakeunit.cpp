#include "fakeunit.h"

#include <QtTest>

#include <sys/socket.h>

FakeUnit::FakeUnit() {
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
    return QStringLiteral("127.0.0.1:%1").arg(server_.serverPort());
}

QStringList FakeUnit::commands() const {
    QStringList list = QString::fromLatin1(received_).split(QLatin1Char('\r'));
    if (list.last().isEmpty())
        list.removeLast();
    return list;
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
    for (int cr; (cr = pending_.indexOf('\r')) >= 0;) {
        const QString command = QString::fromLatin1(pending_.left(cr)).remove(QLatin1Char('\n'));
        pending_.remove(0, cr + 1);
        const auto it = answers_.constFind(command);
        if (it != answers_.constEnd() && (answerLimit_ < 0 || answered_ < answerLimit_)) {
            ++answered_;
            sendLines(*it);
        }
    }
}

void FakeUnit::sendRaw(const QByteArray& bytes) {
    if (client_) {
        client_->write(bytes);
        client_->flush();
    }
}

void FakeUnit::sendLines(const QStringList& lines) {
    sendRaw(lines.join(QStringLiteral("\r\n")).toLatin1() + "\r\n");
}

void FakeUnit::closeClient() {
    if (client_)
        client_->disconnectFromHost();
}

void FakeUnit::resetClient() {
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

QStringList FakeUnit::standardList(char group) {
    QStringList lines;
    if (group == 'I')
        lines = {"MODEL Q1600", "SN 1234", "HOST 0 0 T"};
    else if (group == 'C')
        lines = {"PMAXL 15", "PMAXH 15", "PMINL -15", "PMINH -15", "NEGPTSL 0", "NEGPTSH 0"};
    else if (group == 'S')
        lines = {"PERIOD 500", "AVG 8",   "FPS 100",      "XSCANTRIG 0", "EU 1",
                 "ZC 1",       "QPKTS 0", "UNITSCAN PSI", "CVTUNIT 1.0", "PAGE 0"};
    for (int c = 0; group == 'H' && c < 16; ++c)
        lines << QStringLiteral("MAX%1 15").arg(c);
    for (QString& line : lines)
        line.prepend(QStringLiteral("SET "));
    return lines;
}

void FakeUnit::answerStandardLists() {
    for (const char group : {'I', 'C', 'H', 'S'})
        answer(QStringLiteral("List ") + QLatin1Char(group), standardList(group));
}
