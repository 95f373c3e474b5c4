// The command console against a scripted fake unit: the command line, the
// list buttons, Save, and the echo of the unit's lines into the results box.

#include "console/commands.h"
#include "console/linebox.h"
#include "console/pointlists.h"
#include "consolehelpers.h"
#include "core/registry.h"
#include "echorule.h"
#include "fakeunit.h"
#include "fixture.h"
#include "mainwin/mdimain.h"
#include "session/effects.h"
#include "session/mainform.h"
#include "session/state.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

// What the results box shows for a text of CR LF ended lines: one block per
// line and the caret's empty block after the last.
QString Shown(const QString& text) {
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return shown;
}

// Brings the results box up to date with the lines given to it at once,
// without waiting for the event loop to do it.
void LetTheBoxCatchUp(QPlainTextEdit* box) {
    box->findChild<LineBox*>()->updateView();
}

QPushButton* ButtonCaptioned(Commands& console, const QString& caption) {
    for (QPushButton* b : console.findChildren<QPushButton*>())
        if (b->text() == caption)
            return b;
    return nullptr;
}

} // namespace

class TestConsole : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void enterSendsTheWholeBoxWithCrLfAndEmptiesIt();
    void listButtonsSendTheirCommandsExactly_data();
    void listButtonsSendTheirCommandsExactly();
    void saveSendsOnlyWhenTheOperatorAgreesAndCloseUnloads();
    void consoleShowsEveryReceivedLineButStatusLinesUntilCleared();
    void scanStreamKeepsTheConsoleNearTheLimitWithTheNewestLineInView();

private:
    Commands& console() { return Registry::get<Commands>(); }
    void openConsole();

    std::unique_ptr<ProgramFixture> fx;
    std::unique_ptr<FakeUnit> unit;
};

void TestConsole::init() {
    fx = std::make_unique<ProgramFixture>();
    fx->startProgram();
    unit = std::make_unique<FakeUnit>();
}

void TestConsole::cleanup() {
    fx.reset();
    unit.reset();
}

// Opens the console from its toolbar button; it holds the connect button.
void TestConsole::openConsole() {
    QVERIFY(ConnectAndSettle(*unit));
    QAction* toolbarButton = Registry::get<MDIMain>().Button(12);
    QCOMPARE(toolbarButton->data().toString(), QStringLiteral("Commands"));
    toolbarButton->trigger();
    QVERIFY(WaitForActivation(&console()));
    QVERIFY(!Registry::get<Main>().Command1->isEnabled());
}

void TestConsole::enterSendsTheWholeBoxWithCrLfAndEmptiesIt() {
    openConsole();
    QPlainTextEdit* box = console().txtCommand;

    QTest::keyClicks(box, QStringLiteral("LIST C"));
    QCOMPARE(SentSinceLastLook(*unit), QByteArray()); // nothing before Enter
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(SentSinceLastLook(*unit), QByteArray("LIST C\r\n"));
    QCOMPARE(box->toPlainText(), QString());

    // Enter in the middle of a text sends all of it, the line break inside.
    QTest::keyClicks(box, QStringLiteral("SET PERIOD 500"));
    for (int i = 0; i < 10; ++i)
        QTest::keyClick(box, Qt::Key_Left);
    QTest::keyClick(box, Qt::Key_Enter);
    QCOMPARE(SentSinceLastLook(*unit), QByteArray("SET \r\nPERIOD 500"));
    QCOMPARE(box->toPlainText(), QString());

    QTest::keyClick(box, Qt::Key_Return); // an empty box: the line break alone
    QCOMPARE(SentSinceLastLook(*unit), QByteArray("\r\n"));

    // Pasted text (pasting inserts it like this) with a line break goes at
    // once in one piece; without one it waits for Enter, blanks and all.
    QTest::keyClicks(box, QStringLiteral("X"));
    box->insertPlainText(QStringLiteral("LIST I\r\nLIST S\nLIST C"));
    QCOMPARE(SentSinceLastLook(*unit), QByteArray("XLIST I\r\nLIST S\r\nLIST C"));
    QCOMPARE(box->toPlainText(), QString());
    box->insertPlainText(QStringLiteral("  LIST O  "));
    QCOMPARE(SentSinceLastLook(*unit), QByteArray());
}

void TestConsole::listButtonsSendTheirCommandsExactly_data() {
    QTest::addColumn<QString>("button"); // its caption
    QTest::addColumn<bool>("moduleModel");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("List I") << "List I" << false << QByteArray("LIST I\r");
    QTest::newRow("List S, mixed case") << "List S" << false << QByteArray("List S\r");
    QTest::newRow("List C") << "List C" << false << QByteArray("LIST C\r");
    QTest::newRow("Delta") << "Delta" << false << QByteArray("LIST D\r");
    QTest::newRow("Zeros, mixed case") << "Zeros" << false << QByteArray("List Z\r");
    QTest::newRow("List G") << "List G" << false << QByteArray("LIST G\r");
    QTest::newRow("List O") << "List O" << false << QByteArray("LIST O\r");
    QTest::newRow("List M (all), plain unit")
        << "List M (all)" << false << QByteArray("LIST M 0 69\r");
    QTest::newRow("List M (all), module unit")
        << "List M (all)" << true << QByteArray("LIST M 0 59\r");
    QTest::newRow("List A (all), plain unit")
        << "List A (all)" << false << QByteArray("LIST A 0 69\r");
    QTest::newRow("List A (all), module unit")
        << "List A (all)" << true << QByteArray("LIST A 0 59\r");
}

