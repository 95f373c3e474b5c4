#include "mainwin/mdimain.h"

#include "bargraph/bar.h"
#include "config/qelconfig.h"
#include "console/commands.h"
#include "console/errorwin.h"
#include "console/pointlists.h"
#include "core/form.h"
#include "core/program.h"
#include "core/registry.h"
#include "mainwin/about.h"
#include "mainwin/logfile.h"
#include "mainwin/scan.h"
#include "mainwin/upload.h"
#include "replies/settings.h"
#include "replies/timeout.h"
#include "session/connection.h"
#include "session/effects.h"
#include "session/linkconfig.h"
#include "session/linksettings.h"
#include "session/mainform.h"
#include "session/session.h"
#include "session/state.h"
#include "spf/createspf.h"
#include "spf/uploadspf.h"

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

// The toolbar by position 1 to 14: key, tool tip, image (the desktop's icon
// name and the bundled drawing) and the handler a click runs. A position
// without a key is a separator. No desktop icon name means "zero
// calibration", so that button looks for a name of the program's own first
// and normally shows the bundled dial.
struct ToolbarButton {
    const char* key;
    const char* toolTip;
    const char* themeName;
    const char* bundled;
    void (MDIMain::*handler)();
};
const ToolbarButton ToolbarButtons[14] = {
    {"OpenLogFile", "Open New or Existing Log File", "document-open", "openlog",
     &MDIMain::mnuOpenLogFile_Click},
    {"CloseLogFile", "Close Log File", "document-close", "closelog",
     &MDIMain::mnuCloseLogFile_Click},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
    {"ConfigureQel", "Configure Qel", "preferences-system", "configureunit",
     &MDIMain::mnuConfigure_Click},
    {"ConfigureOrvik", "Configure Orvik", "preferences-other", "configureprogram",
     &MDIMain::mnuOrvikSettings_Click},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
    {"StartScan", "Start Scan", "media-playback-start", "startscan", &MDIMain::mnuStartScan_Click},
    {"StopScan", "Stop", "media-playback-stop", "stopscan", &MDIMain::mnuStop_Click},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
    {"CalZ", "Start Zero Calibration", "orvik3-calibrate-zero", "calzero",
     &MDIMain::mnuCalZero_Click},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
    {"Commands", "Send Commands to Qel", "utilities-terminal", "commands",
     &MDIMain::mnuCommands_Click},
    {"Errors", "View or Clear Qel Errors", "dialog-error", "errors", &MDIMain::mnuErrors_Click},
    {"Help", "Help", "help-about", "help", &MDIMain::mnuAbout_Click},
};

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

