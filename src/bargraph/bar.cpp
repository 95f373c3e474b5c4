#include "bargraph/bar.h"

#include "bargraph/baraccess.h"
#include "bargraph/pixels.h"
#include "core/numbers.h"
#include "core/registry.h"
#include "replies/effects.h"
#include "replies/settings.h"
#include "session/effects.h"
#include "session/state.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Horizontal position of the zero line and the span of one full scale.
constexpr double ZeroLine = 0.55;
constexpr double FullScaleSpan = 0.266695;
constexpr double FirstBarTop = 0.11;
constexpr double RowPitch = 0.05;
constexpr double BarHeight = 0.03;

// Below this size (in points) a label uses the small face.
constexpr double SmallFontLimit = 7.0;

// A frame whose last channel does not arrive is shown after this long.
constexpr int IncompleteFrameMs = 100;

QString firstInstalled(std::initializer_list<const char*> candidates, const QString& fallback) {
    const QStringList installed = QFontDatabase::families();
    for (const char* name : candidates) {
        const QString family = QString::fromLatin1(name);
        if (installed.contains(family, Qt::CaseInsensitive))
            return family;
    }
    return fallback;
}

// The region the rectangles cover (they may overlap), built band by band
// in one pass: a union per rectangle would copy the region each time.
QRegion RegionOf(const QRect* all, int count) {
    // The rectangles that cover anything, in order of their tops: a band
    // looks at those that start at its top or above only.
    std::vector<QRect> rects;
    rects.reserve(size_t(count));
    std::vector<int> edges;
    for (int i = 0; i < count; ++i)
        if (!all[i].isEmpty()) {
            rects.push_back(all[i]);
            edges.push_back(all[i].top());
            edges.push_back(all[i].bottom() + 1);
        }
    std::sort(rects.begin(), rects.end(),
              [](const QRect& a, const QRect& b) { return a.top() < b.top(); });
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    std::vector<QRect> out;
    std::vector<std::pair<int, int>> spans, last; // [left, right) of a band, and of the band above
    qsizetype lastStart = 0;
    int lastBottom = 0;
    for (size_t b = 0; b + 1 < edges.size(); ++b) {
        const int top = edges[b];
        const int bottom = edges[b + 1]; // exclusive
        spans.clear();
        for (size_t i = 0; i < rects.size() && rects[i].top() <= top; ++i)
            if (rects[i].bottom() + 1 >= bottom)
                spans.emplace_back(rects[i].left(), rects[i].right() + 1);
        std::sort(spans.begin(), spans.end());
        size_t merged = 0;
        for (size_t i = 0; i < spans.size(); ++i) {
            if (merged > 0 && spans[i].first <= spans[merged - 1].second)
                spans[merged - 1].second = std::max(spans[merged - 1].second, spans[i].second);
            else
                spans[merged++] = spans[i];
        }
        spans.resize(merged);
        if (spans.empty())
            continue;
        if (spans == last && lastBottom == top) { // the band above, taller
            for (size_t i = size_t(lastStart); i < out.size(); ++i)
                out[i].setBottom(bottom - 1);
        } else {
            lastStart = qsizetype(out.size());
            for (const auto& [left, right] : spans)
                out.emplace_back(QPoint(left, top), QPoint(right - 1, bottom - 1));
            last = spans;
        }
        lastBottom = bottom;
    }
    QRegion region;
    region.setRects(out.data(), int(out.size()));
    return region;
}

} // namespace

QString Bar::SmallFontFamily() {
    // "Small Fonts" is a face of other systems; a narrow sans-serif stands in.
    static const QString family =
        firstInstalled({"Small Fonts", "Liberation Sans Narrow", "DejaVu Sans Condensed",
                        "Nimbus Sans Narrow", "Arial Narrow"},
                       QFontDatabase::systemFont(QFontDatabase::SmallestReadableFont).family());
    return family;
}

