#include "core/activation.h"

#include "core/form.h"

#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QPointer>

namespace Activation {

namespace {

QPointer<QWidget>& last() {
    static QPointer<QWidget> w;
    return w;
}

bool isProgramWindow(QWidget* w) {
    return qobject_cast<Form*>(w) || qobject_cast<QMainWindow*>(w);
}

class Tracker : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::WindowActivate && watched->isWidgetType()) {
            auto* w = static_cast<QWidget*>(watched);
            if (w->isWindow())
                windowActivated(w);
        }
        return false;
    }
};

} // namespace

void install() {
    static Tracker* tracker = nullptr;
    if (tracker || !qApp)
        return;
    tracker = new Tracker(qApp);
    qApp->installEventFilter(tracker);
}

void windowActivated(QWidget* window) {
    if (!window || !isProgramWindow(window))
        return; // message boxes, file dialogs and foreign windows do not count
    QWidget* previous = last();
    last() = window;
    if (previous == window)
        return; // back from a dialog of its own or from another application
    if (auto* form = qobject_cast<Form*>(window))
        form->activated();
}

QWidget* lastProgramWindow() {
    return last();
}

void reset() {
    last() = nullptr;
}

} // namespace Activation
