#include "mainwin/mdimain.h"

#include "bargraph/bar.h"
#include "config/qelconfig.h"
#include "console/commands.h"
#include "console/errorwin.h"
#include "core/form.h"
#include "core/registry.h"
#include "mainwin/about.h"
#include "mainwin/logfile.h"
#include "mainwin/scan.h"
#include "session/connection.h"
#include "session/linkconfig.h"
#include "session/linksettings.h"
#include "session/mainform.h"
#include "session/session.h"
#include "session/state.h"

#include <QAction>
#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QResizeEvent>
#include <QStatusBar>
#include <QToolBar>

// The bundled images live in the program's library; a static library needs
// its resources brought in by name.
static void InitProgramResources() {
    Q_INIT_RESOURCE(resources);
}

namespace {

const char* const BarFormats[6] = {"0", "0.0", "0.00", "0.000", "0.0000", "0.00000"};

// An image from the desktop's icon theme, or the bundled drawing of it.
QIcon ThemedIcon(const char* themeName, const char* bundled) {
    QIcon fallback;
    for (int size : {16, 24, 32, 48, 64, 96})
        fallback.addFile(
            QStringLiteral(":/orvik/icons/%1-%2.png").arg(QString::fromLatin1(bundled)).arg(size),
            QSize(size, size));
    return QIcon::fromTheme(QString::fromLatin1(themeName), fallback);
}

void SetEnabled(QAction* action, bool on) {
    if (action)
        action->setEnabled(on);
}

void SetEnabled(QMenu* menu, bool on) {
    if (menu)
        menu->menuAction()->setEnabled(on);
}

} // namespace

MDIMain::MDIMain() {
    InitProgramResources();
    setObjectName(QStringLiteral("MDIMain"));
    setWindowIcon(ThemedIcon("orvik3", "program"));
    resize(1040, 720);

    mdiArea = new QMdiArea(this);
    mdiArea->setObjectName(QStringLiteral("mdiArea"));
    setCentralWidget(mdiArea);
    connect(mdiArea, &QMdiArea::subWindowActivated, this, &MDIMain::subWindowActivated);

    buildMenus();
    buildToolbar();
    buildStatusBar();
}

MDIMain::~MDIMain() = default;

