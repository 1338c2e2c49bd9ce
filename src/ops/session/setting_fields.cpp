#include "ops/session/setting_fields.h"

#include "ops/session/device_model.h"
#include "ops/session/device_session.h"
#include "ops/rules/input_rules.h"
#include "link/text_conv.h"
#include "ops/session/record_text.h"
#include "ops/rules/rule_text.h"
#include "ops/rules/string_ids.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <utility>

// Marks the labels for Qt's translation tools; no Qt here.
#define QT_TRANSLATE_NOOP(context, text) text

namespace setting_fields {
namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

Refusal Rule(int id, std::string hint, int slot = 0) {
    return id != 0 ? Refusal{id, slot, std::move(hint)} : Refusal{};
}
Refusal Words(const char* text) { return Refusal{0, 0, text}; }

SlotEntry& SlotAt(DeviceSettings& s, int n) {
    if (s.slotEntries.size() < static_cast<std::size_t>(n)) {
        s.slotEntries.resize(static_cast<std::size_t>(n));
    }
    return s.slotEntries[static_cast<std::size_t>(n - 1)];
}

SlotEntry SlotOf(const DeviceSettings& s, int n) {
    const std::size_t i = static_cast<std::size_t>(n - 1);
    return i < s.slotEntries.size() ? s.slotEntries[i] : SlotEntry{};
}

// ---- Fields ----

Refusal AssignName(DeviceSettings& s, int, const std::string& text) {
    if (const int id = input_rules::CheckDeviceName(text)) {
        return Rule(id, "at most " + std::to_string(module_limits::kMaxNameBytes) +
                            " bytes of UTF-8, no control characters or commas");
    }
    s.name = text;
    return {};
}

Refusal AssignInterval(DeviceSettings& s, int, const std::string& text) {
    // Whole decimal numbers only: "1e3" or "100ms" are refused, not cut short.
    const bool digits = !text.empty() && text.size() <= 5 &&
                        std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
    const long ms = digits ? input_rules::ParseAdvInterval(text) : 0;
    if (const int id = input_rules::CheckAdvInterval(ms)) {
        return Rule(id, std::to_string(module_limits::kMinAdvInterval) + " to " +
                            std::to_string(module_limits::kMaxAdvInterval) + " ms");
    }
    s.advInterval = static_cast<unsigned>(ms);
    return {};
}

Refusal AssignParity(DeviceSettings& s, int, const std::string& text) {
    const std::string v = Lower(text);
    if (v == "none" || v == "n") {
        s.uart.parity = 'N';
    } else if (v == "even" || v == "e") {
        s.uart.parity = 'E';
    } else if (v == "odd" || v == "o") {
        s.uart.parity = 'O';
    } else {
        return Words("parity: none, even or odd");
    }
    return {};
}

Refusal AssignStopBits(DeviceSettings& s, int, const std::string& text) {
    if (text != "1" && text != "2") {
        return Words("stopbits: 1 or 2");
    }
    s.uart.stopBits = static_cast<unsigned>(text[0] - '0');
    return {};
}

Refusal AssignFlow(DeviceSettings& s, int, const std::string& text) {
    const std::string v = Lower(text);
    if (v != "on" && v != "off") {
        return Words("flow: on or off");
    }
    s.uart.flowControl = v == "on";
    return {};
}

// ADDRESS[,TAG] or none.
Refusal AssignSlot(DeviceSettings& s, int n, const std::string& text) {
    SlotEntry e;
    if (Lower(text) != "none") {
        const std::size_t comma = text.find(',');
        const std::string address = text.substr(0, comma);
        if (const int id = input_rules::CheckSlotAddress(address)) {
            return Rule(id, "12 hex digits, or none", n);
        }
        ParseAddressText(address, e.address);
        if (comma != std::string::npos) {
            e.tag = text.substr(comma + 1);
            if (const int id = input_rules::CheckSlotTag(e.tag)) {
                return Rule(
                    id, "at most " + std::to_string(module_limits::kMaxNameBytes) + " bytes, no control characters", n);
            }
        }
    }
    SlotAt(s, n) = e;
    return {};
}

Refusal AssignBeaconSource(DeviceSettings& s, int, const std::string& text) {
    const std::string v = Lower(text);
    if (v != "uart" && v != "user") {
        return Words("beacon-source: uart or user");
    }
    s.beaconSource = v == "user" ? BEACON_SOURCE_USER : BEACON_SOURCE_SERIAL;
    return {};
}

Refusal AssignBeaconHex(DeviceSettings& s, int, const std::string& text) {
    if (const int id = input_rules::CheckBeaconHex(text)) {
        return Rule(id, "");
    }
    s.beaconHex = Upper(text);
    return {};
}

Refusal AssignBeaconString(DeviceSettings& s, int, const std::string& text) {
    if (const int id = input_rules::CheckBeaconString(text)) {
        return Rule(id, "1 to " + std::to_string(module_limits::kMaxBeaconBytes) + " bytes of UTF-8");
    }
    s.beaconHex = BytesToHex(text);
    return {};
}

std::string NameText(const DeviceSettings& s, int) { return s.name; }
std::string IntervalText(const DeviceSettings& s, int) { return std::to_string(s.advInterval); }
std::string ParityText(const DeviceSettings& s, int) { return ParityWord(s.uart.parity); }
std::string StopBitsText(const DeviceSettings& s, int) { return std::to_string(s.uart.stopBits); }
std::string FlowText(const DeviceSettings& s, int) { return s.uart.flowControl ? "on" : "off"; }
std::string SlotFieldText(const DeviceSettings& s, int n) { return SlotText(SlotOf(s, n)); }
std::string BeaconSourceText(const DeviceSettings& s, int) { return BeaconSourceWord(s.beaconSource); }
std::string BeaconDataText(const DeviceSettings& s, int) { return s.beaconHex; }

// ---- Commands ----

std::string PayloadText(const uint8_t* payload, std::size_t size) {
    return FieldText(reinterpret_cast<const char*>(payload), size);
}

void DecodeVersion(const uint8_t* p, DeviceSettings& s, int) { s.firmware = PayloadText(p, kVersionPayload); }

void DecodeInfo(const uint8_t* p, DeviceSettings& s, int) {
    lv2xx_device_info info{};
    std::memcpy(&info, p, sizeof info);
    std::copy(std::begin(info.address), std::end(info.address), s.address.begin());
    s.name = FieldText(info.name);
    s.extra = FieldText(info.extra);
    s.state = FieldText(info.state);
}

void DecodeInterval(const uint8_t* p, DeviceSettings& s, int) {
    uint16_t interval = 0;
    std::memcpy(&interval, p, sizeof interval);
    s.advInterval = interval;
}

void DecodeUart(const uint8_t* p, DeviceSettings& s, int) {
    lv2xx_uart_options uart{};
    std::memcpy(&uart, p, sizeof uart);
    s.uart = FromRecord(uart);
}

void DecodeSlot(const uint8_t* p, DeviceSettings& s, int n) {
    lv2xx_slot_info info{};
    std::memcpy(&info, p, sizeof info);
    SlotAt(s, n) = FromRecord(info);
}

void DecodeBeaconData(const uint8_t* p, DeviceSettings& s, int) { s.beaconHex = PayloadText(p, kBeaconPayload); }

void DecodeBeaconSource(const uint8_t* p, DeviceSettings& s, int) {
    s.beaconSource = p[0] == 1 ? BEACON_SOURCE_USER : BEACON_SOURCE_SERIAL;
}

SessionResult WriteInterval(DeviceSession& d, const DeviceSettings& t, int) { return d.SetAdvInterval(t.advInterval); }
SessionResult WriteUart(DeviceSession& d, const DeviceSettings& t, int) { return d.SetUartOptions(t.uart); }
SessionResult WriteSlot(DeviceSession& d, const DeviceSettings& t, int n) { return d.WriteSlot(n, SlotOf(t, n)); }
SessionResult WriteBeacon(DeviceSession& d, const DeviceSettings& t, int) {
    return d.SetBeacon(t.beaconSource, t.beaconHex);
}

// kestovctl info's texts.
std::string IntervalInfo(const DeviceSettings& s, int) { return std::to_string(s.advInterval) + " ms"; }

std::string UartInfo(const DeviceSettings& s, int) {
    return "parity " + ParityWord(s.uart.parity) + ", " + std::to_string(s.uart.stopBits) + " stop bit" +
           (s.uart.stopBits == 1 ? "" : "s") + ", flow control " + (s.uart.flowControl ? "on" : "off");
}

std::string SlotInfo(const DeviceSettings& s, int n) {
    const SlotEntry e = SlotOf(s, n);
    return e.Empty() ? "(empty)" : AddressText(e.address) + (e.tag.empty() ? "" : "  " + e.tag);
}

std::string BeaconInfo(const DeviceSettings& s, int) {
    return s.beaconSource == BEACON_SOURCE_USER
               ? "user data " + s.beaconHex
               : "final serial data" + (s.beaconHex.empty() ? "" : " (kept: " + s.beaconHex + ")");
}

}  // namespace

