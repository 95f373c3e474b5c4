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
    void firstStartShowsCaptionPanelsAndOnlyFileConnectAndHelp();
    void menuTreeAndToolbarHaveEveryItemInOrder();
    void eachRowOfTheEnablingTableSwitchesOnlyItsItems_data();
    void eachRowOfTheEnablingTableSwitchesOnlyItsItems();
    void decimalPlacesItemsCheckExactlyOneAndSetBarFormat_data();
    void decimalPlacesItemsCheckExactlyOneAndSetBarFormat();
    void displayItemsCheckOneOfThePair();
    void toolbarKeysOpenTheirWindowsAndAboutShowsThreeLines();
    void workingWindowsOpenFromTheMenusAndActivationRuns();
    void closeOrExitClosesTheLogUnloadsAndSaves_data();
    void closeOrExitClosesTheLogUnloadsAndSaves();
};

void TestMainWindow::firstStartShowsCaptionPanelsAndOnlyFileConnectAndHelp() {
    ProgramFixture fixture;
    fixture.startProgram();
    MDIMain& f = Frame();
    QCOMPARE(f.windowTitle(), QStringLiteral("Orvik 3 Version 3.03"));
    QCOMPARE(f.statusBar()->findChildren<QLabel*>().size(), 3);
    QCOMPARE(f.PanelText(1), QStringLiteral("No connection"));
    QCOMPARE(f.PanelText(2), QString());
    QCOMPARE(f.PanelText(3), QStringLiteral("No Log File"));
    QVERIFY(Registry::isShown<Main>());
    QVERIFY(Registry::peek<Bar>() && !Registry::isShown<Bar>());
    QVERIFY(Registry::peek<LinkConfig>() && !Registry::isShown<LinkConfig>());
    QCOMPARE(Registry::get<Main>().subWindow()->mdiArea(), f.mdiArea);
    QCOMPARE(Registry::get<Bar>().subWindow()->mdiArea(), f.mdiArea);
    // The connection window opens with its controls in view.
    Main& main = Registry::get<Main>();
    const QRect inView(QPoint(0, 0), main.size());
    for (QWidget* w : QList<QWidget*>{main.txtIpAdd, main.Command1, main.lstIpHistory})
        QVERIFY(inView.contains(w->geometry()));

    for (QAction* a : {f.mnuFile->menuAction(), f.mnuConnect, f.mnuHelp->menuAction(),
                       f.mnuOpenLogFile, f.mnuOrvikSettings, f.mnuExit, f.mnuAbout})
        QVERIFY2(Usable(a), qPrintable(a->objectName()));
    for (QAction* a :
         {f.mnuBarGraph->menuAction(), f.mnuQel->menuAction(), f.mnuSensor->menuAction(),
          f.mnuCloseLogFile, f.mnuUploadFileToQel, f.mnuStartScan, f.mnuBarGraph4Places})
        QVERIFY2(!Usable(a), qPrintable(a->objectName()));
    for (int i = 1; i <= 14; ++i)
        if (!f.Button(i)->isSeparator())
            QVERIFY2(f.Button(i)->isEnabled() == (i == 1 || i == 5 || i == 14),
                     qPrintable(QString::number(i)));
    QVERIFY(f.mnuBarGraphPress->isChecked());
    QVERIFY(!f.mnuBarGraphTemp->isChecked());
    QVERIFY(f.mnuBarGraph2Places->isChecked());
}

