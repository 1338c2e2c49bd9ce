#include "at_protocol.h"

#include "line_cutter.h"
#include "text_conv.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

// ---- Reply records ---------------------------------------------------------

lv2xx_reply MakeReply(lv2xx_atres code, uint16_t payload_len) {
    lv2xx_reply r(new uint8_t[kReplyHeaderSize + payload_len]());
    const int32_t c = code;
    std::memcpy(r.get(), &c, sizeof c);
    std::memcpy(r.get() + 4, &payload_len, sizeof payload_len);
    return r;
}

int32_t ReplyCode(const uint8_t* reply) {
    int32_t c;
    std::memcpy(&c, reply, sizeof c);
    return c;
}

uint16_t ReplyPayloadLength(const uint8_t* reply) {
    uint16_t n;
    std::memcpy(&n, reply + 4, sizeof n);
    return n;
}

uint8_t* ReplyPayload(uint8_t* reply) { return reply + kReplyHeaderSize; }
const uint8_t* ReplyPayload(const uint8_t* reply) { return reply + kReplyHeaderSize; }

// ---- Commands --------------------------------------------------------------

unsigned FormatCommand(char (&buf)[kCommandBufferSize], const char* fmt, ...) {
    std::memset(buf, 0, sizeof buf);
    va_list ap;
    va_start(ap, fmt);
    const int n = std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    if (n < 0) {
        std::memset(buf, 0, sizeof buf);
        return 0;
    }
    return std::min(static_cast<unsigned>(n), static_cast<unsigned>(kCommandBufferSize - 1));
}

bool HasControlChars(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b < 0x20 || b == 0x7F;
    });
}

lv2xx_atcmd OneLineQueryKind(const std::string& command) {
    static constexpr struct {
        const char* text;
        lv2xx_atcmd kind;
    } kQueries[] = {
        {atcmd::kInfoQuery, ATCMD_INFO_Q},         {atcmd::kVersionQuery, ATCMD_VER_Q},
        {atcmd::kUcBeaconQuery, ATCMD_UCBEACON_Q}, {atcmd::kBeaconQuery, ATCMD_BEACON_Q},
        {atcmd::kModelQuery, ATCMD_MODEL_Q},       {atcmd::kAdvIntervalQuery, ATCMD_ADVINTERVAL_Q},
        {atcmd::kUartOptQuery, ATCMD_UARTOPT_Q},
    };
    const auto sameNoCase = [](std::string_view a, std::string_view b) {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                   return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
               });
    };
    for (const auto& q : kQueries) {
        std::string_view text(q.text);
        text.remove_suffix(1);  // the CR
        if (sameNoCase(command, text)) return q.kind;
    }
    for (const NumberRegister& r : kNumberRegisters) {
        if (sameNoCase(command, "AT+" + std::string(r.name) + "?")) return r.query;
    }
    // AT+GETSLOT=<n>
    constexpr std::string_view kGetSlot = "AT+GETSLOT=";
    if (command.size() > kGetSlot.size() &&
        sameNoCase(std::string_view(command).substr(0, kGetSlot.size()), kGetSlot) &&
        std::all_of(command.begin() + static_cast<long>(kGetSlot.size()), command.end(),
                    [](char c) { return c >= '0' && c <= '9'; }))
        return ATCMD_GETSLOT;
    return ATCMD_AT;
}

// ---- Parsers ---------------------------------------------------------------

