// Scan frames as the unit sends them: what the bar graph shows, when the
// menus return to idle, and what the data log holds.

#include "bargraph/bar.h"
#include "config/qelconfig.h"
#include "core/registry.h"
#include "fixture.h"
#include "mainwin/logfile.h"
#include "mainwin/mdimain.h"
#include "replies/frames.h"
#include "session/effects.h"
#include "session/session.h"
#include "session/state.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QMenu>
#include <QtTest>

class TestFrames : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void logHoldsEveryFrame_data();
    void logHoldsEveryFrame();
    void temperatureDisplayShowsTemperatureButLogsPressure();
    void scanEndsAtTheFrameBeforeFramesPerScan();
    void oddLinesAndOtherRecordsKeepTheLogReadable();
    void aFrameReachesTheScreenWhenItsLastChannelArrives();

private:
    MDIMain& frame() { return Registry::get<MDIMain>(); }
    Bar& bar() { return Registry::get<Bar>(); }
    void openLog(const QString& name);
    QByteArray closeLog();
    void sendFrame(const QString& number, const QStringList& pressures,
                   const QString& temperature = QStringLiteral("21.5"));
    static QStringList pressures(double first, double step);

    ProgramFixture* fx = nullptr;
    QString logPath;
};

void TestFrames::init() {
    fx = new ProgramFixture;
    fx->startProgram();
    frame().MenusConnected();
    frame().mnuBarGraphOpen->trigger();
    QTRY_VERIFY(bar().isVisible());
    Registry::get<QelConfig>().chkEu->setCheckState(Qt::Checked);
    frame().mnuBarGraph3Places->trigger();
    for (int i = 0; i <= 15; ++i)
        Global::ChannelRange[i] = QStringLiteral("100");
    Global::CvtUnit = QStringLiteral("1");
    frame().mnuBarGraphPress->trigger();
    Global::LogScanData = true;
    Global::FramesPerScan = 1000;
}

void TestFrames::cleanup() {
    delete fx;
    fx = nullptr;
}

void TestFrames::openLog(const QString& name) {
    logPath = fx->dir() + QLatin1Char('/') + name;
    fx->prompt->fileAnswers.enqueue(logPath);
    Global::OpenLogFile();
    QVERIFY(Global::LogFileOpen);
}

QByteArray TestFrames::closeLog() {
    Global::CloseLogFile();
    QFile file(logPath);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<no log file>");
    return file.readAll();
}

QStringList TestFrames::pressures(double first, double step) {
    QStringList list;
    for (int i = 0; i <= 15; ++i)
        list << QString::number(first + step * i, 'f', 1);
    return list;
}

void TestFrames::sendFrame(const QString& number, const QStringList& values,
                           const QString& temperature) {
    Global::HandleQelLine(QStringLiteral("FRAME 0 ") + number);
    for (int i = 0; i <= 15; ++i)
        Global::HandleQelLine(QString::number(i) + QLatin1Char(' ') + values[i] + QLatin1Char(' ') +
                              temperature);
}

void TestFrames::logHoldsEveryFrame_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<float>("interval");
    QTest::addColumn<bool>("extTrigger");
    QTest::addColumn<bool>("logScanData");
    QTest::addColumn<QByteArray>("log"); // frame 3 of 1.1, 1.2, ... 2.6
    const QByteArray values = "1.1,1.2,1.3,1.4,1.5,1.6,1.7,1.8,1.9,2.0,2.1,2.2,2.3,2.4,2.5,2.6";
    QByteArray plain = "FRAME 0 3\r\n";
    const QStringList p = pressures(1.1, 0.1);
    for (int i = 0; i <= 15; ++i)
        plain += QByteArray::number(i) + ' ' + p[i].toLatin1() + " 21.5\r\n";
    QTest::newRow("csv") << "scan.csv" << 0.5f << false << true << "1.5,3," + values + "\r\n";
    QTest::newRow("external trigger")
        << "trig.CsV" << 0.5f << true << true << "XTRIG,3," + values + "\r\n";
    QTest::newRow("time .25") << "t.csv" << 1.0f / 12 << false << true
                              << ".25,3," + values + "\r\n";
    QTest::newRow("no interval") << "t.csv" << 0.0f << false << true << "0,3," + values + "\r\n";
    QTest::newRow("plain log") << "scan.log" << 0.5f << false << true << plain;
    QTest::newRow("scan data off") << "off.csv" << 0.5f << false << false << QByteArray();
}

