#include "settings_apply.h"

#include "input_rules.h"
#include "rule_text.h"
#include "string_ids.h"

#include <set>

namespace {

bool Changes(const std::vector<FieldChange>& changes, const std::string& field) {
    for (const FieldChange& c : changes) {
        if (c.field == field) {
            return true;
        }
    }
    return false;
}

// One write of the plan: the session call and the fields it carries.
struct Write {
    std::vector<std::string> fields;
    std::function<SessionResult(DeviceSession&)> run;
};

}  // namespace

ApplyOutcome ApplyPatch(DeviceSession& session, const DeviceSettings& current, const SettingsPatch& patch,
                        bool dryRun, const std::function<void(const std::vector<std::string>&)>& onWritten) {
    ApplyOutcome out;
    if (out.refused = settings_patch::Check(patch); !out.refused.empty()) {
        return out;
    }
    out.changes = settings_patch::Diff(patch, current);

    // The slots as they will stand: no address twice.
    std::vector<SlotEntry> slots = current.slotEntries;
    for (const auto& [n, e] : patch.slotEntries) {
        if (static_cast<std::size_t>(n) <= slots.size()) {
            slots[static_cast<std::size_t>(n - 1)] = e;
        }
    }
    std::set<BtAddress> seen;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (!slots[i].Empty() && !seen.insert(slots[i].address).second) {
            out.refused = RuleText(IDS_DUPLICATED_ADDRESS) + " " + std::to_string(i + 1);
            return out;
        }
    }

    std::vector<Write> plan;
    if (Changes(out.changes, "name")) {
        plan.push_back({{"name"}, [&](DeviceSession& s) { return s.SetName(*patch.name); }});
    }
    if (Changes(out.changes, "interval")) {
        plan.push_back({{"interval"}, [&](DeviceSession& s) { return s.SetAdvInterval(*patch.advInterval); }});
    }
    std::vector<std::string> uartFields;
    for (const char* f : {"parity", "stopbits", "flow"}) {
        if (Changes(out.changes, f)) {
            uartFields.push_back(f);
        }
    }
    if (!uartFields.empty()) {
        UartOptions uart = current.uart;
        uart.parity = patch.parity.value_or(uart.parity);
        uart.stopBits = patch.stopBits.value_or(uart.stopBits);
        uart.flowControl = patch.flowControl.value_or(uart.flowControl);
        plan.push_back({uartFields, [uart](DeviceSession& s) { return s.SetUartOptions(uart); }});
    }
    for (const auto& [n, e] : patch.slotEntries) {
        const std::string field = "slot" + std::to_string(n);
        if (Changes(out.changes, field)) {
            const int slot = n;
            const SlotEntry entry = e;
            plan.push_back({{field}, [slot, entry](DeviceSession& s) { return s.WriteSlot(slot, entry); }});
        }
    }
    if (Changes(out.changes, "beacon-source") || Changes(out.changes, "beacon-data")) {
        const int source = patch.beaconSource ? *patch.beaconSource
                           : patch.beaconHex  ? BEACON_SOURCE_USER
                                              : current.beaconSource;
        const std::string hex = patch.beaconHex.value_or(current.beaconHex);
        if (source == BEACON_SOURCE_USER) {
            if (const int id = input_rules::CheckBeaconHex(hex); id != 0) {
                out.refused = RuleText(id);
                return out;
            }
        }
        std::vector<std::string> fields;
        for (const char* f : {"beacon-source", "beacon-data"}) {
            if (Changes(out.changes, f)) {
                fields.push_back(f);
            }
        }
        plan.push_back({fields, [source, hex](DeviceSession& s) { return s.SetBeacon(source, hex); }});
    }
    if (dryRun) {
        return out;
    }
    if (plan.empty()) {
        // Nothing differs: what was just read is the verification.
        out.after = current;
        out.verified = true;
        return out;
    }

    for (const Write& w : plan) {
        out.failure = w.run(session);
        if (!out.failure) {
            return out;
        }
        out.written.insert(out.written.end(), w.fields.begin(), w.fields.end());
        if (onWritten) {
            onWritten(w.fields);
        }
    }
    const ReadResult back = session.ReadAll(current.model);
    if (!back) {
        out.failure = back;
        return out;
    }
    out.after = back.settings;
    out.verified = true;
    out.mismatches = settings_patch::Mismatches(patch, out.after);
    return out;
}
