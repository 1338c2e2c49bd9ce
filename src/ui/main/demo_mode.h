// Demo mode: the program with a simulated module inside, for trying it
// without hardware. Started by "--demo [MODEL]" as the first argument; the
// ordinary program reads no arguments at all.
#pragma once

#include <string>
#include <vector>

class CKESTOVLV2xxManagerDlg;
namespace sim {
class KestovSimulator;
}

struct DemoOptions {
    std::string model = "KESTOV-LV200";  // the text the simulated module reports
    std::vector<char*> toolkitArgs;      // what is left for the toolkit: the program name and the rest
};

// Something that looks at the demo window while it runs (the program itself
// has none; a test harness built from the same sources does).
class DemoObserver {
public:
    virtual ~DemoObserver() = default;
    // The window exists and its modal run is about to start.
    virtual void Attach(CKESTOVLV2xxManagerDlg& window, sim::KestovSimulator& simulator) = 0;
    // The modal run has ended; the window is about to go.
    virtual void Detach() = 0;
};

// True when the first argument asks for the demo.
bool IsDemoCommandLine(int argc, char** argv);

// "LV200".."LV230" (any case) become the series' model names; any other text
// is reported as it is, so an unsupported device can be played.
std::string DemoModelText(const std::string& argument);

// Splits "--demo [MODEL] [toolkit options]". False with a reason on a
// malformed line.
bool ParseDemoCommandLine(int argc, char** argv, DemoOptions& options, std::string& error);

// Runs the whole program in demo mode; returns the process's exit status.
int RunDemo(int argc, char** argv, DemoObserver* observer = nullptr);
