// The bar graph window as the operator sees it: range labels, units, legend,
// value labels, bars and the layout after a resize. (Its tags are tested with
// the scan commands, in tst_mainwindow.cpp.)

#include "bargraph/glyphtext.h"
#include "bargraph/pixels.h"
#include "program.h"

#include <QPainter>

namespace {

void SetEu(bool on) {
    Registry::get<QelConfig>().chkEu->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

// Client area of the bar graph resized to w x h pixels.
void ResizeArea(int w, int h) {
    Bar& bar = Registry::get<Bar>();
    QMdiSubWindow* sub = bar.subWindow();
    QVERIFY(sub);
    const QSize frameExtra = sub->size() - bar.size();
    Frame().resize(w + frameExtra.width() + 400, h + frameExtra.height() + 400);
    sub->resize(QSize(w, h) + frameExtra);
    QTRY_COMPARE(bar.size(), QSize(w, h));
}

} // namespace

class TestBarGraph : public ProgramTest {
    Q_OBJECT
private slots:
    void rangeLabelsFollowDisplayItemAndUnits_data() {
        QTest::addColumn<bool>("eu");
        QTest::addColumn<bool>("temperature");
        QTest::addColumn<int>("places");
        QTest::addColumn<QString>("min");
        QTest::addColumn<QString>("max");
        QTest::addColumn<QString>("units");
        const struct {
            const char *name, *min, *max, *units;
            bool eu, temperature;
            int places;
        } rows[] = {{"raw pressure", "-32767", "32767", "Raw Press Counts", false, false, 3},
                    {"raw temperature", "-32767", "32767", "Raw Temp Counts", false, true, 2},
                    {"EU temperature", "-70.0", "70.0", "Degrees C", true, true, 1},
                    {"EU pressure", "-103.42", "103.42", "KPA", true, false, 2}};
        for (const auto& r : rows)
            QTest::newRow(r.name) << r.eu << r.temperature << r.places << r.min << r.max << r.units;
    }

    void rangeLabelsFollowDisplayItemAndUnits() {
        QFETCH(bool, eu);
        QFETCH(bool, temperature);
        QFETCH(int, places);
        QFETCH(QString, min);
        QFETCH(QString, max);
        QFETCH(QString, units);
        Bar& bar = OpenBarGraph();
        QTRY_COMPARE(bar.LabelText("labLeg", 0), QStringLiteral("-100%"));
        for (int i = 0; i <= 15; ++i)
            QVERIFY(bar.Shape(i)->px.isEmpty()); // no bar before a value
        for (int i = 0; i <= 15; ++i)
            Global::ChannelRange[i] = i < 8 ? QStringLiteral("15") : QStringLiteral("30 psi");
        Global::CvtUnit = QStringLiteral("6.894757");
        Global::UnitScan = QStringLiteral("KPA");
        SetEu(eu);
        QAction* const placesItems[] = {Frame().mnuBarGraph0Places, Frame().mnuBarGraph1Places,
                                        Frame().mnuBarGraph2Places, Frame().mnuBarGraph3Places};
        placesItems[places]->trigger();
        (temperature ? Frame().mnuBarGraphTemp : Frame().mnuBarGraphPress)->trigger();
        for (int i = 0; i <= 7; ++i) {
            QCOMPARE(bar.LabelText("labMin", i), min);
            QCOMPARE(bar.LabelText("labMax", i), max);
        }
        QCOMPARE(bar.LabelText("labUnits"), units);
        if (eu && !temperature) {
            QCOMPARE(Global::ScaleText[0], QStringLiteral("103.4214"));
            QVERIFY(bar.LabelText("labMax", 8).startsWith(QLatin1String("20")));
        } else {
            QCOMPARE(Global::ChannelFullScale[9], eu ? 70.0f : 32767.0f);
        }

        // Every text keeps its sign and digits: at the default size at the rule's
        // own font size, and when the window is small, drawn smaller within its room.
        for (int i = 0; i <= 15; ++i)
            bar.SetPressValue(i, min);
        bar.SetFrame(QStringLiteral("65535"));
        auto allFit = [&](bool atRuleSize) {
            const std::pair<const char*, int> labels[] = {
                {"labChan", 16}, {"labPress", 16}, {"labMin", 16},      {"labMax", 16},
                {"labLeg", 9},   {"labFrame", 1},  {"labFrameData", 1}, {"labUnits", 1}};
            for (const auto& [name, count] : labels)
                for (int i = 0; i < count; ++i) {
                    const QFont font = bar.DrawnFont(name, i);
                    const double wide =
                        QFontMetricsF(font, &bar).horizontalAdvance(bar.LabelText(name, i));
                    if (wide > bar.TextRoom(name, i) ||
                        (atRuleSize && font.pointSizeF() != bar.Label(name, i)->font.pointSizeF()))
                        return QStringLiteral("%1 %2 \"%3\" at %4x%5")
                            .arg(QLatin1String(name))
                            .arg(i)
                            .arg(bar.LabelText(name, i))
                            .arg(bar.width())
                            .arg(bar.height());
                }
            return QString();
        };
        ResizeArea(bar.sizeHint().width(), bar.sizeHint().height());
        QCOMPARE(allFit(true), QString());
        ResizeArea(bar.sizeHint().width() / 3, bar.sizeHint().height() / 2);
        QCOMPARE(allFit(false), QString());
    }