std::string Refusal::English() const {
    if (id == 0) {
        return hint;
    }
    std::string text = RuleText(id, slot);
    if (id == IDS_DUPLICATED_ADDRESS) {
        return text + " " + std::to_string(slot);
    }
    return hint.empty() ? text : text + " (" + hint + ")";
}

const std::vector<Field>& Fields() {
    using J = JsonForm;
    static const std::vector<Field> kFields = {
        {"name", QT_TRANSLATE_NOOP("Settings", "Device name"), "", "name", J::Text, 0, 0, false, false, NameText,
         AssignName},
        {"interval", QT_TRANSLATE_NOOP("Settings", "Advertising interval"), "", "interval", J::Number,
         input_rules::kMinAdvInterval, input_rules::kMaxAdvInterval, false, false, IntervalText, AssignInterval},
        {"parity", QT_TRANSLATE_NOOP("Settings", "Parity"), "uart", "parity", J::Text, 0, 0, false, false, ParityText,
         AssignParity},
        {"stopbits", QT_TRANSLATE_NOOP("Settings", "Stop bits"), "uart", "stopbits", J::Number, 1, 2, false, false,
         StopBitsText, AssignStopBits},
        {"flow", QT_TRANSLATE_NOOP("Settings", "Flow control"), "uart", "flow", J::Flag, 0, 0, false, false, FlowText,
         AssignFlow},
        {"slot", QT_TRANSLATE_NOOP("Settings", "Slot %1"), "slots", "", J::Slot, 0, 0, true, false, SlotFieldText,
         AssignSlot},
        {"beacon-source", QT_TRANSLATE_NOOP("Settings", "Beacon source"), "beacon", "source", J::Text, 0, 0, false,
         true, BeaconSourceText, AssignBeaconSource},
        {"beacon-data", QT_TRANSLATE_NOOP("Settings", "Beacon data"), "beacon", "data", J::Text, 0, 0, false, true,
         BeaconDataText, AssignBeaconHex},
    };
    return kFields;
}

