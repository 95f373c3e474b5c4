#include "zomra/tally.h"

namespace zomra {

FrameTally::Arrival FrameTally::addOutOfLine(quint32 number) {
    const qint64 frame = number;
    if (frame > next_) {
        // Frames next_ to frame - 1 are missing, for now.
        gaps_.emplace(next_, frame);
        missing_ += frame - next_;
        next_ = frame + 1;
        ++received_;
        return Arrival::InOrder;
    }
    auto gap = gaps_.upper_bound(frame);
    if (gap == gaps_.begin() || (--gap)->second <= frame) {
        ++duplicated_;
        return Arrival::Duplicate;
    }
    // The frame fills a place in the gap [first, end).
    const qint64 first = gap->first;
    const qint64 end = gap->second;
    if (frame == first)
        gaps_.erase(gap);
    else
        gap->second = frame;
    if (frame + 1 < end)
        gaps_.emplace(frame + 1, end);
    --missing_;
    ++reordered_;
    ++received_;
    return Arrival::Late;
}

} // namespace zomra