namespace {

using Line = std::vector<char>;
constexpr std::size_t npos = std::string_view::npos;
constexpr std::size_t kTextField = 64;  // text fields hold at most 63 bytes

std::string_view View(const Line& line) { return {line.data(), line.size()}; }

bool StartsWith(const Line& line, std::string_view prefix) { return View(line).substr(0, prefix.size()) == prefix; }

// Bytes of [begin, end) of the line.
std::string_view Span(const Line& line, std::size_t begin, std::size_t end) {
    return View(line).substr(begin, end - begin);
}

// The line up to, not including, its first CR; no CR: nothing.
bool LineText(const Line& line, std::string_view& text) {
    const std::size_t cr = View(line).find('\r');
    if (cr == npos) return false;
    text = Span(line, 0, cr);
    return true;
}

// strtol base 10 on a field; the copy keeps strtol inside the field.
long ReadDecimal(std::string_view field) {
    const std::string s(field);
    return std::strtol(s.c_str(), nullptr, 10);
}

void CopyText(char* dst, std::string_view src) { std::memcpy(dst, src.data(), src.size()); }

template <typename Record>
lv2xx_reply MakeRecordReply(lv2xx_atres code, const Record& rec) {
    static_assert(sizeof(Record) <= 0xFFFF);
    lv2xx_reply r = MakeReply(code, sizeof(Record));
    std::memcpy(ReplyPayload(r.get()), &rec, sizeof(Record));
    return r;
}

lv2xx_reply NoMatch() { return MakeReply(ATRES_NO_MATCH); }

// Text up to the first CR, at most 63 bytes, in a zero-filled 64-byte field.
lv2xx_reply TextReply(lv2xx_atres code, std::string_view text) {
    lv2xx_reply r = MakeReply(code, static_cast<uint16_t>(kTextField));
    const std::size_t n = std::min(text.size(), kTextField - 1);
    std::memcpy(ReplyPayload(r.get()), text.data(), n);
    return r;
}

}  // namespace

lv2xx_reply ParseOkLine(std::vector<char>& line, lv2xx_atcmd) {
    if (StartsWith(line, "+OK\r") || StartsWith(line, "OK\r") || StartsWith(line, "\r\nOK\r\n"))
        return MakeReply(ATRES_OK);
    return NoMatch();
}

lv2xx_reply ParseErrorLine(std::vector<char>& line, lv2xx_atcmd) {
    if (StartsWith(line, "+ERROR\r") || StartsWith(line, "ERROR\r")) return MakeReply(ATRES_ERROR);
    return NoMatch();
}

lv2xx_reply ParseReadyLine(std::vector<char>& line, lv2xx_atcmd) {
    if (StartsWith(line, "+READY\r") || StartsWith(line, "\r\n+READY\r\n")) return MakeReply(ATRES_READY);
    return NoMatch();
}

lv2xx_reply ParseScanningLine(std::vector<char>& line, lv2xx_atcmd) {
    return View(line) == "+SCANNING\r" ? MakeReply(ATRES_SCANNING) : NoMatch();
}

lv2xx_reply ParseStoppedLine(std::vector<char>& line, lv2xx_atcmd) {
    return View(line) == "+STOPPED\r" ? MakeReply(ATRES_STOPPED) : NoMatch();
}

// The form is the receive side's: a line routed as a report parses as one.
lv2xx_reply ParseScanReportLine(std::vector<char>& line, lv2xx_atcmd) {
    ScanReportFields fields;
    if (!ReadScanReport(View(line), fields)) return NoMatch();
    lv2xx_scan_report rep{};
    if (!HexToAddress(std::string(fields.address), rep.address)) return NoMatch();
    rep.rssi = static_cast<int8_t>(static_cast<uint8_t>(ReadDecimal(fields.rssi) & 0xFF));
    static_assert(sizeof rep.name > kMaxScanNameBytes);
    const std::string_view name = fields.name.substr(0, fields.name.find('\0'));  // copied as a C string
    CopyText(rep.name, name);
    return MakeRecordReply(ATRES_SCAN_REPORT, rep);
}

lv2xx_reply ParseVersionLine(std::vector<char>& line, lv2xx_atcmd) {
    std::string_view text;
    if (!LineText(line, text) || text.empty() || text[0] != 'v') return NoMatch();
    return TextReply(ATRES_VERSION, text);
}

// Takes any line but the module's fixed status replies: a late or stray OK
// is never a model name, and an error stays an error.
lv2xx_reply ParseModelLine(std::vector<char>& line, lv2xx_atcmd) {
    std::string_view text;
    if (!LineText(line, text) || IsStatusText(::LineText(View(line)))) return NoMatch();
    return TextReply(ATRES_MODEL, text);
}