    void calcBarPlacesTheBarAsFractionsOfTheArea() {
        Bar& bar = OpenBarGraph();
        // Each channel has its row; where a bar starts and ends on it is
        // checked against the grid (resizeScalesLayoutAndBarsArePaintedBlue).
        bar.CalcBar(3, 50, 100);
        QCOMPARE(Global::BarGeom[3].Top, 0.26f);
        QCOMPARE(Global::BarGeom[3].Height, 0.03f);
        bar.CalcBar(0, 250, 100); // beyond full scale: not clipped
        QCOMPARE(Global::BarGeom[0].Width, float(0.266695 * 2.5));

        // A full scale of 0 or below (or a value out of range) shows no bar, no message.
        bar.CalcBar(5, 40, 0);
        QVERIFY(bar.Shape(5)->px.isEmpty());
        QCOMPARE(Global::BarGeom[5].Width, 0.0f);
        bar.CalcBar(6, -40, -10);
        QVERIFY(bar.Shape(6)->px.isEmpty());
        bar.CalcBar(7, std::numeric_limits<float>::infinity(), 100);
        QVERIFY(bar.Shape(7)->px.isEmpty());
        QVERIFY(fx->prompt->shown.isEmpty());
    }

    void valuesArriveFormattedButNotWhileHidden() {
        Bar& bar = OpenBarGraph();
        SetEu(true);
        Frame().mnuBarGraph2Places->trigger();
        bar.SetPressValue(2, QStringLiteral("-7.5x")); // the leading number
        bar.SetFrame(QStringLiteral("0042"));          // as it came
        QCOMPARE(bar.LabelText("labPress", 2), QStringLiteral("-7.50"));
        QCOMPARE(bar.LabelText("labFrameData"), QStringLiteral("0042"));

        bar.CalcBar(2, 4.2f, 10);
        const QRectF shown = bar.Shape(2)->px;
        bar.hideForm();
        bar.SetPressValue(2, QStringLiteral("9.9"));
        bar.CalcBar(2, 9.9f, 10);
        bar.SetFrame(QStringLiteral("8"));
        bar.showForm();
        QTRY_VERIFY(bar.isVisible());
        QCOMPARE(bar.LabelText("labPress", 2), QStringLiteral("-7.50"));
        QCOMPARE(bar.LabelText("labFrameData"), QStringLiteral("0042"));
        QCOMPARE(bar.Shape(2)->px, shown);

        // Minimized inside the frame it is still shown: it keeps up, and
        // restoring it shows the latest frame.
        bar.subWindow()->showMinimized();
        bar.SetPressValue(2, QStringLiteral("9.9"));
        bar.CalcBar(2, 9.9f, 10);
        bar.SetFrame(QStringLiteral("8"));
        bar.subWindow()->showNormal();
        QCOMPARE(bar.LabelText("labPress", 2), QStringLiteral("9.90"));
        QCOMPARE(bar.LabelText("labFrameData"), QStringLiteral("8"));
        QVERIFY(bar.Shape(2)->px != shown);
    }

