#include "profile.h"

#include "device_model.h"
#include "settings_patch.h"

#include <nlohmann/json.hpp>

#include <set>

using nlohmann::json;
using nlohmann::ordered_json;

namespace profile {
namespace {

std::string ParityWord(char parity) { return settings_patch::ParityWord(parity); }

// Refusal with the place it was found.
struct Refusal {
    std::string text;
};

[[noreturn]] void Refuse(const std::string& text) { throw Refusal{text}; }

void OnlyKeys(const json& object, const std::string& where, std::initializer_list<const char*> keys) {
    if (!object.is_object()) {
        Refuse(where + ": expected an object");
    }
    for (const auto& item : object.items()) {
        bool known = false;
        for (const char* k : keys) {
            known = known || item.key() == k;
        }
        if (!known) {
            Refuse(where + ": unknown key \"" + item.key() + "\"");
        }
    }
}

const std::string& Text(const json& value, const std::string& where) {
    if (!value.is_string()) {
        Refuse(where + ": expected a string");
    }
    return value.get_ref<const std::string&>();
}

long Number(const json& value, const std::string& where, long min, long max) {
    if (!value.is_number_integer() || value.get<long long>() < min || value.get<long long>() > max) {
        Refuse(where + ": expected a whole number from " + std::to_string(min) + " to " + std::to_string(max));
    }
    return static_cast<long>(value.get<long long>());
}

// Adds "key=value" through the same rules as the command line.
void Assign(SettingsPatch& patch, const std::string& key, const std::string& value, const std::string& where) {
    if (std::string error = settings_patch::AddAssignment(patch, key + "=" + value); !error.empty()) {
        Refuse(where + ": " + error);
    }
}

void ReadUart(const json& uart, SettingsPatch& patch) {
    OnlyKeys(uart, "uart", {"parity", "stopbits", "flow"});
    if (uart.contains("parity")) {
        Assign(patch, "parity", Text(uart["parity"], "uart.parity"), "uart.parity");
    }
    if (uart.contains("stopbits")) {
        Assign(patch, "stopbits", std::to_string(Number(uart["stopbits"], "uart.stopbits", 1, 2)), "uart.stopbits");
    }
    if (uart.contains("flow")) {
        if (!uart["flow"].is_boolean()) {
            Refuse("uart.flow: expected true or false");
        }
        patch.flowControl = uart["flow"].get<bool>();
    }
}

void ReadSlots(const json& slots, SettingsPatch& patch) {
    if (!slots.is_array() || slots.size() > static_cast<std::size_t>(device_model::kMaxSlots)) {
        Refuse("slots: expected a list of at most 8 slots");
    }
    std::set<long> seen;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const std::string where = "slots[" + std::to_string(i) + "]";
        const json& s = slots[i];
        OnlyKeys(s, where, {"slot", "address", "tag"});
        if (!s.contains("slot") || !s.contains("address")) {
            Refuse(where + ": needs \"slot\" and \"address\"");
        }
        const long n = Number(s["slot"], where + ".slot", 1, device_model::kMaxSlots);
        if (!seen.insert(n).second) {
            Refuse(where + ": slot " + std::to_string(n) + " appears twice");
        }
        std::string value = "none";
        if (!s["address"].is_null()) {
            value = Text(s["address"], where + ".address");
            if (s.contains("tag") && !s["tag"].is_null()) {
                const std::string& tag = Text(s["tag"], where + ".tag");
                if (!tag.empty()) {
                    value += "," + tag;
                }
            }
        }
        Assign(patch, "slot" + std::to_string(n), value, where);
    }
}

void ReadBeacon(const json& beacon, SettingsPatch& patch) {
    OnlyKeys(beacon, "beacon", {"source", "data"});
    if (beacon.contains("source")) {
        Assign(patch, "beacon-source", Text(beacon["source"], "beacon.source"), "beacon.source");
    }
    if (beacon.contains("data")) {
        const std::string& hex = Text(beacon["data"], "beacon.data");
        // With the UART as the source the data is not advertised, and the
        // module is not given it (as in the window).
        const bool uart = patch.beaconSource && *patch.beaconSource != BEACON_SOURCE_USER;
        if (!hex.empty() && !uart) {
            Assign(patch, "beacon-hex", hex, "beacon.data");
        }
    }
}

}  // namespace