// <aa:bb:cc:dd:ee:ff>,<name>,<extra>,<state>CR; any separator in the address.
lv2xx_reply ParseInfoLine(std::vector<char>& line, lv2xx_atcmd) {
    const std::string_view v = View(line);
    const std::size_t c1 = v.find(',');
    if (c1 == npos) return NoMatch();
    std::string addr(v.substr(0, c1));
    for (char& c : addr) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    TrimSpaces(addr);
    if (addr.size() != 17) return NoMatch();
    lv2xx_device_info info{};
    for (int i = 0; i < 6; ++i) {
        if (!HexPairToByte(addr.data() + 3 * i, info.address[i])) return NoMatch();
    }

    const std::size_t c2 = v.find(',', c1 + 1);
    if (c2 == npos) return NoMatch();
    const std::string_view name = Span(line, c1 + 1, c2);
    if (name.size() >= sizeof info.name) return NoMatch();

    const std::size_t c3 = v.find(',', c2 + 1);
    if (c3 == npos) return NoMatch();
    const std::string_view extra = Span(line, c2 + 1, c3);
    if (extra.size() >= sizeof info.extra) return NoMatch();

    const std::size_t cr = v.find('\r', c3 + 1);
    if (cr == npos) return NoMatch();
    const std::string_view state = Span(line, c3 + 1, cr);
    if (state.size() >= sizeof info.state) return NoMatch();

    CopyText(info.name, name);
    CopyText(info.extra, extra);
    CopyText(info.state, state);
    return MakeRecordReply(ATRES_INFO, info);
}

// +SLOT,<n>,<12 hex address>[,<tag>]CR
lv2xx_reply ParseSlotLine(std::vector<char>& line, lv2xx_atcmd) {
    constexpr std::size_t kMaxTag = 8;
    const std::string_view v = View(line);
    const std::size_t c1 = v.find(',');
    if (c1 == npos || v.substr(0, c1) != "+SLOT") return NoMatch();

    const std::size_t c2 = v.find(',', c1 + 1);
    if (c2 == npos) return NoMatch();
    lv2xx_slot_info slot{};
    slot.slot = static_cast<uint8_t>(ReadDecimal(Span(line, c1 + 1, c2)) & 0xFF);
    if (slot.slot > 8) return NoMatch();

    const std::size_t c3 = v.find(',', c2 + 1);
    std::size_t addr_end = c3;
    if (c3 == npos) {
        addr_end = v.find('\r', c2 + 1);
        if (addr_end == npos) return NoMatch();
    }
    if (!HexToAddress(std::string(Span(line, c2 + 1, addr_end)), slot.address)) return NoMatch();

    if (c3 != npos) {
        const std::size_t cr = v.find('\r', c3 + 1);
        if (cr == npos) return NoMatch();
        const std::string_view tag = Span(line, c3 + 1, cr);
        if (tag.size() > kMaxTag) return NoMatch();
        CopyText(slot.tag, tag);
    }
    return MakeRecordReply(ATRES_SLOT, slot);
}

lv2xx_reply ParseOnOffLine(std::vector<char>& line, lv2xx_atcmd) {
    std::string_view text;
    if (!LineText(line, text)) return NoMatch();
    uint8_t on;
    if (text == "ON")
        on = 1;
    else if (text == "OFF")
        on = 0;
    else
        return NoMatch();
    return MakeRecordReply(ATRES_ON_OFF, on);
}

// +BEACON,<hex text>CR; the hex stays text.
lv2xx_reply ParseBeaconLine(std::vector<char>& line, lv2xx_atcmd) {
    constexpr std::size_t kMaxHex = kBeaconPayload - 1;
    const std::string_view v = View(line);
    const std::size_t c1 = v.find(',');
    if (c1 == npos || v.substr(0, c1) != "+BEACON") return NoMatch();
    const std::size_t cr = v.find('\r');
    if (cr == npos || cr < c1) return NoMatch();
    const std::string data(Span(line, c1 + 1, cr));
    if (data.size() > kMaxHex || !IsHexText(data)) return NoMatch();
    lv2xx_reply r = MakeReply(ATRES_BEACON_DATA, kBeaconPayload);
    std::memcpy(ReplyPayload(r.get()), data.data(), data.size());
    return r;
}

// The module answers with a bare decimal number. The text is checked as hex
// but read as decimal, so reading stops at a letter.
lv2xx_reply ParseAdvIntervalLine(std::vector<char>& line, lv2xx_atcmd) {
    std::string_view text;
    if (!LineText(line, text) || !IsHexText(std::string(text))) return NoMatch();
    const auto ms = static_cast<uint16_t>(ReadDecimal(text));
    return MakeRecordReply(ATRES_ADV_INTERVAL, ms);
}

