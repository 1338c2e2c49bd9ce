// What an RSSI plot draws, read from its chart: one series per line, in the
// order the lines were chosen.
#pragma once

#include "ui/monitor/rssi_plot.h"

#include <QChart>
#include <QXYSeries>

#include <cstddef>

namespace testsupport {

inline std::size_t PlotLines(const RssiPlot& plot) { return static_cast<std::size_t>(plot.chart()->series().size()); }

inline int PlotPoints(const RssiPlot& plot, int line) {
    const auto series = plot.chart()->series();
    if (line >= series.size()) return 0;
    auto* xy = qobject_cast<QXYSeries*>(series[line]);
    return xy ? xy->count() : 0;
}

}  // namespace testsupport
