#include "mainwin/logfile.h"

#include "core/numbers.h"
#include "core/prompt.h"
#include "session/effects.h"
#include "session/log.h"
#include "session/state.h"

namespace Global {

namespace {

const char* const LogFilter =
    "Comma Separated Variable Files (*.csv)|*.csv|Log Files (*.log)|*.log|"
    "Text Files (*.txt)|*.txt|All Files (*.*)|*.*";

void ShowLogClosed() {
    LogFileOpen = false;
    LogFileName.clear();
    SetPanelText(3, QStringLiteral("No Log File"));
    SetMenus(MenuState::LogClosed);
}

} // namespace

// Open Log File while a log is open: the operator is choosing where logging
// goes from now on. The old file keeps logging until the new one has opened;
// then the old one is closed and the new one takes over. Cancelling the
// dialog, or a new file that cannot be opened, leaves the old log running.
void OpenLogFile() {
    const QString name = AskOpenFile(QString::fromLatin1(LogFilter), false);
    if (name.isEmpty())
        return;

    QString reason;
    if (!OpenLogWriter(name, &reason)) {
        MsgBox(QStringLiteral("Error opening log file ") + name);
        if (!LogFileOpen)
            LogFileName.clear();
        return;
    }
    LogFileName = name;
    LogIsCsv = TrimBlanks(LogFileName).right(3).toUpper() == QLatin1String("CSV");
    LogFileOpen = true;
    SetPanelText(3, QStringLiteral("Logging to ") + LogFileName);
    SetMenus(MenuState::LogOpened);
}

void CloseLogFile() {
    CloseLogWriter();
    ShowLogClosed();
}

void LogFileFailed(const QString& reason) {
    const QString name = LogFileName;
    ShowLogClosed();
    MsgBox(QStringLiteral("Error writing log file ") + name + QStringLiteral(": ") + reason +
           QStringLiteral(". Logging has stopped; the file holds what was written before."));
}

} // namespace Global
