#include "ops/session/settings_apply.h"

#include "ops/session/device_model.h"

namespace {

bool Changes(const std::vector<FieldChange>& changes, const std::string& field) {
    for (const FieldChange& c : changes) {
        if (c.field == field) {
            return true;
        }
    }
    return false;
}

// One write of the plan: the command that writes, its slot and the fields it carries.
struct Write {
    std::vector<std::string> fields;
    const setting_fields::Command* command;
    int slot;
};

}  // namespace

ApplyOutcome ApplyPatch(DeviceSession& session, const DeviceSettings& current, const SettingsPatch& patch, bool dryRun,
                        const std::function<void(const std::vector<std::string>&)>& onWritten,
                        const std::function<bool()>& keepGoing) {
    ApplyOutcome out;
    out.refusal = settings_patch::CheckRule(patch);
    if (out.refusal) {
        out.refused = out.refusal.English();
        return out;
    }
    out.changes = settings_patch::Diff(patch, current);
    // The settings as they will stand: no address twice, user data that can be sent.
    const DeviceSettings target = settings_patch::Applied(patch, current);
    out.refusal = settings_patch::CheckTarget(target, out.changes);
    if (out.refusal) {
        out.refused = out.refusal.English();
        return out;
    }

    std::vector<Write> plan;
    for (const setting_fields::Command& c : setting_fields::Commands()) {
        if (!c.write) {
            continue;
        }
        for (int n = c.perSlot ? 1 : 0; n <= (c.perSlot ? device_model::kMaxSlots : 0); ++n) {
            std::vector<std::string> fields;
            for (const char* key : c.writes) {
                const std::string field = c.perSlot ? key + std::to_string(n) : key;
                if (Changes(out.changes, field)) {
                    fields.push_back(field);
                }
            }
            if (!fields.empty()) {
                plan.push_back({fields, &c, n});
            }
        }
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

    const auto stopHere = [&] {
        out.stopped = keepGoing && !keepGoing();
        return out.stopped;
    };
    for (const Write& w : plan) {
        if (stopHere()) {
            return out;
        }
        out.failure = w.command->write(session, target, w.slot);
        if (!out.failure) {
            return out;
        }
        out.written.insert(out.written.end(), w.fields.begin(), w.fields.end());
        if (onWritten) {
            onWritten(w.fields);
        }
    }
    if (stopHere()) {
        return out;
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