void TestConsole::listButtonsSendTheirCommandsExactly() {
    QFETCH(QString, button);
    QFETCH(bool, moduleModel);
    QFETCH(QByteArray, sent);
    openConsole();
    // The model counts at the moment of the click.
    Global::ModuleModel = !moduleModel;
    QPushButton* b = ButtonCaptioned(console(), button);
    QVERIFY2(b, qPrintable(button));
    Global::ModuleModel = moduleModel;
    b->click();
    QCOMPARE(SentSinceLastLook(*unit), sent);
    // The operator can type on at once.
    QCOMPARE(QApplication::focusWidget(), console().txtCommand);
}

void TestConsole::saveSendsOnlyWhenTheOperatorAgreesAndCloseUnloads() {
    openConsole();
    fx->prompt->yesNoAnswers.enqueue(false);
    console().cmdSave->click();
    QCOMPARE(fx->prompt->shown.size(), 1);
    QCOMPARE(fx->prompt->shown[0].kind, QStringLiteral("yesno"));
    QCOMPARE(
        fx->prompt->shown[0].text,
        QStringLiteral("Warning this will make all changes permanant. Do you want to continue?"));
    QCOMPARE(SentSinceLastLook(*unit), QByteArray());
    fx->prompt->yesNoAnswers.enqueue(true);
    console().cmdSave->click();
    QCOMPARE(SentSinceLastLook(*unit), QByteArray("SAVE\r"));

    // The select buttons open the point list dialogs and send nothing.
    ButtonCaptioned(console(), QStringLiteral("List M (select)"))->click();
    ButtonCaptioned(console(), QStringLiteral("List A (select)"))->click();
    QVERIFY(Registry::isShown<MasterList>() && Registry::isShown<AllList>());
    QCOMPARE(SentSinceLastLook(*unit), QByteArray());

    // Close unloads it and gives back the connect button.
    console().cmdClose->click();
    QVERIFY(Registry::get<Main>().Command1->isEnabled());
    QVERIFY(!Registry::peek<Commands>());
}

void TestConsole::consoleShowsEveryReceivedLineButStatusLinesUntilCleared() {
    openConsole();
    const QStringList lines = {"SET PERIOD 500", "STATUS: READY", "ERROR: 12 Bad command",
                               "FRAME 0 1",      "0 1.25 22.5",   "set period 5",
                               " STATUS: READY", "unknown words", "Status->READY"};
    unit->sendLines(lines);
    QTRY_VERIFY(console().ResultText().endsWith(QLatin1String("Status->READY\r\n")));
    const QString expected = QStringLiteral("SET PERIOD 500\r\nERROR: 12 Bad command\r\n"
                                            "FRAME 0 1\r\n0 1.25 22.5\r\nset period 5\r\n"
                                            " STATUS: READY\r\nunknown words\r\n"
                                            "Status->READY\r\n");
    QCOMPARE(console().ResultText(), expected);
    // The box follows by itself, through the event loop.
    QTRY_COMPARE(console().txtResult->toPlainText(), Shown(expected));

    // Clear Results empties the box at once while lines keep coming.
    Commands& c = console();
    unit->sendLines({QStringLiteral("SET ZC 1")});
    c.cmdClear->click();
    QCOMPARE(c.ResultText(), QString());
    QCOMPARE(c.txtResult->toPlainText(), QString());
    QTRY_COMPARE(c.ResultText(), QStringLiteral("SET ZC 1\r\n"));
    unit->sendLines({QStringLiteral("SET EU 1")});
    QTRY_COMPARE(c.ResultText(), QStringLiteral("SET ZC 1\r\nSET EU 1\r\n"));
    LetTheBoxCatchUp(c.txtResult);
    QCOMPARE(c.txtResult->toPlainText(), QStringLiteral("SET ZC 1\nSET EU 1\n"));
    QCOMPARE(SentSinceLastLook(*unit), QByteArray()); // clearing sends nothing
}

void TestConsole::scanStreamKeepsTheConsoleNearTheLimitWithTheNewestLineInView() {
    openConsole();
    Commands& c = console();
    // Ten frames to a write, each taken in before the next is sent (a write
    // split between two arrivals would lose the piece of line at the split).
    QString expected;
    for (int frame = 0; frame < 150;) {
        QStringList lines;
        for (int end = frame + 10; frame < end; ++frame) {
            lines << QStringLiteral("FRAME 0 %1").arg(frame);
            for (int ch = 0; ch < 16; ++ch)
                lines << QStringLiteral("%1 %2 23.50").arg(ch).arg(frame * 0.001, 0, 'f', 4);
        }
        unit->sendLines(lines);
        for (const QString& line : lines)
            expected = ConsoleEchoText(expected, line);
        const QString last = lines.last() + QLatin1String("\r\n");
        QVERIFY(QTest::qWaitFor([&] { return c.ResultText().endsWith(last); }));
    }
    const QString text = c.ResultText();
    QCOMPARE(text, expected);
    QVERIFY(text.size() >= Commands::ResultLimit);
    QVERIFY(text.size() < Commands::ResultLimit + 200);
    QVERIFY(text.contains(QStringLiteral("\r\nFRAME 0 149\r\n")));

    LetTheBoxCatchUp(c.txtResult);
    QCOMPARE(c.txtResult->toPlainText(), Shown(text));
    // The caret, on the line after the newest, is in view, and so is the newest line.
    const QRect caret = c.txtResult->cursorRect();
    QVERIFY(caret.top() - caret.height() >= 0);
    QVERIFY(caret.bottom() <= c.txtResult->viewport()->height());
}

QTEST_MAIN(TestConsole)
#include "tst_console.moc"
