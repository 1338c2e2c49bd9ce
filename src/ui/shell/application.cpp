#include "ui/shell/application.h"

#include "ui/shell/message_box.h"
#include "ui/shell/strings.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QImageReader>

namespace {

// Pictures are PNG resources; without a PNG reader nothing can be shown, so
// the program stops at once, before any window or setting is touched.
bool PngReaderAvailable() { return QImageReader::supportedImageFormats().contains(QByteArrayLiteral("png")); }

}  // namespace

int CKESTOVLV2xxManagerApp::Run(int& argc, char** argv, const std::function<void()>& runMainWindow) {
    QApplication app(argc, argv);
    // The settings are kept under the executable's own name.
    const QString exe = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    if (!exe.isEmpty()) QCoreApplication::setApplicationName(exe);
    QCoreApplication::setOrganizationName(QStringLiteral("Talvern"));

    if (!PngReaderAvailable()) {
        MessageBoxSeam::Show(nullptr, QStringLiteral("Unable to initialize Gdiplus"), QMessageBox::Critical,
                             QMessageBox::Ok, QStringLiteral("Error"));
        return 0;
    }

    InstallTranslations(IsKoreanUi());

    QIcon icon;
    if (QImageReader::supportedImageFormats().contains(QByteArrayLiteral("svg")))
        icon.addFile(QStringLiteral(":/icons/kestov-lv200-manager.svg"));
    icon.addFile(QStringLiteral(":/icons/kestov-lv200-manager.png"));
    QApplication::setWindowIcon(icon);

    if (runMainWindow) runMainWindow();

    InstallTranslations(false);
    return 0;
}
