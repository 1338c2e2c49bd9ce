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
    // Files of one kind ("profile", "csv", ...) start in the folder the last
    // one was chosen in, the first time in the home folder; the suggested
    // file name is put there. Empty: the suggestion is taken as it is.
    QString kind;
};
// Returns the chosen path, or an empty text when cancelled.
using Handler = std::function<QString(QWidget* parent, const Request& request)>;
// Tests answer; an empty handler restores the real dialogs.
void SetHandler(Handler h);
// The handler sees the request with the suggestion already in its folder.
QString Ask(QWidget* parent, const Request& request);
}  // namespace FileDialogSeam
