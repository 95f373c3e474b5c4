// Whole scans against the simulated unit: what the simulator sent must be
// what the bar graph shows and what the comma-separated log holds.

#include "bargraph/bar.h"
#include "core/registry.h"
#include "fixture.h"
#include "mainwin/logfile.h"
#include "mainwin/mdimain.h"
#include "qelsim/simulator.h"
#include "session/mainform.h"
#include "session/send.h"
#include "session/state.h"

#include "sessionhelpers.h"
#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

#include <QtTest>

namespace {

// One frame as the simulator sent it.
struct SentFrame {
    QByteArray number;
    QList<QByteArray> pressures;
    QList<QByteArray> temperatures;
};

// Reads the simulator's record of everything it sent and picks out the
// frames: a "FRAME" line, then sixteen "channel pressure temperature" lines.
QList<SentFrame> framesSent(const QString& recordPath) {
    QFile file(recordPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<SentFrame> frames;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> t = line.trimmed().split(' ');
        if (t.value(0).toUpper() == "FRAME") {
            frames.append(SentFrame{t.value(2), {}, {}});
        } else if (!frames.isEmpty() && t.size() == 3 &&
                   t[0] == QByteArray::number(frames.last().pressures.size())) {
            frames.last().pressures.append(t[1]);
            frames.last().temperatures.append(t[2]);
        }
    }
    return frames;
}

QList<QList<QByteArray>> csvRows(const QString& path) {
    QFile file(path);
    QList<QList<QByteArray>> rows;
    if (file.open(QIODevice::ReadOnly))
        for (const QByteArray& row : file.readAll().split('\n'))
            if (!row.isEmpty())
                rows.append(row.chopped(row.endsWith('\r') ? 1 : 0).split(','));
    return rows;
}

} // namespace

class TestScanSim : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void hundredFrameScanReachesBarGraphAndLogExactly();
    void endlessScanRunsUntilStop();

private:
    MDIMain& frame() { return Registry::get<MDIMain>(); }
    void startScanWithLog();
    void compareLogWithWhatWasSent(int expectedFrames);

    ProgramFixture* fx = nullptr;
    qelsim::Simulator* sim = nullptr;
    QString recordPath, logPath;
};

void TestScanSim::init() {
    fx = new ProgramFixture;
    recordPath = fx->dir() + QStringLiteral("/sent.txt");
    logPath = fx->dir() + QStringLiteral("/scan.csv");
    qelsim::SimOptions options;
    options.port = 0;
    options.bind = QHostAddress(QHostAddress::LocalHost);
    options.seed = 7;
    options.recordOutputFile = recordPath;
    sim = new qelsim::Simulator(options);
    QString error;
    QVERIFY2(sim->start(&error), qPrintable(error));

    fx->startProgram();
    Main& main = Registry::get<Main>();
    StartConnecting(QStringLiteral("127.0.0.1:%1").arg(sim->port()));
    // Connected, and the scan group of the session's lists has arrived.
    QTRY_VERIFY_WITH_TIMEOUT(Global::ConnectState == 2 && Global::FrameInterval > 0, 10000);
    QTRY_VERIFY(frame().mnuStartScan->isEnabled());
    main.tmrStatus->stop();
    // A short period keeps the scans short: 8 averages of 50 us per channel
    // make a frame every 6.4 ms.
    Global::SendToQel(QStringLiteral("SET PERIOD 50\r"));
    Global::SendList(QStringLiteral("S"), true);
    QTRY_COMPARE(Global::FrameInterval, 0.0064f);
}

void TestScanSim::cleanup() {
    delete fx;
    fx = nullptr;
    delete sim;
    sim = nullptr;
}

void TestScanSim::startScanWithLog() {
    Global::LogScanData = true;
    fx->prompt->fileAnswers.enqueue(logPath);
    Global::OpenLogFile();
    QVERIFY(Global::LogFileOpen);
    frame().mnuBarGraphOpen->trigger();
    QTRY_VERIFY(Registry::get<Bar>().isVisible());
    frame().mnuStartScan->trigger();
    QVERIFY(!frame().mnuStartScan->isEnabled());
}