const std::vector<InputForm>& InputForms() {
    static const std::vector<InputForm> kForms = {
        {"beacon-hex", "beacon-data", AssignBeaconHex},
        {"beacon-string", "beacon-data", AssignBeaconString},
    };
    return kForms;
}

const Field* Find(const std::string& key, int* slot) {
    for (const Field& f : Fields()) {
        if (!f.perSlot && key == f.key) {
            return &f;
        }
        const std::size_t len = std::strlen(f.key);
        if (f.perSlot && key.size() == len + 1 && key.compare(0, len, f.key) == 0 && key[len] >= '1' &&
            key[len] <= '0' + device_model::kMaxSlots) {
            if (slot) {
                *slot = key[len] - '0';
            }
            return &f;
        }
    }
    return nullptr;
}

std::string KeyOf(const Field& f, int slot) { return f.perSlot ? f.key + std::to_string(slot) : f.key; }

const std::vector<Command>& Commands() {
    namespace st = device_steps;
    static const std::vector<Command> kCommands = [] {
        std::vector<Command> rows = {
            {.query = &st::kVersion, .decode = DecodeVersion},
            {.query = &st::kInfo,
             .decode = DecodeInfo,
             .writes = {"name"},
             .set = &st::kSetName,
             .argument = NameText,
             .done = IDS_DEVICE_NAME_DONE,
             .failed = IDS_DEVICE_NAME_FAILED,
             .infoLabel = "Name",
             .info = NameText},
            {.query = &st::kAdvInterval,
             .decode = DecodeInterval,
             .writes = {"interval"},
             .write = WriteInterval,
             .done = IDS_ADV_INTERVAL_DONE,
             .failed = IDS_ADV_INTERVAL_FAILED,
             .infoLabel = "Interval",
             .info = IntervalInfo},
            {.query = &st::kUartOptions,
             .decode = DecodeUart,
             .writes = {"parity", "stopbits", "flow"},
             .write = WriteUart,
             .done = IDS_UART_DONE,
             .failed = IDS_UART_FAILED,
             .infoLabel = "UART",
             .info = UartInfo},
            {.query = &st::kGetSlot,
             .perSlot = true,
             .refusedMeansEmpty = true,
             .decode = DecodeSlot,
             .writes = {"slot"},
             .write = WriteSlot,
             .done = IDS_REGISTRATION_DONE,
             .failed = IDS_REGISTRATION_FAILED,
             .infoLabel = "Slot",
             .info = SlotInfo},
            {.query = &st::kBeacon, .beaconOnly = true, .decode = DecodeBeaconData},
            // Data and source are written together: the data first, then the source.
            {.query = &st::kBeaconSource,
             .beaconOnly = true,
             .decode = DecodeBeaconSource,
             .writes = {"beacon-source", "beacon-data"},
             .write = WriteBeacon,
             .done = IDS_BEACON_DONE,
             .failed = IDS_BEACON_FAILED,
             .infoLabel = "Beacon",
             .info = BeaconInfo},
        };
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].set && !rows[i].write) {
                rows[i].write = [i](DeviceSession& d, const DeviceSettings& t, int n) {
                    return d.Write(Commands()[i], t, n);
                };
            }
        }
        return rows;
    }();
    return kCommands;
}

