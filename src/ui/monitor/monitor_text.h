// Texts of the scan monitor's own translation context.
#pragma once

#include <QCoreApplication>
#include <QString>

inline QString MonitorTr(const char* text) { return QCoreApplication::translate("ScanMonitor", text); }
