#include "link/at_protocol.h"
#include "link/text_conv.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <vector>

using namespace std::string_literals;

namespace {

using ParserFn = lv2xx_reply (*)(std::vector<char>&, lv2xx_atcmd);

lv2xx_reply Feed(ParserFn parser, const std::string& line) {
    std::vector<char> v(line.begin(), line.end());
    return parser(v, ATCMD_AT);
}

// Device bytes in failure messages: CR, LF and other control bytes made visible.
std::string Show(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c == '\r') {
            out += "<CR>";
        } else if (c == '\n') {
            out += "<LF>";
        } else if (c < 0x20 || c >= 0x7F) {
            char b[8];
            std::snprintf(b, sizeof b, "\\x%02X", c);
            out += b;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

template <typename Record>
Record PayloadAs(const lv2xx_reply& r) {
    Record rec;
    EXPECT_EQ(ReplyPayloadLength(r.get()), sizeof(Record));
    std::memcpy(&rec, ReplyPayload(r.get()), sizeof(Record));
    return rec;
}

// A text field: its text, then nothing but zeros to the end of the field.
void ExpectField(const char* field, std::size_t size, const std::string& text) {
    ASSERT_LT(text.size(), size);
    EXPECT_EQ(std::string(field, text.size()), text);
    for (std::size_t i = text.size(); i < size; ++i) ASSERT_EQ(field[i], 0) << "byte " << i;
}

const std::string kName63(63, 'n');
const std::string kName64(64, 'n');
const std::string kHangul3Utf8 = "\xED\x95\x9C\xEA\xB8\x80\xEB\xA1\x9C";
const std::string kHex52 = std::string(26, 'A') + std::string(26, 'f');

}  // namespace

// ---- Records and commands ---------------------------------------------------

TEST(Reply, MakeReplyZeroFillsItsPayload) {
    const lv2xx_reply r = MakeReply(ATRES_INFO, kInfoPayload);
    EXPECT_EQ(ReplyCode(r.get()), ATRES_INFO);
    EXPECT_EQ(ReplyPayloadLength(r.get()), kInfoPayload);
    for (std::size_t i = 0; i < kInfoPayload; ++i) ASSERT_EQ(ReplyPayload(r.get())[i], 0);
    EXPECT_EQ(ReplyPayloadLength(MakeReply(ATRES_TIMEOUT).get()), 0);
}

TEST(FormatCommand, FormatsIntoAZeroFilledBuffer) {
    char buf[kCommandBufferSize];
    std::memset(buf, 'X', sizeof buf);
    const unsigned n = FormatCommand(buf, atcmd::kSetSlotTag, 3u, "001A2B3C4D5E", "TAG");
    EXPECT_EQ(std::string(buf, n), "AT+SETSLOT=3,001A2B3C4D5E,TAG\r");
    for (std::size_t i = n; i < sizeof buf; ++i) ASSERT_EQ(buf[i], 0) << "byte " << i;

    EXPECT_EQ(std::string(buf, FormatCommand(buf, atcmd::kUartOptSet, 1u, 'E', 2u)), "AT+UARTOPT=1,E,2\r");
    EXPECT_EQ(std::string(buf, FormatCommand(buf, atcmd::kAdvIntervalSet, 2560u)), "AT+ADVINTERVAL=2560\r");
}

TEST(FormatCommand, CutsAt127CharactersAndReturnsWhatIsInTheBuffer) {
    char buf[kCommandBufferSize];
    const std::string name(200, 'x');
    const unsigned n = FormatCommand(buf, atcmd::kManufSet, name.c_str());
    EXPECT_EQ(n, 127u);
    EXPECT_EQ(std::strlen(buf), 127u);
    EXPECT_EQ(buf[127], 0);
}

TEST(HasControlChars, FlagsBytesThatWouldSplitACommand) {
    for (const std::string& s : {"a\rb"s, "\n"s, "\t"s, "x\x1F"s, "\x7F"s, "a\0b"s}) {
        EXPECT_TRUE(HasControlChars(s)) << Show(s);
    }
    for (const std::string& s : {""s, "Sensor 1"s, " ~"s, kHangul3Utf8}) {
        EXPECT_FALSE(HasControlChars(s)) << Show(s);
    }
}

// ---- Parsers ----------------------------------------------------------------

TEST(Parsers, CodeOnlyReplies) {
    struct Case {
        ParserFn parser;
        std::string line;
        lv2xx_atres code;
    };
    const std::vector<Case> cases = {
        {ParseOkLine, "OK\r", ATRES_OK},
        {ParseOkLine, "+OK\r", ATRES_OK},
        {ParseOkLine, "\r\nOK\r\n", ATRES_OK},
        {ParseOkLine, "\r\nOK\r\n\r", ATRES_OK},
        {ParseOkLine, "+OK\n", ATRES_NO_MATCH},
        {ParseOkLine, "+OK", ATRES_NO_MATCH},
        {ParseOkLine, "OKAY\r", ATRES_NO_MATCH},
        {ParseOkLine, "\r\nOK\r", ATRES_NO_MATCH},
        {ParseOkLine, "+ERROR\r", ATRES_NO_MATCH},
        {ParseErrorLine, "+ERROR\r", ATRES_ERROR},
        {ParseErrorLine, "ERROR\r", ATRES_ERROR},
        {ParseErrorLine, "+ERROR", ATRES_NO_MATCH},
        {ParseErrorLine, "\r\n+ERROR\r\n", ATRES_NO_MATCH},
        {ParseErrorLine, "OK\r", ATRES_NO_MATCH},
        {ParseReadyLine, "+READY\r", ATRES_READY},
        {ParseReadyLine, "\r\n+READY\r\n", ATRES_READY},
        {ParseReadyLine, "READY\r", ATRES_NO_MATCH},
        {ParseReadyLine, "\r\n+READY\r", ATRES_NO_MATCH},
        {ParseScanningLine, "+SCANNING\r", ATRES_SCANNING},
        {ParseScanningLine, "\r\n+SCANNING\r\n", ATRES_NO_MATCH},
        {ParseScanningLine, "+SCANNING\r\r", ATRES_NO_MATCH},
        {ParseScanningLine, "+SCANNING", ATRES_NO_MATCH},
        {ParseStoppedLine, "+STOPPED\r", ATRES_STOPPED},
        {ParseStoppedLine, "\r\n+STOPPED\r\n", ATRES_NO_MATCH},
        {ParseStoppedLine, "+STOPPED", ATRES_NO_MATCH},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Show(c.line));
        const lv2xx_reply r = Feed(c.parser, c.line);
        EXPECT_EQ(ReplyCode(r.get()), c.code);
        EXPECT_EQ(ReplyPayloadLength(r.get()), 0);
    }
}

