// Demo mode: the program with a simulated module inside, for trying it
// without hardware. Started by "--demo [MODEL]" as the first argument; the
// ordinary program reads no arguments at all.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace sim {
class KestovSimulator;
}

struct DemoOptions {
    std::string model = "KESTOV-LV200";  // the text the simulated module reports
    std::vector<char*> toolkitArgs;      // what is left for the toolkit: the program name and the rest
};

// What the demo window runs against: a settings file of its own, the
// simulated module (the caller's, which outlives this), and a port list that
// offers the module's terminal.
class DemoModule {
public:
    explicit DemoModule(sim::KestovSimulator& simulator);
    // Stops the module and joins its thread; the window must be gone by then.
    ~DemoModule();
    DemoModule(const DemoModule&) = delete;
    DemoModule& operator=(const DemoModule&) = delete;

    // Starts the module and offers it in the port list; false (reported on
    // stderr) when it cannot start.
    bool Start();

private:
    struct Parts;
    std::unique_ptr<Parts> m_parts;
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
int RunDemo(int argc, char** argv);