QAction* MDIMain::addItem(QMenu* menu, const char* name, const char* caption) {
    QAction* action = menu->addAction(QString::fromLatin1(caption));
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

void MDIMain::addSeparator(QMenu* menu, const char* name) {
    menu->addSeparator()->setObjectName(QString::fromLatin1(name));
}

void MDIMain::buildMenus() {
    QMenuBar* bar = menuBar();
    auto topMenu = [this, bar](const char* name, const char* caption) {
        QMenu* menu = bar->addMenu(QString::fromLatin1(caption));
        menu->setObjectName(QString::fromLatin1(name));
        menu->menuAction()->setObjectName(QString::fromLatin1(name));
        return menu;
    };

    mnuFile = topMenu("mnuFile", "File");
    mnuOpenLogFile = addItem(mnuFile, "mnuOpenLogFile", "Open Log File");
    mnuCloseLogFile = addItem(mnuFile, "mnuCloseLogFile", "Close Log File");
    addSeparator(mnuFile, "mnuBar0");
    mnuUploadFileToQel = addItem(mnuFile, "mnuUploadFileToQel", "Upload File To QEL");
    addSeparator(mnuFile, "mnuBar1");
    mnuOrvikSettings = addItem(mnuFile, "mnuOrvikSettings", "Orvik Settings");
    addSeparator(mnuFile, "mnuBar2");
    mnuExit = addItem(mnuFile, "mnuExit", "Exit");

    // A top-level item without sub-items.
    mnuConnect = bar->addAction(QStringLiteral("Connect"));
    mnuConnect->setObjectName(QStringLiteral("mnuConnect"));

    mnuBarGraph = topMenu("mnuBarGraph", "BarGraph");
    mnuBarGraphOpen = addItem(mnuBarGraph, "mnuBarGraphOpen", "Open");
    addSeparator(mnuBarGraph, "mnuLine10");
    mnuBarGraphPress = addItem(mnuBarGraph, "mnuBarGraphPress", "Display Pressures");
    mnuBarGraphTemp = addItem(mnuBarGraph, "mnuBarGraphTemp", "Display Temperatures");
    addSeparator(mnuBarGraph, "mnuLine11");
    mnuBarGraph0Places = addItem(mnuBarGraph, "mnuBarGraph0Places", "Display 0 Decimal Places");
    mnuBarGraph1Places = addItem(mnuBarGraph, "mnuBarGraph1Places", "Display 1 Decimal Place");
    mnuBarGraph2Places = addItem(mnuBarGraph, "mnuBarGraph2Places", "Display 2 Decimal Places");
    mnuBarGraph3Places = addItem(mnuBarGraph, "mnuBarGraph3Places", "Display 3 Decimal Places");
    mnuBarGraph4Places = addItem(mnuBarGraph, "mnuBarGraph4Places", "Display 4 Decimal Places");
    mnuBarGraph5Places = addItem(mnuBarGraph, "mnuBarGraph5Places", "Display 5 Decimal Places");
    addSeparator(mnuBarGraph, "mnuLin14");
    mnuTag1to16 = addItem(mnuBarGraph, "mnuTag1to16", "Tag High and Low Over Channels 1 to 16");
    mnuTag1to8 = addItem(mnuBarGraph, "mnuTag1to8", "Tag High and Low Over Channels 1 to 8");
    mnuTag9to16 = addItem(mnuBarGraph, "mnuTag9to16", "Tag High and Low Over Channles 9 to 16");

    mnuQel = topMenu("mnuQel", "Qel");
    mnuStartScan = addItem(mnuQel, "mnuStartScan", "StartScan");
    mnuStop = addItem(mnuQel, "mnuStop", "Stop");
    mnuCalZero = addItem(mnuQel, "mnuCalZero", "Cal Zero");
    addSeparator(mnuQel, "mnuBar4");
    mnuConfigure = addItem(mnuQel, "mnuConfigure", "Configure");
    mnuCommands = addItem(mnuQel, "mnuCommands", "Commands");
    mnuSaveSettings = addItem(mnuQel, "mnuSaveSettings", "Save Settings");
    addSeparator(mnuQel, "mnuBar6");
    mnuErrors = addItem(mnuQel, "mnuErrors", "Errors");

    mnuSensor = topMenu("mnuSensor", "Sensor");
    mnuUploadSensorProfileFile =
        addItem(mnuSensor, "mnuUploadSensorProfileFile", "UploadSensorProfileFile");
    mnuCreateSensorProfileFile =
        addItem(mnuSensor, "mnuCreateSensorProfileFile", "Create Sensor Profile File");

    mnuHelp = topMenu("mnuHelp", "Help");
    mnuAbout = addItem(mnuHelp, "mnuAbout", "About");

    // The display options carry check marks; each handler sets them itself.
    for (QAction* a : {mnuBarGraphPress, mnuBarGraphTemp})
        a->setCheckable(true);
    for (int places = 0; places <= 5; ++places)
        DecimalPlacesItem(places)->setCheckable(true);

    connect(mnuOpenLogFile, &QAction::triggered, this, &MDIMain::OpenLogFileClick);
    connect(mnuCloseLogFile, &QAction::triggered, this, &MDIMain::CloseLogFileClick);
    connect(mnuUploadFileToQel, &QAction::triggered, this, &MDIMain::UploadFileToQelClick);
    connect(mnuOrvikSettings, &QAction::triggered, this, &MDIMain::OrvikSettingsClick);
    connect(mnuExit, &QAction::triggered, this, &MDIMain::ExitClick);
    connect(mnuConnect, &QAction::triggered, this, &MDIMain::ConnectClick);
    connect(mnuBarGraphOpen, &QAction::triggered, this, &MDIMain::BarGraphOpenClick);
    connect(mnuBarGraphPress, &QAction::triggered, this, [this] { DisplayClick(true); });
    connect(mnuBarGraphTemp, &QAction::triggered, this, [this] { DisplayClick(false); });
    for (int places = 0; places <= 5; ++places)
        connect(DecimalPlacesItem(places), &QAction::triggered, this,
                [this, places] { DecimalPlacesClick(places); });
    connect(mnuTag1to16, &QAction::triggered, this, [this] { TagClick(0, 15); });
    connect(mnuTag1to8, &QAction::triggered, this, [this] { TagClick(0, 7); });
    connect(mnuTag9to16, &QAction::triggered, this, [this] { TagClick(8, 15); });
    connect(mnuStartScan, &QAction::triggered, this, &MDIMain::StartScanClick);
    connect(mnuStop, &QAction::triggered, this, &MDIMain::StopClick);
    connect(mnuCalZero, &QAction::triggered, this, &MDIMain::CalZeroClick);
    connect(mnuConfigure, &QAction::triggered, this, &MDIMain::ConfigureClick);
    connect(mnuCommands, &QAction::triggered, this, &MDIMain::CommandsClick);
    connect(mnuSaveSettings, &QAction::triggered, this, &MDIMain::SaveSettingsClick);
    connect(mnuErrors, &QAction::triggered, this, &MDIMain::ErrorsClick);
    connect(mnuUploadSensorProfileFile, &QAction::triggered, this,
            &MDIMain::UploadSensorProfileFileClick);
    connect(mnuCreateSensorProfileFile, &QAction::triggered, this,
            &MDIMain::CreateSensorProfileFileClick);
    connect(mnuAbout, &QAction::triggered, this, &MDIMain::AboutClick);
}

void MDIMain::buildToolbar() {
    Toolbar1 = addToolBar(QStringLiteral("Toolbar1"));
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setMovable(false);

    struct ButtonInfo {
        const char* key; // null for a separator
        const char* toolTip;
        const char* themeName;
        const char* bundled;
    };
    // No desktop icon name means "zero calibration", so that button looks
    // for a name of the program's own first and normally shows the bundled
    // dial.
    static const ButtonInfo table[14] = {
        {"OpenLogFile", "Open New or Existing Log File", "document-open", "openlog"},
        {"CloseLogFile", "Close Log File", "document-close", "closelog"},
        {nullptr, nullptr, nullptr, nullptr},
        {"ConfigureQel", "Configure Qel", "preferences-system", "configureunit"},
        {"ConfigureOrvik", "Configure Orvik", "preferences-other", "configureprogram"},
        {nullptr, nullptr, nullptr, nullptr},
        {"StartScan", "Start Scan", "media-playback-start", "startscan"},
        {"StopScan", "Stop", "media-playback-stop", "stopscan"},
        {nullptr, nullptr, nullptr, nullptr},
        {"CalZ", "Start Zero Calibration", "orvik3-calibrate-zero", "calzero"},
        {nullptr, nullptr, nullptr, nullptr},
        {"Commands", "Send Commands to Qel", "utilities-terminal", "commands"},
        {"Errors", "View or Clear Qel Errors", "dialog-error", "errors"},
        {"Help", "Help", "help-about", "help"},
    };

    buttons_.fill(nullptr, 15);
    for (int index = 1; index <= 14; ++index) {
        const ButtonInfo& info = table[index - 1];
        QAction* button;
        if (!info.key) {
            button = Toolbar1->addSeparator();
        } else {
            const QString key = QString::fromLatin1(info.key);
            button = Toolbar1->addAction(ThemedIcon(info.themeName, info.bundled),
                                         QString::fromLatin1(info.toolTip));
            button->setToolTip(QString::fromLatin1(info.toolTip));
            button->setData(key);
            connect(button, &QAction::triggered, this, [this, key] { ToolbarClick(key); });
        }
        button->setObjectName(QStringLiteral("Button%1").arg(index));
        buttons_[index] = button;
    }
}

void MDIMain::buildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    for (int i = 0; i < 3; ++i) {
        panels_[i] = new QLabel(bar);
        panels_[i]->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        panels_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panels_[i]->setTextFormat(Qt::PlainText);
        panels_[i]->setContentsMargins(4, 0, 4, 0);
        bar->addWidget(panels_[i]);
    }
    sizePanels();
}