QString Bar::RegularFontFamily() {
    static const QString family = firstInstalled(
        {"Arial", "Liberation Sans", "Arimo", "Helvetica", "Nimbus Sans", "DejaVu Sans"},
        QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    return family;
}

Bar::Bar() {
    setWindowTitle(QStringLiteral("Bar Graph"));
    InstallBarAccessibility();
    // Every pixel is painted by paintEvent, the window's fill included.
    setAttribute(Qt::WA_OpaquePaintEvent);
    incompleteTimer_ = new QTimer(this);
    incompleteTimer_->setSingleShot(true);
    incompleteTimer_->setInterval(IncompleteFrameMs);
    connect(incompleteTimer_, &QTimer::timeout, this, &Bar::paintIncompleteFrame);
    refreshTimer_ = new QTimer(this);
    refreshTimer_->setSingleShot(true);
    connect(refreshTimer_, &QTimer::timeout, this, &Bar::paintCompletedFrames);
}

Bar::~Bar() = default;

QSize Bar::sizeHint() const {
    // Wide enough that the legend's "-100%" and a range label's "-103.42"
    // fit their boxes at the rule's own font size.
    return QSize(960, 440);
}

void Bar::onLoad() {
    InitBackground();
    DrawBackground();
    SetXScale();
}

void Bar::onActivate() {
    SetXScale();
}

void Bar::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        beneath_ = QImage();
        update();
    }
    Form::changeEvent(event);
}

void Bar::resizeEvent(QResizeEvent* event) {
    Form::resizeEvent(event);
    DrawBackground();
}

// --- creation and layout -----------------------------------------------------

void Bar::InitBackground() {
    const QColor text = palette().color(QPalette::ButtonText);
    auto makeLine = [](BarLine& line, Qt::PenStyle style = Qt::SolidLine) {
        line = BarLine();
        line.created = true;
        line.visible = true;
        line.style = style;
    };
    auto makeLabel = [&text](BarLabel& label, const QString& caption, Qt::Alignment alignment) {
        label = BarLabel();
        label.created = true;
        label.visible = true;
        label.caption = caption;
        label.color = text;
        label.alignment = alignment;
    };

    makeLine(linTop);
    makeLine(linCenter);
    makeLine(linBot);
    makeLine(linBotWL);
    makeLine(linBotWR);
    for (int i = 0; i < GridSlots; ++i)
        makeLine(linGrid[i], Qt::DashDotDotLine);
    for (int i = 0; i < Global::ChannelCount; ++i)
        makeLine(linTick[i]);

    makeLabel(labFrame, QStringLiteral("Frame"), Qt::AlignLeft);
    makeLabel(labFrameData, QStringLiteral("0"), Qt::AlignLeft);
    makeLabel(labUnits, QString(), Qt::AlignHCenter);
    for (int i = 0; i < Global::ChannelCount; ++i)
        makeLabel(labChan[i], QString::number(i + 1), Qt::AlignLeft);
    for (int i = 0; i < Global::ChannelCount; ++i)
        makeLabel(labMin[i], QStringLiteral("Min"), Qt::AlignHCenter);
    for (int i = 0; i < Global::ChannelCount; ++i)
        makeLabel(labMax[i], QStringLiteral("Max"), Qt::AlignHCenter);
    for (int i = 0; i < Global::ChannelCount; ++i)
        makeLabel(labPress[i], QString(), Qt::AlignRight);
    for (int i = 0; i < GridSlots; ++i)
        makeLabel(labLeg[i], QString::number(i + 1), Qt::AlignHCenter);
    for (int i = 0; i < Global::ChannelCount; ++i) {
        shaBar[i] = BarShape();
        shaBar[i].created = true;
        shaBar[i].visible = true;
        shaBar[i].fill = QColor(0, 0, 255);
    }
    frameChanges_ = unpainted_ = 0;
    beneath_ = QImage();
    update();
}

void Bar::placeLine(BarLine& line, float x1, float y1, float x2, float y2) {
    const double w = width();
    const double h = height();
    line.X1 = x1;
    line.Y1 = y1;
    line.X2 = x2;
    line.Y2 = y2;
    line.px = QLineF(double(x1) * w, double(y1) * h, double(x2) * w, double(y2) * h);
}

void Bar::placeLabel(BarLabel& label, float left, float top, float w, float h, float room) {
    label.Left = left;
    label.Top = top;
    label.Width = w;
    label.Height = h;
    label.room = room < 0 ? w : room;
    label.px = QRectF(double(left) * width(), double(top) * height(), double(w) * width(),
                      double(h) * height());
    // Font size: three quarters of the label's height in points.
    const double heightPoints = label.px.height() * 72.0 / logicalDpiY();
    label.fontSize = 0.75 * heightPoints;
    label.font.setFamily(label.fontSize < SmallFontLimit ? SmallFontFamily() : RegularFontFamily());
    // QFont refuses sizes of 0 or less; a collapsed window still gets a font.
    label.font.setPointSizeF(std::max(label.fontSize, 0.5));
}

