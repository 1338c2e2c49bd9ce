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

struct Parsed {
    std::string error;  // empty when the profile is usable
    // When an input rule refused a value: that refusal, and where it stood.
    setting_fields::Refusal rule;
    std::string where;
    std::string model;  // as the profile names it; may be empty
    SettingsPatch patch;
};
// Strict: unknown keys, wrong types, values outside the window's rules and
// other versions are refused with one line saying where.
Parsed Parse(const std::string& text);

}  // namespace profile
