#pragma once
// The data log writer (file #100, opened and closed by the frame window).

#include <QString>

namespace Global {
// kind 0: whole line (blanks become commas in a CSV log); kind 1: trimmed
// text and a comma, no line end; kind 2: text and CR LF; other kinds nothing.
// Does nothing while no log file is open.
void WriteLog(qint16 kind, const QString& text);
} // namespace Global
