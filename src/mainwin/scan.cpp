#include "mainwin/scan.h"

#include "mainwin/capture.h"
#include "session/send.h"
#include "session/session.h"
#include "session/state.h"

// Scan control from the Qel menu and the toolbar: each is one command to the
// unit, bracketed by the menu states of scanning and idle.

namespace Global {

void StartScan() {
    // With the high-speed switch on, the capture program takes the scan over.
    if (HssEnabled) {
        HighSpeedStart();
        return;
    }
    SetScanMenus();
    SendToQel(QStringLiteral("SCAN\r"));
}

void StopScan() {
    SetIdleMenus();
    SendToQel(QStringLiteral("STOP\r"));
}

void CalZero() {
    SendToQel(QStringLiteral("CALZ\r"));
}

void SaveSettings() {
    SendToQel(QStringLiteral("SAVE\r"));
}

} // namespace Global
