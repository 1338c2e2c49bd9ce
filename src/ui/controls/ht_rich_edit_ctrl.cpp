#include "ui/controls/ht_rich_edit_ctrl.h"

#include "ui/controls/palette_colors.h"

#include <QAbstractTextDocumentLayout>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <vector>

namespace {

// Which of the control's colours a piece of text wears.
constexpr int kColourRole = QTextFormat::UserProperty + 1;
enum ColourRole { PlainText = 0, LinkText = 1, MarkText = 2 };

// Tried in this order, case-sensitively ("https://" matches because "http://" does not).
const char* const kLinkPrefixes[] = {"ed2k://", "http://", "https://", "ftp://", "www.", "ftp.", "mailto:"};

bool EndsLink(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t');
}

}  // namespace

CHTRichEditCtrl::CHTRichEditCtrl(QWidget* parent) : QTextEdit(parent) {
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setAcceptRichText(false);
    setUndoRedoEnabled(false);
    m_defaultFormat.setFont(font());
}

void CHTRichEditCtrl::Init() {
    setUndoRedoEnabled(false);
    m_limit = kMaxChars;
    m_defaultFormat = QTextCharFormat();
    m_defaultFormat.setFont(font());
    m_defaultFormat.setForeground(PlainColor());
    m_defaultFormat.setProperty(kColourRole, PlainText);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void CHTRichEditCtrl::SetCentered(bool centered) {
    QTextOption opt = document()->defaultTextOption();
    opt.setAlignment(centered ? Qt::AlignHCenter : Qt::AlignLeft);
    document()->setDefaultTextOption(opt);
}

QTextCharFormat CHTRichEditCtrl::SetMarkFormat() const {
    QTextCharFormat f = m_defaultFormat;
    f.setFontWeight(QFont::Bold);
    f.setFontPointSize(10);
    f.setForeground(MarkColor());
    f.setProperty(kColourRole, MarkText);
    f.setFontItalic(false);
    f.setFontUnderline(false);
    f.setFontStrikeOut(false);
    f.setAnchor(false);
    f.setAnchorHref(QString());
    return f;
}

QTextCharFormat CHTRichEditCtrl::LinkFormat(const QString& href) const {
    QTextCharFormat f = m_defaultFormat;
    f.setAnchor(true);
    f.setAnchorHref(href);
    f.setFontUnderline(true);
    f.setForeground(LinkColor());
    f.setProperty(kColourRole, LinkText);
    return f;
}

QColor CHTRichEditCtrl::Background() const {
    const QColor base = palette().color(QPalette::Base);
    if (base.alpha() == 255) return base;
    const QWidget* behind = parentWidget() ? parentWidget() : this;
    return behind->palette().color(QPalette::Window);
}

namespace {
QPalette OnBackground(QPalette p, const QColor& background) {
    p.setColor(QPalette::Base, background);
    p.setColor(QPalette::AlternateBase, background);
    return p;
}
}  // namespace

QColor CHTRichEditCtrl::PlainColor() const {
    const QColor bg = Background();
    const QColor text = palette().color(QPalette::Text);
    return palette_colors::Readable(text, bg, palette().color(QPalette::WindowText));
}

QColor CHTRichEditCtrl::LinkColor() const {
    return palette_colors::ForText(palette_colors::Role::Link, OnBackground(palette(), Background()));
}

QColor CHTRichEditCtrl::MarkColor() const {
    return palette_colors::ForText(palette_colors::Role::Mark, OnBackground(palette(), Background()));
}

void CHTRichEditCtrl::changeEvent(QEvent* e) {
    QTextEdit::changeEvent(e);
    if (e->type() == QEvent::PaletteChange || e->type() == QEvent::StyleChange) Recolour();
}

void CHTRichEditCtrl::Recolour() {
    const QColor colours[] = {PlainColor(), LinkColor(), MarkColor()};
    m_defaultFormat.setForeground(colours[PlainText]);
    struct Piece {
        int from, length, role;
    };
    std::vector<Piece> pieces;  // gathered first: merging formats changes the fragments
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int role = fragment.charFormat().intProperty(kColourRole);
            if (role >= PlainText && role <= MarkText) pieces.push_back({fragment.position(), fragment.length(), role});
        }
    }
    for (const Piece& piece : pieces) {
        QTextCursor c(document());
        c.setPosition(piece.from);
        c.setPosition(piece.from + piece.length, QTextCursor::KeepAnchor);
        QTextCharFormat f;
        f.setForeground(colours[piece.role]);
        c.mergeCharFormat(f);
    }
}