void Bar::DrawBackground() {
    placeLine(linTop, 0, 0.1f, 1, 0.1f);
    placeLine(linCenter, 0.55f, 0.1f, 0.55f, 0.9f);
    placeLine(linBot, 0.25f, 0.9f, 0.85f, 0.9f);
    placeLine(linBotWL, 0.25f, 0.9f, 0.25f, 0.92f);
    placeLine(linBotWR, 0.85f, 0.9f, 0.85f, 0.92f);
    for (int i = 0; i < GridSlots; ++i) {
        const float x = static_cast<float>(0.05 + 0.033335 + 0.2 + 0.06667 * i);
        placeLine(linGrid[i], x, 0.1f, x, 0.9f);
    }
    for (int i = 0; i < Global::ChannelCount; ++i) {
        const float y = static_cast<float>(0.1 + 0.05 * i);
        placeLine(linTick[i], 0.54f, y, 0.56f, y);
    }
    placeLabel(labFrame, 0.015f, 0.03f, 0.1f, 0.05f);
    placeLabel(labFrameData, 0.12f, 0.03f, 0.2f, 0.05f);
    placeLabel(labUnits, 0.35f, 0.95f, 0.4f, 0.05f);
    auto rowTop = [](int i) { return static_cast<float>(0.1 + 0.05 * i); };
    for (int i = 0; i < Global::ChannelCount; ++i)
        placeLabel(labChan[i], 0.015f, rowTop(i), 0.04f, 0.05f);
    for (int i = 0; i < Global::ChannelCount; ++i)
        placeLabel(labPress[i], 0.06f, rowTop(i), 0.1f, 0.05f);
    for (int i = 0; i < Global::ChannelCount; ++i)
        placeLabel(labMin[i], 0.17f, rowTop(i), 0.1f, 0.05f);
    for (int i = 0; i < Global::ChannelCount; ++i)
        placeLabel(labMax[i], 0.85f, rowTop(i), 0.1f, 0.05f);
    // The legend's boxes are wider than the distance between them; a text
    // takes at most nine tenths of that distance, so that neighbours never
    // run into each other.
    constexpr double LegendPitch = 0.0666667;
    for (int i = 0; i < GridSlots; ++i)
        placeLabel(labLeg[i], static_cast<float>(0.05 + 0.2 + LegendPitch * i), 0.91f, 0.08f, 0.05f,
                   static_cast<float>(0.9 * LegendPitch));
    for (int i = 0; i < Global::ChannelCount; ++i)
        placeBar(i);
    // The whole area is repainted, so nothing of a frame is left pending.
    frameChanges_ = unpainted_ = 0;
    beneath_ = QImage();
    update();
}

void Bar::placeBar(int chan) {
    const Global::BarRect& g = Global::BarGeom[chan];
    shaBar[chan].px = QRectF(double(g.Left) * width(), double(g.Top) * height(),
                             double(g.Width) * width(), double(g.Height) * height());
}

// --- scaling and values ------------------------------------------------------

