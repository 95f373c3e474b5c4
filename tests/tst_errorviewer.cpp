// The error viewer against a scripted fake unit: the list asked for on each
// activation, Clear Errors, and which lines reach the box.

#include "console/commands.h"
#include "console/errorwin.h"
#include "consolehelpers.h"
#include "core/registry.h"
#include "fakeunit.h"
#include "fixture.h"
#include "mainwin/mdimain.h"
#include "session/mainform.h"
#include "session/state.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {
const QStringList TwoErrors = {QStringLiteral("ERROR: 3 Unknown command"),
                               QStringLiteral("ERROR: 17 Value out of range")};
const QString TwoErrorsText =
    QStringLiteral("ERROR: 3 Unknown command\r\nERROR: 17 Value out of range\r\n");
} // namespace

class TestErrorViewer : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void eachActivationAppendsTheUnitsErrors();
    void clearErrorsEmptiesTheBoxAtOnceAndAsksAgain();
    void closeUnloadsAndGivesBackTheConnectButton();

private:
    Error& viewer() { return Registry::get<Error>(); }
    void openViewer();

    std::unique_ptr<ProgramFixture> fx;
    std::unique_ptr<FakeUnit> unit;
};

void TestErrorViewer::init() {
    fx = std::make_unique<ProgramFixture>();
    fx->startProgram();
    unit = std::make_unique<FakeUnit>();
    unit->answer(QStringLiteral("ERROR"), TwoErrors);
}

void TestErrorViewer::cleanup() {
    fx.reset();
    unit.reset();
}

// Opens the viewer from the menu and waits for the unit's two errors.
void TestErrorViewer::openViewer() {
    QVERIFY(ConnectAndSettle(*unit));
    Registry::get<MDIMain>().mnuErrors->trigger();
    QVERIFY(WaitForActivation(&viewer()));
    QTRY_COMPARE(viewer().ErrorText(), TwoErrorsText);
    QCOMPARE(SentSinceLastLook(*unit), QByteArray("ERROR\r"));
}

void TestErrorViewer::eachActivationAppendsTheUnitsErrors() {
    openViewer();
    QCOMPARE(viewer().windowTitle(), QStringLiteral("Qel Errors"));
    QTRY_COMPARE(viewer().txtError->toPlainText(),
                 QStringLiteral("ERROR: 3 Unknown command\nERROR: 17 Value out of range\n"));
    QCOMPARE(viewer().txtError->textCursor().position(), 0); // the first line in view

    // To another window of the program and back: the list is appended again.
    Registry::get<Commands>().showForm();
    QVERIFY(WaitForActivation(&Registry::get<Commands>()));
    viewer().showForm();
    QVERIFY(WaitForActivation(&viewer()));
    QTRY_COMPARE(viewer().ErrorText(), TwoErrorsText + TwoErrorsText);
    QCOMPARE(SentSinceLastLook(*unit), QByteArray("ERROR\r"));

    // Only lines beginning with the exact word reach the box.
    unit->sendLines({QStringLiteral("error: 5 lower case"),
                     QStringLiteral(" ERROR: 6 leading blank"), QStringLiteral("ERROR:7 no blank"),
                     QStringLiteral("ERRORS: 8"), QStringLiteral("ERROR:")});
    QTRY_VERIFY(viewer().ErrorText().endsWith(QLatin1String("ERROR:\r\n")));
    QCOMPARE(viewer().ErrorText(), TwoErrorsText + TwoErrorsText + QStringLiteral("ERROR:\r\n"));
}

void TestErrorViewer::clearErrorsEmptiesTheBoxAtOnceAndAsksAgain() {
    openViewer();
    unit->answer(QStringLiteral("ERROR"), {QStringLiteral("ERROR: 40 Overrange")});
    viewer().cmdClear->click();
    QCOMPARE(viewer().cmdClear->text(), QStringLiteral("Clear Errors"));
    QCOMPARE(viewer().ErrorText(), QString());
    QCOMPARE(viewer().txtError->toPlainText(), QString());
    QCOMPARE(SentSinceLastLook(*unit), QByteArray("CLEAR\rERROR\r"));
    QTRY_COMPARE(viewer().txtError->toPlainText(), QStringLiteral("ERROR: 40 Overrange\n"));
}

void TestErrorViewer::closeUnloadsAndGivesBackTheConnectButton() {
    openViewer();
    QPushButton* connectButton = Registry::get<Main>().Command1;
    QVERIFY(!connectButton->isEnabled());
    viewer().cmdClose->click();
    QVERIFY(connectButton->isEnabled());
    QVERIFY(!Registry::peek<Error>());
    // The toolbar button opens it afresh, with the unit's current list only.
    QAction* button = Registry::get<MDIMain>().Button(13);
    QCOMPARE(button->data().toString(), QStringLiteral("Errors"));
    button->trigger();
    QTRY_COMPARE(viewer().ErrorText(), TwoErrorsText);
}

QTEST_MAIN(TestErrorViewer)
#include "tst_errorviewer.moc"
