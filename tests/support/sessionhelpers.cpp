#include "sessionhelpers.h"

#include "core/registry.h"
#include "fakeunit.h"
#include "mainwin/mdimain.h"
#include "session/mainform.h"
#include "session/state.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

void StartConnecting(const QString& address) {
    Main& main = Registry::get<Main>();
    main.showForm();
    main.txtIpAdd->setText(address);
    main.Command1->click();
}

bool ConnectToUnit(FakeUnit& unit, int timeoutMs) {
    StartConnecting(unit.address());
    return QTest::qWaitFor([&] { return unit.isConnected() && Global::ConnectState == 2; },
                           timeoutMs);
}

QString PanelText(int panel) {
    MDIMain* frame = Registry::peek<MDIMain>();
    return frame ? frame->PanelText(panel) : QString();
}
