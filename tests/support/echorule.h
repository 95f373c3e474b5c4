#pragma once
// The console echo rule written out literally, as the reference the
// program's console is compared against over long streams: below 32000
// characters the line and CR LF are appended; otherwise the text up to and
// including its first CR LF is dropped first (only the first character when
// it has none).

#include <QString>

QString ConsoleEchoText(const QString& oldText, const QString& line);
