#pragma once
// What the tests of the program's windows reach for: the windows, the
// session's procedures and state, the test fixture and the fake unit.

#include "bargraph/bar.h"
#include "config/qelconfig.h"
#include "console/commands.h"
#include "console/errorwin.h"
#include "console/pointlists.h"
#include "core/activation.h"
#include "core/registry.h"
#include "fakeunit.h"
#include "fixture.h"
#include "mainwin/about.h"
#include "mainwin/capture.h"
#include "mainwin/logfile.h"
#include "mainwin/mdimain.h"
#include "mainwin/upload.h"
#include "replies/settings.h"
#include "replies/timeout.h"
#include "session/connection.h"
#include "session/effects.h"
#include "session/linkconfig.h"
#include "session/log.h"
#include "session/mainform.h"
#include "session/send.h"
#include "session/session.h"
#include "session/state.h"
#include "spf/createspf.h"
#include "spf/uploadspf.h"

#include <QtNetwork>
#include <QtTest>
#include <QtWidgets>

using Global::PanelText;

// The frame window.
inline MDIMain& Frame() {
    return Registry::get<MDIMain>();
}

// The bar graph opened from its menu, with the menus of a connected unit.
inline Bar& OpenBarGraph() {
    Frame().MenusConnected();
    Frame().mnuBarGraphOpen->trigger();
    Bar& bar = Registry::get<Bar>();
    if (!QTest::qWaitFor([&] { return bar.isVisible(); }, 2000))
        qWarning("bar graph did not show");
    return bar;
}

// Calls a function for every event the watched object receives.
class EventTap : public QObject {
public:
    EventTap(QObject* watched, std::function<void(QEvent*)> f) : f_(std::move(f)) {
        watched->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        f_(event);
        return false;
    }

private:
    std::function<void(QEvent*)> f_;
};

// A test class each of whose tests runs a freshly started program, with a
// scripted fake unit to connect to.
class ProgramTest : public QObject {
    Q_OBJECT
protected:
    std::unique_ptr<ProgramFixture> fx;
    std::unique_ptr<FakeUnit> unit;

protected slots:
    void init() {
        fx = std::make_unique<ProgramFixture>();
        fx->startProgram();
        unit = std::make_unique<FakeUnit>();
    }
    void cleanup() {
        fx.reset();
        unit.reset();
    }
};
