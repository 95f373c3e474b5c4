// The command console against a scripted fake unit: the command line, the
// list buttons, Save, and the echo of the unit's lines into the results box.

#include "console/commands.h"
#include "console/linebox.h"
#include "console/pointlists.h"
#include "consolehelpers.h"
#include "core/registry.h"
#include "fakeunit.h"
#include "fixture.h"
#include "mainwin/mdimain.h"
#include "replies/dispatch.h"
#include "session/mainform.h"
#include "session/state.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTextBlock>
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
    void saveSendsOnlyWhenTheOperatorAgrees();
    void selectButtonsOpenThePointListDialogs();
    void consoleShowsEveryReceivedLineButStatusLines();
    void echoDropsTheOldestLineOnceTheTextHasReachedTheLimit();
    void echoMatchesTheRuleOverALongRandomStream();
    void scanStreamKeepsTheConsoleNearTheLimitWithTheNewestLineInView();
    void clearResultsWhileLinesKeepArrivingEmptiesTheBox();
    void toolbarOpensTheConsoleWhichHoldsTheConnectButtonUntilClosed();

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

void TestConsole::openConsole() {
    QVERIFY(ConnectAndSettle(*unit));
    Registry::get<MDIMain>().mnuCommands->trigger();
    QVERIFY(Registry::isShown<Commands>());
    QVERIFY(WaitForActivation(&console()));
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

    // Enter in an empty box sends the line break alone; so does Shift+Enter.
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(SentSinceLastLook(*unit), QByteArray("\r\n"));
    QTest::keyClick(box, Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(SentSinceLastLook(*unit), QByteArray("\r\n"));

    // The operator types on after each command; nothing is sent twice, not
    // even by undoing the emptying.
    QTest::keyClicks(box, QStringLiteral("list g"));
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(SentSinceLastLook(*unit), QByteArray("list g\r\n"));
    QCOMPARE(box->toPlainText(), QString());

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

void TestConsole::saveSendsOnlyWhenTheOperatorAgrees() {
    openConsole();
    fx->prompt->yesNoAnswers.enqueue(false);
    console().cmdSave->click();
    QCOMPARE(fx->prompt->shown.size(), 1);
    QCOMPARE(fx->prompt->shown[0].kind, QStringLiteral("yesno"));
    QCOMPARE(fx->prompt->shown[0].title, QStringLiteral("Orvik 3"));
    QCOMPARE(
        fx->prompt->shown[0].text,
        QStringLiteral("Warning this will make all changes permanant. Do you want to continue?"));
    QCOMPARE(SentSinceLastLook(*unit), QByteArray());

    fx->prompt->yesNoAnswers.enqueue(true);
    console().cmdSave->click();
    QCOMPARE(SentSinceLastLook(*unit), QByteArray("SAVE\r"));
}

void TestConsole::selectButtonsOpenThePointListDialogs() {
    openConsole();
    ButtonCaptioned(console(), QStringLiteral("List M (select)"))->click();
    ButtonCaptioned(console(), QStringLiteral("List A (select)"))->click();
    QVERIFY(Registry::isShown<MasterList>() && Registry::isShown<AllList>());
    QCOMPARE(SentSinceLastLook(*unit), QByteArray());
}

void TestConsole::consoleShowsEveryReceivedLineButStatusLines() {
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
}

void TestConsole::echoDropsTheOldestLineOnceTheTextHasReachedTheLimit() {
    Commands& c = console();
    c.showForm();
    const QString filler(98, QLatin1Char('x'));
    c.EchoLine(QStringLiteral("a"));
    for (int i = 0; i < 319; ++i)
        c.EchoLine(filler);
    c.EchoLine(QString(92, QLatin1Char('y')));
    QCOMPARE(c.ResultText().size(), 31997);
    // Below the limit nothing is dropped, even when the line takes it over.
    c.EchoLine(QStringLiteral("b"));
    QCOMPARE(c.ResultText().size(), 32000);
    QVERIFY(c.ResultText().startsWith(QLatin1String("a\r\n")));
    // From the limit on, each new line drops the oldest, one at a time.
    c.EchoLine(QStringLiteral("newest"));
    QCOMPARE(c.ResultText().size(), 32000 - 3 + 8);
    QVERIFY(c.ResultText().startsWith(filler + QLatin1String("\r\n")));
    QVERIFY(c.ResultText().endsWith(QLatin1String("b\r\nnewest\r\n")));
    c.EchoLine(QStringLiteral("next"));
    QCOMPARE(c.ResultText().size(), 32005 - 100 + 6);
    c.EchoLine(QStringLiteral("c"));
    QCOMPARE(c.ResultText().size(), 31911 + 3);

    LetTheBoxCatchUp(c.txtResult);
    QCOMPARE(c.txtResult->toPlainText(), Shown(c.ResultText()));
    QCOMPARE(c.txtResult->document()->firstBlock().text(), filler);
}

void TestConsole::echoMatchesTheRuleOverALongRandomStream() {
    Commands& c = console();
    c.showForm();
    QRandomGenerator random(20240607);
    const QString alphabet = QStringLiteral("SETFRAM0123456789 .-:\r\n\t");
    QString rule;
    for (int i = 0; i < 5000; ++i) {
        QString line;
        const int kind = random.bounded(100);
        const int length = kind < 3 ? 0 : kind < 6 ? random.bounded(2000) : random.bounded(60);
        for (int k = 0; k < length; ++k)
            line += alphabet.at(random.bounded(int(alphabet.size())));
        if (kind == 7)
            line += QLatin1String("\r\n") + line;
        rule = ConsoleEchoText(rule, line);
        c.EchoLine(line);
        QCOMPARE(c.ResultText().size(), rule.size());
        if (i % 200 == 0 || kind < 8)
            QCOMPARE(c.ResultText(), rule);
        if (i % 200 == 0 || kind < 2) {
            LetTheBoxCatchUp(c.txtResult);
            // The box shows each line in a block of its own, a lone CR or LF
            // by its picture, and the caret rests after the last line.
            const QTextDocument* doc = c.txtResult->document();
            QStringList blocks;
            for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
                blocks << b.text();
            QStringList lines = rule.split(QLatin1String("\r\n"));
            for (QString& l : lines)
                l.replace(QLatin1Char('\r'), QChar(0x240D))
                    .replace(QLatin1Char('\n'), QChar(0x240A));
            QCOMPARE(blocks, lines);
            QCOMPARE(c.txtResult->textCursor().position(), doc->characterCount() - 1);
        }
    }
    QVERIFY(rule.size() >= Commands::ResultLimit);
}

void TestConsole::scanStreamKeepsTheConsoleNearTheLimitWithTheNewestLineInView() {
    openConsole();
    Commands& c = console();
    QStringList frame;
    int frameNumber = 0;
    auto nextFrame = [&] {
        frame.clear();
        frame << QStringLiteral("FRAME 0 %1").arg(frameNumber++);
        for (int ch = 0; ch < 16; ++ch)
            frame << QStringLiteral("%1 %2 23.50").arg(ch).arg(frameNumber * 0.001, 0, 'f', 4);
        return frame;
    };
    // Ten frames to a write, each write taken in before the next is sent:
    // an arrival is cut into lines by itself, so a write split between two
    // arrivals would lose the piece of line at the split.
    QString expected;
    for (int batch = 0; batch < 15; ++batch) {
        QStringList lines;
        for (int f = 0; f < 10; ++f)
            lines += nextFrame();
        unit->sendLines(lines);
        for (const QString& line : lines)
            expected = ConsoleEchoText(expected, line);
        const QString last = lines.last() + QLatin1String("\r\n");
        QVERIFY(QTest::qWaitFor([&] { return c.ResultText().endsWith(last); }));
    }
    const QString text = c.ResultText();
    QCOMPARE(text, expected);
    // Near the limit, whole lines dropped from the start.
    QVERIFY(text.size() >= Commands::ResultLimit);
    QVERIFY(text.size() < Commands::ResultLimit + 200);
    QVERIFY(text.contains(QStringLiteral("\r\nFRAME 0 149\r\n")));
    QVERIFY(!text.contains(QStringLiteral("FRAME 0 10\r\n")));

    LetTheBoxCatchUp(c.txtResult);
    QCOMPARE(c.txtResult->toPlainText(), Shown(text));
    QCOMPARE(c.txtResult->textCursor().position(), c.txtResult->document()->characterCount() - 1);
    // The caret, on the line after the newest, is in view, and so is the
    // newest line above it.
    const QRect caret = c.txtResult->cursorRect();
    QVERIFY(caret.top() - caret.height() >= 0);
    QVERIFY(caret.bottom() <= c.txtResult->viewport()->height());
}

void TestConsole::clearResultsWhileLinesKeepArrivingEmptiesTheBox() {
    openConsole();
    Commands& c = console();
    unit->sendLines({QStringLiteral("SET AVG 8"), QStringLiteral("SET FPS 100")});
    QTRY_VERIFY(c.ResultText().endsWith(QLatin1String("SET FPS 100\r\n")));
    // Lines on their way while the operator clears.
    unit->sendLines({QStringLiteral("SET ZC 1")});
    c.cmdClear->click();
    QCOMPARE(c.ResultText(), QString());
    QCOMPARE(c.txtResult->toPlainText(), QString());
    QCOMPARE(QApplication::focusWidget(), c.txtCommand);
    QTRY_COMPARE(c.ResultText(), QStringLiteral("SET ZC 1\r\n"));
    unit->sendLines({QStringLiteral("SET EU 1")});
    QTRY_COMPARE(c.ResultText(), QStringLiteral("SET ZC 1\r\nSET EU 1\r\n"));
    LetTheBoxCatchUp(c.txtResult);
    QCOMPARE(c.txtResult->toPlainText(), QStringLiteral("SET ZC 1\nSET EU 1\n"));
    QCOMPARE(SentSinceLastLook(*unit), QByteArray()); // clearing sends nothing
}

void TestConsole::toolbarOpensTheConsoleWhichHoldsTheConnectButtonUntilClosed() {
    QVERIFY(ConnectAndSettle(*unit));
    QAction* toolbarButton = Registry::get<MDIMain>().Button(12);
    QCOMPARE(toolbarButton->data().toString(), QStringLiteral("Commands"));
    toolbarButton->trigger();
    QVERIFY(WaitForActivation(&console()));
    QPushButton* connectButton = Registry::get<Main>().Command1;
    QVERIFY(!connectButton->isEnabled());
    unit->sendLines({QStringLiteral("SET AVG 8")});
    QTRY_VERIFY(!console().ResultText().isEmpty());

    console().cmdClose->click();
    QVERIFY(connectButton->isEnabled());
    QVERIFY(!Registry::isShown<Commands>());
    // Unloaded: lines go nowhere, and the next console starts empty.
    unit->sendLines({QStringLiteral("SET FPS 250")});
    QTRY_COMPARE(Global::FramesPerScan, 250.0f);
    QVERIFY(!Registry::peek<Commands>());
    Registry::get<MDIMain>().mnuCommands->trigger();
    QVERIFY(Registry::isShown<Commands>());
    QCOMPARE(console().ResultText(), QString());
}

QTEST_MAIN(TestConsole)
#include "tst_console.moc"
