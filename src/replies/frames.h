#pragma once
// Scan frame decoding: frame headers and channel lines into the bar graph,
// the end-of-scan test and the data log rows.

#include <QStringList>

namespace Global {
void HandleFrameHeader(const QString& line, const QStringList& tokens);
// channel 0..15; column 1 (pressure) or 2 (temperature)
void HandleChannelLine(int channel, const QString& line, const QStringList& tokens, int column);
} // namespace Global
