#include "ops/profiles/profile.h"

#include "ops/session/device_model.h"
#include "ops/session/setting_fields.h"
#include "ops/session/settings_patch.h"

#include <nlohmann/json.hpp>

#include <set>

using nlohmann::json;
using nlohmann::ordered_json;
using setting_fields::Field;
using setting_fields::JsonForm;

namespace profile {
namespace {

// Refusal with the place it was found; rule is the input rule's refusal, when it was one.
struct Refusal {
    std::string text;
    setting_fields::Refusal rule;
    std::string where;
};

[[noreturn]] void Refuse(const std::string& text) { throw Refusal{text, {}, {}}; }

void OnlyKeys(const json& object, const std::string& where, const std::set<std::string>& keys) {
    if (!object.is_object()) {
        Refuse(where + ": expected an object");
    }
    for (const auto& item : object.items()) {
        if (keys.count(item.key()) == 0) {
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
    setting_fields::Refusal rule;
    if (std::string error = settings_patch::AddAssignment(patch, key + "=" + value, &rule); !error.empty()) {
        throw Refusal{where + ": " + error, rule, where};
    }
}

// A JSON value in the field's text form.
std::string TextOf(const Field& f, const json& value, const std::string& where) {
    switch (f.json) {
    case JsonForm::Number:
        return std::to_string(Number(value, where, f.min, f.max));
    case JsonForm::Flag:
        if (!value.is_boolean()) {
            Refuse(where + ": expected true or false");
        }
        return value.get<bool>() ? "on" : "off";
    default:
        return Text(value, where);
    }
}

void ReadSlots(const Field& f, const json& slots, SettingsPatch& patch) {
    if (!slots.is_array() || slots.size() > static_cast<std::size_t>(device_model::kMaxSlots)) {
        Refuse("slots: expected a list of at most " + std::to_string(device_model::kMaxSlots) + " slots");
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
        Assign(patch, setting_fields::KeyOf(f, static_cast<int>(n)), value, where);
    }
}

// Every field the document names, in the table's order.
void ReadFields(const json& doc, SettingsPatch& patch) {
    std::set<std::string> checked;
    for (const Field& f : setting_fields::Fields()) {
        if (f.json == JsonForm::Slot) {
            if (doc.contains(f.object)) {
                ReadSlots(f, doc[f.object], patch);
            }
            continue;
        }
        const bool top = *f.object == '\0';
        if (!top && !doc.contains(f.object)) {
            continue;
        }
        const json& holder = top ? doc : doc[f.object];
        if (!top && checked.insert(f.object).second) {
            std::set<std::string> members;
            for (const Field& g : setting_fields::Fields()) {
                if (std::string(g.object) == f.object) {
                    members.insert(g.member);
                }
            }
            OnlyKeys(holder, f.object, members);
        }
        if (!holder.contains(f.member)) {
            continue;
        }
        const std::string where = top ? std::string(f.member) : std::string(f.object) + "." + f.member;
        const std::string text = TextOf(f, holder[f.member], where);
        // With the UART as the source the data is not advertised, and the
        // module is not given it (as in the window).
        if (std::string(f.key) == "beacon-data") {
            const auto source = patch.values.find("beacon-source");
            if (text.empty() || (source != patch.values.end() && source->second != "user")) {
                continue;
            }
        }
        Assign(patch, f.key, text, where);
    }
}

std::set<std::string> TopKeys() {
    std::set<std::string> keys = {"format", "version", "model"};
    for (const Field& f : setting_fields::Fields()) {
        keys.insert(*f.object == '\0' ? f.member : f.object);
    }
    return keys;
}

}  // namespace

std::string Export(const DeviceSettings& s) {
    ordered_json doc = ordered_json::object();
    doc["format"] = kFormat;
    doc["version"] = kVersion;
    doc["model"] = s.modelName;
    doc.update(setting_fields::ToJson(s));
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
        OnlyKeys(doc, "profile", TopKeys());
        if (doc.contains("model")) {
            out.model = Text(doc["model"], "model");
            if (device_model::IndexOf(out.model) == MODEL_NONE) {
                Refuse("model: \"" + out.model + "\" is not a supported model");
            }
        }
        ReadFields(doc, out.patch);
        if (const setting_fields::Refusal rule = settings_patch::CheckRule(out.patch)) {
            throw Refusal{rule.English(), rule, {}};
        }
    } catch (const Refusal& r) {
        out.error = r.text;
        out.rule = r.rule;
        out.where = r.where;
        out.patch = SettingsPatch{};
    } catch (const json::exception& e) {
        out.error = std::string("unreadable profile: ") + e.what();
        out.patch = SettingsPatch{};
    }
    return out;
}

}  // namespace profile
