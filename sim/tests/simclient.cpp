#include "simclient.h"

#include "qelsim/model.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QTimer>
#include <QtTest>

SimClient::SimClient(QObject* parent) : QObject(parent) {
    connect(&socket, &QTcpSocket::readyRead, this, [this] {
        const QByteArray data = socket.readAll();
        received_ += data;
        reads_ << data;
    });
}

bool SimClient::connectTo(quint16 port) {
    socket.connectToHost(QHostAddress::LocalHost, port);
    return waitFor([this] { return isConnected(); });
}

bool SimClient::isConnected() const {
    return socket.state() == QAbstractSocket::ConnectedState;
}

bool SimClient::waitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0)
            return false;
        QEventLoop loop;
        QTimer::singleShot(int(std::min<qint64>(left, 20)), &loop, &QEventLoop::quit);
        connect(&socket, &QTcpSocket::readyRead, &loop, &QEventLoop::quit, Qt::QueuedConnection);
        connect(&socket, &QTcpSocket::disconnected, &loop, &QEventLoop::quit, Qt::QueuedConnection);
        loop.exec();
    }
    return true;
}

bool SimClient::waitForClosed(int timeoutMs) {
    return waitFor([this] { return socket.state() == QAbstractSocket::UnconnectedState; },
                   timeoutMs);
}

void SimClient::sendRaw(const QByteArray& bytes) {
    socket.write(bytes);
    socket.flush();
}

void SimClient::command(const QString& text) {
    sendRaw(text.toLatin1() + '\r');
}

QStringList SimClient::lines() const {
    QStringList result;
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = received_.indexOf("\r\n", start);
        if (end < 0)
            break;
        result << QString::fromLatin1(received_.mid(start, end - start));
        start = end + 2;
    }
    return result;
}

void SimClient::clear() {
    received_.clear();
    reads_.clear();
}

bool SimClient::waitForLine(const std::function<bool(const QString&)>& test, int timeoutMs) {
    return waitFor(
        [&] {
            const QStringList all = lines();
            return std::any_of(all.begin(), all.end(), test);
        },
        timeoutMs);
}

QStringList SimClient::ask(const QString& text, const QString& last) {
    clear();
    command(text);
    auto isLast = [&](const QString& line) { return line.startsWith(last); };
    if (!waitForLine(isLast))
        return {};
    QStringList result;
    for (const QString& line : lines()) {
        result << line;
        if (isLast(line))
            break;
    }
    return result;
}

QStringList SimClient::exchange(const QString& text) {
    clear();
    command(text);
    command(QStringLiteral("STATUS"));
    auto isStatus = [](const QString& line) {
        return line.startsWith(QLatin1String("STATUS: ")) ||
               line.startsWith(QLatin1String("Status->"));
    };
    if (!waitForLine(isStatus))
        return {QStringLiteral("<no status answer>")};
    QStringList result;
    for (const QString& line : lines()) {
        if (isStatus(line))
            break;
        result << line;
    }
    return result;
}

qelsim::SimOptions localOptions(const QString& model) {
    qelsim::SimOptions o;
    o.port = 0;
    o.bind = QHostAddress(QHostAddress::LocalHost);
    qelsim::modelFromCode(model, &o.model);
    return o;
}
