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
    Problem problem;
};

// A place in the document: its English path and where the problem is about.
struct Place {
    std::string where;
    Problem at;
};

Place AtField(const std::string& where, const std::string& field) {
    Place p{where, {}};
    p.at.field = field;
    return p;
}

Place AtEntry(const std::string& where, int entry) {
    Place p{where, {}};
    p.at.entry = entry;
    return p;
}

Place AtObject(const std::string& where, const std::string& object) {
    Place p{where, {}};
    p.at.object = object;
    return p;
}

[[noreturn]] void Refuse(const std::string& text, Problem problem) { throw Refusal{text, {}, {}, problem}; }

[[noreturn]] void Refuse(const std::string& text, Problem::Kind kind, Problem at = {}) {
    at.kind = kind;
    Refuse(text, at);
}

void OnlyKeys(const json& object, const Place& place, const std::set<std::string>& keys) {
    if (!object.is_object()) {
        Refuse(place.where + ": expected an object", Problem::NotAnObject, place.at);
    }
    for (const auto& item : object.items()) {
        if (keys.count(item.key()) == 0) {
            Problem p = place.at;
            p.value = item.key();
            Refuse(place.where + ": unknown key \"" + item.key() + "\"", Problem::UnknownKey, p);
        }
    }
}

const std::string& Text(const json& value, const Place& place) {
    if (!value.is_string()) {
        Refuse(place.where + ": expected a string", Problem::NotText, place.at);
    }
    return value.get_ref<const std::string&>();
}

long Number(const json& value, const Place& place, long min, long max) {
    if (!value.is_number_integer() || value.get<long long>() < min || value.get<long long>() > max) {
        Problem p = place.at;
        p.min = min;
        p.max = max;
        Refuse(place.where + ": expected a whole number from " + std::to_string(min) + " to " + std::to_string(max),
               Problem::NotNumber, p);
    }
    return static_cast<long>(value.get<long long>());
}

// Adds "key=value" through the same rules as the command line.
void Assign(SettingsPatch& patch, const std::string& key, const std::string& value, const std::string& where) {
    setting_fields::Refusal rule;
    if (std::string error = settings_patch::AddAssignment(patch, key + "=" + value, &rule); !error.empty()) {
        Problem p;
        p.kind = rule.id != 0 ? Problem::Rule : Problem::BadWord;
        p.field = key;
        p.value = value;
        throw Refusal{where + ": " + error, rule, where, p};
    }
}

// A JSON value in the field's text form.
std::string TextOf(const Field& f, const json& value, const std::string& where) {
    const Place place = AtField(where, f.key);
    switch (f.json) {
    case JsonForm::Number:
        return std::to_string(Number(value, place, f.min, f.max));
    case JsonForm::Flag:
        if (!value.is_boolean()) {
            Refuse(where + ": expected true or false", Problem::NotFlag, place.at);
        }
        return value.get<bool>() ? "on" : "off";
    default:
        return Text(value, place);
    }
}

