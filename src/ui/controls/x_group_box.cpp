#include "ui/controls/x_group_box.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

CXGroupBox::CXGroupBox(const QString& caption, QWidget* parent) : QGroupBox(caption, parent) {
    // Never erase: what lies below (the parent, the controls inside) shows through.
    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setFlat(true);
}

void CXGroupBox::SetCaptionFont(const QFont& font) {
    m_font = font;
    m_hasFont = true;
    m_sizeText = QSize(0, 0);
    update();
}

void CXGroupBox::SetAlignment(int n) {
    m_alignment = n;
    update();
}
void CXGroupBox::SetBorderStyle(int n) {
    m_borderStyle = n;
    update();
}
void CXGroupBox::SetBorderWidth(int n) {
    m_borderWidth = n;
    update();
}

void CXGroupBox::changeEvent(QEvent* e) {
    if (e->type() == QEvent::FontChange) m_sizeText = QSize(0, 0);
    QGroupBox::changeEvent(e);
}

QSize CXGroupBox::CaptionExtent() const {
    if (m_sizeText.width() <= 0 && !title().isEmpty()) {
        const QFontMetrics fm(m_hasFont ? m_font : font());
        m_sizeText = QSize(fm.horizontalAdvance(title()), fm.height());
    }
    return m_sizeText.width() > 0 ? m_sizeText : QSize(0, 0);
}

QRect CXGroupBox::FrameRect() const {
    const int half = (CaptionExtent().height() + 1) / 2;
    return QRect(0, half, width(), height() - half);
}

QRect CXGroupBox::CaptionRect() const {
    const QSize text = CaptionExtent();
    const int w = text.width() + 6;
    int left = m_xMargin;
    if (m_alignment == 1)
        left = (width() - w) / 2;
    else if (m_alignment != 0)
        left = width() - m_xMargin - w;
    return QRect(left, m_yOffset, w, text.height() + 1);
}

void CXGroupBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    const bool enabled = isEnabled();
    const QColor background = pal.color(QPalette::Window);
    const QColor frame = pal.color(enabled ? QPalette::Active : QPalette::Disabled, QPalette::Dark);
    const QColor light = pal.color(QPalette::Light);
    const int bw = std::max(1, m_borderWidth);

    // Frames are drawn as bands inside their rectangle, so every edge shows its full width.
    auto band = [&p](const QRect& r, int width, const QColor& c) {
        if (r.width() <= 0 || r.height() <= 0) return;
        const int w = std::min(width, std::min(r.width(), r.height()));
        p.fillRect(QRect(r.left(), r.top(), r.width(), w), c);
        p.fillRect(QRect(r.left(), r.bottom() - w + 1, r.width(), w), c);
        p.fillRect(QRect(r.left(), r.top(), w, r.height()), c);
        p.fillRect(QRect(r.right() - w + 1, r.top(), w, r.height()), c);
    };

    const QRect f = FrameRect();
    if (m_borderStyle == 1) {
        const QRect shadow = f.adjusted(0, 0, -bw, -bw);
        band(shadow.translated(bw, bw), bw, light);  // highlight line first, shadow on top
        band(shadow, bw, frame);
    } else {
        band(f, bw, frame);
    }

    // The caption band interrupts the top line of the frame.
    const QRect caption = CaptionRect();
    p.fillRect(caption, background);
    if (!title().isEmpty()) {
        p.setFont(m_hasFont ? m_font : font());
        const bool grey = !enabled && m_grayWhenDisabled;
        p.setPen(pal.color(grey ? QPalette::Disabled : QPalette::Active, QPalette::WindowText));
        const QRect textRect(caption.left() + 3, 0, caption.width() - 3, caption.height());
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title());
    }
}
