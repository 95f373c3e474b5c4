// Scan control on the wire: Start Scan, Stop, Cal Zero and Save Settings send
// their commands with the menu states of scanning and idle, and a scan's
// frames from the unit end it at its last frame.

#include "bargraph/bar.h"
#include "core/registry.h"
#include "fakeunit.h"
#include "fixture.h"
#include "mainwin/logfile.h"
#include "mainwin/mdimain.h"
#include "session/mainform.h"
#include "session/state.h"
#include "sessionhelpers.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTimer>
#include <QtTest>

class TestScan : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startScanEntersScanningStateAndSendsScan();
    void stopReturnsToIdleEvenWithoutAScanAndSendsStop();
    void calZeroAndSaveSendTheirCommandsWithoutMenuChanges();
    void framesFromTheUnitFillBarGraphAndLogAndEndTheScan();

private:
    MDIMain& frame() { return Registry::get<MDIMain>(); }
    void connectQuietly();

    ProgramFixture* fx = nullptr;
    FakeUnit* unit = nullptr;
};

void TestScan::init() {
    fx = new ProgramFixture;
    fx->startProgram();
    unit = new FakeUnit;
    unit->answerStandardLists();
    connectQuietly();
}

void TestScan::cleanup() {
    delete fx;
    fx = nullptr;
    delete unit;
    unit = nullptr;
}

// Connects, lets the session's list requests finish and stops the status
// poll, so that what the unit receives next is only what the test causes.
void TestScan::connectQuietly() {
    QVERIFY(ConnectToUnit(*unit));
    QVERIFY(unit->waitForReceived("List S\r"));
    QTRY_COMPARE(Global::FramesPerScan, 100.0f); // the scan group's answer has arrived
    Registry::get<Main>().tmrStatus->stop();
    unit->clearReceived();
}

void TestScan::startScanEntersScanningStateAndSendsScan() {
    frame().mnuBarGraphOpen->trigger();
    Bar& bar = Registry::get<Bar>();
    QTRY_VERIFY(bar.isVisible());
    const QColor normal = bar.LabelColor("labPress", 0);
    for (int i = 0; i <= 15; ++i)
        bar.SetPressValue(i, QString::number(i));
    frame().mnuTag1to16->trigger();
    QVERIFY(bar.LabelColor("labPress", 15) != normal);

    frame().mnuStartScan->trigger();
    QVERIFY(unit->waitForReceived("SCAN\r"));
    QCOMPARE(unit->received(), QByteArray("SCAN\r"));
    QVERIFY(!frame().mnuStartScan->isEnabled());
    QVERIFY(!frame().mnuCalZero->isEnabled());
    QVERIFY(!frame().mnuFile->menuAction()->isEnabled());
    QVERIFY(frame().mnuStop->isEnabled());
    QVERIFY(frame().Button(8)->isEnabled()); // toolbar Stop
    QVERIFY(frame().Button(7)->isEnabled()); // toolbar Start Scan stays usable
    QVERIFY(!frame().Button(10)->isEnabled());
    // A new scan starts untagged.
    QCOMPARE(bar.LabelColor("labPress", 15), normal);
    QCOMPARE(bar.LabelColor("labPress", 0), normal);
}

void TestScan::stopReturnsToIdleEvenWithoutAScanAndSendsStop() {
    frame().Toolbar1_ButtonClick(QStringLiteral("StopScan"));
    QVERIFY(unit->waitForReceived("STOP\r"));
    QVERIFY(frame().mnuStartScan->isEnabled());
    frame().mnuStartScan->trigger();
    QVERIFY(!frame().mnuStartScan->isEnabled());
    frame().mnuStop->trigger();
    QVERIFY(unit->waitForReceived("SCAN\rSTOP\r"));
    QCOMPARE(unit->received(), QByteArray("STOP\rSCAN\rSTOP\r"));
    QVERIFY(frame().mnuStartScan->isEnabled());
    QVERIFY(frame().mnuFile->menuAction()->isEnabled());
    QVERIFY(frame().Button(10)->isEnabled());
}

void TestScan::calZeroAndSaveSendTheirCommandsWithoutMenuChanges() {
    frame().mnuStartScan->trigger();
    // The toolbar button is disabled while scanning; its handler is not.
    frame().Toolbar1_ButtonClick(QStringLiteral("CalZ"));
    QVERIFY(!frame().mnuStartScan->isEnabled());
    frame().mnuStop->trigger();
    frame().mnuCalZero->trigger();
    frame().mnuSaveSettings->trigger(); // no question asked
    QVERIFY(unit->waitForReceived("SAVE\r"));
    QCOMPARE(unit->received(), QByteArray("SCAN\rCALZ\rSTOP\rCALZ\rSAVE\r"));
    QVERIFY(frame().mnuStartScan->isEnabled());
    QVERIFY(fx->prompt->shown.isEmpty());
}

void TestScan::framesFromTheUnitFillBarGraphAndLogAndEndTheScan() {
    // The unit reported FPS 100; this scan is told to be three frames long.
    Global::FramesPerScan = 3;
    Global::LogScanData = true;
    const QString path = fx->dir() + QStringLiteral("/run.csv");
    fx->prompt->fileAnswers.enqueue(path);
    Global::OpenLogFile();
    frame().mnuBarGraphOpen->trigger();
    Bar& bar = Registry::get<Bar>();
    QTRY_VERIFY(bar.isVisible());

    QStringList lines;
    QByteArray expected;
    for (int f = 0; f < 3; ++f) {
        lines << QStringLiteral("FRAME = %1").arg(f);
        // PERIOD 500 and AVG 8 make frames .064 seconds apart.
        expected += QByteArrayList{"0", ".064", ".128"}[f] + ',' + QByteArray::number(f);
        for (int c = 0; c <= 15; ++c) {
            const QString p = QString::number(f * 0.5 + c * 0.25 - 2, 'f', 3);
            lines << QStringLiteral("%1 %2 22.5").arg(c).arg(p);
            expected += ',' + p.toLatin1();
        }
        expected += "\r\n";
    }
    unit->answer(QStringLiteral("SCAN"), lines);
    frame().mnuStartScan->trigger();
    QTRY_VERIFY(frame().mnuStartScan->isEnabled());
    QCOMPARE(bar.LabelText("labFrameData"), QStringLiteral("2"));
    QCOMPARE(bar.LabelText("labPress", 15), QStringLiteral("2.75"));

    Global::CloseLogFile();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), expected);
}

QTEST_MAIN(TestScan)
#include "tst_scan.moc"
