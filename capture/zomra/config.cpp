#include "zomra/config.h"

#include <QFile>
#include <QList>
#include <QRegularExpression>

namespace zomra {

namespace {

constexpr qint64 kMostFrames = 2147483647;

// The file's lines, ended by CR LF, LF or CR.
QList<QByteArray> linesOf(const QByteArray& text) {
    QList<QByteArray> lines;
    QByteArray line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines << line;
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

} // namespace

bool splitAddress(const QString& address, QString* host, quint16* port) {
    *host = address;
    *port = 23;
    if (address.count(QLatin1Char(':')) == 1) {
        const qsizetype colon = address.indexOf(QLatin1Char(':'));
        bool ok = false;
        const uint value = address.mid(colon + 1).toUInt(&ok);
        if (!ok || value < 1 || value > 65535)
            return false;
        *host = address.left(colon);
        *port = quint16(value);
    }
    return !host->isEmpty();
}

bool parseConfig(const QByteArray& text, Config* config, QString* error) {
    static const QRegularExpression kDigits(QStringLiteral("^[0-9]{1,10}$"));
    const QStringList keys = {QStringLiteral("IPADDR"), QStringLiteral("FPS"),
                              QStringLiteral("BFILENAME")};
    QString values[3];
    int lineOf[3] = {0, 0, 0};
    const QList<QByteArray> lines = linesOf(text);
    for (int n = 1; n <= lines.size(); ++n) {
        const QString line = QString::fromLatin1(lines[n - 1]);
        if (line.trimmed().isEmpty())
            continue;
        // "SET", the setting's name, one blank, the value (which may be empty).
        const qsizetype blank = line.indexOf(QLatin1Char(' '), 4);
        const int key = line.startsWith(QLatin1String("SET "), Qt::CaseInsensitive)
                            ? int(keys.indexOf(line.mid(4, blank < 0 ? -1 : blank - 4).toUpper()))
                            : -1;
        if (key < 0) {
            *error = QStringLiteral("line %1 is not \"SET IPADDR\", \"SET FPS\" or \"SET "
                                    "BFILENAME\" followed by a value: '%2'")
                         .arg(n)
                         .arg(line.left(80));
            return false;
        }
        if (lineOf[key] != 0) {
            *error = QStringLiteral("SET %1 is given twice, on lines %2 and %3")
                         .arg(keys[key])
                         .arg(lineOf[key])
                         .arg(n);
            return false;
        }
        lineOf[key] = n;
        values[key] = blank < 0 ? QString() : line.mid(blank + 1);
    }
    for (int key = 0; key < 3; ++key) {
        if (lineOf[key] == 0) {
            *error = QStringLiteral("there is no SET %1 line").arg(keys[key]);
            return false;
        }
    }

    Config c;
    c.address = values[0].trimmed();
    if (c.address.isEmpty()) {
        *error = QStringLiteral("SET IPADDR on line %1 names no address").arg(lineOf[0]);
        return false;
    }
    if (!splitAddress(c.address, &c.host, &c.port)) {
        *error = QStringLiteral("SET IPADDR on line %1 needs a host or host:port with a port "
                                "from 1 to 65535, not '%2'")
                     .arg(lineOf[0])
                     .arg(c.address);
        return false;
    }
    const QString fps = values[1].trimmed();
    bool ok = kDigits.match(fps).hasMatch();
    c.framesPerScan = fps.toLongLong();
    if (!ok || c.framesPerScan > kMostFrames) {
        *error = QStringLiteral("SET FPS on line %1 needs a whole number of frames from 0 to "
                                "%2, not '%3'")
                     .arg(lineOf[1])
                     .arg(kMostFrames)
                     .arg(fps);
        return false;
    }
    // The file name is taken as written; only a name of blanks is no name.
    c.dataFile = values[2];
    if (c.dataFile.trimmed().isEmpty()) {
        *error = QStringLiteral("SET BFILENAME on line %1 names no data file").arg(lineOf[2]);
        return false;
    }
    *config = c;
    return true;
}

bool readConfig(const QString& path, Config* config, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read the configuration file %1: %2")
                     .arg(path, file.errorString());
        return false;
    }
    // Three short lines; anything far longer is not a configuration file.
    const QByteArray text = file.read(64 * 1024);
    if (!parseConfig(text, config, error)) {
        *error = QStringLiteral("the configuration file %1 is malformed: %2").arg(path, *error);
        return false;
    }
    return true;
}

} // namespace zomra
