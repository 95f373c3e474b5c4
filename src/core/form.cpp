#include "core/form.h"

#include "core/accessnames.h"
#include "core/activation.h"
#include "core/registry.h"

#include <QCloseEvent>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>

Form::Form(QWidget* parent) : QWidget(parent) {
    Activation::install();
}

Form::~Form() {
    Registry::noteStateChange();
}

void Form::load() {
    attachToFrame();
    onLoad();
    NameControls(this);
}

void Form::attachToFrame() {
    // The frame window is the program's one QMainWindow holding an MDI area.
    QMainWindow* frame = nullptr;
    for (QWidget* w : Registry::windows())
        if (auto* mw = qobject_cast<QMainWindow*>(w))
            frame = mw;
    if (!frame)
        return;
    if (isMdiChild()) {
        if (auto* area = qobject_cast<QMdiArea*>(frame->centralWidget())) {
            // The sub-window takes the form's own size (or its size hint
            // when it set none); it would otherwise shrink to its title bar
            // around a form that is not shown yet.
            const QSize inner =
                testAttribute(Qt::WA_Resized) || !sizeHint().isValid() ? size() : sizeHint();
            QMdiSubWindow* sub = area->addSubWindow(this);
            // Whether the form counts as shown follows its sub-window.
            sub->installEventFilter(this);
            sub->setWindowTitle(windowTitle());
            sub->resize(inner.grownBy(sub->contentsMargins()));
            sub->hide();
        }
    } else {
        Qt::WindowFlags flags = windowFlags() | Qt::Window;
        setParent(frame, flags);
    }
}

bool Form::isShown() const {
    if (const QMdiSubWindow* sub = subWindow())
        return sub->isVisible();
    return isVisible();
}

QMdiSubWindow* Form::subWindow() const {
    return qobject_cast<QMdiSubWindow*>(parentWidget());
}

void Form::showForm() {
    if (QMdiSubWindow* sub = subWindow()) {
        sub->show();
        show();
        sub->raise();
        if (sub->mdiArea())
            sub->mdiArea()->setActiveSubWindow(sub);
        return;
    }
    show();
    raise();
    activateWindow();
}

void Form::hideForm() {
    if (QMdiSubWindow* sub = subWindow())
        sub->hide();
    hide();
}

void Form::unload() {
    if (unloading_)
        return;
    unloading_ = true;
    onUnload();
    Registry::forget(this);
    hide();
    if (QMdiSubWindow* sub = subWindow()) {
        sub->hide();
        sub->deleteLater();
    } else {
        deleteLater();
    }
}

bool Form::event(QEvent* event) {
    if (event->type() == QEvent::Show || event->type() == QEvent::Hide)
        Registry::noteStateChange();
    return QWidget::event(event);
}

bool Form::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() &&
        (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        Registry::noteStateChange();
    return QWidget::eventFilter(watched, event);
}

void Form::closeEvent(QCloseEvent* event) {
    // Closing a window through its frame unloads it.
    event->accept();
    if (!unloading_)
        unload();
}
