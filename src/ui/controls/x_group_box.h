// Section frame drawn by hand: caption font, alignment, flat or etched frame
// of a chosen width. Only the frame and the caption band are painted; the
// interior is left alone, so the controls inside stay visible.
#pragma once

#include <QFont>
#include <QGroupBox>
#include <QRect>

class CXGroupBox : public QGroupBox {
    Q_OBJECT
public:
    explicit CXGroupBox(const QString& caption, QWidget* parent = nullptr);
    void SetCaptionFont(const QFont& font);
    void SetAlignment(int n);    // 0 left, 1 centre, other right
    void SetBorderStyle(int n);  // 1 etched, other flat
    void SetBorderWidth(int n);

    // Where the caption band lies (for tests and for placing controls).
    QRect CaptionRect() const;
    QRect FrameRect() const;

protected:
    void paintEvent(QPaintEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    QSize CaptionExtent() const;

    QFont m_font;
    bool m_hasFont = false;
    int m_xMargin = 8;
    int m_yOffset = 0;
    int m_alignment = 0;
    int m_borderStyle = 1;
    int m_borderWidth = 1;
    bool m_grayWhenDisabled = true;
    mutable QSize m_sizeText{0, 0};  // cached caption extent; width 0 = measure again
};
