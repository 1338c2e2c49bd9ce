#include "link/text_conv.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

std::string Hex(const std::string& bytes) {
    std::string out;
    char b[4];
    for (unsigned char c : bytes) {
        std::snprintf(b, sizeof b, "%02X ", c);
        out += b;
    }
    return out;
}

std::string Hex(const std::u16string& text) {
    std::string out;
    char b[8];
    for (char16_t c : text) {
        std::snprintf(b, sizeof b, "%04X ", static_cast<unsigned>(c));
        out += b;
    }
    return out;
}

const std::u16string kHangul3 = u"\uD55C\uAE00\uB85C";  // three syllables
const std::string kHangul3Utf8 = "\xED\x95\x9C\xEA\xB8\x80\xEB\xA1\x9C";
const std::u16string kFffd = u"\uFFFD";

}  // namespace

TEST(Utf8ToWide, DecodesAndReplacesEachMaximalSubpart) {
    struct Case {
        std::string in;
        std::u16string out;
    };
    const std::vector<Case> cases = {
        {"", u""},
        {"LV200", u"LV200"},
        {kHangul3Utf8, kHangul3},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
        {"a\0b"s, u"a\0b"s},
        // Cut in the middle of a character: one replacement at the end.
        {"AB\xED\x95", u"AB" + kFffd},
        {"\xF0\x9F\x98", kFffd},
        {"\xE2\x82"
         "A",
         kFffd + u"A"},
        // Bytes that never start a character, overlongs, surrogates, > U+10FFFF.
        {"\x80\xBF", kFffd + kFffd},
        {"\xFF", kFffd},
        {"\xC0\xAF", kFffd + kFffd},
        {"\xE0\x80\xAF", kFffd + kFffd + kFffd},
        {"\xED\xA0\x80", kFffd + kFffd + kFffd},
        {"\xF4\x90\x80\x80", kFffd + kFffd + kFffd + kFffd},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Hex(c.in));
        EXPECT_EQ(Hex(Utf8ToWide(c.in)), Hex(c.out));
        EXPECT_EQ(Hex(Utf8ToWideStd(c.in.c_str())), Hex(Utf8ToWide(c.in.c_str())));
    }
}

TEST(WideToUtf8, EncodesAndReplacesUnpairedSurrogates) {
    const std::u16string lone_high(1, char16_t(0xD800));
    const std::u16string lone_low(1, char16_t(0xDC00));
    struct Case {
        std::u16string in;
        std::string out;
    };
    const std::vector<Case> cases = {
        {u"", ""},
        {u"AT", "AT"},
        {kHangul3, kHangul3Utf8},  // 9 bytes: longer than a slot tag may be
        {u"\U0001F600", "\xF0\x9F\x98\x80"},
        {lone_high, "\xEF\xBF\xBD"},
        {lone_low + u"A",
         "\xEF\xBF\xBD"
         "A"},
        {lone_high + u"A",
         "\xEF\xBF\xBD"
         "A"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Hex(c.in));
        EXPECT_EQ(Hex(WideToUtf8(c.in)), Hex(c.out));
        EXPECT_EQ(WideToUtf8Std(c.in.c_str()), WideToUtf8(c.in));
    }
    EXPECT_EQ(WideToUtf8(kHangul3).size(), 9u);
    EXPECT_EQ(Utf8ToWide(WideToUtf8(kHangul3 + u"\U0001F600x")), kHangul3 + u"\U0001F600x");
}

TEST(Utf8ToWide, NullInputsGiveEmptyText) {
    EXPECT_TRUE(Utf8ToWideStd(nullptr).empty());
    EXPECT_TRUE(WideToUtf8Std(nullptr).empty());
}

TEST(NarrowText, ConvertsThroughTheNamedCharacterSet) {
    EXPECT_EQ(NarrowToWide("caf\xE9", "ISO-8859-1"), u"caf\u00E9");
    EXPECT_EQ(NarrowToWide("\xC7\xD1", "EUC-KR"), u"\uD55C");
    EXPECT_EQ(WideToNarrow(u"\uD55C", "EUC-KR"), "\xC7\xD1");
    EXPECT_EQ(WideToNarrow(u"caf\u00E9", "ISO-8859-1"), "caf\xE9");
}