TEST(Parsers, ScanReport) {
    struct Case {
        std::string line;
        lv2xx_atres code;
        std::string address = {};
        int rssi = 0;
        std::string name = {};
    };
    const std::vector<Case> cases = {
        {"+001A2B3C4D5E,-45,Sensor\r", ATRES_SCAN_REPORT, "001A2B3C4D5E", -45, "Sensor"},
        {"+001a2b3c4d5e,0,x\r", ATRES_SCAN_REPORT, "001A2B3C4D5E", 0, "x"},
        {"+001A2B3C4D5E,-70,a,b,c\r", ATRES_SCAN_REPORT, "001A2B3C4D5E", -70, "a,b,c"},
        {"+001A2B3C4D5E,-1,\r", ATRES_SCAN_REPORT, "001A2B3C4D5E", -1, ""},
        {"+001A2B3C4D5E,-99," + kHangul3Utf8 + "\r", ATRES_SCAN_REPORT, "001A2B3C4D5E", -99, kHangul3Utf8},
        {"+001A2B3C4D5E,-45," + kName63 + "\r", ATRES_SCAN_REPORT, "001A2B3C4D5E", -45, kName63},
        {"+001A2B3C4D5E,-45," + kName64 + "\r", ATRES_NO_MATCH},
        {"001A2B3C4D5E,-45,Sensor\r", ATRES_NO_MATCH},
        {"+001A2B3C4D5,-45,Sensor\r", ATRES_NO_MATCH},
        {"+001A2B3C4D5E0,-45,Sensor\r", ATRES_NO_MATCH},
        {"+001A2B3C4D5G,-45,Sensor\r", ATRES_NO_MATCH},
        {"+001A2B3C4D5E,-45\r", ATRES_NO_MATCH},
        {"+001A2B3C4D5E,-45,Sensor", ATRES_NO_MATCH},
        {"\r\n+001A2B3C4D5E,-45,Sensor\r\n", ATRES_NO_MATCH},
        {"+OK\r", ATRES_NO_MATCH},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Show(c.line));
        const lv2xx_reply r = Feed(ParseScanReportLine, c.line);
        ASSERT_EQ(ReplyCode(r.get()), c.code);
        if (c.code != ATRES_SCAN_REPORT) {
            EXPECT_EQ(ReplyPayloadLength(r.get()), 0);
            continue;
        }
        const auto rep = PayloadAs<lv2xx_scan_report>(r);
        EXPECT_EQ(AddressToHex(rep.address), c.address);
        EXPECT_EQ(rep.rssi, c.rssi);
        ExpectField(rep.name, sizeof rep.name, c.name);
    }
}

