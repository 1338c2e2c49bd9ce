// The main window's controls and the scan monitor for the window benchmarks,
// found by object name as a user's tools would find them.
#pragma once

#include "ui/main/main_window.h"

#include <QAction>
#include <QWidget>

inline QWidget* Ctl(const CKESTOVLV2xxManagerDlg& window, int id) {
    return window.findChild<QWidget*>(QStringLiteral("ctl%1").arg(id));
}

inline void OpenMonitor(CKESTOVLV2xxManagerDlg& window) {
    if (auto* action = window.findChild<QAction*>(QStringLiteral("cmdScanMonitor"))) action->trigger();
}
