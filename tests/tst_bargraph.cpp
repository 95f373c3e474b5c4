// The bar graph window as the operator sees it: range labels, units, legend,
// value labels, tags, bars and the layout after a resize.

#include "bargraph/bar.h"
#include "config/qelconfig.h"
#include "core/registry.h"
#include "fixture.h"
#include "mainwin/mdimain.h"
#include "session/state.h"

#include <QAction>
#include <QCheckBox>
#include <QMdiSubWindow>
#include <QtTest>

class TestBarGraph : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void firstShowShowsScalesLegendAndChannelsButNoBars();
    void rawPressureRangesHaveNoDecimalsWhateverIsChosen();
    void temperatureRangesFollowEngineeringUnitsSwitch();
    void pressureInEngineeringUnitsIsRangeTimesFactor();
    void engineeringUnitsWithNoDisplayItemKeepScalesAndBlankUnits();
    void calcBarPlacesTheBarAsFractionsOfTheArea();
    void fullScaleOfZeroOrBelowShowsNoBarAndNoMessage();
    void valuesArriveFormattedAndFrameNumberUnchanged();
    void hiddenWindowKeepsItsLastValues();
    void tagsColourHighestRedAndLowestGreenUntilReset();
    void doublingTheHeightDoublesPositionsAndFontSizes();
    void smallWindowUsesTheSmallFontAndGrowingSwitchesBack();
    void gridMarksZeroAndBothFullScales();
    void barsArePaintedBlueOnTheScreen();

private:
    MDIMain& frame() { return Registry::get<MDIMain>(); }
    Bar& openBar();
    void setEu(bool on) {
        Registry::get<QelConfig>().chkEu->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
    // Client area of the bar graph resized to w x h pixels.
    void resizeArea(int w, int h);

    ProgramFixture* fx = nullptr;
};

void TestBarGraph::init() {
    fx = new ProgramFixture;
    fx->startProgram();
    frame().MenusConnected();
}

void TestBarGraph::cleanup() {
    delete fx;
    fx = nullptr;
}

Bar& TestBarGraph::openBar() {
    frame().mnuBarGraphOpen->trigger();
    Bar& bar = Registry::get<Bar>();
    if (!QTest::qWaitFor([&] { return bar.isVisible(); }, 2000))
        qWarning("bar graph did not show");
    return bar;
}

void TestBarGraph::resizeArea(int w, int h) {
    Bar& bar = Registry::get<Bar>();
    QMdiSubWindow* sub = bar.subWindow();
    QVERIFY(sub);
    const QSize frameExtra = sub->size() - bar.size();
    frame().resize(w + frameExtra.width() + 400, h + frameExtra.height() + 400);
    sub->resize(QSize(w, h) + frameExtra);
    QTRY_COMPARE(bar.size(), QSize(w, h));
}

void TestBarGraph::firstShowShowsScalesLegendAndChannelsButNoBars() {
    Bar& hidden = Registry::get<Bar>();
    QVERIFY(!hidden.isVisible());
    QCOMPARE(hidden.LabelText("labMax", 0), QStringLiteral("Max"));
    QCOMPARE(hidden.LabelText("labMin", 15), QStringLiteral("Min"));
    QCOMPARE(hidden.LabelText("labFrame"), QStringLiteral("Frame"));

    Bar& bar = openBar();
    QTRY_COMPARE(bar.LabelText("labMax", 0), QStringLiteral("32767"));
    QCOMPARE(bar.LabelText("labMin", 0), QStringLiteral("-32767"));
    QCOMPARE(bar.LabelText("labFrameData"), QStringLiteral("0"));
    const QStringList legend = {"-100%", "-75%", "-50%", "-25%", "0%", "25%", "50%", "75%", "100%"};
    for (int i = 0; i <= 8; ++i)
        QCOMPARE(bar.LabelText("labLeg", i), legend[i]);
    for (int i = 0; i <= 15; ++i) {
        QCOMPARE(bar.LabelText("labChan", i), QString::number(i + 1));
        QCOMPARE(bar.LabelText("labPress", i), QString());
        QVERIFY(bar.Shape(i)->px.isEmpty());
    }
    QVERIFY(!bar.Label("labPress", 16)); // spare slot, never created
    QVERIFY(!bar.Label("labNothing"));
}

