#include "echorule.h"

QString ConsoleEchoText(const QString& oldText, const QString& line) {
    QString text = oldText;
    if (text.size() >= 32000) {
        const int end = text.indexOf(QStringLiteral("\r\n"));
        if (end >= 0)
            text.remove(0, end + 2);
        else
            text.remove(0, 1);
    }
    return text + line + QStringLiteral("\r\n");
}
