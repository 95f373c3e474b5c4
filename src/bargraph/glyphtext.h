#pragma once
// GlyphText: draws a label's short text (a value, a frame number) the way
// QPainter::drawText draws it in a box at its top, without shaping the text
// anew each time. A value label changes its text with every frame, and laying
// out a text costs more than the rest of a frame's painting. A number's
// characters (digits, sign, point, exponent) are not kerned against each
// other, so their glyphs and advances are looked up once per font and the
// text is drawn as a run of those glyphs.

#include <QFont>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QRectF>
#include <QRegion>
#include <QString>
#include <memory>
#include <vector>

class QPaintDevice;

class GlyphText {
public:
    GlyphText();
    ~GlyphText();

    // What lies beneath the texts of a window: `picture` holds the window's
    // pixels beneath every text, a pixel of it to a pixel of the window;
    // `region` is the part of the window being painted.
    struct Backdrop {
        const QImage& picture;
        const QRegion& region;
    };

    // Draws `text` with `font` and the painter's pen as
    // drawText(box, alignment | Qt::AlignTop | Qt::TextDontClip, text) would.
    // False, with nothing drawn, for a text that needs the full layout:
    // characters other than those of a number ("0"-"9", ".", ",", "+", "-",
    // "E", "e"), a character the font lacks (a fallback face would draw it),
    // more than MaxLength characters, or a vertical alignment other than
    // the top.
    // With a backdrop, a glyph is drawn once over the picture where it goes,
    // and its pixels are copied from then on: blending a glyph's pixels
    // costs many times more than copying them. That is done where the
    // painter allows it (WholePixelTarget, a solid pen) and no two glyphs
    // of the text reach the same pixel, where the second would be blended
    // over the first; and it assumes that no other text reaches the text's
    // pixels.
    bool draw(QPainter& p, const QRectF& box, Qt::Alignment alignment, const QString& text,
              const QFont& font, const Backdrop* backdrop = nullptr);

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
    // A glyph drawn over the picture: the rectangle of the pixels it
    // changed, and those pixels, within `area` as they are there.
    struct Tile {
        QRect area;
        QImage pixels;
    };
    // A glyph of a face at a pen position (before the painter's move), in a
    // colour, drawn with the painter's hints.
    struct TileKey {
        const Face* face;
        quint32 glyph;
        qreal x, y;
        QRgb color;
        int hints;
        bool operator==(const TileKey& o) const {
            return face == o.face && glyph == o.glyph && x == o.x && y == o.y && color == o.color &&
                   hints == o.hints;
        }
        friend size_t qHash(const TileKey& k, size_t seed) {
            return qHashMulti(seed, k.face, k.glyph, k.x, k.y, k.color, k.hints);
        }
    };
    // A glyph run can be drawn as several in a few fonts, and each label has
    // a few places for each glyph: this bounds the tiles' memory (a few
    // hundred bytes each) whatever the values.
    static constexpr size_t MaxTiles = 4096;

    Face& face(const QFont& font, const QPaintDevice* device);
    bool copyTiles(QPainter& p, const Face& f, const quint32* glyphs, const QPointF* positions,
                   int count, QPointF origin, const Backdrop& backdrop);
    static Tile drawTile(const Face& f, quint32 glyph, QPointF at, const QPen& pen,
                         QPainter::RenderHints hints, const QImage& picture);
    // The text's glyphs and their positions from its start; returns its
    // width, or -1 for a text left to the layout.
    static qreal lookUp(const QString& text, Face& f, quint32* glyphs, QPointF* positions);
    // Where a text `wide` wide starts in the box.
    static qreal start(const QRectF& box, Qt::Alignment alignment, qreal wide);
    std::vector<std::unique_ptr<Face>> faces_; // the latest few fonts drawn with
    QHash<TileKey, Tile> tiles_;               // open addressing: a look-up touches a line or two
    qint64 tilesOver_ = 0; // the cache key of the picture the tiles were drawn over
};
