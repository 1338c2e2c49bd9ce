#include "rule_text.h"

#include "string_ids.h"

std::string RuleText(int stringId, int slot) {
    const std::string n = std::to_string(slot);
    switch (stringId) {
    case IDS_DEVICE_NAME_TOO_LONG:
        return "Device name is too long.";
    case IDS_SLOT_INVALID_ADDRESS:
        return "Slot " + n + ": Invalid Bluetooth address.";
    case IDS_INVALID_ADV_INTERVAL:
        return "Invalid advertising interval value.";
    case IDS_SLOT_INVALID_TAG:
        return "Slot " + n + ": Invalid tag length.";
    case IDS_DUPLICATED_ADDRESS:
        return "Duplicated Bluetooth addresses are assigned to slot";
    case IDS_INVALID_FILTER_NAME:
        return "Invalid name length in Scan filter.";
    case IDS_HEX_ODD_LENGTH:
        return "The hexadecimal string is not an even length.";
    case IDS_STRING_TOO_LONG:
        return "String is too long.";
    case IDS_HEX_FORMAT:
        return "The format of the hexadecimal string is incorrect.";
    case IDS_BEACON_EMPTY:
        return "Beacon data is empty.";
    case IDS_INVALID_RSSI:
        return "Invalid RSSI filter value";
    default:
        return "";
    }
}
