#pragma once
// The pressure units a scan can be reported in, with the factor that turns
// pounds per square inch into the unit. "USER" has no factor of its own:
// its factor is whatever CVTUNIT was set to.

#include <QString>

namespace qelsim {

struct PressureUnit {
    const char* name;
    double perPsi; // 0 for USER
};

constexpr int kPressureUnitCount = 27;
constexpr int kUserUnit = 26;
const PressureUnit& pressureUnit(int index);
// The index of a unit name, without regard to letter case; -1 if unknown.
int pressureUnitIndex(const QString& name);

} // namespace qelsim
