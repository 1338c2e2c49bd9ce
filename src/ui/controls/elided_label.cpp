#include "ui/controls/elided_label.h"

#include <QFontMetrics>

#include <algorithm>

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
}

void ElidedLabel::SetElidedText(const QString& text, qsizetype headLength) {
    m_full = text;
    m_head = std::clamp<qsizetype>(headLength, 0, text.size());
    setToolTip(text);
    Fit();
}

void ElidedLabel::resizeEvent(QResizeEvent* e) {
    QLabel::resizeEvent(e);
    Fit();
}

void ElidedLabel::Fit() {
    const QFontMetrics fm(font());
    const int room = contentsRect().width() - 2 * margin();
    if (fm.horizontalAdvance(m_full) <= room) {
        setText(m_full);
        return;
    }
    const QString tail = m_full.mid(m_head);
    const QString head =
        fm.elidedText(m_full.left(m_head), Qt::ElideMiddle, std::max(0, room - fm.horizontalAdvance(tail)));
    setText(head + tail);
}
