// A one-line plain-text label that shortens its text in the middle of a
// given head when the text does not fit, so the tail always shows; the whole
// text is its tooltip.
#pragma once

#include <QLabel>
#include <QString>

class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);
    // Text whose first headLength characters may be shortened; the rest stays whole.
    void SetElidedText(const QString& text, qsizetype headLength);

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void Fit();

    QString m_full;
    qsizetype m_head = 0;
};
