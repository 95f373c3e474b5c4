#include "mainwin/mdimain.h"
#include "core/registry.h"
#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
// PLACEHOLDER: replaced by the foundation work.
MDIMain::MDIMain() {
    mdiArea = new QMdiArea(this);
    setCentralWidget(mdiArea);
    Toolbar1 = addToolBar(QStringLiteral("Toolbar1"));
    auto act = [this](const char* name) {
        auto* a = new QAction(QString::fromLatin1(name), this);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    mnuFile = menuBar()->addMenu(QStringLiteral("File"));
    mnuOpenLogFile = act("mnuOpenLogFile");
    mnuCloseLogFile = act("mnuCloseLogFile");
    mnuUploadFileToQel = act("mnuUploadFileToQel");
    mnuOrvikSettings = act("mnuOrvikSettings");
    mnuExit = act("mnuExit");
    mnuConnect = act("mnuConnect");
    mnuBarGraph = menuBar()->addMenu(QStringLiteral("BarGraph"));
    mnuBarGraphOpen = act("mnuBarGraphOpen");
    mnuBarGraphPress = act("mnuBarGraphPress");
    mnuBarGraphTemp = act("mnuBarGraphTemp");
    mnuBarGraph0Places = act("mnuBarGraph0Places");
    mnuBarGraph1Places = act("mnuBarGraph1Places");
    mnuBarGraph2Places = act("mnuBarGraph2Places");
    mnuBarGraph3Places = act("mnuBarGraph3Places");
    mnuBarGraph4Places = act("mnuBarGraph4Places");
    mnuBarGraph5Places = act("mnuBarGraph5Places");
    mnuTag1to16 = act("mnuTag1to16");
    mnuTag1to8 = act("mnuTag1to8");
    mnuTag9to16 = act("mnuTag9to16");
    mnuQel = menuBar()->addMenu(QStringLiteral("Qel"));
    mnuStartScan = act("mnuStartScan");
    mnuStop = act("mnuStop");
    mnuCalZero = act("mnuCalZero");
    mnuConfigure = act("mnuConfigure");
    mnuCommands = act("mnuCommands");
    mnuSaveSettings = act("mnuSaveSettings");
    mnuErrors = act("mnuErrors");
    mnuSensor = menuBar()->addMenu(QStringLiteral("Sensor"));
    mnuUploadSensorProfileFile = act("mnuUploadSensorProfileFile");
    mnuCreateSensorProfileFile = act("mnuCreateSensorProfileFile");
    mnuHelp = menuBar()->addMenu(QStringLiteral("Help"));
    mnuAbout = act("mnuAbout");
    buttons_.resize(15);
    for (int i = 1; i <= 14; ++i)
        buttons_[i] = Toolbar1->addAction(QString::number(i));
    for (int i = 0; i < 3; ++i) {
        panels_[i] = new QLabel(this);
        statusBar()->addWidget(panels_[i]);
    }
}
MDIMain::~MDIMain() = default;
void MDIMain::load() {}
void MDIMain::unload() {
    if (unloaded_)
        return;
    unloaded_ = true;
    Registry::forget(this);
    deleteLater();
}
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
void MDIMain::ToolbarClick(const QString&) {}
void MDIMain::MenusStartup() {}
void MDIMain::MenusDisconnected() {}
void MDIMain::MenusConnected() {}
void MDIMain::MenusScanning() {}
void MDIMain::MenusIdle() {}
void MDIMain::MenusLogOpened() {}
void MDIMain::MenusLogClosed() {}
void MDIMain::closeEvent(QCloseEvent* event) {
    event->accept();
    unload();
}
