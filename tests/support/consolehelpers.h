#pragma once
// Helpers for the console, error viewer and point list tests: a connected
// session that has finished its start-up, and the exact bytes an action sent.

#include <QByteArray>

class FakeUnit;
class QWidget;

// Connects the program to the unit, lets it answer the settings queries of
// the session's start-up and waits until they are done; then stops the
// status poll and forgets what the unit received so far.
bool ConnectAndSettle(FakeUnit& unit);

// Everything the unit received since the last call (or since the received
// bytes were last forgotten), and nothing else: the program sends a mark
// after it, the unit waits for the mark, and the bytes before it are the
// answer. Lets a test show that an action sent nothing without waiting for
// a time.
QByteArray SentSinceLastLook(FakeUnit& unit);

// Waits until the window system has made the window the program's active
// window and the program has seen it (its activation handler has run).
bool WaitForActivation(QWidget* window);
