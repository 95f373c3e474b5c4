#pragma once
// The session's two ends, the menu states of scanning, and the status poll.

namespace Global {
void StartSession(); // the socket's connect event
void EndSession();   // back to the disconnected state
void SetScanMenus(); // menus and toolbar into the scanning state, tags reset
void SetIdleMenus(); // menus and toolbar into the idle state

// The status poll as the link settings say, as their dialog's Close sets it:
// off with "Status Off" when polling is off; otherwise, while connected,
// "Getting Status" and the poll running (with the interval of the session
// start; a period of 0 never fires, so the timer is not started then).
// While not connected nothing changes.
void RestoreStatusPoll();
// Starts the status poll whatever the link settings say (the sensor profile
// windows count the unit's status replies).
void StartStatusPoll();
} // namespace Global
