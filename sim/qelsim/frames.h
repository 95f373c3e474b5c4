#pragma once
// Scan frames: what a frame holds and how it is written, as text lines on
// the connection or as one binary datagram. A ScanSetup is taken from the
// settings when a scan starts; changing settings during the scan does not
// change it.

#include "qelsim/state.h"

#include <QByteArray>
#include <QHostAddress>
#include <array>

namespace qelsim {

struct ScanSetup {
    quint64 seed = 0;
    qint64 frameNs = 0;       // AVG x PERIOD x 16 microseconds
    qint64 framesPerScan = 0; // 0: until STOP
    bool engineering = true;  // EU: pressures in the scan unit, else counts
    bool zeroCorrect = true;  // ZC: take the last zero calibration away
    bool queued = false;      // QPKTS: hold the frames until the scan ends
    double factor = 1.0;      // psi to the scan unit
    std::array<RangePsi, kChannels> ranges;
    std::array<double, kChannels> zeroPsi{};
    std::array<int, kChannels> decimals{}; // pressure decimals in EU mode
    // Binary output: BIN 1 and a HOST with an address, a port and "U".
    bool binary = false;
    QHostAddress host;
    quint16 port = 0;
};

ScanSetup scanSetup(const UnitState& state, quint64 seed);

// One channel's values in a frame, exactly as sent: in EU mode the pressure
// in the scan unit rounded to the channel's decimals and the temperature in
// degrees C rounded to 2 decimals; otherwise both in whole counts.
struct Sample {
    double pressure = 0;
    double temperature = 0;
};
Sample sample(const ScanSetup& setup, quint64 frame, int channel);

// Appends "FRAME = <frame>" and the 16 channel lines "<ch> <p> <t>", each
// ended by CR LF.
void appendTextFrame(QByteArray& out, const ScanSetup& setup, quint64 frame);

// The datagram of a frame (layout in the simulator's README):
// big-endian; "QELF", layout 1, 16 channels, frame number, flags, time of
// the frame in microseconds, then 16 pressures and 16 temperatures as
// 32-bit IEEE floats.
// With `values`, also gives the 16 pressures and 16 temperatures as sent.
constexpr int kDatagramSize = 24 + 2 * kChannels * 4;
QByteArray binaryFrame(const ScanSetup& setup, quint64 frame,
                       std::array<float, 2 * kChannels>* values = nullptr);
// The time of a frame in microseconds since the scan started, as sent.
inline quint64 frameTimeUs(const ScanSetup& setup, quint64 frame) {
    return frame * quint64(setup.frameNs / 1000);
}

// How many frames a scan has produced after elapsedNs: frame n is due at
// n x frameNs, frame 0 at once; never more than framesPerScan (when set).
qint64 framesDue(const ScanSetup& setup, qint64 elapsedNs);

} // namespace qelsim
