#include "session/send.h"

#include "core/numbers.h"
#include "core/registry.h"
#include "session/effects.h"
#include "session/log.h"
#include "session/mainform.h"
#include "session/state.h"

#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <cmath>

namespace Global {

double PauseScale = 1.0;

namespace {

void SendListRequest(qint16 index) {
    SendToQel(QStringLiteral("List ") + TrimBlanks(ListLetters.mid(index - 1, 1)) +
              QStringLiteral("\r"));
}

} // namespace

void SendToQel(const QString& text) {
    if (LogOutgoing)
        WriteLog(LogLine, text);
    // Without the connection window there is no connection: the command is
    // dropped, as it is while the socket is not connected.
    if (Main* main = Registry::peek<Main>())
        main->SendText(text);
}

void SendList(const QString& letters, bool start) {
    if (start) {
        if (letters.isEmpty())
            return;
        ListLetters = letters;
        ListIndex = 1;
        EnableConfigButtons(false);
        // A list started while another runs keeps the running time-out:
        // only an advance gives a request a fresh five seconds.
        QTimer* timer = Registry::get<Main>().tmrResponse;
        if (!timer->isActive())
            timer->start();
        SendListRequest(ListIndex);
        ListIndex = 2;
        return;
    }

    if (ListIndex > ListLetters.size()) {
        if (Main* main = Registry::peek<Main>())
            main->tmrResponse->stop();
        if (SavePending)
            SaveAndReboot();
        EnableConfigButtons(true);
        return;
    }
    // A full response time runs from this request.
    QTimer* timer = Registry::get<Main>().tmrResponse;
    timer->stop();
    timer->start();
    SendListRequest(ListIndex);
    ListIndex = ListIndex + 1;
}

void Pause(qint16 ms) {
    // The pause timer belongs to the connection window; without it (the
    // program is closing) there is nothing to wait for.
    QPointer<Main> main = Registry::peek<Main>();
    if (!main)
        return;
    const double scaled = std::max(0.0, std::round(ms * PauseScale));
    main->tmrSleep->setInterval(static_cast<int>(std::min(scaled, 2147483647.0)));
    main->tmrSleep->start();
    SleepDone = false;

    // The pause ends when the pause timer ticks (SleepDone), also when a
    // nested pause's tick sets it, or when the window or the program goes.
    QEventLoop loop;
    QObject::connect(main->tmrSleep, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(main.data(), &QObject::destroyed, &loop, &QEventLoop::quit);
    if (!SleepDone)
        loop.exec();

    if (main)
        main->tmrSleep->stop();
}

} // namespace Global
