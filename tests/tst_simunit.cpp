// The program against the simulated unit, a second reading of the same
// protocol: whole scans into the bar graph and the comma-separated log.

#include "program.h"
#include "qelsim/simulator.h"

namespace {

// The lines of a file, without their line ends.
QList<QByteArray> LinesOf(const QString& path) {
    QList<QByteArray> lines = FileContents(path).split('\n');
    for (QByteArray& line : lines)
        line = line.trimmed();
    lines.removeAll(QByteArray());
    return lines;
}

// The frames the simulator sent: each its number, then its sixteen pressures.
QList<QList<QByteArray>> FramesSent(const QString& sentPath) {
    QList<QList<QByteArray>> frames;
    for (const QByteArray& line : LinesOf(sentPath)) {
        const QList<QByteArray> t = line.split(' ');
        if (t[0] == "FRAME")
            frames.append({t.value(2)});
        else if (!frames.isEmpty() && t.size() == 3 &&
                 t[0] == QByteArray::number(frames.last().size() - 1))
            frames.last().append(t[1]);
    }
    return frames;
}

} // namespace

class TestSimUnit : public QObject {
    Q_OBJECT
    std::unique_ptr<qelsim::Simulator> sim; // outlives the program
    std::unique_ptr<ProgramFixture> fx;
    QString sentPath;

    // Starts a simulated unit of the model and the program, connects them
    // and waits until the session's lists are answered.
    bool start(const QString& model) {
        fx = std::make_unique<ProgramFixture>();
        qelsim::SimOptions options;
        options.port = 0;
        options.bind = QHostAddress(QHostAddress::LocalHost);
        options.seed = 7;
        qelsim::modelFromCode(model, &options.model);
        options.recordOutputFile = sentPath = fx->dir() + QStringLiteral("/sent.txt");
        sim = std::make_unique<qelsim::Simulator>(options);
        QString error;
        if (!sim->start(&error))
            return false;
        fx->startProgram();
        StartConnecting(QStringLiteral("127.0.0.1:%1").arg(sim->port()));
        Main& main = Registry::get<Main>();
        const bool settled = QTest::qWaitFor(
            [&] {
                return Global::ConnectState == 2 && Frame().mnuStartScan->isEnabled() &&
                       !main.tmrResponse->isActive();
            },
            15000);
        main.tmrStatus->stop();
        return settled;
    }
    void startScanWithLog(const QString& log) {
        Global::LogScanData = true;
        fx->openLog(log);
        Frame().mnuBarGraphOpen->trigger();
        QTRY_VERIFY(Registry::get<Bar>().isVisible());
        Frame().mnuStartScan->trigger();
        QVERIFY(!Frame().mnuStartScan->isEnabled());
    }
    // Every row of the log is a frame the simulator sent, in order: the time
    // (FrameInterval apart, no zero before the point), the number, pressures.
    void compareLogWithWhatWasSent(const QString& log, int frames) {
        Global::CloseLogFile();
        const QList<QList<QByteArray>> sent = FramesSent(sentPath);
        const QList<QByteArray> rows = LinesOf(fx->dir() + '/' + log);
        QCOMPARE(sent.size(), frames);
        QCOMPARE(rows.size(), frames);
        for (int f = 0; f < frames; ++f) {
            const QList<QByteArray> row = rows[f].split(',');
            QCOMPARE(row.mid(1), sent[f]);
            QCOMPARE(row[1], QByteArray::number(f));
            QVERIFY(!row[0].startsWith("0.") && !row[0].startsWith(' '));
            QVERIFY(qAbs(row[0].toDouble() - double(Global::FrameInterval) * f) < 1e-5 * (f + 1));
        }
    }

private slots:
    void cleanup() {
        fx.reset();
        sim.reset();
    }

    void hundredFrameScanReachesBarGraphAndLogExactly() {
        QVERIFY(start(QStringLiteral("Q1600")));
        // A short period keeps the scan short: a frame every 6.4 ms.
        Global::SendToQel(QStringLiteral("SET PERIOD 50\r"));
        Global::SendList(QStringLiteral("S"), true);
        QTRY_COMPARE(Global::FrameInterval, 0.0064f);
        // What the frame label held when the menus went back to idle.
        Bar& bar = Registry::get<Bar>();
        QString labelAtIdle;
        connect(Frame().mnuStartScan, &QAction::changed, this, [&] {
            if (Frame().mnuStartScan->isEnabled() && labelAtIdle.isEmpty())
                labelAtIdle = bar.LabelText("labFrameData");
        });
        startScanWithLog(QStringLiteral("scan.csv"));
        QTRY_VERIFY_WITH_TIMEOUT(!labelAtIdle.isEmpty(), 30000);
        // The last frame's header turns the menus idle just before it reaches
        // the frame label, so the label still shows the frame before it.
        QCOMPARE(labelAtIdle, QStringLiteral("98"));
        QTRY_COMPARE(bar.LabelText("labFrameData"), QStringLiteral("99"));
        QTRY_COMPARE(LinesOf(fx->dir() + "/scan.csv").size(), 100);
        QVERIFY(!sim->isScanning());
        compareLogWithWhatWasSent(QStringLiteral("scan.csv"), 100);
        // The bar graph shows the last frame's pressures with two decimals.
        const QList<QByteArray> last = FramesSent(sentPath).last();
        for (int c = 0; c <= 15; ++c) {
            const QString shown = bar.LabelText("labPress", c);
            QVERIFY2(QRegularExpression("^-?\\d+\\.\\d\\d$").match(shown).hasMatch(),
                     qPrintable(shown));
            QVERIFY(qAbs(shown.toDouble() - last[c + 1].toDouble()) <= 0.005 + 1e-9);
        }
    }

    void endlessScanRunsUntilStop() {
        QVERIFY(start(QStringLiteral("Q1600")));
        Global::SendToQel(QStringLiteral("SET PERIOD 50\rSET FPS 0\r"));
        Global::SendList(QStringLiteral("S"), true);
        QTRY_COMPARE(Global::FramesPerScan, 0.0f);
        startScanWithLog(QStringLiteral("endless.csv"));
        QTRY_VERIFY_WITH_TIMEOUT(LinesOf(fx->dir() + "/endless.csv").size() >= 5, 10000);
        QVERIFY(sim->isScanning());
        Frame().mnuStop->trigger();
        QTRY_VERIFY(!sim->isScanning());
        const int sent = int(sim->framesSent());
        QTRY_COMPARE(LinesOf(fx->dir() + "/endless.csv").size(), sent);
        QVERIFY(Frame().mnuStartScan->isEnabled());
        compareLogWithWhatWasSent(QStringLiteral("endless.csv"), sent);
    }
};

QTEST_MAIN(TestSimUnit)
#include "tst_simunit.moc"