TEST(Parsers, VersionAndModelTexts) {
    struct Case {
        ParserFn parser;
        std::string line;
        lv2xx_atres code;
        std::string text = {};
    };
    const std::string long_text = "v" + std::string(80, '1');
    const std::vector<Case> cases = {
        {ParseVersionLine, "v1.2.3\r", ATRES_VERSION, "v1.2.3"},
        {ParseVersionLine, long_text + "\r", ATRES_VERSION, long_text.substr(0, 63)},
        {ParseVersionLine, "V1.2\r", ATRES_NO_MATCH},
        {ParseVersionLine, "1.2\r", ATRES_NO_MATCH},
        {ParseVersionLine, "+ERROR\r", ATRES_NO_MATCH},
        {ParseVersionLine, "\r\nv1.2\r\n", ATRES_NO_MATCH},
        {ParseVersionLine, "v1.2", ATRES_NO_MATCH},
        {ParseModelLine, "LV230\r", ATRES_MODEL, "LV230"},
        // Fixed status replies are never a model name, plain or framed.
        {ParseModelLine, "+ERROR\r", ATRES_NO_MATCH},
        {ParseModelLine, "OK\r", ATRES_NO_MATCH},
        {ParseModelLine, "\r\nOK\r\n", ATRES_NO_MATCH},
        {ParseModelLine, "+STOPPED\r", ATRES_NO_MATCH},
        {ParseModelLine, "+READY\r", ATRES_NO_MATCH},
        {ParseModelLine, "OKAY\r", ATRES_MODEL, "OKAY"},
        {ParseModelLine, "\r\nLV200\r\n", ATRES_MODEL, ""},
        {ParseModelLine, long_text + "\r", ATRES_MODEL, long_text.substr(0, 63)},
        {ParseModelLine, "LV200", ATRES_NO_MATCH},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Show(c.line));
        const lv2xx_reply r = Feed(c.parser, c.line);
        ASSERT_EQ(ReplyCode(r.get()), c.code);
        if (c.code == ATRES_NO_MATCH) continue;
        ASSERT_EQ(ReplyPayloadLength(r.get()), 64);
        ExpectField(reinterpret_cast<const char*>(ReplyPayload(r.get())), 64, c.text);
    }
}

