// A picture from the program's resources, stretched to the control, white
// pixels transparent over the button-face colour. The pictures are drawn for
// a light face: on a dark one they stand on a light plate of the palette's
// text colour, so their lettering stays readable.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

class GdiplusImgCtrl : public QWidget {
    Q_OBJECT
public:
    explicit GdiplusImgCtrl(QWidget* parent = nullptr);
    // 0 shown; -1 no such resource (previous picture kept); -2 resource not decodable
    // (only the fill is drawn); -3 the picture could not be prepared for drawing.
    int LoadPngResource(int id);
    // The picture as drawn (white already transparent); null when none.
    const QImage& Picture() const { return m_image; }
    // The darkest colour the picture draws with, and what it is drawn on.
    QColor Ink() const { return m_ink; }
    QColor Backdrop() const;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QImage m_image;            // white already transparent
    QColor m_ink;              // darkest opaque pixel
    bool m_hasBitmap = false;  // a load got as far as decoding (even if that failed)
};
