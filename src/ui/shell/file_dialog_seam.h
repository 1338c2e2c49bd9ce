// Every file dialog of the program goes through here so tests can answer them.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace FileDialogSeam {
enum class Mode { Save, Open };
struct Request {
    Mode mode;
    QString caption;
    QString suggested;  // a file name or path to start from
    QString filter;     // "Text files (*.txt);;All files (*)"
};
// Returns the chosen path, or an empty text when cancelled.
using Handler = std::function<QString(QWidget* parent, const Request& request)>;
// Tests answer; an empty handler restores the real dialogs.
void SetHandler(Handler h);
QString Ask(QWidget* parent, const Request& request);
}  // namespace FileDialogSeam
