#pragma once
// Counting the frames of a scan by their numbers: which arrived, which are
// missing, which came twice or after a later one. The frames of a scan are
// numbered from 0; with a known frame count the last is framesPerScan - 1.

#include <QtGlobal>
#include <map>

namespace zomra {

class FrameTally {
public:
    // framesPerScan 0: the scan has no set end.
    explicit FrameTally(qint64 framesPerScan = 0) : framesPerScan_(framesPerScan) {}

    enum class Arrival {
        InOrder,   // the next frame, or one after a gap
        Late,      // a frame missing until now: it arrived after a later one
        Duplicate, // a frame that had already arrived
        Stray,     // a number beyond the scan's last frame
    };
    // A frame's arrival; InOrder and Late frames are the ones to keep.
    Arrival add(quint32 frame) {
        if (framesPerScan_ > 0 && qint64(frame) >= framesPerScan_) {
            ++stray_;
            return Arrival::Stray;
        }
        if (qint64(frame) == next_) {
            ++next_;
            ++received_;
            return Arrival::InOrder;
        }
        return addOutOfLine(frame);
    }

    qint64 framesPerScan() const { return framesPerScan_; }
    // Distinct frames of the scan that arrived.
    qint64 received() const { return received_; }
    // Frames below the highest one received that have not arrived, and,
    // with a set frame count, every frame after it.
    qint64 lost() const { return missing_ + (framesPerScan_ > 0 ? framesPerScan_ - next_ : 0); }
    qint64 duplicated() const { return duplicated_; }
    qint64 reordered() const { return reordered_; }
    qint64 stray() const { return stray_; }
    // The scan's last frame has arrived (with or without gaps before it).
    bool lastArrived() const { return framesPerScan_ > 0 && next_ == framesPerScan_; }
    bool complete() const { return lastArrived() && missing_ == 0; }

private:
    Arrival addOutOfLine(quint32 frame);

    qint64 framesPerScan_;
    qint64 next_ = 0; // one past the highest frame received
    qint64 received_ = 0;
    qint64 missing_ = 0;
    qint64 duplicated_ = 0;
    qint64 reordered_ = 0;
    qint64 stray_ = 0;
    // The frames below next_ still missing, as ranges: first -> one past
    // the last.
    std::map<qint64, qint64> gaps_;
};

} // namespace zomra