MDIMain::~MDIMain() {
    Registry::noteStateChange(); // the display options go with the frame
}

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
    auto topMenu = [bar](const char* name, const char* caption) {
        QMenu* menu = bar->addMenu(QString::fromLatin1(caption));
        menu->setObjectName(QString::fromLatin1(name));
        menu->menuAction()->setObjectName(QString::fromLatin1(name));
        return menu;
    };
    // Each item with its name, caption and click handler.
    auto item = [this](QMenu* menu, const char* name, const char* caption,
                       void (MDIMain::*handler)()) {
        QAction* action = addItem(menu, name, caption);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };

    mnuFile = topMenu("mnuFile", "File");
    mnuOpenLogFile =
        item(mnuFile, "mnuOpenLogFile", "Open Log File", &MDIMain::mnuOpenLogFile_Click);
    mnuCloseLogFile =
        item(mnuFile, "mnuCloseLogFile", "Close Log File", &MDIMain::mnuCloseLogFile_Click);
    addSeparator(mnuFile, "mnuBar0");
    mnuUploadFileToQel = item(mnuFile, "mnuUploadFileToQel", "Upload File To QEL",
                              &MDIMain::mnuUploadFileToQel_Click);
    addSeparator(mnuFile, "mnuBar1");
    mnuOrvikSettings =
        item(mnuFile, "mnuOrvikSettings", "Orvik Settings", &MDIMain::mnuOrvikSettings_Click);
    addSeparator(mnuFile, "mnuBar2");
    mnuExit = item(mnuFile, "mnuExit", "Exit", &MDIMain::mnuExit_Click);

    // A top-level item without sub-items.
    mnuConnect = bar->addAction(QStringLiteral("Connect"));
    mnuConnect->setObjectName(QStringLiteral("mnuConnect"));
    connect(mnuConnect, &QAction::triggered, this, &MDIMain::mnuConnect_Click);

    mnuBarGraph = topMenu("mnuBarGraph", "BarGraph");
    mnuBarGraphOpen = item(mnuBarGraph, "mnuBarGraphOpen", "Open", &MDIMain::mnuBarGraphOpen_Click);
    addSeparator(mnuBarGraph, "mnuLine10");
    mnuBarGraphPress = item(mnuBarGraph, "mnuBarGraphPress", "Display Pressures",
                            &MDIMain::mnuBarGraphPress_Click);
    mnuBarGraphTemp = item(mnuBarGraph, "mnuBarGraphTemp", "Display Temperatures",
                           &MDIMain::mnuBarGraphTemp_Click);
    addSeparator(mnuBarGraph, "mnuLine11");
    mnuBarGraph0Places = addItem(mnuBarGraph, "mnuBarGraph0Places", "Display 0 Decimal Places");
    mnuBarGraph1Places = addItem(mnuBarGraph, "mnuBarGraph1Places", "Display 1 Decimal Place");
    mnuBarGraph2Places = addItem(mnuBarGraph, "mnuBarGraph2Places", "Display 2 Decimal Places");
    mnuBarGraph3Places = addItem(mnuBarGraph, "mnuBarGraph3Places", "Display 3 Decimal Places");
    mnuBarGraph4Places = addItem(mnuBarGraph, "mnuBarGraph4Places", "Display 4 Decimal Places");
    mnuBarGraph5Places = addItem(mnuBarGraph, "mnuBarGraph5Places", "Display 5 Decimal Places");
    for (int places = 0; places <= 5; ++places)
        connect(DecimalPlacesItem(places), &QAction::triggered, this,
                [this, places] { mnuBarGraphPlaces_Click(places); });
    addSeparator(mnuBarGraph, "mnuLin14");
    mnuTag1to16 = item(mnuBarGraph, "mnuTag1to16", "Tag High and Low Over Channels 1 to 16",
                       &MDIMain::mnuTag1to16_Click);
    mnuTag1to8 = item(mnuBarGraph, "mnuTag1to8", "Tag High and Low Over Channels 1 to 8",
                      &MDIMain::mnuTag1to8_Click);
    mnuTag9to16 = item(mnuBarGraph, "mnuTag9to16", "Tag High and Low Over Channles 9 to 16",
                       &MDIMain::mnuTag9to16_Click);

    mnuQel = topMenu("mnuQel", "Qel");
    mnuStartScan = item(mnuQel, "mnuStartScan", "StartScan", &MDIMain::mnuStartScan_Click);
    mnuStop = item(mnuQel, "mnuStop", "Stop", &MDIMain::mnuStop_Click);
    mnuCalZero = item(mnuQel, "mnuCalZero", "Cal Zero", &MDIMain::mnuCalZero_Click);
    addSeparator(mnuQel, "mnuBar4");
    mnuConfigure = item(mnuQel, "mnuConfigure", "Configure", &MDIMain::mnuConfigure_Click);
    mnuCommands = item(mnuQel, "mnuCommands", "Commands", &MDIMain::mnuCommands_Click);
    mnuSaveSettings =
        item(mnuQel, "mnuSaveSettings", "Save Settings", &MDIMain::mnuSaveSettings_Click);
    addSeparator(mnuQel, "mnuBar6");
    mnuErrors = item(mnuQel, "mnuErrors", "Errors", &MDIMain::mnuErrors_Click);

    mnuSensor = topMenu("mnuSensor", "Sensor");
    mnuUploadSensorProfileFile =
        item(mnuSensor, "mnuUploadSensorProfileFile", "UploadSensorProfileFile",
             &MDIMain::mnuUploadSensorProfileFile_Click);
    mnuCreateSensorProfileFile =
        item(mnuSensor, "mnuCreateSensorProfileFile", "Create Sensor Profile File",
             &MDIMain::mnuCreateSensorProfileFile_Click);

    mnuHelp = topMenu("mnuHelp", "Help");
    mnuAbout = item(mnuHelp, "mnuAbout", "About", &MDIMain::mnuAbout_Click);

    // The display options carry check marks; each handler sets them itself.
    for (int i = 0; i < Global::DisplayItemCount; ++i) {
        DisplayItemAction(i)->setCheckable(true);
        connect(DisplayItemAction(i), &QAction::toggled, this, [] { Registry::noteStateChange(); });
    }
}

