// Draws the program's pictures and icon with QPainter:
//   png/134.png  baud-rate dial (331 x 215)
//   png/138.png, png/140.png  serial modules LV200 / LV210 (256 x 256)
//   png/141.png  USB module LV220 (256 x 256)
//   png/139.png  series emblem (256 x 256)
//   png/143.png  maker's logo (256 x 38)
//   icons/kestov-lv200-manager.png (256 x 256) and .svg
// Pictures have a pure white background, which the picture control shows as
// transparent; nothing inside a picture may be pure white.
#include "link/file_io.h"

#include <QBuffer>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>
#include <cstdio>

namespace {

const QColor kPale(0xf3, 0xf5, 0xf8);  // "white" inside pictures: never pure white

QImage Canvas(int w, int h, bool transparent = false) {
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(transparent ? Qt::transparent : Qt::white);
    return img;
}

QFont Font(int pixelSize, bool bold = true, const char* family = "DejaVu Sans") {
    QFont f(QString::fromLatin1(family));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

// Text centred on a point.
void CentredText(QPainter& p, QPointF c, const QString& text) {
    const QFontMetricsF fm(p.font());
    const double w = fm.horizontalAdvance(text);
    p.drawText(QPointF(c.x() - w / 2, c.y() + (fm.ascent() - fm.descent()) / 2), text);
}

QPointF Polar(QPointF c, double radius, double degrees) {
    const double a = qDegreesToRadians(degrees);
    return {c.x() + radius * std::cos(a), c.y() - radius * std::sin(a)};
}

// --- 134: rotary baud-rate dial ------------------------------------------------------------
QImage DrawDial() {
    QImage img = Canvas(331, 215);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(165, 132);
    const char* labels[] = {"9.6K", "19.2K", "38.4K", "57.6K", "115K", "Set"};
    const double angles[] = {180, 144, 108, 72, 36, 0};

    // Scale: ticks and labels around the knob.
    for (int i = 0; i < 6; ++i) {
        const bool set = i == 5;
        p.setPen(
            QPen(set ? QColor(0xd0, 0x20, 0x2a) : QColor(0x40, 0x44, 0x4c), set ? 4 : 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(Polar(c, 72, angles[i]), Polar(c, 82, angles[i]));
        p.setFont(Font(set ? 19 : 15));
        p.setPen(set ? QColor(0xd0, 0x20, 0x2a) : QColor(0x22, 0x26, 0x2e));
        const double r = set ? 104 : 106;
        CentredText(p, Polar(c, r, angles[i]), QString::fromLatin1(labels[i]));
    }
    // Ring around the Set label.
    p.setPen(QPen(QColor(0xd0, 0x20, 0x2a), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(Polar(c, 104, 0) - QPointF(22, 14), QSizeF(44, 28)), 8, 8);

    // Bezel and knob.
    QRadialGradient bezel(c, 66, c - QPointF(20, 24));
    bezel.setColorAt(0, QColor(0x6a, 0x70, 0x7a));
    bezel.setColorAt(1, QColor(0x25, 0x29, 0x30));
    p.setPen(QPen(QColor(0x1a, 0x1d, 0x22), 2));
    p.setBrush(bezel);
    p.drawEllipse(c, 64, 64);
    QRadialGradient knob(c, 52, c - QPointF(18, 20));
    knob.setColorAt(0, QColor(0xe4, 0xe7, 0xec));
    knob.setColorAt(0.7, QColor(0xa9, 0xaf, 0xb8));
    knob.setColorAt(1, QColor(0x7c, 0x83, 0x8e));
    p.setPen(QPen(QColor(0x50, 0x56, 0x60), 1.5));
    p.setBrush(knob);
    p.drawEllipse(c, 50, 50);
    // Grip ridges.
    p.setPen(QPen(QColor(0x8a, 0x90, 0x9a, 160), 1.2));
    for (int a = 0; a < 360; a += 15) p.drawLine(Polar(c, 44, a), Polar(c, 49, a));

    // Arrow on the knob, pointing at Set (0 degrees).
    QPainterPath arrow;
    arrow.moveTo(Polar(c, 58, 0));
    arrow.lineTo(Polar(c, 38, 12));
    arrow.lineTo(Polar(c, 38, -12));
    arrow.closeSubpath();
    p.setPen(QPen(QColor(0x90, 0x10, 0x18), 1));
    p.setBrush(QColor(0xd0, 0x20, 0x2a));
    p.drawPath(arrow);
    p.setPen(QPen(QColor(0xd0, 0x20, 0x2a), 7, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(Polar(c, 30, 180), Polar(c, 40, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3a, 0x3f, 0x47));
    p.drawEllipse(c, 6, 6);

    // Caption.
    p.setFont(Font(12));
    p.setPen(QColor(0x5a, 0x60, 0x6a));
    p.drawText(QPointF(8, 207), QStringLiteral("BAUD RATE"));
    return img;
}

// --- modules -------------------------------------------------------------------------------
void DrawShadow(QPainter& p, QRectF r) {
    QRadialGradient g(r.center(), r.width() / 2);
    g.setColorAt(0, QColor(0xb8, 0xbb, 0xc0, 200));
    g.setColorAt(1, QColor(0xfa, 0xfa, 0xfa, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(r);
}

void DrawBody(QPainter& p, QRectF body) {
    // Top face, giving the box some depth.
    QPainterPath top;
    top.moveTo(body.topLeft());
    top.lineTo(body.topLeft() + QPointF(14, -14));
    top.lineTo(body.topRight() + QPointF(14, -14));
    top.lineTo(body.topRight());
    top.closeSubpath();
    p.setPen(QPen(QColor(0x14, 0x1c, 0x2c), 1.5));
    p.setBrush(QColor(0x45, 0x58, 0x7a));
    p.drawPath(top);
    QPainterPath side;
    side.moveTo(body.topRight());
    side.lineTo(body.topRight() + QPointF(14, -14));
    side.lineTo(body.bottomRight() + QPointF(14, -14));
    side.lineTo(body.bottomRight());
    side.closeSubpath();
    p.setBrush(QColor(0x1a, 0x24, 0x38));
    p.drawPath(side);
    QLinearGradient front(body.topLeft(), body.bottomLeft());
    front.setColorAt(0, QColor(0x33, 0x46, 0x68));
    front.setColorAt(1, QColor(0x1f, 0x2b, 0x44));
    p.setBrush(front);
    p.drawRect(body);
}

void DrawAntenna(QPainter& p, QPointF base) {
    // Hinge, then a rubber antenna rod.
    p.setPen(QPen(QColor(0x30, 0x33, 0x38), 1.5));
    p.setBrush(QColor(0x9a, 0xa0, 0xa8));
    p.drawRoundedRect(QRectF(base.x() - 11, base.y() - 16, 22, 18), 4, 4);
    QLinearGradient rod(QPointF(base.x() - 7, 0), QPointF(base.x() + 7, 0));
    rod.setColorAt(0, QColor(0x1c, 0x1e, 0x22));
    rod.setColorAt(0.45, QColor(0x55, 0x5a, 0x62));
    rod.setColorAt(1, QColor(0x18, 0x1a, 0x1e));
    p.setBrush(rod);
    p.drawRoundedRect(QRectF(base.x() - 7, 14, 14, base.y() - 28), 7, 7);
    p.setPen(QPen(QColor(0x0c, 0x0d, 0x10), 1));
    for (double y = 40; y < base.y() - 24; y += 9) p.drawLine(QPointF(base.x() - 6, y), QPointF(base.x() + 6, y));
}

void DrawLabel(QPainter& p, QRectF body, double left, const QString& model) {
    p.setPen(QColor(0x9f, 0xb4, 0xd6));
    p.setFont(Font(13));
    p.drawText(QPointF(left, body.top() + 34), QStringLiteral("KESTOV"));
    p.setPen(kPale);
    p.setFont(Font(26));
    p.drawText(QPointF(left, body.top() + 64), model);
    // Status LEDs.
    p.setPen(QPen(QColor(0x0a, 0x10, 0x1a), 1));
    p.setBrush(QColor(0x2e, 0xd0, 0x5a));
    p.drawEllipse(QPointF(left + 6, body.bottom() - 16), 4.5, 4.5);
    p.setBrush(QColor(0xff, 0xa8, 0x1c));
    p.drawEllipse(QPointF(left + 22, body.bottom() - 16), 4.5, 4.5);
}

void DrawSerialConnector(QPainter& p, QRectF flange) {
    // Metal flange with the two screw posts, then the D-shaped shell with 5 + 4 pins.
    QLinearGradient metal(flange.topLeft(), flange.bottomLeft());
    metal.setColorAt(0, QColor(0xd6, 0xd9, 0xde));
    metal.setColorAt(1, QColor(0x8e, 0x94, 0x9c));
    p.setPen(QPen(QColor(0x4a, 0x4e, 0x55), 1.5));
    p.setBrush(metal);
    p.drawRoundedRect(flange, 3, 3);
    p.setBrush(QColor(0x5c, 0x61, 0x69));
    const double cy = flange.center().y();
    p.drawEllipse(QPointF(flange.left() + 9, cy), 5, 5);
    p.drawEllipse(QPointF(flange.right() - 9, cy), 5, 5);
    const double l = flange.left() + 20, r = flange.right() - 20;
    QPainterPath shell;
    shell.moveTo(l, cy - 14);
    shell.lineTo(r, cy - 14);
    shell.lineTo(r - 5, cy + 14);
    shell.lineTo(l + 5, cy + 14);
    shell.closeSubpath();
    p.setBrush(QColor(0x2a, 0x2d, 0x33));
    p.drawPath(shell);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe0, 0xb0, 0x40));
    const double step = (r - l - 12) / 4;
    for (int i = 0; i < 5; ++i) p.drawEllipse(QPointF(l + 6 + i * step, cy - 6), 2.6, 2.6);
    for (int i = 0; i < 4; ++i) p.drawEllipse(QPointF(l + 6 + step / 2 + i * step, cy + 6), 2.6, 2.6);
}

QImage DrawSerialModule(const QString& model) {
    QImage img = Canvas(256, 256);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    DrawShadow(p, QRectF(22, 196, 220, 26));
    const QRectF body(24, 100, 200, 104);
    DrawAntenna(p, QPointF(206, 92));
    DrawBody(p, body);
    DrawSerialConnector(p, QRectF(34, 126, 86, 52));
    DrawLabel(p, body, 132, model);
    return img;
}

QImage DrawUsbModule(const QString& model) {
    QImage img = Canvas(256, 256);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    DrawShadow(p, QRectF(8, 196, 236, 26));
    const QRectF body(64, 100, 160, 104);
    DrawAntenna(p, QPointF(206, 92));
    // USB-A plug sticking out to the left: plastic collar, then the metal shell.
    p.setPen(QPen(QColor(0x14, 0x16, 0x1a), 1.5));
    p.setBrush(QColor(0x2a, 0x2d, 0x33));
    p.drawRoundedRect(QRectF(46, 126, 22, 52), 4, 4);
    QLinearGradient metal(QPointF(0, 134), QPointF(0, 170));
    metal.setColorAt(0, QColor(0xe2, 0xe5, 0xe9));
    metal.setColorAt(0.5, QColor(0xb4, 0xb9, 0xc0));
    metal.setColorAt(1, QColor(0x86, 0x8c, 0x94));
    p.setPen(QPen(QColor(0x4a, 0x4e, 0x55), 1.5));
    p.setBrush(metal);
    p.drawRect(QRectF(8, 134, 40, 36));
    p.setBrush(QColor(0x3a, 0x3e, 0x45));
    p.drawRect(QRectF(16, 143, 8, 6));
    p.drawRect(QRectF(32, 143, 8, 6));
    p.drawRect(QRectF(16, 155, 8, 6));
    p.drawRect(QRectF(32, 155, 8, 6));
    DrawBody(p, body);
    DrawLabel(p, body, 104, model);
    return img;
}

// --- 139: series emblem --------------------------------------------------------------------
QPainterPath Gear(QPointF c, double outer, double inner, int teeth) {
    QPainterPath path;
    const double step = 360.0 / teeth;
    for (int i = 0; i < teeth; ++i) {
        const double a = i * step;
        const QPointF pts[] = {Polar(c, inner, a - step * 0.5), Polar(c, inner, a - step * 0.22),
                               Polar(c, outer, a - step * 0.16), Polar(c, outer, a + step * 0.16),
                               Polar(c, inner, a + step * 0.22)};
        if (i == 0) path.moveTo(pts[0]);
        for (const QPointF& pt : pts) path.lineTo(pt);
    }
    path.closeSubpath();
    return path;
}

QImage DrawEmblem() {
    QImage img = Canvas(256, 256);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(128, 128);
    QRadialGradient steel(c, 118, c - QPointF(30, 40));
    steel.setColorAt(0, QColor(0x7d, 0x9e, 0xc4));
    steel.setColorAt(1, QColor(0x2a, 0x46, 0x6c));
    p.setPen(QPen(QColor(0x1a, 0x2c, 0x46), 2));
    p.setBrush(steel);
    p.drawPath(Gear(c, 118, 98, 14));
    p.setBrush(QColor(0xe3, 0xe9, 0xf1));
    p.setPen(QPen(QColor(0x1a, 0x2c, 0x46), 3));
    p.drawEllipse(c, 82, 82);
    p.setPen(QColor(0x3c, 0x55, 0x78));
    p.setFont(Font(15));
    CentredText(p, QPointF(128, 90), QStringLiteral("KESTOV"));
    CentredText(p, QPointF(128, 170), QStringLiteral("SERIES"));
    // The series code, outlined so it stands on the gear.
    QPainterPath code;
    const QFont f = Font(40);
    const QFontMetricsF fm(f);
    const QString text = QStringLiteral("LV200");
    code.addText(QPointF(128 - fm.horizontalAdvance(text) / 2, 128 + (fm.ascent() - fm.descent()) / 2), f, text);
    p.setPen(QPen(QColor(0xe3, 0xe9, 0xf1), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(code);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x17, 0x2a, 0x48));
    p.drawPath(code);
    return img;
}

// --- 143: maker's logo ---------------------------------------------------------------------
QImage DrawLogo() {
    QImage img = Canvas(256, 38);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(QPointF(0, 3), QPointF(0, 35));
    g.setColorAt(0, QColor(0x18, 0x8a, 0x8f));
    g.setColorAt(1, QColor(0x0c, 0x5a, 0x60));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(4, 3, 32, 32), 7, 7);
    // A "T" whose bar becomes a wave.
    p.setPen(QPen(kPale, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath bar;
    bar.moveTo(11, 12);
    bar.cubicTo(15, 8, 19, 16, 22, 11);
    bar.cubicTo(25, 7, 28, 12, 30, 11);
    p.drawPath(bar);
    p.drawLine(QPointF(20, 13), QPointF(20, 29));
    p.setPen(QColor(0x10, 0x47, 0x4c));
    p.setFont(Font(27));
    p.drawText(QPointF(44, 29), QStringLiteral("Talvern"));
    p.setPen(QPen(QColor(0x18, 0x8a, 0x8f), 2));
    p.drawLine(QPointF(172, 30), QPointF(250, 30));
    p.setFont(Font(9, false));
    p.setPen(QColor(0x4a, 0x6a, 0x70));
    p.drawText(QPointF(174, 24), QStringLiteral("wireless modules"));
    return img;
}

// --- application icon ----------------------------------------------------------------------
// Drawn from the same few shapes as the SVG written below.
QImage DrawIcon() {
    QImage img = Canvas(256, 256, true);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(QPointF(0, 8), QPointF(0, 248));
    g.setColorAt(0, QColor(0x2f, 0x6f, 0xd6));
    g.setColorAt(1, QColor(0x1b, 0x3f, 0x8f));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 48, 48);
    // Module: a chip with pins.
    p.setBrush(QColor(0xee, 0xf3, 0xfb));
    p.drawRoundedRect(QRectF(40, 112, 120, 96), 12, 12);
    for (int i = 0; i < 5; ++i) {
        p.drawRect(QRectF(52 + i * 22, 208, 8, 16));
    }
    p.setBrush(QColor(0x1b, 0x3f, 0x8f));
    p.setFont(Font(44));
    p.setPen(QColor(0x1b, 0x3f, 0x8f));
    CentredText(p, QPointF(100, 160), QStringLiteral("LV"));
    // Radio waves.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0xee, 0xf3, 0xfb), 14, Qt::SolidLine, Qt::RoundCap));
    const QPointF c(160, 104);
    for (int r : {26, 50, 74}) p.drawArc(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), 0 * 16, 90 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xee, 0xf3, 0xfb));
    p.drawEllipse(c, 10, 10);
    return img;
}

const char kIconSvg[] = R"svg(<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">
  <defs>
    <linearGradient id="bg" x1="0" y1="8" x2="0" y2="248" gradientUnits="userSpaceOnUse">
      <stop offset="0" stop-color="#2f6fd6"/>
      <stop offset="1" stop-color="#1b3f8f"/>
    </linearGradient>
  </defs>
  <rect x="8" y="8" width="240" height="240" rx="48" fill="url(#bg)"/>
  <rect x="40" y="112" width="120" height="96" rx="12" fill="#eef3fb"/>
  <g fill="#eef3fb">
    <rect x="52" y="208" width="8" height="16"/>
    <rect x="74" y="208" width="8" height="16"/>
    <rect x="96" y="208" width="8" height="16"/>
    <rect x="118" y="208" width="8" height="16"/>
    <rect x="140" y="208" width="8" height="16"/>
  </g>
  <text x="100" y="176" font-family="DejaVu Sans, sans-serif" font-size="44" font-weight="bold"
        text-anchor="middle" fill="#1b3f8f">LV</text>
  <g fill="none" stroke="#eef3fb" stroke-width="14" stroke-linecap="round">
    <path d="M186 104 A26 26 0 0 0 160 78"/>
    <path d="M210 104 A50 50 0 0 0 160 54"/>
    <path d="M234 104 A74 74 0 0 0 160 30"/>
  </g>
  <circle cx="160" cy="104" r="10" fill="#eef3fb"/>
</svg>
)svg";

// Written whole or not at all, like every file the project writes.
bool Write(const QString& path, const QByteArray& bytes) {
    const file_io::Error error =
        file_io::WriteWholeFile(path.toStdString(), std::string_view(bytes.data(), bytes.size()));
    if (error) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path), error.Text().c_str());
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

bool Save(const QImage& img, const QString& path) {
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !img.save(&buffer, "PNG")) {
        std::fprintf(stderr, "cannot encode %s\n", qPrintable(path));
        return false;
    }
    return Write(path, png);
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <resource directory>\n", argv[0]);
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    dir.mkpath(QStringLiteral("png"));
    dir.mkpath(QStringLiteral("icons"));
    bool ok = Save(DrawDial(), dir.filePath(QStringLiteral("png/134.png")));
    ok = Save(DrawSerialModule(QStringLiteral("LV200")), dir.filePath(QStringLiteral("png/138.png"))) && ok;
    ok = Save(DrawEmblem(), dir.filePath(QStringLiteral("png/139.png"))) && ok;
    ok = Save(DrawSerialModule(QStringLiteral("LV210")), dir.filePath(QStringLiteral("png/140.png"))) && ok;
    ok = Save(DrawUsbModule(QStringLiteral("LV220")), dir.filePath(QStringLiteral("png/141.png"))) && ok;
    ok = Save(DrawLogo(), dir.filePath(QStringLiteral("png/143.png"))) && ok;
    ok = Save(DrawIcon(), dir.filePath(QStringLiteral("icons/kestov-lv200-manager.png"))) && ok;
    ok = Write(dir.filePath(QStringLiteral("icons/kestov-lv200-manager.svg")), QByteArray(kIconSvg)) && ok;
    return ok ? 0 : 1;
}