TEST(Parsers, Info) {
    struct Case {
        std::string line;
        lv2xx_atres code;
        std::string address = {}, name = {}, extra = {}, state = {};
    };
    const std::string addr = "00:1A:2B:3C:4D:5E";
    const std::vector<Case> cases = {
        {addr + ",KESTOV,x1,READY\r", ATRES_INFO, "001A2B3C4D5E", "KESTOV", "x1", "READY"},
        {"00-1a-2b-3c-4d-5e,N,E,SCANNING\r", ATRES_INFO, "001A2B3C4D5E", "N", "E", "SCANNING"},
        {"00 1A 2B 3C 4D 5E,N,E,S\r", ATRES_INFO, "001A2B3C4D5E", "N", "E", "S"},
        {" " + addr + "\t,N,E,S\r", ATRES_INFO, "001A2B3C4D5E", "N", "E", "S"},
        {"\r\n" + addr + ",N,E,SCANNING\r\n", ATRES_INFO, "001A2B3C4D5E", "N", "E", "SCANNING"},
        {addr + ",,,\r", ATRES_INFO, "001A2B3C4D5E", "", "", ""},
        {addr + "," + kName63 + "," + kName63 + "," + kName63 + "\r", ATRES_INFO, "001A2B3C4D5E", kName63, kName63,
         kName63},
        {addr + "," + kName64 + ",E,S\r", ATRES_NO_MATCH},
        {addr + ",N," + kName64 + ",S\r", ATRES_NO_MATCH},
        {addr + ",N,E," + kName64 + "\r", ATRES_NO_MATCH},
        {"001A2B3C4D5E,N,E,S\r", ATRES_NO_MATCH},
        {"0G:1A:2B:3C:4D:5E,N,E,S\r", ATRES_NO_MATCH},
        {"00:1A:2B:3C:4D:5E:,N,E,S\r", ATRES_NO_MATCH},
        {addr + ",N,E\r", ATRES_NO_MATCH},
        {addr + ",N,E,S", ATRES_NO_MATCH},
        {"+ERROR\r", ATRES_NO_MATCH},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Show(c.line));
        const lv2xx_reply r = Feed(ParseInfoLine, c.line);
        ASSERT_EQ(ReplyCode(r.get()), c.code);
        if (c.code != ATRES_INFO) continue;
        const auto info = PayloadAs<lv2xx_device_info>(r);
        EXPECT_EQ(AddressToHex(info.address), c.address);
        ExpectField(info.name, sizeof info.name, c.name);
        ExpectField(info.extra, sizeof info.extra, c.extra);
        ExpectField(info.state, sizeof info.state, c.state);
    }
}

TEST(Parsers, Slot) {
    struct Case {
        std::string line;
        lv2xx_atres code;
        int slot = 0;
        std::string address = {}, tag = {};
    };
    const std::string addr = "001A2B3C4D5E";
    const std::vector<Case> cases = {
        {"+SLOT,1," + addr + "\r", ATRES_SLOT, 1, addr, ""},
        {"+SLOT,0," + addr + "\r", ATRES_SLOT, 0, addr, ""},
        {"+SLOT,8,001a2b3c4d5e,TAG\r", ATRES_SLOT, 8, addr, "TAG"},
        {"+SLOT,3," + addr + ",12345678\r", ATRES_SLOT, 3, addr, "12345678"},
        {"+SLOT,3," + addr + ",\r", ATRES_SLOT, 3, addr, ""},
        {"+SLOT,3," + addr + ",a,b\r", ATRES_SLOT, 3, addr, "a,b"},
        {"+SLOT,3," + addr + ",123456789\r", ATRES_NO_MATCH},
        {"+SLOT,3," + addr + "," + kHangul3Utf8 + "\r", ATRES_NO_MATCH},
        {"+SLOT,9," + addr + "\r", ATRES_NO_MATCH},
        {"+SLOT,3,001A2B3C4D5\r", ATRES_NO_MATCH},
        {"+SLOT,3,001A2B3C4D5E0\r", ATRES_NO_MATCH},
        {"+SLOT,3,00:1A:2B:3C:4D:5E\r", ATRES_NO_MATCH},
        {"SLOT,1," + addr + "\r", ATRES_NO_MATCH},
        {"+SLOTS,1," + addr + "\r", ATRES_NO_MATCH},
        {"+SLOT,1\r", ATRES_NO_MATCH},
        {"+SLOT,1," + addr, ATRES_NO_MATCH},
        {"+SLOT,1," + addr + ",TAG", ATRES_NO_MATCH},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Show(c.line));
        const lv2xx_reply r = Feed(ParseSlotLine, c.line);
        ASSERT_EQ(ReplyCode(r.get()), c.code);
        if (c.code != ATRES_SLOT) continue;
        const auto slot = PayloadAs<lv2xx_slot_info>(r);
        EXPECT_EQ(slot.slot, c.slot);
        EXPECT_EQ(AddressToHex(slot.address), c.address);
        ExpectField(slot.tag, sizeof slot.tag, c.tag);
    }
}

