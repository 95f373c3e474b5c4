#include "mainwin/logfile.h"

#include "core/numbers.h"
#include "core/prompt.h"
#include "core/registry.h"
#include "mainwin/mdimain.h"
#include "session/state.h"

#include <QFile>

namespace Global {

namespace {

const char* const LogFilter =
    "Comma Separated Variable Files (*.csv)|*.csv|Log Files (*.log)|*.log|"
    "Text Files (*.txt)|*.txt|All Files (*.*)|*.*";

void CloseOpenFile() {
    if (LogFile) {
        LogFile->close();
        delete LogFile;
        LogFile = nullptr;
    }
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

    auto* file = new QFile(name);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        delete file;
        MsgBox(QStringLiteral("Error opening log file ") + name);
        if (!LogFile) {
            LogFileName.clear();
            LogFileOpen = false;
        }
        return;
    }

    CloseOpenFile();
    LogFile = file;
    LogFileName = name;
    LogIsCsv = TrimBlanks(LogFileName).right(3).toUpper() == QLatin1String("CSV");
    LogFileOpen = true;
    if (MDIMain* frame = Registry::peek<MDIMain>()) {
        frame->SetPanel(3, QStringLiteral("Logging to ") + LogFileName);
        frame->MenusLogOpened();
    }
}

void CloseLogFile() {
    CloseOpenFile();
    LogFileOpen = false;
    LogFileName.clear();
    if (MDIMain* frame = Registry::peek<MDIMain>()) {
        frame->SetPanel(3, QStringLiteral("No Log File"));
        frame->MenusLogClosed();
    }
}

} // namespace Global
