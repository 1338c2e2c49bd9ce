// What a module holds, as typed values: the result of a read-back and the
// input of the writes. Shared by the window's jobs, the profiles and the
// command-line tool.
#pragma once

#include "link/at_protocol.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Where the advertised beacon data comes from; NONE is the window with neither
// radio button chosen.
enum BeaconSourceValue : int { BEACON_SOURCE_NONE = -1, BEACON_SOURCE_SERIAL = 0, BEACON_SOURCE_USER = 1 };

using BtAddress = std::array<uint8_t, 6>;

struct UartOptions {
    char parity = 'N';      // 'N', 'E' or 'O'
    unsigned stopBits = 1;  // 1 or 2
    bool flowControl = false;
    bool operator==(const UartOptions&) const = default;
};

struct SlotEntry {
    BtAddress address{};  // all zero: the slot is empty
    std::string tag;      // UTF-8, at most 8 bytes
    bool Empty() const;
    bool operator==(const SlotEntry&) const = default;
};

struct DeviceSettings {
    int model = 0;  // ModelIndex
    std::string modelName;
    std::string firmware;
    BtAddress address{};
    std::string name;
    std::string extra;  // carried, not interpreted
    std::string state;  // "SCANNING" while the module scans
    unsigned advInterval = 0;
    UartOptions uart;
    std::vector<SlotEntry> slotEntries;  // 7 or 8, slot n at index n - 1
    bool hasBeacon = false;
    int beaconSource = BEACON_SOURCE_SERIAL;
    std::string beaconHex;  // up to 52 hex digits as the module reports them
};

// Conversions to and from the protocol records.
UartOptions FromRecord(const lv2xx_uart_options& r);
lv2xx_uart_options ToRecord(const UartOptions& o);
SlotEntry FromRecord(const lv2xx_slot_info& r);
// Slot record with its number; the tag is cut to the record's field.
lv2xx_slot_info ToRecord(const SlotEntry& e, int slotNumber);

std::string AddressText(const BtAddress& address);               // 12 upper-case hex digits
bool ParseAddressText(const std::string& text, BtAddress& out);  // 12 hex digits, either case
