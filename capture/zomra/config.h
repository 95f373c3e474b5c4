#pragma once
// The capture configuration file "Zomra.cfg": three lines written by the
// operator's program, "SET IPADDR <address>", "SET FPS <frames>" and
// "SET BFILENAME <file>", in any order, each ended by CR LF, LF or CR.

#include <QByteArray>
#include <QString>

namespace zomra {

struct Config {
    QString address;          // as written: a host, or host:port
    QString host;             // the host part of the address
    quint16 port = 23;        // the unit's command port
    qint64 framesPerScan = 0; // 0: the scan runs until it is stopped
    QString dataFile;         // as written, relative to the working directory
};

// Reads the file's text. On a malformed text returns false and says what
// is wrong, naming the line.
bool parseConfig(const QByteArray& text, Config* config, QString* error);

// Reads and parses the file; a file that cannot be read is an error too.
bool readConfig(const QString& path, Config* config, QString* error);

// Splits "host" or "host:port" (exactly one colon, a port of 1 to 65535);
// text with more than one colon is an IPv6 host. False when the port is
// bad or the host is empty.
bool splitAddress(const QString& address, QString* host, quint16* port);

} // namespace zomra
