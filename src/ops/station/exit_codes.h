// How a module operation ended; kestovctl exits with these (its manual page
// lists them), the station records them.
#pragma once

#include "ops/session/device_session.h"

enum ExitCode : int {
    EXIT_OK = 0,
    EXIT_FAILED = 1,         // the link was lost, the module stopped answering mid-way, or output was lost
    EXIT_USAGE = 2,          // bad arguments, a value the rules refuse, an unreadable profile
    EXIT_PORT = 3,           // the port is missing, in use, or not permitted
    EXIT_NO_MODULE = 4,      // nothing answers, an unsupported model, or a field the model lacks
    EXIT_REFUSED = 5,        // the module refused a value
    EXIT_MISMATCH = 6,       // the read-back differs from what was written
    EXIT_INTERRUPTED = 130,  // stopped by Ctrl+C
};

// The exit status for a failed call after the module was identified.
inline int ExitFor(const SessionResult& r) {
    switch (r.error) {
    case SessionError::None:
        return EXIT_OK;
    case SessionError::Refused:
        return EXIT_REFUSED;
    case SessionError::Unsupported:
        return EXIT_NO_MODULE;
    case SessionError::InvalidInput:
        return EXIT_USAGE;
    default:
        return EXIT_FAILED;
    }
}
