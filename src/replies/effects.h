#pragma once
// What the reply handling causes in the program's windows. The windows sit
// above the reply handling and it does not include them: each procedure here
// is declared beside the code that calls it and defined with the window it
// acts on (named in each group). Each does nothing visible while its window
// is not loaded or not shown, as the window's own rule says.

#include <QLatin1String>
#include <QString>

namespace Global {

// --- the sensor profile windows (src/spf) ---------------------------------

// Whether CreateSPF or UploadSPF is shown (asked as ConsoleShown below).
bool ProfileWindowsShown();
// Offers a line to CreateSPF and then to UploadSPF, each while it is shown.
void OfferToProfileWindows(QLatin1String line);

// --- the console and the error viewer (src/console) -----------------------

// Whether the console and the error viewer are shown. The dispatcher asks
// once while no window changes (Registry::stateEpoch) and echoes only then.
bool ConsoleShown();
bool ErrorViewerShown();
// The console's echo of a line.
void EchoToConsole(QLatin1String line);
// The error viewer's list: the line and CR LF.
void EchoToErrorViewer(const QString& line);

// --- the configuration dialog (src/config) --------------------------------

// Puts a reported setting into the dialog's field for it (the dialog is
// loaded, hidden, if it is not yet); names without a field change nothing.
void ShowSettingInDialog(const QString& name, const QString& value);
// Refills the dialog's unit list from UnitNames, with no entry selected.
void FillUnitList();
// Whether the dialog's EU box is checked (value 1).
bool EuChecked();

// --- the bar graph (src/bargraph) -----------------------------------------

void BarSetXScale();
void BarSetFrame(QLatin1String sFrame);
void BarSetPressValue(qint16 nChan, QLatin1String sPress);
void BarCalcBar(qint16 nChan, float fValue, float fMax);

} // namespace Global
