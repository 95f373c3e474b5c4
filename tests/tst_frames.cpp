// Scan frames as the unit sends them: what the bar graph shows, when the
// menus return to idle, and what the data log holds.

#include "bargraph/bar.h"
#include "config/qelconfig.h"
#include "core/registry.h"
#include "fixture.h"
#include "mainwin/logfile.h"
#include "mainwin/mdimain.h"
#include "replies/dispatch.h"
#include "replies/frames.h"
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

    void csvRowHoldsTimeFrameNumberAndSixteenPressures();
    void externalTriggerWritesXtrigForTheTime();
    void timeFieldUsesTheGeneralNumberFormat();
    void plainLogHoldsEveryLineAsReceived();
    void temperatureDisplayShowsTemperatureButLogsPressure();
    void scanEndsAtTheFrameBeforeFramesPerScan();
    void withoutFramesPerScanEveryFrameEndsTheScan();
    void scanDataIsNotLoggedWhenSwitchedOff();
    void otherRecordsFinishAnOpenRow();
    void malformedFrameLinesReadAsZeroAndCrashNothing();
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

void TestFrames::csvRowHoldsTimeFrameNumberAndSixteenPressures() {
    openLog(QStringLiteral("scan.csv"));
    Global::FrameInterval = 0.5f;
    sendFrame(QStringLiteral("3"), pressures(1.1, 0.1));
    sendFrame(QStringLiteral("4"), pressures(-2.0, 1.0));
    QCOMPARE(closeLog(), QByteArray("1.5,3,1.1,1.2,1.3,1.4,1.5,1.6,1.7,1.8,1.9,2.0,2.1,2.2,2.3,2.4,"
                                    "2.5,2.6\r\n"
                                    "2,4,-2.0,-1.0,0.0,1.0,2.0,3.0,4.0,5.0,6.0,7.0,8.0,9.0,10.0,"
                                    "11.0,12.0,13.0\r\n"));
    // The bar graph shows the last frame.
    QCOMPARE(bar().LabelText("labFrameData"), QStringLiteral("4"));
    QCOMPARE(bar().LabelText("labPress", 0), QStringLiteral("-2.000"));
    QCOMPARE(bar().LabelText("labPress", 15), QStringLiteral("13.000"));
    QCOMPARE(Global::BarGeom[15].Width, float(0.266695 * 13 / 100));
    QCOMPARE(Global::BarGeom[0].Left, float(0.55 - 0.266695 * 2 / 100));
}

void TestFrames::externalTriggerWritesXtrigForTheTime() {
    openLog(QStringLiteral("trig.CsV"));
    Global::FrameInterval = 0.5f;
    Global::ExtTrigger = true;
    sendFrame(QStringLiteral("3"), pressures(1.1, 0.1));
    QVERIFY(closeLog().startsWith("XTRIG,3,1.1,1.2,"));
}

void TestFrames::timeFieldUsesTheGeneralNumberFormat() {
    openLog(QStringLiteral("times.csv"));
    const QStringList zeros = pressures(0, 0);
    Global::FrameInterval = 0;
    sendFrame(QStringLiteral("7"), zeros);
    Global::FrameInterval = 0.25f;
    sendFrame(QStringLiteral("1"), zeros);
    Global::FrameInterval = 0.064f;
    sendFrame(QStringLiteral("12"), zeros);
    sendFrame(QStringLiteral("20000000"), zeros);
    const QList<QByteArray> rows = closeLog().split('\n');
    QCOMPARE(rows.size(), 5);
    QVERIFY(rows[0].startsWith("0,7,0.0,"));
    QVERIFY(rows[1].startsWith(".25,1,0.0,"));
    QVERIFY(rows[2].startsWith(".768,12,"));
    QVERIFY(rows[3].startsWith("1280000,20000000,"));
}

void TestFrames::plainLogHoldsEveryLineAsReceived() {
    openLog(QStringLiteral("scan.log"));
    Global::FrameInterval = 0.5f;
    sendFrame(QStringLiteral("3"), pressures(1.1, 0.1));
    QByteArray expected = "FRAME 0 3\r\n";
    const QStringList values = pressures(1.1, 0.1);
    for (int i = 0; i <= 15; ++i)
        expected += QByteArray::number(i) + ' ' + values[i].toLatin1() + " 21.5\r\n";
    QCOMPARE(closeLog(), expected);
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
    QVERIFY(!frame().mnuStartScan->isEnabled());
    for (int f = 0; f <= 8; ++f) {
        Global::HandleQelLine(QStringLiteral("FRAME 0 ") + QString::number(f));
        QVERIFY2(!frame().mnuStartScan->isEnabled(), qPrintable(QString::number(f)));
    }
    Global::HandleQelLine(QStringLiteral("FRAME 0 9"));
    QVERIFY(frame().mnuStartScan->isEnabled());
    QVERIFY(frame().mnuFile->menuAction()->isEnabled());

    Global::SetScanMenus();
    Global::HandleQelLine(QStringLiteral("frame 0 12")); // later frames end it again
    QVERIFY(frame().mnuStartScan->isEnabled());
}

void TestFrames::withoutFramesPerScanEveryFrameEndsTheScan() {
    Global::FramesPerScan = 0;
    Global::SetScanMenus();
    Global::HandleQelLine(QStringLiteral("FRAME 0 0"));
    QVERIFY(frame().mnuStartScan->isEnabled());
    Global::SetScanMenus();
    Global::HandleQelLine(QStringLiteral("FRAME 0 1"));
    QVERIFY(frame().mnuStartScan->isEnabled());
}

void TestFrames::scanDataIsNotLoggedWhenSwitchedOff() {
    openLog(QStringLiteral("off.csv"));
    Global::LogScanData = false;
    sendFrame(QStringLiteral("5"), pressures(3, 1));
    QCOMPARE(closeLog(), QByteArray());
    QCOMPARE(bar().LabelText("labFrameData"), QStringLiteral("5"));
    QCOMPARE(bar().LabelText("labPress", 2), QStringLiteral("5.000"));
}

void TestFrames::otherRecordsFinishAnOpenRow() {
    openLog(QStringLiteral("mixed.csv"));
    Global::LogErrors = true;
    Global::FrameInterval = 1;
    Global::HandleQelLine(QStringLiteral("FRAME 0 2"));
    Global::HandleQelLine(QStringLiteral("0 4.5 20"));
    Global::HandleQelLine(QStringLiteral("ERROR: 12 bad"));
    Global::HandleQelLine(QStringLiteral("15 9 20"));
    QCOMPARE(closeLog(), QByteArray("2,2,4.5,ERROR:,12,bad\r\n9\r\n"));
}

void TestFrames::malformedFrameLinesReadAsZeroAndCrashNothing() {
    openLog(QStringLiteral("odd.csv"));
    Global::FrameInterval = 2;
    Global::HandleQelLine(QStringLiteral("FRAME"));
    Global::HandleQelLine(QStringLiteral("3"));
    Global::HandleQelLine(QStringLiteral("4 abc"));
    Global::HandleQelLine(QStringLiteral("16 1.0 2.0")); // not a channel line
    Global::HandleQelLine(QStringLiteral("15 1e999 x"));
    QCOMPARE(bar().LabelText("labFrameData"), QString());
    QCOMPARE(bar().LabelText("labPress", 3), QStringLiteral("0.000"));
    QCOMPARE(bar().LabelText("labPress", 4), QStringLiteral("0.000"));
    QVERIFY(bar().Shape(15)->px.isEmpty());
    QCOMPARE(closeLog(), QByteArray("0,,,abc,1e999\r\n"));
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
