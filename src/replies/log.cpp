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
    // The file is unbuffered: each record reaches the system as it is written.
    LogFile->write(record.toLatin1());
}

} // namespace Global
