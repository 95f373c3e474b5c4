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
    // Runs the toolbar's click handler for the given key.
    void ToolbarClick(const QString& key);

    // The enabling table, one function per row.
    void MenusStartup();
    void MenusDisconnected();
    void MenusConnected();
    void MenusScanning();
    void MenusIdle();
    void MenusLogOpened();
    void MenusLogClosed();

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

    // Menu handlers; the toolbar runs the same ones.
    void OpenLogFileClick();
    void CloseLogFileClick();
    void UploadFileToQelClick();
    void OrvikSettingsClick();
    void ExitClick();
    void ConnectClick();
    void BarGraphOpenClick();
    void DisplayClick(bool pressures);
    void DecimalPlacesClick(int places);
    void TagClick(qint16 first, qint16 last);
    void StartScanClick();
    void StopClick();
    void CalZeroClick();
    void ConfigureClick();
    void CommandsClick();
    void SaveSettingsClick();
    void ErrorsClick();
    void UploadSensorProfileFileClick();
    void CreateSensorProfileFileClick();
    void AboutClick();

    bool unloaded_ = false;
    QVector<QAction*> buttons_; // index 0 unused
    QLabel* panels_[3] = {nullptr, nullptr, nullptr};
    QPointer<QMdiSubWindow> lastActiveSub_;
};
