// The command console against a scripted fake unit: the command line, the
// list buttons, Save, and the echo of the unit's lines into the results box.

#include "console/commands.h"
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
#include <QScrollBar>
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

// Lets the results box catch up with the lines given to it.
void LetTheBoxCatchUp() {
    QCoreApplication::processEvents();
}

QPushButton* ButtonNamed(Commands& console, const QString& name) {
    return console.findChild<QPushButton*>(name);
}

} // namespace

class TestConsole : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void enterSendsTheWholeBoxWithCrLfAndEmptiesIt();
    void pastedTextWithALineBreakIsSentAtOnceInOnePiece();
    void listButtonsSendTheirCommandsExactly_data();
    void listButtonsSendTheirCommandsExactly();
    void buttonsCarryTheirCaptionsInOneColumn();
    void saveSendsOnlyWhenTheOperatorAgrees();
    void selectButtonsOpenThePointListDialogs();
    void consoleShowsEveryReceivedLineButStatusLines();
    void echoDropsTheOldestLineOnceTheTextHasReachedTheLimit();
    void echoMatchesTheRuleOverALongRandomStream();
    void scanStreamKeepsTheConsoleNearTheLimitWithTheNewestLineInView();
    void clearResultsWhileLinesKeepArrivingEmptiesTheBox();
    void consoleHoldsTheConnectButtonUntilClosed();
    void menuItemAndToolbarButtonOpenTheConsole();

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
}

void TestConsole::pastedTextWithALineBreakIsSentAtOnceInOnePiece() {
    openConsole();
    QPlainTextEdit* box = console().txtCommand;
    QTest::keyClicks(box, QStringLiteral("X"));
    // Pasting goes through the same insertion as this.
    box->insertPlainText(QStringLiteral("LIST I\r\nLIST S\nLIST C"));
    QCOMPARE(SentSinceLastLook(*unit), QByteArray("XLIST I\r\nLIST S\r\nLIST C"));
    QCOMPARE(box->toPlainText(), QString());
    // Pasted text without a line break waits for Enter, blanks and all.
    box->insertPlainText(QStringLiteral("  LIST O  "));
    QCOMPARE(SentSinceLastLook(*unit), QByteArray());
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(SentSinceLastLook(*unit), QByteArray("  LIST O  \r\n"));
}

void TestConsole::listButtonsSendTheirCommandsExactly_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("moduleModel");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("List I") << "cmdListI" << false << QByteArray("LIST I\r");
    QTest::newRow("List S, mixed case") << "cmdListS" << false << QByteArray("List S\r");
    QTest::newRow("List C") << "cmdListC" << false << QByteArray("LIST C\r");
    QTest::newRow("Delta") << "cmdListD" << false << QByteArray("LIST D\r");
    QTest::newRow("Zeros, mixed case") << "cmdListZ" << false << QByteArray("List Z\r");
    QTest::newRow("List G") << "cmdListG" << false << QByteArray("LIST G\r");
    QTest::newRow("List O") << "cmdListO" << false << QByteArray("LIST O\r");
    QTest::newRow("List M (all), plain unit") << "cmdListM" << false << QByteArray("LIST M 0 69\r");
    QTest::newRow("List M (all), module unit") << "cmdListM" << true << QByteArray("LIST M 0 59\r");
    QTest::newRow("List A (all), plain unit")
        << "cmdListAall" << false << QByteArray("LIST A 0 69\r");
    QTest::newRow("List A (all), module unit")
        << "cmdListAall" << true << QByteArray("LIST A 0 59\r");
}

void TestConsole::listButtonsSendTheirCommandsExactly() {
    QFETCH(QString, button);
    QFETCH(bool, moduleModel);
    QFETCH(QByteArray, sent);
    openConsole();
    // The model counts at the moment of the click.
    Global::ModuleModel = !moduleModel;
    QPushButton* b = ButtonNamed(console(), button);
    QVERIFY(b);
    Global::ModuleModel = moduleModel;
    b->click();
    QCOMPARE(SentSinceLastLook(*unit), sent);
    // The operator can type on at once.
    QCOMPARE(QApplication::focusWidget(), console().txtCommand);
}