std::string Export(const DeviceSettings& s) {
    ordered_json doc = ordered_json::object();
    doc["format"] = kFormat;
    doc["version"] = kVersion;
    doc["model"] = s.modelName;
    doc["name"] = s.name;
    doc["interval"] = s.advInterval;
    doc["uart"] = {{"parity", ParityWord(s.uart.parity)}, {"stopbits", s.uart.stopBits}, {"flow", s.uart.flowControl}};
    ordered_json slots = ordered_json::array();
    for (std::size_t i = 0; i < s.slotEntries.size(); ++i) {
        ordered_json slot = {{"slot", i + 1}};
        if (s.slotEntries[i].Empty()) {
            slot["address"] = nullptr;
        } else {
            slot["address"] = AddressText(s.slotEntries[i].address);
            slot["tag"] = s.slotEntries[i].tag;
        }
        slots.push_back(slot);
    }
    doc["slots"] = slots;
    if (s.hasBeacon) {
        doc["beacon"] = {{"source", settings_patch::BeaconSourceWord(s.beaconSource)}, {"data", s.beaconHex}};
    }
    // Module texts may hold bytes that are not UTF-8: replace, never throw.
    return doc.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

Parsed Parse(const std::string& text) {
    Parsed out;
    if (text.size() > kMaxBytes) {
        out.error = "the profile is larger than " + std::to_string(kMaxBytes / 1024) + " KiB";
        return out;
    }
    json doc;
    try {
        doc = json::parse(text);
    } catch (const json::exception& e) {
        out.error = std::string("not valid JSON: ") + e.what();
        return out;
    }
    try {
        if (!doc.is_object()) {
            Refuse("expected a JSON object");
        }
        if (!doc.contains("format") || !doc["format"].is_string() || doc["format"] != kFormat) {
            Refuse(std::string("not a settings profile (\"format\" must be \"") + kFormat + "\")");
        }
        if (!doc.contains("version") || !doc["version"].is_number_integer()) {
            Refuse("\"version\" is missing");
        }
        if (doc["version"].get<long long>() != kVersion) {
            Refuse("profile version " + doc["version"].dump() + " is not supported (this program reads version " +
                   std::to_string(kVersion) + ")");
        }
        OnlyKeys(doc, "profile", {"format", "version", "model", "name", "interval", "uart", "slots", "beacon"});
        if (doc.contains("model")) {
            out.model = Text(doc["model"], "model");
            if (device_model::IndexOf(out.model) == MODEL_NONE) {
                Refuse("model: \"" + out.model + "\" is not a supported model");
            }
        }
        if (doc.contains("name")) {
            Assign(out.patch, "name", Text(doc["name"], "name"), "name");
        }
        if (doc.contains("interval")) {
            Assign(out.patch, "interval", std::to_string(Number(doc["interval"], "interval", 20, 2560)), "interval");
        }
        if (doc.contains("uart")) {
            ReadUart(doc["uart"], out.patch);
        }
        if (doc.contains("slots")) {
            ReadSlots(doc["slots"], out.patch);
        }
        if (doc.contains("beacon")) {
            ReadBeacon(doc["beacon"], out.patch);
        }
        if (std::string error = settings_patch::Check(out.patch); !error.empty()) {
            Refuse(error);
        }
    } catch (const Refusal& r) {
        out.error = r.text;
        out.patch = SettingsPatch{};
    } catch (const json::exception& e) {
        out.error = std::string("unreadable profile: ") + e.what();
        out.patch = SettingsPatch{};
    }
    return out;
}

}  // namespace profile
