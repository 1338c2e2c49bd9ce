#include "ui/monitor/save_file_seam.h"

#include "ui/monitor/monitor_text.h"

#include <QDir>
#include <QFileDialog>

namespace {

SaveFileSeam::Handler& CurrentHandler() {
    static SaveFileSeam::Handler handler;
    return handler;
}

}  // namespace

void SaveFileSeam::SetHandler(Handler h) { CurrentHandler() = std::move(h); }

QString SaveFileSeam::Ask(QWidget* parent, const QString& caption, const QString& suggestedName) {
    if (CurrentHandler()) return CurrentHandler()(parent, caption, suggestedName);
    return QFileDialog::getSaveFileName(parent, caption, QDir::home().filePath(suggestedName),
                                        MonitorTr("CSV files (*.csv);;All files (*)"));
}