void TestFrames::logHoldsEveryFrame() {
    QFETCH(QString, file);
    QFETCH(float, interval);
    QFETCH(bool, extTrigger);
    QFETCH(bool, logScanData);
    QFETCH(QByteArray, log);
    openLog(file);
    Global::FrameInterval = interval;
    Global::ExtTrigger = extTrigger;
    Global::LogScanData = logScanData;
    sendFrame(QStringLiteral("3"), pressures(1.1, 0.1));
    QCOMPARE(closeLog(), log);
    // The bar graph shows the frame either way.
    QCOMPARE(bar().LabelText("labFrameData"), QStringLiteral("3"));
    QCOMPARE(bar().LabelText("labPress", 15), QStringLiteral("2.600"));
    QCOMPARE(Global::BarGeom[15].Width, float(0.266695 * 2.6 / 100));
}

void TestFrames::temperatureDisplayShowsTemperatureButLogsPressure() {
    openLog(QStringLiteral("temp.csv"));
    frame().mnuBarGraph1Places->trigger();
    frame().mnuBarGraphTemp->trigger(); // EU on: full scale 70
    Global::HandleQelLine(QStringLiteral("FRAME 0 0"));
    for (int i = 0; i <= 15; ++i)
        Global::HandleQelLine(i == 7 ? QStringLiteral("7 12.345 23.1")
                                     : QString::number(i) + QStringLiteral(" 1 2"));
    QCOMPARE(bar().LabelText("labPress", 7), QStringLiteral("23.1"));
    QCOMPARE(Global::BarGeom[7].Width, float(0.266695 * double(23.1f) / 70));
    const QByteArray log = closeLog();
    QCOMPARE(log.split(',').value(9), QByteArray("12.345"));
}

void TestFrames::scanEndsAtTheFrameBeforeFramesPerScan() {
    Global::FramesPerScan = 10;
    Global::SetScanMenus();
    for (int f = 0; f <= 8; ++f) {
        Global::HandleQelLine(QStringLiteral("FRAME 0 ") + QString::number(f));
        QVERIFY2(!frame().mnuStartScan->isEnabled(), qPrintable(QString::number(f)));
    }
    Global::HandleQelLine(QStringLiteral("FRAME 0 9"));
    QVERIFY(frame().mnuStartScan->isEnabled());
    QVERIFY(frame().mnuFile->menuAction()->isEnabled());

    // With no frames per scan every frame ends the scan.
    Global::FramesPerScan = 0;
    for (const char* line : {"FRAME 0 0", "FRAME 0 1"}) {
        Global::SetScanMenus();
        Global::HandleQelLine(QString::fromLatin1(line));
        QVERIFY(frame().mnuStartScan->isEnabled());
    }
}

void TestFrames::oddLinesAndOtherRecordsKeepTheLogReadable() {
    openLog(QStringLiteral("odd.csv"));
    Global::LogErrors = true;
    Global::FrameInterval = 1;
    // Malformed frame lines read as zero and crash nothing; "16" is no channel.
    for (const char* line : {"FRAME", "3", "4 abc", "16 1.0 2.0", "15 1e999 x"})
        Global::HandleQelLine(QString::fromLatin1(line));
    QCOMPARE(bar().LabelText("labFrameData"), QString());
    QCOMPARE(bar().LabelText("labPress", 3), QStringLiteral("0.000"));
    QCOMPARE(bar().LabelText("labPress", 4), QStringLiteral("0.000"));
    QVERIFY(bar().Shape(15)->px.isEmpty());
    // Another record finishes an open row.
    for (const char* line : {"FRAME 0 2", "0 4.5 20", "ERROR: 12 bad", "15 9 20"})
        Global::HandleQelLine(QString::fromLatin1(line));
    QCOMPARE(closeLog(), QByteArray("0,,,abc,1e999\r\n2,2,4.5,ERROR:,12,bad\r\n9\r\n"));
    QCOMPARE(fx->prompt->messages(), QStringList());
}

namespace {
// Counts the paints a widget receives.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};
} // namespace

void TestFrames::aFrameReachesTheScreenWhenItsLastChannelArrives() {
    Bar& b = bar();
    QTest::qWait(50); // let the window's first paints settle
    PaintCounter counter;
    b.installEventFilter(&counter);
    const QStringList values = pressures(1, 1);
    Global::HandleQelLine(QStringLiteral("FRAME 0 1"));
    for (int i = 0; i < 15; ++i)
        Global::HandleQelLine(QString::number(i) + QLatin1Char(' ') + values[i] +
                              QStringLiteral(" 20"));
    QTest::qWait(40);
    QCOMPARE(counter.paints, 0); // nothing of a half-received frame is shown
    Global::HandleQelLine(QStringLiteral("15 16 20"));
    QCOMPARE(counter.paints, 1); // the whole frame in one paint

    // A frame whose last channel never comes is shown after a while.
    Global::HandleQelLine(QStringLiteral("FRAME 0 2"));
    Global::HandleQelLine(QStringLiteral("0 7 20"));
    QTRY_COMPARE(counter.paints, 2);
    QCOMPARE(b.LabelText("labFrameData"), QStringLiteral("2"));
}

QTEST_MAIN(TestFrames)
#include "tst_frames.moc"
