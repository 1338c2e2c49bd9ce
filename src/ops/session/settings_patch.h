// A change to a module's settings: only the fields it names. Built from the
// command line's key=value words or from a profile, checked with the same
// input rules as the window, compared with what a module holds, and written
// in the order the window writes. The fields are those of setting_fields.
#pragma once

#include "ops/session/device_settings.h"
#include "ops/session/setting_fields.h"

#include <map>
#include <string>
#include <vector>

// One field as it is and as it would be.
struct FieldChange {
    std::string field;  // name, interval, parity, stopbits, flow, slotN, beacon-source, beacon-data
    std::string from;
    std::string to;
};

struct SettingsPatch {
    // Field key ("name", "slot3", "beacon-data", ...) -> the value's text form.
    std::map<std::string, std::string> values;

    bool Empty() const { return values.empty(); }
    bool Names(const std::string& key) const { return values.count(key) != 0; }
};

namespace settings_patch {

// Adds one "key=value" word to the patch. Returns an empty string, or the
// refusal as one line of English (the window's message where it has one);
// rule, when given, gets the refusal itself.
std::string AddAssignment(SettingsPatch& patch, const std::string& word, setting_fields::Refusal* rule = nullptr);
// The window's rules on every field of a patch (for profiles).
setting_fields::Refusal CheckRule(const SettingsPatch& patch);
std::string Check(const SettingsPatch& patch);  // "" when fine

// The settings with the patch written over them. Beacon data named without
// a source is advertised: the source becomes user data.
DeviceSettings Applied(const SettingsPatch& patch, const DeviceSettings& current);
// The window's rules on the settings as they would stand after writing:
// no address in two slots, and beacon data that can be sent when the
// beacon is among the changes.
setting_fields::Refusal CheckTarget(const DeviceSettings& target, const std::vector<FieldChange>& changes);

// Fields a model lacks (slot 8 and the beacon on the LV230).
std::vector<std::string> UnsupportedFields(const SettingsPatch& patch, int model);
void DropUnsupported(SettingsPatch& patch, int model);

// Only the fields that differ from what the module holds, in writing order.
std::vector<FieldChange> Diff(const SettingsPatch& patch, const DeviceSettings& current);
// Fields whose read-back does not hold the patched value: from is the value
// wanted, to the value read back.
std::vector<FieldChange> Mismatches(const SettingsPatch& patch, const DeviceSettings& readBack);

}  // namespace settings_patch
