#include "qelsim/signal.h"

#include <algorithm>
#include <cmath>

namespace qelsim {

namespace {
constexpr double kTwoPi = 6.283185307179586;
// Keys for values that depend on the channel only, kept apart from the
// frame-numbered noise keys.
constexpr quint64 kChannelKey = quint64(1) << 40;

double centre(RangePsi r) {
    return (r.min + r.max) / 2.0;
}

double halfSpan(RangePsi r) {
    const double half = (r.max - r.min) / 2.0;
    return half > 0.0 ? half : 1.0;
}
} // namespace

quint64 mix64(quint64 x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

double noise(quint64 seed, quint64 a, quint64 b) {
    const quint64 h = mix64(mix64(seed) ^ mix64(a * 0x100000001B3ULL + b));
    return double(h >> 11) * (2.0 / 9007199254740992.0) - 1.0;
}

double offsetPsi(quint64 seed, int channel, RangePsi range) {
    return centre(range) + 0.3 * halfSpan(range) * noise(seed, kChannelKey | quint64(channel), 1);
}

double pressurePsi(quint64 seed, quint64 frame, int channel, RangePsi range) {
    const quint64 key = kChannelKey | quint64(channel);
    const double period = 96.0 + 17.0 * channel + std::floor(32.0 * (noise(seed, key, 2) + 1.0));
    const double phase = 3.141592653589793 * noise(seed, key, 3);
    const double wave = std::sin(kTwoPi * double(frame % 1000000007ULL) / period + phase);
    return offsetPsi(seed, channel, range) + 0.25 * halfSpan(range) * wave +
           0.002 * halfSpan(range) * noise(seed, frame, quint64(channel));
}

double temperatureC(quint64 seed, quint64 frame, int channel) {
    const quint64 key = kChannelKey | quint64(channel);
    const double drift = std::sin(kTwoPi * double(frame % 1000000007ULL) / 4000.0 + channel);
    return 21.5 + 2.0 * noise(seed, key, 4) + 0.3 * drift +
           0.02 * noise(seed, frame, quint64(16 + channel));
}

int pressureCounts(double psi, RangePsi range) {
    const double counts = 32768.0 + (psi - centre(range)) / halfSpan(range) * 30000.0;
    return int(std::clamp<double>(std::llround(counts), 0.0, 65535.0));
}

int temperatureCounts(double celsius) {
    return int(std::clamp<double>(std::llround((celsius + 50.0) * 200.0), 0.0, 65535.0));
}

double roundTo(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return double(std::llround(value * scale)) / scale;
}

void appendFixed(QByteArray& out, double value, int decimals) {
    static const qint64 kPowers[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};
    decimals = std::clamp(decimals, 0, 7);
    qint64 scaled = std::llround(value * double(kPowers[decimals]));
    if (scaled < 0) {
        out += '-';
        scaled = -scaled;
    }
    char digits[32];
    int n = 0;
    do {
        digits[n++] = char('0' + scaled % 10);
        scaled /= 10;
    } while (scaled > 0 || n <= decimals);
    for (int i = n - 1; i >= 0; --i) {
        out += digits[i];
        if (i == decimals && decimals > 0)
            out += '.';
    }
}

QString numberText(double value) {
    if (value == 0.0)
        return QStringLiteral("0");
    return QString::number(value, 'g', 7);
}

} // namespace qelsim
