// The frame window: its start, the toolbar, the display options, the
// working windows, shut-down, and the scan commands of the Qel menu with
// the menu states of scanning and idle and the bar graph's tags a scan
// clears; and what a screen reader finds in the windows.

#include "program.h"

namespace {

// What the operator can use: the item is enabled and so is its menu.
bool Usable(QAction* item) {
    const auto menu = qobject_cast<QMenu*>(item->parent());
    return item->isEnabled() && (!menu || menu->menuAction()->isEnabled());
}

QAccessibleInterface* Find(QAccessibleInterface* in, QAccessible::Role role, const QString& name) {
    for (int i = 0; in && i < in->childCount(); ++i) {
        QAccessibleInterface* c = in->child(i);
        if (c->role() == role && c->text(QAccessible::Name) == name)
            return c;
        if (QAccessibleInterface* deeper = Find(c, role, name))
            return deeper;
    }
    return nullptr;
}

// Controls a screen reader announces by name, found without one.
void CollectUnnamed(QAccessibleInterface* in, QStringList& out) {
    static const QList<QAccessible::Role> named = {
        QAccessible::EditableText, QAccessible::List,       QAccessible::ComboBox,
        QAccessible::ProgressBar,  QAccessible::PushButton, QAccessible::CheckBox,
        QAccessible::RadioButton,  QAccessible::PageTab};
    if (named.contains(in->role()) && in->text(QAccessible::Name).trimmed().isEmpty())
        out << QString::fromLatin1(in->object() ? in->object()->metaObject()->className() : "?");
    if (in->role() == QAccessible::ComboBox)
        return; // its pop-up list belongs to it
    for (int i = 0; i < in->childCount(); ++i)
        CollectUnnamed(in->child(i), out);
}

// The windows, each loaded.
template <class... W> QList<QWidget*> Windows() {
    return {&Registry::get<W>()...};
}

} // namespace

class TestMainWindow : public ProgramTest {
    Q_OBJECT

private slots:

    void firstStartShowsTheConnectionWindowWithOnlyFileConnectAndHelpUsable() {
        MDIMain& f = Frame();
        QCOMPARE(f.windowTitle(), QStringLiteral("Orvik 3 Version 3.03"));
        QCOMPARE(f.statusBar()->findChildren<QLabel*>().size(), 3);
        QCOMPARE(PanelText(1) + '|' + PanelText(2) + '|' + PanelText(3),
                 QStringLiteral("No connection||No Log File"));
        Main& main = Registry::get<Main>();
        QVERIFY(Registry::isShown<Main>() && main.subWindow()->mdiArea() == f.mdiArea);
        QVERIFY(!Registry::isShown<Bar>() &&
                Registry::get<Bar>().subWindow()->mdiArea() == f.mdiArea);
        QVERIFY(Registry::peek<LinkConfig>() && !Registry::isShown<LinkConfig>());
        QVERIFY(Usable(f.mnuOpenLogFile) && Usable(f.mnuConnect) && Usable(f.mnuAbout));
        QVERIFY(!Usable(f.mnuCloseLogFile) && !Usable(f.mnuStartScan) &&
                !Usable(f.mnuBarGraphOpen));
        QVERIFY(f.mnuBarGraphPress->isChecked() && f.mnuBarGraph2Places->isChecked());
        // The toolbar's icons stay legible at twice its size, for dense screens.
        const QSize size = f.Toolbar1->iconSize();
        QVERIFY(f.Button(1)->icon().actualSize(size * 2).width() >= size.width() * 2);
    }

    void displayItemsCheckOneOfTheirGroupAndSetTheBarFormat() {
        MDIMain& f = Frame();
        f.MenusConnected();
        Registry::get<QelConfig>().chkEu->setChecked(true);
        for (int places : {3, 0, 0, 5, 1, 2, 4}) { // choosing one again keeps it checked
            for (int i = 0; i <= 5; ++i)           // several checked, as a hand-edited store gives
                f.DecimalPlacesItem(i)->setChecked(i != places);
            f.DecimalPlacesItem(places)->trigger();
            for (int i = 0; i <= 5; ++i)
                QCOMPARE(f.DecimalPlacesItem(i)->isChecked(), i == places);
            QCOMPARE(Global::BarFormat, places ? "0." + QString(places, '0') : QString("0"));
        }
        for (QAction* chosen : {f.mnuBarGraphTemp, f.mnuBarGraphTemp, f.mnuBarGraphPress}) {
            chosen->trigger();
            QVERIFY(f.mnuBarGraphPress->isChecked() == (chosen == f.mnuBarGraphPress));
            QVERIFY(f.mnuBarGraphTemp->isChecked() == (chosen == f.mnuBarGraphTemp));
        }
    }

