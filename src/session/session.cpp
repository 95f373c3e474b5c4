#include "session/session.h"

#include "core/numbers.h"
#include "core/registry.h"
#include "session/connection.h"
#include "session/effects.h"
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
    SetMenus(MenuState::Connected);
    AddIpToHistory(IpAddress);
    Main& main = Registry::get<Main>();
    main.Command1->setText(QStringLiteral("Disconnect"));

    SendToQel(HssEnabled ? QStringLiteral("SET BIN 1\r") : QStringLiteral("SET BIN 0\r"));
    SendToQel(QStringLiteral("SET FORMAT 0\r"));
    SendList(QStringLiteral("ICHS"), true);

    // The poll interval is whole seconds as text; no leading number is 0.
    const double ms = std::round(LeadingNumber(StatusPollInterval) * 1000.0);
    main.tmrStatus->setInterval(static_cast<int>(std::clamp(ms, 0.0, 2147483647.0)));
    if (StatusPollAlways)
        StartStatusPoll();
    else
        SetPanelText(2, QStringLiteral("Status Off"));
}

void EndSession() {
    SetMenus(MenuState::Disconnected);
    // The connection window may not be loaded yet (the frame's start-up) or
    // be gone already (shut-down); a new one starts in this state anyway.
    Main* main = Registry::peek<Main>();
    if (main) {
        main->tmrStatus->stop();
        main->CloseSocket();
    }
    ConnectState = 0;
    SetPanelText(1, QStringLiteral("No connection"));
    SetPanelText(2, QString());
    if (main) {
        main->lstIpHistory->setEnabled(true);
        main->Command1->setText(QStringLiteral("Connect"));
    }
}

void SetScanMenus() {
    SetMenus(MenuState::Scanning);
    ResetLables();
}

void SetIdleMenus() {
    SetMenus(MenuState::Idle);
}

void StartStatusPoll() {
    // A poll period of 0 never fires, so the timer is not run at all.
    QTimer* poll = Registry::get<Main>().tmrStatus;
    if (!poll->isActive() && poll->interval() > 0)
        poll->start();
}

void RestoreStatusPoll() {
    if (!StatusPollAlways) {
        Registry::get<Main>().tmrStatus->stop();
        SetPanelText(2, QStringLiteral("Status Off"));
    } else if (ConnectState == 2) {
        SetPanelText(2, QStringLiteral("Getting Status"));
        StartStatusPoll();
    }
}

} // namespace Global
