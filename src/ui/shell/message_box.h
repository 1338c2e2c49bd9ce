// Every message box of the program goes through here so tests can answer them.
#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

class QWidget;

namespace MessageBoxSeam {
using Handler =
    std::function<QMessageBox::StandardButton(QWidget* parent, const QString& text, const QString& caption,
                                              QMessageBox::Icon icon, QMessageBox::StandardButtons buttons)>;
// Tests record/answer; an empty handler restores the real QMessageBox.
void SetHandler(Handler h);
// Shows a modal box; caption defaults to "KESTOV-LV200 Manager". Text is plain text (never rich text).
QMessageBox::StandardButton Show(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                                 QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                 const QString& caption = QString());
}  // namespace MessageBoxSeam
