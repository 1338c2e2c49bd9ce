#include "ui/monitor/rssi_plot.h"

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
        m_lines.push_back({device, 0, series});
    }
    Refresh();
}

void RssiPlot::Refresh() {
    if (m_record.Generation() != m_generation) {
        SetDevices({});
        return;
    }
    bool changed = false;
    for (Line& line : m_lines) {
        if (m_record.Stats().Devices()[line.device].hits != line.hitsDrawn) {
            Redraw(line);
            changed = true;
        }
    }
    if (changed) FitAxes();
}

void RssiPlot::Redraw(Line& line) {
    const ScanDeviceStats& d = m_record.Stats().Devices()[line.device];
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(d.history.size()));
    for (const auto& [ms, rssi] : d.history) points.append(QPointF(static_cast<double>(ms) / 1000.0, rssi));
    line.series->replace(points);
    line.hitsDrawn = d.hits;
}

void RssiPlot::FitAxes() {
    double t0 = std::numeric_limits<double>::max(), t1 = 0;
    int lo = 127, hi = -128;
    for (const Line& line : m_lines) {
        const ScanDeviceStats& d = m_record.Stats().Devices()[line.device];
        if (d.history.empty()) continue;
        t0 = std::min(t0, static_cast<double>(d.history.front().first) / 1000.0);
        t1 = std::max(t1, static_cast<double>(d.history.back().first) / 1000.0);
        for (const auto& sample : d.history) {
            lo = std::min(lo, sample.second);
            hi = std::max(hi, sample.second);
        }
    }
    if (t1 < t0) return;
    const double from = std::floor(t0), to = std::max(std::ceil(t1), from + 1.0);
    m_timeAxis->setRange(from, to);
    // Ticks on round seconds (1, 2 or 5 times a power of ten), about five of them.
    const double raw = (to - from) / 5.0;
    const double power = std::pow(10.0, std::floor(std::log10(std::max(raw, 1.0))));
    const double step = raw / power <= 1 ? power : raw / power <= 2 ? 2 * power : raw / power <= 5 ? 5 * power : 10 * power;
    m_timeAxis->setTickAnchor(0);
    m_timeAxis->setTickInterval(step);
    // Whole 10 dB steps around the values, so the scale does not jitter.
    m_rssiAxis->setRange(std::floor((lo - 1) / 10.0) * 10.0, std::ceil((hi + 1) / 10.0) * 10.0);
}

int RssiPlot::PointCount(std::size_t line) const {
    return line < m_lines.size() ? static_cast<int>(m_lines[line].series->count()) : 0;
}
