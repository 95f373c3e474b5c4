// Draws the bundled toolbar images into src/icons/ at the sizes the program
// offers to Qt (16 to 96 pixels), so that they stay sharp on high-density
// screens. The program prefers the desktop's icon theme and falls back on
// these. Build and run with scripts/icons/redraw.
//
// Every image is drawn on a 64 x 64 grid and scaled.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <functional>

namespace {

using Draw = std::function<void(QPainter&)>;

const QColor Ink(0x30, 0x30, 0x30);

void page(QPainter& p) {
    QPainterPath path;
    path.moveTo(14, 4);
    path.lineTo(40, 4);
    path.lineTo(52, 16);
    path.lineTo(52, 60);
    path.lineTo(14, 60);
    path.closeSubpath();
    p.setPen(QPen(Ink, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    p.drawPath(path);
    p.drawLine(QPointF(40, 4), QPointF(40, 16));
    p.drawLine(QPointF(40, 16), QPointF(52, 16));
    p.setPen(QPen(QColor(0x80, 0x80, 0x80), 3, Qt::SolidLine, Qt::RoundCap));
    for (int y = 26; y <= 50; y += 8)
        p.drawLine(QPointF(21, y), QPointF(45, y));
}

void openLog(QPainter& p) {
    p.setPen(QPen(QColor(0x8a, 0x60, 0x10), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(0xe8, 0xb4, 0x3c));
    QPainterPath back;
    back.moveTo(4, 54);
    back.lineTo(4, 12);
    back.lineTo(22, 12);
    back.lineTo(27, 18);
    back.lineTo(52, 18);
    back.lineTo(52, 54);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(QColor(0xf7, 0xd0, 0x6a));
    QPainterPath front;
    front.moveTo(4, 54);
    front.lineTo(14, 28);
    front.lineTo(60, 28);
    front.lineTo(52, 54);
    front.closeSubpath();
    p.drawPath(front);
}

void closeLog(QPainter& p) {
    page(p);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xc0, 0x1c, 0x28));
    p.drawEllipse(QPointF(46, 46), 15, 15);
    p.setPen(QPen(Qt::white, 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(40, 40), QPointF(52, 52));
    p.drawLine(QPointF(52, 40), QPointF(40, 52));
}

void gear(QPainter& p, QPointF c, double outer, double inner, const QColor& fill) {
    QPainterPath path;
    const int teeth = 8;
    for (int i = 0; i < teeth * 4; ++i) {
        const double a = (i - 0.5) * M_PI * 2 / (teeth * 4);
        const double r = (i % 4 < 2) ? outer : outer * 0.78;
        const QPointF pt(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
        if (i == 0)
            path.moveTo(pt);
        else
            path.lineTo(pt);
    }
    path.closeSubpath();
    path.addEllipse(c, inner, inner);
    p.setPen(QPen(Ink, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
    p.drawPath(path);
}

void configureUnit(QPainter& p) {
    gear(p, QPointF(32, 32), 27, 9, QColor(0x6b, 0x8e, 0xb8));
}

void configureProgram(QPainter& p) {
    // Three sliders.
    const QColor knob(0x3d, 0x8b, 0x3d);
    const double xs[3] = {14, 32, 50};
    const double ys[3] = {40, 20, 34};
    for (int i = 0; i < 3; ++i) {
        p.setPen(QPen(Ink, 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(xs[i], 6), QPointF(xs[i], 58));
        p.setPen(QPen(Ink, 2.5));
        p.setBrush(knob);
        p.drawRoundedRect(QRectF(xs[i] - 8, ys[i] - 6, 16, 12), 3, 3);
    }
}

void startScan(QPainter& p) {
    p.setPen(QPen(QColor(0x1d, 0x6b, 0x2a), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(0x33, 0xa8, 0x45));
    QPainterPath path;
    path.moveTo(14, 6);
    path.lineTo(56, 32);
    path.lineTo(14, 58);
    path.closeSubpath();
    p.drawPath(path);
}

void stopScan(QPainter& p) {
    p.setPen(QPen(QColor(0x8a, 0x14, 0x1c), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(0xd0, 0x2a, 0x34));
    p.drawRoundedRect(QRectF(9, 9, 46, 46), 5, 5);
}

void calZero(QPainter& p) {
    // A pointer settling on the zero mark of a dial.
    p.setPen(QPen(Ink, 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(QColor(0xf2, 0xf2, 0xf2));
    p.drawEllipse(QPointF(32, 32), 28, 28);
    p.setPen(QPen(QColor(0xc0, 0x1c, 0x28), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(32, 32), QPointF(32, 9));
    p.setPen(Qt::NoPen);
    p.setBrush(Ink);
    p.drawEllipse(QPointF(32, 32), 5, 5);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(18);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Ink);
    p.drawText(QRectF(16, 36, 32, 22), Qt::AlignCenter, QStringLiteral("0"));
}

void commands(QPainter& p) {
    p.setPen(QPen(Ink, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(0x24, 0x28, 0x2e));
    p.drawRoundedRect(QRectF(4, 8, 56, 48), 5, 5);
    p.setPen(QPen(QColor(0x8a, 0xe2, 0x34), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(14, 22), QPointF(24, 31), QPointF(14, 40)}));
    p.setPen(QPen(Qt::white, 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(30, 44), QPointF(48, 44));
}

void errors(QPainter& p) {
    p.setPen(QPen(QColor(0x8a, 0x14, 0x1c), 3));
    p.setBrush(QColor(0xd0, 0x2a, 0x34));
    p.drawEllipse(QPointF(32, 32), 28, 28);
    p.setPen(QPen(Qt::white, 7, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(32, 15), QPointF(32, 37));
    p.drawPoint(QPointF(32, 49));
}

void help(QPainter& p) {
    p.setPen(QPen(QColor(0x1a, 0x4f, 0x8f), 3));
    p.setBrush(QColor(0x35, 0x84, 0xe4));
    p.drawEllipse(QPointF(32, 32), 28, 28);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(40);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(4, 4, 56, 56), Qt::AlignCenter, QStringLiteral("?"));
}

void program(QPainter& p) {
    // The program's own image: bars of a bar graph.
    p.setPen(QPen(Ink, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(3, 3, 58, 58), 6, 6);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x35, 0x84, 0xe4));
    const double widths[4] = {40, 26, 48, 18};
    for (int i = 0; i < 4; ++i)
        p.drawRect(QRectF(10, 10 + i * 12, widths[i], 8));
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("src/icons");
    QDir().mkpath(out);
    const QList<QPair<QString, Draw>> images = {
        {QStringLiteral("openlog"), openLog},
        {QStringLiteral("closelog"), closeLog},
        {QStringLiteral("configureunit"), configureUnit},
        {QStringLiteral("configureprogram"), configureProgram},
        {QStringLiteral("startscan"), startScan},
        {QStringLiteral("stopscan"), stopScan},
        {QStringLiteral("calzero"), calZero},
        {QStringLiteral("commands"), commands},
        {QStringLiteral("errors"), errors},
        {QStringLiteral("help"), help},
        {QStringLiteral("program"), program},
    };
    for (const auto& [name, draw] : images) {
        for (int size : {16, 24, 32, 48, 64, 96}) {
            QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            p.setRenderHint(QPainter::TextAntialiasing);
            p.scale(size / 64.0, size / 64.0);
            draw(p);
            p.end();
            image.save(QStringLiteral("%1/%2-%3.png").arg(out, name).arg(size));
        }
    }
    return 0;
}
