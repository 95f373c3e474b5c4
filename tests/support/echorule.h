#pragma once
// The console echo rule written out literally, as the reference the
// program's console is compared against over long streams: below 32000
// characters the line and CR LF are appended; otherwise the text up to and
// including its first CR LF is dropped first (only the first character when
// it has none).

#include <QString>

inline QString ConsoleEchoText(QString text, const QString& line) {
    if (text.size() >= 32000) {
        const int end = text.indexOf(QStringLiteral("\r\n"));
        text.remove(0, end >= 0 ? end + 2 : 1);
    }
    text += line;
    text += QLatin1String("\r\n");
    return text;
}
