#pragma once
// Recording what the simulator receives and sends, for tests and for
// finding out what a client really sent.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <array>

namespace qelsim {

// One line per command: a timestamp, a blank, then the command's bytes
// with CR shown as <CR>, LF as <LF> and every other byte outside printable
// ASCII, and '<' itself, as <hex> (two upper-case digits). An LF or NUL
// that follows a CR (and is therefore ignored) is added to the line of the
// command that CR ended. Connections opening and closing are noted on
// lines beginning with "#".
class CommandRecorder {
public:
    ~CommandRecorder();
    bool open(const QString& path, QString* error);
    bool isOpen() const { return file_.isOpen(); }

    void note(const QString& text);
    void command(const QByteArray& bytes, bool endedByCr);
    void ignoredAfterCr(char byte);
    void close();

    // The visible form of received bytes.
    static QByteArray visible(const QByteArray& bytes);

private:
    void endEntry();
    QFile file_;
    bool entryOpen_ = false;
};

// Every byte written to the connection, exactly as written.
class OutputRecorder {
public:
    bool open(const QString& path, QString* error);
    bool isOpen() const { return file_.isOpen(); }
    void write(const QByteArray& bytes);
    void close() { file_.close(); }

private:
    QFile file_;
};

// The frames sent as datagrams, as comma-separated text with CR LF line
// ends: a header row "frame,time_us,p0,...,p15,t0,...,t15", then one row
// per frame with its number, its time in microseconds and the 16 pressures
// and 16 temperatures as sent, each the shortest decimal text that reads
// back as the same single-precision number. The capture program's data
// file has this form, so the two can be compared byte for byte.
class FrameRecorder {
public:
    ~FrameRecorder();
    bool open(const QString& path, QString* error);
    bool isOpen() const { return file_.isOpen(); }
    void write(quint64 frame, quint64 timeUs, const std::array<float, 32>& values);
    // Writes out what is buffered (at the end of every scan).
    void flush();
    void close();

private:
    QFile file_;
    QByteArray buffer_;
};

} // namespace qelsim