void Bar::SetXScale() {
    const bool temperatures = Global::DisplayItemChecked(Global::DisplayItem::Temperatures);
    const bool pressures = Global::DisplayItemChecked(Global::DisplayItem::Pressures);
    const bool eu = Global::EuChecked();

    auto fillAll = [](float fullScale) {
        for (int i = 0; i < Global::ChannelCount; ++i) {
            Global::ChannelFullScale[i] = fullScale;
            Global::ScaleText[i] = FormatGeneral(fullScale);
        }
    };
    QString units;
    if (temperatures && eu) {
        fillAll(70);
        units = QStringLiteral("Degrees C");
    } else if (temperatures) {
        fillAll(32767);
        units = QStringLiteral("Raw Temp Counts");
    } else if (eu && pressures) {
        const double factor = LeadingNumber(Global::CvtUnit);
        for (int i = 0; i < Global::ChannelCount; ++i) {
            const float fullScale = ToSingle(LeadingNumber(Global::ChannelRange[i]) * factor);
            Global::ChannelFullScale[i] = fullScale;
            Global::ScaleText[i] = FormatGeneral(fullScale);
        }
        units = Global::UnitScan;
    } else if (!eu) {
        fillAll(32767);
        units = QStringLiteral("Raw Press Counts");
    }
    // (EU on with neither display item checked: scales stay, no units text.)

    Global::UpdateBarFormat();
    if (!isShown())
        return;

    setCaption(labUnits, units, false);
    static const int legend[9] = {100, 75, 50, 25, 0, 25, 50, 75, 100};
    for (int i = 0; i < GridSlots; ++i) {
        QString text = FormatFixed(legend[i], QStringLiteral("0")) + QLatin1Char('%');
        if (i < 4)
            text.prepend(QLatin1Char('-'));
        setCaption(labLeg[i], text, false);
    }
    for (int i = 0; i < Global::ChannelCount; ++i) {
        const QString range =
            TrimBlanks(FormatFixed(LeadingNumber(Global::ScaleText[i]), Global::BarFormat));
        setCaption(labMax[i], range, false);
        setCaption(labMin[i], QLatin1Char('-') + range, false);
    }
}

void Bar::CalcBar(qint16 nChan, float fValue, float fMax) {
    if (nChan < 0 || nChan >= Global::ChannelCount || !isShown())
        return;
    Global::BarRect g;
    g.Top = static_cast<float>(FirstBarTop + RowPitch * nChan);
    g.Height = static_cast<float>(BarHeight);
    const double x = ZeroLine + FullScaleSpan * double(fValue) / double(fMax);
    if (!(fMax > 0) || !std::isfinite(x)) {
        // No full scale known yet: no bar, at the zero line.
        g.Left = static_cast<float>(ZeroLine);
        g.Width = 0;
    } else if (fValue <= 0) {
        g.Left = static_cast<float>(x);
        g.Width = static_cast<float>(ZeroLine - x);
    } else {
        g.Left = static_cast<float>(ZeroLine);
        g.Width = static_cast<float>(x - ZeroLine);
    }
    Global::BarGeom[nChan] = g;

    // Where the bar was painted is worked out once until the next paint,
    // where it is now when the paint's region is.
    const QRectF before = shaBar[nChan].px;
    placeBar(nChan);
    if (shaBar[nChan].px != before) {
        if (!((frameChanges_ | unpainted_) & barBit(nChan)))
            barBefore_[nChan] = before;
        markScanDirty(barBit(nChan));
    }
    if (nChan == Global::ChannelCount - 1)
        frameComplete();
}

void Bar::SetPressValue(qint16 nChan, const QString& sPress) {
    if (nChan < 0 || nChan >= Global::ChannelCount || !isShown())
        return;
    setCaption(labPress[nChan], FormatFixed(LeadingNumber(sPress), Global::BarFormat), true);
}

void Bar::SetPressValue(qint16 nChan, QLatin1String sPress) {
    if (nChan < 0 || nChan >= Global::ChannelCount || !isShown())
        return;
    // Written into a buffer first: a string is made only when the text changes.
    const double value = LeadingNumber(sPress);
    FixedDigits text;
    if (!FormatFixedInto(value, FixedDecimals(Global::BarFormat), text)) {
        setCaption(labPress[nChan], FormatFixed(value, Global::BarFormat), true);
        return;
    }
    if (labPress[nChan].caption != text.view())
        setCaption(labPress[nChan], QString(text.view()), true);
}

void Bar::SetFrame(const QString& sFrame) {
    if (!isShown())
        return;
    // An earlier frame whose last channel never came ends here.
    frameComplete();
    setCaption(labFrameData, sFrame, true);
}

void Bar::SetFrame(QLatin1String sFrame) {
    if (!isShown())
        return;
    frameComplete();
    if (labFrameData.caption != sFrame)
        setCaption(labFrameData, QString(sFrame), true);
}

void Bar::SetMaxValue(qint16 nChan, const QString& sPress) {
    if (nChan < 0 || nChan >= Global::ChannelCount || !isShown())
        return;
    setCaption(labMax[nChan], FormatFixed(LeadingNumber(sPress), Global::BarFormat), false);
}

void Bar::SetMinValue(qint16 nChan, const QString& sPress) {
    if (nChan < 0 || nChan >= Global::ChannelCount || !isShown())
        return;
    setCaption(labMin[nChan], FormatFixed(LeadingNumber(sPress), Global::BarFormat), false);
}

