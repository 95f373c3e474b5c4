#include "bargraph/baraccess.h"

#include "bargraph/bar.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>
#include <vector>

namespace {

constexpr int RowCount = Global::ChannelCount;
constexpr int LegendCount = 9;

// The tag a value label's colour stands for.
QString TagOf(const BarLabel* label) {
    if (!label)
        return QString();
    if (label->color == QColor(255, 0, 0))
        return QStringLiteral("High (red)");
    if (label->color == QColor(0, 255, 0))
        return QStringLiteral("Low (green)");
    return QString();
}

QRect OnScreen(const Bar* bar, const QRectF& r) {
    const QRect box = r.toAlignedRect();
    return QRect(bar->mapToGlobal(box.topLeft()), box.size());
}

// Interfaces without an object of their own (the painted labels and the
// channel rows) are registered with QAccessible, which then hands them out
// by id; their holder deletes them when it goes.
class Children {
public:
    ~Children() {
        for (QAccessible::Id id : ids_)
            QAccessible::deleteAccessibleInterface(id);
    }
    void add(QAccessibleInterface* child) {
        ids_.push_back(QAccessible::registerAccessibleInterface(child));
    }
    int count() const { return int(ids_.size()); }
    QAccessibleInterface* at(int i) const {
        return i >= 0 && i < count() ? QAccessible::accessibleInterface(ids_[size_t(i)]) : nullptr;
    }
    int indexOf(const QAccessibleInterface* child) const {
        for (int i = 0; i < count(); ++i)
            if (at(i) == child)
                return i;
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const {
        for (int i = 0; i < count(); ++i)
            if (QAccessibleInterface* c = at(i); c->rect().contains(x, y))
                return c;
        return nullptr;
    }

private:
    std::vector<QAccessible::Id> ids_;
};

// Common ground of the painted parts: no object, no focus, a parent.
class BarPart : public QAccessibleInterface {
public:
    BarPart(QAccessibleInterface* parent, Bar* bar) : parent_(parent), bar_(bar) {}
    bool isValid() const override { return bar_; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return parent_->window(); }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessibleInterface* parent() const override { return parent_; }
    void setText(QAccessible::Text, const QString&) override {}
    QAccessible::State state() const override {
        QAccessible::State s;
        s.readOnly = true;
        s.invisible = !bar_ || !bar_->isVisible() || rect().isEmpty();
        return s;
    }

protected:
    QAccessibleInterface* parent_;
    QPointer<Bar> bar_;
};

// One painted label, by its control name and index.
class LabelPart : public BarPart {
public:
    LabelPart(QAccessibleInterface* parent, Bar* bar, const char* name, int index)
        : BarPart(parent, bar), name_(QString::fromLatin1(name)), index_(index) {}
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    QString text(QAccessible::Text t) const override {
        const BarLabel* l = label();
        if (!l)
            return QString();
        if (t == QAccessible::Name || t == QAccessible::Value)
            return l->caption;
        if (t == QAccessible::Description && name_ == QLatin1String("labPress"))
            return TagOf(l);
        return QString();
    }
    QRect rect() const override {
        const BarLabel* l = label();
        return l && l->visible ? OnScreen(bar_, l->px) : QRect();
    }

private:
    const BarLabel* label() const { return bar_ ? bar_->Label(name_, index_) : nullptr; }
    QString name_;
    int index_;
};

// One channel's row: its number, value and range labels.
class RowPart : public BarPart {
public:
    RowPart(QAccessibleInterface* parent, Bar* bar, int channel)
        : BarPart(parent, bar), channel_(channel) {
        for (const char* name : {"labChan", "labPress", "labMin", "labMax"})
            labels_.add(new LabelPart(this, bar, name, channel));
    }
    QAccessibleInterface* childAt(int x, int y) const override { return labels_.childAt(x, y); }
    QAccessibleInterface* child(int index) const override { return labels_.at(index); }
    int childCount() const override { return labels_.count(); }
    int indexOfChild(const QAccessibleInterface* c) const override { return labels_.indexOf(c); }
    QAccessible::Role role() const override { return QAccessible::Grouping; }
    QString text(QAccessible::Text t) const override {
        if (!bar_)
            return QString();
        switch (t) {
        case QAccessible::Name:
            return bar_->LabelText(QStringLiteral("labChan"), channel_);
        case QAccessible::Value:
            return bar_->LabelText(QStringLiteral("labPress"), channel_);
        case QAccessible::Description:
            return TagOf(bar_->Label(QStringLiteral("labPress"), channel_));
        default:
            return QString();
        }
    }
    QRect rect() const override {
        QRect r;
        for (int i = 0; i < labels_.count(); ++i)
            r |= labels_.at(i)->rect();
        return r;
    }

private:
    int channel_;
    Children labels_;
};

// The window itself: a chart named by its caption.
class BarAccessible : public QAccessibleWidget {
public:
    explicit BarAccessible(Bar* bar) : QAccessibleWidget(bar, QAccessible::Chart) {
        parts_.add(new LabelPart(this, bar, "labFrame", 0));
        parts_.add(new LabelPart(this, bar, "labFrameData", 0));
        parts_.add(new LabelPart(this, bar, "labUnits", 0));
        for (int i = 0; i < RowCount; ++i)
            parts_.add(new RowPart(this, bar, i));
        for (int i = 0; i < LegendCount; ++i)
            parts_.add(new LabelPart(this, bar, "labLeg", i));
    }
    int childCount() const override { return parts_.count(); }
    QAccessibleInterface* child(int index) const override { return parts_.at(index); }
    int indexOfChild(const QAccessibleInterface* c) const override { return parts_.indexOf(c); }
    QAccessibleInterface* childAt(int x, int y) const override { return parts_.childAt(x, y); }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return widget()->windowTitle();
        return QAccessibleWidget::text(t);
    }

private:
    Children parts_;
};

QAccessibleInterface* BarFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("Bar") && object && object->isWidgetType())
        if (auto* bar = qobject_cast<Bar*>(object))
            return new BarAccessible(bar);
    return nullptr;
}

} // namespace

void InstallBarAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(BarFactory);
        return true;
    }();
    Q_UNUSED(installed);
}
