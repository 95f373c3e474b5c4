#pragma once
// The simulated physics: what pressure and temperature each channel sees in
// each frame. Every function here is pure: the same seed, frame and channel
// always give the same value, so a test can recompute what a scan sent.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace qelsim {

// A 64-bit mixing function (the finaliser of splitmix64).
quint64 mix64(quint64 x);
// A reproducible number in [-1, 1) for a seed and two indexes.
double noise(quint64 seed, quint64 a, quint64 b);

// A channel's range in pounds per square inch.
struct RangePsi {
    double min = -15.0;
    double max = 15.0;
};

// The constant part of a channel's pressure: what a zero calibration takes
// away when zero correction is on.
double offsetPsi(quint64 seed, int channel, RangePsi range);
// The pressure on a channel in a frame, in psi, before zero correction:
// the offset, a slow wave of a quarter of the half-span and a little noise.
double pressurePsi(quint64 seed, quint64 frame, int channel, RangePsi range);
// The sensor temperature in degrees Celsius.
double temperatureC(quint64 seed, quint64 frame, int channel);

// Raw converter counts (0 to 65535, mid-range at the middle of the range).
int pressureCounts(double psi, RangePsi range);
int temperatureCounts(double celsius);

// Rounds to a number of decimals the way the text output writes it.
double roundTo(double value, int decimals);
// Appends the value with a fixed number of decimals ("-1.2500"); never
// writes a negative zero.
void appendFixed(QByteArray& out, double value, int decimals);
// A number as the unit writes setting values: at most 7 significant
// digits, no trailing zeros ("15", "6.89476", "-0.5").
QString numberText(double value);

} // namespace qelsim