void Bar::TagHighAndLow(qint16 nRangeStart, qint16 nRangeEnd) {
    const int first = std::max<int>(nRangeStart, 0);
    const int last = std::min<int>(nRangeEnd, Global::ChannelCount - 1);
    double highest = -1e9;
    double lowest = 1e9;
    int highIndex = 0;
    int lowIndex = 0;
    for (int i = first; i <= last; ++i) {
        const double v = LeadingNumber(labPress[i].caption);
        if (v > highest) {
            highest = v;
            highIndex = i;
        }
        if (v < lowest) {
            lowest = v;
            lowIndex = i;
        }
    }
    setColor(labPress[lowIndex], QColor(0, 255, 0));
    setColor(labPress[highIndex], QColor(255, 0, 0));
}

void Bar::ResetLables() {
    const QColor text = palette().color(QPalette::ButtonText);
    for (int i = 0; i < Global::ChannelCount; ++i)
        setColor(labPress[i], text);
}

// --- repainting --------------------------------------------------------------

void Bar::setCaption(BarLabel& label, const QString& text, bool scanPath) {
    if (label.caption == text)
        return;
    label.caption = text;
    if (scanPath)
        markScanDirty(scanBit(label));
    else
        update(pixelBounds(label.px));
}

void Bar::setColor(BarLabel& label, const QColor& color) {
    if (label.color == color)
        return;
    label.color = color;
    update(pixelBounds(label.px));
}

QRect Bar::pixelBounds(const QRectF& r) const {
    // Bars may run far past the window; only the visible part is repainted.
    const QRectF visible = r.intersected(QRectF(rect()));
    return visible.isEmpty() ? QRect() : visible.toAlignedRect().adjusted(-1, -1, 1, 1);
}

QRect Bar::lineBounds(const BarLine& line) const {
    return QRectF(line.px.p1(), line.px.p2()).normalized().toAlignedRect().adjusted(-1, -1, 1, 1);
}

quint64 Bar::scanBit(const BarLabel& label) const {
    if (&label == &labFrameData)
        return FrameBit;
    return pressBit(int(&label - labPress));
}

void Bar::markScanDirty(quint64 bits) {
    if (!frameChanges_)
        incompleteTimer_->start();
    frameChanges_ |= bits;
}

QRect Bar::changedBounds(const BarLabel& label) const {
    const QFont& font = fitFont(label);
    QRect bounds;
    if (label.onScreenKnown && label.created && label.visible && label.onScreenFont == font)
        bounds = pixelBounds(
            numbers_.changed(label.px, label.alignment, label.onScreen, label.caption, font, this));
    else
        bounds = pixelBounds(label.px);
    // The repaint asked for now shows the text.
    label.onScreen = label.caption;
    label.onScreenFont = font;
    label.onScreenKnown = true;
    return bounds;
}

QRegion Bar::scanRegion(quint64 bits) const {
    // A value label only with the glyphs its new text changes, and a bar
    // only with the pixels between its old and new ends.
    QRect rects[3 * ChannelSlots + 1];
    int count = 0;
    if (bits & FrameBit)
        rects[count++] = changedBounds(labFrameData);
    for (int i = 0; i < ChannelSlots; ++i)
        if (bits & pressBit(i))
            rects[count++] = changedBounds(labPress[i]);
    for (int i = 0; i < ChannelSlots; ++i) {
        if (!(bits & barBit(i)))
            continue;
        const QRect before = pixelBounds(barBefore_[i]);
        const QRect now = pixelBounds(shaBar[i].px);
        if (before.isEmpty() || now.isEmpty() || before.top() != now.top() ||
            before.bottom() != now.bottom() || before.left() > now.right() ||
            now.left() > before.right()) {
            rects[count++] = before | now;
            continue;
        }
        // The same row, overlapping: what lies between the two left ends
        // and between the two right ends changes, with two pixels to spare
        // for the rounding of either end; an end that moves by less than a
        // pixel may still change the pixel it rounds to.
        if (barBefore_[i].left() != shaBar[i].px.left())
            rects[count++] = QRect(QPoint(std::min(before.left(), now.left()) - 2, now.top()),
                                   QPoint(std::max(before.left(), now.left()) + 2, now.bottom()));
        if (barBefore_[i].right() != shaBar[i].px.right())
            rects[count++] = QRect(QPoint(std::min(before.right(), now.right()) - 2, now.top()),
                                   QPoint(std::max(before.right(), now.right()) + 2, now.bottom()));
    }
    return RegionOf(rects, count);
}