TEST(NarrowText, SubstitutesWhatCannotBeConverted) {
    // Characters the set cannot hold become one '?' each, pairs included.
    EXPECT_EQ(WideToNarrow(u"a" + kHangul3 + u"\U0001F600b", "ISO-8859-1"), "a????b");
    // Bytes the set does not define, and a character cut at the end.
    EXPECT_EQ(Hex(NarrowToWide("\xC7", "EUC-KR")), Hex(kFffd));
    EXPECT_EQ(Hex(NarrowToWide("\xC7\xD1\xFF"
                               "A",
                               "EUC-KR")),
              Hex(u"\uD55C" + kFffd + u"A"));
}

TEST(NarrowText, AsciiEmptyAndUnknownSetsMeanUtf8) {
    for (const char* set : {"ANSI_X3.4-1968", "UTF-8", "", "NO-SUCH-CHARSET"}) {
        SCOPED_TRACE(set);
        EXPECT_EQ(NarrowToWide(kHangul3Utf8 + "\xFF", set), kHangul3 + kFffd);
        EXPECT_EQ(WideToNarrow(kHangul3, set), kHangul3Utf8);
    }
    EXPECT_EQ(NarrowToWide("x", nullptr), u"x");
}

TEST(AnsiText, FollowsTheProgramLocale) {
    // A program that never called setlocale runs in "C": taken as UTF-8.
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "C"), nullptr);
    std::u16string wide;
    EXPECT_EQ(AnsiToWide("COM3 " + kHangul3Utf8, wide), 8);
    EXPECT_EQ(wide, u"COM3 " + kHangul3);
    EXPECT_EQ(WideToAnsi(wide), "COM3 " + kHangul3Utf8);
    EXPECT_EQ(WideToAnsiStd(u"/dev/ttyUSB0"), "/dev/ttyUSB0");
    if (std::setlocale(LC_ALL, "C.UTF-8") != nullptr) {
        EXPECT_EQ(AnsiToWide("\xED\x95", wide), 1);
        EXPECT_EQ(Hex(wide), Hex(kFffd));
    }
    std::setlocale(LC_ALL, saved.c_str());
}

TEST(Hex, PairToByte) {
    struct Case {
        const char* two;
        bool ok;
        uint8_t out;
    };
    const Case cases[] = {
        {"00", true, 0x00},  {"fF", true, 0xFF},  {"a5", true, 0xA5},  {"9A", true, 0x9A},
        {"G0", false, 0x00}, {"g0", false, 0x00}, {"0:", false, 0x00}, {" 1", false, 0x00},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.two);
        uint8_t out = 0x77;
        EXPECT_EQ(HexPairToByte(c.two, out), c.ok);
        EXPECT_EQ(out, c.out);
    }
}

TEST(Hex, AddressRoundTrip) {
    uint8_t addr[6];
    ASSERT_TRUE(HexToAddress("001a2B3c4D5e", addr));
    const uint8_t expected[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    EXPECT_EQ(0, std::memcmp(addr, expected, 6));
    EXPECT_EQ(AddressToHex(addr), "001A2B3C4D5E");
    std::string out = "old";
    AddressToHex(expected, out);
    EXPECT_EQ(out, "001A2B3C4D5E");
}

TEST(Hex, AddressRejectsWrongLengthAndNonHex) {
    for (const char* text : {"001A2B3C4D5", "001A2B3C4D5E6", "", "001A2B3C4D5G", "G01A2B3C4D5E", "00:1A:2B:3C:4"}) {
        SCOPED_TRACE(text);
        uint8_t addr[6] = {1, 2, 3, 4, 5, 6};
        EXPECT_FALSE(HexToAddress(text, addr));
    }
    // Wrong length leaves the output alone.
    uint8_t addr[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_FALSE(HexToAddress("0011223344", addr));
    EXPECT_EQ(addr[0], 1);
    EXPECT_EQ(addr[5], 6);
}

TEST(Hex, IsHexText) {
    EXPECT_TRUE(IsHexText(""));
    EXPECT_TRUE(IsHexText("0123456789abcdefABCDEF"));
    EXPECT_FALSE(IsHexText("01 02"));
    EXPECT_FALSE(IsHexText("0g"));
    EXPECT_FALSE(IsHexText("-5"));
    EXPECT_FALSE(IsHexText("\xE9"));
    EXPECT_FALSE(IsHexText("01\0"s));
}

TEST(TrimSpaces, StripsBothEndsOnly) {
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"00:1A:2B:3C:4D:5E\r\n", "00:1A:2B:3C:4D:5E"},
        {" \t\v\f\r\nA B\t \r", "A B"},
        {"\r\n", ""},
        {"", ""},
        {"x", "x"},
    };
    for (auto c : cases) {
        SCOPED_TRACE(Hex(c.in));
        TrimSpaces(c.in);
        EXPECT_EQ(c.in, c.out);
    }
}
