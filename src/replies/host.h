#pragma once
// The MODEL and HOST setting lines. The save-and-reboot sequence they can
// lead to, SaveAndReboot, is declared with the send list that runs it
// (session/effects.h) and defined in host.cpp.

#include <QStringList>

namespace Global {
void HandleModelLine(const QStringList& tokens);
void HandleHostLine(const QStringList& tokens);
} // namespace Global