void MDIMain::sizePanels() {
    // Each panel is at least a quarter of the status bar wide and grows with
    // its text.
    const int quarter = statusBar()->width() / 4;
    for (QLabel* panel : panels_)
        panel->setMinimumWidth(quarter);
}

void MDIMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    sizePanels();
}

// --- start-up and shut-down ---------------------------------------------------

void MDIMain::load() {
    setWindowTitle(QStringLiteral("Orvik 3") + QStringLiteral(" Version ") +
                   QStringLiteral("3.03"));
    sizePanels();
    SetPanel(1, QStringLiteral("No Connection"));
    SetPanel(2, QString());
    SetPanel(3, QStringLiteral("No Log File"));
    MenusStartup();
    Global::EndSession();
    Registry::get<LinkConfig>(); // loaded hidden: its controls hold the link settings
    Global::LoadLinkSettings();
    Global::LoadIpHistory();
    Registry::get<Main>().showForm();
    Registry::get<Bar>(); // loaded hidden: its load handler builds the graph
}

void MDIMain::unload() {
    if (unloaded_)
        return;
    unloaded_ = true;
    Global::SaveLinkSettings();
    Global::SaveIpHistory();
    if (Global::LogFileOpen)
        Global::CloseLogFile();
    Registry::unload<LinkConfig>();
    Registry::unload<QelConfig>();
    Registry::unload<Commands>();
    Registry::unload<About>();
    Registry::unload<Error>();
    // The sensor profile windows join this list when they are built.
    // The working windows go with the frame; their unload handlers run too.
    Registry::unload<Bar>();
    Registry::unload<Main>();
    Registry::forget(this);
    hide();
    deleteLater();
}

