// Program entry: the application object runs the main window modally.
#include "ui/main/demo_mode.h"
#include "ui/main/main_window.h"
#include "ui/shell/application.h"

namespace {

void RunMainWindow() {
    CKESTOVLV2xxManagerDlg dlg;
    dlg.exec();
}

}  // namespace

int main(int argc, char** argv) {
    // Only "--demo" as the first argument is looked at (a simulated module to
    // try the program with); otherwise the program reads no arguments and the
    // application object gets them only for the toolkit.
    if (IsDemoCommandLine(argc, argv)) return RunDemo(argc, argv);
    return CKESTOVLV2xxManagerApp().Run(argc, argv, [] { RunMainWindow(); });
}
