#pragma once
// Activation: a window "becomes active" when it becomes the program's active
// window coming from another window of the program. Returning to it from a
// message box or file dialog (which are not windows of the program in this
// sense), or from another application, is not an activation.
//
// The tracker watches top-level window activation for the whole application.
// Only the frame window and forms count as windows of the program.

class QWidget;

namespace Activation {

// Installs the application-wide tracker once; called by every form.
void install();
// Feeds one activation of a top-level window to the tracker, as the platform
// would. Exposed so that tests can drive the rule directly.
void windowActivated(QWidget* window);
// The program window that was active last (null before any).
QWidget* lastProgramWindow();
// Forget the last active window (tests).
void reset();

} // namespace Activation