void MDIMain::closeEvent(QCloseEvent* event) {
    // Closing the frame by any means runs the shut-down order.
    event->accept();
    unload();
}

void MDIMain::subWindowActivated(QMdiSubWindow* sub) {
    // A working window becomes active when another working window was active
    // before it; coming back to the frame from a dialog or another program
    // re-activates the same sub-window and is not an activation.
    if (!sub || sub == lastActiveSub_)
        return;
    lastActiveSub_ = sub;
    if (auto* form = qobject_cast<Form*>(sub->widget()))
        form->activated();
}

// --- status bar and toolbar ---------------------------------------------------

void MDIMain::SetPanel(int panel, const QString& text) {
    if (panel >= 1 && panel <= 3)
        panels_[panel - 1]->setText(text);
}

QString MDIMain::PanelText(int panel) const {
    return panel >= 1 && panel <= 3 ? panels_[panel - 1]->text() : QString();
}

QAction* MDIMain::Button(int index) const {
    return index >= 1 && index <= 14 ? buttons_[index] : nullptr;
}

QAction* MDIMain::DecimalPlacesItem(int places) const {
    QAction* const items[6] = {mnuBarGraph0Places, mnuBarGraph1Places, mnuBarGraph2Places,
                               mnuBarGraph3Places, mnuBarGraph4Places, mnuBarGraph5Places};
    return places >= 0 && places <= 5 ? items[places] : nullptr;
}

void MDIMain::ToolbarClick(const QString& key) {
    if (key == QLatin1String("OpenLogFile"))
        OpenLogFileClick();
    else if (key == QLatin1String("CloseLogFile"))
        CloseLogFileClick();
    else if (key == QLatin1String("ConfigureQel"))
        ConfigureClick();
    else if (key == QLatin1String("ConfigureOrvik"))
        OrvikSettingsClick();
    else if (key == QLatin1String("StartScan"))
        StartScanClick();
    else if (key == QLatin1String("StopScan"))
        StopClick();
    else if (key == QLatin1String("CalZ"))
        Global::CalZero();
    else if (key == QLatin1String("Commands"))
        CommandsClick();
    else if (key == QLatin1String("Errors"))
        ErrorsClick();
    else if (key == QLatin1String("Help"))
        AboutClick();
    // Any other key (a separator has none) does nothing.
}

// --- the enabling table -------------------------------------------------------

void MDIMain::MenusStartup() {
    SetEnabled(mnuOpenLogFile, true);
    SetEnabled(mnuCloseLogFile, false);
    SetEnabled(Button(1), true);
    SetEnabled(Button(2), false);
}

void MDIMain::MenusDisconnected() {
    SetEnabled(mnuOrvikSettings, true);
    SetEnabled(mnuUploadFileToQel, false);
    SetEnabled(mnuBarGraph, false);
    SetEnabled(mnuQel, false);
    SetEnabled(mnuSensor, false);
    SetEnabled(Button(5), true);
    for (int index : {4, 7, 8, 10, 12, 13})
        SetEnabled(Button(index), false);
}

