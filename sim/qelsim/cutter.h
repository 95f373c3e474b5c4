#pragma once
// Cuts what a client sends into commands. A command ends at CR; an LF or NUL
// directly after a CR is ignored (so CR LF from a console works), anywhere
// else it is part of the command. A command longer than the unit takes keeps
// its first Unit::kMaxCommandLength bytes and is flagged too long.

#include <QByteArray>

namespace qelsim {

struct CutPiece {
    enum Kind { Command, IgnoredAfterCr } kind = Command;
    QByteArray command; // a command's bytes before its CR
    bool tooLong = false;
    char byte = 0; // the ignored byte
};

class CommandCutter {
public:
    // Takes one received byte; true when it completed a piece (*piece).
    bool take(char c, CutPiece* piece);
    // Bytes of a command not yet ended, and whether it is already too long.
    const QByteArray& pending() const { return input_; }
    bool overflowed() const { return overflow_; }
    void clear();

private:
    QByteArray input_;
    bool afterCr_ = false;
    bool overflow_ = false;
};

} // namespace qelsim