TEST(Parsers, OnOff) {
    struct Case {
        std::string line;
        lv2xx_atres code;
        int on = 0;
    };
    const std::vector<Case> cases = {
        {"ON\r", ATRES_ON_OFF, 1},    {"OFF\r", ATRES_ON_OFF, 0},     {"on\r", ATRES_NO_MATCH},
        {"ONX\r", ATRES_NO_MATCH},    {"\r\nON\r\n", ATRES_NO_MATCH}, {"ON", ATRES_NO_MATCH},
        {"+ERROR\r", ATRES_NO_MATCH},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Show(c.line));
        const lv2xx_reply r = Feed(ParseOnOffLine, c.line);
        ASSERT_EQ(ReplyCode(r.get()), c.code);
        if (c.code == ATRES_ON_OFF) {
            EXPECT_EQ(PayloadAs<uint8_t>(r), c.on);
        }
    }
}

TEST(Parsers, BeaconKeepsHexAsText) {
    struct Case {
        std::string line;
        lv2xx_atres code;
        std::string data = {};
    };
    const std::vector<Case> cases = {
        {"+BEACON,0102AbCd\r", ATRES_BEACON_DATA, "0102AbCd"},
        {"+BEACON,\r", ATRES_BEACON_DATA, ""},
        {"+BEACON," + kHex52 + "\r", ATRES_BEACON_DATA, kHex52},
        {"+BEACON," + kHex52 + "0\r", ATRES_NO_MATCH},
        {"+BEACON,01 02\r", ATRES_NO_MATCH},
        {"+BEACON,0G\r", ATRES_NO_MATCH},
        {"+BEACON\r", ATRES_NO_MATCH},
        {"+BEACONS,01\r", ATRES_NO_MATCH},
        {"+BEACON,01", ATRES_NO_MATCH},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Show(c.line));
        const lv2xx_reply r = Feed(ParseBeaconLine, c.line);
        ASSERT_EQ(ReplyCode(r.get()), c.code);
        if (c.code != ATRES_BEACON_DATA) continue;
        ASSERT_EQ(ReplyPayloadLength(r.get()), kBeaconPayload);
        ExpectField(reinterpret_cast<const char*>(ReplyPayload(r.get())), kBeaconPayload, c.data);
    }
}

TEST(Parsers, AdvInterval) {
    struct Case {
        std::string line;
        lv2xx_atres code;
        unsigned ms = 0;
    };
    const std::vector<Case> cases = {
        {"100\r", ATRES_ADV_INTERVAL, 100},
        {"2560\r", ATRES_ADV_INTERVAL, 2560},
        {"65535\r", ATRES_ADV_INTERVAL, 65535},
        // Checked as hex, read as decimal: the number ends at the first letter.
        {"1a\r", ATRES_ADV_INTERVAL, 1},
        // A framed reply has an empty text.
        {"\r\n100\r\n", ATRES_ADV_INTERVAL, 0},
        {"-5\r", ATRES_NO_MATCH},
        {"100 \r", ATRES_NO_MATCH},
        {"+ERROR\r", ATRES_NO_MATCH},
        {"100", ATRES_NO_MATCH},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Show(c.line));
        const lv2xx_reply r = Feed(ParseAdvIntervalLine, c.line);
        ASSERT_EQ(ReplyCode(r.get()), c.code);
        if (c.code == ATRES_ADV_INTERVAL) {
            EXPECT_EQ(PayloadAs<uint16_t>(r), c.ms);
        }
    }
}