// +UARTOPT,<flow 0|1>,<parity N|O|E>,<stop bits 1|2>CR
lv2xx_reply ParseUartOptionsLine(std::vector<char>& line, lv2xx_atcmd) {
    const std::string_view v = View(line);
    const std::size_t c1 = v.find(',');
    if (c1 == npos || v.substr(0, c1) != "+UARTOPT") return NoMatch();
    const std::size_t c2 = v.find(',', c1 + 1);
    if (c2 == npos) return NoMatch();
    const std::size_t c3 = v.find(',', c2 + 1);
    if (c3 == npos) return NoMatch();
    const std::size_t cr = v.find('\r', c3 + 1);
    if (cr == npos) return NoMatch();

    const long flow = ReadDecimal(Span(line, c1 + 1, c2));
    if (flow != 0 && flow != 1) return NoMatch();
    const std::string_view parity = Span(line, c2 + 1, c3);
    if (parity != "N" && parity != "O" && parity != "E") return NoMatch();
    const long stop = ReadDecimal(Span(line, c3 + 1, cr));
    if (stop != 1 && stop != 2) return NoMatch();

    lv2xx_uart_options opt{};
    opt.parity = parity[0];
    opt.stop_bits = static_cast<uint8_t>(stop);
    opt.flow_control = static_cast<uint8_t>(flow);
    return MakeRecordReply(ATRES_UART_OPTIONS, opt);
}

lv2xx_reply ParseNumberLine(std::vector<char>& line, const char* name) {
    std::string_view text;
    if (!LineText(line, text)) return NoMatch();
    const std::string prefix = "+" + std::string(name) + ":";
    if (text.substr(0, prefix.size()) != prefix) return NoMatch();
    const std::string_view digits = text.substr(prefix.size());
    // At most nine digits: the value always fits.
    if (digits.empty() || digits.size() > 9 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return NoMatch();
    const lv2xx_number number{static_cast<int32_t>(ReadDecimal(digits))};
    return MakeRecordReply(ATRES_NUMBER, number);
}

// ---- Parser table ----------------------------------------------------------

std::vector<lv2xx_parser_entry> BuildParserTable() {
    const lv2xx_parser ok = ParseOkLine;
    const lv2xx_parser error = ParseErrorLine;
    const lv2xx_parser ready = ParseReadyLine;
    std::vector<lv2xx_parser_entry> table = {
        {ATCMD_AT, {ok, error}},
        {ATCMD_ATZ, {ready}},
        {ATCMD_AT_F, {ready}},
        {ATCMD_STARTSCAN, {ParseScanningLine, error}},
        {ATCMD_STOPSCAN, {ParseStoppedLine}},
        {ATCMD_SCAN_REPORT, {ParseScanReportLine}},
        {ATCMD_INFO_Q, {ParseInfoLine, error}},
        {ATCMD_VER_Q, {ParseVersionLine}},
        {ATCMD_MANUF_SET, {ok, error}},
        {ATCMD_SF_SET, {ok, error}},
        {ATCMD_SETSLOT, {ok, error}},
        {ATCMD_DELSLOT, {ok, error}},
        {ATCMD_GETSLOT, {ParseSlotLine, error}},
        {ATCMD_UCBEACON_Q, {ParseOnOffLine, error}},
        {ATCMD_UCBEACON_SET, {ok, error}},
        {ATCMD_BEACON_Q, {ParseBeaconLine, error}},
        {ATCMD_BEACON_SET, {ok, error}},
        {ATCMD_MODEL_Q, {ParseModelLine, error}},
        {ATCMD_ADVINTERVAL_Q, {ParseAdvIntervalLine, error}},
        {ATCMD_ADVINTERVAL_SET, {ok, error}},
        {ATCMD_UARTOPT_Q, {ParseUartOptionsLine, error}},
        {ATCMD_UARTOPT_SET, {ok, error}},
    };
    for (const NumberRegister& r : kNumberRegisters) {
        const char* name = r.name;
        table.push_back(
            {r.query, {[name](std::vector<char>& line, lv2xx_atcmd) { return ParseNumberLine(line, name); }, error}});
    }
    return table;
}
