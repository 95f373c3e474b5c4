#pragma once
// The MODEL and HOST setting lines, and the save-and-reboot sequence.

#include <QStringList>

namespace Global {
void HandleModelLine(const QStringList& tokens);
void HandleHostLine(const QStringList& tokens);
// Run by SendList at the end of a list while SavePending is set.
void SaveAndReboot();
} // namespace Global
