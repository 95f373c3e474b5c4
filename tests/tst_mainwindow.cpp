// The frame window: caption, menu tree, toolbar, status bar, the enabling
// table, the display options, start-up and shut-down, and the About box.

#include "bargraph/bar.h"
#include "config/qelconfig.h"
#include "core/registry.h"
#include "fixture.h"
#include "mainwin/about.h"
#include "mainwin/mdimain.h"
#include "session/linkconfig.h"
#include "session/mainform.h"
#include "session/state.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSet>
#include <QStatusBar>
#include <QToolBar>
#include <QtTest>

namespace {

MDIMain& Frame() {
    return Registry::get<MDIMain>();
}

// What the operator can use: the item is enabled and so is its menu.
bool Usable(QAction* item) {
    if (!item->isEnabled())
        return false;
    const auto menu = qobject_cast<QMenu*>(item->parent());
    return !menu || menu->menuAction()->isEnabled();
}

// Every switchable element of the enabling table by name: menus and items by
// their names, toolbar buttons as "1" to "14".
QMap<QString, QAction*> Switchables(MDIMain& f) {
    QMap<QString, QAction*> all;
    for (QAction* top : f.menuBar()->actions()) {
        all.insert(top->objectName(), top);
        if (QMenu* menu = top->menu())
            for (QAction* item : menu->actions())
                if (!item->isSeparator())
                    all.insert(item->objectName(), item);
    }
    for (int i = 1; i <= 14; ++i)
        if (!f.Button(i)->isSeparator())
            all.insert(QString::number(i), f.Button(i));
    return all;
}

using Row = void (MDIMain::*)();
QMap<QString, Row> Rows() {
    return {{"MenusStartup", &MDIMain::MenusStartup},
            {"MenusDisconnected", &MDIMain::MenusDisconnected},
            {"MenusConnected", &MDIMain::MenusConnected},
            {"MenusScanning", &MDIMain::MenusScanning},
            {"MenusIdle", &MDIMain::MenusIdle},
            {"MenusLogOpened", &MDIMain::MenusLogOpened},
            {"MenusLogClosed", &MDIMain::MenusLogClosed}};
}

QStringList Names(const char* list) {
    return QString::fromLatin1(list).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void startUpSetsCaptionPanelsAndWindows();
    void menuTreeHasEveryItemInOrder();
    void toolbarHasFourteenPositionsWithKeysAndTips();
    void firstStartOffersOnlyFileConnectAndHelp();
    void eachRowOfTheEnablingTableSwitchesOnlyItsItems_data();
    void eachRowOfTheEnablingTableSwitchesOnlyItsItems();
    void stopStaysUsableWhileScanning();
    void decimalPlacesItemsCheckExactlyOneAndSetBarFormat_data();
    void decimalPlacesItemsCheckExactlyOneAndSetBarFormat();
    void displayItemsCheckOneOfThePair();
    void barGraphOpenShowsTheGraphAndConnectShowsTheConnectionWindow();
    void aWorkingWindowBecomingActiveRunsItsActivation();
    void toolbarKeysOpenTheirWindowsAndOthersDoNothing();
    void orvikSettingsShowsTheLinkSettingsDialog();
    void closingTheFrameWithALogOpenClosesItAndSavesEverything();
    void exitUnloadsTheWindowsAndTheFrame();
    void aboutShowsThreeLinesAndCloseUnloadsIt();
};

void TestMainWindow::startUpSetsCaptionPanelsAndWindows() {
    ProgramFixture fixture;
    fixture.startProgram();
    MDIMain& f = Frame();
    QCOMPARE(f.windowTitle(), QStringLiteral("Orvik 3 Version 3.03"));
    QCOMPARE(f.PanelText(1), QStringLiteral("No connection"));
    QCOMPARE(f.PanelText(2), QString());
    QCOMPARE(f.PanelText(3), QStringLiteral("No Log File"));
    QCOMPARE(f.statusBar()->findChildren<QLabel*>().size(), 3);
    QVERIFY(Registry::isShown<Main>());
    QVERIFY(Registry::peek<Bar>());
    QVERIFY(!Registry::isShown<Bar>());
    QVERIFY(Registry::peek<LinkConfig>());
    QVERIFY(!Registry::isShown<LinkConfig>());
    // The working windows live in the frame's MDI area.
    QCOMPARE(qobject_cast<QMdiArea*>(f.centralWidget()), f.mdiArea);
    QVERIFY(Registry::get<Main>().subWindow());
    QCOMPARE(Registry::get<Main>().subWindow()->mdiArea(), f.mdiArea);
    QCOMPARE(Registry::get<Bar>().subWindow()->mdiArea(), f.mdiArea);
    // The connection window opens at its own size, its controls in view.
    Main& main = Registry::get<Main>();
    const QRect inView(QPoint(0, 0), main.size());
    QVERIFY(inView.contains(main.txtIpAdd->geometry()));
    QVERIFY(inView.contains(main.Command1->geometry()));
    QVERIFY(inView.contains(main.lstIpHistory->geometry()));
}

void TestMainWindow::menuTreeHasEveryItemInOrder() {
    ProgramFixture fixture;
    fixture.startProgram();
    MDIMain& f = Frame();
    QStringList tree;
    for (QAction* top : f.menuBar()->actions()) {
        tree << top->objectName() + QLatin1Char('=') + top->text();
        if (QMenu* menu = top->menu()) {
            QCOMPARE(menu->objectName(), top->objectName());
            for (QAction* item : menu->actions())
                tree << QStringLiteral("  ") + item->objectName() + QLatin1Char('=') +
                            (item->isSeparator() ? QStringLiteral("-") : item->text());
        }
    }
    const QStringList expected = {
        "mnuFile=File",
        "  mnuOpenLogFile=Open Log File",
        "  mnuCloseLogFile=Close Log File",
        "  mnuBar0=-",
        "  mnuUploadFileToQel=Upload File To QEL",
        "  mnuBar1=-",
        "  mnuOrvikSettings=Orvik Settings",
        "  mnuBar2=-",
        "  mnuExit=Exit",
        "mnuConnect=Connect",
        "mnuBarGraph=BarGraph",
        "  mnuBarGraphOpen=Open",
        "  mnuLine10=-",
        "  mnuBarGraphPress=Display Pressures",
        "  mnuBarGraphTemp=Display Temperatures",
        "  mnuLine11=-",
        "  mnuBarGraph0Places=Display 0 Decimal Places",
        "  mnuBarGraph1Places=Display 1 Decimal Place",
        "  mnuBarGraph2Places=Display 2 Decimal Places",
        "  mnuBarGraph3Places=Display 3 Decimal Places",
        "  mnuBarGraph4Places=Display 4 Decimal Places",
        "  mnuBarGraph5Places=Display 5 Decimal Places",
        "  mnuLin14=-",
        "  mnuTag1to16=Tag High and Low Over Channels 1 to 16",
        "  mnuTag1to8=Tag High and Low Over Channels 1 to 8",
        "  mnuTag9to16=Tag High and Low Over Channles 9 to 16",
        "mnuQel=Qel",
        "  mnuStartScan=StartScan",
        "  mnuStop=Stop",
        "  mnuCalZero=Cal Zero",
        "  mnuBar4=-",
        "  mnuConfigure=Configure",
        "  mnuCommands=Commands",
        "  mnuSaveSettings=Save Settings",
        "  mnuBar6=-",
        "  mnuErrors=Errors",
        "mnuSensor=Sensor",
        "  mnuUploadSensorProfileFile=UploadSensorProfileFile",
        "  mnuCreateSensorProfileFile=Create Sensor Profile File",
        "mnuHelp=Help",
        "  mnuAbout=About",
    };
    QCOMPARE(tree, expected);
    QVERIFY(!f.mnuConnect->menu()); // a top-level item without sub-items
}

void TestMainWindow::toolbarHasFourteenPositionsWithKeysAndTips() {
    ProgramFixture fixture;
    fixture.startProgram();
    MDIMain& f = Frame();
    QCOMPARE(f.Toolbar1->actions().size(), 14);
    const QStringList keys = {"OpenLogFile",
                              "CloseLogFile",
                              "",
                              "ConfigureQel",
                              "ConfigureOrvik",
                              "",
                              "StartScan",
                              "StopScan",
                              "",
                              "CalZ",
                              "",
                              "Commands",
                              "Errors",
                              "Help"};
    const QStringList tips = {"Open New or Existing Log File",
                              "Close Log File",
                              "",
                              "Configure Qel",
                              "Configure Orvik",
                              "",
                              "Start Scan",
                              "Stop",
                              "",
                              "Start Zero Calibration",
                              "",
                              "Send Commands to Qel",
                              "View or Clear Qel Errors",
                              "Help"};
    for (int i = 1; i <= 14; ++i) {
        QAction* b = f.Button(i);
        QCOMPARE(f.Toolbar1->actions().at(i - 1), b);
        QCOMPARE(b->isSeparator(), keys[i - 1].isEmpty());
        if (b->isSeparator())
            continue;
        QCOMPARE(b->data().toString(), keys[i - 1]);
        QCOMPARE(b->toolTip(), tips[i - 1]);
        // An image at the toolbar's size and at twice that for dense screens.
        const QSize size = f.Toolbar1->iconSize();
        QVERIFY2(!b->icon().pixmap(size).isNull(), qPrintable(keys[i - 1]));
        QVERIFY2(b->icon().actualSize(size * 2).width() >= size.width() * 2,
                 qPrintable(keys[i - 1]));
    }
    QVERIFY(!f.Button(0));
    QVERIFY(!f.Button(15));
}

void TestMainWindow::firstStartOffersOnlyFileConnectAndHelp() {
    ProgramFixture fixture;
    fixture.startProgram();
    MDIMain& f = Frame();
    QVERIFY(f.mnuFile->menuAction()->isEnabled());
    QVERIFY(f.mnuConnect->isEnabled());
    QVERIFY(f.mnuHelp->menuAction()->isEnabled());
    QVERIFY(!f.mnuBarGraph->menuAction()->isEnabled());
    QVERIFY(!f.mnuQel->menuAction()->isEnabled());
    QVERIFY(!f.mnuSensor->menuAction()->isEnabled());

    QVERIFY(Usable(f.mnuOpenLogFile));
    QVERIFY(Usable(f.mnuOrvikSettings));
    QVERIFY(Usable(f.mnuExit));
    QVERIFY(!Usable(f.mnuCloseLogFile));
    QVERIFY(!Usable(f.mnuUploadFileToQel));
    QVERIFY(!Usable(f.mnuStartScan));
    QVERIFY(!Usable(f.mnuBarGraph4Places));
    QVERIFY(Usable(f.mnuAbout));

    for (int i : {1, 5, 14})
        QVERIFY2(f.Button(i)->isEnabled(), qPrintable(QString::number(i)));
    for (int i : {2, 4, 7, 8, 10, 12, 13})
        QVERIFY2(!f.Button(i)->isEnabled(), qPrintable(QString::number(i)));

    QVERIFY(f.mnuBarGraphPress->isChecked());
    QVERIFY(!f.mnuBarGraphTemp->isChecked());
    QVERIFY(f.mnuBarGraph2Places->isChecked());
}

void TestMainWindow::eachRowOfTheEnablingTableSwitchesOnlyItsItems_data() {
    QTest::addColumn<QString>("row");
    QTest::addColumn<QStringList>("on");
    QTest::addColumn<QStringList>("off");
    QTest::newRow("start-up") << "MenusStartup" << Names("mnuOpenLogFile 1")
                              << Names("mnuCloseLogFile 2");
    QTest::newRow("disconnected")
        << "MenusDisconnected" << Names("mnuOrvikSettings 5")
        << Names("mnuUploadFileToQel mnuBarGraph mnuQel mnuSensor 4 7 8 10 12 13");
    QTest::newRow("connected") << "MenusConnected"
                               << Names("mnuUploadFileToQel mnuBarGraph mnuQel mnuSensor "
                                        "4 7 8 10 12 13")
                               << Names("mnuOrvikSettings 5");
    QTest::newRow("scanning") << "MenusScanning" << Names("mnuQel 7 8")
                              << Names("mnuFile mnuBarGraph mnuStartScan mnuCalZero mnuConfigure "
                                       "mnuCommands mnuSaveSettings mnuErrors mnuSensor mnuHelp "
                                       "1 2 4 5 10 12 13 14");
    QTest::newRow("idle") << "MenusIdle"
                          << Names("mnuFile mnuUploadFileToQel mnuBarGraph mnuQel mnuStartScan "
                                   "mnuCalZero mnuConfigure mnuCommands mnuSaveSettings mnuErrors "
                                   "mnuSensor mnuHelp 1 2 4 5 7 8 10 12 13 14")
                          << QStringList();
    QTest::newRow("log opened") << "MenusLogOpened" << Names("mnuCloseLogFile 2")
                                << Names("mnuOpenLogFile 1");
    QTest::newRow("log closed") << "MenusLogClosed" << Names("mnuOpenLogFile 1")
                                << Names("mnuCloseLogFile 2");
}

void TestMainWindow::eachRowOfTheEnablingTableSwitchesOnlyItsItems() {
    QFETCH(QString, row);
    QFETCH(QStringList, on);
    QFETCH(QStringList, off);
    ProgramFixture fixture;
    fixture.startProgram();
    MDIMain& f = Frame();
    const QMap<QString, QAction*> all = Switchables(f);
    QVERIFY(Rows().contains(row));
    for (const QString& name : on + off)
        QVERIFY2(all.contains(name), qPrintable(name));

    // From everything enabled, and from everything disabled: the row's
    // items take the row's state, every other item keeps its own.
    for (bool before : {true, false}) {
        for (QAction* a : all)
            a->setEnabled(before);
        (f.*Rows().value(row))();
        for (auto it = all.cbegin(); it != all.cend(); ++it) {
            const bool expected = on.contains(it.key())    ? true
                                  : off.contains(it.key()) ? false
                                                           : before;
            QVERIFY2(it.value()->isEnabled() == expected,
                     qPrintable(row + QLatin1Char(' ') + it.key()));
        }
    }
}

void TestMainWindow::stopStaysUsableWhileScanning() {
    ProgramFixture fixture;
    fixture.startProgram();
    MDIMain& f = Frame();
    f.MenusConnected();
    f.MenusIdle();
    f.MenusScanning();
    QVERIFY(Usable(f.mnuStop));
    QVERIFY(!Usable(f.mnuStartScan));
    QVERIFY(f.Button(7)->isEnabled());  // the toolbar's Start Scan stays enabled
    QVERIFY(!Usable(f.mnuOpenLogFile)); // the File menu is off
    f.MenusIdle();
    QVERIFY(Usable(f.mnuStartScan));
    QVERIFY(f.Button(1)->isEnabled() && f.Button(2)->isEnabled() && f.Button(5)->isEnabled());
}

void TestMainWindow::decimalPlacesItemsCheckExactlyOneAndSetBarFormat_data() {
    QTest::addColumn<int>("places");
    QTest::addColumn<QString>("format");
    QTest::newRow("0") << 0 << "0";
    QTest::newRow("1") << 1 << "0.0";
    QTest::newRow("2") << 2 << "0.00";
    QTest::newRow("3") << 3 << "0.000";
    QTest::newRow("4") << 4 << "0.0000";
    QTest::newRow("5") << 5 << "0.00000";
}

void TestMainWindow::decimalPlacesItemsCheckExactlyOneAndSetBarFormat() {
    QFETCH(int, places);
    QFETCH(QString, format);
    ProgramFixture fixture;
    fixture.startProgram();
    MDIMain& f = Frame();
    f.MenusConnected();
    // The unit reports in engineering units (raw counts have no decimals).
    Registry::get<QelConfig>().chkEu->setChecked(true);
    // Start from a state with several checked, as a hand-edited store gives.
    for (int i = 0; i <= 5; ++i)
        f.DecimalPlacesItem(i)->setChecked(i != places);
    Global::BarFormat = QStringLiteral("unchanged");
    for (int repeat = 0; repeat < 2; ++repeat) { // choosing it again keeps it checked
        f.DecimalPlacesItem(places)->trigger();
        for (int i = 0; i <= 5; ++i)
            QCOMPARE(f.DecimalPlacesItem(i)->isChecked(), i == places);
        QCOMPARE(Global::BarFormat, format);
    }
    f.mnuExit->trigger();
    QFile ini(fixture.settingsFile());
    QVERIFY(ini.open(QIODevice::ReadOnly));
    const QByteArray text = ini.readAll();
    for (int i = 0; i <= 5; ++i)
        QVERIFY(text.contains(QStringLiteral("BarGraph%1Places=%2")
                                  .arg(i)
                                  .arg(i == places ? "True" : "False")
                                  .toLatin1()));
}

void TestMainWindow::displayItemsCheckOneOfThePair() {
    ProgramFixture fixture;
    fixture.startProgram();
    MDIMain& f = Frame();
    f.MenusConnected();
    f.mnuBarGraphTemp->trigger();
    f.mnuBarGraphTemp->trigger();
    QVERIFY(f.mnuBarGraphTemp->isChecked());
    QVERIFY(!f.mnuBarGraphPress->isChecked());
    f.mnuBarGraphPress->trigger();
    QVERIFY(f.mnuBarGraphPress->isChecked());
    QVERIFY(!f.mnuBarGraphTemp->isChecked());
    f.mnuBarGraphPress->trigger();
    QVERIFY(f.mnuBarGraphPress->isChecked());
}

void TestMainWindow::barGraphOpenShowsTheGraphAndConnectShowsTheConnectionWindow() {
    ProgramFixture fixture;
    fixture.startProgram();
    MDIMain& f = Frame();
    f.MenusConnected();
    QVERIFY(Registry::isShown<Main>());
    f.mnuBarGraphOpen->trigger();
    QVERIFY(Registry::isShown<Bar>());
    QVERIFY(!Registry::isShown<Main>());
    QCOMPARE(f.mdiArea->activeSubWindow(), Registry::get<Bar>().subWindow());
    f.mnuConnect->trigger();
    QVERIFY(Registry::isShown<Main>());
    QCOMPARE(f.mdiArea->activeSubWindow(), Registry::get<Main>().subWindow());
}

void TestMainWindow::aWorkingWindowBecomingActiveRunsItsActivation() {
    ProgramFixture fixture;
    fixture.startProgram();
    MDIMain& f = Frame();
    f.MenusConnected();
    f.mnuConnect->trigger();
    QMdiSubWindow* graph = Registry::get<Bar>().subWindow();
    QMdiSubWindow* connection = Registry::get<Main>().subWindow();
    graph->show();
    f.mdiArea->setActiveSubWindow(connection);
    QCOMPARE(f.mdiArea->activeSubWindow(), connection);
    // The bar graph's activation redraws its scale, which sets the format
    // from the decimal-places items.
    Global::BarFormat = QStringLiteral("not yet");
    f.mdiArea->setActiveSubWindow(graph);
    QCOMPARE(f.mdiArea->activeSubWindow(), graph);
    QVERIFY(Global::BarFormat != QLatin1String("not yet"));

    Global::BarFormat = QStringLiteral("not yet");
    f.mdiArea->setActiveSubWindow(connection);
    QCOMPARE(Global::BarFormat, QStringLiteral("not yet"));
    f.mdiArea->setActiveSubWindow(graph);
    QVERIFY(Global::BarFormat != QLatin1String("not yet"));
}

void TestMainWindow::toolbarKeysOpenTheirWindowsAndOthersDoNothing() {
    ProgramFixture fixture;
    fixture.startProgram();
    MDIMain& f = Frame();
    const int before = Registry::windows().size();
    f.ToolbarClick(QString());
    f.ToolbarClick(QStringLiteral("NoSuchKey"));
    f.Button(3)->trigger(); // a separator
    QCOMPARE(Registry::windows().size(), before);
    QVERIFY(!Registry::isShown<LinkConfig>());
    QVERIFY(fixture.prompt->shown.isEmpty());

    f.Button(14)->trigger();
    QVERIFY(Registry::isShown<About>());
    f.ToolbarClick(QStringLiteral("ConfigureOrvik"));
    QVERIFY(Registry::isShown<LinkConfig>());

    // Open Log File from the toolbar asks for a file like the menu item.
    f.Button(1)->trigger();
    QCOMPARE(fixture.prompt->shown.size(), 1);
    QCOMPARE(fixture.prompt->shown.first().kind, QStringLiteral("open"));
}

void TestMainWindow::orvikSettingsShowsTheLinkSettingsDialog() {
    ProgramFixture fixture;
    fixture.startProgram();
    LinkConfig* before = Registry::peek<LinkConfig>();
    Frame().mnuOrvikSettings->trigger();
    QVERIFY(Registry::isShown<LinkConfig>());
    QCOMPARE(Registry::peek<LinkConfig>(), before); // the one loaded at start-up
    QVERIFY(Registry::get<LinkConfig>().isWindow());
}

void TestMainWindow::closingTheFrameWithALogOpenClosesItAndSavesEverything() {
    ProgramFixture fixture;
    fixture.startProgram();
    const QString log = fixture.dir() + QStringLiteral("/run.log");
    fixture.prompt->fileAnswers.enqueue(log);
    Frame().mnuOpenLogFile->trigger();
    QVERIFY(Global::LogFileOpen);
    QCOMPARE(Frame().PanelText(3), QStringLiteral("Logging to ") + log);

    QVERIFY(Frame().close());
    QVERIFY(!Global::LogFileOpen);
    QVERIFY(QFile::exists(log));
    QVERIFY(QFile::exists(fixture.settingsFile()));
    QVERIFY(QFile::exists(fixture.dir() + QStringLiteral("/IpHist.cfg")));
    QVERIFY(!Registry::peek<MDIMain>());
}

void TestMainWindow::exitUnloadsTheWindowsAndTheFrame() {
    ProgramFixture fixture;
    fixture.startProgram();
    QPointer<MDIMain> frame = &Frame();
    Frame().mnuAbout->trigger();
    Frame().mnuOrvikSettings->trigger();
    QVERIFY(Registry::peek<About>());
    frame->mnuExit->trigger();
    QVERIFY(!Registry::peek<About>());
    QVERIFY(!Registry::peek<LinkConfig>());
    QVERIFY(!Registry::peek<MDIMain>());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(frame.isNull());
    QVERIFY(QFile::exists(fixture.settingsFile()));
}

void TestMainWindow::aboutShowsThreeLinesAndCloseUnloadsIt() {
    ProgramFixture fixture;
    fixture.startProgram();
    Frame().mnuAbout->trigger();
    About& about = Registry::get<About>();
    QVERIFY(about.isVisible());
    QCOMPARE(about.windowTitle(), QStringLiteral("About Orvik 3"));
    const QStringList lines = about.labAbout->text().split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], QStringLiteral("Orvik 3"));
    QVERIFY(!lines[1].isEmpty());
    QCOMPARE(lines[2], QStringLiteral("Version 3.03"));
    QCOMPARE(about.cmdOk->text(), QStringLiteral("Close"));
    about.cmdOk->click();
    QVERIFY(!Registry::peek<About>());
    Frame().mnuAbout->trigger();
    QVERIFY(Registry::isShown<About>()); // created afresh
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
