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

    void openingAsksForTheListAndShowsTheTwoErrors();
    void comingBackFromAnotherProgramWindowAppendsTheListAgain();
    void clearErrorsEmptiesTheBoxAtOnceAndAsksAgain();
    void onlyLinesBeginningWithTheExactWordAreShown();
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

void TestErrorViewer::openViewer() {
    QVERIFY(ConnectAndSettle(*unit));
    Registry::get<MDIMain>().mnuErrors->trigger();
    QVERIFY(Registry::isShown<Error>());
    QVERIFY(WaitForActivation(&viewer()));
}

void TestErrorViewer::openingAsksForTheListAndShowsTheTwoErrors() {
    openViewer();
    QTRY_COMPARE(viewer().ErrorText(), TwoErrorsText);
    QCOMPARE(SentSinceLastLook(*unit), QByteArray("ERROR\r"));
    QTRY_COMPARE(viewer().txtError->toPlainText(),
                 QStringLiteral("ERROR: 3 Unknown command\nERROR: 17 Value out of range\n"));
    // The caret stays where it was: the box shows its first line.
    QCOMPARE(viewer().txtError->textCursor().position(), 0);
    QCOMPARE(viewer().windowTitle(), QStringLiteral("Qel Errors"));
    QCOMPARE(viewer().cmdClear->text(), QStringLiteral("Clear Errors"));
}

void TestErrorViewer::comingBackFromAnotherProgramWindowAppendsTheListAgain() {
    openViewer();
    QTRY_COMPARE(viewer().ErrorText(), TwoErrorsText);
    // The operator goes to the frame window and back, the way the window
    // system reports it.
    MDIMain& frame = Registry::get<MDIMain>();
    frame.activateWindow();
    QVERIFY(WaitForActivation(&frame));
    viewer().activateWindow();
    QVERIFY(WaitForActivation(&viewer()));
    QTRY_COMPARE(viewer().ErrorText(), TwoErrorsText + TwoErrorsText);
    QCOMPARE(SentSinceLastLook(*unit), QByteArray("ERROR\rERROR\r"));

    // The same through another window of the program, the console.
    Registry::get<Commands>().showForm();
    QVERIFY(WaitForActivation(&Registry::get<Commands>()));
    viewer().showForm();
    QVERIFY(WaitForActivation(&viewer()));
    QTRY_COMPARE(viewer().ErrorText(), TwoErrorsText + TwoErrorsText + TwoErrorsText);
}

void TestErrorViewer::clearErrorsEmptiesTheBoxAtOnceAndAsksAgain() {
    openViewer();
    QTRY_COMPARE(viewer().ErrorText(), TwoErrorsText);
    (void)SentSinceLastLook(*unit);
    // After CLEAR the unit has one new error to report.
    unit->answer(QStringLiteral("ERROR"), {QStringLiteral("ERROR: 40 Overrange")});
    viewer().cmdClear->click();
    QCOMPARE(viewer().ErrorText(), QString());
    QCOMPARE(viewer().txtError->toPlainText(), QString());
    QCOMPARE(SentSinceLastLook(*unit), QByteArray("CLEAR\rERROR\r"));
    QTRY_COMPARE(viewer().ErrorText(), QStringLiteral("ERROR: 40 Overrange\r\n"));
    QTRY_COMPARE(viewer().txtError->toPlainText(), QStringLiteral("ERROR: 40 Overrange\n"));
}

void TestErrorViewer::onlyLinesBeginningWithTheExactWordAreShown() {
    openViewer();
    QTRY_COMPARE(viewer().ErrorText(), TwoErrorsText);
    unit->sendLines({QStringLiteral("error: 5 lower case"),
                     QStringLiteral(" ERROR: 6 leading blank"), QStringLiteral("ERROR:7 no blank"),
                     QStringLiteral("ERRORS: 8"), QStringLiteral("ERROR:")});
    QTRY_VERIFY(viewer().ErrorText().endsWith(QLatin1String("ERROR:\r\n")));
    QCOMPARE(viewer().ErrorText(), TwoErrorsText + QStringLiteral("ERROR:\r\n"));
}

void TestErrorViewer::closeUnloadsAndGivesBackTheConnectButton() {
    openViewer();
    QPushButton* connectButton = Registry::get<Main>().Command1;
    QVERIFY(!connectButton->isEnabled());
    QTRY_COMPARE(viewer().ErrorText(), TwoErrorsText);
    viewer().cmdClose->click();
    QVERIFY(!Registry::isShown<Error>());
    QVERIFY(connectButton->isEnabled());
    // Unloaded: error lines are kept for no one.
    unit->sendLines({QStringLiteral("ERROR: 9 While closed"), QStringLiteral("SET FPS 250")});
    QTRY_COMPARE(Global::FramesPerScan, 250.0f);
    QVERIFY(!Registry::peek<Error>());
    // The toolbar button opens it afresh, with the unit's current list only.
    QAction* button = Registry::get<MDIMain>().Button(13);
    QCOMPARE(button->data().toString(), QStringLiteral("Errors"));
    button->trigger();
    QTRY_COMPARE(viewer().ErrorText(), TwoErrorsText);
}

QTEST_MAIN(TestErrorViewer)
#include "tst_errorviewer.moc"