void ReadSlots(const Field& f, const json& slots, SettingsPatch& patch) {
    if (!slots.is_array() || slots.size() > static_cast<std::size_t>(device_model::kMaxSlots)) {
        Problem p;
        p.max = device_model::kMaxSlots;
        Refuse("slots: expected a list of at most " + std::to_string(device_model::kMaxSlots) + " slots",
               Problem::TooManySlots, p);
    }
    std::set<long> seen;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const std::string where = "slots[" + std::to_string(i) + "]";
        const json& s = slots[i];
        const int entry = static_cast<int>(i) + 1;
        OnlyKeys(s, AtEntry(where, entry), {"slot", "address", "tag"});
        if (!s.contains("slot") || !s.contains("address")) {
            Refuse(where + ": needs \"slot\" and \"address\"", Problem::SlotIncomplete, AtEntry(where, entry).at);
        }
        const long n = Number(s["slot"], AtEntry(where + ".slot", entry), 1, device_model::kMaxSlots);
        if (!seen.insert(n).second) {
            Problem p;
            p.max = n;
            Refuse(where + ": slot " + std::to_string(n) + " appears twice", Problem::SlotTwice, p);
        }
        const std::string key = setting_fields::KeyOf(f, static_cast<int>(n));
        std::string value = "none";
        if (!s["address"].is_null()) {
            value = Text(s["address"], AtField(where + ".address", key));
            if (s.contains("tag") && !s["tag"].is_null()) {
                const std::string& tag = Text(s["tag"], AtField(where + ".tag", key));
                if (!tag.empty()) {
                    value += "," + tag;
                }
            }
        }
        Assign(patch, key, value, where);
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
            OnlyKeys(holder, AtObject(f.object, f.object), members);
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

// Control characters inside strings as \u escapes; everything else as it is.
std::string EscapeControlsInStrings(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    bool inString = false;
    bool escaped = false;
    for (const char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (inString && !escaped && c < 0x20) {
            static const char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
            continue;
        }
        out += ch;
        if (escaped) {
            escaped = false;
        } else if (inString && ch == '\\') {
            escaped = true;
        } else if (ch == '"') {
            inString = !inString;
        }
    }
    return out;
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
        out.problem.kind = Problem::TooLarge;
        out.problem.max = static_cast<long>(kMaxBytes / 1024);
        return out;
    }
    json doc;
    try {
        doc = json::parse(text);
    } catch (const json::parse_error& e) {
        // JSON wants control characters in strings escaped; taken as written,
        // a name with one is refused by the window's own rule instead.
        try {
            doc = json::parse(EscapeControlsInStrings(text));
        } catch (const json::exception&) {
            out.error = std::string("not valid JSON: ") + e.what();
            out.problem.kind = Problem::NotJson;
            out.problem.max = static_cast<long>(e.byte);
            return out;
        }
    } catch (const json::exception& e) {
        out.error = std::string("not valid JSON: ") + e.what();
        out.problem.kind = Problem::Unreadable;
        out.problem.value = e.what();
        return out;
    }
    try {
        if (!doc.is_object()) {
            Refuse("expected a JSON object", Problem::NotAnObject);
        }
        if (!doc.contains("format") || !doc["format"].is_string() || doc["format"] != kFormat) {
            Refuse(std::string("not a settings profile (\"format\" must be \"") + kFormat + "\")",
                   Problem::NotAProfile);
        }
        if (!doc.contains("version") || !doc["version"].is_number_integer()) {
            Refuse("\"version\" is missing", Problem::NoVersion);
        }
        if (doc["version"].get<long long>() != kVersion) {
            Problem p;
            p.value = doc["version"].dump();
            Refuse("profile version " + p.value + " is not supported (this program reads version " +
                       std::to_string(kVersion) + ")",
                   Problem::OtherVersion, p);
        }
        OnlyKeys(doc, AtObject("profile", ""), TopKeys());
        if (doc.contains("model")) {
            out.model = Text(doc["model"], AtObject("model", "model"));
            if (device_model::IndexOf(out.model) == MODEL_NONE) {
                Problem p;
                p.value = out.model;
                Refuse("model: \"" + out.model + "\" is not a supported model", Problem::UnknownModel, p);
            }
        }
        ReadFields(doc, out.patch);
        if (const setting_fields::Refusal rule = settings_patch::CheckRule(out.patch)) {
            Problem p;
            p.kind = Problem::Rule;
            throw Refusal{rule.English(), rule, {}, p};
        }
    } catch (const Refusal& r) {
        out.error = r.text;
        out.problem = r.problem;
        out.rule = r.rule;
        out.where = r.where;
        out.patch = SettingsPatch{};
    } catch (const json::exception& e) {
        out.error = std::string("unreadable profile: ") + e.what();
        out.problem.kind = Problem::Unreadable;
        out.problem.value = e.what();
        out.patch = SettingsPatch{};
    }
    return out;
}

}  // namespace profile
