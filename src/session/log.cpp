#include "session/log.h"

#include "core/numbers.h"
#include "session/effects.h"
#include "session/state.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <algorithm>

namespace Global {

namespace {

constexpr qsizetype FlushBytes = 64 * 1024;
constexpr int FlushMs = 250;

QFile* file = nullptr;
QByteArray buffer;
qsizetype completeUpTo = 0; // the buffer's bytes up to the end of its last whole line
QElapsedTimer oldestRow;    // since the oldest whole line not yet written

QTimer& flushTimer() {
    static QTimer* timer = [] {
        auto* t = new QTimer(QCoreApplication::instance());
        t->setSingleShot(true);
        t->setInterval(FlushMs);
        QObject::connect(t, &QTimer::timeout, [] { FlushLog(); });
        return t;
    }();
    return *timer;
}

void Failed(const QString& reason) {
    // Closed before the operator is told, so that nothing more is written
    // while the message is open.
    buffer.clear();
    completeUpTo = 0;
    delete file;
    file = nullptr;
    LogFileOpen = false;
    LogFileFailed(reason);
}

} // namespace

void FlushLog() {
    flushTimer().stop();
    oldestRow.invalidate();
    if (!file || completeUpTo == 0)
        return;
    const qint64 written = file->write(buffer.constData(), completeUpTo);
    if (written != completeUpTo) {
        Failed(file->errorString());
        return;
    }
    buffer.remove(0, completeUpTo);
    completeUpTo = 0;
}

void WriteLog(qint16 kind, QLatin1String text) {
    if (!LogFileOpen || !file)
        return;
    switch (kind) {
    case LogLine: {
        const qsizetype at = buffer.size();
        buffer.append(text.data(), text.size());
        if (LogIsCsv)
            std::replace(buffer.begin() + at, buffer.end(), ' ', ',');
        buffer += "\r\n";
        break;
    }
    case LogField: {
        const QLatin1String trimmed = TrimBlanks(text);
        buffer.append(trimmed.data(), trimmed.size());
        buffer += ',';
        return; // the line goes on
    }
    case LogRowEnd:
        buffer.append(text.data(), text.size());
        buffer += "\r\n";
        break;
    default:
        return;
    }
    completeUpTo = buffer.size();
    // While rows stream in, a row that finds the oldest waiting for half of
    // FlushMs writes them out, so the program need not wake for the timer;
    // the timer writes out the last rows of a stream.
    if (!oldestRow.isValid())
        oldestRow.start();
    if (completeUpTo >= FlushBytes || oldestRow.elapsed() >= FlushMs / 2)
        FlushLog();
    else if (!flushTimer().isActive())
        flushTimer().start();
}

void WriteLog(qint16 kind, const QString& text) {
    if (!LogFileOpen || !file)
        return;
    const QByteArray bytes = text.toLatin1();
    WriteLog(kind, QLatin1String(bytes.constData(), bytes.size()));
}

bool OpenLogWriter(const QString& path, QString* reason) {
    // Unbuffered: the writer keeps its own buffer, and a write error then
    // shows at once.
    auto* next = new QFile(path);
    if (!next->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        if (reason)
            *reason = next->errorString();
        delete next;
        return false;
    }
    CloseLogWriter();
    file = next;
    return true;
}

void CloseLogWriter() {
    if (!file)
        return;
    // A row still open when the log closes is kept as far as it went.
    completeUpTo = buffer.size();
    FlushLog();
    if (file) {
        file->close();
        delete file;
        file = nullptr;
    }
    buffer.clear();
    completeUpTo = 0;
}

} // namespace Global