void TestBarGraph::rawPressureRangesHaveNoDecimalsWhateverIsChosen() {
    Bar& bar = openBar();
    setEu(false);
    frame().mnuBarGraph3Places->trigger();
    frame().mnuBarGraphPress->trigger();
    for (int i = 0; i <= 15; ++i) {
        QCOMPARE(bar.LabelText("labMin", i), QStringLiteral("-32767"));
        QCOMPARE(bar.LabelText("labMax", i), QStringLiteral("32767"));
        QCOMPARE(Global::ChannelFullScale[i], 32767.0f);
    }
    QCOMPARE(bar.LabelText("labUnits"), QStringLiteral("Raw Press Counts"));
}

void TestBarGraph::temperatureRangesFollowEngineeringUnitsSwitch() {
    Bar& bar = openBar();
    setEu(true);
    frame().mnuBarGraph1Places->trigger();
    frame().mnuBarGraphTemp->trigger();
    QCOMPARE(bar.LabelText("labMin", 4), QStringLiteral("-70.0"));
    QCOMPARE(bar.LabelText("labMax", 4), QStringLiteral("70.0"));
    QCOMPARE(bar.LabelText("labUnits"), QStringLiteral("Degrees C"));
    QCOMPARE(Global::ChannelFullScale[4], 70.0f);

    setEu(false);
    bar.SetXScale();
    QCOMPARE(bar.LabelText("labMax", 9), QStringLiteral("32767"));
    QCOMPARE(bar.LabelText("labUnits"), QStringLiteral("Raw Temp Counts"));
}

void TestBarGraph::pressureInEngineeringUnitsIsRangeTimesFactor() {
    Bar& bar = openBar();
    for (int i = 0; i <= 15; ++i)
        Global::ChannelRange[i] = i < 8 ? QStringLiteral("15") : QStringLiteral("30 psi");
    Global::CvtUnit = QStringLiteral("6.894757");
    Global::UnitScan = QStringLiteral("KPA");
    setEu(true);
    frame().mnuBarGraph2Places->trigger();
    frame().mnuBarGraphPress->trigger();
    QCOMPARE(Global::ScaleText[0], QStringLiteral("103.4214"));
    QCOMPARE(Global::ChannelFullScale[0], static_cast<float>(15 * 6.894757));
    QCOMPARE(bar.LabelText("labMin", 0), QStringLiteral("-103.42"));
    QCOMPARE(bar.LabelText("labMax", 7), QStringLiteral("103.42"));
    QCOMPARE(bar.LabelText("labMax", 8), QStringLiteral("206.84"));
    QCOMPARE(bar.LabelText("labUnits"), QStringLiteral("KPA"));

    // A new decimal-places choice redraws the ranges at once.
    frame().mnuBarGraph0Places->trigger();
    QCOMPARE(bar.LabelText("labMax", 0), QStringLiteral("103"));
}

void TestBarGraph::engineeringUnitsWithNoDisplayItemKeepScalesAndBlankUnits() {
    Bar& bar = openBar();
    setEu(true);
    frame().mnuBarGraphTemp->trigger();
    QCOMPARE(bar.LabelText("labUnits"), QStringLiteral("Degrees C"));
    frame().mnuBarGraphTemp->setChecked(false);
    frame().mnuBarGraphPress->setChecked(false);
    bar.SetXScale();
    QCOMPARE(Global::ChannelFullScale[3], 70.0f);
    QCOMPARE(bar.LabelText("labUnits"), QString());
}