int Bar::refreshMs() const {
    const QScreen* s = screen();
    const double rate = s && s->refreshRate() > 1 ? s->refreshRate() : 60.0;
    return std::max(1, int(1000.0 / rate));
}

// The frame's last channel has arrived. Its changes are painted at once,
// unless the last paint was less than a screen refresh ago: then they wait
// for the refresh, together with whatever later frames change meanwhile.
// Painting directly (repaint) rather than asking Qt for a paint later keeps
// the display from showing half of the next frame, whose lines may already
// be arriving when Qt would get round to it.
void Bar::frameComplete() {
    incompleteTimer_->stop();
    unpainted_ |= frameChanges_;
    frameChanges_ = 0;
    if (!unpainted_)
        return;
    const qint64 since = lastPaint_.isValid() ? lastPaint_.elapsed() : refreshMs();
    if (since >= refreshMs()) {
        refreshTimer_->stop();
        paintCompletedFrames();
    } else if (!refreshTimer_->isActive()) {
        refreshTimer_->start(int(refreshMs() - since));
    }
}

void Bar::paintCompletedFrames() {
    // While a frame is half received, its last channel paints instead.
    if (frameChanges_ || !unpainted_)
        return;
    const QRegion region = scanRegion(unpainted_);
    unpainted_ = 0;
    if (!region.isEmpty())
        repaint(region);
}

void Bar::paintIncompleteFrame() {
    const QRegion region = scanRegion(unpainted_ | frameChanges_);
    unpainted_ = frameChanges_ = 0;
    update(region);
}

void Bar::paintLine(QPainter& p, const BarLine& line, const QRegion& region) const {
    if (!line.created || !line.visible || !region.intersects(lineBounds(line)))
        return;
    QPen pen(palette().color(QPalette::WindowText), 0, line.style);
    p.setPen(pen);
    p.drawLine(line.px);
}

void Bar::paintLabel(QPainter& p, const BarLabel& label, const QRegion& region,
                     const GlyphText::Backdrop* beneath) const {
    if (!label.created)
        return;
    const QRect bounds = pixelBounds(label.px);
    if (bounds.isEmpty() || !region.intersects(bounds))
        return;
    // A part of the box painted with another text than the one a scan
    // repaint last asked for: what the box shows is no longer known.
    if (label.onScreenKnown && (!label.visible || label.caption != label.onScreen))
        label.onScreenKnown = false;
    if (!label.visible || label.caption.isEmpty())
        return;
    const QFont& font = fitFont(label);
    if (label.onScreenKnown && font != label.onScreenFont)
        label.onScreenKnown = false;
    p.setPen(label.color);
    // The text fits its room, so nothing of it is cut; the legend's room is
    // narrower than its box, and the text is drawn in the box's middle.
    if (numbers_.draw(p, label.px, label.alignment, label.caption, font, beneath))
        return;
    p.setFont(font);
    p.drawText(label.px, int(label.alignment | Qt::AlignTop | Qt::TextDontClip), label.caption);
}

const QFont& Bar::fitFont(const BarLabel& label) const {
    const double room = double(label.room) * width();
    if (label.drawnFor == label.caption && label.drawnRoom == room &&
        label.drawnSize == label.fontSize)
        return label.drawn;
    label.drawnFor = label.caption;
    label.drawnRoom = room;
    label.drawnSize = label.fontSize;
    label.drawn = label.font;
    // A value changes its text with every frame, and laying a text out to
    // measure it costs as much as drawing it. Most texts are far narrower
    // than their room: the sum of their characters' advances, with a tenth
    // to spare for kerning, settles that without a layout.
    double advances = numbers_.width(label.caption, label.font, this);
    if (advances < 0) {
        const QFontMetricsF metrics(label.font, this);
        advances = 0;
        for (const QChar c : label.caption)
            advances += metrics.horizontalAdvance(c);
    }
    if (advances <= 0.9 * room)
        return label.drawn;
    // The rule's own size where the text fits; else smaller until it does,
    // with the small face below its limit as the rule says.
    double size = label.font.pointSizeF();
    for (int step = 0; step < 60; ++step) {
        const double wide = QFontMetricsF(label.drawn, this).horizontalAdvance(label.caption);
        if (wide <= room || size <= 1.0)
            break;
        size = std::max(1.0, size * std::min(0.95, room / wide));
        label.drawn.setFamily(size < SmallFontLimit ? SmallFontFamily() : RegularFontFamily());
        label.drawn.setPointSizeF(size);
    }
    return label.drawn;
}

