// Settings profiles: a module's settings as a versioned JSON document, for
// version control and for setting up many modules the same way.
//
//   { "format": "kestov-lv2xx-profile", "version": 1, "model": "KESTOV-LV200",
//     "name": "LV200", "interval": 100,
//     "uart": { "parity": "none", "stopbits": 1, "flow": false },
//     "slots": [ { "slot": 1, "address": "A0B1C2D3E401", "tag": "T1" },
//                { "slot": 2, "address": null } ],
//     "beacon": { "source": "user", "data": "0201060AFF" } }
//
// Every key but "format" and "version" may be left out; what is left out is
// not changed. An LV230 profile has seven slots and no beacon.
#pragma once

#include "ops/session/device_settings.h"
#include "ops/session/settings_patch.h"

#include <string>

namespace profile {

inline constexpr int kVersion = 1;
inline constexpr const char* kFormat = "kestov-lv2xx-profile";
// Larger files are refused before parsing.
inline constexpr std::size_t kMaxBytes = 64 * 1024;

// The whole configuration of a module, pretty-printed, ending in a newline.
std::string Export(const DeviceSettings& settings);

// Why a profile was refused, and where, for a text in the user's language.
struct Problem {
    enum Kind {
        None,
        TooLarge,        // max: the limit in KiB
        NotJson,         // max: the byte where reading stopped
        NotAnObject,     // at object (or the whole document when object is empty)
        NotAProfile,     // "format" is missing or another
        NoVersion,       // "version" is missing or not a number
        OtherVersion,    // value: the version as written
        UnknownKey,      // in object; value: the key
        UnknownModel,    // value: the model
        NotText,         // at field or entry
        NotNumber,       // at field or entry; min to max
        NotFlag,         // at field
        TooManySlots,    // max
        SlotIncomplete,  // at entry: "slot" or "address" missing
        SlotTwice,       // max: the slot number
        BadWord,         // field: one of a few words expected (parity, stop bits, flow, beacon source)
        Rule,            // Parsed::rule: the window's input rule refused the value
        Unreadable,      // anything else the JSON reader says
    };
    Kind kind = None;
    std::string field;   // the setting's key ("parity", "slot3") when it is about one
    int entry = 0;       // else the slot list's entry (from 1) when it is about one
    std::string object;  // else the JSON object ("uart", "slots", "beacon"; "" the document)
    std::string value;
    long min = 0, max = 0;
};

struct Parsed {
    std::string error;  // empty when the profile is usable; one line of English
    Problem problem;
    // When an input rule refused a value: that refusal, and where it stood.
    setting_fields::Refusal rule;
    std::string where;
    std::string model;  // as the profile names it; may be empty
    SettingsPatch patch;
};
// Strict: unknown keys, wrong types, values outside the window's rules and
// other versions are refused with one line saying where. A control character
// written unescaped in a string is taken as written, so that the field's own
// rule refuses it with the window's message.
Parsed Parse(const std::string& text);

}  // namespace profile
