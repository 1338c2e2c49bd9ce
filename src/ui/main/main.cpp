// Program entry: the application object runs the main window modally.
#include "ui/main/demo_mode.h"
#include "ui/main/main_window.h"
#include "ui/shell/application.h"
#include "ui/traffic/traffic_options.h"
#include "ui/traffic/traffic_session.h"

#include <cstdio>

namespace {

void RunMainWindow() {
    CKESTOVLV2xxManagerDlg dlg;
    dlg.exec();
}

}  // namespace

int main(int argc, char** argv) {
    // "--traffic-log FILE" anywhere logs the wire traffic from the port's open.
    QString optionError;
    TrafficSession::SetStartupLogPath(TakeTrafficLogOption(argc, argv, &optionError));
    if (!optionError.isEmpty()) {
        std::fprintf(stderr, "kestov-lv200-manager: %s\n", qPrintable(optionError));
        return 2;
    }
    // Otherwise only "--demo" as the first argument is looked at (a simulated
    // module to try the program with); the program reads no other arguments and the
    // application object gets them only for the toolkit.
    if (IsDemoCommandLine(argc, argv)) return RunDemo(argc, argv);
    return CKESTOVLV2xxManagerApp().Run(argc, argv, [] { RunMainWindow(); });
}