void CHTRichEditCtrl::AppendHyperText(const QString& text) {
    int pending = 0;
    int i = 0;
    while (i < text.size()) {
        bool matched = false;
        for (const char* prefix : kLinkPrefixes) {
            const QLatin1String p(prefix);
            if (!QStringView(text).mid(i).startsWith(p, Qt::CaseSensitive)) continue;
            if (i > pending) AppendText(text.mid(pending, i - pending), -1, false);
            int end = i;
            while (end < text.size() && !EndsLink(text.at(end))) ++end;
            AppendText(text.mid(i, end - i), -1, true);
            i = pending = end;
            matched = true;
            break;
        }
        if (!matched) ++i;
    }
    if (pending < text.size()) AppendText(text.mid(pending), -1, false);
}

void CHTRichEditCtrl::AppendText(const QString& text, int len, bool link) {
    if (text.isEmpty() || len == 0) return;
    const QString part = (len < 0 || len >= text.size()) ? text : text.left(len);
    Append(part, link ? LinkFormat(part) : m_defaultFormat);
}

void CHTRichEditCtrl::AppendSetMark() { Append(QStringLiteral("'Set'"), SetMarkFormat()); }

void CHTRichEditCtrl::Append(const QString& text, const QTextCharFormat& fmt) {
    QScrollBar* bar = verticalScrollBar();
    const bool atEnd = m_autoScroll && bar->value() >= bar->maximum();
    if (atEnd) {
        InsertAtEnd(text, fmt);
        bar->setValue(bar->maximum());
        return;
    }
    // Keep the reader's place: the same first visible line. Trimming moves
    // that line up by the characters removed from the top.
    const int oldValue = bar->value();
    const int lengthBefore = TextLength();
    const int firstVisible = cursorForPosition(QPoint(0, 0)).position();
    const double offset = oldValue - BlockTop(document()->findBlock(firstVisible));
    setUpdatesEnabled(false);
    InsertAtEnd(text, fmt);
    if (m_autoScroll) {
        bar->setValue(bar->maximum());
    } else {
        const int removed = lengthBefore + static_cast<int>(text.size()) - TextLength();
        if (removed <= 0) {
            bar->setValue(oldValue);
        } else {
            const QTextBlock block = document()->findBlock(std::max(0, firstVisible - removed));
            bar->setValue(qRound(BlockTop(block) + offset));
        }
    }
    setUpdatesEnabled(true);
}

double CHTRichEditCtrl::BlockTop(const QTextBlock& block) const {
    return document()->documentLayout()->blockBoundingRect(block).top();
}

int CHTRichEditCtrl::TextLength() const { return document()->characterCount() - 1; }

void CHTRichEditCtrl::RemoveFirstLine() {
    QTextCursor c(document());
    c.movePosition(QTextCursor::Start);
    if (!c.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor)) {
        c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    }
    c.removeSelectedText();
}

void CHTRichEditCtrl::InsertAtEnd(const QString& text, const QTextCharFormat& fmt) {
    const int len = static_cast<int>(text.size());
    int pos = TextLength();
    // Make room by dropping whole lines from the top.
    while (pos > 0 && pos + len > m_limit) {
        RemoveFirstLine();
        pos = TextLength();
    }
    // What still does not fit is cut off at the limit, as the control refuses it.
    const QString accepted = pos + len > m_limit ? text.left(std::max(0, m_limit - pos)) : text;
    if (accepted.isEmpty()) return;
    QTextCursor c(document());
    c.movePosition(QTextCursor::End);
    c.insertText(accepted, fmt);
}

void CHTRichEditCtrl::keyPressEvent(QKeyEvent* e) {
    // Nothing the user types changes the text: Delete, Backspace and printable
    // characters are swallowed; navigation, selection and copy work as usual.
    if (e->key() == Qt::Key_Delete || e->key() == Qt::Key_Backspace) {
        e->accept();
        return;
    }
    const QString t = e->text();
    if (!t.isEmpty() && t.at(0).isPrint() &&
        !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        e->accept();
        return;
    }
    QTextEdit::keyPressEvent(e);
}

void CHTRichEditCtrl::inputMethodEvent(QInputMethodEvent* e) { e->accept(); }
