// The reply dispatcher: every line the unit sends passes through here.
//
// The line is read in place: its first tokens are views of it, a number is
// read from its token without a copy, and the table of all 101 tokens is
// made only for the setting lines whose handlers take it. Which windows
// receive lines, and which column a channel line shows, is worked out once
// and kept while no window is shown, hidden or destroyed and no display
// option changes.

#include "core/numbers.h"
#include "core/registry.h"
#include "replies/effects.h"
#include "replies/frames.h"
#include "replies/host.h"
#include "replies/settings.h"
#include "session/effects.h"
#include "session/log.h"
#include "session/state.h"

namespace {

const QString StatusPrefix = QStringLiteral("Qel Status: ");

void ShowStatus(QLatin1String word) {
    Global::SetPanelText(2, StatusPrefix + TrimBlanks(word));
}

// T0, T1 and T2 of a line split at single blanks; tokens the line does not
// supply are empty.
struct HeadTokens {
    QLatin1String t[3];
};

HeadTokens SplitHead(QLatin1String line) {
    HeadTokens head;
    SplitAtBlanks(line, head.t, 3);
    return head;
}

// "FRAME" in any letter case.
bool IsFrameWord(QLatin1String t0) {
    static const char upper[] = "FRAME";
    if (t0.size() != 5)
        return false;
    for (int i = 0; i < 5; ++i)
        if ((t0.data()[i] & 0xDF) != upper[i]) // clears only a letter's case bit
            return false;
    return true;
}

// The channel number of a channel line's first token: exactly "0" to "15".
int ChannelOf(QLatin1String t0) {
    const char* c = t0.data();
    if (t0.size() == 1 && c[0] >= '0' && c[0] <= '9')
        return c[0] - '0';
    if (t0.size() == 2 && c[0] == '1' && c[1] >= '0' && c[1] <= '5')
        return 10 + (c[1] - '0');
    return -1;
}

// Which windows take lines, and the value column of channel lines (2 while
// the bar graph shows temperatures, else 1).
struct Receivers {
    quint64 epoch = ~quint64(0);
    bool profiles = false;
    bool console = false;
    bool errors = false;
    int column = 1;
};

const Receivers& CurrentReceivers() {
    static Receivers r;
    const quint64 now = Registry::stateEpoch();
    if (r.epoch != now) {
        r.profiles = Global::ProfileWindowsShown();
        r.console = Global::ConsoleShown();
        r.errors = Global::ErrorViewerShown();
        r.column = Global::DisplayItemChecked(Global::DisplayItem::Temperatures) ? 2 : 1;
        r.epoch = now;
    }
    return r;
}

} // namespace

namespace Global {

void HandleQelLine(const QString& line) {
    // The unit's lines are bytes, one character each.
    const QByteArray bytes = line.toLatin1();
    HandleQelLine(QLatin1String(bytes.constData(), bytes.size()));
}

void HandleQelLine(QLatin1String line) {
    if (line.isEmpty())
        return;
    // Each call keeps its own tokens: a nested call (while an outer one
    // waits in a pause) disturbs nothing here.
    const HeadTokens head = SplitHead(line);
    const QLatin1String t0 = head.t[0];

    if (CurrentReceivers().profiles)
        OfferToProfileWindows(line);

    if (ModuleModel) {
        if (t0.startsWith(QLatin1String("Module")))
            return;
        if (t0.startsWith(QLatin1String("Status->"))) {
            ShowStatus(t0.mid(8));
            if (LogStatusData)
                WriteLog(LogLine, line);
            return;
        }
    } else if (t0 == QLatin1String("STATUS:")) {
        ShowStatus(head.t[1]);
        if (LogStatusData)
            WriteLog(LogLine, line);
        return;
    }

    const Receivers& receivers = CurrentReceivers();
    if (receivers.console)
        EchoToConsole(line);

    if (IsFrameWord(t0)) {
        HandleFrameHeader(line, head.t[2]);
        return;
    }
    const int channel = ChannelOf(t0);
    if (channel >= 0) {
        HandleChannelLine(channel, line, head.t[1], head.t[receivers.column == 2 ? 2 : 1]);
        return;
    }
    if (t0 == QLatin1String("SET")) {
        if (LogListData)
            WriteLog(LogLine, line);
        const QStringList tokens = SplitTokens(line);
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
        if (CurrentReceivers().errors)
            EchoToErrorViewer(QString(line));
    }
}

} // namespace Global
