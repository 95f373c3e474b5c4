// The reply dispatcher: every line the unit sends passes through here.

#include "core/numbers.h"
#include "replies/effects.h"
#include "replies/frames.h"
#include "replies/host.h"
#include "replies/settings.h"
#include "session/effects.h"
#include "session/log.h"
#include "session/state.h"

namespace {

const QString StatusPrefix = QStringLiteral("Qel Status: ");

void ShowStatus(const QString& word) {
    Global::SetPanelText(2, StatusPrefix + TrimBlanks(word));
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

    OfferToProfileWindows(line);

    if (ModuleModel) {
        if (t0.left(6) == QLatin1String("Module"))
            return;
        if (t0.left(8) == QLatin1String("Status->")) {
            ShowStatus(t0.mid(8));
            if (LogStatusData)
                WriteLog(LogLine, line);
            return;
        }
    } else if (t0 == QLatin1String("STATUS:")) {
        ShowStatus(tokens.at(1));
        if (LogStatusData)
            WriteLog(LogLine, line);
        return;
    }

    EchoToConsole(line);

    const int column = DisplayItemChecked(DisplayItem::Temperatures) ? 2 : 1;

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
            WriteLog(LogLine, line);
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
            WriteLog(LogLine, line);
        EchoToErrorViewer(line);
    }
}

} // namespace Global
