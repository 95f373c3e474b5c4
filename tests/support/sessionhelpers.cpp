#include "sessionhelpers.h"

#include "core/registry.h"
#include "fakeunit.h"
#include "mainwin/mdimain.h"
#include "session/mainform.h"
#include "session/state.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

bool ConnectToUnit(FakeUnit& unit, int timeoutMs) {
    Main& main = Registry::get<Main>();
    main.showForm();
    main.txtIpAdd->setText(unit.address());
    main.Command1->click();
    return QTest::qWaitFor([&] { return unit.isConnected() && Global::ConnectState == 2; },
                           timeoutMs);
}

QString PanelText(int panel) {
    MDIMain* frame = Registry::peek<MDIMain>();
    return frame ? frame->PanelText(panel) : QString();
}
