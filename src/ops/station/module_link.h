// An open link to an identified module: the engine, the session on it, and
// what went wrong when there is none.
#pragma once

#include "link/comm.h"
#include "ops/session/device_session.h"

#include <memory>
#include <string>

struct ModuleLink {
    KestovLV2xxComm comm;
    DeviceSession session{comm};
    int model = 0;
    std::string modelText;
    ~ModuleLink() { comm.Close(); }
};

struct OpenResult {
    std::unique_ptr<ModuleLink> link;  // null on failure
    int exitCode = 0;
    std::string error;  // one line
    // Timeout: nothing answered; Unsupported: something else did.
    SessionError identifyError = SessionError::None;
};

// Opens the port at 115200 baud, 8N1 (the module's setup dial position)
// and identifies the module.
OpenResult OpenModule(const std::string& port);

// Reads everything back; a module found scanning is stopped, as the window does.
ReadResult ReadModuleSettings(ModuleLink& link);
