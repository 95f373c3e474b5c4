#include "replies/log.h"

#include "core/numbers.h"
#include "session/state.h"

#include <QFile>

namespace Global {

void WriteLog(qint16 kind, const QString& text) {
    if (!LogFileOpen || !LogFile)
        return;
    QString record;
    switch (kind) {
    case 0:
        record = LogIsCsv ? QString(text).replace(QLatin1Char(' '), QLatin1Char(',')) : text;
        record += QStringLiteral("\r\n");
        break;
    case 1:
        record = TrimBlanks(text) + QLatin1Char(',');
        break;
    case 2:
        record = text + QStringLiteral("\r\n");
        break;
    default:
        return;
    }
    // Each completed line reaches the system at once; the fields of an open
    // comma-separated row wait in the buffer until the row ends.
    LogFile->write(record.toLatin1());
    if (kind != 1)
        LogFile->flush();
}

} // namespace Global
