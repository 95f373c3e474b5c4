#include "qelsim/recorder.h"

#include <QDateTime>

namespace qelsim {

namespace {

QByteArray timestamp() {
    return QDateTime::currentDateTime()
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"))
        .toLatin1();
}

bool openForWriting(QFile& file, const QString& path, QString* error) {
    file.setFileName(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return true;
    *error = QStringLiteral("cannot write '%1': %2").arg(path, file.errorString());
    return false;
}

} // namespace

CommandRecorder::~CommandRecorder() {
    close();
}

bool CommandRecorder::open(const QString& path, QString* error) {
    return openForWriting(file_, path, error);
}

QByteArray CommandRecorder::visible(const QByteArray& bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(bytes.size() + 8);
    for (char c : bytes) {
        const uchar u = uchar(c);
        if (u == '\r') {
            out += "<CR>";
        } else if (u == '\n') {
            out += "<LF>";
        } else if (u < 0x20 || u >= 0x7F || u == '<') {
            out += '<';
            out += kHex[u >> 4];
            out += kHex[u & 15];
            out += '>';
        } else {
            out += c;
        }
    }
    return out;
}

void CommandRecorder::endEntry() {
    if (entryOpen_) {
        file_.write("\n");
        entryOpen_ = false;
    }
}

void CommandRecorder::note(const QString& text) {
    if (!isOpen())
        return;
    endEntry();
    file_.write(timestamp() + " # " + text.toLatin1() + '\n');
    file_.flush();
}

void CommandRecorder::command(const QByteArray& bytes, bool endedByCr) {
    if (!isOpen())
        return;
    endEntry();
    file_.write(timestamp() + ' ' + visible(endedByCr ? bytes + '\r' : bytes));
    entryOpen_ = true;
    file_.flush();
}

void CommandRecorder::ignoredAfterCr(char byte) {
    if (!isOpen())
        return;
    if (!entryOpen_)
        file_.write(timestamp() + ' ');
    file_.write(visible(QByteArray(1, byte)));
    entryOpen_ = true;
    file_.flush();
}

void CommandRecorder::close() {
    if (!isOpen())
        return;
    endEntry();
    file_.close();
}

bool OutputRecorder::open(const QString& path, QString* error) {
    return openForWriting(file_, path, error);
}

void OutputRecorder::write(const QByteArray& bytes) {
    if (!isOpen())
        return;
    file_.write(bytes);
    file_.flush();
}

} // namespace qelsim
