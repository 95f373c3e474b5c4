#include "core/steps.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>

namespace {

constexpr int StepGapMs = 200;
constexpr int UntilLimitMs = 30000;

struct Steps {
    QStringList lines;
    int next = 0;
    QDir base;
    QDeadlineTimer until;
    bool activating = false;
};

Steps& steps() {
    static Steps s;
    return s;
}

void Fail(const QString& why) {
    Steps& s = steps();
    std::fprintf(stderr, "orvik3: steps line %d (%s): %s\n", s.next,
                 qPrintable(s.lines.value(s.next - 1).trimmed()), qPrintable(why));
    std::fflush(stderr);
    s.next = int(s.lines.size()); // nothing more runs
    QCoreApplication::exit(3);
}

bool Named(const QObject* o, const QString& name) {
    return o->objectName() == name || QLatin1String(o->metaObject()->className()) == name;
}

QObject* Find(const QString& name) {
    if (name == QLatin1String("modal"))
        return QApplication::activeModalWidget();
    const int dot = name.indexOf(QLatin1Char('.'));
    if (dot > 0) {
        const QString inner = name.mid(dot + 1);
        for (QWidget* w : QApplication::allWidgets())
            if (Named(w, name.left(dot)))
                for (QObject* o : w->findChildren<QObject*>())
                    if (Named(o, inner))
                        return o;
        return nullptr;
    }
    for (QWidget* top : QApplication::topLevelWidgets())
        if (QAction* item = top->findChild<QAction*>(name))
            return item;
    // The shown one first where several windows have a control of that name.
    QWidget* hidden = nullptr;
    for (QWidget* w : QApplication::allWidgets()) {
        if (!Named(w, name))
            continue;
        if (w->isVisible())
            return w;
        hidden = hidden ? hidden : w;
    }
    return hidden;
}

// The window an operator works in to use a control or menu item.
QWidget* WindowOf(QObject* o) {
    QWidget* w = qobject_cast<QWidget*>(o);
    if (auto* item = qobject_cast<QAction*>(o))
        w = qobject_cast<QWidget*>(item->parent());
    while (qobject_cast<QMenu*>(w))
        w = w->parentWidget();
    return w ? w->window() : nullptr;
}

QString TextOf(const QObject* o) {
    if (auto* b = qobject_cast<const QAbstractButton*>(o))
        return b->text();
    if (auto* l = qobject_cast<const QLabel*>(o))
        return l->text();
    if (auto* e = qobject_cast<const QLineEdit*>(o))
        return e->text();
    if (auto* t = qobject_cast<const QPlainTextEdit*>(o))
        return t->toPlainText();
    return QString();
}

bool Set(QObject* o, const QString& text) {
    if (auto* e = qobject_cast<QLineEdit*>(o)) {
        e->setText(text);
    } else if (auto* t = qobject_cast<QPlainTextEdit*>(o)) {
        t->setFocus();
        t->insertPlainText(text); // as typed: the console sends at the line break
    } else if (auto* tabs = qobject_cast<QTabWidget*>(o)) {
        int page = tabs->count() - 1;
        while (page >= 0 && tabs->tabText(page) != text)
            --page;
        if (page < 0)
            return false;
        tabs->setCurrentIndex(page);
    } else if (auto* list = qobject_cast<QListWidget*>(o)) {
        const QList<QListWidgetItem*> rows = list->findItems(text, Qt::MatchExactly);
        if (rows.isEmpty())
            return false;
        list->setCurrentItem(rows.first());
    } else {
        return false;
    }
    return true;
}

bool Grab(QObject* o, const QString& file) {
    auto* w = qobject_cast<QWidget*>(o);
    if (!w)
        return false;
    // A working window with the frame and caption its sub-window draws.
    if (auto* sub = qobject_cast<QMdiSubWindow*>(w->parentWidget()))
        w = sub;
    QImage image = w->grab().toImage();
    // Windows have few colours: a palette keeps the pictures small, and
    // loses nothing where they fit in one.
    QImage indexed = image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    if (indexed.convertToFormat(image.format()) == image)
        image = indexed;
    const QString path = steps().base.absoluteFilePath(file);
    QDir().mkpath(QFileInfo(path).absolutePath());
    return image.save(path, "PNG", 0);
}

bool Accept(QObject* o, const QString& file) {
    if (auto* files = qobject_cast<QFileDialog*>(o)) {
        // The dialog leaves the name box alone while it has the focus.
        if (QWidget* focus = files->focusWidget())
            focus->clearFocus();
        files->selectFile(steps().base.absoluteFilePath(file));
        static_cast<QDialog*>(files)->accept(); // checks the name as OK does
    } else if (auto* box = qobject_cast<QMessageBox*>(o)) {
        QAbstractButton* button = box->defaultButton();
        if (!button && !box->buttons().isEmpty())
            button = box->buttons().first();
        if (!button)
            return false;
        button->click();
    } else {
        return false;
    }
    return true;
}

void RunNext() {
    Steps& s = steps();
    while (s.next < s.lines.size()) {
        const QString line = s.lines[s.next++].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QString verb = line.section(QLatin1Char(' '), 0, 0);
        static const QStringList verbs = {QStringLiteral("click"), QStringLiteral("set"),
                                          QStringLiteral("until"), QStringLiteral("wait"),
                                          QStringLiteral("grab"),  QStringLiteral("accept"),
                                          QStringLiteral("quit")};
        if (!verbs.contains(verb))
            return Fail(QStringLiteral("no such step"));
        const QString name = line.section(QLatin1Char(' '), 1, 1);
        const QString rest =
            line.section(QLatin1Char(' '), 2).replace(QLatin1String("\\n"), QLatin1String("\n"));
        if (verb == QLatin1String("wait")) {
            QTimer::singleShot(name.toInt(), RunNext);
            return;
        }
        if (verb == QLatin1String("quit")) {
            if (QApplication::activeModalWidget())
                return Fail(QStringLiteral("a message box or file dialog is still open"));
            for (QWidget* top : QApplication::topLevelWidgets())
                if (auto* frame = qobject_cast<QMainWindow*>(top))
                    frame->close();
            return;
        }
        QObject* target =
            verb == QLatin1String("accept") ? Find(QStringLiteral("modal")) : Find(name);
        if (!target)
            return Fail(QStringLiteral("nothing of that name is open"));
        if (verb == QLatin1String("until")) {
            if (!s.until.isForever() && s.until.hasExpired())
                return Fail(QStringLiteral("it did not show \"%1\" in time").arg(rest));
            if (!TextOf(target).contains(rest)) {
                if (s.until.isForever())
                    s.until.setRemainingTime(UntilLimitMs);
                --s.next;
                QTimer::singleShot(100, RunNext);
                return;
            }
            s.until = QDeadlineTimer(QDeadlineTimer::Forever);
            continue;
        }
        // The operator works in a window after bringing it to the front.
        if (QWidget* window = WindowOf(target);
            window && window != QApplication::activeWindow() && !s.activating) {
            s.activating = true;
            window->activateWindow();
            --s.next;
            QTimer::singleShot(StepGapMs, RunNext);
            return;
        }
        s.activating = false;
        // The next step is due even when this one opens a message box or
        // file dialog and waits in it.
        QTimer::singleShot(StepGapMs, RunNext);
        bool done = false;
        if (verb == QLatin1String("click")) {
            auto* item = qobject_cast<QAction*>(target);
            auto* button = qobject_cast<QAbstractButton*>(target);
            // A disabled item or button does nothing for the operator either.
            done = item ? item->isEnabled() : button && button->isEnabled();
            if (done && item)
                item->trigger();
            else if (done)
                button->click();
        } else if (verb == QLatin1String("set")) {
            done = Set(target, rest);
        } else if (verb == QLatin1String("grab")) {
            done = Grab(target, rest);
        } else if (verb == QLatin1String("accept")) {
            done = Accept(target, name);
        }
        if (!done)
            Fail(
                QStringLiteral("cannot %1 that (disabled, or not that kind of control)").arg(verb));
        return;
    }
}

} // namespace

void RunSteps(const QString& file) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "orvik3: cannot read the steps in %s: %s\n", qPrintable(file),
                     qPrintable(in.errorString()));
        QTimer::singleShot(0, [] { QCoreApplication::exit(3); });
        return;
    }
    steps().lines = QString::fromUtf8(in.readAll()).split(QLatin1Char('\n'));
    steps().base = QFileInfo(file).absoluteDir();
    steps().until = QDeadlineTimer(QDeadlineTimer::Forever);
    QTimer::singleShot(StepGapMs, RunNext);
}
