// Room for texts under any style, and colours readable on any palette.
#include "ui/controls/gdiplus_img_ctrl.h"
#include "ui/controls/ht_rich_edit_ctrl.h"
#include "ui/controls/palette_colors.h"
#include "ui/controls/text_room.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <gtest/gtest.h>

namespace {

using palette_colors::Contrast;

// A row of a fixed layout: a frame holding a button that is too narrow for
// its text and a check box after it; a label on the row below.
struct Row {
    QWidget container;
    QGroupBox* frame;
    QPushButton* button;
    QCheckBox* check;
    QLabel* below;
    Row() {
        container.setFixedSize(300, 120);
        frame = new QGroupBox(&container);
        frame->setGeometry(10, 10, 200, 50);
        button = new QPushButton(QStringLiteral("A caption far too long"), &container);
        button->setGeometry(20, 25, 40, 24);
        check = new QCheckBox(QStringLiteral("On"), &container);
        check->setGeometry(70, 25, 80, 24);
        below = new QLabel(QStringLiteral("Below"), &container);
        below->setGeometry(20, 80, 80, 20);
    }
};

TEST(TextRoom, GrowsTheShortControlAndMovesWhatFollowsOnItsRow) {
    Row r;
    ASSERT_GT(text_room::Shortfall(r.button).width(), 0);
    const int gap = r.check->x() - (r.button->x() + r.button->width());
    const QRect below = r.below->geometry();
    const int frameRightMargin = r.frame->geometry().right() - r.check->geometry().right();
    text_room::GrowToFit(&r.container);
    EXPECT_EQ(text_room::Shortfall(r.button), QSize(0, 0));
    EXPECT_EQ(r.button->pos(), QPoint(20, 25)) << "positions stay";
    EXPECT_EQ(r.check->x() - (r.button->x() + r.button->width()), gap) << "gaps stay";
    EXPECT_EQ(r.frame->geometry().right() - r.check->geometry().right(), frameRightMargin) << "the frame holds it";
    EXPECT_EQ(r.below->geometry(), below) << "another row stays";
    EXPECT_GE(r.container.width(), r.frame->geometry().right() + 1 + 300 - 210) << "the window grows, not clips";
    EXPECT_EQ(r.container.minimumSize(), r.container.maximumSize()) << "still fixed";
    // Fitting again changes nothing.
    const QRect after = r.check->geometry();
    const QSize size = r.container.size();
    text_room::GrowToFit(&r.container);
    EXPECT_EQ(r.check->geometry(), after);
    EXPECT_EQ(r.container.size(), size);
}

// Rows of a caption and a line edit too low for its text: the edits grow,
// each row moves down as one, and what is below moves with them.
TEST(TextRoom, RowsStayLinedUpWhenTheirControlsGrowTaller) {
    QWidget container;
    container.setFixedSize(200, 200);
    std::vector<std::pair<QLabel*, QLineEdit*>> rows;
    for (int n = 0; n < 3; ++n) {
        auto* label = new QLabel(QString::number(n + 1), &container);
        label->setGeometry(10, 10 + 30 * n, 20, 20);
        auto* edit = new QLineEdit(&container);
        edit->setGeometry(40, 10 + 30 * n, 100, 12);  // lower than the font
        rows.emplace_back(label, edit);
    }
    auto* button = new QPushButton(QStringLiteral("Save"), &container);
    button->setGeometry(40, 120, 100, 30);
    ASSERT_GT(text_room::Shortfall(rows[0].second).height(), 0);
    text_room::GrowToFit(&container);
    int previousBottom = 0;
    for (const auto& [label, edit] : rows) {
        EXPECT_EQ(text_room::Shortfall(edit), QSize(0, 0));
        EXPECT_EQ(label->y(), edit->y()) << "the row stays lined up";
        EXPECT_GE(edit->y(), previousBottom) << "rows do not overlap";
        previousBottom = edit->y() + edit->height();
    }
    EXPECT_GE(button->y(), previousBottom);
    EXPECT_GE(container.height(), button->y() + button->height());
}

TEST(TextRoom, ShortfallOfEachKindOfControl) {
    QWidget parent;
    auto* combo = new QComboBox(&parent);
    combo->addItems({QStringLiteral("1"), QStringLiteral("A much longer item")});
    auto* label = new QLabel(QStringLiteral("A label with a long text"), &parent);
    auto* check = new QCheckBox(QStringLiteral("A check box with a long text"), &parent);
    const struct {
        QWidget* w;
        const char* what;
    } cases[] = {{combo, "combo box (its longest item)"}, {label, "label"}, {check, "check box"}};
    for (const auto& c : cases) {
        c.w->resize(20, 30);
        EXPECT_GT(text_room::Shortfall(c.w).width(), 0) << c.what;
        c.w->resize(c.w->width() + text_room::Shortfall(c.w).width(), 30);
        EXPECT_EQ(text_room::Shortfall(c.w), QSize(0, 0)) << c.what;
    }
    auto* empty = new QLabel(&parent);
    empty->resize(1, 1);
    EXPECT_EQ(text_room::Shortfall(empty), QSize(0, 0));
}

QPalette Dark() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(0x2d, 0x2d, 0x2d));
    p.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xec));
    p.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    p.setColor(QPalette::AlternateBase, QColor(0x26, 0x26, 0x26));
    p.setColor(QPalette::Text, QColor(0xee, 0xee, 0xec));
    p.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
    p.setColor(QPalette::ButtonText, QColor(0xee, 0xee, 0xec));
    p.setColor(QPalette::Link, QColor(0x1b, 0x6a, 0xcb));  // too dark on the dark base
    return p;
}

