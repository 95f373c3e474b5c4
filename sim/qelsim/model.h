#pragma once
// The kinds of unit the simulator can be. Module-style units ("QM" codes)
// report their status in their own form, send "Module" lines now and then
// and keep 60 points per channel; units with per-channel ranges ("PC"
// codes) take each channel's range from its own MAXn and MINn settings
// instead of the bank settings.

#include <QString>
#include <QStringList>

namespace qelsim {

struct Model {
    QString code = QStringLiteral("Q1600");
    bool moduleStyle = false;
    bool perChannelRanges = false;

    int pointCount() const { return moduleStyle ? 60 : 70; }
    int lastPoint() const { return pointCount() - 1; }
};

// Finds a model by its code, without regard to letter case.
bool modelFromCode(const QString& text, Model* model);
// The codes of all models, in the order the help text lists them.
QStringList modelCodes();

} // namespace qelsim
