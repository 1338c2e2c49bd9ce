// Texts of the provisioning station's own translation context.
#pragma once

#include <QCoreApplication>
#include <QString>

inline QString StationTr(const char* text) { return QCoreApplication::translate("Station", text); }