    void resizeScalesLayoutAndBarsArePaintedBlue() {
        Bar& bar = OpenBarGraph();
        ResizeArea(600, 300);
        bar.CalcBar(4, -30, 100);
        const BarLabel before = *bar.Label("labPress", 6);
        const QRectF barBefore = bar.Shape(4)->px;
        ResizeArea(600, 600);
        const BarLabel after = *bar.Label("labPress", 6);
        QCOMPARE(after.px.top(), 2 * before.px.top());
        QCOMPARE(after.px.left(), before.px.left());
        QCOMPARE(after.fontSize, 2 * before.fontSize);
        QCOMPARE(bar.Shape(4)->px.top(), 2 * barBefore.top());
        QCOMPARE(bar.Shape(4)->px.width(), barBefore.width()); // keeps its value

        // Below 7 points the small font; growing switches back.
        QVERIFY(Bar::SmallFontFamily() != Bar::RegularFontFamily());
        const int smallHeight = int(28.0 / 3.0 / 72.0 * bar.logicalDpiY() / 0.05) - 10;
        ResizeArea(500, smallHeight);
        QVERIFY(bar.Label("labMax", 2)->fontSize < 7);
        QCOMPARE(bar.Label("labMax", 2)->font.family(), Bar::SmallFontFamily());
        QCOMPARE(bar.Label("labUnits")->font.family(), Bar::SmallFontFamily());
        ResizeArea(500, smallHeight + 40);
        QVERIFY(bar.Label("labMax", 2)->fontSize >= 7);
        QCOMPARE(bar.Label("labMax", 2)->font.family(), Bar::RegularFontFamily());

        // Grid and bars are drawn where the scales say.
        ResizeArea(1000, 500);
        const double w = 1000;
        QVERIFY(qAbs(bar.Line("linGrid", 4)->px.x1() - bar.Line("linCenter")->px.x1()) <=
                0.00002 * w);
        bar.CalcBar(0, -100, 100);
        bar.CalcBar(8, 75, 100);
        bar.CalcBar(15, 100, 100); // the last channel completes the frame
        QVERIFY(qAbs(bar.Line("linGrid", 0)->px.x1() - bar.Shape(0)->px.left()) < 0.0001 * w);
        QVERIFY(qAbs(bar.Line("linGrid", 8)->px.x1() - bar.Shape(15)->px.right()) < 0.0001 * w);
        QCOMPARE(bar.Line("linGrid", 3)->style, Qt::DashDotDotLine);

        const QImage image = bar.grab().toImage();
        const QPoint inside = bar.Shape(8)->px.center().toPoint();
        QCOMPARE(image.pixelColor(inside), QColor(0, 0, 255));
        QVERIFY(image.pixelColor(QPoint(int(0.45 * w), inside.y())) != QColor(0, 0, 255));

        // Frame after frame only what changed is painted (odd channels keep
        // their leading digits); the window then shows what painting it
        // whole shows, also after a part of a value was painted with a text
        // that went again before its frame was complete.
        for (int f = 0; f < 40; ++f) {
            bar.SetFrame(QString::number(f));
            for (int ch = 0; ch <= 15; ++ch) {
                const float v = ch % 2 ? float(40 + 0.013 * f * ch)
                                       : float(std::sin(f * 0.7 + ch) * (ch == 4 ? 250 : 90));
                if (f == 39 && ch == 5) {
                    const QString shown = bar.LabelText(QStringLiteral("labPress"), 5);
                    bar.SetPressValue(5, QStringLiteral("-88.8888"));
                    const QRectF box = bar.Label("labPress", 5)->px;
                    bar.repaint(QRectF(box.center().x(), box.top(), box.width() / 2, box.height())
                                    .toAlignedRect());
                    bar.SetPressValue(5, shown);
                } else {
                    bar.SetPressValue(ch, QString::number(v));
                }
                bar.CalcBar(ch, v, 100);
            }
            QTest::qWait(20);
        }
        const QPoint at = bar.mapTo(bar.window(), QPoint(0, 0));
        auto shown = [&] {
            return bar.screen()
                ->grabWindow(bar.window()->winId(), at.x(), at.y(), bar.width(), bar.height())
                .toImage()
                .convertToFormat(QImage::Format_RGB32);
        };
        QTRY_COMPARE(shown(), bar.grab().toImage().convertToFormat(QImage::Format_RGB32));
    }

