#include "ui/controls/palette_colors.h"

#include <algorithm>
#include <cmath>

namespace palette_colors {
namespace {

double Linear(double channel) {
    return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

// Readable against both backgrounds at once.
QColor ReadableOnBoth(const QColor& wanted, const QColor& a, const QColor& b, const QColor& text) {
    // Aim at the darker of the two for a light text colour, else the lighter.
    const bool lightText = Luminance(text) > 0.5;
    const QColor harder = (Luminance(a) > Luminance(b)) == lightText ? a : b;
    return Readable(wanted, harder, text);
}

}  // namespace

double Luminance(const QColor& c) {
    const QColor rgb = c.toRgb();
    return 0.2126 * Linear(rgb.redF()) + 0.7152 * Linear(rgb.greenF()) + 0.0722 * Linear(rgb.blueF());
}

double Contrast(const QColor& a, const QColor& b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor Mix(const QColor& a, const QColor& b, double amount) {
    const QColor x = a.toRgb(), y = b.toRgb();
    auto mix = [amount](double p, double q) { return p + (q - p) * amount; };
    return QColor::fromRgbF(static_cast<float>(mix(x.redF(), y.redF())),
                            static_cast<float>(mix(x.greenF(), y.greenF())),
                            static_cast<float>(mix(x.blueF(), y.blueF())));
}

QColor Readable(const QColor& wanted, const QColor& background, const QColor& text, double ratio) {
    if (Contrast(wanted, background) >= ratio) return wanted;
    // Towards the palette's text colour when that one is readable, else
    // towards whichever of black and white stands out more.
    QColor target = text;
    if (Contrast(text, background) < ratio)
        target =
            Contrast(Qt::black, background) > Contrast(Qt::white, background) ? QColor(Qt::black) : QColor(Qt::white);
    for (int step = 1; step <= 20; ++step) {
        const QColor c = Mix(wanted, target, step / 20.0);
        if (Contrast(c, background) >= ratio) return c;
    }
    return target;
}

QColor ForText(Role role, const QPalette& palette) {
    const QColor base = palette.color(QPalette::Base);
    const QColor alternate = palette.color(QPalette::AlternateBase);
    const QColor text = palette.color(QPalette::Text);
    QColor wanted;
    switch (role) {
    case Role::Sent:
        wanted = QColor(0x1F, 0x4E, 0xA8);
        break;
    case Role::Received:
        wanted = QColor(0x1E, 0x6B, 0x2E);
        break;
    case Role::Problem:
        wanted = QColor(0xB0, 0x40, 0x20);
        break;
    case Role::Dimmed:
        // Half way between the text and its background: set apart, still readable.
        wanted = Mix(text, base, 0.5);
        break;
    case Role::Link:
        wanted = palette.color(QPalette::Link);
        break;
    case Role::Mark:
        wanted = QColor(0, 0, 255);
        break;
    }
    return ReadableOnBoth(wanted, base, alternate, text);
}

QColor Series(int n, const QPalette& palette) {
    // Eight hues far apart, as the plot shows up to eight lines.
    static const QColor kHues[] = {QColor(0x1f, 0x77, 0xb4), QColor(0xd6, 0x27, 0x28), QColor(0x2c, 0xa0, 0x2c),
                                   QColor(0x94, 0x67, 0xbd), QColor(0xff, 0x7f, 0x0e), QColor(0x8c, 0x56, 0x4b),
                                   QColor(0xe3, 0x77, 0xc2), QColor(0x17, 0xbe, 0xcf)};
    const QColor hue = kHues[static_cast<std::size_t>(n) % (sizeof(kHues) / sizeof(kHues[0]))];
    // Lines need less than text (WCAG's 3:1 for graphics).
    return Readable(hue, palette.color(QPalette::Base), palette.color(QPalette::Text), 3.0);
}

}  // namespace palette_colors
