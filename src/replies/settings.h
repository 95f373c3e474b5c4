#pragma once
// The settings mirror: "SET" lines into the configuration dialog's fields and
// the session variables; the pressure unit table; the rate arithmetic.

#include <QString>
#include <QStringList>

namespace Global {
// The tokens of one "SET" line (T0 "SET", T1 name, T2 value, ...).
void HandleSettingLine(const QStringList& tokens);
void InitUnitNames();
float CalcFrameRate(qint16 averages, float period);
float FrameRateOf(qint16 averages, float period);
qint16 AveragesForRate(float period, float rate);
void UpdateBarFormat();
} // namespace Global
