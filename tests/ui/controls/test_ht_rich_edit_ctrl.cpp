// Rich text display: link words, trimming at the text limit, the 'Set' mark,
// keys that must not change the text, keeping the reader's place.
#include "ui/controls/ht_rich_edit_ctrl.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

struct TextRun {
    TextRun(const char* t, bool l) : text(QString::fromUtf8(t)), link(l) {}
    TextRun(QString t, bool l) : text(std::move(t)), link(l) {}
    QString text;
    bool link;
    bool operator==(const TextRun& o) const { return text == o.text && link == o.link; }
};

std::ostream& operator<<(std::ostream& os, const TextRun& r) {
    return os << (r.link ? "link[" : "text[") << r.text.toStdString() << "]";
}

// The text as runs of links and ordinary text (adjacent fragments merged).
std::vector<TextRun> Runs(const QTextDocument& doc) {
    std::vector<TextRun> runs;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        if (b != doc.begin()) {
            if (!runs.empty() && !runs.back().link)
                runs.back().text += QLatin1Char('\n');
            else
                runs.push_back({QStringLiteral("\n"), false});
        }
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const bool link = f.charFormat().isAnchor();
            if (!runs.empty() && runs.back().link == link && !link)
                runs.back().text += f.text();
            else
                runs.push_back({f.text(), link});
        }
    }
    return runs;
}

class RichEdit : public ::testing::Test {
protected:
    void SetUp() override {
        edit.resize(300, 120);
        edit.Init();
    }
    CHTRichEditCtrl edit;
};

TEST_F(RichEdit, LinkWordsFollowThePrefixRules) {
    const struct {
        const char* text;
        std::vector<TextRun> runs;
    } cases[] = {
        {"see www.example.com now", {{"see ", false}, {"www.example.com", true}, {" now", false}}},
        {"WWW.EXAMPLE.COM Http://x", {{"WWW.EXAMPLE.COM Http://x", false}}},
        {"at the end http://host/path", {{"at the end ", false}, {"http://host/path", true}}},
        {"https://a\tftp.b\nmailto:c\red2k://d|e|",
         {{"https://a", true},
          {"\t", false},
          {"ftp.b", true},
          {"\n", false},
          {"mailto:c", true},
          {"\n", false},
          {"ed2k://d|e|", true}}},
        {"ftp://f x", {{"ftp://f", true}, {" x", false}}},
        {"<b>bold</b> &amp; www.x.org<i>", {{"<b>bold</b> &amp; ", false}, {"www.x.org<i>", true}}},
    };
    for (const auto& c : cases) {
        CHTRichEditCtrl e;
        e.Init();
        e.AppendHyperText(QString::fromUtf8(c.text));
        // A CR in the input is a line break in the document, as in the original control.
        EXPECT_EQ(Runs(*e.document()), c.runs) << c.text;
    }
}

TEST_F(RichEdit, LinkTargetIsTheWordItself) {
    edit.AppendHyperText(QStringLiteral("go http://host/a?b=1 ok"));
    QTextCursor c(edit.document());
    c.setPosition(5);
    EXPECT_EQ(c.charFormat().anchorHref(), QStringLiteral("http://host/a?b=1"));
}

TEST_F(RichEdit, AppendTextTakesTheGivenLength) {
    edit.AppendText(QStringLiteral("abcdef"), 3, false);
    edit.AppendText(QStringLiteral("xyz"), 0, false);
    edit.AppendText(QString(), -1, false);
    edit.AppendText(QStringLiteral("12"), 10, false);  // longer than the text: all of it
    EXPECT_EQ(edit.toPlainText(), QStringLiteral("abc12"));
}

TEST_F(RichEdit, SetMarkIsBoldBlueTenPointAndPlainTextFollowsInTheDefaultFormat) {
    edit.AppendHyperText(QStringLiteral("Place baud rate dial to "));
    edit.AppendSetMark();
    edit.AppendHyperText(QStringLiteral(" then www.x.org and more"));
    EXPECT_EQ(edit.toPlainText(), QStringLiteral("Place baud rate dial to 'Set' then www.x.org and more"));

    QTextCursor c(edit.document());
    c.setPosition(26);  // inside 'Set'
    const QTextCharFormat mark = c.charFormat();
    EXPECT_EQ(mark.fontWeight(), QFont::Bold);
    EXPECT_DOUBLE_EQ(mark.fontPointSize(), 10.0);
    EXPECT_EQ(mark.foreground().color(), QColor(0, 0, 255));
    EXPECT_FALSE(mark.fontItalic());
    EXPECT_FALSE(mark.fontUnderline());
    EXPECT_FALSE(mark.isAnchor());

    c.setPosition(32);  // " then"
    const QTextCharFormat after = c.charFormat();
    EXPECT_NE(after.fontWeight(), QFont::Bold);
    EXPECT_NE(after.foreground().color(), QColor(0, 0, 255));
    c.setPosition(10);
    const QTextCharFormat before = c.charFormat();
    EXPECT_NE(before.fontWeight(), QFont::Bold);
    EXPECT_EQ(after, before) << "the text after the mark is in the format of the text before it";
}