void TestConsole::buttonsCarryTheirCaptionsInOneColumn() {
    Commands& c = console();
    c.showForm();
    const QList<QPushButton*> column = {c.cmdListI,  c.cmdListS,    c.cmdListC,       c.cmdListD,
                                        c.cmdListZ,  c.cmdListG,    c.cmdListO,       c.cmdListM,
                                        c.cmdListMP, c.cmdListAall, c.cmdListAselect, c.cmdSave,
                                        c.cmdClear,  c.cmdClose};
    QStringList captions;
    for (int i = 0; i < column.size(); ++i) {
        captions << column[i]->text();
        QCOMPARE(column[i]->x(), column[0]->x());
        if (i > 0)
            QVERIFY(column[i]->y() > column[i - 1]->y());
        QVERIFY(column[i]->geometry().right() < c.txtCommand->x());
    }
    QCOMPARE(captions, (QStringList{"List I", "List S", "List C", "Delta", "Zeros", "List G",
                                    "List O", "List M (all)", "List M (select)", "List A (all)",
                                    "List A (select)", "Save", "Clear Results", "Close"}));
    QCOMPARE(c.windowTitle(), QStringLiteral("Qel Commands"));
    // The command line is one line high, above the results.
    QVERIFY(c.txtCommand->height() < 2 * c.txtCommand->fontMetrics().lineSpacing() + 12);
    QVERIFY(c.txtResult->y() > c.txtCommand->y());
    QVERIFY(c.txtResult->isReadOnly());
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
    console().cmdListMP->click();
    QVERIFY(Registry::isShown<MasterList>());
    QCOMPARE(Registry::get<MasterList>().windowTitle(), QStringLiteral("List Master Points"));
    console().cmdListAselect->click();
    QVERIFY(Registry::isShown<AllList>());
    QCOMPARE(Registry::get<AllList>().windowTitle(), QStringLiteral("List All Points"));
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
    LetTheBoxCatchUp();
    QCOMPARE(console().txtResult->toPlainText(), Shown(expected));
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

    // A line holding a CR LF of its own is two lines of the text: a drop
    // takes only its first part.
    for (int i = 0; i < 2; ++i)
        c.EchoLine(filler);
    c.EchoLine(QStringLiteral("one\r\ntwo"));
    auto echoUntilTheStartChanges = [&c] {
        const QString first = c.ResultText().left(40);
        for (int guard = 0; guard < 20000 && c.ResultText().startsWith(first); ++guard)
            c.EchoLine(QStringLiteral("z"));
    };
    for (int guard = 0; guard < 1000 && !c.ResultText().startsWith(QLatin1String("one\r\n"));
         ++guard)
        echoUntilTheStartChanges();
    QVERIFY(c.ResultText().startsWith(QLatin1String("one\r\ntwo\r\n")));
    echoUntilTheStartChanges();
    QVERIFY(c.ResultText().startsWith(QLatin1String("two\r\n")));
    LetTheBoxCatchUp();
    QCOMPARE(c.txtResult->toPlainText(), Shown(c.ResultText()));
    QCOMPARE(c.txtResult->document()->firstBlock().text(), QStringLiteral("two"));
}

void TestConsole::echoMatchesTheRuleOverALongRandomStream() {
    Commands& c = console();
    c.showForm();
    QRandomGenerator random(20240607);
    const QString alphabet = QStringLiteral("SETFRAM0123456789 .-:\r\n\t");
    QString rule;
    for (int i = 0; i < 12000; ++i) {
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
        if (i % 50 == 0 || kind < 8) {
            QCOMPARE(c.ResultText(), rule);
            LetTheBoxCatchUp();
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
    QString expected;
    for (int f = 0; f < 300; ++f) {
        unit->sendLines(nextFrame());
        for (const QString& line : frame)
            expected = ConsoleEchoText(expected, line);
    }
    const QString last = frame.last() + QLatin1String("\r\n");
    QTRY_VERIFY(c.ResultText().endsWith(last));
    const QString text = c.ResultText();
    if (text != expected) {
        int i = 0;
        while (i < text.size() && i < expected.size() && text[i] == expected[i]) ++i;
        qDebug() << i << text.size() << expected.size() << text.mid(i - 60, 120) << "||" << expected.mid(i - 60, 120);
    }
    QCOMPARE(text, expected);
    // Near the limit, whole lines dropped from the start.
    QVERIFY(text.size() >= Commands::ResultLimit);
    QVERIFY(text.size() < Commands::ResultLimit + 200);
    QVERIFY(text.contains(QStringLiteral("\r\nFRAME 0 299\r\n")));
    QVERIFY(!text.contains(QStringLiteral("FRAME 0 10\r\n")));

    LetTheBoxCatchUp();
    QCOMPARE(c.txtResult->toPlainText(), Shown(text));
    QCOMPARE(c.txtResult->textCursor().position(), c.txtResult->document()->characterCount() - 1);
    QScrollBar* scroll = c.txtResult->verticalScrollBar();
    QCOMPARE(scroll->value(), scroll->maximum());
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
    LetTheBoxCatchUp();
    QCOMPARE(c.txtResult->toPlainText(), QStringLiteral("SET ZC 1\nSET EU 1\n"));
    QCOMPARE(SentSinceLastLook(*unit), QByteArray()); // clearing sends nothing
}

void TestConsole::consoleHoldsTheConnectButtonUntilClosed() {
    openConsole();
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
    QCOMPARE(console().ResultText(), QString());
}

void TestConsole::menuItemAndToolbarButtonOpenTheConsole() {
    QVERIFY(ConnectAndSettle(*unit));
    MDIMain& frame = Registry::get<MDIMain>();
    QAction* button = frame.Button(12);
    QCOMPARE(button->data().toString(), QStringLiteral("Commands"));
    button->trigger();
    QVERIFY(Registry::isShown<Commands>());
    QVERIFY(WaitForActivation(&console()));
    console().cmdClose->click();
    QVERIFY(!Registry::isShown<Commands>());
    frame.mnuCommands->trigger();
    QVERIFY(Registry::isShown<Commands>());
}

QTEST_MAIN(TestConsole)
#include "tst_console.moc"
