// A change to a module's settings: only the fields it names. Built from the
// command line's key=value words or from a profile, checked with the same
// input rules as the window, compared with what a module holds, and written
// in the order the window writes.
#pragma once

#include "device_settings.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

struct SettingsPatch {
    std::optional<std::string> name;
    std::optional<unsigned> advInterval;
    std::optional<char> parity;  // 'N', 'E', 'O'
    std::optional<unsigned> stopBits;
    std::optional<bool> flowControl;
    std::map<int, SlotEntry> slotEntries;  // slot number -> entry; an empty entry deletes
    std::optional<int> beaconSource;
    std::optional<std::string> beaconHex;  // upper-case hex digits

    bool Empty() const;
};

// One field as it is and as it would be.
struct FieldChange {
    std::string field;  // name, interval, parity, stopbits, flow, slotN, beacon-source, beacon-data
    std::string from;
    std::string to;
};

namespace settings_patch {

// Adds one "key=value" word to the patch. Returns an empty string, or the
// refusal as one line of English (the window's message where it has one).
std::string AddAssignment(SettingsPatch& patch, const std::string& word);
// The window's rules on every field of a patch (for profiles); "" when fine.
std::string Check(const SettingsPatch& patch);

// Fields a model lacks (slot 8 and the beacon on the LV230).
std::vector<std::string> UnsupportedFields(const SettingsPatch& patch, int model);
void DropUnsupported(SettingsPatch& patch, int model);

// Only the fields that differ from what the module holds, in writing order.
std::vector<FieldChange> Diff(const SettingsPatch& patch, const DeviceSettings& current);
// Fields whose read-back does not hold the patched value: from is the value
// wanted, to the value read back.
std::vector<FieldChange> Mismatches(const SettingsPatch& patch, const DeviceSettings& readBack);

// Texts of values as reports show them.
std::string ParityWord(char parity);  // none, even, odd
std::string SlotText(const SlotEntry& e);  // ADDRESS[,TAG] or none
std::string BeaconSourceWord(int source);  // uart, user

}  // namespace settings_patch
