// The host check of the HOST setting line, the save-and-reboot sequence it
// leads to, and the "Reboot Progress" window.

#include "core/registry.h"
#include "fakeunit.h"
#include "fixture.h"
#include "mainwin/mdimain.h"
#include "replies/timeout.h"
#include "session/linkconfig.h"
#include "session/mainform.h"
#include "session/send.h"
#include "session/state.h"
#include "sessionhelpers.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QMap>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <memory>

class TestHostCheck : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void hostLineIsCorrectedToMatchTheHighSpeedSwitch_data();
    void hostLineIsCorrectedToMatchTheHighSpeedSwitch();
    void correctionSavesAndRebootsTheUnitAtTheEndOfTheList();
    void progressWindowCountsTo35AndClosesOnThe36thTick();

private:
    std::unique_ptr<ProgramFixture> fx;
};

void TestHostCheck::init() {
    fx = std::make_unique<ProgramFixture>();
    fx->startProgram();
}

void TestHostCheck::cleanup() {
    Global::PauseScale = 1.0;
    fx.reset();
}

void TestHostCheck::hostLineIsCorrectedToMatchTheHighSpeedSwitch_data() {
    QTest::addColumn<bool>("hss");
    QTest::addColumn<QString>("hostLine");
    QTest::addColumn<QString>("correction"); // "" when nothing is sent
    const QString toUs = QStringLiteral("SET HOST 127.0.0.1 23 U\r");
    const QString off = QStringLiteral("SET HOST 0 0 T\r");
    // clang-format off
    QTest::newRow("on, matching") << true << "SET HOST 127.0.0.1 23 U" << "";
    QTest::newRow("on, letter T") << true << "SET HOST 127.0.0.1 23 T" << toUs;
    QTest::newRow("on, port 24") << true << "SET HOST 127.0.0.1 24 U" << toUs;
    QTest::newRow("on, no host") << true << "SET HOST 0 0 T" << toUs;
    QTest::newRow("off, no host") << false << "SET HOST 0 0 T" << "";
    QTest::newRow("off, letter U") << false << "SET HOST 0 0 U" << off;
    QTest::newRow("off, a host") << false << "SET HOST 127.0.0.1 23 U" << off;
    // clang-format on
}

void TestHostCheck::hostLineIsCorrectedToMatchTheHighSpeedSwitch() {
    QFETCH(bool, hss);
    QFETCH(QString, hostLine);
    QFETCH(QString, correction);
    Registry::get<LinkConfig>().chkHSS->setChecked(hss);

    FakeUnit unit; // answers only the first group; the list then waits
    unit.answer(QStringLiteral("List I"), {QStringLiteral("SET MODEL Q1600"), hostLine});
    QVERIFY(ConnectToUnit(unit));
    QVERIFY(unit.waitForReceived("List C\r"));
    const QByteArray bin = hss ? "SET BIN 1\r" : "SET BIN 0\r";
    QCOMPARE(unit.received(), bin + "SET FORMAT 0\rList I\r" + correction.toLatin1() + "List C\r");
    QCOMPARE(Global::SavePending, !correction.isEmpty());
}