QFont Bar::DrawnFont(const QString& name, int index) const {
    const BarLabel* label = Label(name, index);
    return label ? fitFont(*label) : QFont();
}

double Bar::TextRoom(const QString& name, int index) const {
    const BarLabel* label = Label(name, index);
    return label ? double(label->room) * width() : 0;
}

void Bar::paintBeneath(QPainter& p, const QRegion& region) const {
    p.fillRect(region.boundingRect(), palette().brush(backgroundRole()));
    for (const BarLine* line : {&linTop, &linCenter, &linBot, &linBotWL, &linBotWR})
        paintLine(p, *line, region);
    for (const BarLine& line : linGrid)
        paintLine(p, line, region);
    for (const BarLine& line : linTick)
        paintLine(p, line, region);
}

void Bar::copyBeneath(QPainter& p, const QRect* areas, int count, int ratio) const {
    if (ratio == 1 && copyBeneathInPlace(p, areas, count))
        return;
    // Copied through the painter, each piece under a clip of its own: under
    // the paint region's many rectangles the engine would copy span by span.
    // The engine also splits a copy of a hundred rows or more among threads,
    // and waking them costs more than the copy: fewer rows at a time.
    constexpr int Rows = 95;
    for (int i = 0; i < count; ++i)
        for (int top = areas[i].top(); top <= areas[i].bottom(); top += Rows) {
            const QRect piece(
                QPoint(areas[i].left(), top),
                QPoint(areas[i].right(), std::min(areas[i].bottom(), top + Rows - 1)));
            p.setClipRect(piece);
            p.drawImage(piece.topLeft(), beneath_,
                        QRect(piece.topLeft() * ratio, piece.size() * ratio));
        }
    p.setClipping(false);
}

bool Bar::copyBeneathInPlace(QPainter& p, const QRect* areas, int count) const {
    // The areas lie inside the paint region, where drawing an opaque
    // picture leaves its rows as they are: they are written straight into
    // the image the window is painted into, when that image has the
    // picture's format and the painter moves by whole pixels.
    QPoint offset;
    QImage* target = beneathOpaque_ ? WholePixelTarget(p, beneath_.format(), &offset) : nullptr;
    if (!target)
        return false;
    for (int i = 0; i < count; ++i)
        CopyPixels(beneath_, areas[i], *target, offset);
    return true;
}

void Bar::paintEvent(QPaintEvent* event) {
    lastPaint_.start();
    QPainter p(this);
    const QRegion& region = event->region();
    // The fill and the lines lie beneath every label and bar and change
    // only with the layout: they are painted once into a picture of the
    // window and copied from there, a few rows of pixels for each frame
    // rather than a dashed line drawn through every bar.
    const qreal ratio = devicePixelRatioF();
    if (ratio == std::floor(ratio)) {
        // The picture takes the format of the image the window is painted
        // into, so that it can be copied there as it is.
        const QImage* target = PaintedImage(p);
        const QImage::Format format = target ? target->format() : QImage::Format_RGB32;
        if (beneath_.isNull() || beneath_.size() != size() * ratio ||
            beneath_.devicePixelRatio() != ratio || beneath_.format() != format) {
            beneath_ = QImage(size() * ratio, format);
            beneath_.setDevicePixelRatio(ratio);
            // The fill covers the picture, and the lines are drawn on it.
            beneathOpaque_ = palette().brush(backgroundRole()).isOpaque();
            QPainter picture(&beneath_);
            paintBeneath(picture, QRegion(rect()));
        }
        // The region's rectangles lie in bands; those of one column are
        // copied together.
        QRect columns[64];
        int count = 0;
        for (const QRect& band : region) {
            int i = 0;
            while (i < count &&
                   !(columns[i].left() == band.left() && columns[i].right() == band.right() &&
                     columns[i].bottom() + 1 == band.top()))
                ++i;
            if (i < count) {
                columns[i].setBottom(band.bottom());
                continue;
            }
            if (count == 64) {
                copyBeneath(p, columns, count, int(ratio));
                count = 0;
            }
            columns[count++] = band;
        }
        copyBeneath(p, columns, count, int(ratio));
    } else {
        paintBeneath(p, region);
    }
    // Where the window now holds the picture as it is, the values' glyphs
    // are drawn over it once and copied from then on.
    const GlyphText::Backdrop backdrop{beneath_, region};
    const GlyphText::Backdrop* beneath = ratio == 1 && beneathOpaque_ ? &backdrop : nullptr;
    for (const BarLabel* label : {&labFrame, &labFrameData, &labUnits})
        paintLabel(p, *label, region, beneath);
    for (const BarLabel* array : {labChan, labMin, labMax, labPress})
        for (int i = 0; i < ChannelSlots; ++i)
            paintLabel(p, array[i], region, beneath);
    for (const BarLabel& label : labLeg)
        paintLabel(p, label, region, beneath);
    for (const BarShape& bar : shaBar) {
        if (!bar.created || !bar.visible)
            continue;
        const QRectF visible = bar.px.intersected(QRectF(rect()));
        if (!visible.isEmpty() && region.intersects(visible.toAlignedRect()) &&
            !FillPixels(p, visible, bar.fill, region))
            p.fillRect(visible, bar.fill);
    }
}

