// Append-only text display: link words formatted as links, the oldest lines
// dropped at the text limit, the bold blue 'Set' mark. The user can select and
// scroll but not type. Text is always inserted as plain text with formats,
// never interpreted as markup.
#pragma once

#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextEdit>

class CHTRichEditCtrl : public QTextEdit {
    Q_OBJECT
public:
    explicit CHTRichEditCtrl(QWidget* parent = nullptr);
    // Undo off, text limit, default format captured from the current font.
    void Init();
    // Appends text, turning the words that start with a link prefix into links.
    void AppendHyperText(const QString& text);
    // Appends the first len characters of text (-1 = all), as one link or as plain text.
    void AppendText(const QString& text, int len, bool link);
    // Appends the bold blue 'Set' mark; the text after it is plain again.
    void AppendSetMark();
    // Centres every line (the instruction of the port dialog is centred).
    void SetCentered(bool centered);

    bool m_autoScroll = true;  // follow the end of the text after each append
    int m_limit = kMaxChars;   // text limit in characters
    static constexpr int kMaxChars = 131072;

    // Format of the 'Set' mark (bold, 10 pt, blue).
    QTextCharFormat SetMarkFormat() const;

    // Colour of the plain text, the links and the mark on the current palette.
    QColor PlainColor() const;
    QColor LinkColor() const;
    QColor MarkColor() const;
    // What the text stands on: the base, or the window behind a clear base.
    QColor Background() const;

protected:
    void changeEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;

private:
    void Append(const QString& text, const QTextCharFormat& fmt);
    void InsertAtEnd(const QString& text, const QTextCharFormat& fmt);
    int TextLength() const;
    double BlockTop(const QTextBlock& block) const;
    void RemoveFirstLine();
    QTextCharFormat LinkFormat(const QString& href) const;
    // Gives the text already shown the colours of the palette now in use.
    void Recolour();

    QTextCharFormat m_defaultFormat;
};
