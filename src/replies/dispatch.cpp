#include "replies/dispatch.h"

#include "console/commands.h"
#include "console/errorwin.h"
#include "core/numbers.h"
#include "core/registry.h"
#include "mainwin/mdimain.h"
#include "replies/frames.h"
#include "replies/host.h"
#include "replies/log.h"
#include "replies/settings.h"
#include "session/state.h"

#include <QAction>

namespace {

const QString StatusPrefix = QStringLiteral("Qel Status: ");

void ShowStatus(const QString& word) {
    if (MDIMain* frame = Registry::peek<MDIMain>())
        frame->SetPanel(2, StatusPrefix + TrimBlanks(word));
}

// The channel number of a channel line's first token: exactly "0" to "15".
int ChannelOf(const QString& t0) {
    const auto digit = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };
    if (t0.size() == 1 && digit(t0.at(0)))
        return t0.at(0).unicode() - '0';
    if (t0.size() == 2 && t0.at(0) == QLatin1Char('1') && t0.at(1) >= QLatin1Char('0') &&
        t0.at(1) <= QLatin1Char('5'))
        return 10 + (t0.at(1).unicode() - '0');
    return -1;
}

} // namespace

namespace Global {

void HandleQelLine(const QString& line) {
    if (line.isEmpty())
        return;
    // Each call keeps its own tokens: a nested call (while an outer one
    // waits in a pause) disturbs nothing here.
    const QStringList tokens = SplitTokens(line);
    const QString& t0 = tokens.at(0);

    // The sensor profile windows see every non-empty line first, while they
    // are shown: their HandleLineFromQel hooks in here once they exist.

    if (ModuleModel) {
        if (t0.left(6) == QLatin1String("Module"))
            return;
        if (t0.left(8) == QLatin1String("Status->")) {
            ShowStatus(t0.mid(8));
            if (LogStatusData)
                WriteLog(0, line);
            return;
        }
    } else if (t0 == QLatin1String("STATUS:")) {
        ShowStatus(tokens.at(1));
        if (LogStatusData)
            WriteLog(0, line);
        return;
    }

    if (Registry::isShown<Commands>())
        Registry::get<Commands>().EchoLine(line);

    int column = 1;
    if (MDIMain* frame = Registry::peek<MDIMain>())
        if (frame->mnuBarGraphTemp && frame->mnuBarGraphTemp->isChecked())
            column = 2;

    if (t0.toUpper() == QLatin1String("FRAME")) {
        HandleFrameHeader(line, tokens);
        return;
    }
    const int channel = ChannelOf(t0);
    if (channel >= 0) {
        HandleChannelLine(channel, line, tokens, column);
        return;
    }
    if (t0 == QLatin1String("SET")) {
        if (LogListData)
            WriteLog(0, line);
        const QString& name = tokens.at(1);
        if (name == QLatin1String("MODEL"))
            HandleModelLine(tokens);
        else if (name == QLatin1String("HOST"))
            HandleHostLine(tokens);
        else
            HandleSettingLine(tokens);
        return;
    }
    if (t0 == QLatin1String("ERROR:")) {
        if (LogErrors)
            WriteLog(0, line);
        if (Registry::isShown<Error>())
            Registry::get<Error>().AppendError(line);
    }
}

} // namespace Global

QString ConsoleEchoText(const QString& oldText, const QString& line) {
    QString text = oldText;
    if (text.size() >= 32000) {
        const int end = text.indexOf(QStringLiteral("\r\n"));
        if (end >= 0)
            text.remove(0, end + 2);
        else
            text.remove(0, 1);
    }
    return text + line + QStringLiteral("\r\n");
}
