// Texts of the main window's own translation context.
#pragma once

#include <QCoreApplication>
#include <QString>

inline QString Tr(const char* text) {
    return QCoreApplication::translate("CKESTOVLV2xxManagerDlg", text);
}