void TestMainWindow::menuTreeAndToolbarHaveEveryItemInOrder() {
    ProgramFixture fixture;
    fixture.startProgram();
    MDIMain& f = Frame();
    // One line a menu: "name=caption: item, item", a separator's caption "-".
    QStringList tree;
    for (QAction* top : f.menuBar()->actions()) {
        QStringList items;
        if (QMenu* menu = top->menu()) {
            QCOMPARE(menu->objectName(), top->objectName());
            for (QAction* item : menu->actions())
                items << item->objectName() + QLatin1Char('=') +
                             (item->isSeparator() ? QStringLiteral("-") : item->text());
        }
        tree << top->objectName() + QLatin1Char('=') + top->text() +
                    (items.isEmpty() ? QString() : QStringLiteral(": ") + items.join(", "));
    }
    const QStringList expected = {
        "mnuFile=File: mnuOpenLogFile=Open Log File, mnuCloseLogFile=Close Log File, "
        "mnuBar0=-, mnuUploadFileToQel=Upload File To QEL, mnuBar1=-, "
        "mnuOrvikSettings=Orvik Settings, mnuBar2=-, mnuExit=Exit",
        "mnuConnect=Connect",
        "mnuBarGraph=BarGraph: mnuBarGraphOpen=Open, mnuLine10=-, "
        "mnuBarGraphPress=Display Pressures, mnuBarGraphTemp=Display Temperatures, "
        "mnuLine11=-, mnuBarGraph0Places=Display 0 Decimal Places, "
        "mnuBarGraph1Places=Display 1 Decimal Place, "
        "mnuBarGraph2Places=Display 2 Decimal Places, "
        "mnuBarGraph3Places=Display 3 Decimal Places, "
        "mnuBarGraph4Places=Display 4 Decimal Places, "
        "mnuBarGraph5Places=Display 5 Decimal Places, mnuLin14=-, "
        "mnuTag1to16=Tag High and Low Over Channels 1 to 16, "
        "mnuTag1to8=Tag High and Low Over Channels 1 to 8, "
        "mnuTag9to16=Tag High and Low Over Channles 9 to 16",
        "mnuQel=Qel: mnuStartScan=StartScan, mnuStop=Stop, mnuCalZero=Cal Zero, "
        "mnuBar4=-, mnuConfigure=Configure, mnuCommands=Commands, "
        "mnuSaveSettings=Save Settings, mnuBar6=-, mnuErrors=Errors",
        "mnuSensor=Sensor: mnuUploadSensorProfileFile=UploadSensorProfileFile, "
        "mnuCreateSensorProfileFile=Create Sensor Profile File",
        "mnuHelp=Help: mnuAbout=About"};
    QCOMPARE(tree, expected);
    QVERIFY(!f.mnuConnect->menu());

    // Toolbar positions as "key|tip"; an empty entry is a separator.
    const QStringList buttons =
        QStringLiteral("OpenLogFile|Open New or Existing Log File;CloseLogFile|Close Log File;;"
                       "ConfigureQel|Configure Qel;ConfigureOrvik|Configure Orvik;;"
                       "StartScan|Start Scan;StopScan|Stop;;CalZ|Start Zero Calibration;;"
                       "Commands|Send Commands to Qel;Errors|View or Clear Qel Errors;Help|Help")
            .split(QLatin1Char(';'));
    QCOMPARE(f.Toolbar1->actions().size(), 14);
    const QSize size = f.Toolbar1->iconSize();
    for (int i = 1; i <= 14; ++i) {
        QAction* b = f.Button(i);
        const QString key = buttons[i - 1].section(QLatin1Char('|'), 0, 0);
        QCOMPARE(f.Toolbar1->actions().at(i - 1), b);
        QCOMPARE(b->isSeparator(), key.isEmpty());
        if (b->isSeparator())
            continue;
        QCOMPARE(b->data().toString(), key);
        QCOMPARE(b->toolTip(), buttons[i - 1].section(QLatin1Char('|'), 1));
        // Legible at the toolbar's size and at twice that for dense screens.
        QVERIFY2(!b->icon().pixmap(size).isNull(), qPrintable(key));
        QVERIFY2(b->icon().actualSize(size * 2).width() >= size.width() * 2, qPrintable(key));
    }
    QVERIFY(!f.Button(0) && !f.Button(15));
}

