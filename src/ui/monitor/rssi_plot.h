// RSSI over time of a few devices of a ScanRecord, one line each. Refresh()
// redraws only the lines whose device got new reports, each with one
// replace() of its whole history.
#pragma once

#include "ops/scan_record.h"

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

    explicit RssiPlot(const ScanRecord& record, QWidget* parent = nullptr);

    // Devices (indices into the record's devices) to draw; the first
    // kMaxDevices are taken.
    void SetDevices(const std::vector<std::size_t>& devices);
    void Refresh();
    std::size_t DeviceCount() const { return m_lines.size(); }
    // Points of a line (tests).
    int PointCount(std::size_t line) const;

private:
    struct Line {
        std::size_t device;
        uint64_t hitsDrawn;
        QLineSeries* series;
    };
    void Redraw(Line& line);
    void FitAxes();

    const ScanRecord& m_record;
    uint64_t m_generation = 0;
    std::vector<Line> m_lines;
    QValueAxis* m_timeAxis = nullptr;
    QValueAxis* m_rssiAxis = nullptr;
};