TEST(Parsers, UartOptions) {
    struct Case {
        std::string line;
        lv2xx_atres code;
        char parity = 0;
        int stop_bits = 0, flow = 0;
    };
    const std::vector<Case> cases = {
        {"+UARTOPT,0,N,1\r", ATRES_UART_OPTIONS, 'N', 1, 0},
        {"+UARTOPT,1,E,2\r", ATRES_UART_OPTIONS, 'E', 2, 1},
        {"+UARTOPT,1,O,1\r", ATRES_UART_OPTIONS, 'O', 1, 1},
        {"+UARTOPT,0,n,1\r", ATRES_NO_MATCH},
        {"+UARTOPT,0,NN,1\r", ATRES_NO_MATCH},
        {"+UARTOPT,2,N,1\r", ATRES_NO_MATCH},
        {"+UARTOPT,0,N,0\r", ATRES_NO_MATCH},
        {"+UARTOPT,0,N,3\r", ATRES_NO_MATCH},
        {"+UARTOPT,0,N\r", ATRES_NO_MATCH},
        {"+UARTOPT,0,N,1", ATRES_NO_MATCH},
        {"+UARTOPTS,0,N,1\r", ATRES_NO_MATCH},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Show(c.line));
        const lv2xx_reply r = Feed(ParseUartOptionsLine, c.line);
        ASSERT_EQ(ReplyCode(r.get()), c.code);
        if (c.code != ATRES_UART_OPTIONS) continue;
        const auto opt = PayloadAs<lv2xx_uart_options>(r);
        EXPECT_EQ(opt.parity, c.parity);
        EXPECT_EQ(opt.stop_bits, c.stop_bits);
        EXPECT_EQ(opt.flow_control, c.flow);
    }
}

// A number register's answer: its own name, a colon and decimal digits; the
// answer of another register, or of another form, is not it.
TEST(Parsers, NumberRegister) {
    struct Case {
        std::string line;
        int32_t code;
        int32_t value;
    };
    const Case cases[] = {
        {"+LEVEL:7\r", ATRES_NUMBER, 7},
        {"+LEVEL:0\r", ATRES_NUMBER, 0},
        {"+LEVEL:123456789\r", ATRES_NUMBER, 123456789},
        {"+LEVEL:1234567890\r", ATRES_NO_MATCH, 0},  // ten digits
        {"+LEVEL:\r", ATRES_NO_MATCH, 0},
        {"+LEVEL:-1\r", ATRES_NO_MATCH, 0},
        {"+LEVEL:7x\r", ATRES_NO_MATCH, 0},
        {"+LEVEL:7", ATRES_NO_MATCH, 0},  // no CR yet
        {"+LEVEL,7\r", ATRES_NO_MATCH, 0},
        {"+LEVELS:7\r", ATRES_NO_MATCH, 0},
        {"+OTHER:7\r", ATRES_NO_MATCH, 0},
        {"LEVEL:7\r", ATRES_NO_MATCH, 0},
        {"7\r", ATRES_NO_MATCH, 0},
        {"+ERROR\r", ATRES_NO_MATCH, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Show(c.line));
        std::vector<char> v(c.line.begin(), c.line.end());
        const lv2xx_reply r = ParseNumberLine(v, "LEVEL");
        ASSERT_TRUE(r);
        ASSERT_EQ(ReplyCode(r.get()), c.code);
        if (c.code == ATRES_NUMBER) {
            ASSERT_EQ(ReplyPayloadLength(r.get()), kNumberPayload);
            lv2xx_number n{};
            std::memcpy(&n, ReplyPayload(r.get()), sizeof n);
            EXPECT_EQ(n.value, c.value);
        } else {
            EXPECT_EQ(ReplyPayloadLength(r.get()), 0u);
        }
    }
}

