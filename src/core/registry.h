#pragma once
// The window registry: every window of the program exists at most once.
// get<T>() creates the window hidden on first use (running its load handler),
// unload() destroys it, and the next get<T>() creates it afresh. Code asks the
// registry each time it needs a window and keeps no pointer across events.

#include <QMetaObject>
#include <QPointer>
#include <QWidget>

namespace Registry {

QPointer<QWidget>& slotFor(const QMetaObject* type);
// Drops the window from the registry at once (it is destroyed later).
void forget(QWidget* window);
// Destroys every registered window immediately, newest first (tests).
void unloadAll();
// Every registered window, oldest first.
QList<QWidget*> windows();

template <class T> T* peek() {
    return static_cast<T*>(slotFor(&T::staticMetaObject).data());
}

template <class T> T& get() {
    QPointer<QWidget>& slot = slotFor(&T::staticMetaObject);
    if (!slot) {
        T* window = new T();
        slot = window;
        window->load();
    }
    return *static_cast<T*>(slot.data());
}

template <class T> bool isShown() {
    T* window = peek<T>();
    return window && window->isVisible();
}

template <class T> void unload() {
    if (T* window = peek<T>())
        window->unload();
}

} // namespace Registry
