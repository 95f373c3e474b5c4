#include "qelsim/units.h"

namespace qelsim {

namespace {
const PressureUnit kUnits[kPressureUnitCount] = {
    {"PSI", 1.0},        {"ATM", 0.068046},     {"BAR", 0.0689476}, {"CMHG", 5.17149},
    {"CMH2O", 70.307},   {"DECIBAR", 0.689476}, {"FTH2O", 2.30666}, {"GCM2", 70.307},
    {"INHG", 2.03602},   {"INH2O", 27.6807},    {"KNM2", 6.89476},  {"KGM2", 703.07},
    {"KGCM2", 0.070307}, {"KPA", 6.89476},      {"KIPIN2", 0.001},  {"MPA", 0.00689476},
    {"MBAR", 68.9476},   {"MH2O", 0.70307},     {"MMHG", 51.7149},  {"NM2", 6894.76},
    {"NCM2", 0.689476},  {"OZIN2", 16.0},       {"OZFT2", 2304.0},  {"PA", 6894.76},
    {"PSF", 144.0},      {"TORR", 51.7149},     {"USER", 0.0},
};
} // namespace

const PressureUnit& pressureUnit(int index) {
    return kUnits[index];
}

int pressureUnitIndex(const QString& name) {
    for (int i = 0; i < kPressureUnitCount; ++i) {
        if (name.compare(QLatin1String(kUnits[i].name), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

} // namespace qelsim
