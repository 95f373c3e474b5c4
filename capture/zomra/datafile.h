#pragma once
// The unit's binary frames and the data file they are written to.
//
// A frame is one UDP datagram of 152 bytes, every field big-endian: "QELF",
// the layout version (16 bits, 1), the number of channels (16 bits, 16),
// the frame number (32 bits), flags (32 bits: bit 0 pressures in the scan
// unit, else converter counts; bit 1 zero correction), the time of the
// frame in microseconds since the scan started (64 bits), then 16
// pressures and 16 temperatures as 32-bit IEEE floats, channel 0 first.
//
// The data file is comma-separated text with CR LF line ends: a header row
// "frame,time_us,p0,...,p15,t0,...,t15", then one row per frame with the
// frame number, its time in microseconds and the 32 values, each written
// as the shortest decimal text that reads back as the same single-precision
// number ("12.5", "-0.0731", "1e-05", "nan").

#include <QByteArray>
#include <QFile>
#include <QString>

namespace zomra {

constexpr int kChannels = 16;
constexpr int kFrameBytes = 24 + 2 * 4 * kChannels;

struct Frame {
    quint32 number = 0;
    quint32 flags = 0;
    quint64 timeUs = 0;
    float pressure[kChannels] = {};
    float temperature[kChannels] = {};
};

// Reads a datagram into a frame. When it is not a frame of this layout,
// returns false and says why in *reason.
bool decodeFrame(const char* data, qsizetype size, Frame* frame, const char** reason);

// The header row and a frame's row, each ended by CR LF, appended to out.
void appendHeader(QByteArray& out);
void appendRow(QByteArray& out, const Frame& frame);

// The data file, written through a buffer. Opened early, without touching
// what the file holds, so that a file that cannot be written is known
// before the unit is set up; begun (emptied, header written) when the scan
// starts; abandoned when it never starts, which leaves an older file as it
// was and removes one this run created.
class DataFile {
public:
    ~DataFile();
    bool open(const QString& path, QString* error);
    void begin();
    void write(const Frame& frame) {
        appendRow(buffer_, frame);
        if (buffer_.size() >= kFlushBytes)
            flush();
    }
    // Writes out the rest and closes; false with the reason when any write
    // failed.
    bool finish(QString* error);
    void abandon();
    QString path() const { return file_.fileName(); }

private:
    static constexpr qsizetype kFlushBytes = 1 << 20;
    void flush();

    QFile file_;
    QByteArray buffer_;
    bool existed_ = false;
    QString writeError_;
};

} // namespace zomra
