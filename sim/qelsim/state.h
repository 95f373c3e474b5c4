#pragma once
// Everything a unit keeps in its settings memory: the named settings, each
// channel's temperature coefficients and point table, and the zero offsets
// of the last zero calibration. A UnitState is a plain value: "SAVE" copies
// the current state aside and a reboot copies it back.

#include "qelsim/model.h"
#include "qelsim/signal.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <array>
#include <vector>

namespace qelsim {

constexpr int kChannels = 16;

struct PointSlot {
    enum Kind { Empty, Master, Filled };
    Kind kind = Empty;
    // temperature (degrees C), pressure (psi), counts: each as the unit
    // writes it, so that a point read back equals the point written.
    std::array<QString, 3> values;
};

struct ChannelData {
    // Temperature compensation: three offset and three gain coefficients.
    std::array<QString, 3> tempOffset;
    std::array<QString, 3> tempGain;
    std::vector<PointSlot> points;
    double zeroPsi = 0.0; // taken away when zero correction is on
};

class UnitState {
public:
    UnitState() = default;
    // The factory settings of a unit of this model.
    UnitState(const Model& model, quint64 seed);

    // The value of a named setting as listed ("" when there is none).
    QString value(const QString& name) const { return settings_.value(name); }
    bool contains(const QString& name) const { return settings_.contains(name); }
    // Sets a named setting from the words after the name (upper-case name).
    // Returns an empty text, or the error the unit reports.
    QString set(const QString& name, const QStringList& words);

    long long integer(const QString& name) const;
    double real(const QString& name) const;
    bool flag(const QString& name) const { return value(name) == QLatin1String("1"); }

    // The range a channel's sensor covers, from the bank settings or, for a
    // per-channel model, from the channel's own MIN and MAX.
    RangePsi range(int channel) const;
    // The factor from psi to the scan unit (the unit's or CVTUNIT).
    double unitFactor() const;

    std::array<ChannelData, kChannels> channels;
    Model model;

    // The fixed lists of names, in listing order.
    static QStringList scanGroup();
    static QStringList calibrationGroup();

private:
    QMap<QString, QString> settings_;
};

// Rewrites every non-master point of the channel from its master points:
// straight lines between neighbouring masters, the nearest master's values
// before the first and after the last. A channel without masters empties.
void fillPoints(ChannelData& channel);

// The temperature-coefficient words a "SET TEMP" line may carry.
inline QString offsetWord() {
    return QStringLiteral("OFFSET");
}
inline QString gainWord() {
    return QStringLiteral("GAIN");
}

} // namespace qelsim
