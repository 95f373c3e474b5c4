#include "core/registry.h"

#include <QHash>

namespace Registry {

namespace {
struct Entry {
    const QMetaObject* type;
    QPointer<QWidget> window;
};
quint64 epoch = 0;
QList<Entry*>& entries() {
    static QList<Entry*> list;
    return list;
}
} // namespace

QPointer<QWidget>& slotFor(const QMetaObject* type) {
    for (Entry* e : entries())
        if (e->type == type)
            return e->window;
    entries().append(new Entry{type, {}});
    return entries().last()->window;
}

quint64 stateEpoch() {
    return epoch;
}

void noteStateChange() {
    ++epoch;
}

void forget(QWidget* window) {
    noteStateChange();
    for (Entry* e : entries())
        if (e->window == window)
            e->window = nullptr;
}

QList<QWidget*> windows() {
    QList<QWidget*> list;
    for (Entry* e : entries())
        if (e->window)
            list.append(e->window);
    return list;
}

void unloadAll() {
    // Guarded pointers: deleting one window may take others with it (the
    // frame owns the top-level forms), so each is checked before its delete.
    noteStateChange();
    QList<QPointer<QWidget>> list;
    for (QWidget* w : windows())
        list.append(w);
    for (Entry* e : entries())
        e->window = nullptr;
    for (int i = list.size() - 1; i >= 0; --i) {
        QWidget* w = list[i];
        if (!w)
            continue;
        // A window inside an MDI sub-window goes with its frame.
        QWidget* outer = w->parentWidget() && w->parentWidget()->inherits("QMdiSubWindow")
                             ? w->parentWidget()
                             : w;
        delete outer;
    }
}

} // namespace Registry