// Malformed and truncated lines of every kind: each parser returns a record
// whose payload length belongs to its code, and never reads past the line.
TEST(Parsers, EveryPrefixOfEveryLineGivesAWellFormedRecord) {
    const std::map<int32_t, uint16_t> payload = {
        {ATRES_NO_MATCH, 0},
        {ATRES_OK, 0},
        {ATRES_ERROR, 0},
        {ATRES_READY, 0},
        {ATRES_SCANNING, 0},
        {ATRES_STOPPED, 0},
        {ATRES_SCAN_REPORT, kScanReportPayload},
        {ATRES_VERSION, kVersionPayload},
        {ATRES_MODEL, kModelPayload},
        {ATRES_INFO, kInfoPayload},
        {ATRES_SLOT, kSlotPayload},
        {ATRES_ON_OFF, kOnOffPayload},
        {ATRES_BEACON_DATA, kBeaconPayload},
        {ATRES_ADV_INTERVAL, kAdvIntervalPayload},
        {ATRES_UART_OPTIONS, kUartOptionsPayload},
    };
    const ParserFn parsers[] = {
        ParseOkLine,         ParseErrorLine,   ParseReadyLine,       ParseScanningLine,    ParseStoppedLine,
        ParseScanReportLine, ParseVersionLine, ParseModelLine,       ParseInfoLine,        ParseSlotLine,
        ParseOnOffLine,      ParseBeaconLine,  ParseAdvIntervalLine, ParseUartOptionsLine,
    };
    const std::string lines[] = {
        "\r\nOK\r\n\r",
        "\r\n+READY\r\n",
        "+001A2B3C4D5E,-45,Sen\0sor\r"s,
        "00:1A:2B:3C:4D:5E,KESTOV,x1,READY\r",
        "+SLOT,3,001A2B3C4D5E,TAG\r",
        "+BEACON,0102\r",
        "+UARTOPT,1,E,2\r",
        "v1.0\0\r"s,
        "99999999999999999999999\r",
        std::string(255, ','),
    };
    for (const auto& full : lines) {
        for (std::size_t n = 0; n <= full.size(); ++n) {
            const std::string line = full.substr(0, n);
            for (ParserFn parser : parsers) {
                const lv2xx_reply r = Feed(parser, line);
                ASSERT_TRUE(r) << Show(line);
                const auto it = payload.find(ReplyCode(r.get()));
                ASSERT_NE(it, payload.end()) << Show(line);
                ASSERT_EQ(ReplyPayloadLength(r.get()), it->second) << Show(line);
            }
        }
    }
}

// ---- Parser table -------------------------------------------------------------

namespace {

// Walks the table the way the engine does: first accepting parser wins.
int32_t ParseWith(const std::vector<lv2xx_parser_entry>& table, lv2xx_atcmd kind, const std::string& line) {
    for (const auto& entry : table) {
        if (entry.kind != kind) continue;
        for (const auto& parser : entry.parsers) {
            std::vector<char> copy(line.begin(), line.end());
            const lv2xx_reply r = parser(copy, kind);
            if (ReplyCode(r.get()) != ATRES_NO_MATCH) return ReplyCode(r.get());
        }
    }
    return ATRES_NO_MATCH;
}

}  // namespace

TEST(ParserTable, ListsEveryKindOnceInOrder) {
    const auto table = BuildParserTable();
    std::vector<int> kinds;
    for (const auto& entry : table) {
        kinds.push_back(entry.kind);
        EXPECT_FALSE(entry.parsers.empty()) << entry.kind;
    }
    std::vector<int> expected = {2, 3, 4, 5, 6, 7, 9, 10, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25};
    for (const NumberRegister& r : kNumberRegisters) {
        expected.push_back(r.query);
    }
    EXPECT_EQ(kinds, expected);
}

