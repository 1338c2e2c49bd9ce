#include "settings_patch.h"

#include "device_model.h"
#include "input_rules.h"
#include "link/text_conv.h"
#include "rule_text.h"
#include "string_ids.h"

#include <algorithm>
#include <cctype>
#include <set>

bool SettingsPatch::Empty() const {
    return !name && !advInterval && !parity && !stopBits && !flowControl && slotEntries.empty() && !beaconSource &&
           !beaconHex;
}

namespace settings_patch {
namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

std::string HexOf(const std::string& bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned char b : bytes) {
        hex.push_back(kDigits[b >> 4]);
        hex.push_back(kDigits[b & 15]);
    }
    return hex;
}

// "slot3" -> 3; 0 for anything else.
int SlotNumberOf(const std::string& key) {
    if (key.size() != 5 || key.compare(0, 4, "slot") != 0 || key[4] < '1' || key[4] > '8') {
        return 0;
    }
    return key[4] - '0';
}

// ADDRESS[,TAG] or none.
std::string ParseSlot(int n, const std::string& value, SlotEntry& out) {
    out = SlotEntry{};
    if (Lower(value) == "none") {
        return "";
    }
    const std::size_t comma = value.find(',');
    const std::string address = value.substr(0, comma);
    if (!ParseAddressText(address, out.address)) {
        return RuleText(IDS_SLOT_INVALID_ADDRESS, n) + " (12 hex digits, or none)";
    }
    if (comma != std::string::npos) {
        out.tag = value.substr(comma + 1);
        if (input_rules::CheckSlotTag(out.tag) != 0) {
            return RuleText(IDS_SLOT_INVALID_TAG, n) + " (at most 8 bytes)";
        }
    }
    return "";
}

std::string CheckName(const std::string& name) {
    return input_rules::CheckDeviceName(name) != 0 ? RuleText(IDS_DEVICE_NAME_TOO_LONG) + " (at most 8 bytes of UTF-8)"
                                                   : "";
}

std::string CheckHex(const std::string& hex) {
    const int id = input_rules::CheckBeaconHex(hex);
    return id != 0 ? RuleText(id) : "";
}

std::string Flag(bool on) { return on ? "on" : "off"; }

}  // namespace

std::string ParityWord(char parity) {
    switch (parity) {
    case 'N':
        return "none";
    case 'E':
        return "even";
    case 'O':
        return "odd";
    default:
        return std::string(1, parity);
    }
}

std::string SlotText(const SlotEntry& e) {
    if (e.Empty()) {
        return "none";
    }
    return AddressText(e.address) + (e.tag.empty() ? "" : "," + e.tag);
}

std::string BeaconSourceWord(int source) { return source == BEACON_SOURCE_USER ? "user" : "uart"; }

std::string AddAssignment(SettingsPatch& patch, const std::string& word) {
    const std::size_t eq = word.find('=');
    if (eq == std::string::npos || eq == 0) {
        return "expected key=value, got \"" + word + "\"";
    }
    const std::string key = Lower(word.substr(0, eq));
    const std::string value = word.substr(eq + 1);
    if (key == "name") {
        if (std::string e = CheckName(value); !e.empty()) {
            return e;
        }
        patch.name = value;
    } else if (key == "interval") {
        const bool digits = !value.empty() && value.size() <= 5 &&
                            std::all_of(value.begin(), value.end(), [](unsigned char c) { return std::isdigit(c); });
        const long ms = digits ? input_rules::ParseAdvInterval(value) : 0;
        if (!input_rules::IsValidAdvInterval(ms)) {
            return RuleText(IDS_INVALID_ADV_INTERVAL) + " (20 to 2560 ms)";
        }
        patch.advInterval = static_cast<unsigned>(ms);
    } else if (key == "parity") {
        const std::string v = Lower(value);
        if (v == "none" || v == "n") {
            patch.parity = 'N';
        } else if (v == "even" || v == "e") {
            patch.parity = 'E';
        } else if (v == "odd" || v == "o") {
            patch.parity = 'O';
        } else {
            return "parity: none, even or odd";
        }
    } else if (key == "stopbits") {
        if (value != "1" && value != "2") {
            return "stopbits: 1 or 2";
        }
        patch.stopBits = static_cast<unsigned>(value[0] - '0');
    } else if (key == "flow") {
        const std::string v = Lower(value);
        if (v != "on" && v != "off") {
            return "flow: on or off";
        }
        patch.flowControl = v == "on";
    } else if (key == "beacon-hex") {
        if (std::string e = CheckHex(value); !e.empty()) {
            return e;
        }
        patch.beaconHex = Upper(value);
    } else if (key == "beacon-string") {
        if (const int id = input_rules::CheckBeaconString(value); id != 0) {
            return RuleText(id) + " (1 to 26 bytes of UTF-8)";
        }
        patch.beaconHex = HexOf(value);
    } else if (key == "beacon-source") {
        const std::string v = Lower(value);
        if (v != "uart" && v != "user") {
            return "beacon-source: uart or user";
        }
        patch.beaconSource = v == "user" ? BEACON_SOURCE_USER : BEACON_SOURCE_SERIAL;
    } else if (const int n = SlotNumberOf(key); n != 0) {
        SlotEntry e;
        if (std::string err = ParseSlot(n, value, e); !err.empty()) {
            return err;
        }
        patch.slotEntries[n] = e;
    } else {
        return "unknown setting \"" + key + "\"";
    }
    return Check(patch);
}

