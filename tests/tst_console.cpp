// The command console, the error viewer and the two point list dialogs
// against a scripted fake unit: what they send, and what they show of the
// unit's lines.

#include "console/linebox.h"
#include "echorule.h"
#include "program.h"

namespace {

// What a box shows for a text of CR LF ended lines, once it has caught up
// with the lines given to it (one block per line, the caret's after the last).
QString Shown(const QString& text) {
    return QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}
QString CaughtUp(QPlainTextEdit* box) {
    box->findChild<LineBox*>()->updateView();
    return box->toPlainText();
}

// Picks an entry the way the operator does, with the mouse.
void Pick(QListWidget* list, int row) {
    QListWidgetItem* item = list->item(row);
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

PointListDialog& OpenPointList(bool master) {
    PointListDialog& dialog = master ? static_cast<PointListDialog&>(Registry::get<MasterList>())
                                     : Registry::get<AllList>();
    dialog.showForm();
    return dialog;
}

const QString TwoErrors =
    QStringLiteral("ERROR: 3 Unknown command\r\nERROR: 17 Value out of range\r\n");

} // namespace

class TestConsole : public ProgramTest {
    Q_OBJECT

    Commands& console() { return Registry::get<Commands>(); }
    Error& viewer() { return Registry::get<Error>(); }
    // Opens the console from its toolbar button; it holds the connect button.
    void openConsole() {
        Frame().Toolbar1_ButtonClick(QStringLiteral("Commands"));
        QVERIFY(WaitForActivation(&console()));
        QVERIFY(!Registry::get<Main>().Command1->isEnabled());
    }

private slots:
    void init() {
        ProgramTest::init();
        unit->answer(QStringLiteral("ERROR"), TwoErrors.trimmed().split(QStringLiteral("\r\n")));
        QVERIFY(ConnectAndSettle(*unit));
    }

    void enterSendsTheWholeBoxWithCrLfAndEachButtonItsCommand() {
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
        QTest::keyClick(box, Qt::Key_Return); // an empty box: the line break alone
        QCOMPARE(SentSinceLastLook(*unit), QByteArray("SET \r\nPERIOD 500\r\n"));
        // Pasted text with a line break goes at once in one piece; without
        // one it waits for Enter, blanks and all.
        QTest::keyClicks(box, QStringLiteral("X"));
        box->insertPlainText(QStringLiteral("LIST I\r\nLIST S\nLIST C"));
        QCOMPARE(SentSinceLastLook(*unit), QByteArray("XLIST I\r\nLIST S\r\nLIST C"));
        QCOMPARE(box->toPlainText(), QString());
        box->insertPlainText(QStringLiteral("  LIST O  "));
        QCOMPARE(SentSinceLastLook(*unit), QByteArray());
        // The buttons send their commands exactly.
        Commands& c = console();
        for (bool module : {false, true}) {
            Global::ModuleModel = module; // at the moment of the click
            for (QPushButton* b : {c.cmdListI, c.cmdListS, c.cmdListC, c.cmdListD, c.cmdListZ,
                                   c.cmdListG, c.cmdListO, c.cmdListM, c.cmdListAall}) {
                b->click();
                QCOMPARE(QApplication::focusWidget(), c.txtCommand); // typing goes on at once
            }
            const QByteArray last = module ? "59\r" : "69\r";
            QCOMPARE(SentSinceLastLook(*unit), "LIST I\rList S\rLIST C\rLIST D\rList Z\rLIST G\r"
                                               "LIST O\rLIST M 0 " +
                                                   last + "LIST A 0 " + last);
        }
        // Save asks first; the select buttons open the point list dialogs.
        fx->prompt->yesNoAnswers << false << true;
        c.cmdSave->click();
        QCOMPARE(SentSinceLastLook(*unit), QByteArray());
        c.cmdSave->click();
        QCOMPARE(SentSinceLastLook(*unit), QByteArray("SAVE\r"));
        c.cmdListMP->click();
        c.cmdListAselect->click();
        QVERIFY(Registry::isShown<MasterList>() && Registry::isShown<AllList>());
        QCOMPARE(SentSinceLastLook(*unit), QByteArray());
        c.cmdClose->click();
        QVERIFY(!Registry::peek<Commands>() && Registry::get<Main>().Command1->isEnabled());
    }