void TestScanSim::compareLogWithWhatWasSent(int expectedFrames) {
    const QList<SentFrame> sent = framesSent(recordPath);
    const QList<QList<QByteArray>> rows = csvRows(logPath);
    QCOMPARE(sent.size(), expectedFrames);
    QCOMPARE(rows.size(), expectedFrames);
    for (int f = 0; f < expectedFrames; ++f) {
        const QList<QByteArray>& row = rows[f];
        QCOMPARE(row.size(), 18);
        QCOMPARE(row[1], sent[f].number);
        QCOMPARE(row[1], QByteArray::number(f));
        // Frames are FrameInterval apart; the time has no zero before its point.
        QVERIFY(!row[0].startsWith("0.") && !row[0].startsWith(' '));
        QVERIFY(qAbs(row[0].toDouble() - double(Global::FrameInterval) * f) < 1e-5 * (f + 1));
        QCOMPARE(row.mid(2), sent[f].pressures);
    }
}

void TestScanSim::hundredFrameScanReachesBarGraphAndLogExactly() {
    QCOMPARE(Global::FramesPerScan, 100.0f); // the simulator's FPS
    Bar& bar = Registry::get<Bar>();
    // What the frame label held when the menus went back to idle.
    QStringList frameLabelAtIdle;
    QAction* start = frame().mnuStartScan;
    connect(start, &QAction::changed, this, [&] {
        if (start->isEnabled() && frameLabelAtIdle.isEmpty())
            frameLabelAtIdle << bar.LabelText("labFrameData");
    });
    startScanWithLog();

    QTRY_VERIFY_WITH_TIMEOUT(!frameLabelAtIdle.isEmpty(), 30000);
    // The last frame's header turns the menus idle just before it reaches
    // the frame label, so the label still shows the frame before it.
    QCOMPARE(frameLabelAtIdle.first(), QStringLiteral("98"));
    QTRY_COMPARE(bar.LabelText("labFrameData"), QStringLiteral("99"));
    QTRY_COMPARE(csvRows(logPath).size(), 100);
    QVERIFY(!sim->isScanning());
    Global::CloseLogFile();
    compareLogWithWhatWasSent(100);

    // The bar graph shows the last frame's pressures with the chosen decimals.
    const SentFrame last = framesSent(recordPath).last();
    const QRegularExpression twoDecimals(QStringLiteral("^-?\\d+\\.\\d\\d$"));
    for (int c = 0; c <= 15; ++c) {
        const QString shown = bar.LabelText("labPress", c);
        QVERIFY2(twoDecimals.match(shown).hasMatch(), qPrintable(shown));
        QVERIFY(qAbs(shown.toDouble() - last.pressures[c].toDouble()) <= 0.005 + 1e-9);
    }
}

void TestScanSim::endlessScanRunsUntilStop() {
    // The operator sets FPS 0 and reads the scan group back.
    Global::SendToQel(QStringLiteral("SET FPS 0\r"));
    Global::SendList(QStringLiteral("S"), true);
    QTRY_COMPARE(Global::FramesPerScan, 0.0f);
    startScanWithLog();

    QTRY_VERIFY_WITH_TIMEOUT(csvRows(logPath).size() >= 5, 10000);
    QVERIFY(sim->isScanning());
    frame().mnuStop->trigger();
    QTRY_VERIFY(!sim->isScanning());
    const int sent = int(sim->framesSent());
    QVERIFY(sent >= 5);
    QTRY_COMPARE(csvRows(logPath).size(), sent);
    QVERIFY(frame().mnuStartScan->isEnabled());
    Global::CloseLogFile();
    compareLogWithWhatWasSent(sent);
}

QTEST_MAIN(TestScanSim)
#include "tst_scan_sim.moc"
