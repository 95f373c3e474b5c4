#include "qelsim/frames.h"

#include "qelsim/signal.h"

#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace qelsim {

ScanSetup scanSetup(const UnitState& state, quint64 seed) {
    ScanSetup s;
    s.seed = seed;
    s.frameNs =
        state.integer(QStringLiteral("AVG")) * state.integer(QStringLiteral("PERIOD")) * 16 * 1000;
    s.framesPerScan = state.integer(QStringLiteral("FPS"));
    s.engineering = state.flag(QStringLiteral("EU"));
    s.zeroCorrect = state.flag(QStringLiteral("ZC"));
    s.queued = state.flag(QStringLiteral("QPKTS"));
    s.factor = state.unitFactor();
    for (int ch = 0; ch < kChannels; ++ch) {
        s.ranges[ch] = state.range(ch);
        s.zeroPsi[ch] = state.channels[ch].zeroPsi;
        // Six significant digits at full scale: 4 decimals for 15 psi,
        // none for 100000 Pa.
        const double full =
            std::max(std::fabs(s.ranges[ch].max), std::fabs(s.ranges[ch].min)) * s.factor;
        const int magnitude = full > 0 ? int(std::floor(std::log10(full))) : 0;
        s.decimals[ch] = std::clamp(5 - magnitude, 0, 6);
    }
    const QStringList host = state.value(QStringLiteral("HOST")).split(QLatin1Char(' '));
    if (state.flag(QStringLiteral("BIN")) && host.size() == 3 && host[0] != QLatin1String("0") &&
        host[1] != QLatin1String("0") && host[2] == QLatin1String("U")) {
        s.binary = true;
        s.host = QHostAddress(host[0]);
        s.port = quint16(host[1].toUInt());
    }
    return s;
}

Sample sample(const ScanSetup& setup, quint64 frame, int channel) {
    const RangePsi range = setup.ranges[channel];
    const double psi = pressurePsi(setup.seed, frame, channel, range);
    const double celsius = temperatureC(setup.seed, frame, channel);
    Sample s;
    if (setup.engineering) {
        const double corrected = psi - (setup.zeroCorrect ? setup.zeroPsi[channel] : 0.0);
        s.pressure = roundTo(corrected * setup.factor, setup.decimals[channel]);
        s.temperature = roundTo(celsius, 2);
    } else {
        s.pressure = pressureCounts(psi, range);
        s.temperature = temperatureCounts(celsius);
    }
    return s;
}

void appendTextFrame(QByteArray& out, const ScanSetup& setup, quint64 frame) {
    out += "FRAME = ";
    out += QByteArray::number(frame);
    out += "\r\n";
    for (int ch = 0; ch < kChannels; ++ch) {
        const Sample s = sample(setup, frame, ch);
        out += QByteArray::number(ch);
        out += ' ';
        appendFixed(out, s.pressure, setup.engineering ? setup.decimals[ch] : 0);
        out += ' ';
        appendFixed(out, s.temperature, setup.engineering ? 2 : 0);
        out += "\r\n";
    }
}

QByteArray binaryFrame(const ScanSetup& setup, quint64 frame,
                       std::array<float, 2 * kChannels>* values) {
    QByteArray d(kDatagramSize, '\0');
    uchar* p = reinterpret_cast<uchar*>(d.data());
    std::memcpy(p, "QELF", 4);
    qToBigEndian<quint16>(1, p + 4);
    qToBigEndian<quint16>(kChannels, p + 6);
    qToBigEndian<quint32>(quint32(frame), p + 8);
    quint32 flags = (setup.engineering ? 1u : 0u) | (setup.zeroCorrect ? 2u : 0u);
    qToBigEndian<quint32>(flags, p + 12);
    qToBigEndian<quint64>(frameTimeUs(setup, frame), p + 16);
    for (int ch = 0; ch < kChannels; ++ch) {
        const Sample s = sample(setup, frame, ch);
        const float pressure = float(s.pressure);
        const float temperature = float(s.temperature);
        if (values) {
            (*values)[ch] = pressure;
            (*values)[kChannels + ch] = temperature;
        }
        quint32 bits;
        std::memcpy(&bits, &pressure, 4);
        qToBigEndian<quint32>(bits, p + 24 + 4 * ch);
        std::memcpy(&bits, &temperature, 4);
        qToBigEndian<quint32>(bits, p + 24 + 4 * kChannels + 4 * ch);
    }
    return d;
}

qint64 framesDue(const ScanSetup& setup, qint64 elapsedNs) {
    qint64 due = std::numeric_limits<qint64>::max();
    if (setup.frameNs > 0)
        due = elapsedNs < 0 ? 0 : elapsedNs / setup.frameNs + 1;
    if (setup.framesPerScan > 0)
        due = std::min(due, setup.framesPerScan);
    return due;
}

} // namespace qelsim
