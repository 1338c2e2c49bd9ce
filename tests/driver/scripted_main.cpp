// The program's test copy: the same start-up and demo mode as the program,
// with a script player looking on. "--script FILE" anywhere after "--demo"
// names the script; everything else is read as the program reads it.
#include "script_driver.h"

#include "sim/kestov_sim.h"
#include "ui/main/demo_mode.h"
#include "ui/main/main_window.h"
#include "ui/shell/application.h"
#include "ui/traffic/traffic_options.h"
#include "ui/traffic/traffic_session.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const auto started = std::chrono::steady_clock::now();
    QString optionError;
    TrafficSession::SetStartupLogPath(TakeTrafficLogOption(argc, argv, &optionError));
    if (!optionError.isEmpty()) {
        std::fprintf(stderr, "kestov-lv200-manager: %s\n", qPrintable(optionError));
        return 2;
    }
    std::string script;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (i > 0 && std::strcmp(argv[i], "--script") == 0) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "kestov-lv200-manager: --script needs a file\n");
                return 2;
            }
            script = argv[++i];
            continue;
        }
        args.push_back(argv[i]);
    }
    if (script.empty() || !IsDemoCommandLine(static_cast<int>(args.size()), args.data())) {
        std::fprintf(stderr, "Usage: %s --demo [MODEL] --script FILE [toolkit options]\n", argv[0]);
        return 2;
    }
    ScriptDriver driver(started);
    std::string error;
    if (!driver.Load(script, error)) {
        std::fprintf(stderr, "kestov-lv200-manager: %s\n", error.c_str());
        return 2;
    }
    driver.NoteStartThreads();
    // The demo's start as the program makes it, with the player looking on.
    DemoOptions options;
    if (!ParseDemoCommandLine(static_cast<int>(args.size()), args.data(), options, error)) {
        std::fprintf(stderr, "kestov-lv200-manager: %s\n", error.c_str());
        return 2;
    }
    int toolkitArgc = static_cast<int>(options.toolkitArgs.size());
    options.toolkitArgs.push_back(nullptr);
    int status = 0;
    const int rc = CKESTOVLV2xxManagerApp().Run(toolkitArgc, options.toolkitArgs.data(), [&] {
        sim::KestovSimulator simulator(options.model);
        DemoModule demo(simulator);
        if (!demo.Start()) {
            status = 1;
            return;
        }
        CKESTOVLV2xxManagerDlg window;
        driver.Attach(window, simulator);
        window.exec();
        driver.Detach();
    });
    if (status == 0) status = rc;
    // Counted once the toolkit has ended too: what is left now stays to the end.
    const int scriptStatus = driver.Finish();
    return status != 0 ? status : scriptStatus;
}
