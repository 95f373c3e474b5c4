#include "qelsim/recorder.h"

#include <QDateTime>
#include <charconv>

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

FrameRecorder::~FrameRecorder() {
    close();
}

bool FrameRecorder::open(const QString& path, QString* error) {
    if (!openForWriting(file_, path, error))
        return false;
    buffer_ = "frame,time_us";
    for (const char* kind : {",p", ",t"})
        for (int ch = 0; ch < 16; ++ch)
            buffer_ += kind + QByteArray::number(ch);
    buffer_ += "\r\n";
    return true;
}

void FrameRecorder::write(quint64 frame, quint64 timeUs, const std::array<float, 32>& values) {
    if (!isOpen())
        return;
    char text[32];
    buffer_ += QByteArray::number(frame);
    buffer_ += ',';
    buffer_ += QByteArray::number(timeUs);
    for (float value : values) {
        const std::to_chars_result r = std::to_chars(text, text + sizeof text, value);
        buffer_ += ',';
        buffer_.append(text, r.ptr - text);
    }
    buffer_ += "\r\n";
    if (buffer_.size() > (1 << 20))
        flush();
}

void FrameRecorder::flush() {
    if (!isOpen())
        return;
    file_.write(buffer_);
    file_.flush();
    buffer_.clear();
}

void FrameRecorder::close() {
    flush();
    file_.close();
}

} // namespace qelsim
