#pragma once
// Pixels written straight into the image a window is painted into: a picture
// or a glyph drawn once is copied there row by row as it is, instead of being
// drawn again through the painter.

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRegion>

#include <algorithm>

class QColor;
class QPainter;
class QRectF;

// The image a raster painter paints into (a window's backing store), or null
// for any other engine or device.
QImage* PaintedImage(QPainter& p);

// The image the painter paints into, when pixels of `format` can be written
// there as they are: the painter moves by whole pixels (by `offset`), with no
// clip of its own, at full opacity, drawing over what is there. Null otherwise.
QImage* WholePixelTarget(QPainter& p, QImage::Format format, QPoint* offset);

// Fills `rect` with an opaque `color` where it meets `region` (in the
// painter's coordinates, within its paint region), pixel for pixel as
// QPainter::fillRect without antialiasing would, writing the pixels
// straight into a 32-bit image; under a region of many rectangles the
// painter fills span by span. False, with nothing filled, where the painter
// does not allow it (WholePixelTarget, antialiasing).
bool FillPixels(QPainter& p, const QRectF& rect, const QColor& color, const QRegion& region);

// Copies the pixels of `area` of `from` to `to`, moved by `offset`; what falls
// outside either image is left out. The two have the same format.
void CopyPixels(const QImage& from, const QRect& area, QImage& to, QPoint offset);

// Calls `each` with every rectangle of `region` that meets `rect`, cut to
// `rect`. The region's rectangles lie in bands from the top, so the walk
// stops at the first one below `rect`: of a paint region's many rectangles a
// label or a bar meets one or two.
template <typename Each> void ForEachPart(const QRegion& region, const QRect& rect, Each each) {
    for (const QRect& part : region) {
        if (part.top() > rect.bottom())
            break;
        if (part.bottom() >= rect.top() && part.right() >= rect.left() &&
            part.left() <= rect.right())
            each(QRect(QPoint(std::max(part.left(), rect.left()), std::max(part.top(), rect.top())),
                       QPoint(std::min(part.right(), rect.right()),
                              std::min(part.bottom(), rect.bottom()))));
    }
}
