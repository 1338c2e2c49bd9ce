#include "ops/rules/rule_text.h"

#include "ops/rules/message_text.h"
#include "ops/rules/string_ids.h"

std::string RuleText(int stringId, int slot) {
    switch (stringId) {
    case IDS_SLOT_INVALID_TAG:
        // The window's text for it is Korean in both languages.
        return "Slot " + std::to_string(slot) + ": Invalid tag length.";
    case IDS_DEVICE_NAME_TOO_LONG:
    case IDS_SLOT_INVALID_ADDRESS:
    case IDS_INVALID_ADV_INTERVAL:
    case IDS_DUPLICATED_ADDRESS:
    case IDS_INVALID_FILTER_NAME:
    case IDS_HEX_ODD_LENGTH:
    case IDS_STRING_TOO_LONG:
    case IDS_HEX_FORMAT:
    case IDS_BEACON_EMPTY:
    case IDS_INVALID_RSSI:
    case IDS_DEVICE_NAME_BAD_CHAR:
    case IDS_FILTER_NAME_BAD_CHAR:
    case IDS_SLOT_TAG_BAD_CHAR:
    case IDS_DEVICE_NAME_COMMA:
        break;
    default:
        return "";
    }
    std::string text = MessageText(stringId);
    if (const auto at = text.find("%d"); at != std::string::npos) {
        text.replace(at, 2, std::to_string(slot));
    }
    return text;
}
