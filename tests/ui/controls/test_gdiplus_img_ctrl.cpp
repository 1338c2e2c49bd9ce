// Picture control: return codes, the previous picture kept on a missing id,
// white as the transparent colour, stretching to the whole control.
#include "ui/controls/gdiplus_img_ctrl.h"

#include "res/res_init.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

QColor Face(const QWidget& w) { return w.palette().color(QPalette::Button); }

TEST(GdiplusImgCtrl, ReturnCodesAndWhatStaysShown) {
    GdiplusImgCtrl ctrl;
    ctrl.resize(128, 128);
    EXPECT_EQ(ctrl.LoadPngResource(139), 0);
    EXPECT_EQ(ctrl.Picture().size(), QSize(256, 256));

    // A missing id keeps the picture that is shown.
    EXPECT_EQ(ctrl.LoadPngResource(4242), -1);
    EXPECT_EQ(ctrl.Picture().size(), QSize(256, 256));

    // The next good one replaces it.
    EXPECT_EQ(ctrl.LoadPngResource(143), 0);
    EXPECT_EQ(ctrl.Picture().size(), QSize(256, 38));

    // Undecodable data: the picture is gone and only the fill is drawn.
    EXPECT_EQ(ctrl.LoadPngResource(9998), -2);
    EXPECT_TRUE(ctrl.Picture().isNull());
    const QImage shot = ctrl.grab().toImage();
    for (QPoint p : {QPoint(0, 0), QPoint(64, 64), QPoint(127, 127)})
        EXPECT_EQ(shot.pixelColor(p), Face(ctrl)) << p.x() << "," << p.y();
}

TEST(GdiplusImgCtrl, EveryProgramPictureLoads) {
    ASSERT_TRUE(KestovResourcesPresent());
    GdiplusImgCtrl ctrl;
    const struct {
        int id;
        QSize size;
    } pictures[] = {
        {134, {331, 215}}, {138, {256, 256}}, {139, {256, 256}}, {140, {256, 256}}, {141, {256, 256}}, {143, {256, 38}},
    };
    for (const auto& p : pictures) {
        EXPECT_EQ(ctrl.LoadPngResource(p.id), 0) << p.id;
        EXPECT_EQ(ctrl.Picture().size(), p.size) << p.id;
    }
}

TEST(GdiplusImgCtrl, WhiteShowsTheButtonFaceAndThePictureFillsTheControl) {
    GdiplusImgCtrl ctrl;
    QPalette pal = ctrl.palette();
    pal.setColor(QPalette::Button, QColor(10, 200, 30));  // unmistakable face colour
    ctrl.setPalette(pal);
    ctrl.resize(128, 76);  // half the logo's width, twice its height
    ASSERT_EQ(ctrl.LoadPngResource(143), 0);

    QImage source(QStringLiteral(":/png/143.png"));
    ASSERT_FALSE(source.isNull());
    ASSERT_EQ(source.pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);  // the logo has a white corner
    EXPECT_EQ(qAlpha(ctrl.Picture().pixel(0, 0)), 0);

    const QImage shot = ctrl.grab().toImage();
    EXPECT_EQ(shot.pixelColor(0, 0), QColor(10, 200, 30));
    EXPECT_EQ(shot.pixelColor(127, 75), QColor(10, 200, 30));
    // The mark at the logo's left (x 4..36, y 3..35) lands where the stretch puts it,
    // near the bottom: a picture that kept its proportions would leave the face there.
    const QColor mark = shot.pixelColor(8 / 2, 30 * 2);
    EXPECT_NE(mark, QColor(10, 200, 30));
    EXPECT_LT(mark.lightness(), 160);
}

TEST(GdiplusImgCtrl, NothingIsDrawnBeforeAnyPicture) {
    QWidget parent;
    QPalette pal = parent.palette();
    pal.setColor(QPalette::Window, QColor(200, 0, 0));
    parent.setPalette(pal);
    parent.setAutoFillBackground(true);
    parent.resize(40, 40);
    auto* ctrl = new GdiplusImgCtrl(&parent);
    ctrl->setGeometry(0, 0, 40, 40);
    EXPECT_EQ(parent.grab().toImage().pixelColor(20, 20), QColor(200, 0, 0));
}

}  // namespace
