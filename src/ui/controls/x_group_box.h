// Group frame drawn by hand: caption font, alignment, flat or etched frame of
// a chosen width; the interior is not erased so controls inside stay visible.
#pragma once

#include <QFont>
#include <QGroupBox>

class CXGroupBox : public QGroupBox {
    Q_OBJECT
public:
    explicit CXGroupBox(const QString& caption, QWidget* parent = nullptr);
    void SetCaptionFont(const QFont& font);
    void SetAlignment(int n);      // 0 left, 1 centre, other right
    void SetBorderStyle(int n);    // 1 etched, other flat
    void SetBorderWidth(int n);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QFont m_captionFont;
    bool m_hasCaptionFont = false;
    int m_align = 0;
    int m_borderStyle = 1;
    int m_borderWidth = 1;
};