TEST_F(RichEdit, TrimsWholeLinesFromTheTopAtTheLimit) {
    const QString line = QString(99, QLatin1Char('x')) + QLatin1Char('\n');  // 100 characters
    QString first = QStringLiteral("first line\n");
    edit.AppendHyperText(first);
    while (edit.document()->characterCount() - 1 + line.size() <= CHTRichEditCtrl::kMaxChars)
        edit.AppendHyperText(line);
    const int before = edit.document()->characterCount() - 1;
    ASSERT_LE(before, CHTRichEditCtrl::kMaxChars);
    ASSERT_TRUE(edit.toPlainText().startsWith(first));

    // Longer than what is left below the limit (less than one line).
    edit.AppendHyperText(QStringLiteral("the new text ") + QString(100, QLatin1Char('n')));
    const QString text = edit.toPlainText();
    EXPECT_LE(text.size(), CHTRichEditCtrl::kMaxChars);
    EXPECT_FALSE(text.startsWith(QStringLiteral("first")));
    EXPECT_TRUE(text.startsWith(QString(99, QLatin1Char('x')) + QLatin1Char('\n')))
        << "a whole line was removed, not part of one";
    EXPECT_TRUE(text.endsWith(QStringLiteral("the new text ") + QString(100, QLatin1Char('n'))));
}

TEST_F(RichEdit, TextLongerThanTheLimitEmptiesTheControlAndKeepsWhatFits) {
    edit.m_limit = 50;
    edit.AppendHyperText(QStringLiteral("old line one\nold line two\n"));
    edit.AppendText(QString(80, QLatin1Char('n')), -1, false);
    EXPECT_EQ(edit.toPlainText(), QString(50, QLatin1Char('n')));
}

TEST_F(RichEdit, TypingDeleteAndBackspaceChangeNothing) {
    edit.AppendHyperText(QStringLiteral("fixed text"));
    edit.selectAll();
    for (auto [key, text] : std::vector<std::pair<int, QString>>{{Qt::Key_A, QStringLiteral("a")},
                                                                 {Qt::Key_Delete, QString()},
                                                                 {Qt::Key_Backspace, QString()},
                                                                 {Qt::Key_Space, QStringLiteral(" ")}}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(&edit, &press);
    }
    QKeyEvent paste(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier);
    QApplication::sendEvent(&edit, &paste);
    EXPECT_EQ(edit.toPlainText(), QStringLiteral("fixed text"));
    EXPECT_TRUE(edit.textCursor().hasSelection()) << "selection still works";
}

TEST_F(RichEdit, FollowsTheEndOrKeepsTheReadersPlace) {
    edit.show();
    for (int i = 0; i < 60; ++i) edit.AppendHyperText(QStringLiteral("line %1\n").arg(i));
    QScrollBar* bar = edit.verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());

    // Scrolled up, not following: the same first line stays in view.
    edit.m_autoScroll = false;
    bar->setValue(bar->maximum() / 3);
    const int kept = bar->value();
    const int firstLine = edit.cursorForPosition(QPoint(0, 0)).blockNumber();
    for (int i = 0; i < 20; ++i) edit.AppendHyperText(QStringLiteral("more %1\n").arg(i));
    EXPECT_EQ(bar->value(), kept);
    EXPECT_EQ(edit.cursorForPosition(QPoint(0, 0)).blockNumber(), firstLine);

    // Following again: the end comes into view even from a scrolled-up place.
    edit.m_autoScroll = true;
    bar->setValue(0);
    edit.AppendHyperText(QStringLiteral("last\n"));
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(RichEdit, KeepingThePlaceSurvivesTrimming) {
    edit.show();
    edit.m_limit = 400;
    for (int i = 0; i < 57; ++i) edit.AppendHyperText(QStringLiteral("row %1\n").arg(i, 2, 10, QLatin1Char('0')));
    edit.m_autoScroll = false;
    QScrollBar* bar = edit.verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    const QString firstText = edit.cursorForPosition(QPoint(0, 0)).block().text();
    edit.AppendHyperText(QStringLiteral("row xx\nrow yy\n"));  // two lines fall off the top
    EXPECT_FALSE(edit.toPlainText().startsWith(QStringLiteral("row 00")));
    EXPECT_EQ(edit.cursorForPosition(QPoint(0, 0)).block().text(), firstText);
}

}  // namespace
