#pragma once
// The window registry: every window of the program exists at most once.
// get<T>() creates the window hidden on first use (running its load handler),
// unload() destroys it, and the next get<T>() creates it afresh. Code asks the
// registry each time it needs a window and keeps no pointer across events.

#include <QMetaObject>
#include <QPointer>
#include <QWidget>

namespace Registry {

// The registry's slot of a window type. Slots are never removed, so a
// reference to one stays good for the whole run.
QPointer<QWidget>& slotFor(const QMetaObject* type);
template <class T> QPointer<QWidget>& slot() {
    static QPointer<QWidget>& s = slotFor(&T::staticMetaObject);
    return s;
}
// Drops the window from the registry at once (it is destroyed later).
void forget(QWidget* window);
// Destroys every registered window immediately, newest first (tests).
void unloadAll();
// Every registered window, oldest first.
QList<QWidget*> windows();

// A count that moves on whenever a window of the program is shown, hidden,
// dropped from the registry or destroyed, and whenever the frame's display
// options change. Code that works out once which windows are shown (the
// reply dispatcher, for every line) keeps its answer while the count stays.
quint64 stateEpoch();
void noteStateChange();

template <class T> T* peek() {
    return static_cast<T*>(slot<T>().data());
}

template <class T> T& get() {
    QPointer<QWidget>& s = slot<T>();
    if (!s) {
        T* window = new T();
        s = window;
        window->load();
    }
    return *static_cast<T*>(s.data());
}

// Whether the window is loaded and shown. A working window minimized inside
// the frame still counts as shown (Form::isShown).
template <class T> bool isShown() {
    T* window = peek<T>();
    return window && window->isShown();
}

template <class T> void unload() {
    if (T* window = peek<T>())
        window->unload();
}

} // namespace Registry