void MDIMain::buildToolbar() {
    Toolbar1 = addToolBar(QStringLiteral("Toolbar1"));
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setMovable(false);

    buttons_.fill(nullptr, 15);
    for (int index = 1; index <= 14; ++index) {
        const ToolbarButton& info = ToolbarButtons[index - 1];
        QAction* button;
        if (!info.key) {
            button = Toolbar1->addSeparator();
        } else {
            const QString key = QString::fromLatin1(info.key);
            button = Toolbar1->addAction(ThemedIcon(info.themeName, info.bundled),
                                         QString::fromLatin1(info.toolTip));
            button->setToolTip(QString::fromLatin1(info.toolTip));
            button->setData(key);
            connect(button, &QAction::triggered, this, [this, key] { Toolbar1_ButtonClick(key); });
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
    setWindowTitle(ProgramName() + QStringLiteral(" Version ") + ProgramVersion());
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
    Registry::unload<CreateSPF>();
    Registry::unload<UploadSPF>();
    // The other windows, then the working windows, go with the frame; their
    // unload handlers run too.
    Registry::unload<MasterList>();
    Registry::unload<AllList>();
    Registry::unload<Timeout>();
    Registry::unload<Upload>();
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

QAction* MDIMain::DisplayItemAction(int item) const {
    if (item == int(Global::DisplayItem::Pressures))
        return mnuBarGraphPress;
    if (item == int(Global::DisplayItem::Temperatures))
        return mnuBarGraphTemp;
    return DecimalPlacesItem(item - int(Global::DisplayItem::Places0));
}

void MDIMain::Toolbar1_ButtonClick(const QString& key) {
    // The handler runs even when its menu item is disabled: the toolbar's
    // Start Scan stays usable during a scan.
    for (const ToolbarButton& button : ToolbarButtons) {
        if (button.key && key == QLatin1String(button.key)) {
            (this->*button.handler)();
            return;
        }
    }
}

// --- the enabling table -------------------------------------------------------

void MDIMain::MenusStartup() {
    idleShown_ = false;
    SetEnabled(mnuOpenLogFile, true);
    SetEnabled(mnuCloseLogFile, false);
    SetEnabled(Button(1), true);
    SetEnabled(Button(2), false);
}

void MDIMain::MenusDisconnected() {
    idleShown_ = false;
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
    idleShown_ = false;
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
    idleShown_ = false;
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
    if (idleShown_)
        return;
    idleShown_ = true;
    for (QMenu* menu : {mnuFile, mnuBarGraph, mnuQel, mnuSensor, mnuHelp})
        SetEnabled(menu, true);
    for (QAction* item : {mnuUploadFileToQel, mnuStartScan, mnuCalZero, mnuConfigure, mnuCommands,
                          mnuSaveSettings, mnuErrors})
        SetEnabled(item, true);
    for (int index : {1, 2, 4, 5, 7, 8, 10, 12, 13, 14})
        SetEnabled(Button(index), true);
}

void MDIMain::MenusLogOpened() {
    idleShown_ = false;
    SetEnabled(mnuCloseLogFile, true);
    SetEnabled(mnuOpenLogFile, false);
    SetEnabled(Button(2), true);
    SetEnabled(Button(1), false);
}

void MDIMain::MenusLogClosed() {
    idleShown_ = false;
    SetEnabled(mnuOpenLogFile, true);
    SetEnabled(mnuCloseLogFile, false);
    SetEnabled(Button(1), true);
    SetEnabled(Button(2), false);
}

// --- menu handlers ------------------------------------------------------------

void MDIMain::mnuOpenLogFile_Click() {
    Global::OpenLogFile();
}

void MDIMain::mnuCloseLogFile_Click() {
    Global::CloseLogFile();
}

void MDIMain::mnuUploadFileToQel_Click() {
    Global::UploadFileToQel();
}

void MDIMain::mnuOrvikSettings_Click() {
    Registry::get<LinkConfig>().showForm();
}

void MDIMain::mnuExit_Click() {
    unload();
}

void MDIMain::mnuConnect_Click() {
    Registry::get<Main>().showForm();
}

void MDIMain::mnuBarGraphOpen_Click() {
    Registry::get<Bar>().showForm();
    Registry::get<Main>().hideForm();
}

void MDIMain::mnuBarGraphPress_Click() {
    mnuBarGraphPress->setChecked(true);
    mnuBarGraphTemp->setChecked(false);
    Registry::get<Bar>().SetXScale();
}

void MDIMain::mnuBarGraphTemp_Click() {
    mnuBarGraphTemp->setChecked(true);
    mnuBarGraphPress->setChecked(false);
    Registry::get<Bar>().SetXScale();
}

void MDIMain::mnuBarGraphPlaces_Click(int places) {
    for (int i = 0; i <= 5; ++i)
        DecimalPlacesItem(i)->setChecked(i == places);
    Global::BarFormat = Global::DecimalPlacesFormat(places);
    Registry::get<Bar>().SetXScale();
}

void MDIMain::mnuTag1to16_Click() {
    Registry::get<Bar>().TagHighAndLow(0, 15);
}

void MDIMain::mnuTag1to8_Click() {
    Registry::get<Bar>().TagHighAndLow(0, 7);
}

void MDIMain::mnuTag9to16_Click() {
    Registry::get<Bar>().TagHighAndLow(8, 15);
}

void MDIMain::mnuStartScan_Click() {
    Global::StartScan();
}

void MDIMain::mnuStop_Click() {
    Global::StopScan();
}

void MDIMain::mnuCalZero_Click() {
    Global::CalZero();
}

void MDIMain::mnuConfigure_Click() {
    Registry::get<QelConfig>().showForm();
}

void MDIMain::mnuCommands_Click() {
    Registry::get<Commands>().showForm();
}

void MDIMain::mnuSaveSettings_Click() {
    Global::SaveSettings();
}

void MDIMain::mnuErrors_Click() {
    Registry::get<Error>().showForm();
}

void MDIMain::mnuUploadSensorProfileFile_Click() {
    Registry::get<UploadSPF>().showForm();
}

void MDIMain::mnuCreateSensorProfileFile_Click() {
    Registry::get<CreateSPF>().showForm();
}

void MDIMain::mnuAbout_Click() {
    Registry::get<About>().showForm();
}

// --- what the rest of the program asks of the frame window -----------------------

namespace Global {

void SetPanelText(int panel, const QString& text) {
    if (MDIMain* frame = Registry::peek<MDIMain>())
        frame->SetPanel(panel, text);
}

QString PanelText(int panel) {
    MDIMain* frame = Registry::peek<MDIMain>();
    return frame ? frame->PanelText(panel) : QString();
}

void SetMenus(MenuState state) {
    MDIMain* frame = Registry::peek<MDIMain>();
    if (!frame)
        return;
    switch (state) {
    case MenuState::Startup:
        frame->MenusStartup();
        break;
    case MenuState::Disconnected:
        frame->MenusDisconnected();
        break;
    case MenuState::Connected:
        frame->MenusConnected();
        break;
    case MenuState::Scanning:
        frame->MenusScanning();
        break;
    case MenuState::Idle:
        frame->MenusIdle();
        break;
    case MenuState::LogOpened:
        frame->MenusLogOpened();
        break;
    case MenuState::LogClosed:
        frame->MenusLogClosed();
        break;
    }
}

bool HaveDisplayItems() {
    return Registry::peek<MDIMain>() != nullptr;
}

bool DisplayItemChecked(DisplayItem item) {
    MDIMain* frame = Registry::peek<MDIMain>();
    return frame && frame->DisplayItemAction(int(item))->isChecked();
}

void CheckDisplayItem(DisplayItem item, bool checked) {
    if (MDIMain* frame = Registry::peek<MDIMain>())
        frame->DisplayItemAction(int(item))->setChecked(checked);
}

} // namespace Global