TEST(ParserTable, EachKindAcceptsItsRepliesAndSkipsOthers) {
    const auto table = BuildParserTable();
    struct Case {
        lv2xx_atcmd kind;
        std::string line;
        int32_t code;
    };
    std::vector<Case> cases = {
        {ATCMD_ATZ, "+READY\r", ATRES_READY},
        {ATCMD_ATZ, "ATZ\r", ATRES_NO_MATCH},  // the echo of the command
        {ATCMD_ATZ, "+ERROR\r", ATRES_NO_MATCH},
        {ATCMD_AT_F, "\r\n+READY\r\n", ATRES_READY},
        {ATCMD_STARTSCAN, "+SCANNING\r", ATRES_SCANNING},
        {ATCMD_STARTSCAN, "+ERROR\r", ATRES_ERROR},
        {ATCMD_STARTSCAN, "\r\n+SCANNING\r\n", ATRES_NO_MATCH},
        {ATCMD_STOPSCAN, "+STOPPED\r", ATRES_STOPPED},
        {ATCMD_STOPSCAN, "+001A2B3C4D5E,-45,x\r", ATRES_NO_MATCH},
        {ATCMD_STOPSCAN, "+ERROR\r", ATRES_NO_MATCH},
        {ATCMD_SCAN_REPORT, "+001A2B3C4D5E,-45,x\r", ATRES_SCAN_REPORT},
        {ATCMD_SCAN_REPORT, "+ERROR\r", ATRES_NO_MATCH},
        {ATCMD_INFO_Q, "00:1A:2B:3C:4D:5E,N,E,S\r", ATRES_INFO},
        {ATCMD_INFO_Q, "+ERROR\r", ATRES_ERROR},
        {ATCMD_VER_Q, "v2.0\r", ATRES_VERSION},
        {ATCMD_VER_Q, "+ERROR\r", ATRES_NO_MATCH},
        {ATCMD_GETSLOT, "+SLOT,3,001A2B3C4D5E\r", ATRES_SLOT},
        {ATCMD_GETSLOT, "+ERROR\r", ATRES_ERROR},
        {ATCMD_UCBEACON_Q, "OFF\r", ATRES_ON_OFF},
        {ATCMD_UCBEACON_Q, "+ERROR\r", ATRES_ERROR},
        {ATCMD_BEACON_Q, "+BEACON,0102\r", ATRES_BEACON_DATA},
        {ATCMD_BEACON_Q, "ERROR\r", ATRES_ERROR},
        {ATCMD_MODEL_Q, "LV230\r", ATRES_MODEL},
        {ATCMD_MODEL_Q, "+ERROR\r", ATRES_ERROR},
        {ATCMD_MODEL_Q, "OK\r", ATRES_NO_MATCH},
        {ATCMD_ADVINTERVAL_Q, "100\r", ATRES_ADV_INTERVAL},
        {ATCMD_ADVINTERVAL_Q, "+ERROR\r", ATRES_ERROR},
        {ATCMD_UARTOPT_Q, "+UARTOPT,0,N,1\r", ATRES_UART_OPTIONS},
        {ATCMD_UARTOPT_Q, "+ERROR\r", ATRES_ERROR},
    };
    for (const NumberRegister& r : kNumberRegisters) {
        const std::string name = r.name;
        cases.push_back({r.query, "+" + name + ":3\r", ATRES_NUMBER});
        cases.push_back({r.query, "+ERROR\r", ATRES_ERROR});
        cases.push_back({r.query, "3\r", ATRES_NO_MATCH});
        EXPECT_EQ(OneLineQueryKind("AT+" + name + "?"), r.query) << name;
    }
    for (lv2xx_atcmd kind : {ATCMD_AT, ATCMD_MANUF_SET, ATCMD_SF_SET, ATCMD_SETSLOT, ATCMD_DELSLOT, ATCMD_UCBEACON_SET,
                             ATCMD_BEACON_SET, ATCMD_ADVINTERVAL_SET, ATCMD_UARTOPT_SET}) {
        cases.push_back({kind, "OK\r", ATRES_OK});
        cases.push_back({kind, "\r\nOK\r\n", ATRES_OK});
        cases.push_back({kind, "+ERROR\r", ATRES_ERROR});
        cases.push_back({kind, "v2.0\r", ATRES_NO_MATCH});
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.kind) + " " + Show(c.line));
        EXPECT_EQ(ParseWith(table, c.kind, c.line), c.code);
    }
}
