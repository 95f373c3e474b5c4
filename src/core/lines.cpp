#include "core/lines.h"

LineReader::LineReader(int maxLineLength, qint64 blockSize)
    : maxLength_(maxLineLength), blockSize_(blockSize > 0 ? blockSize : DefaultBlockSize) {}

bool LineReader::open(const QString& path) {
    close();
    file_.setFileName(path);
    return file_.open(QIODevice::ReadOnly);
}

void LineReader::close() {
    file_.close();
    buffer_.clear();
    pos_ = 0;
    consumed_ = 0;
    cut_ = false;
}

bool LineReader::fill() {
    if (pos_ < buffer_.size())
        return true;
    if (!file_.isOpen())
        return false;
    buffer_ = file_.read(blockSize_);
    pos_ = 0;
    return !buffer_.isEmpty();
}

bool LineReader::atEnd() {
    return !fill();
}

QString LineReader::readLine() {
    QByteArray line;
    cut_ = false;
    while (fill()) {
        const char* data = buffer_.constData();
        const qsizetype size = buffer_.size();
        qsizetype end = pos_;
        while (end < size && data[end] != '\r' && data[end] != '\n')
            ++end;
        const qsizetype room = maxLength_ - line.size();
        if (end - pos_ > room) {
            line.append(data + pos_, room);
            cut_ = true;
        } else if (!cut_) {
            line.append(data + pos_, end - pos_);
        }
        consumed_ += end - pos_;
        pos_ = end;
        if (end == size)
            continue; // the line goes on in the next block
        const char first = data[end];
        ++pos_;
        ++consumed_;
        // CR LF is one line end, also when the LF starts the next block.
        if (first == '\r' && fill() && buffer_.at(pos_) == '\n') {
            ++pos_;
            ++consumed_;
        }
        break;
    }
    return QString::fromLatin1(line);
}
