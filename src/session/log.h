#pragma once
// The data log writer. The frame window's Open Log File and Close Log File
// decide when a log file is open; every producer of log records writes
// through WriteLog: the reply handling and the send procedure.
//
// Records go through a buffer that is written out whole lines at a time:
// when it holds 64 KiB, a quarter of a second after its first complete line
// (so a crash of the program loses at most that much), and at close. A row
// of a comma-separated log stays in the buffer until its line ends. A file
// that cannot be written (a full disk, a lost network share) is closed at
// once and the operator told, once (Global::LogFileFailed).

#include <QLatin1String>
#include <QString>

namespace Global {

// The kinds of log record, by their numbers.
enum LogKind : qint16 {
    LogLine = 0,   // the text as one whole line; blanks become commas in a CSV log
    LogField = 1,  // the trimmed text and a comma, no line end (a CSV row goes on)
    LogRowEnd = 2, // the text as it is and CR LF (ends the current line)
};

// Writes one record; does nothing while no log file is open or for a kind
// that is none of the above. Characters are written as bytes (Latin-1).
void WriteLog(qint16 kind, QLatin1String text);
void WriteLog(qint16 kind, const QString& text);

// Creates or truncates the file and makes it the log (an open log is closed
// first, with what it buffered). False, with the reason, when it cannot be
// opened; an open log is then left as it is.
bool OpenLogWriter(const QString& path, QString* reason);
// Writes out what is buffered and closes the file; nothing when none is open.
void CloseLogWriter();
// Writes out the complete lines that are buffered.
void FlushLog();

} // namespace Global
