#pragma once
// The reply dispatcher: every line the unit sends passes through here.

#include <QString>

namespace Global {
// One received line, without its CR LF.
void HandleQelLine(const QString& line);
} // namespace Global

// The console echo rule on the results box's text: below 32000 characters
// the line and CR LF are appended; otherwise the text up to and including its
// first CR LF is dropped first (only the first character when it has none).
QString ConsoleEchoText(const QString& oldText, const QString& line);
