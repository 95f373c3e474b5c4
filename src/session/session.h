#pragma once
// The session's two ends and the menu states of scanning.

namespace Global {
void StartSession(); // the socket's connect event
void EndSession();   // back to the disconnected state
void SetScanMenus(); // menus and toolbar into the scanning state, tags reset
void SetIdleMenus(); // menus and toolbar into the idle state
} // namespace Global
