// RSSI over time of a few devices of a ScanRecord, one line each, from the
// record's raw reports: choosing the devices reads back through them once,
// and Refresh() reads only the reports that came since the last call, so its
// work follows the report rate, not the number of devices or reports kept.
// Lines whose device got new points are redrawn with one replace().
#pragma once

#include "ops/scan/scan_record.h"

#include <QList>
#include <QPointF>
#include <QtCharts/QChartView>

#include <cstddef>
#include <cstdint>
#include <vector>

class QLineSeries;
class QValueAxis;

class RssiPlot : public QChartView {
    Q_OBJECT
public:
    static constexpr std::size_t kMaxDevices = 8;
    // Newest points kept per line.
    static constexpr std::size_t kHistoryLimit = 600;

    explicit RssiPlot(const ScanRecord& record, QWidget* parent = nullptr);

    // Devices (indices into the record's devices) to draw; the first
    // kMaxDevices are taken.
    void SetDevices(const std::vector<std::size_t>& devices);
    void Refresh();

    // The table the plot is drawn from, as text for assistive technology.
    QString TextAlternative() const;

protected:
    void changeEvent(QEvent* e) override;

private:
    // Chart, axes, legend and lines in the colours of the current palette.
    void ApplyPalette();
    struct Line {
        std::size_t device;
        uint64_t address;
        QString label;          // address and name, as plain text
        QList<QPointF> points;  // oldest first, at most kHistoryLimit
        bool dirty;
        QLineSeries* series;
    };
    // Adds the record's reports in [from, EndSeq()) to their lines.
    void Take(uint64_t from);
    void FitAxes();
    void ShowAxes();

    const ScanRecord& m_record;
    uint64_t m_generation = 0;
    uint64_t m_readUpTo = 0;  // reports before this running number are drawn
    std::vector<Line> m_lines;
    QValueAxis* m_timeAxis = nullptr;
    QValueAxis* m_rssiAxis = nullptr;
};
