// The unit's stream: one arrival cut into lines by the connection window's
// rule and handed to the reply dispatcher, with the bar graph, the console,
// the error viewer and a comma-separated log open (the windows are created
// once). Besides not failing, nothing given may be lost or made up: the
// lines and the dropped tail make up the arrival; the console holds the echo
// rule applied line by line and its box shows exactly those lines; the error
// viewer holds every error line; the log's rows end where a channel 15 line
// or a whole logged line ends them and hold every field they were given; the
// bar graph shows the last frame number.

#include "bargraph/bar.h"
#include "check.h"
#include "console/commands.h"
#include "console/errorwin.h"
#include "console/linebox.h"
#include "core/registry.h"
#include "echorule.h"
#include "mainwin/logfile.h"
#include "mainwin/mdimain.h"
#include "scriptedprompt.h"
#include "session/effects.h"
#include "session/mainform.h"
#include "session/send.h"
#include "session/state.h"

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBlock>

namespace {

ScriptedPrompt* scripted = nullptr;
QString logPath;
const QString CrLf = QStringLiteral("\r\n");

bool IsChannel(const QString& t0, int* n) {
    bool ok = false;
    *n = t0.toInt(&ok);
    return ok && *n >= 0 && *n <= 15 && QString::number(*n) == t0;
}

// Commas each row of the log must hold: a field adds one and its own; a
// whole line its own and one per blank; the last row is the open one.
struct LogRows {
    QList<qsizetype> commas{0};
    void field(const QString& text) { commas.last() += 1 + text.count(QLatin1Char(',')); }
    void end(const QString& text, bool blanksBecomeCommas) {
        commas.last() +=
            text.count(QLatin1Char(',')) + (blanksBecomeCommas ? text.count(QLatin1Char(' ')) : 0);
        commas.append(0);
    }
};

void CheckConsoleBox(Commands& console, const QString& expected) {
    console.findChild<LineBox*>()->updateView();
    QStringList lines = expected.split(CrLf);
    const QTextDocument* doc = console.txtResult->document();
    Check(doc->blockCount() == lines.size(), "console box has one block per line");
    lines.removeLast();
    for (int i = 0; i < lines.size(); ++i)
        Check(doc->findBlockByNumber(i).text() == LineBox::displayText(lines[i]),
              "console box shows each line");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    new QApplication(*argc, *argv);
    scripted = InstallScriptedPrompt();
    logPath = dir.filePath(QStringLiteral("fuzz.csv"));
    Registry::get<MDIMain>().show();
    Registry::get<Bar>().showForm();
    Registry::get<Commands>().showForm();
    Registry::get<Error>().showForm();
    Global::PauseScale = 0.0001; // the save-and-reboot sequence in a few milliseconds
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Global::Reset();
    Global::InitUnitNames();
    Global::UpdateBarFormat();
    Global::LogScanData = Global::LogListData = Global::LogErrors = Global::LogStatusData = true;
    scripted->shown.clear();
    scripted->fileAnswers.enqueue(logPath);
    Global::OpenLogFile();
    Check(Global::LogFileOpen && Global::LogIsCsv, "log opens");

    Commands& console = Registry::get<Commands>();
    Error& errors = Registry::get<Error>();
    console.cmdClear->click();
    errors.cmdClear->click();
    QString consoleText;
    // The first byte (also part of the arrival) chooses a full console, where
    // each line drops the oldest, and whether the windows are painted and the
    // console's box compared line by line (slower, so not for every input).
    const int mode = size > 0 ? data[0] : 0;
    if ((mode & 7) == 7) {
        for (int i = 0; i < 10; ++i) {
            const QString line = QString(3199, QLatin1Char('a' + i));
            console.EchoLine(line);
            consoleText = ConsoleEchoText(consoleText, line);
        }
    }

    const QString arrival = QString::fromLatin1(reinterpret_cast<const char*>(data), size);
    const QStringList lines = Main::ArrivalLines(arrival);
    const qsizetype tail = lines.isEmpty() ? 0 : lines.join(CrLf).size() + 2;
    Check(arrival.left(tail) == (lines.isEmpty() ? QString() : lines.join(CrLf) + CrLf),
          "lines are the arrival's start");
    Check(!arrival.mid(tail).contains(CrLf) && (!lines.isEmpty() || !arrival.contains(CrLf)),
          "only the text after the last CR LF is dropped");

    QString errorText, lastFrame;
    LogRows rows;
    for (const QString& line : lines) {
        const QStringList t = line.split(QLatin1Char(' '));
        const QString& t0 = t[0];
        int n = 0;
        if (line.isEmpty() || (Global::ModuleModel && t0.startsWith(QLatin1String("Module")))) {
        } else if (Global::ModuleModel ? t0.startsWith(QLatin1String("Status->"))
                                       : t0 == QLatin1String("STATUS:")) {
            rows.end(line, true);
        } else {
            consoleText = ConsoleEchoText(consoleText, line);
            if (t0.toUpper() == QLatin1String("FRAME")) {
                rows.field(QString()); // the time
                rows.field(t.value(2));
                lastFrame = t.value(2);
            } else if (IsChannel(t0, &n)) {
                if (n < 15)
                    rows.field(t.value(1));
                else
                    rows.end(t.value(1), false);
            } else if (t0 == QLatin1String("SET") || t0 == QLatin1String("ERROR:")) {
                rows.end(line, true);
                if (t0 == QLatin1String("ERROR:"))
                    errorText += line + CrLf;
            }
        }
        Global::HandleQelLine(line);
    }
    Check(console.ResultText() == consoleText, "console follows the echo rule");
    if ((mode & 3) == 0) {
        QCoreApplication::processEvents();
        CheckConsoleBox(console, consoleText);
    }
    Check(errors.ErrorText() == errorText, "error viewer holds every error line");
    if (!lastFrame.isNull())
        Check(Registry::get<Bar>().LabelText(QStringLiteral("labFrameData")) == lastFrame,
              "bar graph shows the last frame number");

    Global::CloseLogFile();
    QFile file(logPath);
    Check(file.open(QIODevice::ReadOnly), "log readable");
    const QStringList logRows = QString::fromLatin1(file.readAll()).split(CrLf);
    Check(logRows.size() == rows.commas.size(), "one log row per row end");
    for (int i = 0; i < logRows.size(); ++i)
        Check(logRows[i].count(QLatin1Char(',')) == rows.commas[i], "every field in its row");
    return 0;
}
