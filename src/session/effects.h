#pragma once
// What the session causes in the rest of the program. The session sits
// below every window and below the reply handling, so it does not include
// them: each procedure here is declared beside the code that calls it and
// defined with the window or module it acts on (named in each group).

#include <QLatin1String>
#include <QString>

namespace Global {

// --- the frame window (src/mainwin) ---------------------------------------

// Status bar panel 1, 2 or 3 of the frame window; nothing without a frame.
void SetPanelText(int panel, const QString& text);
QString PanelText(int panel);

// The rows of the frame window's enabling table.
enum class MenuState { Startup, Disconnected, Connected, Scanning, Idle, LogOpened, LogClosed };
void SetMenus(MenuState state);

// The frame's display options, held by check marks of its BarGraph menu.
// They are stored with the link settings.
enum class DisplayItem {
    Pressures,
    Temperatures,
    Places0,
    Places1,
    Places2,
    Places3,
    Places4,
    Places5,
};
constexpr int DisplayItemCount = 8;
// Whether the frame window exists to hold them.
bool HaveDisplayItems();
bool DisplayItemChecked(DisplayItem item); // false without a frame window
void CheckDisplayItem(DisplayItem item, bool checked);

// The log file could not be written: it has been closed; tells the operator
// (naming the file and the reason) and shows the log as closed.
void LogFileFailed(const QString& reason);

// Writes the capture program's configuration file; false (after telling the
// operator) when it cannot be written.
bool WriteZomraCfg();

// --- the reply handling (src/replies) -------------------------------------

// One received line, without its CR LF: the reply dispatcher. The line's
// characters are bytes, as everything the unit sends (Latin-1); the transport
// hands each line as a view of what it received.
void HandleQelLine(QLatin1String line);
void HandleQelLine(const QString& line);
// Run by SendList at the end of a list while SavePending is set.
void SaveAndReboot();
// The pressure unit table and the configuration dialog's unit list.
void InitUnitNames();
// BarFormat from the decimal-places items and the EU switch.
void UpdateBarFormat();

// --- the configuration dialog (src/config) --------------------------------

// Enables or disables its Apply and Close buttons (the send list holds
// them disabled while it runs).
void EnableConfigButtons(bool enabled);

// --- the bar graph (src/bargraph) -----------------------------------------

// The bar graph's ResetLables: every value label back to the normal colour.
void ResetLables();

} // namespace Global
