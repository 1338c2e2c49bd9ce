// A picture from the program's resources, stretched to the control, white
// pixels transparent over the button-face colour.
#pragma once

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

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QImage m_image;            // white already transparent
    bool m_hasBitmap = false;  // a load got as far as decoding (even if that failed)
};
