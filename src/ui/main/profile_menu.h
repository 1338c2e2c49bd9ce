// Where the window's settings-profile commands get their file names; tests
// answer here instead of a file dialog.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace ProfileFileSeam {
// save: true for export. Returns the chosen path, or an empty string for cancel.
using Chooser = std::function<QString(QWidget* parent, bool save)>;
// An empty chooser restores the file dialogs.
void SetChooser(Chooser chooser);
QString Choose(QWidget* parent, bool save);
}  // namespace ProfileFileSeam
