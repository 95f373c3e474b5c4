#include "consolehelpers.h"

#include "core/activation.h"
#include "core/registry.h"
#include "fakeunit.h"
#include "session/mainform.h"
#include "session/send.h"
#include "sessionhelpers.h"

#include <QTimer>
#include <QtTest>

namespace {
const QByteArray Mark = QByteArrayLiteral("#look#\r");
} // namespace

bool ConnectAndSettle(FakeUnit& unit) {
    unit.answerStandardLists();
    if (!ConnectToUnit(unit) || !unit.waitForReceived("List S\r"))
        return false;
    Main& main = Registry::get<Main>();
    if (!QTest::qWaitFor([&] { return !main.tmrResponse->isActive(); }))
        return false;
    main.tmrStatus->stop();
    (void)SentSinceLastLook(unit);
    return true;
}

QByteArray SentSinceLastLook(FakeUnit& unit) {
    Global::SendToQel(QString::fromLatin1(Mark));
    if (!unit.waitForReceived(Mark))
        return QByteArrayLiteral("<mark never arrived>");
    QByteArray all = unit.received();
    unit.clearReceived();
    const qsizetype at = all.indexOf(Mark);
    QByteArray after = all.mid(at + Mark.size());
    if (!after.isEmpty())
        return QByteArrayLiteral("<bytes after the mark: ") + after + '>';
    return all.left(at);
}

bool WaitForActivation(QWidget* window) {
    return QTest::qWaitFor([&] { return Activation::lastProgramWindow() == window; });
}
