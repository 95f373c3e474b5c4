#pragma once
// MDIMain: the program's frame window. It owns the menu bar, the toolbar
// Toolbar1 with its 14 positions, the status bar StatusBar1 with three text
// panels, and the MDI area that holds the working windows Main and Bar.

#include <QMainWindow>
#include <QPointer>
#include <QVector>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;

class MDIMain : public QMainWindow {
    Q_OBJECT
public:
    MDIMain();
    ~MDIMain() override;

    // Registry hooks: load runs the start-up order, unload the shut-down order.
    void load();
    void unload();

    // Status bar panels 1 to 3.
    void SetPanel(int panel, const QString& text);
    QString PanelText(int panel) const;

    // Toolbar position 1..14 (separators at 3, 6, 9, 11 are actions too).
    QAction* Button(int index) const;
    // The toolbar's click handler: runs the handler of the button whose key
    // this is (a key that matches none does nothing).
    void Toolbar1_ButtonClick(const QString& key);

    // The enabling table, one function per row.
    void MenusStartup();
    void MenusDisconnected();
    void MenusConnected();
    void MenusScanning();
    void MenusIdle();
    void MenusLogOpened();
    void MenusLogClosed();

    // Starts the command line as a process with this program's environment
    // and working directory and waits for its end without a time limit,
    // handling no event meanwhile; returns its exit code. "Could not open
    // Zomra.exe" when it cannot be started (the result is then -1).
    int ExecCmd(QString& cmdline);

    QMdiArea* mdiArea = nullptr;
    QToolBar* Toolbar1 = nullptr;

    // Menu tree (object names equal these names).
    QMenu* mnuFile = nullptr;
    QAction* mnuOpenLogFile = nullptr;
    QAction* mnuCloseLogFile = nullptr;
    QAction* mnuUploadFileToQel = nullptr;
    QAction* mnuOrvikSettings = nullptr;
    QAction* mnuExit = nullptr;
    QAction* mnuConnect = nullptr;
    QMenu* mnuBarGraph = nullptr;
    QAction* mnuBarGraphOpen = nullptr;
    QAction* mnuBarGraphPress = nullptr;
    QAction* mnuBarGraphTemp = nullptr;
    QAction* mnuBarGraph0Places = nullptr;
    QAction* mnuBarGraph1Places = nullptr;
    QAction* mnuBarGraph2Places = nullptr;
    QAction* mnuBarGraph3Places = nullptr;
    QAction* mnuBarGraph4Places = nullptr;
    QAction* mnuBarGraph5Places = nullptr;
    QAction* mnuTag1to16 = nullptr;
    QAction* mnuTag1to8 = nullptr;
    QAction* mnuTag9to16 = nullptr;
    QMenu* mnuQel = nullptr;
    QAction* mnuStartScan = nullptr;
    QAction* mnuStop = nullptr;
    QAction* mnuCalZero = nullptr;
    QAction* mnuConfigure = nullptr;
    QAction* mnuCommands = nullptr;
    QAction* mnuSaveSettings = nullptr;
    QAction* mnuErrors = nullptr;
    QMenu* mnuSensor = nullptr;
    QAction* mnuUploadSensorProfileFile = nullptr;
    QAction* mnuCreateSensorProfileFile = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuAbout = nullptr;

    // The six decimal-places items in order, 0 to 5 places.
    QAction* DecimalPlacesItem(int places) const;
    // The menu item of a display option (Global::DisplayItem).
    QAction* DisplayItemAction(int item) const;

    // Menu handlers; the toolbar runs the same ones.
    void mnuOpenLogFile_Click();
    void mnuCloseLogFile_Click();
    void mnuUploadFileToQel_Click();
    void mnuOrvikSettings_Click();
    void mnuExit_Click();
    void mnuConnect_Click();
    void mnuBarGraphOpen_Click();
    void mnuBarGraphPress_Click();
    void mnuBarGraphTemp_Click();
    void mnuBarGraphPlaces_Click(int places); // the six decimal-places items
    void mnuTag1to16_Click();
    void mnuTag1to8_Click();
    void mnuTag9to16_Click();
    void mnuStartScan_Click();
    void mnuStop_Click();
    void mnuCalZero_Click();
    void mnuConfigure_Click();
    void mnuCommands_Click();
    void mnuSaveSettings_Click();
    void mnuErrors_Click();
    void mnuUploadSensorProfileFile_Click();
    void mnuCreateSensorProfileFile_Click();
    void mnuAbout_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildMenus();
    void buildToolbar();
    void buildStatusBar();
    QAction* addItem(QMenu* menu, const char* name, const char* caption);
    void addSeparator(QMenu* menu, const char* name);
    void sizePanels();
    void subWindowActivated(QMdiSubWindow* sub);

    bool unloaded_ = false;
    // The idle state is what the menus and toolbar show: every frame of a
    // scan without an end asks for it again, and nothing changes then.
    bool idleShown_ = false;
    QVector<QAction*> buttons_; // index 0 unused
    QLabel* panels_[3] = {nullptr, nullptr, nullptr};
    QPointer<QMdiSubWindow> lastActiveSub_;
};