void TestBarGraph::calcBarPlacesTheBarAsFractionsOfTheArea() {
    Bar& bar = openBar();
    resizeArea(800, 600);
    bar.CalcBar(3, 50, 100);
    const Global::BarRect g = Global::BarGeom[3];
    QCOMPARE(g.Top, 0.26f);
    QCOMPARE(g.Height, 0.03f);
    QCOMPARE(g.Left, 0.55f);
    QCOMPARE(g.Width, 0.1333475f);
    const QRectF px = bar.Shape(3)->px;
    QCOMPARE(px.left(), 0.55f * 800.0);
    QCOMPARE(px.top(), double(0.26f) * 600.0);
    QCOMPARE(px.width(), double(0.1333475f) * 800.0);

    bar.CalcBar(3, -100, 100);
    QCOMPARE(Global::BarGeom[3].Left, 0.283305f);
    QCOMPARE(Global::BarGeom[3].Width, 0.266695f);

    bar.CalcBar(3, 0, 100); // zero: no width, at the zero line
    QCOMPARE(Global::BarGeom[3].Left, 0.55f);
    QCOMPARE(Global::BarGeom[3].Width, 0.0f);

    bar.CalcBar(0, 250, 100); // beyond full scale: not clipped
    QCOMPARE(Global::BarGeom[0].Width, float(0.266695 * 2.5));
    QCOMPARE(Global::BarGeom[0].Top, 0.11f);
}

void TestBarGraph::fullScaleOfZeroOrBelowShowsNoBarAndNoMessage() {
    Bar& bar = openBar();
    bar.CalcBar(5, 40, 100);
    QVERIFY(!bar.Shape(5)->px.isEmpty());
    bar.CalcBar(5, 40, 0);
    QVERIFY(bar.Shape(5)->px.isEmpty());
    QCOMPARE(Global::BarGeom[5].Width, 0.0f);
    bar.CalcBar(6, -40, -10);
    QVERIFY(bar.Shape(6)->px.isEmpty());
    bar.CalcBar(7, std::numeric_limits<float>::infinity(), 100);
    QVERIFY(bar.Shape(7)->px.isEmpty());
    QVERIFY(fx->prompt->shown.isEmpty());
}

void TestBarGraph::valuesArriveFormattedAndFrameNumberUnchanged() {
    Bar& bar = openBar();
    setEu(true);
    frame().mnuBarGraph2Places->trigger();
    bar.SetPressValue(0, QStringLiteral("3.14159"));
    bar.SetPressValue(1, QStringLiteral("2"));
    bar.SetPressValue(2, QStringLiteral("-7.5x"));
    bar.SetPressValue(3, QStringLiteral("junk"));
    bar.SetFrame(QStringLiteral("0042"));
    QCOMPARE(bar.LabelText("labPress", 0), QStringLiteral("3.14"));
    QCOMPARE(bar.LabelText("labPress", 1), QStringLiteral("2.00"));
    QCOMPARE(bar.LabelText("labPress", 2), QStringLiteral("-7.50"));
    QCOMPARE(bar.LabelText("labPress", 3), QStringLiteral("0.00"));
    QCOMPARE(bar.LabelText("labFrameData"), QStringLiteral("0042"));
    bar.SetMaxValue(9, QStringLiteral("12.345"));
    bar.SetMinValue(9, QStringLiteral("-1"));
    QCOMPARE(bar.LabelText("labMax", 9), QStringLiteral("12.35"));
    QCOMPARE(bar.LabelText("labMin", 9), QStringLiteral("-1.00"));
}

