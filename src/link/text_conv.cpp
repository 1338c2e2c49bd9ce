#include "text_conv.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char16_t kReplacement = 0xFFFD;

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::u16string DecodeUtf8(const char* s, std::size_t n) {
    std::u16string out;
    out.reserve(n);
    const auto* p = reinterpret_cast<const unsigned char*>(s);
    std::size_t i = 0;
    while (i < n) {
        const unsigned char lead = p[i];
        if (lead < 0x80) {
            out += static_cast<char16_t>(lead);
            ++i;
            continue;
        }
        // Well-formed sequences only: no overlongs, no surrogates, nothing
        // above U+10FFFF. The first continuation byte carries those limits.
        int need = 0;
        char32_t cp = 0;
        unsigned char lo = 0x80, hi = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            need = 1;
            cp = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            need = 2;
            cp = lead & 0x0F;
            if (lead == 0xE0) lo = 0xA0;
            if (lead == 0xED) hi = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            need = 3;
            cp = lead & 0x07;
            if (lead == 0xF0) lo = 0x90;
            if (lead == 0xF4) hi = 0x8F;
        } else {
            out += kReplacement;
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        bool ok = true;
        for (int k = 0; k < need; ++k, ++j) {
            if (j >= n || p[j] < lo || p[j] > hi) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (p[j] & 0x3F);
            lo = 0x80;
            hi = 0xBF;
        }
        // One replacement per maximal subpart; resume at the offending byte.
        if (ok)
            AppendUtf16(out, cp);
        else
            out += kReplacement;
        i = j;
    }
    return out;
}

std::string EncodeUtf8(const char16_t* s, std::size_t n) {
    std::string out;
    out.reserve(n * 3);
    for (std::size_t i = 0; i < n; ++i) {
        char32_t cp = s[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

}  // namespace

std::u16string Utf8ToWide(const std::string& in) { return DecodeUtf8(in.data(), in.size()); }

std::string WideToUtf8(const std::u16string& in) { return EncodeUtf8(in.data(), in.size()); }

std::u16string Utf8ToWideStd(const char* in) {
    if (in == nullptr) return {};
    return DecodeUtf8(in, std::strlen(in));
}

std::string WideToUtf8Std(const char16_t* in) {
    if (in == nullptr) return {};
    return WideToUtf8(std::u16string(in));
}

namespace {
int HexDigitValue(char c) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
}  // namespace

bool HexPairToByte(const char* two, uint8_t& out) {
    out = 0;
    const int hi = HexDigitValue(two[0]);
    if (hi < 0) return false;
    out = static_cast<uint8_t>(hi << 4);
    const int lo = HexDigitValue(two[1]);
    if (lo < 0) return false;
    out = static_cast<uint8_t>(out | lo);
    return true;
}

bool HexToAddress(const std::string& text, uint8_t out[6]) {
    if (text.size() != 12) return false;
    std::memset(out, 0, 6);
    for (int i = 0; i < 6; ++i) {
        if (!HexPairToByte(text.data() + 2 * i, out[i])) return false;
    }
    return true;
}

void AddressToHex(const uint8_t addr[6], std::string& out) {
    out = BytesToHex(std::string(reinterpret_cast<const char*>(addr), 6));
}

std::string AddressToHex(const uint8_t addr[6]) {
    std::string out;
    AddressToHex(addr, out);
    return out;
}

std::string BytesToHex(const std::string& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (unsigned char b : bytes) {
        hex += kDigits[b >> 4];
        hex += kDigits[b & 0x0F];
    }
    return hex;
}

std::string HexToBytes(const std::string& hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        uint8_t b = 0;
        if (!HexPairToByte(hex.c_str() + i, b)) break;
        bytes.push_back(static_cast<char>(b));
    }
    return bytes;
}

bool IsHexText(const std::string& text) {
    for (char c : text) {
        if (HexDigitValue(c) < 0) return false;
    }
    return true;
}

void TrimSpaces(std::string& text) {
    static constexpr char kSpaces[] = " \t\n\v\f\r";
    const auto last = text.find_last_not_of(kSpaces);
    if (last == std::string::npos) {
        text.clear();
        return;
    }
    text.erase(last + 1);
    text.erase(0, text.find_first_not_of(kSpaces));
}
