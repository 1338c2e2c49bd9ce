#include "text_width.h"

#include "link/text_conv.h"

namespace {

// One code point from s at i; false (one byte consumed) for invalid UTF-8.
bool NextCodePoint(const std::string& s, std::size_t& i, char32_t& cp) {
    const auto b = static_cast<unsigned char>(s[i]);
    int extra = 0;
    if (b < 0x80) {
        cp = b;
    } else if (b >= 0xC2 && b <= 0xDF) {
        cp = b & 0x1F;
        extra = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
        cp = b & 0x0F;
        extra = 2;
    } else if (b >= 0xF0 && b <= 0xF4) {
        cp = b & 0x07;
        extra = 3;
    } else {
        ++i;
        return false;
    }
    if (i + extra >= s.size()) {
        ++i;
        return false;
    }
    for (int k = 1; k <= extra; ++k) {
        const auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80) {
            ++i;
            return false;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    i += 1 + extra;
    return true;
}

}  // namespace

std::size_t DisplayWidth(const std::string& utf8) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        width += NextCodePoint(utf8, i, cp) ? static_cast<std::size_t>(TerminalColumns(cp)) : 1;
    }
    return width;
}

std::string PadToWidth(const std::string& utf8, std::size_t columns) {
    const std::size_t width = DisplayWidth(utf8);
    return width >= columns ? utf8 : utf8 + std::string(columns - width, ' ');
}
