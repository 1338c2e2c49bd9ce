// Group box: the controls inside stay visible, frame width and colours,
// grey caption and shadow-coloured frame when disabled.
#include "ui/controls/x_group_box.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

const QColor kInside(200, 30, 40);
const QColor kBackdrop(0, 90, 200);

// A parent that paints something other than its palette's window colour, so
// an erased interior would show.
class Backdrop : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), kBackdrop); }
};

class GroupBox : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(200, 120);
        QPalette pal = window.palette();
        pal.setColor(QPalette::Window, QColor(230, 230, 230));
        pal.setColor(QPalette::Dark, QColor(20, 20, 120));
        pal.setColor(QPalette::Light, QColor(250, 250, 200));
        pal.setColor(QPalette::WindowText, QColor(0, 0, 0));
        pal.setColor(QPalette::Disabled, QPalette::WindowText, QColor(128, 128, 128));
        pal.setColor(QPalette::Disabled, QPalette::Dark, QColor(20, 20, 120));
        window.setPalette(pal);
        // The frame is created first; the control inside is a later sibling.
        box = new CXGroupBox(QStringLiteral("Device Info."), &window);
        box->setGeometry(10, 10, 180, 100);
        inside = new QWidget(&window);
        inside->setGeometry(40, 50, 60, 30);
        QPalette ip = inside->palette();
        ip.setColor(QPalette::Window, kInside);
        inside->setPalette(ip);
        inside->setAutoFillBackground(true);
    }
    Backdrop window;
    CXGroupBox* box = nullptr;
    QWidget* inside = nullptr;
};

TEST_F(GroupBox, ControlsInsideStayVisibleAndTheInteriorIsNotErased) {
    box->SetBorderStyle(0);
    box->SetBorderWidth(3);
    box->SetAlignment(1);
    const QImage shot = window.grab().toImage();
    EXPECT_EQ(shot.pixelColor(70, 65), kInside);
    EXPECT_EQ(shot.pixelColor(40, 50), kInside);
    // The interior shows what the parent painted; only the caption band is filled.
    EXPECT_EQ(shot.pixelColor(150, 90), kBackdrop);
    EXPECT_EQ(shot.pixelColor(box->CaptionRect().translated(10, 10).topLeft()), QColor(230, 230, 230));

    // A control that is a child of the box itself shows too.
    auto* own = new QWidget(box);
    own->setGeometry(120, 40, 20, 20);
    QPalette op = own->palette();
    op.setColor(QPalette::Window, kInside);
    own->setPalette(op);
    own->setAutoFillBackground(true);
    own->show();
    EXPECT_EQ(window.grab().toImage().pixelColor(10 + 130, 10 + 50), kInside);
}

TEST_F(GroupBox, FlatFrameHasItsWidthInTheShadowColour) {
    box->SetBorderStyle(0);
    box->SetBorderWidth(3);
    const QImage shot = window.grab().toImage();
    const int bottom = 10 + 100 - 1;
    for (int dy = 0; dy < 3; ++dy) EXPECT_EQ(shot.pixelColor(100, bottom - dy), QColor(20, 20, 120)) << dy;
    EXPECT_EQ(shot.pixelColor(100, bottom - 3), kBackdrop);
    for (int dx = 0; dx < 3; ++dx) EXPECT_EQ(shot.pixelColor(10 + dx, 80), QColor(20, 20, 120)) << dx;
}

TEST_F(GroupBox, CaptionBandInterruptsTheTopLineWhereTheAlignmentPutsIt) {
    box->SetBorderStyle(0);
    const int top = 10 + box->FrameRect().top();
    for (int align : {0, 1, 2}) {
        box->SetAlignment(align);
        const QRect cap = box->CaptionRect().translated(10, 10);
        const QImage shot = window.grab().toImage();
        EXPECT_EQ(shot.pixelColor(cap.left() - 2, top), QColor(20, 20, 120)) << align;
        EXPECT_EQ(shot.pixelColor(cap.left() + 1, top), QColor(230, 230, 230)) << align;
        const int expectedLeft[] = {10 + 8, 10 + (180 - cap.width()) / 2, 10 + 180 - 8 - cap.width()};
        EXPECT_EQ(cap.left(), expectedLeft[align]) << align;
    }
}

TEST_F(GroupBox, CaptionIsMeasuredWithItsFontAndDrawnDisabledInGrey) {
    const QRect normal = box->CaptionRect();
    EXPECT_EQ(normal.width(), QFontMetrics(box->font()).horizontalAdvance(box->title()) + 6);
    EXPECT_EQ(box->FrameRect().top(), (QFontMetrics(box->font()).height() + 1) / 2);
    QFont big = box->font();
    big.setPointSizeF(big.pointSizeF() * 2);
    box->SetCaptionFont(big);
    EXPECT_EQ(box->CaptionRect().width(), QFontMetrics(big).horizontalAdvance(box->title()) + 6);

    auto darkest = [&] {
        const QRect cap = box->CaptionRect().translated(10, 10);
        const QImage shot = window.grab().toImage();
        int best = 255;
        // Inside the band, away from the frame line.
        for (int y = cap.top(); y <= cap.bottom(); ++y)
            for (int x = cap.left() + 3; x <= cap.right() - 3; ++x) best = std::min(best, qGray(shot.pixel(x, y)));
        return best;
    };
    EXPECT_LT(darkest(), 40);
    box->setEnabled(false);
    const int grey = darkest();
    EXPECT_GE(grey, 100);  // the disabled text colour (128), lightened at thin strokes
    EXPECT_LE(grey, 170);
}

TEST_F(GroupBox, EtchedFrameHasAHighlightLineBesideTheShadowLine) {
    box->SetBorderStyle(1);
    box->SetBorderWidth(1);
    const QImage shot = window.grab().toImage();
    EXPECT_EQ(shot.pixelColor(10, 80), QColor(20, 20, 120));
    EXPECT_EQ(shot.pixelColor(11, 80), QColor(250, 250, 200));
}

}  // namespace
