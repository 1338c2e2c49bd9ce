// Dialog templates are laid out in dialog units; these turn them into pixels
// with the metrics of the dialog's font.
#pragma once

#include <QFont>
#include <QRect>

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    int X(int du) const;
    int Y(int du) const;
    QRect Rect(int x, int y, int w, int h) const;

private:
    double m_baseX;  // average character width
    double m_baseY;  // character height
};
