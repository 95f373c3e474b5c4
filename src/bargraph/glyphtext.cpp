#include "bargraph/glyphtext.h"

#include "bargraph/pixels.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <limits>

namespace {
// The labels use two or three sizes at a time; a resize brings new ones.
constexpr size_t KeptFaces = 6;

// The characters of a number, below this code.
constexpr int NumberChars = u'e' + 1;

bool InNumber(char16_t c) {
    return (c >= u'0' && c <= u'9') || c == u'.' || c == u',' || c == u'+' || c == u'-' ||
           c == u'E' || c == u'e';
}
} // namespace

struct GlyphText::Face {
    Face(const QFont& requested, const QPaintDevice* device)
        : font(requested), dpi(device ? device->logicalDpiY() : 0) {
        // The painter resolves a font for its device; so must the lookup.
        const QFont resolved = device ? QFont(requested, device) : requested;
        raw = QRawFont::fromFont(resolved);
        ascent = QFontMetricsF(resolved, device).ascent();
    }
    // Whether the character has a glyph of this face, looking it up once.
    bool has(char16_t c) {
        if (!InNumber(c))
            return false;
        if (state[c] == 0) {
            const QChar ch(c);
            quint32 glyph = 0;
            int count = 1;
            QPointF advance;
            state[c] = -1;
            if (raw.isValid() && raw.glyphIndexesForChars(&ch, 1, &glyph, &count) && count == 1 &&
                glyph != 0 && raw.advancesForGlyphIndexes(&glyph, &advance, 1)) {
                index[c] = glyph;
                width[c] = advance.x();
                const QRectF ink = raw.boundingRect(glyph);
                inkLeft[c] = std::min(0.0, ink.left());
                inkRight[c] = std::max(advance.x(), ink.right());
                state[c] = 1;
            }
        }
        return state[c] > 0;
    }

    QFont font;
    int dpi;
    QRawFont raw;
    qreal ascent = 0;
    quint32 index[NumberChars] = {};
    qreal width[NumberChars] = {};
    // The ink's reach from the pen's place, the advance at least.
    qreal inkLeft[NumberChars] = {};
    qreal inkRight[NumberChars] = {};
    qint8 state[NumberChars] = {}; // 0 not looked up yet, 1 has a glyph, -1 has none
};

GlyphText::GlyphText() = default;
GlyphText::~GlyphText() = default;

GlyphText::Face& GlyphText::face(const QFont& font, const QPaintDevice* device) {
    const int dpi = device ? device->logicalDpiY() : 0;
    for (auto it = faces_.begin(); it != faces_.end(); ++it)
        if ((*it)->dpi == dpi && (*it)->font == font)
            return **it;
    if (faces_.size() >= KeptFaces) {
        faces_.erase(faces_.begin());
        tiles_.clear(); // keyed by faces, one of which is gone
    }
    faces_.push_back(std::make_unique<Face>(font, device));
    return *faces_.back();
}

qreal GlyphText::lookUp(const QString& text, Face& f, quint32* glyphs, QPointF* positions) {
    const int length = int(text.size());
    if (length == 0 || length > MaxLength)
        return -1;
    qreal x = 0;
    for (int i = 0; i < length; ++i) {
        const char16_t c = text[i].unicode();
        if (!f.has(c))
            return -1;
        glyphs[i] = f.index[c];
        positions[i] = QPointF(x, 0);
        x += f.width[c];
    }
    return x;
}

bool GlyphText::draw(QPainter& p, const QRectF& box, Qt::Alignment alignment, const QString& text,
                     const QFont& font, const Backdrop* backdrop) {
    if ((alignment & Qt::AlignVertical_Mask & ~Qt::AlignTop) != 0)
        return false;
    Face& f = face(font, p.device());
    quint32 glyphs[MaxLength];
    QPointF positions[MaxLength];
    const qreal x = lookUp(text, f, glyphs, positions);
    if (x < 0)
        return false;
    const QPointF origin(start(box, alignment, x), box.top() + f.ascent);
    if (backdrop && copyTiles(p, f, glyphs, positions, int(text.size()), origin, *backdrop))
        return true;
    QGlyphRun run;
    run.setRawFont(f.raw);
    run.setRawData(glyphs, positions, int(text.size()));
    p.drawGlyphRun(origin, run);
    return true;
}

