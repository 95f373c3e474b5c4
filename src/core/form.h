#pragma once
// Form: the base of the program's windows other than the frame window.
//
// A form is created hidden by the registry, which then calls load() (the
// window's load handler). showForm() shows it modeless: inside the frame's MDI
// area for the two working windows (Main and Bar), as a top-level window owned
// by the frame for every other one. unload() runs the window's unload handler,
// drops it from the registry and destroys it; closing the window through its
// frame unloads it. onActivate() runs each time the window becomes the
// program's active window coming from another window of the program (see
// core/activation.h).

#include <QWidget>

class QMdiSubWindow;

class Form : public QWidget {
    Q_OBJECT
public:
    explicit Form(QWidget* parent = nullptr);
    ~Form() override;

    // Called once by the registry right after construction.
    void load();
    // Load (if needed) and show, modeless, and make it the active window.
    virtual void showForm();
    void hideForm();
    // Loaded and shown: for a working window, its sub-window is shown, even
    // when it is minimized inside the frame (the form itself is hidden then).
    bool isShown() const;
    // Runs onUnload(), forgets the window and destroys it.
    void unload();
    bool isUnloading() const { return unloading_; }

    // The activation notion of the program; called by the activation tracker.
    void activated() { onActivate(); }

    // The MDI sub-window that holds this form, if it is a working window.
    QMdiSubWindow* subWindow() const;

protected:
    // True for the two working windows shown inside the frame's MDI area.
    virtual bool isMdiChild() const { return false; }
    virtual void onLoad() {}
    virtual void onActivate() {}
    virtual void onUnload() {}
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void attachToFrame();
    bool unloading_ = false;
};
