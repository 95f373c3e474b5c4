#pragma once
// The settings mirror: "SET" lines into the configuration dialog's fields and
// the session variables; the pressure unit table; the rate arithmetic; the
// bar graph's number format. InitUnitNames and UpdateBarFormat are declared
// with the session that calls them too (session/effects.h).

#include "session/effects.h"

#include <QString>
#include <QStringList>

namespace Global {
// The tokens of one "SET" line (T0 "SET", T1 name, T2 value, ...).
void HandleSettingLine(const QStringList& tokens);
float CalcFrameRate(qint16 averages, float period);
float FrameRateOf(qint16 averages, float period);
qint16 AveragesForRate(float period, float rate);
// The number format of the decimal-places item for 0 to 5 places: "0",
// "0.0", ... "0.00000".
QString DecimalPlacesFormat(int places);
} // namespace Global