bool GlyphText::copyTiles(QPainter& p, const Face& f, const quint32* glyphs,
                          const QPointF* positions, int count, QPointF origin,
                          const Backdrop& backdrop) {
    const QImage& picture = backdrop.picture;
    QPoint offset;
    QImage* target = WholePixelTarget(p, picture.format(), &offset);
    const QPen& pen = p.pen();
    if (!target || picture.depth() != 32 || picture.devicePixelRatio() != 1.0 ||
        pen.style() != Qt::SolidLine || pen.brush().style() != Qt::SolidPattern)
        return false;
    if (tilesOver_ != picture.cacheKey() || size_t(tiles_.size()) + size_t(count) > MaxTiles) {
        tiles_.clear();
        tilesOver_ = picture.cacheKey();
    }
    // The pen's place for each glyph, as drawGlyphRun reckons it; the
    // glyphs not drawn yet are drawn first, as adding to the table may
    // move what it holds.
    TileKey keys[MaxLength];
    for (int i = 0; i < count; ++i) {
        const QPointF at = origin + positions[i];
        keys[i] = {&f, glyphs[i], at.x(), at.y(), pen.color().rgba(), int(p.renderHints())};
        if (!tiles_.contains(keys[i]))
            tiles_.insert(keys[i], drawTile(f, glyphs[i], at, pen, p.renderHints(), picture));
    }
    const Tile* placed[MaxLength];
    QRect reach;
    for (int i = 0; i < count; ++i) {
        placed[i] = &*tiles_.constFind(keys[i]);
        for (int j = 0; j < i; ++j)
            if (placed[j]->area.intersects(placed[i]->area))
                return false;
        reach |= placed[i]->area;
    }
    ForEachPart(backdrop.region, reach, [&](const QRect& part) {
        for (int i = 0; i < count; ++i) {
            const QRect piece = part & placed[i]->area;
            if (!piece.isEmpty())
                CopyPixels(placed[i]->pixels, piece.translated(-placed[i]->area.topLeft()), *target,
                           offset + placed[i]->area.topLeft());
        }
    });
    return true;
}

GlyphText::Tile GlyphText::drawTile(const Face& f, quint32 glyph, QPointF at, const QPen& pen,
                                    QPainter::RenderHints hints, const QImage& picture) {
    // Drawn over a copy of the picture with room to spare around the
    // outline (antialiasing and hinting reach past it), moved by whole
    // pixels so that the glyph lands on the same fraction of a pixel.
    const QRectF outline = f.raw.boundingRect(glyph).translated(at);
    const int spare = 3 + int(outline.height() / 2);
    const QRect around =
        outline.toAlignedRect().adjusted(-spare, -spare, spare, spare) & picture.rect();
    Tile tile;
    if (around.isEmpty())
        return tile;
    QImage drawn = picture.copy(around);
    {
        QPainter painter(&drawn);
        painter.setRenderHints(hints);
        painter.setPen(pen);
        painter.translate(-around.topLeft());
        const QPointF zero;
        QGlyphRun run;
        run.setRawFont(f.raw);
        run.setRawData(&glyph, &zero, 1);
        painter.drawGlyphRun(at, run);
    }
    // Only the pixels the glyph changed are kept.
    QRect changed;
    for (int y = 0; y < around.height(); ++y) {
        const auto* before =
            reinterpret_cast<const quint32*>(picture.constScanLine(around.top() + y)) +
            around.left();
        const auto* after = reinterpret_cast<const quint32*>(drawn.constScanLine(y));
        for (int x = 0; x < around.width(); ++x)
            if (before[x] != after[x])
                changed |= QRect(x, y, 1, 1);
    }
    tile.area = changed.translated(around.topLeft());
    tile.pixels = drawn.copy(changed);
    return tile;
}

qreal GlyphText::start(const QRectF& box, Qt::Alignment alignment, qreal wide) {
    if (alignment & Qt::AlignRight)
        return box.left() + (box.width() - wide);
    if (alignment & Qt::AlignHCenter)
        return box.left() + (box.width() - wide) / 2;
    return box.left();
}

QRectF GlyphText::changed(const QRectF& box, Qt::Alignment alignment, const QString& before,
                          const QString& after, const QFont& font, const QPaintDevice* device) {
    if (before == after)
        return QRectF();
    if ((alignment & Qt::AlignVertical_Mask & ~Qt::AlignTop) != 0)
        return box;
    Face& f = face(font, device);
    quint32 glyphs[2][MaxLength];
    QPointF positions[2][MaxLength];
    const QString* texts[2] = {&before, &after};
    qreal starts[2];
    for (int t = 0; t < 2; ++t) {
        const qreal wide = lookUp(*texts[t], f, glyphs[t], positions[t]);
        if (wide < 0)
            return box;
        starts[t] = start(box, alignment, wide);
    }
    // Both runs in order of place: a glyph the other run draws in the same
    // place is drawn alike; any other glyph's ink changes.
    constexpr qreal Past = std::numeric_limits<qreal>::infinity();
    qreal left = Past, right = -Past;
    const qsizetype count[2] = {before.size(), after.size()};
    qsizetype at[2] = {0, 0};
    while (at[0] < count[0] || at[1] < count[1]) {
        qreal x[2];
        for (int t = 0; t < 2; ++t)
            x[t] = at[t] < count[t] ? starts[t] + positions[t][at[t]].x() : Past;
        if (x[0] == x[1] && glyphs[0][at[0]] == glyphs[1][at[1]]) {
            ++at[0], ++at[1];
            continue;
        }
        const int t = x[0] <= x[1] ? 0 : 1;
        const char16_t c = (*texts[t])[at[t]].unicode();
        left = std::min(left, x[t] + f.inkLeft[c]);
        right = std::max(right, x[t] + f.inkRight[c]);
        ++at[t];
    }
    if (left > right)
        return QRectF();
    // Antialiasing and hinting may reach a pixel past the outline.
    constexpr qreal Spare = 2;
    return QRectF(QPointF(left - Spare, box.top()), QPointF(right + Spare, box.bottom()));
}

qreal GlyphText::width(const QString& text, const QFont& font, const QPaintDevice* device) {
    quint32 glyphs[MaxLength];
    QPointF positions[MaxLength];
    return lookUp(text, face(font, device), glyphs, positions);
}
