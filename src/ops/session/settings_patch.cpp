#include "ops/session/settings_patch.h"

#include "ops/session/device_model.h"
#include "ops/rules/input_rules.h"

#include <algorithm>
#include <cctype>

using setting_fields::Field;
using setting_fields::Refusal;

namespace settings_patch {
namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// Every field key in writing order, with its field and slot.
template <class Fn>
void ForEachKey(Fn fn) {
    for (const Field& f : setting_fields::Fields()) {
        if (f.perSlot) {
            for (int n = 1; n <= device_model::kMaxSlots; ++n) {
                fn(f, n, setting_fields::KeyOf(f, n));
            }
        } else {
            fn(f, 0, std::string(f.key));
        }
    }
}

// The value a field would have: named, or implied by beacon data.
const std::string* Wanted(const SettingsPatch& p, const std::string& key) {
    static const std::string kUser = setting_fields::BeaconSourceWord(BEACON_SOURCE_USER);
    if (const auto it = p.values.find(key); it != p.values.end()) {
        return &it->second;
    }
    if (key == "beacon-source" && p.Names("beacon-data")) {
        return &kUser;
    }
    return nullptr;
}

std::vector<FieldChange> Compare(const SettingsPatch& p, const DeviceSettings& s) {
    std::vector<FieldChange> out;
    ForEachKey([&](const Field& f, int n, const std::string& key) {
        if (const std::string* to = Wanted(p, key)) {
            const std::string from = f.text(s, n);
            if (from != *to) {
                out.push_back({key, from, *to});
            }
        }
    });
    return out;
}

}  // namespace

std::string AddAssignment(SettingsPatch& patch, const std::string& word, Refusal* rule) {
    const std::size_t eq = word.find('=');
    if (eq == std::string::npos || eq == 0) {
        return "expected key=value, got \"" + word + "\"";
    }
    const std::string key = Lower(word.substr(0, eq));
    const std::string value = word.substr(eq + 1);
    int slot = 0;
    const Field* field = setting_fields::Find(key, &slot);
    auto assign = field ? field->assign : nullptr;
    std::string fieldKey = key;
    for (const setting_fields::InputForm& form : setting_fields::InputForms()) {
        if (key == form.word) {
            field = setting_fields::Find(form.field, &slot);
            assign = form.assign;
            fieldKey = form.field;
        }
    }
    if (!field) {
        return "unknown setting \"" + key + "\"";
    }
    DeviceSettings scratch;
    Refusal refusal = assign(scratch, slot, value);
    if (!refusal) {
        patch.values[fieldKey] = field->text(scratch, slot);
        refusal = CheckRule(patch);
    }
    if (rule) {
        *rule = refusal;
    }
    return refusal ? refusal.English() : "";
}

Refusal CheckRule(const SettingsPatch& patch) {
    Refusal refusal;
    std::vector<std::string> addresses(device_model::kMaxSlots), tags(device_model::kMaxSlots);
    ForEachKey([&](const Field& f, int n, const std::string& key) {
        const auto it = patch.values.find(key);
        if (refusal || it == patch.values.end()) {
            return;
        }
        DeviceSettings scratch;
        refusal = f.assign(scratch, n, it->second);
        if (f.perSlot && !refusal) {
            const SlotEntry& e = scratch.slotEntries[static_cast<std::size_t>(n - 1)];
            addresses[static_cast<std::size_t>(n - 1)] = e.Empty() ? "" : AddressText(e.address);
            tags[static_cast<std::size_t>(n - 1)] = e.tag;
        }
    });
    for (const auto& [key, value] : patch.values) {
        if (!refusal && !setting_fields::Find(key)) {
            refusal = Refusal{0, 0, "unknown setting \"" + key + "\""};
        }
    }
    if (refusal) {
        return refusal;
    }
    if (const input_rules::SlotRefusal slots = input_rules::CheckSlotRows(addresses, tags); slots.id != 0) {
        return Refusal{slots.id, slots.slot, ""};
    }
    const std::string* source = Wanted(patch, "beacon-source");
    if (patch.Names("beacon-data") && *source != setting_fields::BeaconSourceWord(BEACON_SOURCE_USER)) {
        return Refusal{0, 0, "beacon data is advertised only with beacon-source=user"};
    }
    return {};
}

std::string Check(const SettingsPatch& patch) {
    const Refusal refusal = CheckRule(patch);
    return refusal ? refusal.English() : "";
}

DeviceSettings Applied(const SettingsPatch& patch, const DeviceSettings& current) {
    DeviceSettings target = current;
    ForEachKey([&](const Field& f, int n, const std::string& key) {
        if (const std::string* value = Wanted(patch, key)) {
            f.assign(target, n, *value);
        }
    });
    return target;
}

Refusal CheckTarget(const DeviceSettings& target, const std::vector<FieldChange>& changes) {
    std::vector<std::string> addresses, tags;
    for (const SlotEntry& e : target.slotEntries) {
        addresses.push_back(e.Empty() ? "" : AddressText(e.address));
        tags.push_back(e.tag);
    }
    if (const input_rules::SlotRefusal slots = input_rules::CheckSlotRows(addresses, tags); slots.id != 0) {
        return Refusal{slots.id, slots.slot, ""};
    }
    const bool beacon = std::any_of(changes.begin(), changes.end(), [](const FieldChange& c) {
        return c.field == "beacon-source" || c.field == "beacon-data";
    });
    if (beacon && target.beaconSource == BEACON_SOURCE_USER) {
        if (const int id = input_rules::CheckBeaconHex(target.beaconHex)) {
            return Refusal{id, 0, ""};
        }
    }
    return {};
}

std::vector<std::string> UnsupportedFields(const SettingsPatch& patch, int model) {
    std::vector<std::string> fields;
    ForEachKey([&](const Field& f, int n, const std::string& key) {
        const bool lacking =
            (f.perSlot && n > device_model::SlotCount(model)) || (f.beaconOnly && !device_model::HasBeacon(model));
        if (lacking && patch.Names(key)) {
            fields.push_back(key);
        }
    });
    return fields;
}

void DropUnsupported(SettingsPatch& patch, int model) {
    for (const std::string& key : UnsupportedFields(patch, model)) {
        patch.values.erase(key);
    }
}

std::vector<FieldChange> Diff(const SettingsPatch& patch, const DeviceSettings& current) {
    return Compare(patch, current);
}

std::vector<FieldChange> Mismatches(const SettingsPatch& patch, const DeviceSettings& readBack) {
    // A mismatch reads "field: wanted, read back".
    std::vector<FieldChange> out = Compare(patch, readBack);
    for (FieldChange& c : out) {
        std::swap(c.from, c.to);
    }
    return out;
}

}  // namespace settings_patch
