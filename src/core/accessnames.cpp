#include "core/accessnames.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QBoxLayout>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTextEdit>
#include <climits>

namespace {

// Controls without a caption of their own.
bool TakesLabel(const QWidget* w) {
    return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QAbstractItemView*>(w) ||
           qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QTextEdit*>(w) ||
           qobject_cast<const QProgressBar*>(w);
}

// The edit box of a spin box, the scroll bars of a text box: parts of
// another control, named with it.
bool PartOfAnother(const QWidget* w, const QWidget* root) {
    for (const QWidget* p = w->parentWidget(); p && p != root; p = p->parentWidget())
        if (TakesLabel(p))
            return true;
    return false;
}

// A label's text as read: without the mnemonic marker ("&&" is one "&") and
// with its line breaks and runs of blanks as single blanks.
QString Spoken(const QString& text) {
    QString out;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&'))
                out += text[++i];
            continue;
        }
        out += text[i];
    }
    return out.simplified();
}

// A label that says something: not a picture, not a box filled in later.
QLabel* Saying(QLabel* label) {
    return label && !label->isHidden() && !Spoken(label->text()).isEmpty() ? label : nullptr;
}

QLabel* LabelOf(QLayoutItem* item) {
    return item ? Saying(qobject_cast<QLabel*>(item->widget())) : nullptr;
}

// The layout that holds w itself, searched from its parent's layout down.
QLayout* HoldingLayout(QLayout* layout, const QWidget* w) {
    if (!layout)
        return nullptr;
    if (layout->indexOf(w) >= 0)
        return layout;
    for (int i = 0; i < layout->count(); ++i)
        if (QLayout* inner = HoldingLayout(layout->itemAt(i)->layout(), w))
            return inner;
    return nullptr;
}

struct Labels {
    QLabel* label = nullptr;
    QLabel* heading = nullptr; // the column's heading in a grid
};

void FromLayout(QLayout* layout, const QWidget* w, Labels& found) {
    if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
        int row = 0, col = 0, rows = 0, cols = 0;
        grid->getItemPosition(grid->indexOf(w), &row, &col, &rows, &cols);
        for (int c = col - 1; c >= 0 && !found.label; --c)
            found.label = LabelOf(grid->itemAtPosition(row, c));
        for (int r = row - 1; r >= 0 && !found.label; --r)
            found.label = LabelOf(grid->itemAtPosition(r, col));
        if (row > 0)
            found.heading = LabelOf(grid->itemAtPosition(0, col));
    } else if (auto* box = qobject_cast<QBoxLayout*>(layout)) {
        // The control just before it (left of it in a row, above it in a
        // column); stretches, spacing and labels without text skipped.
        for (int i = box->indexOf(w) - 1; i >= 0 && !found.label; --i) {
            QLayoutItem* item = box->itemAt(i);
            if (qobject_cast<QLabel*>(item->widget()) && !LabelOf(item))
                continue;
            if (item->widget() || item->layout()) {
                found.label = LabelOf(item);
                break;
            }
        }
    }
}

// Placed by position: the nearest label on the control's line to its left,
// else the nearest label above it that overlaps its width.
QLabel* BesideByPosition(const QWidget* w) {
    const QRect r = w->geometry();
    QLabel* left = nullptr;
    QLabel* above = nullptr;
    int leftGap = INT_MAX;
    int aboveGap = INT_MAX;
    for (QObject* o : w->parentWidget()->children()) {
        QLabel* label = Saying(qobject_cast<QLabel*>(o));
        if (!label)
            continue;
        const QRect l = label->geometry();
        const bool sameLine = l.top() < r.top() + r.height() && l.top() + l.height() > r.top();
        const bool sameColumn = l.left() < r.left() + r.width() && l.left() + l.width() > r.left();
        const int toLeft = r.left() - (l.left() + l.width());
        const int toTop = r.top() - (l.top() + l.height());
        if (sameLine && toLeft >= 0 && toLeft < leftGap) {
            left = label;
            leftGap = toLeft;
        } else if (sameColumn && toTop >= 0 && toTop < aboveGap) {
            above = label;
            aboveGap = toTop;
        }
    }
    return left ? left : above;
}

QString NameFromLabels(QWidget* w, const QList<QLabel*>& labels) {
    Labels found;
    for (QLabel* label : labels)
        if (label->buddy() == w)
            found.label = label;
    QWidget* parent = w->parentWidget();
    if (QLayout* layout = HoldingLayout(parent->layout(), w))
        FromLayout(layout, w, found);
    else if (!found.label)
        found.label = BesideByPosition(w);

    QString name = found.label ? Spoken(found.label->text()) : QString();
    if (found.heading && found.heading != found.label) {
        const QString heading = Spoken(found.heading->text());
        name = name.isEmpty() ? heading : name + QLatin1String(", ") + heading;
    }
    if (name.isEmpty())
        if (auto* frame = qobject_cast<QGroupBox*>(parent))
            name = Spoken(frame->title());
    return name;
}

} // namespace

void NameControls(QWidget* window) {
    const QList<QLabel*> labels = window->findChildren<QLabel*>();
    QList<QWidget*> unnamed;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        // Pop-ups (a drop-down list's list) are windows of their own.
        if (!TakesLabel(w) || w->window() != window->window() || PartOfAnother(w, window) ||
            !w->accessibleName().isEmpty())
            continue;
        const QString name = NameFromLabels(w, labels);
        if (name.isEmpty())
            unnamed << w;
        else
            w->setAccessibleName(name);
    }
    if (unnamed.size() == 1)
        unnamed.first()->setAccessibleName(Spoken(window->windowTitle()));
}
