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

    void firstUseCreatesTheWindowHiddenAndLoadsItOnce();
    void unloadDestroysTheWindowAndTheNextUseCreatesItAfresh();
    void closingTheWindowThroughItsFrameUnloadsIt();
    void unloadingAWindowNotLoadedDoesNothing();
    void unloadAllDestroysEveryWindowAtOnce();

    void programFiltersBecomeQtFilters_data();
    void programFiltersBecomeQtFilters();

    void activationFromAnotherProgramWindowCounts();
    void returningFromAMessageBoxIsNoActivation();
    void returningFromAnotherApplicationIsNoActivation();
    void theFrameWindowIsAProgramWindow();
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

void TestRegistry::firstUseCreatesTheWindowHiddenAndLoadsItOnce() {
    QVERIFY(!Registry::peek<Counted>());
    QVERIFY(!Registry::isShown<Counted>());
    Counted& first = Registry::get<Counted>();
    QCOMPARE(Counted::created, 1);
    QCOMPARE(Counted::loads, 1);
    QVERIFY(!first.isVisible());
    QVERIFY(!Registry::isShown<Counted>());
    QCOMPARE(&Registry::get<Counted>(), &first);
    QCOMPARE(Registry::peek<Counted>(), &first);
    QCOMPARE(Counted::created, 1);
    QCOMPARE(Counted::loads, 1);
    first.showForm();
    QVERIFY(Registry::isShown<Counted>());
    first.hideForm();
    QVERIFY(!Registry::isShown<Counted>());
    QCOMPARE(Registry::peek<Counted>(), &first); // hiding keeps it loaded
}

void TestRegistry::unloadDestroysTheWindowAndTheNextUseCreatesItAfresh() {
    QPointer<Counted> first = &Registry::get<Counted>();
    first->showForm();
    Registry::unload<Counted>();
    QCOMPARE(Counted::unloads, 1);
    QVERIFY(!Registry::peek<Counted>()); // forgotten at once
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(first.isNull()); // and destroyed
    Counted& second = Registry::get<Counted>();
    QCOMPARE(Counted::created, 2);
    QCOMPARE(Counted::loads, 2);
    QVERIFY(!second.isVisible());
}

void TestRegistry::closingTheWindowThroughItsFrameUnloadsIt() {
    Counted& window = Registry::get<Counted>();
    window.showForm();
    QVERIFY(window.close());
    QCOMPARE(Counted::unloads, 1);
    QVERIFY(!Registry::peek<Counted>());
}

void TestRegistry::unloadingAWindowNotLoadedDoesNothing() {
    Registry::unload<Counted>();
    QCOMPARE(Counted::unloads, 0);
    QCOMPARE(Counted::created, 0);
    QVERIFY(!Registry::peek<Counted>());
}

void TestRegistry::unloadAllDestroysEveryWindowAtOnce() {
    QPointer<Counted> a = &Registry::get<Counted>();
    QPointer<Other> b = &Registry::get<Other>();
    QCOMPARE(Registry::windows().size(), 2);
    Registry::unloadAll();
    QVERIFY(a.isNull());
    QVERIFY(b.isNull());
    QVERIFY(Registry::windows().isEmpty());
}

void TestRegistry::programFiltersBecomeQtFilters_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("qt");
    QTest::newRow("description shows the pattern") << "Comma Separated Variable Files (*.csv)|*.csv"
                                                   << "Comma Separated Variable Files (*.csv)";
    QTest::newRow("description without the pattern") << "Text Files|*.txt"
                                                     << "Text Files (*.txt)";
    QTest::newRow("two filters") << "Log Files (*.log)|*.log|All Files (*.*)|*.*"
                                 << "Log Files (*.log);;All Files (*.*)";
    QTest::newRow("several patterns in one") << "Sensor Files|*.spf;*.txt"
                                             << "Sensor Files (*.spf *.txt)";
    QTest::newRow("no bar at all") << "*.csv"
                                   << "*.csv";
    QTest::newRow("empty") << ""
                           << "";
}

void TestRegistry::programFiltersBecomeQtFilters() {
    QFETCH(QString, filter);
    QFETCH(QString, qt);
    QCOMPARE(QtFilterFromProgramFilter(filter), qt);
}

void TestRegistry::activationFromAnotherProgramWindowCounts() {
    Counted& a = Registry::get<Counted>();
    Other& b = Registry::get<Other>();
    Activation::windowActivated(&a);
    QCOMPARE(a.activations, 1);
    Activation::windowActivated(&b);
    QCOMPARE(b.activations, 1);
    Activation::windowActivated(&a);
    QCOMPARE(a.activations, 2);
    QCOMPARE(b.activations, 1);
    QCOMPARE(Activation::lastProgramWindow(), &a);
}

void TestRegistry::returningFromAMessageBoxIsNoActivation() {
    Counted& a = Registry::get<Counted>();
    Activation::windowActivated(&a);
    QCOMPARE(a.activations, 1);
    // The window opens a message box, which becomes active, then closes.
    QMessageBox box;
    Activation::windowActivated(&box);
    Activation::windowActivated(&a);
    QCOMPARE(a.activations, 1);
    QCOMPARE(Activation::lastProgramWindow(), &a);
}

void TestRegistry::returningFromAnotherApplicationIsNoActivation() {
    Counted& a = Registry::get<Counted>();
    Activation::windowActivated(&a);
    // Another application takes the focus: the program sees no window of its
    // own activated in between, then the same window again.
    Activation::windowActivated(nullptr);
    Activation::windowActivated(&a);
    QCOMPARE(a.activations, 1);
}

void TestRegistry::theFrameWindowIsAProgramWindow() {
    Counted& a = Registry::get<Counted>();
    QMainWindow frame;
    Activation::windowActivated(&a);
    Activation::windowActivated(&frame);
    QCOMPARE(Activation::lastProgramWindow(), &frame);
    Activation::windowActivated(&a);
    QCOMPARE(a.activations, 2);
}

void TestRegistry::showingAFormActivatesIt() {
    Other& b = Registry::get<Other>();
    b.showForm();
    QVERIFY(QTest::qWaitForWindowActive(&b));
    QCOMPARE(b.activations, 1);
    Counted& a = Registry::get<Counted>();
    a.showForm();
    QVERIFY(QTest::qWaitForWindowActive(&a));
    QCOMPARE(a.activations, 1);
    b.showForm();
    QVERIFY(QTest::qWaitForWindowActive(&b));
    QCOMPARE(b.activations, 2);
}

QTEST_MAIN(TestRegistry)
#include "tst_registry.moc"
