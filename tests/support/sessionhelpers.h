#pragma once
// Helpers for wire tests: connecting the program's connection window to a
// scripted fake unit, and reading the frame window's status bar.

#include <QString>

class FakeUnit;

// Shows the connection window, types the address into txtIpAdd and presses
// Connect, as an operator would; the connection completes later.
void StartConnecting(const QString& address);

// Shows the connection window, types the unit's address into txtIpAdd and
// presses Connect. True once the unit holds the connection and the session
// has started (ConnectState 2).
bool ConnectToUnit(FakeUnit& unit, int timeoutMs = 5000);

// Text of status bar panel 1, 2 or 3 of the frame window ("" without one).
QString PanelText(int panel);