    void workingWindowsOpenFromTheMenusAndTheBarGraphRedrawsOnActivation() {
        MDIMain& f = Frame();
        f.MenusConnected();
        QMdiSubWindow* graph = Registry::get<Bar>().subWindow();
        QMdiSubWindow* connection = Registry::get<Main>().subWindow();
        f.mnuBarGraphOpen->trigger();
        QVERIFY(Registry::isShown<Bar>() && !Registry::isShown<Main>());
        QCOMPARE(f.mdiArea->activeSubWindow(), graph);
        f.mnuConnect->trigger();
        QVERIFY(Registry::isShown<Main>() && f.mdiArea->activeSubWindow() == connection);
        graph->show();
        for (int round = 0; round < 2; ++round) {
            Global::BarFormat = QStringLiteral("not yet");
            f.mdiArea->setActiveSubWindow(connection);
            QCOMPARE(Global::BarFormat, QStringLiteral("not yet"));
            f.mdiArea->setActiveSubWindow(graph);
            QVERIFY(Global::BarFormat != QLatin1String("not yet"));
        }
    }

    // Idle asked for again and again (every frame of an endless scan) still
    // shows the idle state after any other state came between.
    void idleAfterAnyStateShowsWhatIdleShows_data() {
        using Global::MenuState;
        QTest::addColumn<int>("between");
        for (MenuState state : {MenuState::Startup, MenuState::Disconnected, MenuState::Connected,
                                MenuState::Scanning, MenuState::LogOpened, MenuState::LogClosed})
            QTest::newRow(QByteArray::number(int(state)).constData()) << int(state);
    }
    void idleAfterAnyStateShowsWhatIdleShows() {
        using Global::MenuState;
        QFETCH(int, between);
        const auto shown = [] {
            QString usable;
            for (QAction* item : Registry::get<MDIMain>().findChildren<QAction*>())
                usable += item->objectName() + (item->isEnabled() ? "+ " : "- ");
            return usable;
        };
        Global::SetMenus(MenuState(between));
        Global::SetMenus(MenuState::Idle);
        const QString once = shown();
        Global::SetMenus(MenuState::Idle);
        Global::SetMenus(MenuState(between));
        Global::SetMenus(MenuState::Idle);
        QCOMPARE(shown(), once);
    }

    void closeOrExitSavesClosesTheLogAndUnloadsEveryWindow_data() {
        QTest::addColumn<bool>("viaExit");
        QTest::newRow("window closed") << false;
        QTest::newRow("Exit") << true;
    }
    void closeOrExitSavesClosesTheLogAndUnloadsEveryWindow() {
        QFETCH(bool, viaExit);
        QPointer<MDIMain> frame = &Frame();
        // The toolbar's buttons run their menu items' handlers; a key of no
        // button runs none.
        frame->Toolbar1_ButtonClick(QString());
        frame->Toolbar1_ButtonClick(QStringLiteral("NoSuchKey"));
        QVERIFY(fx->prompt->shown.isEmpty());
        const QString log = fx->dir() + QStringLiteral("/run.log");
        fx->prompt->fileAnswers.enqueue(log);
        frame->Button(1)->trigger();
        QCOMPARE(PanelText(3), QStringLiteral("Logging to ") + log);
        frame->Button(14)->trigger();
        QVERIFY(Registry::get<About>().labAbout->text().endsWith("\r\nVersion 3.03"));
        Registry::get<About>().cmdOk->click();
        QVERIFY(!Registry::peek<About>());
        frame->Button(5)->trigger();
        QVERIFY(Registry::isShown<LinkConfig>());
        if (viaExit)
            frame->mnuExit->trigger();
        else
            QVERIFY(frame->close());
        QVERIFY(!Global::LogFileOpen && QFile::exists(log));
        QVERIFY(QFile::exists(fx->settingsFile()) && QFile::exists(fx->dir() + "/IpHist.cfg"));
        QVERIFY(!Registry::peek<LinkConfig>() && !Registry::peek<MDIMain>());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(frame.isNull());
    }

