#include "replies/host.h"

#include "core/numbers.h"
#include "core/prompt.h"
#include "core/registry.h"
#include "replies/timeout.h"
#include "session/connection.h"
#include "session/effects.h"
#include "session/mainform.h"
#include "session/send.h"
#include "session/session.h"
#include "session/state.h"

#include <QTimer>

#include <algorithm>
#include <cmath>

namespace Global {

void HandleModelLine(const QStringList& tokens) {
    const QString model = tokens.value(2);
    SetPanelText(1, QStringLiteral("Connected to ") + IpAddress + QStringLiteral(" (Model ") +
                        TrimBlanks(model) + QStringLiteral(")"));
    ModuleModel = model.left(2) == ModuleFamilyPrefix;
    PerChannelMax = model.right(2) == PerChannelRangeSuffix;
}

void HandleHostLine(const QStringList& tokens) {
    const QString host = tokens.value(2);
    const QString port = tokens.value(3);
    const QString transport = tokens.value(4);
    if (HssEnabled) {
        // Binary scan data must come to this computer.
        const Main* main = Registry::peek<Main>();
        const QString local = main ? main->LocalAddress() : QString();
        if (!(host == local && port == QLatin1String("23") && transport == QLatin1String("U"))) {
            SendToQel(QStringLiteral("SET HOST ") + TrimBlanks(local) + QStringLiteral(" 23 U\r"));
            SavePending = true;
        }
    } else if (!(host == QLatin1String("0") && port == QLatin1String("0") &&
                 transport == QLatin1String("T"))) {
        SendToQel(QStringLiteral("SET HOST 0 0 T\r"));
        SavePending = true;
    }
    // HOST is the last line of its group's reply.
    SendList(QString(), false);
}

void SaveAndReboot() {
    DisableConnectButton();
    SavePending = false;
    SendToQel(QStringLiteral("SAVE\r"));
    MsgBox(QStringLiteral("WARNING: Qel's Binary IP Address does not match host's IP address. "
                          "Changing to match and rebooting. This will take 35 seconds then you "
                          "must reconnect."));

    Timeout& progress = Registry::get<Timeout>();
    const double tick = std::round(1000.0 * PauseScale);
    progress.Timer1->setInterval(static_cast<int>(std::clamp(tick, 1.0, 2147483647.0)));
    progress.Timer1->start();
    RebootSeconds = 0;
    progress.showForm();

    Pause(5000);
    SendToQel(QStringLiteral("reboot\r"));
    Pause(5000);
    if (Main* main = Registry::peek<Main>())
        main->CloseSocket();
    EndSession();
    Pause(25000);
    if (Registry::peek<Main>())
        EnableConnectButton();
}

} // namespace Global
