#include "ui/shell/file_dialog_seam.h"

#include "ui/shell/settings_store.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {

FileDialogSeam::Handler& CurrentHandler() {
    static FileDialogSeam::Handler handler;
    return handler;
}

QByteArray FolderKey(const QString& kind) { return QStringLiteral("Last folder %1").arg(kind).toUtf8(); }

// The remembered folder of a kind while it still exists, else the home folder.
QString StartFolder(const QString& kind) {
    const QString folder = SettingsStore::GetProfileString(FolderKey(kind).constData(), QString());
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

}  // namespace

void FileDialogSeam::SetHandler(Handler h) { CurrentHandler() = std::move(h); }

QString FileDialogSeam::Ask(QWidget* parent, const Request& request) {
    Request r = request;
    if (!r.kind.isEmpty()) {
        const QString name = r.suggested.isEmpty() ? QString() : QFileInfo(r.suggested).fileName();
        r.suggested = name.isEmpty() ? StartFolder(r.kind) : QDir(StartFolder(r.kind)).filePath(name);
    }
    QString path;
    if (CurrentHandler())
        path = CurrentHandler()(parent, r);
    else
        path = r.mode == Mode::Save ? QFileDialog::getSaveFileName(parent, r.caption, r.suggested, r.filter)
                                    : QFileDialog::getOpenFileName(parent, r.caption, r.suggested, r.filter);
    if (!path.isEmpty() && !r.kind.isEmpty())
        SettingsStore::WriteProfileString(FolderKey(r.kind).constData(), QFileInfo(path).absolutePath());
    return path;
}