Refusal CheckWrite(const Command& c, const DeviceSettings& target, int slot) {
    for (const char* key : c.writes) {
        const Field* f = Find(c.perSlot ? key + std::to_string(slot) : std::string(key));
        if (!f) {
            continue;
        }
        DeviceSettings scratch = target;
        if (Refusal r = f->assign(scratch, slot, f->text(target, slot))) {
            return r;
        }
    }
    return {};
}

const Command* WriterOf(const std::string& key) {
    const Field* f = Find(key);
    if (!f) {
        return nullptr;
    }
    for (const Command& c : Commands()) {
        for (const char* written : c.writes) {
            if (std::strcmp(written, f->key) == 0) {
                return &c;
            }
        }
    }
    return nullptr;
}

nlohmann::ordered_json ToJson(const DeviceSettings& s) {
    using nlohmann::ordered_json;
    ordered_json doc = ordered_json::object();
    for (const Field& f : Fields()) {
        if (f.beaconOnly && !s.hasBeacon) {
            continue;
        }
        if (f.json == JsonForm::Slot) {
            ordered_json slots = ordered_json::array();
            for (std::size_t i = 0; i < s.slotEntries.size(); ++i) {
                const SlotEntry& e = s.slotEntries[i];
                ordered_json slot = {{"slot", i + 1}};
                if (e.Empty()) {
                    slot["address"] = nullptr;
                } else {
                    slot["address"] = AddressText(e.address);
                    slot["tag"] = e.tag;
                }
                slots.push_back(slot);
            }
            doc[f.object] = slots;
            continue;
        }
        const std::string text = f.text(s, 0);
        ordered_json value;
        switch (f.json) {
        case JsonForm::Number:
            value = std::stol(text);
            break;
        case JsonForm::Flag:
            value = text == "on";
            break;
        default:
            value = text;
            break;
        }
        if (*f.object == '\0') {
            doc[f.member] = value;
        } else {
            doc[f.object][f.member] = value;
        }
    }
    return doc;
}

std::string ParityWord(char parity) {
    switch (parity) {
    case 'N':
        return "none";
    case 'E':
        return "even";
    case 'O':
        return "odd";
    default:
        return std::string(1, parity);
    }
}

std::string SlotText(const SlotEntry& e) {
    if (e.Empty()) {
        return "none";
    }
    return AddressText(e.address) + (e.tag.empty() ? "" : "," + e.tag);
}

std::string BeaconSourceWord(int source) { return source == BEACON_SOURCE_USER ? "user" : "uart"; }

}  // namespace setting_fields