    void scanCommandsSendTheirBytesWithTheMenusOfScanningAndIdle() {
        MDIMain& f = Frame();
        QVERIFY(ConnectAndSettle(*unit));
        Bar& bar = OpenBarGraph();
        // Tags colour a group's highest value red and its lowest green (the
        // first of equal ones); the second group's leave the first's.
        const QColor normal = bar.LabelColor("labPress", 0), red(255, 0, 0), green(0, 255, 0);
        const double values[16] = {5, 9, 9, 1, 1, 3, 4, 2, 10, 20, 30, 40, 50, 60, 70, -80};
        for (int i = 0; i <= 15; ++i)
            bar.SetPressValue(i, QString::number(values[i]));
        f.mnuTag1to8->trigger();
        f.mnuTag9to16->trigger();
        for (int i = 0; i <= 15; ++i)
            QCOMPARE(bar.LabelColor("labPress", i),
                     i == 1 || i == 14 ? red : (i == 3 || i == 15 ? green : normal));
        f.mnuStartScan->trigger();
        QCOMPARE(SentSinceLastLook(*unit), QByteArray("SCAN\r"));
        QVERIFY(!f.mnuStartScan->isEnabled() && !f.mnuCalZero->isEnabled());
        QVERIFY(!Usable(f.mnuOpenLogFile) && f.mnuStop->isEnabled());
        // Toolbar Start Scan and Stop stay usable; the handler runs for a
        // disabled button too.
        QVERIFY(f.Button(7)->isEnabled() && f.Button(8)->isEnabled() && !f.Button(10)->isEnabled());
        for (int i = 0; i <= 15; ++i) // a new scan starts untagged
            QCOMPARE(bar.LabelColor("labPress", i), normal);
        f.Toolbar1_ButtonClick(QStringLiteral("CalZ"));
        QCOMPARE(SentSinceLastLook(*unit), QByteArray("CALZ\r"));
        QVERIFY(!f.mnuStartScan->isEnabled());
        for (int stop = 0; stop < 2; ++stop) { // also without a scan
            f.Toolbar1_ButtonClick(QStringLiteral("StopScan"));
            QCOMPARE(SentSinceLastLook(*unit), QByteArray("STOP\r"));
            QVERIFY(f.mnuStartScan->isEnabled() && Usable(f.mnuOpenLogFile) &&
                    f.Button(10)->isEnabled());
        }
        f.mnuCalZero->trigger();
        f.mnuSaveSettings->trigger(); // no question asked
        QCOMPARE(SentSinceLastLook(*unit), QByteArray("CALZ\rSAVE\r"));
        QVERIFY(f.mnuStartScan->isEnabled() && fx->prompt->shown.isEmpty());
    }

    // What a screen reader finds: every control named, and the bar graph's
    // painted labels as accessible children.
    void everyControlOfEveryWindowIsNamedFromItsLabel() {
        Main& main = Registry::get<Main>();
        // The boxes are named by the heading above them, the instruction beside
        // them describes them.
        QAccessibleInterface* address = QAccessible::queryAccessibleInterface(main.txtIpAdd);
        QCOMPARE(address->text(QAccessible::Name), main.Label1->text());
        QCOMPARE(address->text(QAccessible::Description), main.Label3->text().trimmed());
        // In the calibration grid the bank's heading follows the row's label.
        QelConfig& config = Registry::get<QelConfig>();
        QCOMPARE(config.medPMaxH->accessibleName(), QStringLiteral("Max Pressure, High Bank"));

        QStringList unnamed;
        for (QWidget* w : Windows<Main, LinkConfig, QelConfig, Commands, Error, MasterList, About,
                                  Timeout, Upload, CreateSPF, UploadSPF>())
            CollectUnnamed(QAccessible::queryAccessibleInterface(w), unnamed);
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QLatin1Char(' '))));
    }

    void barGraphReadsChannelValueFrameAndTagAfterAFrame() {
        Bar& bar = OpenBarGraph();
        Global::HandleQelLine(QStringLiteral("FRAME 0 41"));
        for (int ch = 0; ch < 16; ++ch)
            Global::HandleQelLine(QStringLiteral("%1 %2 20").arg(ch).arg(ch == 6 ? 907.6 : ch));
        Frame().mnuTag1to16->trigger();

        QAccessibleInterface* graph = QAccessible::queryAccessibleInterface(&bar);
        QCOMPARE(graph->role(), QAccessible::Chart);
        QCOMPARE(graph->text(QAccessible::Name), QStringLiteral("Bar Graph"));
        QCOMPARE(graph->child(1)->text(QAccessible::Name), QStringLiteral("41"));
        QAccessibleInterface* row = Find(graph, QAccessible::Grouping, QStringLiteral("7"));
        QVERIFY(row);
        // Raw pressure counts are shown without decimals.
        QCOMPARE(row->text(QAccessible::Value), QStringLiteral("908"));
        QCOMPARE(row->child(1)->text(QAccessible::Name), QStringLiteral("908"));
        QCOMPARE(row->child(2)->text(QAccessible::Name), QStringLiteral("-32767"));
        QCOMPARE(row->text(QAccessible::Description), QStringLiteral("High (red)"));
        QAccessibleInterface* low = Find(graph, QAccessible::Grouping, QStringLiteral("1"));
        QCOMPARE(low->text(QAccessible::Description), QStringLiteral("Low (green)"));
        // The row's place on the screen is where its value is painted.
        const QRect valueBox = row->child(1)->rect();
        QCOMPARE(graph->childAt(valueBox.center().x(), valueBox.center().y()), row);
        QVERIFY(valueBox.intersects(QRect(bar.mapToGlobal(QPoint(0, 0)), bar.size())));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
