#include "sim/command_handler.h"

#include "link/module_limits.h"

#include <cstdio>
#include <optional>
#include <string_view>

namespace sim {
namespace {

using module_limits::kMaxNameBytes;
using module_limits::kMaxSlots;
constexpr unsigned kMinAdvInterval = module_limits::kMinAdvInterval;
// The module itself takes intervals up to the BLE maximum; the manager sets
// at most module_limits::kMaxAdvInterval.
constexpr unsigned kModuleMaxAdvInterval = 10240;

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}

// Decimal digits only, no sign, no spaces; small numbers.
std::optional<unsigned> ParseDecimal(std::string_view text) {
    if (text.empty() || text.size() > 6) return std::nullopt;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value;
}

bool ParseAddress(std::string_view text, uint8_t out[6]) {
    if (text.size() != 12) return false;
    for (char c : text)
        if (!IsHexDigit(c)) return false;
    for (int i = 0; i < 6; ++i) out[i] = static_cast<uint8_t>(HexValue(text[2 * i]) * 16 + HexValue(text[2 * i + 1]));
    return true;
}

// Well-formed UTF-8 without control characters: what the module stores as text.
bool IsCleanUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) return false;
        std::size_t extra = 0;
        unsigned min = 0;
        unsigned cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1, min = 0x80, cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2, min = 0x800, cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3, min = 0x10000, cp = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= text.size()) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto cc = static_cast<unsigned char>(text[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

bool IsValidName(std::string_view text, std::size_t minBytes) {
    return text.size() >= minBytes && text.size() <= kMaxNameBytes && IsCleanUtf8(text);
}

CommandOutcome Reply(std::string text) { return CommandOutcome{std::move(text), false}; }
CommandOutcome Ok() { return Reply(kReplyOk); }
CommandOutcome Error() { return Reply(kReplyError); }

CommandOutcome SetName(SimState& s, std::string_view name) {
    // A comma would split the module's own INFO line.
    if (!IsValidName(name, 0) || name.find(',') != std::string_view::npos) return Error();
    s.name = std::string(name);
    return Ok();
}

CommandOutcome SetFilter(SimState& s, std::string_view arg) {
    if (arg == "OFF") {
        s.filterOn = false;
        s.filterName.clear();
        return Ok();
    }
    if (!StartsWith(arg, "ON,")) return Error();
    const std::string_view name = arg.substr(3);
    if (!IsValidName(name, 1)) return Error();
    s.filterOn = true;
    s.filterName = std::string(name);
    return Ok();
}

CommandOutcome SetSlot(SimState& s, std::string_view arg) {
    const std::size_t c1 = arg.find(',');
    if (c1 == std::string_view::npos) return Error();
    const auto n = ParseDecimal(arg.substr(0, c1));
    if (!n || *n < 1 || *n > static_cast<unsigned>(s.SlotCount())) return Error();
    std::string_view rest = arg.substr(c1 + 1);
    std::string_view tag;
    const std::size_t c2 = rest.find(',');
    if (c2 != std::string_view::npos) {
        tag = rest.substr(c2 + 1);
        rest = rest.substr(0, c2);
    }
    uint8_t address[6];
    if (!ParseAddress(rest, address) || !IsValidName(tag, 0)) return Error();
    SimSlot& slot = s.slotTable[*n - 1];
    slot.used = true;
    std::copy(address, address + 6, slot.address);
    slot.tag = std::string(tag);
    return Ok();
}

CommandOutcome DeleteSlot(SimState& s, std::string_view arg) {
    // Slot 8 of a seven-slot model is accepted as a no-op: the program always
    // writes eight slots and sends the delete form for the missing one.
    const auto n = ParseDecimal(arg);
    if (!n || *n < 1 || *n > static_cast<unsigned>(kMaxSlots)) return Error();
    if (*n <= static_cast<unsigned>(s.SlotCount())) s.slotTable[*n - 1] = SimSlot{};
    return Ok();
}

CommandOutcome GetSlot(const SimState& s, std::string_view arg) {
    const auto n = ParseDecimal(arg);
    if (!n || *n < 1 || *n > static_cast<unsigned>(s.SlotCount())) return Error();
    const SimSlot& slot = s.slotTable[*n - 1];
    if (!slot.used) return Error();
    std::string text = "+SLOT," + std::to_string(*n) + "," + AddressHex(slot.address);
    if (!slot.tag.empty()) text += "," + slot.tag;
    return Reply(std::move(text));
}

CommandOutcome SetUserBeacon(SimState& s, std::string_view arg) {
    if (arg == "ON") {
        s.userBeacon = true;
    } else if (arg == "OFF") {
        s.userBeacon = false;
    } else {
        return Error();
    }
    return Ok();
}

CommandOutcome SetBeacon(SimState& s, std::string_view arg) {
    if (arg.size() > module_limits::kMaxBeaconHexDigits || arg.size() % 2 != 0) return Error();
    std::string hex;
    for (char c : arg) {
        if (!IsHexDigit(c)) return Error();
        hex += (c >= 'a' && c <= 'f') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    s.beaconHex = hex;
    return Ok();
}

CommandOutcome SetAdvInterval(SimState& s, std::string_view arg) {
    const auto ms = ParseDecimal(arg);
    if (!ms || *ms < kMinAdvInterval || *ms > kModuleMaxAdvInterval) return Error();
    s.advInterval = *ms;
    return Ok();
}

CommandOutcome SetUartOptions(SimState& s, std::string_view arg) {
    // Exactly "f,P,s".
    if (arg.size() != 5 || arg[1] != ',' || arg[3] != ',') return Error();
    const char flow = arg[0], parity = arg[2], stop = arg[4];
    if ((flow != '0' && flow != '1') || (stop != '1' && stop != '2')) return Error();
    if (parity != 'N' && parity != 'E' && parity != 'O') return Error();
    s.flowControl = static_cast<unsigned>(flow - '0');
    s.parity = parity;
    s.stopBits = static_cast<unsigned>(stop - '0');
    return Ok();
}

// AT+<NAME>? and AT+<NAME>=<n> of the number settings; nothing for other commands.
std::optional<CommandOutcome> NumberCommand(SimState& s, std::string_view cmd) {
    if (!StartsWith(cmd, "AT+")) return std::nullopt;
    const std::size_t end = cmd.find_first_of("?=");
    if (end == std::string_view::npos) return std::nullopt;
    SimNumber* number = s.Number(cmd.substr(3, end - 3));
    if (!number) return std::nullopt;
    const std::string_view arg = cmd.substr(end + 1);
    if (cmd[end] == '?') {
        if (!arg.empty()) return Error();
        return Reply("+" + number->name + ":" + std::to_string(number->value));
    }
    const auto value = ParseDecimal(arg);
    if (!value || *value < number->min || *value > number->max) return Error();
    number->value = *value;
    return Ok();
}

CommandOutcome Restart(SimState& s, bool factoryReset) {
    if (factoryReset) {
        // Address, firmware and model belong to the hardware, not to the settings.
        SimState fresh = DefaultState(s.model);
        fresh.version = s.version;
        std::copy(s.address, s.address + 6, fresh.address);
        s = fresh;
    }
    s.scanning = false;
    return CommandOutcome{kReplyReady, true};
}

}  // namespace

std::string AddressHex(const uint8_t address[6]) {
    char buf[13];
    std::snprintf(buf, sizeof buf, "%02X%02X%02X%02X%02X%02X", address[0], address[1], address[2], address[3],
                  address[4], address[5]);
    return buf;
}

std::string AddressWithColons(const uint8_t address[6]) {
    char buf[18];
    std::snprintf(buf, sizeof buf, "%02X:%02X:%02X:%02X:%02X:%02X", address[0], address[1], address[2], address[3],
                  address[4], address[5]);
    return buf;
}

CommandOutcome HandleCommand(SimState& s, const std::string& line) {
    const std::string_view cmd = line;
    const bool beacon = s.HasBeacon();

    if (cmd == "AT") return Ok();
    if (cmd == "ATZ") return Restart(s, false);
    if (cmd == "AT&F") return Restart(s, true);
    if (cmd == "AT+STARTSCAN") {
        // Starting again while scanning just confirms the running scan.
        s.scanning = true;
        return Reply(kReplyScanning);
    }
    if (cmd == "AT+STOPSCAN") {
        s.scanning = false;
        return Reply(kReplyStopped);
    }
    if (cmd == "AT+INFO?")
        return Reply(AddressWithColons(s.address) + "," + s.name + "," + s.extra + "," +
                     (s.scanning ? "SCANNING" : "READY"));
    if (cmd == "AT+VER?") return Reply(s.version);
    if (cmd == "AT+MODEL?") return Reply(s.model);
    if (cmd == "AT+UCBEACON?") return beacon ? Reply(s.userBeacon ? "ON" : "OFF") : Error();
    if (cmd == "AT+BEACON?") return beacon ? Reply("+BEACON," + s.beaconHex) : Error();
    if (cmd == "AT+ADVINTERVAL?") return Reply(std::to_string(s.advInterval));
    if (cmd == "AT+UARTOPT?")
        return Reply("+UARTOPT," + std::to_string(s.flowControl) + "," + std::string(1, s.parity) + "," +
                     std::to_string(s.stopBits));

    if (auto outcome = NumberCommand(s, cmd)) return *outcome;

    struct Setter {
        std::string_view prefix;
        CommandOutcome (*apply)(SimState&, std::string_view);
        bool needsBeacon;
    };
    static constexpr Setter kSetters[] = {
        {"AT+MANUF=", SetName, false},
        {"AT+SF=", SetFilter, false},
        {"AT+SETSLOT=", SetSlot, false},
        {"AT+DELSLOT=", DeleteSlot, false},
        {"AT+GETSLOT=", [](SimState& st, std::string_view a) { return GetSlot(st, a); }, false},
        {"AT+UCBEACON=", SetUserBeacon, true},
        {"AT+BEACON=", SetBeacon, true},
        {"AT+ADVINTERVAL=", SetAdvInterval, false},
        {"AT+UARTOPT=", SetUartOptions, false},
    };
    for (const Setter& setter : kSetters) {
        if (StartsWith(cmd, setter.prefix)) {
            if (setter.needsBeacon && !beacon) return Error();
            return setter.apply(s, cmd.substr(setter.prefix.size()));
        }
    }
    return Error();
}

}  // namespace sim
