#include "zomra/datafile.h"

#include <QFileInfo>
#include <QtEndian>
#include <charconv>
#include <cstring>

namespace zomra {

namespace {

float floatAt(const uchar* p) {
    const quint32 bits = qFromBigEndian<quint32>(p);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void appendNumber(QByteArray& out, float value) {
    char text[32];
    const std::to_chars_result r = std::to_chars(text, text + sizeof text, value);
    out.append(text, r.ptr - text);
}

void appendNumber(QByteArray& out, quint64 value) {
    char text[24];
    const std::to_chars_result r = std::to_chars(text, text + sizeof text, value);
    out.append(text, r.ptr - text);
}

} // namespace

bool decodeFrame(const char* data, qsizetype size, Frame* frame, const char** reason) {
    const uchar* p = reinterpret_cast<const uchar*>(data);
    if (size != kFrameBytes) {
        *reason = "a datagram that is not 152 bytes long";
        return false;
    }
    if (std::memcmp(p, "QELF", 4) != 0) {
        *reason = "a datagram that does not begin with QELF";
        return false;
    }
    if (qFromBigEndian<quint16>(p + 4) != 1 || qFromBigEndian<quint16>(p + 6) != kChannels) {
        *reason = "a frame of another layout than version 1 with 16 channels";
        return false;
    }
    frame->number = qFromBigEndian<quint32>(p + 8);
    frame->flags = qFromBigEndian<quint32>(p + 12);
    frame->timeUs = qFromBigEndian<quint64>(p + 16);
    for (int ch = 0; ch < kChannels; ++ch) {
        frame->pressure[ch] = floatAt(p + 24 + 4 * ch);
        frame->temperature[ch] = floatAt(p + 24 + 4 * kChannels + 4 * ch);
    }
    return true;
}

void appendHeader(QByteArray& out) {
    out += "frame,time_us";
    for (const char* kind : {",p", ",t"})
        for (int ch = 0; ch < kChannels; ++ch)
            out += kind + QByteArray::number(ch);
    out += "\r\n";
}

void appendRow(QByteArray& out, const Frame& frame) {
    appendNumber(out, quint64(frame.number));
    out += ',';
    appendNumber(out, frame.timeUs);
    for (float value : frame.pressure) {
        out += ',';
        appendNumber(out, value);
    }
    for (float value : frame.temperature) {
        out += ',';
        appendNumber(out, value);
    }
    out += "\r\n";
}

DataFile::~DataFile() {
    if (file_.isOpen())
        abandon();
}

bool DataFile::open(const QString& path, QString* error) {
    const QFileInfo info(path);
    existed_ = info.exists();
    if (info.isDir()) {
        *error = QStringLiteral("cannot write the data file %1: it is a directory")
                     .arg(info.absoluteFilePath());
        return false;
    }
    // A file is opened without emptying it; a device (/dev/null) as it is.
    QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Unbuffered;
    if (!existed_ || info.isFile())
        mode |= QIODevice::Append;
    file_.setFileName(path);
    if (file_.open(mode))
        return true;
    *error = QStringLiteral("cannot write the data file %1: %2")
                 .arg(info.absoluteFilePath(), file_.errorString());
    return false;
}

void DataFile::begin() {
    if (!file_.isSequential() && !file_.resize(0))
        writeError_ = file_.errorString();
    buffer_.reserve(kFlushBytes + 4096);
    appendHeader(buffer_);
}

void DataFile::flush() {
    if (!buffer_.isEmpty() && writeError_.isEmpty() && file_.write(buffer_) != buffer_.size())
        writeError_ = file_.errorString();
    buffer_.clear();
}

bool DataFile::finish(QString* error) {
    flush();
    if (writeError_.isEmpty() && !file_.flush())
        writeError_ = file_.errorString();
    file_.close();
    if (writeError_.isEmpty())
        return true;
    *error = QStringLiteral("writing the data file %1 failed: %2")
                 .arg(QFileInfo(file_.fileName()).absoluteFilePath(), writeError_);
    return false;
}

void DataFile::abandon() {
    buffer_.clear();
    file_.close();
    if (!existed_)
        file_.remove();
}

} // namespace zomra
