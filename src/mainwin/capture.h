#pragma once
// The high-speed capture hand-over: the capture program "Zomra.exe" and its
// configuration file "Zomra.cfg" live in the program's own directory. Start
// Scan with the high-speed switch on writes the file, drops the connection,
// runs the capture program to its end and connects again.
//
// Global::WriteZomraCfg (declared in session/effects.h) writes the file.

#include <QString>

namespace Global {

// The program's own directory (QCoreApplication::applicationDirPath()),
// unless a test has set ProgramDirectoryOverride.
QString ProgramDirectory();
extern QString ProgramDirectoryOverride;

// The configuration file's three lines, each ended by CR LF, exactly as the
// boxes hold their texts.
QByteArray ZomraCfgText(const QString& address, const QString& framesPerScan,
                        const QString& fileName);

// Start Scan's high-speed path.
void HighSpeedStart();

} // namespace Global
