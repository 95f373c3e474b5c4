// The window registry, the prompt seam's filter conversion and the program's
// notion of a window becoming active.

#include "core/activation.h"
#include "core/form.h"
#include "core/prompt.h"
#include "core/registry.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QtTest>

// Two small windows that count what happens to them.
class Counted : public Form {
    Q_OBJECT
public:
    static int created;
    static int loads;
    static int unloads;
    int activations = 0;
    Counted() { ++created; }

protected:
    void onLoad() override { ++loads; }
    void onUnload() override { ++unloads; }
    void onActivate() override { ++activations; }
};
int Counted::created = 0;
int Counted::loads = 0;
int Counted::unloads = 0;

class Other : public Form {
    Q_OBJECT
public:
    int activations = 0;

protected:
    void onActivate() override { ++activations; }
};

class TestRegistry : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void firstUseCreatesHiddenAndUnloadDestroysUntilTheNextUse();
    void closingOrUnloadingAllUnloadsAndUnloadingNothingDoesNothing();
    void programFiltersBecomeQtFilters_data();
    void programFiltersBecomeQtFilters();
    void onlyArrivingFromAnotherProgramWindowIsAnActivation();
    void showingAFormActivatesIt();
};

void TestRegistry::init() {
    Registry::unloadAll();
    Activation::reset();
    Counted::created = Counted::loads = Counted::unloads = 0;
}

void TestRegistry::cleanup() {
    Registry::unloadAll();
    Activation::reset();
}

void TestRegistry::firstUseCreatesHiddenAndUnloadDestroysUntilTheNextUse() {
    QVERIFY(!Registry::peek<Counted>());
    QPointer<Counted> first = &Registry::get<Counted>();
    QVERIFY(!first->isVisible());
    QCOMPARE(&Registry::get<Counted>(), first.data()); // the same one on later uses
    QCOMPARE(Counted::created, 1);
    QCOMPARE(Counted::loads, 1);
    first->showForm();
    QVERIFY(Registry::isShown<Counted>());
    first->hideForm();
    QVERIFY(!Registry::isShown<Counted>());
    QCOMPARE(Registry::peek<Counted>(), first.data()); // hiding keeps it loaded

    first->showForm();
    Registry::unload<Counted>();
    QCOMPARE(Counted::unloads, 1);
    QVERIFY(!Registry::peek<Counted>()); // forgotten at once
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(first.isNull()); // and destroyed
    QVERIFY(!Registry::get<Counted>().isVisible());
    QCOMPARE(Counted::created, 2);
    QCOMPARE(Counted::loads, 2);
}

void TestRegistry::closingOrUnloadingAllUnloadsAndUnloadingNothingDoesNothing() {
    Registry::unload<Counted>();
    QCOMPARE(Counted::unloads, 0);
    QCOMPARE(Counted::created, 0);

    Counted& window = Registry::get<Counted>();
    window.showForm();
    QVERIFY(window.close()); // through its window frame
    QCOMPARE(Counted::unloads, 1);
    QVERIFY(!Registry::peek<Counted>());

    QPointer<Counted> a = &Registry::get<Counted>();
    QPointer<Other> b = &Registry::get<Other>();
    QCOMPARE(Registry::windows().size(), 2);
    Registry::unloadAll();
    QVERIFY(a.isNull() && b.isNull());
    QVERIFY(Registry::windows().isEmpty());
}

void TestRegistry::programFiltersBecomeQtFilters_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("qt");
    const struct {
        const char *filter, *qt;
    } rows[] = {
        {"Comma Separated Variable Files (*.csv)|*.csv", "Comma Separated Variable Files (*.csv)"},
        {"Text Files|*.txt", "Text Files (*.txt)"},
        {"Log Files (*.log)|*.log|All Files (*.*)|*.*", "Log Files (*.log);;All Files (*.*)"},
        {"Sensor Files|*.spf;*.txt", "Sensor Files (*.spf *.txt)"},
        {"*.csv", "*.csv"},
        {"", ""}};
    for (const auto& r : rows)
        QTest::addRow("%s", r.filter) << QString::fromLatin1(r.filter) << QString::fromLatin1(r.qt);
}

void TestRegistry::programFiltersBecomeQtFilters() {
    QFETCH(QString, filter);
    QFETCH(QString, qt);
    QCOMPARE(QtFilterFromProgramFilter(filter), qt);
}

void TestRegistry::onlyArrivingFromAnotherProgramWindowIsAnActivation() {
    Counted& a = Registry::get<Counted>();
    Other& b = Registry::get<Other>();
    Activation::windowActivated(&a);
    Activation::windowActivated(&b);
    Activation::windowActivated(&a);
    QCOMPARE(a.activations, 2);
    QCOMPARE(b.activations, 1);

    // Back from a message box the window opened: no activation.
    QMessageBox box;
    Activation::windowActivated(&box);
    Activation::windowActivated(&a);
    // Back from another application (no window of the program between): none.
    Activation::windowActivated(nullptr);
    Activation::windowActivated(&a);
    QCOMPARE(a.activations, 2);
    QCOMPARE(Activation::lastProgramWindow(), &a);

    // The frame window is a window of the program.
    QMainWindow frame;
    Activation::windowActivated(&frame);
    QCOMPARE(Activation::lastProgramWindow(), &frame);
    Activation::windowActivated(&a);
    QCOMPARE(a.activations, 3);
}

void TestRegistry::showingAFormActivatesIt() {
    Other& b = Registry::get<Other>();
    Counted& a = Registry::get<Counted>();
    for (Form* form : QList<Form*>{&b, &a, &b}) {
        form->showForm();
        QVERIFY(QTest::qWaitForWindowActive(form));
    }
    QCOMPARE(a.activations, 1);
    QCOMPARE(b.activations, 2);
}

QTEST_MAIN(TestRegistry)
#include "tst_registry.moc"
