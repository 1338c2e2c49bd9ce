#include "ui/shell/file_dialog_seam.h"

#include <QFileDialog>

namespace {

FileDialogSeam::Handler& CurrentHandler() {
    static FileDialogSeam::Handler handler;
    return handler;
}

}  // namespace

void FileDialogSeam::SetHandler(Handler h) { CurrentHandler() = std::move(h); }

QString FileDialogSeam::Ask(QWidget* parent, const Request& r) {
    if (CurrentHandler()) return CurrentHandler()(parent, r);
    return r.mode == Mode::Save ? QFileDialog::getSaveFileName(parent, r.caption, r.suggested, r.filter)
                                : QFileDialog::getOpenFileName(parent, r.caption, r.suggested, r.filter);
}
