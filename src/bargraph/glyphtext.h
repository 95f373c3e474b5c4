#pragma once
// GlyphText: draws a label's short text (a value, a frame number) the way
// QPainter::drawText draws it in a box at its top, without shaping the text
// anew each time. A value label changes its text with every frame, and laying
// out a text costs more than the rest of a frame's painting. A number's
// characters (digits, sign, point, exponent) are not kerned against each
// other, so their glyphs and advances are looked up once per font and the
// text is drawn as a run of those glyphs.

#include <QFont>
#include <QRawFont>
#include <QRectF>
#include <QString>
#include <memory>
#include <vector>

class QPaintDevice;
class QPainter;

class GlyphText {
public:
    GlyphText();
    ~GlyphText();

    // Draws `text` with `font` and the painter's pen as
    // drawText(box, alignment | Qt::AlignTop | Qt::TextDontClip, text) would.
    // False, with nothing drawn, for a text that needs the full layout:
    // characters other than those of a number ("0"-"9", ".", ",", "+", "-",
    // "E", "e"), a character the font lacks (a fallback face would draw it),
    // more than MaxLength characters, or a vertical alignment other than
    // the top.
    bool draw(QPainter& p, const QRectF& box, Qt::Alignment alignment, const QString& text,
              const QFont& font);

    // The width the text takes drawn on the device, the sum of its
    // characters' advances; -1 for a text that draw() leaves to the layout.
    qreal width(const QString& text, const QFont& font, const QPaintDevice* device);

    // The part of `box` whose pixels change when draw() draws `after` where
    // it drew `before`, with the same font and alignment: the ink of every
    // glyph that is not drawn alike, the same glyph in the same place, in
    // both, and the box's full height. A null rectangle when the two are
    // drawn alike; the whole box when either is a text draw() leaves to the
    // layout. A value's leading digits mostly stay, and so need no repaint.
    QRectF changed(const QRectF& box, Qt::Alignment alignment, const QString& before,
                   const QString& after, const QFont& font, const QPaintDevice* device);

    static constexpr int MaxLength = 40;

private:
    struct Face;
    Face& face(const QFont& font, const QPaintDevice* device);
    // The text's glyphs and their positions from its start; returns its
    // width, or -1 for a text left to the layout.
    static qreal lookUp(const QString& text, Face& f, quint32* glyphs, QPointF* positions);
    // Where a text `wide` wide starts in the box.
    static qreal start(const QRectF& box, Qt::Alignment alignment, qreal wide);
    std::vector<std::unique_ptr<Face>> faces_; // the latest few fonts drawn with
};
