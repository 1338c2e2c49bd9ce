#include "ui/shell/dialog_units.h"

#include <QFontMetricsF>
#include <cmath>

DialogUnits::DialogUnits(const QFont& font) {
    QFontMetricsF fm(font);
    // Average width of the Latin letters, as the system's dialog manager measures it.
    static const QString kSample = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_baseX = fm.horizontalAdvance(kSample) / kSample.size();
    m_baseY = fm.height();
}

int DialogUnits::X(int du) const { return static_cast<int>(std::lround(du * m_baseX / 4.0)); }
int DialogUnits::Y(int du) const { return static_cast<int>(std::lround(du * m_baseY / 8.0)); }

QRect DialogUnits::Rect(int x, int y, int w, int h) const {
    // Both edges are converted, so neighbouring controls keep their gaps.
    const int left = X(x), top = Y(y);
    return QRect(left, top, X(x + w) - left, Y(y + h) - top);
}
