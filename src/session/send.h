#pragma once
// Sending to the unit: the one send procedure, the paced send list of
// settings queries, and the pause that keeps events running.

#include <QString>

namespace Global {

// Sends one command exactly as given (the caller appends the CR), logging it
// first with WriteLog kind 0 when LogOutgoing is on. While not connected the
// command is dropped without a message.
void SendToQel(const QString& text);

// start = true with letters: begin a list ("ICHS", "SC"); start = false:
// advance to the next request, or end the list (and run the save-and-reboot
// sequence when SavePending is set).
void SendList(const QString& letters, bool start);

// Waits ms milliseconds while window, timer and socket events go on being
// handled (a nested event loop ended by the pause timer tmrSleep).
void Pause(qint16 ms);

// Test hook: a factor applied to every Pause and to the reboot progress
// window's one-second tick. Always 1 in the program; tests shrink it to run
// the 35-second save-and-reboot sequence in a fraction of a second.
extern double PauseScale;

} // namespace Global
