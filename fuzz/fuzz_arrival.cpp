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
#include "config/qelconfig.h"
#include "console/commands.h"
#include "console/errorwin.h"
#include "console/linebox.h"
#include "core/registry.h"
#include "echorule.h"
#include "fixture.h"
#include "mainwin/logfile.h"
#include "mainwin/mdimain.h"
#include "session/effects.h"
#include "session/log.h"
#include "session/mainform.h"
#include "session/send.h"
#include "session/state.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBlock>

#include <algorithm>

namespace {

ScriptedPrompt* scripted = nullptr;
QString logPath;
QString unitNames[Global::UnitTableSize];
qint16 unitCount = 0;
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
    // Each line is shown on a line of its own, the caret's empty one last
    // (the raw text: the plain text turns a no-break space into a blank).
    const QStringList shown = console.txtResult->document()
                                  ->toRawText()
                                  .replace(QChar::ParagraphSeparator, QChar::LineSeparator)
                                  .split(QChar::LineSeparator);
    Check(shown.size() == lines.size(), "console box shows one line per line");
    for (int i = 0; i + 1 < qMin(lines.size(), shown.size()); ++i)
        Check(shown[i] == LineBox::displayText(lines[i]), "console box shows each line");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // In memory where there is /dev/shm: the log is written for every input.
    static QTemporaryDir dir((QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                  ? QStringLiteral("/dev/shm")
                                  : QDir::tempPath()) +
                             QStringLiteral("/fuzz_arrival-XXXXXX"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    new QApplication(*argc, *argv);
    auto prompt = std::make_unique<ScriptedPrompt>();
    scripted = prompt.get();
    installPrompt(std::move(prompt));
    Registry::get<MDIMain>().show();
    Registry::get<Bar>().showForm();
    Registry::get<Commands>().showForm();
    Registry::get<Error>().showForm();
    logPath = dir.filePath(QStringLiteral("fuzz.csv"));
    scripted->fileAnswers.enqueue(logPath);
    Global::OpenLogFile();
    Global::PauseScale = 0; // the save-and-reboot sequence without waiting
    Global::InitUnitNames();
    std::copy(std::begin(Global::UnitNames), std::end(Global::UnitNames), unitNames);
    unitCount = Global::UnitCount;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Global::Reset();
    // The unit names as the program starts; the configuration dialog's list
    // was filled with them at the start, and a line only moves its selection.
    std::copy(std::begin(unitNames), std::end(unitNames), Global::UnitNames);
    Global::UnitCount = unitCount;
    Registry::get<QelConfig>().lstUnitScan->setCurrentIndex(-1);
    Global::UpdateBarFormat();
    Global::LogScanData = Global::LogListData = Global::LogErrors = Global::LogStatusData = true;
    scripted->shown.clear();
    // The log afresh, as Open Log File left it at the start (its menus and
    // panel stay so, and are not redrawn for every input).
    Check(Global::OpenLogWriter(logPath, nullptr), "log opens");
    Global::LogFileName = logPath;
    Global::LogFileOpen = Global::LogIsCsv = true;

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
            const QByteArray line(3199, char('a' + i));
            console.EchoLine(QLatin1String(line));
            consoleText = ConsoleEchoText(std::move(consoleText), QString::fromLatin1(line));
        }
    }

    const QByteArrayView arrival(data, qsizetype(size));
    const QList<QByteArrayView> lines = Main::ArrivalLines(arrival);
    qsizetype at = 0; // where the next line must start
    for (const QByteArrayView line : lines) {
        Check(line.data() == arrival.data() + at && !line.contains("\r\n") &&
                  arrival.sliced(at + line.size()).startsWith("\r\n"),
              "lines are the arrival's start, each up to its CR LF");
        at += line.size() + 2;
    }
    Check(!arrival.sliced(at).contains("\r\n"), "only the text after the last CR LF is dropped");

    QString errorText, lastFrame;
    bool framed = false;
    LogRows rows;
    for (const QByteArrayView bytes : lines) {
        const QString line = QString::fromLatin1(bytes.data(), bytes.size());
        const QStringList t = line.split(QLatin1Char(' '));
        const QString& t0 = t[0];
        int n = 0;
        if (line.isEmpty() || (Global::ModuleModel && t0.startsWith(QLatin1String("Module")))) {
        } else if (Global::ModuleModel ? t0.startsWith(QLatin1String("Status->"))
                                       : t0 == QLatin1String("STATUS:")) {
            rows.end(line, true);
        } else {
            consoleText = ConsoleEchoText(std::move(consoleText), line);
            if (t0.toUpper() == QLatin1String("FRAME")) {
                rows.field(QString()); // the time
                rows.field(lastFrame = t.value(2));
                framed = true;
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
        Global::HandleQelLine(QLatin1String(bytes.data(), bytes.size()));
    }
    Check(console.ResultText() == consoleText, "console follows the echo rule");
    if ((mode & 3) == 0) {
        QCoreApplication::processEvents();
        CheckConsoleBox(console, consoleText);
    }
    Check(errors.ErrorText() == errorText, "error viewer holds every error line");
    if (framed)
        Check(Registry::get<Bar>().LabelText(QStringLiteral("labFrameData")) == lastFrame,
              "bar graph shows the last frame number");

    Global::CloseLogWriter();
    QFile file(logPath);
    Check(file.open(QIODevice::ReadOnly), "log readable");
    const QStringList logRows = QString::fromLatin1(file.readAll()).split(CrLf);
    Check(logRows.size() == rows.commas.size(), "one log row per row end");
    for (int i = 0; i < logRows.size(); ++i)
        Check(logRows[i].count(QLatin1Char(',')) == rows.commas[i], "every field in its row");
    return 0;
}
