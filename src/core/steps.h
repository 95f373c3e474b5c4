#pragma once
// Scripted steps: a hook for scripts/screenshots, which runs the program with
// ORVIK_STEPS naming a file of steps that put its windows into a known state
// and save pictures of them. The program runs no steps without it.
//
// One step a line; blank lines and lines starting with "#" are skipped. NAME
// is an object name (menu items and controls carry theirs: mnuConfigure,
// txtIpAdd), a window's class name (Main, Bar, QelConfig), or WINDOW.NAME for
// a control of one window (LinkConfig.cmdOk). The steps run one after the
// other, 200 ms apart, while the program goes on as usual; a step that opens
// a message box or file dialog does not hold up the next one.
//
//   click NAME        trigger a menu item, press a button
//   set NAME TEXT     type TEXT into a box (a "\n" in it is Enter), choose
//                     the page or row TEXT of a tab control or list
//   until NAME TEXT   wait (up to 30 s) until the control shows TEXT
//   wait MS           wait MS milliseconds
//   grab NAME FILE    save a picture of the window (a working window with
//                     its frame and caption) as PNG; "modal" is the open
//                     message box or file dialog; FILE is relative to the
//                     steps file
//   accept [FILE]     close the open message box with its default button, or
//                     choose FILE in the open file dialog
//   quit              close the program as File, Exit does
//
// A step that fails (no such window or control, a time-out, a picture that
// cannot be written) prints the step's line and ends the program with exit
// status 3.

#include <QString>

void RunSteps(const QString& file);
