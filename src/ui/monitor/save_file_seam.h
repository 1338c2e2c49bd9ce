// The monitor's save-file dialog goes through here so tests can answer it.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace SaveFileSeam {
// Returns the chosen path, or an empty text when cancelled.
using Handler = std::function<QString(QWidget* parent, const QString& caption, const QString& suggestedName)>;
// Tests answer; an empty handler restores the real dialog.
void SetHandler(Handler h);
QString Ask(QWidget* parent, const QString& caption, const QString& suggestedName);
}  // namespace SaveFileSeam