    // A bar's fill written straight into the window's image covers the
    // pixels the painter's fill would, edges halfway between pixels too.
    void fillWrittenIntoTheImageCoversThePaintersPixels_data() {
        QTest::addColumn<QRectF>("rect");
        QTest::newRow("halves") << QRectF(2.5, 3.5, 10.5, 6.5);
        QTest::newRow("fractions") << QRectF(7.49, 1.51, 0.98, 19.3);
        QTest::newRow("left of the image") << QRectF(-3.5, 1.2, 8.7, 2.5);
        QTest::newRow("across the hole") << QRectF(4.2, 10.6, 30.3, 9.5);
        QTest::newRow("turned over") << QRectF(30.5, 28.5, -12.5, -10.5);
    }
    void fillWrittenIntoTheImageCoversThePaintersPixels() {
        QFETCH(QRectF, rect);
        const QRegion region = QRegion(0, 0, 40, 30) - QRegion(10, 12, 7, 5);
        for (const QPoint moved : {QPoint(), QPoint(3, 2)}) {
            QImage painted(44, 33, QImage::Format_ARGB32_Premultiplied);
            painted.fill(Qt::white);
            QImage written = painted.copy();
            QPainter painter(&painted), writer(&written);
            painter.translate(moved);
            writer.translate(moved);
            painter.setClipRegion(region);
            painter.fillRect(rect, Qt::darkCyan);
            QVERIFY(FillPixels(writer, rect, Qt::darkCyan, region));
            painter.end();
            writer.end();
            QCOMPARE(written, painted);
        }
    }

    // Values and frame numbers are drawn from looked-up glyphs; pixel for
    // pixel as the text layout draws them, in every font the rule picks.
    void shortTextsDrawnFromGlyphsAsTheLayoutDrawsThem_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("alignment");
        QTest::addColumn<bool>("fromGlyphs");
        const QString kinds[] = {"-12.3456", "1.2346E+05", "100.0000", "7", "-103,42", "1e-7"};
        const int alignments[] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter};
        for (const QString& text : kinds)
            for (const int a : alignments)
                QTest::addRow("%s|%d", qPrintable(text), a) << text << a << true;
        QTest::newRow("a word") << QStringLiteral("Frame 7") << int(Qt::AlignLeft) << false;
        QTest::newRow("not ASCII") << QStringLiteral("12.5\u00b0C") << int(Qt::AlignLeft) << false;
    }
    void shortTextsDrawnFromGlyphsAsTheLayoutDrawsThem() {
        QFETCH(QString, text);
        QFETCH(int, alignment);
        QFETCH(bool, fromGlyphs);
        GlyphText glyphs;
        const QRectF box(10.3, 4.6, 131.7, 30);
        // Also over a picture of stripes, a part of it painted, the painter
        // moved by whole pixels: there the glyphs are drawn once and copied.
        QImage picture(160, 40, QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y, qRgb(255 - 9 * (x % 7), 180 + 15 * (y % 4), 90 + x % 101));
        const QRegion region = QRegion(picture.rect()) - QRegion(60, 12, 19, 9);
        const GlyphText::Backdrop backdrop{picture, region};
        const QPoint moved(3, 1);
        for (const auto& [family, points] : {std::pair{Bar::RegularFontFamily(), 13.0},
                                             {Bar::SmallFontFamily(), 6.0},
                                             {Bar::RegularFontFamily(), 8.25}})
            for (int pass = 0; pass < 3; ++pass) { // plain, then twice over the picture
                QFont font(family);
                font.setPointSizeF(points);
                const bool over = pass > 0;
                QImage laidOut(picture.size() + QSize(4, 2), picture.format());
                laidOut.fill(Qt::white);
                if (over)
                    QPainter(&laidOut).drawImage(moved, picture);
                QImage drawn = laidOut.copy();
                QPainter layout(&laidOut), glyph(&drawn);
                for (QPainter* p : {&layout, &glyph}) {
                    p->setFont(font);
                    p->setPen(Qt::darkRed);
                    p->translate(over ? moved : QPoint());
                }
                if (over)
                    layout.setClipRegion(region);
                layout.drawText(box, alignment | Qt::AlignTop | Qt::TextDontClip, text);
                QCOMPARE(glyphs.draw(glyph, box, Qt::Alignment(alignment), text, font,
                                     over ? &backdrop : nullptr),
                         fromGlyphs);
                layout.end();
                glyph.end();
                if (fromGlyphs)
                    QVERIFY2(laidOut == drawn, qPrintable(font.toString()));
                QCOMPARE(glyphs.width(text, font, &drawn),
                         fromGlyphs ? QFontMetricsF(font, &drawn).horizontalAdvance(text) : -1.0);
            }
    }
};

QTEST_MAIN(TestBarGraph)
#include "tst_bargraph.moc"