QPalette Light() {
    QPalette p(QColor(0xef, 0xef, 0xef), QColor(0xff, 0xff, 0xff));
    p.setColor(QPalette::Text, Qt::black);
    p.setColor(QPalette::Link, QColor(0, 0, 0xff));
    return p;
}

TEST(PaletteColors, TextColoursAreReadableOnLightAndDarkPalettes) {
    using R = palette_colors::Role;
    for (const QPalette& pal : {Light(), Dark()}) {
        for (const R role : {R::Sent, R::Received, R::Problem, R::Dimmed, R::Link, R::Mark}) {
            const QColor c = palette_colors::ForText(role, pal);
            EXPECT_GE(Contrast(c, pal.color(QPalette::Base)), palette_colors::kMinTextContrast)
                << int(role) << " on " << pal.color(QPalette::Base).name().toStdString();
            EXPECT_GE(Contrast(c, pal.color(QPalette::AlternateBase)), palette_colors::kMinTextContrast);
        }
        for (int n = 0; n < 8; ++n) EXPECT_GE(Contrast(palette_colors::Series(n, pal), pal.color(QPalette::Base)), 3.0);
    }
    // A colour that is readable already is kept.
    EXPECT_EQ(palette_colors::Readable(QColor(0x1F, 0x4E, 0xA8), Qt::white, Qt::black), QColor(0x1F, 0x4E, 0xA8));
    EXPECT_NEAR(Contrast(Qt::black, Qt::white), 21.0, 0.01);
}

TEST(PaletteColors, RichTextFollowsAPaletteChange) {
    QWidget window;
    window.setPalette(Light());
    CHTRichEditCtrl edit(&window);
    edit.Init();
    edit.AppendHyperText(QStringLiteral("see http://example.com "));
    edit.AppendSetMark();
    auto colourAt = [&](const QString& piece) {
        const int at = edit.toPlainText().indexOf(piece);
        for (QTextBlock b = edit.document()->begin(); b.isValid(); b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it)
                if (it.fragment().position() <= at && at < it.fragment().position() + it.fragment().length())
                    return it.fragment().charFormat().foreground().color();
        return QColor();
    };
    window.setPalette(Dark());
    const QColor bg = edit.Background();
    for (const char* piece : {"see", "http://example.com", "'Set'"}) {
        EXPECT_GE(Contrast(colourAt(QString::fromLatin1(piece)), bg), palette_colors::kMinTextContrast) << piece;
    }
    EXPECT_EQ(colourAt(QStringLiteral("http")), edit.LinkColor());
}

TEST(PaletteColors, PictureStandsOnAPlateWhereTheFaceIsDark) {
    GdiplusImgCtrl picture;
    ASSERT_EQ(picture.LoadPngResource(134), 0);
    picture.setPalette(Light());
    EXPECT_EQ(picture.Backdrop(), Light().color(QPalette::Button)) << "the light face is kept";
    picture.setPalette(Dark());
    EXPECT_GE(Contrast(picture.Ink(), picture.Backdrop()), palette_colors::kMinTextContrast);
}

}  // namespace
