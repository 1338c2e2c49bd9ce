#include "ui/monitor/rssi_plot.h"

#include "ui/controls/palette_colors.h"
#include "ui/monitor/monitor_text.h"

#include <QtCharts/QChart>
#include <QtCharts/QLegend>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include <algorithm>
#include <cmath>
#include <limits>

RssiPlot::RssiPlot(const ScanRecord& record, QWidget* parent)
    : QChartView(parent), m_record(record), m_generation(record.Generation()) {
    auto* chart = new QChart();
    chart->legend()->setAlignment(Qt::AlignRight);
    chart->setMargins(QMargins(4, 4, 4, 4));
    m_timeAxis = new QValueAxis(chart);
    m_timeAxis->setTitleText(MonitorTr("Time (s)"));
    m_timeAxis->setLabelFormat(QStringLiteral("%g"));
    m_timeAxis->setTickType(QValueAxis::TicksDynamic);
    m_rssiAxis = new QValueAxis(chart);
    m_rssiAxis->setTitleText(MonitorTr("RSSI (dBm)"));
    m_rssiAxis->setLabelFormat(QStringLiteral("%.0f"));
    chart->addAxis(m_timeAxis, Qt::AlignBottom);
    chart->addAxis(m_rssiAxis, Qt::AlignLeft);
    m_timeAxis->setRange(0, 10);
    m_rssiAxis->setRange(-100, -20);
    setChart(chart);
    setRenderHint(QPainter::Antialiasing, false);  // cheaper with many points
    setMinimumHeight(160);
    ShowAxes();
    ApplyPalette();
}

void RssiPlot::changeEvent(QEvent* e) {
    QChartView::changeEvent(e);
    if (e->type() == QEvent::PaletteChange || e->type() == QEvent::StyleChange) ApplyPalette();
}

void RssiPlot::ApplyPalette() {
    const QPalette pal = palette();
    const QColor base = pal.color(QPalette::Base);
    const QColor text = pal.color(QPalette::Text);
    QChart* c = chart();
    c->setBackgroundBrush(base);
    c->setBackgroundPen(Qt::NoPen);
    c->setPlotAreaBackgroundVisible(false);
    c->setTitleBrush(text);
    c->legend()->setLabelColor(text);
    const QColor grid = palette_colors::Mix(text, base, 0.8);
    for (QValueAxis* axis : {m_timeAxis, m_rssiAxis}) {
        axis->setLabelsBrush(text);
        axis->setTitleBrush(text);
        axis->setLinePenColor(palette_colors::Mix(text, base, 0.4));
        axis->setGridLineColor(grid);
        axis->setMinorGridLineColor(grid);
    }
    for (std::size_t n = 0; n < m_lines.size(); ++n) {
        QPen pen = m_lines[n].series->pen();
        pen.setColor(palette_colors::Series(static_cast<int>(n), pal));
        pen.setWidthF(2);
        m_lines[n].series->setPen(pen);
    }
    setBackgroundBrush(base);
}

QString RssiPlot::TextAlternative() const {
    if (m_lines.empty()) return chart()->title();
    QStringList rows;
    for (const Line& line : m_lines) {
        QString row = line.label;
        if (!line.points.isEmpty()) {
            const QPointF& last = line.points.back();
            row += QCoreApplication::translate("ScanMonitor", ": %n reports plotted, latest %1 dBm at %2 s", nullptr,
                                               static_cast<int>(line.points.size()))
                       .arg(last.y())
                       .arg(last.x(), 0, 'f', 1);
        }
        rows << row;
    }
    return rows.join(QStringLiteral("; "));
}

void RssiPlot::ShowAxes() {
    // Axes without a line are clutter: an empty plot says how to fill it.
    const bool empty = m_lines.empty();
    m_timeAxis->setVisible(!empty);
    m_rssiAxis->setVisible(!empty);
    chart()->setTitle(empty ? MonitorTr("Select devices in the table to plot their RSSI.") : QString());
}

