// Wire protocol of the KESTOV LV2xx modules: command formats, transaction
// kinds, result codes, reply records and the reply-line parsers.
#pragma once

#include "link/module_limits.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Transaction kind: selects the parsers that may accept a reply line.
enum lv2xx_atcmd : int {
    ATCMD_AT = 2,
    ATCMD_ATZ = 3,
    ATCMD_AT_F = 4,
    ATCMD_STARTSCAN = 5,
    ATCMD_STOPSCAN = 6,
    ATCMD_SCAN_REPORT = 7,
    ATCMD_INFO_Q = 9,
    ATCMD_VER_Q = 10,
    ATCMD_MANUF_SET = 12,
    ATCMD_SF_SET = 13,
    ATCMD_SETSLOT = 14,
    ATCMD_DELSLOT = 15,
    ATCMD_GETSLOT = 16,
    ATCMD_UCBEACON_Q = 17,
    ATCMD_UCBEACON_SET = 18,
    ATCMD_BEACON_Q = 19,
    ATCMD_BEACON_SET = 20,
    ATCMD_MODEL_Q = 21,
    ATCMD_ADVINTERVAL_Q = 22,
    ATCMD_ADVINTERVAL_SET = 23,
    ATCMD_UARTOPT_Q = 24,
    ATCMD_UARTOPT_SET = 25,
    // Kinds from here on are the queries of the number registers below.
};

// Result code: first field of every reply record.
enum lv2xx_atres : int32_t {
    ATRES_OK = 1,
    ATRES_ERROR = 2,
    ATRES_READY = 3,
    ATRES_NO_MATCH = 4,
    ATRES_INCOMPLETE = 5,
    ATRES_NO_RECORD = 6,
    ATRES_TOO_LONG = 7,
    ATRES_TIMEOUT = 9,
    ATRES_NOT_OPEN = 10,
    ATRES_CLOSED = 11,
    ATRES_INFO = 13,
    ATRES_SCANNING = 14,
    ATRES_STOPPED = 15,
    ATRES_SCAN_REPORT = 16,
    ATRES_VERSION = 17,
    ATRES_SLOT = 20,
    ATRES_MODEL = 21,
    ATRES_ON_OFF = 22,
    ATRES_BEACON_DATA = 23,
    ATRES_ADV_INTERVAL = 24,
    ATRES_UART_OPTIONS = 25,
    ATRES_UNSUPPORTED_MODEL = 26,
    ATRES_NUMBER = 27,  // a number register's value
};

#pragma pack(push, 1)
struct lv2xx_scan_report {
    uint8_t address[6];
    int8_t rssi;
    char name[64];
};
struct lv2xx_slot_info {
    uint8_t slot;
    uint8_t address[6];
    char tag[64];
};
struct lv2xx_device_info {
    uint8_t address[6];
    char name[64];
    char extra[64];
    char state[64];
};
struct lv2xx_uart_options {
    char parity;           // 'N', 'O' or 'E'
    uint8_t stop_bits;     // 1 or 2
    uint8_t flow_control;  // 0 or 1
};
struct lv2xx_scan_filter {
    uint8_t enabled;
    char name[64];
};
struct lv2xx_number {
    int32_t value;
};
#pragma pack(pop)

static_assert(sizeof(lv2xx_scan_report) == 71);
static_assert(sizeof(lv2xx_slot_info) == 71);
static_assert(sizeof(lv2xx_device_info) == 198);
static_assert(sizeof(lv2xx_uart_options) == 3);
static_assert(sizeof(lv2xx_scan_filter) == 65);

// Payload lengths by result code.
inline constexpr uint16_t kScanReportPayload = 71;
inline constexpr uint16_t kSlotPayload = 71;
inline constexpr uint16_t kInfoPayload = 198;
inline constexpr uint16_t kVersionPayload = 64;
inline constexpr uint16_t kModelPayload = 64;
inline constexpr uint16_t kUartOptionsPayload = 3;
inline constexpr uint16_t kOnOffPayload = 1;
inline constexpr uint16_t kBeaconPayload = module_limits::kMaxBeaconHexDigits + 1;  // digits and NUL
inline constexpr uint16_t kAdvIntervalPayload = 2;
inline constexpr uint16_t kNumberPayload = sizeof(lv2xx_number);

// Settings the module keeps as one small number: asked with "AT+<NAME>?" and
// answered "+<NAME>:<decimal>", set with "AT+<NAME>=<decimal>" and answered
// OK or ERROR. A row gives the query its own transaction kind, so that a late
// answer to one register is never taken for another's. Their command texts
// stand in atcmd below like every other command's; a set goes as ATCMD_AT.
struct NumberRegister {
    lv2xx_atcmd query;
    const char* name;  // upper case, as in the commands
};
inline constexpr std::array<NumberRegister, 0> kNumberRegisters{};

// Reply record: int32 code at 0, uint16 payload length at 4, payload at 6,
// native byte order. Owned by whoever received it.
using lv2xx_reply = std::unique_ptr<uint8_t[]>;
inline constexpr std::size_t kReplyHeaderSize = 6;

