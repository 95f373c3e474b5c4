#include "bargraph/pixels.h"

#include <QPaintEngine>
#include <QPainter>
#include <QRect>
#include <QRegion>

#include <algorithm>
#include <cmath>
#include <cstring>

QImage* PaintedImage(QPainter& p) {
    QPaintEngine* engine = p.paintEngine();
    QPaintDevice* device =
        engine && engine->type() == QPaintEngine::Raster ? engine->paintDevice() : nullptr;
    return device && device->devType() == QInternal::Image ? static_cast<QImage*>(device) : nullptr;
}

namespace {
QImage* WholePixels(QPainter& p, QPoint* offset) {
    QImage* target = PaintedImage(p);
    const QTransform moved = p.deviceTransform();
    if (!target || !target->isDetached() || moved.type() > QTransform::TxTranslate ||
        moved.dx() != std::floor(moved.dx()) || moved.dy() != std::floor(moved.dy()) ||
        p.hasClipping() || p.opacity() != 1.0 ||
        p.compositionMode() != QPainter::CompositionMode_SourceOver)
        return nullptr;
    *offset = QPoint(int(moved.dx()), int(moved.dy()));
    return target;
}
} // namespace

QImage* WholePixelTarget(QPainter& p, QImage::Format format, QPoint* offset) {
    QImage* target = WholePixels(p, offset);
    return target && target->format() == format ? target : nullptr;
}

bool FillPixels(QPainter& p, const QRectF& rect, const QColor& color, const QRegion& region) {
    QPoint offset;
    QImage* target = WholePixels(p, &offset);
    if (!target || color.alpha() != 255 || p.testRenderHint(QPainter::Antialiasing))
        return false;
    switch (target->format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        break;
    default:
        return false;
    }
    // The painter rounds each edge, moved onto the image, to the nearest
    // pixel boundary.
    const QRectF moved = rect.translated(offset);
    const int left = qRound(moved.left()), right = qRound(moved.right());
    const int top = qRound(moved.top()), bottom = qRound(moved.bottom());
    const QRect pixels = QRect(QPoint(std::min(left, right), std::min(top, bottom)),
                               QPoint(std::max(left, right) - 1, std::max(top, bottom) - 1)) &
                         target->rect();
    // The region's parts it meets, found where the region lies.
    const quint32 value = color.rgba();
    uchar* const bits = target->bits();
    const qsizetype line = target->bytesPerLine();
    ForEachPart(region, pixels.translated(-offset), [&](const QRect& part) {
        const QRect piece = part.translated(offset);
        for (int y = piece.top(); y <= piece.bottom(); ++y)
            std::fill_n(reinterpret_cast<quint32*>(bits + y * line) + piece.left(), piece.width(),
                        value);
    });
    return true;
}

void CopyPixels(const QImage& from, const QRect& area, QImage& to, QPoint offset) {
    const QRect onto = (area & from.rect()).translated(offset) & to.rect();
    if (onto.isEmpty())
        return;
    const QPoint source = onto.topLeft() - offset;
    const qsizetype pixelBytes = from.depth() / 8;
    const qsizetype toLine = to.bytesPerLine();
    const qsizetype fromLine = from.bytesPerLine();
    uchar* into = to.bits() + onto.top() * toLine + onto.left() * pixelBytes;
    const uchar* out = from.constBits() + source.y() * fromLine + source.x() * pixelBytes;
    for (int row = 0; row < onto.height(); ++row, into += toLine, out += fromLine)
        std::memcpy(into, out, size_t(onto.width() * pixelBytes));
}
