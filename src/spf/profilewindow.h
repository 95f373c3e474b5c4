#pragma once
// ProfileWindow: what the two sensor profile windows, CreateSPF and
// UploadSPF, have in common. Each works on one sensor position of the unit
// and one sensor profile file ("*.spf"), follows the unit's replies through
// HandleLineFromQel (the reply dispatcher offers every non-empty line while
// the window is shown, before any other handling), and keeps the status poll
// running while it is open, because it counts the unit's "READY" lines.
//
// Each activation asks for the file again (SelectFile). The window holds one
// file at a time, so an activation while its file is open ends with the
// window's error message and closes the window.

#include "core/form.h"

class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

class ProfileWindow : public Form {
    Q_OBJECT
public:
    QLabel* labSensorPosition = nullptr;
    QLineEdit* txtSensorPosition = nullptr;
    QPushButton* btnStart = nullptr;
    QPushButton* btnExit = nullptr;
    QLabel* labStatusText = nullptr;

    // One line of the unit, without its CR LF.
    virtual void HandleLineFromQel(const QString& line) = 0;

    // The unit's channel of a sensor position 1 to 16 as typed: the leading
    // number less 1, halves to even, limited to 0..15 (no number gives 0).
    static int ChannelOfPosition(const QString& position);

    // The filter of both windows' file dialogs.
    static const QString ProfileFilter;

protected:
    explicit ProfileWindow(const QString& caption);

    // Asks for the file and opens it; on failure unloads the window (with a
    // message when a name was given).
    virtual void SelectFile() = 0;
    // The common part of every activation's reset: position "1", channel 0,
    // idle, Start enabled, the status poll on.
    void ResetForFile();
    // Sends the command with CR and shows "Sent: " and the command.
    void SendCommand(const QString& command);
    // Unloads the window after a failed file selection.
    void FileFailed(const QString& message);

    void onActivate() override;
    void onUnload() override;

    // The window's grid; the cell under Start (row 1, column 2) is left for
    // a window's own button.
    QGridLayout* grid = nullptr;

    bool running = false;
    int step = 0;
    int channel = 0;
    int readyCount = 0;
};
