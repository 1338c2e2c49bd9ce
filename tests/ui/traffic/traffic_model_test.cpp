// The traffic rows: batches, the bound, pause, filter and hidden scan reports.
#include "ui/traffic/traffic_model.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

TapEvent Line(TapRoute route, const std::string& text) {
    return {0, route == TapRoute::Command ? TapDirection::Sent : TapDirection::Received, route, text + "\r", ""};
}

std::vector<TapEvent> Batch(std::initializer_list<TapEvent> events) { return std::vector<TapEvent>(events); }

QStringList Texts(const TrafficModel& m) {
    QStringList out;
    for (int r = 0; r < m.rowCount(); ++r) out << m.index(r, TrafficModel::ColText).data().toString();
    return out;
}

}  // namespace

TEST(TrafficModel, AppendsABatchAsOneInsertAndKeepsOnlyTheNewest) {
    TrafficModel model(4);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    model.AppendBatch(
        Batch({Line(TapRoute::Command, "AT"), Line(TapRoute::Reply, "OK"), Line(TapRoute::Command, "AT+VER?")}));
    EXPECT_EQ(inserted.count(), 1);
    model.AppendBatch(
        Batch({Line(TapRoute::Reply, "v1"), Line(TapRoute::ScanReport, "+A"), Line(TapRoute::ScanReport, "+B")}));
    EXPECT_EQ(Texts(model), (QStringList{"AT+VER?<CR>", "v1<CR>", "+A<CR>", "+B<CR>"}));
    EXPECT_EQ(model.Dropped(), 2u);
    EXPECT_EQ(removed.count(), 1);
}

TEST(TrafficModel, PauseHoldsAndCountsFilterAndHiddenScanReportsApplyToOldAndNewRows) {
    TrafficModel model(100);
    model.AppendBatch(Batch({Line(TapRoute::Command, "AT+STARTSCAN"), Line(TapRoute::ScanReport, "+A,-50,Door")}));
    model.SetPaused(true);
    model.AppendBatch(Batch({Line(TapRoute::ScanReport, "+B,-60,Desk"), Line(TapRoute::Reply, "OK")}));
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.HeldWhilePaused(), 2u);
    model.SetPaused(false);
    EXPECT_EQ(model.rowCount(), 4);
    EXPECT_EQ(model.HeldWhilePaused(), 0u);

    model.SetHideScanReports(true);
    EXPECT_EQ(Texts(model), (QStringList{"AT+STARTSCAN<CR>", "OK<CR>"}));
    model.AppendBatch(Batch({Line(TapRoute::ScanReport, "+C"), Line(TapRoute::Command, "AT+STOPSCAN")}));
    EXPECT_EQ(model.rowCount(), 3);
    model.SetHideScanReports(false);
    model.SetFilterText(QStringLiteral("desk"));
    EXPECT_EQ(Texts(model), (QStringList{"+B,-60,Desk<CR>"}));
    model.SetFilterText(QStringLiteral("scan report"));  // the routing tag matches too
    EXPECT_EQ(model.rowCount(), 3);
    model.Clear();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.Kept(), 0u);
}

TEST(TrafficModel, TheShownCountFollowsTheFilter) {
    TrafficModel model(100);
    model.AppendBatch(
        Batch({Line(TapRoute::Command, "AT+VER?"), Line(TapRoute::Reply, "v1"), Line(TapRoute::Command, "AT")}));
    QSignalSpy counts(&model, &TrafficModel::CountsChanged);
    model.SetFilterText(QStringLiteral("AT"));
    EXPECT_EQ(counts.count(), 1) << "the status line reads the new count";
    model.SetHideScanReports(true);
    EXPECT_EQ(counts.count(), 2);
}

namespace {

QImage Drawn(const QFont& font, const QString& text) {
    const QFontMetrics fm(font);
    QImage image(fm.horizontalAdvance(text) + 4, fm.height() + 4, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(2, 2 + fm.ascent(), text);
    return image;
}

}  // namespace

// Escapes line up, and a backslash is drawn as one (Korean fonts draw it as a won sign).
TEST(TrafficModel, TheTextColumnIsFixedPitchWithATrueBackslash) {
    TrafficModel model(10);
    model.AppendBatch(Batch({Line(TapRoute::Reply, "\x1B")}));
    const QVariant font = model.index(0, TrafficModel::ColText).data(Qt::FontRole);
    ASSERT_TRUE(font.canConvert<QFont>());
    const QFont f = font.value<QFont>();
    const QFontMetrics fm(f);
    EXPECT_EQ(fm.horizontalAdvance(QLatin1Char('i')), fm.horizontalAdvance(QLatin1Char('W')));
    EXPECT_EQ(fm.horizontalAdvance(QLatin1Char('\\')), fm.horizontalAdvance(QLatin1Char('0')));
    EXPECT_NE(Drawn(f, QStringLiteral("\\")), Drawn(f, QString(QChar(0x20A9))));
    EXPECT_FALSE(model.index(0, TrafficModel::ColTime).data(Qt::FontRole).isValid()) << "only the wire text";
}
