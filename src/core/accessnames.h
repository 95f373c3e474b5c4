#pragma once
// Accessible names of a window's controls, for screen readers and desktop
// automation. A button, check box, option button or frame is read by its own
// caption. An entry box, list, drop-down list or progress bar has no caption
// of its own; NameControls names it after its label:
//
//   1. the label whose buddy it is;
//   2. else the label beside it: in its layout, the nearest label to its
//      left in its row, else above it in its column; placed by position,
//      the nearest label to its left on its line, else above it;
//   3. else the frame (group box) that holds it;
//   4. else, when it is the only such control of the window without a
//      label, the window's caption.
//
// Labels without text (pictures, a file name not filled in yet) are passed
// over. In a grid whose top row holds labels, the heading of the control's column
// is added: "Max Pressure, High Bank". A control that already has a name
// keeps it. Form::load runs this for every window once its controls exist.

class QWidget;

void NameControls(QWidget* window);
