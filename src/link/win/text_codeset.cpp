// Windows: the narrow text is the system code page ("ANSI"); conversions go
// through the system's own code page tables.
#include "link/text_conv.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool Is(const char* a, const char* b) { return _stricmp(a, b) == 0; }

// A character set named as iconv names it, as a code page; 0 for UTF-8 (also
// for an unknown or empty name, and plain ASCII).
UINT CodePageOf(const char* codeset) {
    if (codeset == nullptr || *codeset == '\0' || Is(codeset, "UTF-8") || Is(codeset, "UTF8") ||
        Is(codeset, "ANSI_X3.4-1968") || Is(codeset, "ASCII")) {
        return 0;
    }
    struct Named {
        const char* name;
        UINT page;
    };
    static const Named kNames[] = {{"ISO-8859-1", 28591}, {"LATIN1", 28591}, {"ISO-8859-15", 28605},
                                   {"EUC-KR", 949},       {"UHC", 949},      {"SHIFT_JIS", 932},
                                   {"SJIS", 932},         {"EUC-JP", 20932}, {"GBK", 936},
                                   {"GB2312", 936},       {"BIG5", 950},     {"KOI8-R", 20866}};
    UINT page = 0;
    for (const Named& n : kNames) {
        if (Is(codeset, n.name)) {
            page = n.page;
        }
    }
    if (page == 0 && (_strnicmp(codeset, "CP", 2) == 0 || _strnicmp(codeset, "WINDOWS-", 8) == 0)) {
        page = static_cast<UINT>(std::atoi(codeset + (codeset[0] == 'C' || codeset[0] == 'c' ? 2 : 8)));
    }
    if (page == CP_UTF8 || page == 0 || !::IsValidCodePage(page)) {
        return 0;
    }
    return page;
}

// One character at a time, so that a byte the set does not define becomes
// one U+FFFD and the rest still converts.
std::u16string Decode(const std::string& in, UINT page) {
    std::u16string out;
    std::size_t i = 0;
    while (i < in.size()) {
        const auto lead = static_cast<BYTE>(in[i]);
        const std::size_t length = ::IsDBCSLeadByteEx(page, lead) ? 2 : 1;
        if (i + length > in.size()) {
            out += kReplacement;  // cut at the end
            break;
        }
        wchar_t wide[4];
        const int n =
            ::MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, in.data() + i, static_cast<int>(length), wide, 4);
        if (n <= 0) {
            out += kReplacement;
            ++i;
            continue;
        }
        out.append(reinterpret_cast<const char16_t*>(wide), static_cast<std::size_t>(n));
        i += length;
    }
    return out;
}

std::string Encode(const std::u16string& in, UINT page) {
    std::string out;
    std::size_t i = 0;
    while (i < in.size()) {
        const char16_t c = in[i];
        const std::size_t length =
            c >= 0xD800 && c <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF ? 2 : 1;
        char narrow[8];
        BOOL lossy = FALSE;
        const int n = ::WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, reinterpret_cast<const wchar_t*>(in.data() + i),
                                            static_cast<int>(length), narrow, sizeof narrow, nullptr, &lossy);
        if (n <= 0 || lossy) {
            out += '?';
        } else {
            out.append(narrow, static_cast<std::size_t>(n));
        }
        i += length;
    }
    return out;
}

UINT AnsiPage() {
    const UINT page = ::GetACP();
    return page == CP_UTF8 ? 0 : page;
}

}  // namespace

std::u16string NarrowToWide(const std::string& in, const char* codeset) {
    const UINT page = CodePageOf(codeset);
    return page == 0 ? Utf8ToWide(in) : Decode(in, page);
}

std::string WideToNarrow(const std::u16string& in, const char* codeset) {
    const UINT page = CodePageOf(codeset);
    return page == 0 ? WideToUtf8(in) : Encode(in, page);
}

int AnsiToWide(const std::string& in, std::u16string& out) {
    const UINT page = AnsiPage();
    out = page == 0 ? Utf8ToWide(in) : Decode(in, page);
    return static_cast<int>(out.size());
}

std::string WideToAnsi(const std::u16string& in) {
    const UINT page = AnsiPage();
    return page == 0 ? WideToUtf8(in) : Encode(in, page);
}

std::string WideToAnsiStd(const std::u16string& in) { return WideToAnsi(in); }

// The C runtime has no wcwidth: the wide and zero-width ranges of Unicode's
// East Asian width and general category, as far as module names and scan
// results can hold them.
int TerminalColumns(char32_t cp) {
    struct Range {
        char32_t first, last;
    };
    static const Range kZero[] = {{0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x0610, 0x061A},
                                  {0x064B, 0x065F}, {0x1160, 0x11FF}, {0x200B, 0x200F}, {0x20D0, 0x20FF},
                                  {0xD7B0, 0xD7FF}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}, {0xFEFF, 0xFEFF}};
    static const Range kWide[] = {{0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},  {0x2E80, 0x303E},
                                  {0x3041, 0x33FF},   {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},  {0xA000, 0xA4CF},
                                  {0xA960, 0xA97F},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},  {0xFE10, 0xFE19},
                                  {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},  {0x1F300, 0x1F64F},
                                  {0x1F900, 0x1F9FF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD}};
    for (const Range& r : kZero) {
        if (cp >= r.first && cp <= r.last) {
            return 0;
        }
    }
    for (const Range& r : kWide) {
        if (cp >= r.first && cp <= r.last) {
            return 2;
        }
    }
    return 1;
}
