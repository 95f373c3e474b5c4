#include "replies/frames.h"

#include "core/numbers.h"
#include "replies/effects.h"
#include "session/log.h"
#include "session/session.h"
#include "session/state.h"

// Scan data arrives as a frame header ("FRAME x n", n the frame number)
// followed by one line per channel ("c pressure temperature"). Each frame
// updates the bar graph and, while scan data is logged, becomes either one
// comma-separated row (time, frame number, sixteen pressures) or seventeen
// plain log lines.

namespace Global {

void HandleFrameHeader(const QString& line, const QStringList& tokens) {
    const QString frameText = tokens.value(2);
    const float frame = LeadingSingle(frameText);

    // The frame numbered FramesPerScan - 1 is the last of the scan.
    if (frame >= static_cast<float>(FramesPerScan - 1))
        SetIdleMenus();

    BarSetFrame(frameText);

    if (!LogScanData)
        return;
    if (LogIsCsv) {
        const float time = FrameInterval * frame;
        WriteLog(LogField, ExtTrigger ? QStringLiteral("XTRIG") : FormatGeneral(time));
        WriteLog(LogField, frameText);
    } else {
        WriteLog(LogLine, line);
    }
}

void HandleChannelLine(int channel, const QString& line, const QStringList& tokens, int column) {
    if (channel < 0 || channel >= ChannelCount)
        return;
    const qint16 nChan = static_cast<qint16>(channel);
    const QString value = tokens.value(column == 2 ? 2 : 1);

    BarSetPressValue(nChan, value);
    BarCalcBar(nChan, LeadingSingle(value), ChannelFullScale[nChan]);

    if (!LogScanData)
        return;
    if (LogIsCsv) {
        // The pressure is logged whatever the bar graph shows; channel 15
        // ends the row.
        if (nChan < ChannelCount - 1)
            WriteLog(LogField, tokens.value(1));
        else
            WriteLog(LogRowEnd, tokens.value(1));
    } else {
        WriteLog(LogLine, line);
    }
}

} // namespace Global
