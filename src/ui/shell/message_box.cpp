#include "ui/shell/message_box.h"

namespace MessageBoxSeam {
namespace {
Handler& CurrentHandler() {
    static Handler h;
    return h;
}
}  // namespace

void SetHandler(Handler h) { CurrentHandler() = std::move(h); }

QMessageBox::StandardButton Show(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                                 QMessageBox::StandardButtons buttons, const QString& caption) {
    const QString title = caption.isEmpty() ? QStringLiteral("KESTOV-LV200 Manager") : caption;
    if (CurrentHandler()) return CurrentHandler()(parent, text, title, icon, buttons);

    // Texts keep their CR LF line breaks; a plain-text label wants LF only.
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QMessageBox box(icon, title, shown, buttons, parent);
    box.setTextFormat(Qt::PlainText);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}
}  // namespace MessageBoxSeam
