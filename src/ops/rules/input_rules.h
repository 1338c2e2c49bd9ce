// Input rules of the main window's sections, as pure checks. Each Check*
// returns 0 when the text may be used, else the id of the string to show.
// Texts that end up inside an AT command as they are must not hold control
// characters: a CR would end the command early and run the rest as a second
// command. Beacon text is safe: it is sent as hex digits.
#pragma once

#include "link/module_limits.h"

#include <cstdint>
#include <string>
#include <vector>

namespace input_rules {

using module_limits::kMaxAdvInterval;
using module_limits::kMaxBeaconBytes;
using module_limits::kMaxBeaconHexDigits;
using module_limits::kMaxNameBytes;
using module_limits::kMinAdvInterval;
inline constexpr int kMinRssi = -127;
inline constexpr int kMaxRssi = 127;

// Below 0x20, or 0x7F. Bytes of multi-byte UTF-8 characters are not.
bool HasControlChar(const std::string& text);
bool HasControlChar(const std::u16string& text);

// New device name (UTF-8): over 8 bytes -> 109, a control character -> 142,
// a comma -> 145. The empty name is allowed.
int CheckDeviceName(const std::string& utf8);
// Scan name filter (UTF-8): empty or over 8 bytes -> 129, a control
// character -> 143.
int CheckScanFilterName(const std::string& utf8);
// Slot tag (UTF-8): over 8 bytes -> 114, a control character -> 144. Empty
// is allowed.
int CheckSlotTag(const std::string& utf8);
// Slot address text: 12 hex digits, either case -> 0, else 111.
int CheckSlotAddress(const std::string& text);
// Two addresses name the same device: equal but for the case of A-Z.
bool SameAddress(const std::string& a, const std::string& b);

// A refusal that names a slot.
struct SlotRefusal {
    int id = 0;    // 0: every row may be written
    int slot = 0;  // the row it is about
};
// Slot rows (address text, empty for an empty row; tag), row n at index
// n - 1, checked row by row: a later row with the same address (121, naming
// that later row), the address (111), the tag (114 or 144).
SlotRefusal CheckSlotRows(const std::vector<std::string>& addresses, const std::vector<std::string>& tags);

// Beacon data as hex text, in this order: empty 135, odd length 132,
// a character other than 0-9 a-f A-F 134, over 52 digits 133.
int CheckBeaconHex(const std::string& text);
int CheckBeaconHex(const std::u16string& text);
// Beacon data as a string (UTF-8): empty 135, over 26 bytes 133. Any byte
// may be in it: it goes out as hex digits.
int CheckBeaconString(const std::string& utf8);

// RSSI threshold text: white space trimmed at both ends, then an optional
// sign and one to three decimal digits and nothing else, from -127 to 127.
// On success the value is stored in *value when value is not null.
bool IsValidRssiText(const std::string& text, int* value = nullptr);
bool IsValidRssiText(const std::u16string& text, int* value = nullptr);
// The threshold as the scan applies it: read like strtol base 10 (leading
// white space, an optional sign, digits up to the first other character; no
// digits gives 0), low 8 bits taken as a signed value.
int8_t RssiThresholdOf(const std::u16string& text);

// Advertising interval text read like strtol base 10: leading white space,
// an optional sign, the digits up to the first other character; a text
// without digits gives 0. Saturates at the range of long.
long ParseAdvInterval(const std::string& text);
long ParseAdvInterval(const std::u16string& text);
bool IsValidAdvInterval(long value);  // 20..2560
int CheckAdvInterval(long value);     // 0, or 113 outside 20..2560

}  // namespace input_rules
