// Finds modules on serial ports: asks each port, in parallel and within one
// time budget, whether a KESTOV module answers and which model it is. Ports
// that another program holds are never touched.
#pragma once

#include <string>
#include <vector>

enum class ProbeOutcome { Module, NoModule, InUse, NoPermission, OpenFailed };

struct ProbeResult {
    std::string path;
    ProbeOutcome outcome;
    std::string model;   // the model text the device reported, if any
    std::string detail;  // the system's reason, or the group to join for NoPermission
};

// One result per path, in the order given. Sends nothing but the AT probe and
// the model query at 115200 baud; the line setting each port had is restored.
// A device named twice (by a link and by its path) is asked once and both
// get its result. Each AT try may take 3/10 of the budget.
std::vector<ProbeResult> ProbePorts(const std::vector<std::string>& paths, unsigned budget_ms);