std::string Check(const SettingsPatch& patch) {
    if (patch.name) {
        if (std::string e = CheckName(*patch.name); !e.empty()) {
            return e;
        }
    }
    if (patch.advInterval && !input_rules::IsValidAdvInterval(static_cast<long>(*patch.advInterval))) {
        return RuleText(IDS_INVALID_ADV_INTERVAL) + " (20 to 2560 ms)";
    }
    if (patch.parity && *patch.parity != 'N' && *patch.parity != 'E' && *patch.parity != 'O') {
        return "parity: none, even or odd";
    }
    if (patch.stopBits && *patch.stopBits != 1 && *patch.stopBits != 2) {
        return "stopbits: 1 or 2";
    }
    std::set<BtAddress> seen;
    for (const auto& [n, e] : patch.slotEntries) {
        if (n < 1 || n > device_model::kMaxSlots) {
            return "slot numbers are 1 to 8";
        }
        if (!e.Empty() && input_rules::CheckSlotTag(e.tag) != 0) {
            return RuleText(IDS_SLOT_INVALID_TAG, n) + " (at most 8 bytes)";
        }
        if (!e.Empty() && !seen.insert(e.address).second) {
            return RuleText(IDS_DUPLICATED_ADDRESS) + " " + std::to_string(n);
        }
    }
    if (patch.beaconHex) {
        if (std::string e = CheckHex(*patch.beaconHex); !e.empty()) {
            return e;
        }
        if (patch.beaconSource && *patch.beaconSource != BEACON_SOURCE_USER) {
            return "beacon data is advertised only with beacon-source=user";
        }
    }
    return "";
}

std::vector<std::string> UnsupportedFields(const SettingsPatch& patch, int model) {
    std::vector<std::string> fields;
    for (const auto& [n, e] : patch.slotEntries) {
        if (n > device_model::SlotCount(model)) {
            fields.push_back("slot" + std::to_string(n));
        }
    }
    if (!device_model::HasBeacon(model)) {
        if (patch.beaconSource) {
            fields.push_back("beacon-source");
        }
        if (patch.beaconHex) {
            fields.push_back("beacon-data");
        }
    }
    return fields;
}

void DropUnsupported(SettingsPatch& patch, int model) {
    for (auto it = patch.slotEntries.begin(); it != patch.slotEntries.end();) {
        it = it->first > device_model::SlotCount(model) ? patch.slotEntries.erase(it) : std::next(it);
    }
    if (!device_model::HasBeacon(model)) {
        patch.beaconSource.reset();
        patch.beaconHex.reset();
    }
}

namespace {

// Every named field with its current and wanted value, in writing order.
std::vector<FieldChange> Compare(const SettingsPatch& p, const DeviceSettings& s, bool onlyDifferent) {
    std::vector<FieldChange> out;
    auto add = [&](const std::string& field, const std::string& from, const std::string& to) {
        if (!onlyDifferent || from != to) {
            out.push_back({field, from, to});
        }
    };
    if (p.name) {
        add("name", s.name, *p.name);
    }
    if (p.advInterval) {
        add("interval", std::to_string(s.advInterval), std::to_string(*p.advInterval));
    }
    if (p.parity) {
        add("parity", ParityWord(s.uart.parity), ParityWord(*p.parity));
    }
    if (p.stopBits) {
        add("stopbits", std::to_string(s.uart.stopBits), std::to_string(*p.stopBits));
    }
    if (p.flowControl) {
        add("flow", Flag(s.uart.flowControl), Flag(*p.flowControl));
    }
    for (const auto& [n, e] : p.slotEntries) {
        const std::size_t i = static_cast<std::size_t>(n - 1);
        const SlotEntry current = i < s.slotEntries.size() ? s.slotEntries[i] : SlotEntry{};
        add("slot" + std::to_string(n), SlotText(current), SlotText(e));
    }
    // Beacon data given without a source means user data.
    const int source = p.beaconSource ? *p.beaconSource : p.beaconHex ? BEACON_SOURCE_USER : s.beaconSource;
    if (p.beaconSource || p.beaconHex) {
        add("beacon-source", BeaconSourceWord(s.beaconSource), BeaconSourceWord(source));
    }
    if (p.beaconHex) {
        add("beacon-data", s.beaconHex, *p.beaconHex);
    }
    return out;
}

}  // namespace

std::vector<FieldChange> Diff(const SettingsPatch& patch, const DeviceSettings& current) {
    return Compare(patch, current, true);
}

std::vector<FieldChange> Mismatches(const SettingsPatch& patch, const DeviceSettings& readBack) {
    // A mismatch reads "field: wanted, read back".
    std::vector<FieldChange> out;
    for (FieldChange c : Compare(patch, readBack, true)) {
        std::swap(c.from, c.to);
        out.push_back(c);
    }
    return out;
}

}  // namespace settings_patch