void MDIMain::MenusConnected() {
    SetEnabled(mnuUploadFileToQel, true);
    SetEnabled(mnuBarGraph, true);
    SetEnabled(mnuQel, true);
    SetEnabled(mnuSensor, true);
    SetEnabled(mnuOrvikSettings, false);
    for (int index : {4, 7, 8, 10, 12, 13})
        SetEnabled(Button(index), true);
    SetEnabled(Button(5), false);
}

void MDIMain::MenusScanning() {
    SetEnabled(mnuQel, true);
    for (QMenu* menu : {mnuFile, mnuBarGraph, mnuSensor, mnuHelp})
        SetEnabled(menu, false);
    for (QAction* item :
         {mnuStartScan, mnuCalZero, mnuConfigure, mnuCommands, mnuSaveSettings, mnuErrors})
        SetEnabled(item, false);
    for (int index : {7, 8})
        SetEnabled(Button(index), true);
    for (int index : {1, 2, 4, 5, 10, 12, 13, 14})
        SetEnabled(Button(index), false);
}

void MDIMain::MenusIdle() {
    for (QMenu* menu : {mnuFile, mnuBarGraph, mnuQel, mnuSensor, mnuHelp})
        SetEnabled(menu, true);
    for (QAction* item : {mnuUploadFileToQel, mnuStartScan, mnuCalZero, mnuConfigure, mnuCommands,
                          mnuSaveSettings, mnuErrors})
        SetEnabled(item, true);
    for (int index : {1, 2, 4, 5, 7, 8, 10, 12, 13, 14})
        SetEnabled(Button(index), true);
}

void MDIMain::MenusLogOpened() {
    SetEnabled(mnuCloseLogFile, true);
    SetEnabled(mnuOpenLogFile, false);
    SetEnabled(Button(2), true);
    SetEnabled(Button(1), false);
}

void MDIMain::MenusLogClosed() {
    SetEnabled(mnuOpenLogFile, true);
    SetEnabled(mnuCloseLogFile, false);
    SetEnabled(Button(1), true);
    SetEnabled(Button(2), false);
}

// --- menu handlers ------------------------------------------------------------

void MDIMain::OpenLogFileClick() {
    Global::OpenLogFile();
}

void MDIMain::CloseLogFileClick() {
    Global::CloseLogFile();
}

void MDIMain::UploadFileToQelClick() {
    // The file upload window comes with its own piece of work; until then the
    // item only follows the enabling table.
}

void MDIMain::OrvikSettingsClick() {
    Registry::get<LinkConfig>().showForm();
}

void MDIMain::ExitClick() {
    unload();
}

void MDIMain::ConnectClick() {
    Registry::get<Main>().showForm();
}

void MDIMain::BarGraphOpenClick() {
    Registry::get<Bar>().showForm();
    Registry::get<Main>().hideForm();
}

void MDIMain::DisplayClick(bool pressures) {
    mnuBarGraphPress->setChecked(pressures);
    mnuBarGraphTemp->setChecked(!pressures);
    Registry::get<Bar>().SetXScale();
}

void MDIMain::DecimalPlacesClick(int places) {
    for (int i = 0; i <= 5; ++i)
        DecimalPlacesItem(i)->setChecked(i == places);
    Global::BarFormat = QString::fromLatin1(BarFormats[places]);
    Registry::get<Bar>().SetXScale();
}

void MDIMain::TagClick(qint16 first, qint16 last) {
    Registry::get<Bar>().TagHighAndLow(first, last);
}

void MDIMain::StartScanClick() {
    Global::StartScan();
}

void MDIMain::StopClick() {
    Global::StopScan();
}

void MDIMain::CalZeroClick() {
    Global::CalZero();
}

void MDIMain::ConfigureClick() {
    Registry::get<QelConfig>().showForm();
}

void MDIMain::CommandsClick() {
    Registry::get<Commands>().showForm();
}

void MDIMain::SaveSettingsClick() {
    Global::SaveSettings();
}

void MDIMain::ErrorsClick() {
    Registry::get<Error>().showForm();
}

void MDIMain::UploadSensorProfileFileClick() {
    // The sensor profile upload window comes with its own piece of work.
}

void MDIMain::CreateSensorProfileFileClick() {
    // The sensor profile creation window comes with its own piece of work.
}

void MDIMain::AboutClick() {
    Registry::get<About>().showForm();
}
