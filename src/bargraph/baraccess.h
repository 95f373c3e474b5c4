#pragma once
// What the bar graph shows, for screen readers and desktop automation.
//
// Bar paints its labels itself, so they are not widgets that a screen reader
// could find. Its accessible interface (role Chart, named by its caption)
// has one child per painted label, in reading order:
//
//   0        the caption "Frame"           (static text)
//   1        the frame number              (static text)
//   2        the units text                (static text)
//   3 .. 18  channel rows 1 to 16          (grouping; name: the channel's
//            number, value: its value text, description: its tag)
//            each holding four static texts: the number, the value text,
//            the left and the right range text
//   19 .. 27 the legend, "-100%" to "100%" (static text)
//
// A tagged value reads "High (red)" or "Low (green)" as its description (the
// value label's and its row's). Each child's rectangle is its label's box on
// the screen. The texts are read from the window when asked, so they are
// always those of the last paint request.

// Registers the interface factory for Bar; once is enough, more is harmless.
void InstallBarAccessibility();
