#include "ui/controls/gdiplus_img_ctrl.h"

#include "ui/controls/palette_colors.h"

#include <QFile>
#include <QPainter>

namespace {

// White is the colour key: pure white pixels become fully transparent so the
// button-face fill shows through. Done once per load, not per paint.
QImage WhiteToTransparent(const QImage& decoded) {
    QImage img = decoded.convertToFormat(QImage::Format_ARGB32);
    if (img.isNull()) return img;
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            if ((line[x] & 0x00FFFFFFu) == 0x00FFFFFFu) line[x] = 0;
        }
    }
    return img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// The darkest mostly opaque pixel: lines and lettering of the pictures.
QColor DarkestInk(const QImage& img) {
    QColor ink;
    double least = 2.0;
    for (int y = 0; y < img.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            if (qAlpha(line[x]) < 200) continue;
            const QColor c = QColor::fromRgb(qUnpremultiply(line[x]));
            const double l = palette_colors::Luminance(c);
            if (l < least) {
                least = l;
                ink = c;
            }
        }
    }
    return ink;
}

}  // namespace

GdiplusImgCtrl::GdiplusImgCtrl(QWidget* parent) : QWidget(parent) {}

int GdiplusImgCtrl::LoadPngResource(int id) {
    QFile file(QStringLiteral(":/png/%1.png").arg(id));
    if (!file.open(QIODevice::ReadOnly)) return -1;  // no such picture: keep the current one
    const QByteArray bytes = file.readAll();
    if (bytes.isEmpty()) return -1;

    // From here on the old picture is gone, whatever the new one turns out to be.
    m_hasBitmap = true;
    m_image = QImage();
    m_ink = QColor();
    QImage decoded;
    if (!decoded.loadFromData(bytes, "PNG")) {
        update();
        return -2;  // undecodable: only the fill is drawn
    }
    m_image = WhiteToTransparent(decoded);
    m_ink = DarkestInk(m_image);
    update();
    return m_image.isNull() ? -3 : 0;
}

QColor GdiplusImgCtrl::Backdrop() const {
    using palette_colors::Contrast;
    const QColor face = palette().color(QPalette::Button);
    if (!m_ink.isValid() || Contrast(m_ink, face) >= palette_colors::kMinTextContrast) return face;
    const QColor text = palette().color(QPalette::ButtonText);
    return Contrast(m_ink, text) >= palette_colors::kMinTextContrast ? text : QColor(Qt::white);
}

void GdiplusImgCtrl::paintEvent(QPaintEvent*) {
    if (!m_hasBitmap) return;
    QPainter p(this);
    const QColor face = palette().color(QPalette::Button);
    p.fillRect(rect(), face);
    if (m_image.isNull()) return;
    const QColor backdrop = Backdrop();
    if (backdrop != face) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(backdrop);
        p.drawRoundedRect(QRectF(rect()), 4, 4);
    }
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    // Stretched to the whole control; the aspect ratio is not kept.
    p.drawImage(QRectF(rect()), m_image, QRectF(m_image.rect()));
}