// Allocates a record with its payload zero-filled.
lv2xx_reply MakeReply(lv2xx_atres code, uint16_t payload_len = 0);
int32_t ReplyCode(const uint8_t* reply);
uint16_t ReplyPayloadLength(const uint8_t* reply);
uint8_t* ReplyPayload(uint8_t* reply);
const uint8_t* ReplyPayload(const uint8_t* reply);

// Command texts and formats; every command ends in CR.
namespace atcmd {
inline constexpr char kAt[] = "AT\r";
inline constexpr char kReboot[] = "ATZ\r";
inline constexpr char kFactoryReset[] = "AT&F\r";
inline constexpr char kStartScan[] = "AT+STARTSCAN\r";
inline constexpr char kStopScan[] = "AT+STOPSCAN\r";
inline constexpr char kInfoQuery[] = "AT+INFO?\r";
inline constexpr char kVersionQuery[] = "AT+VER?\r";
inline constexpr char kManufSet[] = "AT+MANUF=%s\r";
inline constexpr char kScanFilterOn[] = "AT+SF=ON,%s\r";
inline constexpr char kScanFilterOff[] = "AT+SF=OFF\r";
inline constexpr char kSetSlot[] = "AT+SETSLOT=%u,%s\r";
inline constexpr char kSetSlotTag[] = "AT+SETSLOT=%u,%s,%s\r";
inline constexpr char kDelSlot[] = "AT+DELSLOT=%u\r";
inline constexpr char kGetSlot[] = "AT+GETSLOT=%u\r";
inline constexpr char kUcBeaconQuery[] = "AT+UCBEACON?\r";
inline constexpr char kUcBeaconSet[] = "AT+UCBEACON=%s\r";
inline constexpr char kBeaconQuery[] = "AT+BEACON?\r";
inline constexpr char kBeaconSet[] = "AT+BEACON=%s\r";
inline constexpr char kModelQuery[] = "AT+MODEL?\r";
inline constexpr char kAdvIntervalQuery[] = "AT+ADVINTERVAL?\r";
inline constexpr char kAdvIntervalSet[] = "AT+ADVINTERVAL=%u\r";
inline constexpr char kUartOptQuery[] = "AT+UARTOPT?\r";
inline constexpr char kUartOptSet[] = "AT+UARTOPT=%u,%c,%u\r";
}  // namespace atcmd

inline constexpr std::size_t kCommandBufferSize = 128;

// Formats a command into a zero-filled 128-byte buffer, snprintf semantics:
// at most 127 characters, always NUL-terminated. Returns the length of the
// text in the buffer (not of the untruncated output).
unsigned FormatCommand(char (&buf)[kCommandBufferSize], const char* fmt, ...) __attribute__((format(printf, 2, 3)));

// True when the text holds a control character (below 0x20, or 0x7F) that
// would end or split a command on the wire. Texts the user or the module
// supplies are checked with it before they go into a command.
bool HasControlChars(const std::string& text);

// The query a command text (without its CR, in any case) is, when the
// module's whole answer to it is one line of the query's own form (a version,
// a model name, a slot, ...); ATCMD_AT for any other text.
lv2xx_atcmd OneLineQueryKind(const std::string& command);

// A parser receives its own copy of one reply line (terminating bytes
// included) and always returns a record: ATRES_NO_MATCH when the line is not
// one it recognises.
using lv2xx_parser = std::function<std::unique_ptr<uint8_t[]>(std::vector<char>& line, lv2xx_atcmd kind)>;

struct lv2xx_parser_entry {
    lv2xx_atcmd kind;
    std::vector<lv2xx_parser> parsers;
};

// The kinds with their parsers, in order.
std::vector<lv2xx_parser_entry> BuildParserTable();

// Individual parsers.
lv2xx_reply ParseOkLine(std::vector<char>& line, lv2xx_atcmd kind);
lv2xx_reply ParseErrorLine(std::vector<char>& line, lv2xx_atcmd kind);
lv2xx_reply ParseReadyLine(std::vector<char>& line, lv2xx_atcmd kind);
lv2xx_reply ParseScanningLine(std::vector<char>& line, lv2xx_atcmd kind);
lv2xx_reply ParseStoppedLine(std::vector<char>& line, lv2xx_atcmd kind);
lv2xx_reply ParseScanReportLine(std::vector<char>& line, lv2xx_atcmd kind);
lv2xx_reply ParseVersionLine(std::vector<char>& line, lv2xx_atcmd kind);
lv2xx_reply ParseModelLine(std::vector<char>& line, lv2xx_atcmd kind);
lv2xx_reply ParseInfoLine(std::vector<char>& line, lv2xx_atcmd kind);
lv2xx_reply ParseSlotLine(std::vector<char>& line, lv2xx_atcmd kind);
lv2xx_reply ParseOnOffLine(std::vector<char>& line, lv2xx_atcmd kind);
lv2xx_reply ParseBeaconLine(std::vector<char>& line, lv2xx_atcmd kind);
lv2xx_reply ParseAdvIntervalLine(std::vector<char>& line, lv2xx_atcmd kind);
lv2xx_reply ParseUartOptionsLine(std::vector<char>& line, lv2xx_atcmd kind);
// +<NAME>:<decimal>CR with at most nine digits, for the register of that name.
lv2xx_reply ParseNumberLine(std::vector<char>& line, const char* name);
