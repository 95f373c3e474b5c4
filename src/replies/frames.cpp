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

void HandleFrameHeader(QLatin1String line, QLatin1String frameText) {
    const float frame = LeadingSingle(frameText);

    // The frame numbered FramesPerScan - 1 is the last of the scan.
    if (frame >= static_cast<float>(FramesPerScan - 1))
        SetIdleMenus();

    BarSetFrame(frameText);

    if (!LogScanData)
        return;
    if (LogIsCsv) {
        if (ExtTrigger) {
            WriteLog(LogField, QLatin1String("XTRIG"));
        } else {
            const QByteArray time = FormatGeneral(FrameInterval * frame).toLatin1();
            WriteLog(LogField, QLatin1String(time.constData(), time.size()));
        }
        WriteLog(LogField, frameText);
    } else {
        WriteLog(LogLine, line);
    }
}

void HandleChannelLine(int channel, QLatin1String line, QLatin1String pressure,
                       QLatin1String shown) {
    if (channel < 0 || channel >= ChannelCount)
        return;
    const qint16 nChan = static_cast<qint16>(channel);

    BarSetPressValue(nChan, shown);
    BarCalcBar(nChan, LeadingSingle(shown), ChannelFullScale[nChan]);

    if (!LogScanData)
        return;
    if (LogIsCsv) {
        // The pressure is logged whatever the bar graph shows; channel 15
        // ends the row.
        WriteLog(nChan < ChannelCount - 1 ? LogField : LogRowEnd, pressure);
    } else {
        WriteLog(LogLine, line);
    }
}

} // namespace Global
