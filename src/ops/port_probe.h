// Asks serial ports, all at once, whether a supported module answers on them.
#pragma once

#include <string>
#include <vector>

enum class ProbeOutcome { Module, NoModule, InUse, NoPermission, OpenFailed };

struct ProbeResult {
    std::string path;
    ProbeOutcome outcome;
    std::string model;   // the model text when a module answered
    std::string detail;  // why not, in English
};

// One link per port, in parallel; each port gets budget_ms for "AT" and the
// model query together. Results in the order of paths.
std::vector<ProbeResult> ProbePorts(const std::vector<std::string>& paths, unsigned budget_ms);
