#include "session/session.h"

#include "bargraph/bar.h"
#include "core/numbers.h"
#include "core/registry.h"
#include "mainwin/mdimain.h"
#include "replies/settings.h"
#include "session/connection.h"
#include "session/mainform.h"
#include "session/send.h"
#include "session/state.h"

#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace Global {

void StartSession() {
    InitUnitNames();
    ConnectState = 2;
    if (MDIMain* frame = Registry::peek<MDIMain>())
        frame->MenusConnected();
    AddIpToHistory(IpAddress);
    Main& main = Registry::get<Main>();
    main.Command1->setText(QStringLiteral("Disconnect"));

    SendToQel(HssEnabled ? QStringLiteral("SET BIN 1\r") : QStringLiteral("SET BIN 0\r"));
    SendToQel(QStringLiteral("SET FORMAT 0\r"));
    SendList(QStringLiteral("ICHS"), true);

    // The poll interval is whole seconds as text; no leading number is 0.
    const double ms = std::round(LeadingNumber(StatusPollInterval) * 1000.0);
    main.tmrStatus->setInterval(static_cast<int>(std::clamp(ms, 0.0, 2147483647.0)));
    if (StatusPollAlways) {
        // A poll period of 0 never fires, so the timer is not run at all.
        if (main.tmrStatus->interval() > 0)
            main.tmrStatus->start();
    } else if (MDIMain* frame = Registry::peek<MDIMain>()) {
        frame->SetPanel(2, QStringLiteral("Status Off"));
    }
}

void EndSession() {
    MDIMain* frame = Registry::peek<MDIMain>();
    if (frame)
        frame->MenusDisconnected();
    // The connection window may not be loaded yet (the frame's start-up) or
    // be gone already (shut-down); a new one starts in this state anyway.
    Main* main = Registry::peek<Main>();
    if (main) {
        main->tmrStatus->stop();
        main->CloseSocket();
    }
    ConnectState = 0;
    if (frame) {
        frame->SetPanel(1, QStringLiteral("No connection"));
        frame->SetPanel(2, QString());
    }
    if (main) {
        main->lstIpHistory->setEnabled(true);
        main->Command1->setText(QStringLiteral("Connect"));
    }
}

void SetScanMenus() {
    if (MDIMain* frame = Registry::peek<MDIMain>())
        frame->MenusScanning();
    Registry::get<Bar>().ResetLables();
}

void SetIdleMenus() {
    if (MDIMain* frame = Registry::peek<MDIMain>())
        frame->MenusIdle();
}

} // namespace Global