void RssiPlot::SetDevices(const std::vector<std::size_t>& devices) {
    std::vector<std::size_t> wanted(devices.begin(), devices.begin() + std::min(devices.size(), kMaxDevices));
    std::vector<std::size_t> current;
    for (const Line& l : m_lines) current.push_back(l.device);
    if (wanted == current && m_record.Generation() == m_generation) return;
    for (Line& l : m_lines) {
        chart()->removeSeries(l.series);
        delete l.series;
    }
    m_lines.clear();
    m_generation = m_record.Generation();
    const auto& all = m_record.Stats().Devices();
    for (const std::size_t device : wanted) {
        if (device >= all.size()) continue;
        auto* series = new QLineSeries();
        QString label = QString::fromStdString(all[device].address);
        if (!all[device].name.empty()) label += QStringLiteral(" ") + QString::fromStdString(all[device].name);
        series->setName(label.toHtmlEscaped());  // the legend takes its text as markup
        chart()->addSeries(series);
        series->attachAxis(m_timeAxis);
        series->attachAxis(m_rssiAxis);
        m_lines.push_back({device, PackAddress(all[device].address), label, {}, true, series});
    }
    ApplyPalette();
    // Back through the kept reports for the newest points of each line, once.
    std::size_t full = 0;
    for (uint64_t seq = m_record.EndSeq(); seq > m_record.FirstSeq() && full < m_lines.size(); --seq) {
        const ScanReportEntry& r = m_record.ReportAt(seq - 1);
        for (Line& line : m_lines) {
            if (line.address != r.address || static_cast<std::size_t>(line.points.size()) >= kHistoryLimit) continue;
            line.points.append(QPointF(static_cast<double>(r.atMs) / 1000.0, static_cast<double>(r.rssi)));
            if (static_cast<std::size_t>(line.points.size()) == kHistoryLimit) ++full;
        }
    }
    for (Line& line : m_lines) std::reverse(line.points.begin(), line.points.end());
    ShowAxes();
    m_readUpTo = m_record.EndSeq();
    Refresh();
}

void RssiPlot::Take(uint64_t from) {
    for (uint64_t seq = std::max(from, m_record.FirstSeq()); seq < m_record.EndSeq(); ++seq) {
        const ScanReportEntry& r = m_record.ReportAt(seq);
        for (Line& line : m_lines) {
            if (line.address != r.address) continue;
            if (static_cast<std::size_t>(line.points.size()) >= kHistoryLimit) line.points.removeFirst();
            line.points.append(QPointF(static_cast<double>(r.atMs) / 1000.0, static_cast<double>(r.rssi)));
            line.dirty = true;
        }
    }
    m_readUpTo = m_record.EndSeq();
}

void RssiPlot::Refresh() {
    if (m_record.Generation() != m_generation) {
        SetDevices({});
        return;
    }
    if (!m_lines.empty()) Take(m_readUpTo);
    m_readUpTo = m_record.EndSeq();
    bool changed = false;
    for (Line& line : m_lines) {
        if (!line.dirty) continue;
        line.series->replace(line.points);
        line.dirty = false;
        changed = true;
    }
    if (changed) FitAxes();
    const QString description = TextAlternative();
    if (description != accessibleDescription()) setAccessibleDescription(description);
}

void RssiPlot::FitAxes() {
    double t0 = std::numeric_limits<double>::max(), t1 = 0;
    int lo = 127, hi = -128;
    for (const Line& line : m_lines) {
        if (line.points.isEmpty()) continue;
        t0 = std::min(t0, line.points.front().x());
        t1 = std::max(t1, line.points.back().x());
        for (const QPointF& p : line.points) {
            lo = std::min(lo, static_cast<int>(p.y()));
            hi = std::max(hi, static_cast<int>(p.y()));
        }
    }
    if (t1 < t0) return;
    const double from = std::floor(t0), to = std::max(std::ceil(t1), from + 1.0);
    m_timeAxis->setRange(from, to);
    // Ticks on round seconds (1, 2 or 5 times a power of ten), about five of them.
    const double raw = (to - from) / 5.0;
    const double power = std::pow(10.0, std::floor(std::log10(std::max(raw, 1.0))));
    const double step = raw / power <= 1   ? power
                        : raw / power <= 2 ? 2 * power
                        : raw / power <= 5 ? 5 * power
                                           : 10 * power;
    m_timeAxis->setTickAnchor(0);
    m_timeAxis->setTickInterval(step);
    // Whole 10 dB steps around the values, so the scale does not jitter.
    m_rssiAxis->setRange(std::floor((lo - 1) / 10.0) * 10.0, std::ceil((hi + 1) / 10.0) * 10.0);
}
