// The main window's controls and the scan monitor, for the window tests and benchmarks,
// found by object name as a user's tools would find them.
#pragma once

#include "ui/main/main_window.h"
#include "ui/monitor/rssi_plot.h"
#include "ui/monitor/scan_monitor_model.h"
#include "ui/monitor/scan_monitor_window.h"
#include "ui/traffic/traffic_model.h"
#include "ui/traffic/traffic_session.h"

#include <QAction>
#include <QTableView>
#include <QWidget>

inline QWidget* Ctl(const CKESTOVLV2xxManagerDlg& window, int id) {
    return window.findChild<QWidget*>(QStringLiteral("ctl%1").arg(id));
}

inline void OpenMonitor(CKESTOVLV2xxManagerDlg& window) {
    if (auto* action = window.findChild<QAction*>(QStringLiteral("cmdScanMonitor"))) action->trigger();
}

// The rows the traffic window shows.
inline TrafficModel& TrafficRows(CKESTOVLV2xxManagerDlg& window) {
    return window.findChild<TrafficSession*>(QStringLiteral("trafficSession"))->Model();
}

// The monitor's parts, found by their object names.
inline QTableView* MonitorTable(const ScanMonitorWindow* m) {
    return m->findChild<QTableView*>(QStringLiteral("monitorTable"));
}
inline ScanMonitorModel* MonitorModel(const ScanMonitorWindow* m) {
    return m->findChild<ScanMonitorModel*>(QStringLiteral("monitorModel"));
}
inline RssiPlot* MonitorPlot(const ScanMonitorWindow* m) {
    return m->findChild<RssiPlot*>(QStringLiteral("monitorPlot"));
}
inline QAction* MonitorAssign(const ScanMonitorWindow* m) {
    return m->findChild<QAction*>(QStringLiteral("monitorAssign"));
}
