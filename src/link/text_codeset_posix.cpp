// Conversions through the locale's narrow character set, by iconv.
#include "text_conv.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <strings.h>
#include <wchar.h>

namespace {

constexpr char kUtf8Replacement[] = "\xEF\xBF\xBD";

std::size_t Utf8SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead < 0xE0) return 2;
    if (lead < 0xF0) return 3;
    return 4;
}

// The plain "C" locale reports ASCII; its texts are taken as UTF-8 so that
// nothing typed is lost.
bool IsUtf8Codeset(const char* codeset) {
    return codeset == nullptr || *codeset == '\0' || strcasecmp(codeset, "UTF-8") == 0 ||
           strcasecmp(codeset, "UTF8") == 0 || strcmp(codeset, "ANSI_X3.4-1968") == 0;
}

const char* LocaleCodeset() { return nl_langinfo(CODESET); }

class Iconv {
public:
    Iconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Iconv() {
        if (ok()) iconv_close(m_cd);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return m_cd; }

private:
    iconv_t m_cd;
};

enum class Stop { Done, Invalid, Incomplete };

// Converts as much of [in, in + left) as it can, appending to out. Stops at
// the end of the input or at a byte sequence the converter refuses.
Stop ConvertChunk(iconv_t cd, char*& in, std::size_t& left, std::string& out) {
    char buf[256];
    while (left > 0) {
        char* o = buf;
        std::size_t room = sizeof buf;
        const std::size_t r = iconv(cd, &in, &left, &o, &room);
        out.append(buf, static_cast<std::size_t>(o - buf));
        if (r != static_cast<std::size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        return errno == EINVAL ? Stop::Incomplete : Stop::Invalid;
    }
    return Stop::Done;
}

void FlushShiftState(iconv_t cd, std::string& out) {
    char buf[16];
    char* o = buf;
    std::size_t room = sizeof buf;
    iconv(cd, nullptr, nullptr, &o, &room);
    out.append(buf, static_cast<std::size_t>(o - buf));
}

}  // namespace

std::u16string NarrowToWide(const std::string& in, const char* codeset) {
    if (IsUtf8Codeset(codeset)) return Utf8ToWide(in);
    Iconv cv("UTF-8", codeset);
    if (!cv.ok()) return Utf8ToWide(in);

    std::string utf8;
    std::string copy = in;  // iconv takes a non-const input pointer
    char* p = copy.data();
    std::size_t left = copy.size();
    for (;;) {
        const Stop stop = ConvertChunk(cv.get(), p, left, utf8);
        if (stop == Stop::Done) break;
        utf8 += kUtf8Replacement;
        if (stop == Stop::Incomplete) break;  // cut at the end: one replacement
        ++p;
        --left;
    }
    return Utf8ToWide(utf8);
}

std::string WideToNarrow(const std::u16string& in, const char* codeset) {
    std::string utf8 = WideToUtf8(in);
    if (IsUtf8Codeset(codeset)) return utf8;
    Iconv cv(codeset, "UTF-8");
    if (!cv.ok()) return utf8;

    std::string out;
    char* p = utf8.data();
    std::size_t left = utf8.size();
    for (;;) {
        const Stop stop = ConvertChunk(cv.get(), p, left, out);
        if (stop != Stop::Invalid) break;
        // A character the narrow set cannot hold; the UTF-8 is well formed.
        out += '?';
        const std::size_t skip = std::min(left, Utf8SequenceLength(static_cast<unsigned char>(*p)));
        p += skip;
        left -= skip;
    }
    FlushShiftState(cv.get(), out);
    return out;
}

int AnsiToWide(const std::string& in, std::u16string& out) {
    out = NarrowToWide(in, LocaleCodeset());
    return static_cast<int>(out.size());
}

std::string WideToAnsi(const std::u16string& in) { return WideToNarrow(in, LocaleCodeset()); }

std::string WideToAnsiStd(const std::u16string& in) { return WideToAnsi(in); }

// wcwidth follows LC_CTYPE; a UTF-8 one is used whatever the user's locale.
int TerminalColumns(char32_t cp) {
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    if (!utf8) {
        return 1;
    }
    const locale_t previous = uselocale(utf8);
    const int w = wcwidth(static_cast<wchar_t>(cp));
    uselocale(previous);
    return w < 0 ? 1 : w;
}
