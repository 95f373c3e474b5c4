#include "replies/settings.h"
// PLACEHOLDER: replaced by the unit settings work.
namespace Global {
void HandleSettingLine(const QStringList&) {}
void InitUnitNames() {}
float CalcFrameRate(qint16, float) { return 0; }
float FrameRateOf(qint16, float) { return 0; }
qint16 AveragesForRate(float, float) { return 0; }
void UpdateBarFormat() {}
} // namespace Global
