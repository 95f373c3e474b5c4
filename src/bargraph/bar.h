#pragma once
// Bar: the bar graph window, caption "Bar Graph" (an MDI working window).
// Sixteen channel rows with value, range labels and a bar each, a frame
// number, a grid with a percentage legend and a units caption.
//
// How the window is built: its lines, labels and bar shapes are not child
// widgets but small records named as the controls (linTop, linGrid[i],
// labPress[i], shaBar[i], ...) that the window paints itself. InitBackground
// creates them, DrawBackground places them as fractions of the drawing area
// (the widget's client rectangle), and every change marks exactly the
// rectangles it touched as dirty. The changes a frame makes (frame number,
// value labels, bars) are noted by control, not by rectangle, and painted
// together when the frame's last channel arrives, at most once per screen
// refresh: frames that come faster than the screen refreshes are merged into
// the next paint, which shows the controls as the last frame left them.

#include "bargraph/glyphtext.h"
#include "core/form.h"
#include "session/state.h"

#include <QColor>
#include <QElapsedTimer>
#include <QFont>
#include <QImage>
#include <QLineF>
#include <QRectF>
#include <QRegion>
#include <QString>

class QTimer;

// One line control: end points as fractions of the drawing area and in pixels.
struct BarLine {
    bool created = false;
    bool visible = false;
    Qt::PenStyle style = Qt::SolidLine;
    float X1 = 0, Y1 = 0, X2 = 0, Y2 = 0; // fractions
    QLineF px;                            // placed end points in pixels
};

// One label control.
struct BarLabel {
    bool created = false;
    bool visible = false;
    QString caption;
    QColor color;
    Qt::Alignment alignment = Qt::AlignLeft;
    float Left = 0, Top = 0, Width = 0, Height = 0; // fractions
    QRectF px;                                      // placed rectangle in pixels
    float room = 0;      // width its text may take, as a fraction of the area
    QFont font;          // the layout's font: its size from the label's height
    double fontSize = 0; // the size the layout computed, in points
    // The font the text is drawn with: the layout's font, or a smaller one
    // where the text would not fit its room. Worked out when painted.
    mutable QFont drawn;
    mutable QString drawnFor;
    mutable double drawnRoom = -1;
    mutable double drawnSize = -1;
    // The text the window shows in the box and its font, once a scan
    // repaint has been asked for; unknown after a paint of another text.
    mutable QString onScreen;
    mutable QFont onScreenFont;
    mutable bool onScreenKnown = false;
};

// One rectangle shape (the bars).
struct BarShape {
    bool created = false;
    bool visible = false;
    QColor fill;
    QRectF px; // placed rectangle in pixels (not clipped to the window)
};

class Bar : public Form {
    Q_OBJECT
public:
    Bar();
    ~Bar() override;

    void InitBackground();
    void DrawBackground();
    void SetXScale();
    void CalcBar(qint16 nChan, float fValue, float fMax);
    void SetPressValue(qint16 nChan, const QString& sPress);
    void SetPressValue(qint16 nChan, QLatin1String sPress);
    void SetFrame(const QString& sFrame);
    void SetFrame(QLatin1String sFrame);
    void SetMaxValue(qint16 nChan, const QString& sPress);
    void SetMinValue(qint16 nChan, const QString& sPress);
    void TagHighAndLow(qint16 nRangeStart, qint16 nRangeEnd);
    void ResetLables();

    // Read-only views of the controls, by control name and array index
    // (index ignored for single controls). Null when no such control exists.
    const BarLabel* Label(const QString& name, int index = 0) const;
    const BarLine* Line(const QString& name, int index = 0) const;
    const BarShape* Shape(int index) const; // shaBar(index)
    QString LabelText(const QString& name, int index = 0) const;
    QColor LabelColor(const QString& name, int index = 0) const;

    // The font a label's text is drawn with, and the width (in pixels) its
    // text may take: its own box, and for the legend, whose boxes overlap,
    // no more than the distance between two legend labels.
    QFont DrawnFont(const QString& name, int index = 0) const;
    double TextRoom(const QString& name, int index = 0) const;

    // The font families the label font rule chooses between on this machine:
    // the small face below 7 points, the regular sans-serif face otherwise.
    static QString SmallFontFamily();
    static QString RegularFontFamily();

    QSize sizeHint() const override;

protected:
    bool isMdiChild() const override { return true; }
    void onLoad() override;
    void onActivate() override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    static constexpr int ChannelSlots = Global::ChannelCount;
    static constexpr int GridSlots = 9; // grid lines and legend labels 0 to 8

    void placeLine(BarLine& line, float x1, float y1, float x2, float y2);
    void placeLabel(BarLabel& label, float left, float top, float width, float height,
                    float room = -1);
    const QFont& fitFont(const BarLabel& label) const;
    void setCaption(BarLabel& label, const QString& text, bool scanPath);
    void setColor(BarLabel& label, const QColor& color);
    void placeBar(int chan);
    QRect pixelBounds(const QRectF& r) const;
    QRect lineBounds(const BarLine& line) const;
    // The scan path's controls, one bit each in the change sets below.
    static constexpr quint64 FrameBit = quint64(1) << (2 * ChannelSlots);
    static quint64 pressBit(int chan) { return quint64(1) << chan; }
    static quint64 barBit(int chan) { return quint64(1) << (ChannelSlots + chan); }
    quint64 scanBit(const BarLabel& label) const;
    void markScanDirty(quint64 bits);
    QRegion scanRegion(quint64 bits) const;
    // The part of a value's box that its new text changes, in pixels.
    QRect changedBounds(const BarLabel& label) const;
    void frameComplete();
    void paintCompletedFrames();
    void paintIncompleteFrame();
    int refreshMs() const;
    // The window's fill and its lines, beneath every label and bar.
    void paintBeneath(class QPainter& p, const QRegion& region) const;
    void copyBeneath(class QPainter& p, const QRect* areas, int count, int ratio) const;
    bool copyBeneathInPlace(class QPainter& p, const QRect* areas, int count) const;
    void paintLine(class QPainter& p, const BarLine& line, const QRegion& region) const;
    void paintLabel(class QPainter& p, const BarLabel& label, const QRegion& region,
                    const GlyphText::Backdrop* beneath) const;

    BarLine linTop, linCenter, linBot, linBotWL, linBotWR;
    BarLine linGrid[GridSlots];
    BarLine linTick[ChannelSlots];
    BarLabel labFrame, labFrameData, labUnits;
    BarLabel labChan[ChannelSlots];
    BarLabel labPress[ChannelSlots];
    BarLabel labMin[ChannelSlots];
    BarLabel labMax[ChannelSlots];
    BarLabel labLeg[GridSlots];
    BarShape shaBar[ChannelSlots];

    quint64 frameChanges_ = 0;          // what the frame being received changed
    quint64 unpainted_ = 0;             // what completed frames changed, not yet painted
    QRectF barBefore_[ChannelSlots];    // where a changed bar was when it was last painted
    QTimer* incompleteTimer_ = nullptr; // shows a frame whose last channel never comes
    QTimer* refreshTimer_ = nullptr;    // paints completed frames at the next refresh
    QElapsedTimer lastPaint_;           // since the last paint
    QImage beneath_;                    // paintBeneath's picture of the whole window
    bool beneathOpaque_ = false;        // every pixel of it, whatever its format
    mutable GlyphText numbers_;         // draws the values and the frame number
};