// --- read-only views ---------------------------------------------------------

const BarLabel* Bar::Label(const QString& name, int index) const {
    const BarLabel* array = nullptr;
    int count = 1;
    if (name == QLatin1String("labFrame"))
        return &labFrame;
    if (name == QLatin1String("labFrameData"))
        return &labFrameData;
    if (name == QLatin1String("labUnits"))
        return &labUnits;
    if (name == QLatin1String("labChan"))
        array = labChan, count = ChannelSlots;
    else if (name == QLatin1String("labPress"))
        array = labPress, count = ChannelSlots;
    else if (name == QLatin1String("labMin"))
        array = labMin, count = ChannelSlots;
    else if (name == QLatin1String("labMax"))
        array = labMax, count = ChannelSlots;
    else if (name == QLatin1String("labLeg"))
        array = labLeg, count = GridSlots;
    if (!array || index < 0 || index >= count || !array[index].created)
        return nullptr;
    return &array[index];
}

const BarLine* Bar::Line(const QString& name, int index) const {
    if (name == QLatin1String("linTop"))
        return &linTop;
    if (name == QLatin1String("linCenter"))
        return &linCenter;
    if (name == QLatin1String("linBot"))
        return &linBot;
    if (name == QLatin1String("linBotWL"))
        return &linBotWL;
    if (name == QLatin1String("linBotWR"))
        return &linBotWR;
    const BarLine* array = nullptr;
    int count = 0;
    if (name == QLatin1String("linGrid"))
        array = linGrid, count = GridSlots;
    else if (name == QLatin1String("linTick"))
        array = linTick, count = ChannelSlots;
    if (!array || index < 0 || index >= count || !array[index].created)
        return nullptr;
    return &array[index];
}

const BarShape* Bar::Shape(int index) const {
    if (index < 0 || index >= ChannelSlots || !shaBar[index].created)
        return nullptr;
    return &shaBar[index];
}

QString Bar::LabelText(const QString& name, int index) const {
    const BarLabel* label = Label(name, index);
    return label ? label->caption : QString();
}

QColor Bar::LabelColor(const QString& name, int index) const {
    const BarLabel* label = Label(name, index);
    return label ? label->color : QColor();
}

// --- what the rest of the program asks of the bar graph ---------------------------

namespace Global {

void BarSetXScale() {
    Registry::get<Bar>().SetXScale();
}

void BarSetFrame(QLatin1String sFrame) {
    Registry::get<Bar>().SetFrame(sFrame);
}

void BarSetPressValue(qint16 nChan, QLatin1String sPress) {
    Registry::get<Bar>().SetPressValue(nChan, sPress);
}

void BarCalcBar(qint16 nChan, float fValue, float fMax) {
    Registry::get<Bar>().CalcBar(nChan, fValue, fMax);
}

void ResetLables() {
    Registry::get<Bar>().ResetLables();
}

} // namespace Global
