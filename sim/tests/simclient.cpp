#include "simclient.h"

#include "qelsim/model.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QRegularExpression>
#include <QTimer>

SimClient::SimClient() {
    connect(&socket, &QTcpSocket::readyRead, this, [this] { received += socket.readAll(); });
}

bool SimClient::connectTo(quint16 port) {
    socket.connectToHost(QHostAddress::LocalHost, port);
    return waitFor([this] { return socket.state() == QAbstractSocket::ConnectedState; });
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

void SimClient::command(const QString& text) {
    socket.write(text.toLatin1() + '\r');
    socket.flush();
}

QStringList SimClient::lines() const {
    QStringList result = QString::fromLatin1(received).split(QStringLiteral("\r\n"));
    result.removeLast(); // the piece after the last CR LF
    return result;
}

void SimClient::clear() {
    received.clear();
}

bool SimClient::waitForLine(const QString& prefix) {
    return waitFor([&] { return !lines().filter(QRegularExpression('^' + prefix)).isEmpty(); });
}

QStringList SimClient::ask(const QString& text, const QString& last) {
    clear();
    command(text);
    if (!waitForLine(QRegularExpression::escape(last)))
        return {};
    QStringList result;
    for (const QString& line : lines()) {
        result << line;
        if (line.startsWith(last))
            break;
    }
    return result;
}

QStringList SimClient::exchange(const QString& text) {
    clear();
    command(text);
    command(QStringLiteral("STATUS"));
    const QString status = QStringLiteral("(STATUS: |Status->)");
    if (!waitForLine(status))
        return {QStringLiteral("<no status answer>")};
    QStringList result = lines();
    return result.mid(0, result.indexOf(QRegularExpression('^' + status + ".*")));
}

qelsim::SimOptions LocalOptions(const QString& model) {
    qelsim::SimOptions o;
    o.port = 0;
    o.bind = QHostAddress(QHostAddress::LocalHost);
    qelsim::modelFromCode(model, &o.model);
    return o;
}

SimBench::SimBench(const qelsim::SimOptions& options, bool handClock) : sim(options) {
    if (handClock)
        sim.setClock([this] { return clockNs; });
    QString error;
    started = sim.start(&error) && client.connectTo(sim.port());
}

bool SimBench::quiet(const QStringList& commands) {
    for (const QString& command : commands)
        if (!client.exchange(command).isEmpty())
            return false;
    return true;
}
