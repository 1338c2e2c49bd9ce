// Writes a settings patch to a module: only the fields that differ, in the
// window's order (name, interval, UART options, slots, beacon), then reads
// everything back and compares.
#pragma once

#include "ops/session/device_session.h"
#include "ops/session/settings_patch.h"

#include <functional>
#include <string>
#include <vector>

struct ApplyOutcome {
    std::vector<FieldChange> changes;  // what differed before writing
    std::string refused;               // refusal before anything was sent, in English; empty when none
    setting_fields::Refusal refusal;   // the same refusal, for a text in the user's language
    std::vector<std::string> written;  // fields written, in order
    SessionResult failure;             // the write or read-back that failed
    bool verified = false;             // read back and compared
    bool stopped = false;              // keepGoing said no before every write was done
    std::vector<FieldChange> mismatches;
    DeviceSettings after;  // the read-back
    int otherModel = 0;    // the module answered as this other model: nothing was written

    bool Ok() const { return refused.empty() && bool(failure) && mismatches.empty() && !stopped && otherModel == 0; }
};

// With dryRun only the changes are filled in. onWritten is called after
// each write with the fields it wrote. keepGoing, when given, is asked before
// each write and before the read-back: false stops there (stopped is set,
// nothing is verified), so a write once started always completes.
ApplyOutcome ApplyPatch(DeviceSession& session, const DeviceSettings& current, const SettingsPatch& patch, bool dryRun,
                        const std::function<void(const std::vector<std::string>&)>& onWritten = {},
                        const std::function<bool()>& keepGoing = {});