void TestMainWindow::eachRowOfTheEnablingTableSwitchesOnlyItsItems_data() {
    QTest::addColumn<QString>("row");
    QTest::addColumn<QStringList>("on");
    QTest::addColumn<QStringList>("off");
    const char* connected = "mnuUploadFileToQel mnuBarGraph mnuQel mnuSensor 4 7 8 10 12 13";
    const struct {
        const char *row, *on, *off;
    } rows[] = {{"MenusStartup", "mnuOpenLogFile 1", "mnuCloseLogFile 2"},
                {"MenusDisconnected", "mnuOrvikSettings 5", connected},
                {"MenusConnected", connected, "mnuOrvikSettings 5"},
                {"MenusScanning", "mnuQel 7 8",
                 "mnuFile mnuBarGraph mnuStartScan mnuCalZero mnuConfigure mnuCommands "
                 "mnuSaveSettings mnuErrors mnuSensor mnuHelp 1 2 4 5 10 12 13 14"},
                {"MenusIdle",
                 "mnuFile mnuUploadFileToQel mnuBarGraph mnuQel mnuStartScan mnuCalZero "
                 "mnuConfigure mnuCommands mnuSaveSettings mnuErrors mnuSensor mnuHelp "
                 "1 2 4 5 7 8 10 12 13 14",
                 ""},
                {"MenusLogOpened", "mnuCloseLogFile 2", "mnuOpenLogFile 1"},
                {"MenusLogClosed", "mnuOpenLogFile 1", "mnuCloseLogFile 2"}};
    for (const auto& r : rows)
        QTest::newRow(r.row) << QString::fromLatin1(r.row) << Names(r.on) << Names(r.off);
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

void TestMainWindow::decimalPlacesItemsCheckExactlyOneAndSetBarFormat_data() {
    QTest::addColumn<int>("places");
    QTest::addColumn<QString>("format");
    for (int places = 0; places <= 5; ++places)
        QTest::newRow(qPrintable(QString::number(places)))
            << places
            << (places ? QStringLiteral("0.") + QString(places, QLatin1Char('0'))
                       : QStringLiteral("0"));
}

void TestMainWindow::decimalPlacesItemsCheckExactlyOneAndSetBarFormat() {
    QFETCH(int, places);
    QFETCH(QString, format);
    ProgramFixture fixture;
    fixture.startProgram();
    MDIMain& f = Frame();
    f.MenusConnected();
    // Engineering units: raw counts have no decimals.
    Registry::get<QelConfig>().chkEu->setChecked(true);
    // Start with several checked, as a hand-edited store gives.
    for (int i = 0; i <= 5; ++i)
        f.DecimalPlacesItem(i)->setChecked(i != places);
    Global::BarFormat = QStringLiteral("unchanged");
    for (int repeat = 0; repeat < 2; ++repeat) { // choosing it again keeps it checked
        f.DecimalPlacesItem(places)->trigger();
        for (int i = 0; i <= 5; ++i)
            QCOMPARE(f.DecimalPlacesItem(i)->isChecked(), i == places);
        QCOMPARE(Global::BarFormat, format);
    }
}

void TestMainWindow::displayItemsCheckOneOfThePair() {
    ProgramFixture fixture;
    fixture.startProgram();
    MDIMain& f = Frame();
    f.MenusConnected();
    for (QAction* chosen :
         {f.mnuBarGraphTemp, f.mnuBarGraphTemp, f.mnuBarGraphPress, f.mnuBarGraphPress}) {
        chosen->trigger();
        QVERIFY(chosen->isChecked());
        QCOMPARE(f.mnuBarGraphPress->isChecked(), chosen == f.mnuBarGraphPress);
        QCOMPARE(f.mnuBarGraphTemp->isChecked(), chosen == f.mnuBarGraphTemp);
    }
}

void TestMainWindow::toolbarKeysOpenTheirWindowsAndAboutShowsThreeLines() {
    ProgramFixture fixture;
    fixture.startProgram();
    MDIMain& f = Frame();
    // Empty, unknown and separator keys do nothing.
    const int before = Registry::windows().size();
    f.Toolbar1_ButtonClick(QString());
    f.Toolbar1_ButtonClick(QStringLiteral("NoSuchKey"));
    f.Button(3)->trigger();
    QCOMPARE(Registry::windows().size(), before);
    QVERIFY(fixture.prompt->shown.isEmpty());

    LinkConfig* loaded = Registry::peek<LinkConfig>();
    f.Toolbar1_ButtonClick(QStringLiteral("ConfigureOrvik"));
    QVERIFY(Registry::isShown<LinkConfig>());
    QCOMPARE(Registry::peek<LinkConfig>(), loaded); // the one loaded at start-up
    f.Button(14)->trigger();
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
    QVERIFY(!Registry::peek<About>()); // unloaded; the menu item creates it afresh
    f.mnuAbout->trigger();
    QVERIFY(Registry::isShown<About>());
    f.Button(1)->trigger(); // asks for a log file like the menu item
    QCOMPARE(fixture.prompt->shown.size(), 1);
    QCOMPARE(fixture.prompt->shown.first().kind, QStringLiteral("open"));
}

void TestMainWindow::workingWindowsOpenFromTheMenusAndActivationRuns() {
    ProgramFixture fixture;
    fixture.startProgram();
    MDIMain& f = Frame();
    f.MenusConnected();
    QMdiSubWindow* graph = Registry::get<Bar>().subWindow();
    QMdiSubWindow* connection = Registry::get<Main>().subWindow();
    f.mnuBarGraphOpen->trigger();
    QVERIFY(Registry::isShown<Bar>() && !Registry::isShown<Main>());
    QCOMPARE(f.mdiArea->activeSubWindow(), graph);
    f.mnuConnect->trigger();
    QVERIFY(Registry::isShown<Main>());
    QCOMPARE(f.mdiArea->activeSubWindow(), connection);

    // The bar graph's activation redraws its scale, setting the format.
    graph->show();
    for (int round = 0; round < 2; ++round) {
        Global::BarFormat = QStringLiteral("not yet");
        f.mdiArea->setActiveSubWindow(connection);
        QCOMPARE(Global::BarFormat, QStringLiteral("not yet"));
        f.mdiArea->setActiveSubWindow(graph);
        QCOMPARE(f.mdiArea->activeSubWindow(), graph);
        QVERIFY(Global::BarFormat != QLatin1String("not yet"));
    }
}

void TestMainWindow::closeOrExitClosesTheLogUnloadsAndSaves_data() {
    QTest::addColumn<bool>("viaExit");
    QTest::newRow("window closed") << false;
    QTest::newRow("Exit") << true;
}

void TestMainWindow::closeOrExitClosesTheLogUnloadsAndSaves() {
    QFETCH(bool, viaExit);
    ProgramFixture fixture;
    fixture.startProgram();
    QPointer<MDIMain> frame = &Frame();
    const QString log = fixture.dir() + QStringLiteral("/run.log");
    fixture.prompt->fileAnswers.enqueue(log);
    frame->mnuOpenLogFile->trigger();
    QVERIFY(Global::LogFileOpen);
    QCOMPARE(frame->PanelText(3), QStringLiteral("Logging to ") + log);
    frame->mnuAbout->trigger();
    frame->mnuOrvikSettings->trigger();

    if (viaExit)
        frame->mnuExit->trigger();
    else
        QVERIFY(frame->close());
    QVERIFY(!Global::LogFileOpen);
    QVERIFY(QFile::exists(log));
    QVERIFY(QFile::exists(fixture.settingsFile()));
    QVERIFY(QFile::exists(fixture.dir() + QStringLiteral("/IpHist.cfg")));
    QVERIFY(!Registry::peek<About>());
    QVERIFY(!Registry::peek<LinkConfig>());
    QVERIFY(!Registry::peek<MDIMain>());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(frame.isNull());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
