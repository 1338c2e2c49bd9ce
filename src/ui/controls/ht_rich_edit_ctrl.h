// Append-only text display with clickable links and the bold 'Set' mark.
#pragma once

#include <QTextCharFormat>
#include <QTextEdit>

class CHTRichEditCtrl : public QTextEdit {
    Q_OBJECT
public:
    explicit CHTRichEditCtrl(QWidget* parent = nullptr);
    void Init();
    // Appends text, turning the parts that start with a link prefix into links.
    void AppendHyperText(const QString& text);
    // Appends the first len characters of text (-1 = all), as a link or plain.
    void AppendText(const QString& text, int len, bool link);
    // Appends the bold blue 'Set' mark; the text after it is plain again.
    void AppendSetMark();
    bool m_bAutoScroll = true;

    static constexpr int kMaxChars = 131072;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void insertFromMimeData(const QMimeData* source) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;

private:
    void InsertRun(const QString& text, const QTextCharFormat& fmt);
    void TrimToLimit();
    QString AnchorAt(const QPoint& pos) const;
    QTextCharFormat m_defaultFormat;
};