    void consoleShowsEveryReceivedLineButStatusLinesUntilCleared() {
        openConsole();
        Commands& c = console();
        const QString lines = "SET PERIOD 500|STATUS: READY|ERROR: 12 Bad command|FRAME 0 1|"
                              "0 1.25 22.5|set period 5| STATUS: READY|unknown|Status->READY";
        unit->sendLines(lines.split('|'));
        const QString expected = QString(lines).remove(14, 14).replace('|', "\r\n") + "\r\n";
        QTRY_COMPARE(c.ResultText(), expected);
        QTRY_COMPARE(c.txtResult->toPlainText(), Shown(expected)); // by itself, in time
        // Clear Results empties the box at once while lines keep coming.
        unit->sendLines({QStringLiteral("SET ZC 1")});
        c.cmdClear->click();
        QVERIFY(c.ResultText().isEmpty() && c.txtResult->toPlainText().isEmpty());
        QTRY_COMPARE(c.ResultText(), QStringLiteral("SET ZC 1\r\n"));
        unit->sendLines({QStringLiteral("SET EU 1")});
        QTRY_COMPARE(c.ResultText(), QStringLiteral("SET ZC 1\r\nSET EU 1\r\n"));
        QCOMPARE(CaughtUp(c.txtResult), QStringLiteral("SET ZC 1\nSET EU 1\n"));
        QCOMPARE(SentSinceLastLook(*unit), QByteArray()); // clearing sends nothing
    }

    void scanStreamKeepsTheConsoleNearTheLimitWithTheNewestLineInView() {
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
        QCOMPARE(c.ResultText(), expected);
        QVERIFY(expected.size() >= Commands::ResultLimit && expected.size() < 32200);
        QVERIFY(expected.contains(QStringLiteral("\r\nFRAME 0 149\r\n")));
        QCOMPARE(CaughtUp(c.txtResult), Shown(expected));
        // The caret, on the line after the newest, is in view, and so is the newest line.
        const QRect caret = c.txtResult->cursorRect();
        QVERIFY(caret.top() - caret.height() >= 0);
        QVERIFY(caret.bottom() <= c.txtResult->viewport()->height());
        // The scroll bar counts every line: at each of its values that line is at the top.
        QScrollBar* bar = c.txtResult->verticalScrollBar();
        for (int value : {0, bar->maximum() / 3, bar->maximum()}) {
            bar->setValue(value);
            const int top = c.txtResult->cursorForPosition(QPoint(1, 1)).position();
            QCOMPARE(Shown(expected).left(top).count(QLatin1Char('\n')), value);
        }
    }

