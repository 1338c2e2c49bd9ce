// How a port appears in the port dialog: its path as the item text, and
// under it what the system knows about the device and what the dialog found
// out (no permission, a module answered, in use).
#pragma once

#include "link/port_enum.h"
#include "ops/ports/port_probe.h"

#include <QString>
#include <QStyledItemDelegate>

#include <string>
#include <system_error>

enum PortItemRole : int {
    kPortDescriptionRole = Qt::UserRole + 1,  // product, maker, serial number, by-id name
    kPortByIdRole,                            // the by-id name, for matching the remembered port
    kPortStatusRole,                          // permission or probe finding
};

// "CP2102 USB to UART Bridge Controller, Silicon Labs, serial 0001" and the
// by-id name on a second line; empty when the system knows nothing.
QString PortDescription(const SerialPortEntry& entry);
QString NoPermissionText(const std::string& group);
QString ProbeStatusText(const ProbeResult& result);
QString NoPortsText();
// Why a typed path cannot be used.
QString PathProblemText(const std::error_code& error);

// Draws the popup's items on two or three lines: path, description, status.
class PortItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