void TestBarGraph::hiddenWindowKeepsItsLastValues() {
    Bar& bar = openBar();
    setEu(true);
    frame().mnuBarGraph1Places->trigger();
    bar.SetPressValue(2, QStringLiteral("4.2"));
    bar.CalcBar(2, 4.2f, 10);
    bar.SetFrame(QStringLiteral("7"));
    const QRectF shown = bar.Shape(2)->px;

    bar.hideForm();
    bar.SetPressValue(2, QStringLiteral("9.9"));
    bar.CalcBar(2, 9.9f, 10);
    bar.SetFrame(QStringLiteral("8"));
    bar.SetMaxValue(2, QStringLiteral("1"));
    QCOMPARE(bar.LabelText("labPress", 2), QStringLiteral("4.2"));
    QCOMPARE(bar.LabelText("labFrameData"), QStringLiteral("7"));
    QCOMPARE(bar.Shape(2)->px, shown);
    QCOMPARE(Global::BarGeom[2].Width, float(0.266695 * 4.2f / 10));

    bar.showForm();
    QTRY_VERIFY(bar.isVisible());
    QCOMPARE(bar.LabelText("labPress", 2), QStringLiteral("4.2"));
    QCOMPARE(bar.Shape(2)->px, shown);
}

void TestBarGraph::tagsColourHighestRedAndLowestGreenUntilReset() {
    Bar& bar = openBar();
    setEu(true);
    const QColor normal = bar.LabelColor("labPress", 0);
    const QColor red(255, 0, 0), green(0, 255, 0);
    const double values[16] = {5, 9, 9, 1, 1, 3, 4, 2, 10, 20, 30, 40, 50, 60, 70, -80};
    for (int i = 0; i <= 15; ++i)
        bar.SetPressValue(i, QString::number(values[i]));

    frame().mnuTag9to16->trigger(); // channels 9 to 16: 15 red, 16 green
    QCOMPARE(bar.LabelColor("labPress", 14), red);
    QCOMPARE(bar.LabelColor("labPress", 15), green);

    frame().mnuTag1to8->trigger();
    for (int i = 0; i <= 7; ++i) {
        const QColor expected = i == 1 ? red : i == 3 ? green : normal;
        QCOMPARE(bar.LabelColor("labPress", i), expected);
    }
    // Earlier tags stay.
    QCOMPARE(bar.LabelColor("labPress", 14), red);
    QCOMPARE(bar.LabelColor("labPress", 15), green);

    // One channel alone is both highest and lowest: it ends red.
    bar.TagHighAndLow(5, 5);
    QCOMPARE(bar.LabelColor("labPress", 5), red);

    bar.ResetLables();
    for (int i = 0; i <= 15; ++i)
        QCOMPARE(bar.LabelColor("labPress", i), normal);

    // Over all sixteen, -80 is lowest and 70 highest.
    frame().mnuTag1to16->trigger();
    QCOMPARE(bar.LabelColor("labPress", 14), red);
    QCOMPARE(bar.LabelColor("labPress", 15), green);
    QCOMPARE(bar.LabelColor("labPress", 1), normal);
}

void TestBarGraph::doublingTheHeightDoublesPositionsAndFontSizes() {
    Bar& bar = openBar();
    resizeArea(600, 300);
    bar.CalcBar(4, -30, 100);
    const BarLabel before = *bar.Label("labPress", 6);
    const QRectF barBefore = bar.Shape(4)->px;
    const QLineF tickBefore = bar.Line("linTick", 6)->px;
    QCOMPARE(before.px.top(), double(float(0.1 + 0.05 * 6)) * 300);

    resizeArea(600, 600);
    const BarLabel after = *bar.Label("labPress", 6);
    QCOMPARE(after.px.top(), 2 * before.px.top());
    QCOMPARE(after.px.height(), 2 * before.px.height());
    QCOMPARE(after.px.left(), before.px.left());
    QCOMPARE(after.fontSize, 2 * before.fontSize);
    QCOMPARE(after.font.pointSizeF(), 2 * before.font.pointSizeF());
    QCOMPARE(bar.Line("linTick", 6)->px.y1(), 2 * tickBefore.y1());
    QCOMPARE(bar.Shape(4)->px.top(), 2 * barBefore.top());
    QCOMPARE(bar.Shape(4)->px.width(), barBefore.width()); // keeps its value
    QCOMPARE(bar.Label("labUnits")->px.top(), double(0.95f) * 600);
}

