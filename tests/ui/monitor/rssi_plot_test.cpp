// The RSSI plot: one line per selected device from its history, legend texts
// taken literally.
#include "plot_lines.h"
#include "ui/controls/palette_colors.h"
#include "ui/monitor/rssi_plot.h"

#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QtCharts/QAbstractAxis>
#include <QtCharts/QLineSeries>

#include <gtest/gtest.h>

#include <chrono>

using namespace std::chrono_literals;
using testsupport::PlotLines;
using testsupport::PlotPoints;

TEST(RssiPlot, DrawsTheHistoryOfAtMostEightDevicesWithLiteralLegends) {
    ScanRecord record;
    const auto t0 = ScanRecord::Clock::now();
    record.Start(t0);
    for (int d = 0; d < 10; ++d)
        record.Add("AA00000000" + std::to_string(10 + d), d == 1 ? "<i>Tag</i> & co" : "n", -50 - d, t0 + 10ms);
    RssiPlot plot(record);
    plot.SetDevices({1, 0, 2, 3, 4, 5, 6, 7, 8, 9});
    EXPECT_EQ(PlotLines(plot), RssiPlot::kMaxDevices);
    for (int i = 0; i < 5; ++i) record.Add("AA0000000011", "", -40 - i, t0 + std::chrono::milliseconds(100 * i));
    EXPECT_EQ(PlotPoints(plot, 0), 1);
    plot.Refresh();
    EXPECT_EQ(PlotPoints(plot, 0), 6);
    EXPECT_EQ(PlotPoints(plot, 1), 1);

    bool literal = false;
    for (QGraphicsItem* item : plot.scene()->items())
        if (auto* text = dynamic_cast<QGraphicsTextItem*>(item))
            literal = literal || text->toPlainText() == QStringLiteral("AA0000000011 <i>Tag</i> & co");
    EXPECT_TRUE(literal) << "a device name is never markup";

    record.Start(t0 + 1s);
    plot.Refresh();
    EXPECT_EQ(PlotLines(plot), 0u) << "a new scan clears the plot";
}

TEST(RssiPlot, ALineKeepsTheNewestPointsOfItsAddressFromTheKeptReports) {
    ScanRecord record(1);  // one device record: the plotted one is dropped on the way
    const auto t0 = ScanRecord::Clock::now();
    record.Start(t0);
    const int n = static_cast<int>(RssiPlot::kHistoryLimit) + 20;
    for (int i = 0; i < n; ++i) record.Add("AA0000000001", "", -(i % 90) - 1, t0 + std::chrono::milliseconds(i));
    RssiPlot plot(record);
    plot.SetDevices({0});
    EXPECT_EQ(PlotPoints(plot, 0), static_cast<int>(RssiPlot::kHistoryLimit)) << "read back once when chosen";
    record.Add("BB0000000002", "", -50, t0 + 2s);  // takes the only record
    record.Add("AA0000000001", "", -50, t0 + 3s);  // and back
    plot.Refresh();
    EXPECT_EQ(PlotPoints(plot, 0), static_cast<int>(RssiPlot::kHistoryLimit));
    record.Add("BB0000000002", "", -50, t0 + 4s);
    plot.Refresh();
    EXPECT_EQ(PlotPoints(plot, 0), static_cast<int>(RssiPlot::kHistoryLimit)) << "another address adds nothing";
}

// Axis titles belong to lines: an empty plot shows none, only how to fill it.
TEST(RssiPlot, AnEmptyPlotShowsNoAxisTitles) {
    ScanRecord record;
    const auto t0 = ScanRecord::Clock::now();
    record.Start(t0);
    record.Add("AA0000000001", "n", -50, t0 + 10ms);
    RssiPlot plot(record);
    const auto titlesShown = [&plot] {
        int n = 0;
        for (const QAbstractAxis* axis : plot.chart()->axes())
            n += axis->isVisible() && axis->isTitleVisible() && !axis->titleText().isEmpty() ? 1 : 0;
        return n;
    };
    EXPECT_EQ(titlesShown(), 0);
    EXPECT_FALSE(plot.chart()->title().isEmpty());
    plot.SetDevices({0});
    EXPECT_EQ(titlesShown(), 2);
    EXPECT_TRUE(plot.chart()->title().isEmpty());
    plot.SetDevices({});
    EXPECT_EQ(titlesShown(), 0);
}

// Screen readers get the plot as text: each line's device and its latest
// point, following the scan; the lines' colours stand out from the plot's
// background on a light and on a dark palette.
TEST(RssiPlot, TellsItsLinesAsTextAndDrawsThemInReadableColours) {
    ScanRecord record;
    const auto t0 = ScanRecord::Clock::now();
    record.Start(t0);
    record.Add("AA0000000001", "Door", -61, t0 + 500ms);
    record.Add("AA0000000002", "", -70, t0 + 600ms);
    RssiPlot plot(record);
    EXPECT_FALSE(plot.accessibleDescription().contains(QStringLiteral("AA0000000001")));
    plot.SetDevices({0, 1});
    EXPECT_TRUE(plot.accessibleDescription().contains(QStringLiteral("AA0000000001 Door")));
    EXPECT_TRUE(plot.accessibleDescription().contains(QStringLiteral("-61")));
    record.Add("AA0000000001", "Door", -48, t0 + 2s);
    plot.Refresh();
    EXPECT_TRUE(plot.accessibleDescription().contains(QStringLiteral("-48"))) << "follows the scan";

    for (const bool dark : {false, true}) {
        QPalette pal;
        pal.setColor(QPalette::Base, dark ? QColor(0x1e, 0x1e, 0x1e) : QColor(Qt::white));
        pal.setColor(QPalette::Text, dark ? QColor(0xee, 0xee, 0xec) : QColor(Qt::black));
        plot.setPalette(pal);
        EXPECT_EQ(plot.chart()->backgroundBrush().color(), pal.color(QPalette::Base));
        for (QAbstractSeries* s : plot.chart()->series()) {
            const QColor line = static_cast<QLineSeries*>(s)->pen().color();
            EXPECT_GE(palette_colors::Contrast(line, pal.color(QPalette::Base)), 3.0) << (dark ? "dark" : "light");
        }
        for (QAbstractAxis* axis : plot.chart()->axes())
            EXPECT_GE(palette_colors::Contrast(axis->labelsBrush().color(), pal.color(QPalette::Base)), 4.5);
    }
}
