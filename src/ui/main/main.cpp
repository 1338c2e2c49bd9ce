// Program entry: the application object runs the main window modally.
#include "ui/main/main_window.h"
#include "ui/shell/application.h"

namespace {

void RunMainWindow() {
    CKESTOVLV2xxManagerDlg dlg;
    dlg.exec();
}

}  // namespace

int main(int argc, char** argv) {
    // The program reads no arguments; the application object gets them only
    // for the toolkit.
    return CKESTOVLV2xxManagerApp().Run(argc, argv, [] { RunMainWindow(); });
}
