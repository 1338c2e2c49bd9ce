#include "ops/rules/input_rules.h"

#include "ops/rules/string_ids.h"

#include <climits>
#include <type_traits>

namespace input_rules {
namespace {

template <class Char>
bool IsControl(Char c) {
    const auto u = static_cast<std::make_unsigned_t<Char>>(c);
    return u < 0x20 || u == 0x7F;
}

template <class Char>
bool IsSpace(Char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

template <class Char>
bool IsDigit(Char c) {
    return c >= '0' && c <= '9';
}

template <class Char>
bool IsHexDigit(Char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

template <class Str>
bool AnyControl(const Str& text) {
    for (auto c : text) {
        if (IsControl(c)) {
            return true;
        }
    }
    return false;
}

template <class Str>
int BeaconHexRule(const Str& text) {
    if (text.empty()) {
        return IDS_BEACON_EMPTY;
    }
    if (text.size() % 2 != 0) {
        return IDS_HEX_ODD_LENGTH;
    }
    for (auto c : text) {
        if (!IsHexDigit(c)) {
            return IDS_HEX_FORMAT;
        }
    }
    if (text.size() > kMaxBeaconHexDigits) {
        return IDS_STRING_TOO_LONG;
    }
    return 0;
}

template <class Str>
bool RssiRule(const Str& text, int* value) {
    std::size_t b = 0;
    std::size_t e = text.size();
    while (b < e && IsSpace(text[b])) {
        ++b;
    }
    while (e > b && IsSpace(text[e - 1])) {
        --e;
    }
    bool negative = false;
    if (b < e && (text[b] == '+' || text[b] == '-')) {
        negative = text[b] == '-';
        ++b;
    }
    const std::size_t digits = e - b;
    if (digits < 1 || digits > 3) {
        return false;
    }
    int v = 0;
    for (std::size_t i = b; i < e; ++i) {
        if (!IsDigit(text[i])) {
            return false;
        }
        v = v * 10 + (text[i] - '0');
    }
    if (negative) {
        v = -v;
    }
    if (v < kMinRssi || v > kMaxRssi) {
        return false;
    }
    if (value) {
        *value = v;
    }
    return true;
}

// strtol base 10 without locale: saturates like strtol does.
template <class Str>
long StrtolLike(const Str& text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Magnitude up to LONG_MAX, or LONG_MAX + 1 for a negative number.
    const unsigned long long limit = static_cast<unsigned long long>(LONG_MAX) + (negative ? 1u : 0u);
    unsigned long long v = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        const unsigned d = static_cast<unsigned>(text[i] - '0');
        v = (v > (limit - d) / 10) ? limit : v * 10 + d;
    }
    if (negative) {
        return v > static_cast<unsigned long long>(LONG_MAX) ? LONG_MIN : -static_cast<long>(v);
    }
    return static_cast<long>(v);
}

}  // namespace

bool HasControlChar(const std::string& text) { return AnyControl(text); }
bool HasControlChar(const std::u16string& text) { return AnyControl(text); }

int CheckDeviceName(const std::string& utf8) {
    if (utf8.size() > kMaxNameBytes) {
        return IDS_DEVICE_NAME_TOO_LONG;
    }
    if (AnyControl(utf8)) {
        return IDS_DEVICE_NAME_BAD_CHAR;
    }
    // The information reply is "address,name,extra,state" with no quoting:
    // a comma in the name cannot be told from the one after it.
    return utf8.find(',') != std::string::npos ? IDS_DEVICE_NAME_COMMA : 0;
}

int CheckScanFilterName(const std::string& utf8) {
    if (utf8.empty() || utf8.size() > kMaxNameBytes) {
        return IDS_INVALID_FILTER_NAME;
    }
    return AnyControl(utf8) ? IDS_FILTER_NAME_BAD_CHAR : 0;
}

int CheckSlotTag(const std::string& utf8) {
    if (utf8.size() > kMaxNameBytes) {
        return IDS_SLOT_INVALID_TAG;
    }
    return AnyControl(utf8) ? IDS_SLOT_TAG_BAD_CHAR : 0;
}

int CheckSlotAddress(const std::string& text) {
    if (text.size() != 12) {
        return IDS_SLOT_INVALID_ADDRESS;
    }
    for (char c : text) {
        if (!IsHexDigit(c)) {
            return IDS_SLOT_INVALID_ADDRESS;
        }
    }
    return 0;
}

bool SameAddress(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) {
            return false;
        }
    }
    return true;
}

SlotRefusal CheckSlotRows(const std::vector<std::string>& addresses, const std::vector<std::string>& tags) {
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        const int n = static_cast<int>(i) + 1;
        const std::string& a = addresses[i];
        if (!a.empty()) {
            for (std::size_t j = i + 1; j < addresses.size(); ++j) {
                if (SameAddress(a, addresses[j])) {
                    return {IDS_DUPLICATED_ADDRESS, static_cast<int>(j) + 1};
                }
            }
            if (const int id = CheckSlotAddress(a)) {
                return {id, n};
            }
        }
        if (i < tags.size()) {
            if (const int id = CheckSlotTag(tags[i])) {
                return {id, n};
            }
        }
    }
    return {};
}

int CheckBeaconHex(const std::string& text) { return BeaconHexRule(text); }
int CheckBeaconHex(const std::u16string& text) { return BeaconHexRule(text); }

int CheckBeaconString(const std::string& utf8) {
    if (utf8.empty()) {
        return IDS_BEACON_EMPTY;
    }
    if (utf8.size() > kMaxBeaconBytes) {
        return IDS_STRING_TOO_LONG;
    }
    return 0;
}

bool IsValidRssiText(const std::string& text, int* value) { return RssiRule(text, value); }
bool IsValidRssiText(const std::u16string& text, int* value) { return RssiRule(text, value); }

int8_t RssiThresholdOf(const std::u16string& text) {
    return static_cast<int8_t>(static_cast<uint8_t>(StrtolLike(text) & 0xFF));
}

long ParseAdvInterval(const std::string& text) { return StrtolLike(text); }
long ParseAdvInterval(const std::u16string& text) { return StrtolLike(text); }

bool IsValidAdvInterval(long value) { return value >= kMinAdvInterval && value <= kMaxAdvInterval; }

int CheckAdvInterval(long value) { return IsValidAdvInterval(value) ? 0 : IDS_INVALID_ADV_INTERVAL; }

}  // namespace input_rules