void TestBarGraph::smallWindowUsesTheSmallFontAndGrowingSwitchesBack() {
    QVERIFY(Bar::SmallFontFamily() != Bar::RegularFontFamily());
    Bar& bar = openBar();
    const double dpi = bar.logicalDpiY();
    // Labels are 0.05 of the height; 7 points needs 28/3 points of label.
    const int smallHeight = int(28.0 / 3.0 / 72.0 * dpi / 0.05) - 10;
    resizeArea(500, smallHeight);
    for (const char* name : {"labPress", "labChan", "labMin", "labMax", "labLeg"}) {
        const BarLabel* label = bar.Label(name, 2);
        QVERIFY(label->fontSize < 7);
        QCOMPARE(label->font.family(), Bar::SmallFontFamily());
    }
    QCOMPARE(bar.Label("labUnits")->font.family(), Bar::SmallFontFamily());
    QCOMPARE(bar.Label("labFrameData")->font.family(), Bar::SmallFontFamily());

    resizeArea(500, smallHeight + 40);
    QVERIFY(bar.Label("labMax", 2)->fontSize >= 7);
    QCOMPARE(bar.Label("labMax", 2)->font.family(), Bar::RegularFontFamily());
    QCOMPARE(bar.Label("labFrame")->font.family(), Bar::RegularFontFamily());
}

void TestBarGraph::gridMarksZeroAndBothFullScales() {
    Bar& bar = openBar();
    resizeArea(1000, 500);
    const double w = 1000;
    // The grid formula puts line 4 at 0.550015: on the zero line to within
    // a fifty-thousandth of the width.
    QVERIFY(qAbs(bar.Line("linGrid", 4)->px.x1() - bar.Line("linCenter")->px.x1()) <= 0.00002 * w);
    bar.CalcBar(0, -100, 100);
    bar.CalcBar(1, 100, 100);
    QVERIFY(qAbs(bar.Line("linGrid", 0)->px.x1() - bar.Shape(0)->px.left()) < 0.0001 * w);
    QVERIFY(qAbs(bar.Line("linGrid", 8)->px.x1() - bar.Shape(1)->px.right()) < 0.0001 * w);
    for (int i = 0; i <= 8; ++i) {
        QCOMPARE(bar.Line("linGrid", i)->style, Qt::DashDotDotLine);
        QCOMPARE(bar.Line("linGrid", i)->px.y1(), double(0.1f) * 500);
        QCOMPARE(bar.Line("linGrid", i)->px.y2(), double(0.9f) * 500);
    }
    QCOMPARE(bar.Line("linTop")->style, Qt::SolidLine);
    QVERIFY(!bar.Line("linGrid", 11));
}

void TestBarGraph::barsArePaintedBlueOnTheScreen() {
    Bar& bar = openBar();
    resizeArea(600, 400);
    bar.CalcBar(8, 75, 100);
    bar.CalcBar(15, -50, 100); // the last channel completes the frame
    const QImage image = bar.grab().toImage();
    const QPoint inside = bar.Shape(8)->px.center().toPoint();
    QCOMPARE(image.pixelColor(inside), QColor(0, 0, 255));
    const QPoint left = bar.Shape(15)->px.center().toPoint();
    QCOMPARE(image.pixelColor(left), QColor(0, 0, 255));
    // Row 8's band left of the zero line stays unpainted by its bar.
    const QPoint outside(int(0.45 * 600), inside.y());
    QVERIFY(image.pixelColor(outside) != QColor(0, 0, 255));
}

QTEST_MAIN(TestBarGraph)
#include "tst_bargraph.moc"