    void errorViewerAppendsTheUnitsErrorsOnEachActivationUntilCleared() {
        Frame().mnuErrors->trigger();
        QVERIFY(WaitForActivation(&viewer()));
        QTRY_COMPARE(viewer().ErrorText(), TwoErrors);
        QCOMPARE(SentSinceLastLook(*unit), QByteArray("ERROR\r"));
        QCOMPARE(viewer().windowTitle(), QStringLiteral("Qel Errors"));
        QTRY_COMPARE(viewer().txtError->toPlainText(), Shown(TwoErrors));
        QCOMPARE(viewer().txtError->textCursor().position(), 0); // the first line in view
        // To another window of the program and back: the list is appended again.
        console().showForm();
        QVERIFY(WaitForActivation(&console()));
        viewer().showForm();
        QVERIFY(WaitForActivation(&viewer()));
        QTRY_COMPARE(viewer().ErrorText(), TwoErrors + TwoErrors);
        QCOMPARE(SentSinceLastLook(*unit), QByteArray("ERROR\r"));
        // Only lines beginning with the exact word reach the box.
        unit->sendLines({"error: 5 lower case", " ERROR: 6 leading blank", "ERROR:7 no blank",
                         "ERRORS: 8", "ERROR:"});
        QTRY_COMPARE(viewer().ErrorText(), TwoErrors + TwoErrors + QStringLiteral("ERROR:\r\n"));
        // Clear empties the box at once and asks again.
        unit->answer(QStringLiteral("ERROR"), {QStringLiteral("ERROR: 40 Overrange")});
        viewer().cmdClear->click();
        QVERIFY(viewer().ErrorText().isEmpty() && viewer().txtError->toPlainText().isEmpty());
        QCOMPARE(SentSinceLastLook(*unit), QByteArray("CLEAR\rERROR\r"));
        QTRY_COMPARE(viewer().txtError->toPlainText(), QStringLiteral("ERROR: 40 Overrange\n"));
        // Close unloads it and gives the connect button back; opened afresh
        // from the toolbar it shows the unit's current list only.
        QVERIFY(!Registry::get<Main>().Command1->isEnabled());
        viewer().cmdClose->click();
        QVERIFY(!Registry::peek<Error>() && Registry::get<Main>().Command1->isEnabled());
        Frame().Toolbar1_ButtonClick(QStringLiteral("Errors"));
        QTRY_COMPARE(viewer().ErrorText(), QStringLiteral("ERROR: 40 Overrange\r\n"));
    }

    void pointListSendsTheRequestFromTheChosenEntriesOnlyOnOkAndCloses_data() {
        QTest::addColumn<bool>("master");
        QTest::addColumn<QList<int>>("picks"); // channel, start, end; -1: none chosen
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("master") << true << QList<int>{3, 10, 20} << QByteArray("List M 10 20 3\r");
        QTest::newRow("all") << false << QList<int>{3, 10, 20} << QByteArray("List A 10 20 3\r");
        QTest::newRow("nothing chosen")
            << true << QList<int>{-1, -1, -1} << QByteArray("List M   \r");
        QTest::newRow("end before start")
            << false << QList<int>{15, 69, 5} << QByteArray("List A 69 5 15\r");
        QTest::newRow("channel only")
            << false << QList<int>{0, -1, -1} << QByteArray("List A   0\r");
        // picks[3]: 1 closes with Cancel, 2 with Escape, instead of OK.
        QTest::newRow("cancel") << true << QList<int>{3, 10, 20, 1} << QByteArray();
        QTest::newRow("escape") << false << QList<int>{3, 10, 20, 2} << QByteArray();
    }
    void pointListSendsTheRequestFromTheChosenEntriesOnlyOnOkAndCloses() {
        QFETCH(bool, master);
        QFETCH(QList<int>, picks);
        QFETCH(QByteArray, sent);
        PointListDialog& d = OpenPointList(master);
        Pick(d.cmbChannel, 7); // a first choice changed: only the last one counts
        d.cmbChannel->clearSelection();
        const QList<QListWidget*> lists = {d.cmbChannel, d.cmbStartTemp, d.cmbEndingTemp};
        for (int i = 0; i < 3; ++i)
            if (picks[i] >= 0)
                Pick(lists[i], picks[i]);
        if (picks.value(3) == 2) {
            QVERIFY(WaitForActivation(&d));
            QTest::keyClick(&d, Qt::Key_Escape);
        } else {
            (picks.value(3) ? d.cmdCancel : d.cmdOk)->click();
        }
        QCOMPARE(SentSinceLastLook(*unit), sent);
        QVERIFY(!Registry::peek<MasterList>() && !Registry::peek<AllList>());
        // Opened again, it starts afresh with nothing chosen.
        for (QListWidget* list :
             {OpenPointList(master).cmbChannel, OpenPointList(master).cmbEndingTemp})
            QVERIFY(list->selectedItems().isEmpty());
    }
};

QTEST_MAIN(TestConsole)
#include "tst_console.moc"