void TestHostCheck::correctionSavesAndRebootsTheUnitAtTheEndOfTheList() {
    const double scale = 0.05; // the 35 seconds in 1.75 s; one "second" is 50 ms
    Global::PauseScale = scale;
    FakeUnit unit;
    unit.answerStandardLists();
    unit.answer(QStringLiteral("List I"),
                {QStringLiteral("SET MODEL Q1600"), QStringLiteral("SET HOST 0 0 U")});
    unit.answer(QStringLiteral("SAVE"), {QStringLiteral("STATUS: SAVING")});
    unit.answer(QStringLiteral("reboot"), {QStringLiteral("STATUS: REBOOTING")});

    // What the operator and the unit see, sampled while the sequence runs
    // inside the dispatcher: the first time each thing was seen.
    QElapsedTimer clock;
    QMap<QString, qint64> seen;
    auto mark = [&](const char* what, bool now) {
        if (now && !seen.contains(QLatin1String(what)))
            seen.insert(QLatin1String(what), clock.elapsed());
    };
    Main& main = Registry::get<Main>();
    QTimer sampler;
    sampler.setTimerType(Qt::PreciseTimer);
    sampler.setInterval(2);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        mark("reboot sent", unit.received().contains("reboot\r"));
        mark("saving shown", PanelText(2) == QStringLiteral("Qel Status: SAVING"));
        mark("rebooting shown",
             PanelText(2) == QStringLiteral("Qel Status: REBOOTING") && Global::ConnectState == 2);
        mark("disabled", !main.Command1->isEnabled());
        mark("closed", Global::ConnectState == 0 && !unit.isConnected() &&
                           PanelText(1) == QStringLiteral("No connection"));
        mark("enabled", seen.contains(QStringLiteral("disabled")) && main.Command1->isEnabled());
        mark("window shown", Registry::isShown<Timeout>());
        mark("window gone",
             seen.contains(QStringLiteral("window shown")) && !Registry::isShown<Timeout>());
    });
    bool saveBeforeMessage = false;
    fx->prompt->whileOpen = [&] {
        mark("disabled", !main.Command1->isEnabled());
        mark("message", true);
        saveBeforeMessage = unit.waitForReceived("SAVE\r", 1000);
    };

    QVERIFY(ConnectToUnit(unit));
    clock.start();
    sampler.start();
    QTRY_VERIFY_WITH_TIMEOUT(seen.contains(QStringLiteral("window gone")), 10000);
    sampler.stop();

    QVERIFY(saveBeforeMessage);
    QCOMPARE(fx->prompt->messages(),
             QStringList({"WARNING: Qel's Binary IP Address does not match host's IP address. "
                          "Changing to match and rebooting. This will take 35 seconds then you "
                          "must reconnect."}));
    QCOMPARE(fx->prompt->shown.first().title, QStringLiteral("Orvik 3"));
    QStringList commands = unit.commands();
    commands.removeAll(QStringLiteral("STATUS"));
    QCOMPARE(commands, QStringList({"SET BIN 0", "SET FORMAT 0", "List I", "SET HOST 0 0 T",
                                    "List C", "List H", "List S", "SAVE", "reboot"}));

    for (const char* what : {"message", "saving shown", "reboot sent", "rebooting shown",
                             "disabled", "closed", "enabled", "window shown", "window gone"})
        QVERIFY2(seen.contains(QLatin1String(what)), what);
    const auto at = [&](const char* what) { return seen.value(QLatin1String(what)); };
    const qint64 second = qint64(1000 * scale);
    QVERIFY(at("disabled") <= at("message"));
    QVERIFY(at("message") <= at("window shown"));
    QVERIFY(at("reboot sent") - at("message") >= 5 * second - 5);
    QVERIFY(at("rebooting shown") >= at("reboot sent"));
    QVERIFY(at("closed") > at("rebooting shown"));
    // Half a "second" of slack: the sampler may see a change late (the
    // sanitizer build on a busy machine is slow).
    QVERIFY(at("closed") - at("reboot sent") >= 5 * second - second / 2);
    QVERIFY(at("enabled") - at("closed") >= 25 * second - second / 2);
    // The window closes about one "second" after the button comes back.
    QVERIFY(at("window gone") > at("enabled") && at("window gone") - at("enabled") < 8 * second);

    QCOMPARE(main.Command1->text(), QStringLiteral("Connect"));
    QVERIFY(!Global::SavePending);
    QCOMPARE(Global::RebootSeconds, qint16(0));
}

void TestHostCheck::progressWindowCountsTo35AndClosesOnThe36thTick() {
    Global::RebootSeconds = 0;
    Timeout& window = Registry::get<Timeout>();
    window.showForm();
    QCOMPARE(window.windowTitle(), QStringLiteral("Reboot Progress"));
    QCOMPARE(window.ProgressBar1->maximum(), 35);
    QTimer* timer = window.Timer1;
    QCOMPARE(timer->interval(), 1000);
    timer->start();
    for (int tick = 1; tick <= 35; ++tick)
        QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
    QCOMPARE(window.ProgressBar1->value(), 35);
    QVERIFY(Registry::isShown<Timeout>());

    QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
    QVERIFY(!Registry::isShown<Timeout>());
    QCOMPARE(Global::RebootSeconds, qint16(0));
}

QTEST_MAIN(TestHostCheck)
#include "tst_hostcheck.moc"
