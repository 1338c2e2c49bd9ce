#include "ui/shell/port_list_view.h"

#include "link/port_path.h"
#include "ui/shell/strings.h"

#include <QFontMetrics>
#include <QStringList>

#include <algorithm>

namespace {

QString Local(const std::string& s) { return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size())); }

QString Text(const char* source) { return UiText("PortList", source); }

}  // namespace

QString PortDescription(const SerialPortEntry& entry) {
    QStringList parts;
    if (!entry.product.empty()) parts << Local(entry.product);
    if (!entry.manufacturer.empty()) parts << Local(entry.manufacturer);
    if (!entry.serial.empty()) parts << Text("serial %1").arg(Local(entry.serial));
    if (parts.isEmpty() && !entry.vendorId.empty())
        parts << QStringLiteral("USB %1:%2").arg(Local(entry.vendorId), Local(entry.productId));
    QString text = parts.join(QStringLiteral(", "));
    if (!entry.byId.empty()) {
        if (!text.isEmpty()) text += QLatin1Char('\n');
        text += Local(entry.byId);
    }
    return text;
}

QString NoPermissionText(const std::string& group) {
    if (group.empty()) return Text("No permission to open this port.");
    return Text("No permission: join the group \"%1\" (sudo usermod -aG %1 $USER) and log in again.").arg(Local(group));
}

QString ProbeStatusText(const ProbeResult& result) {
    switch (result.outcome) {
    case ProbeOutcome::Module:
        return Text("%1 answered").arg(Local(result.model));
    case ProbeOutcome::NoModule:
        if (!result.model.empty()) return Text("Unsupported device: %1").arg(Local(result.model));
        return Text("No module answered");
    case ProbeOutcome::InUse:
        return Text("In use by another program");
    case ProbeOutcome::NoPermission:
        return NoPermissionText(result.detail);
    case ProbeOutcome::OpenFailed:
        return Text("Cannot be opened: %1").arg(Local(result.detail));
    }
    return QString();
}

QString NoPortsText() {
    return Text(
        "No serial port found. Check that the module's cable is plugged in; "
        "its port appears here within a second.");
}

QString PathProblemText(const std::error_code& error) {
    if (error.category() == PortPathCategory()) {
        switch (static_cast<PortPathError>(error.value())) {
        case PortPathError::NotADevice:
            return Text("Not a device");
        case PortPathError::NotASerialLine:
            return Text("Not a serial port");
        case PortPathError::OwnTerminal:
            return Text("This is the terminal the program runs in");
        case PortPathError::SessionTerminal:
            return Text("The terminal of another program's session");
        }
    }
    return Local(error.message());
}

void PortItemDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    for (int role : {kPortDescriptionRole, kPortStatusRole}) {
        const QString line = index.data(role).toString();
        if (!line.isEmpty()) option->text += QLatin1Char('\n') + line;
    }
    // The item views break lines only at this separator.
    option->text.replace(QLatin1Char('\n'), QChar::LineSeparator);
}

QSize PortItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem o(option);
    initStyleOption(&o, index);
    const int lines = static_cast<int>(o.text.count(QChar::LineSeparator)) + 1;
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(size.height(), lines * QFontMetrics(o.font).lineSpacing() + 6));
    return size;
}
