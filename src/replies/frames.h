#pragma once
// Scan frame decoding: frame headers and channel lines into the bar graph,
// the end-of-scan test and the data log rows.

#include <QLatin1String>

namespace Global {
// The header's line and its frame number (T2).
void HandleFrameHeader(QLatin1String line, QLatin1String frameText);
// A channel line for channel 0..15: the line, its pressure (T1), and the
// token of the column the bar graph shows (T1 for pressures, T2 for
// temperatures).
void HandleChannelLine(int channel, QLatin1String line, QLatin1String pressure,
                       QLatin1String shown);
} // namespace Global
