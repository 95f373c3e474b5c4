#include "qelsim/cutter.h"

#include "qelsim/unit.h"

namespace qelsim {

bool CommandCutter::take(char c, CutPiece* piece) {
    if (afterCr_ && (c == '\n' || c == '\0')) {
        afterCr_ = false;
        *piece = CutPiece{CutPiece::IgnoredAfterCr, QByteArray(), false, c};
        return true;
    }
    afterCr_ = false;
    if (c == '\r') {
        *piece = CutPiece{CutPiece::Command, input_, overflow_, 0};
        input_.clear();
        overflow_ = false;
        afterCr_ = true;
        return true;
    }
    if (overflow_)
        return false;
    if (input_.size() >= Unit::kMaxCommandLength)
        overflow_ = true;
    else
        input_ += c;
    return false;
}

void CommandCutter::clear() {
    input_.clear();
    overflow_ = false;
    afterCr_ = false;
}

} // namespace qelsim
