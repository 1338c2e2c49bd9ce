// One port through apply: open and identify, refuse fields the model lacks,
// read back, write what differs, verify. Used by kestovctl's set, apply and
// provision and by the provisioning station.
#pragma once

#include "ops/session/settings_apply.h"
#include "ops/session/settings_patch.h"

#include <functional>
#include <string>
#include <vector>

struct ApplyRequest {
    std::string port;
    SettingsPatch patch;
    bool dryRun = false;
    bool skipUnsupported = false;
    // "KST-{addr4}", "{seq:03}"...: the module's name, filled in per port.
    std::string nameTemplate;
    int sequence = 1;
    // The model the profile names; a module of another model gets a warning.
    std::string profileModel;
    // Asked between the module's commands: false stops after the one in flight.
    std::function<bool()> keepGoing;
    // After the read-back, before any write, with the name filled in: may
    // change the patch, or return false to write nothing (with a reason
    // for a failure, without one when nothing needs doing).
    std::function<bool(const DeviceSettings& current, SettingsPatch& patch, std::string& reason)> beforeWrite;
};

struct PortReport {
    std::string port;
    std::string model;
    std::string address;
    int exitCode = 0;
    std::string error;                                // one line when exitCode is not 0
    std::vector<std::string> skipped;                 // fields the model lacks, left out
    std::vector<std::string> warnings;                // one line each
    bool interrupted = false;                         // Ctrl+C: stopped after the command in flight
    SessionError identifyError = SessionError::None;  // when no module of the series was found
    bool heldBack = false;                            // beforeWrite said nothing needs doing
    DeviceSettings before;                            // the first read-back
    std::string nameGiven;                            // from the template or beforeWrite
    ApplyOutcome outcome;
};

// Events of a running apply, for progress lines: "identified" (detail: the
// model), "read" (detail: the address), "wrote" (detail: the fields),
// "verifying", "verified".
using ApplyProgress = std::function<void(const std::string& port, const std::string& event, const std::string& detail)>;

PortReport RunApply(const ApplyRequest& request, const ApplyProgress& progress = {});

// Words in one line: fields written ("name interval slot3"), ports, ...
std::string JoinedWords(const std::vector<std::string>& words, const char* separator = " ");

// Expands {addr}, {addr4} (last four hex digits), {seq} and {seq:0N}.
// Returns false with an error for an unknown or malformed placeholder.
bool ExpandNameTemplate(const std::string& tmpl, const std::string& addressHex, int sequence, std::string& out,
                        std::string& error);
