#include "ops/rules/message_text.h"

#include "ops/rules/string_ids.h"

// Marks the texts for Qt's translation tools; no Qt here.
#define QT_TRANSLATE_NOOP(context, text) text

namespace {

struct StringEntry {
    StringId id;
    const char* english;
};

// English source texts; the Korean ones live in the translation file
// (context "Strings"). IDS_SLOT_INVALID_TAG reads the same in both
// languages.
const StringEntry kStrings[] = {
    {IDS_ABOUTBOX, QT_TRANSLATE_NOOP("Strings", "KESTOV-LV200 Manager Info....")},
    {IDS_COM_PORT_CLOSED, QT_TRANSLATE_NOOP("Strings", "COM port closed")},
    {IDS_READY, QT_TRANSLATE_NOOP("Strings", "Ready")},
    {IDS_OPEN_PORT_FAILED, QT_TRANSLATE_NOOP("Strings", "Unable to open a COM port.")},
    {IDS_NOT_LV200_SERIES,
     QT_TRANSLATE_NOOP("Strings",
                       "This program is for the KESTOV-LV200 series only.\r\n"
                       "Please check the product name, communication port, dial to set, etc. and try again.")},
    {IDS_COM_PORT_ERROR, QT_TRANSLATE_NOOP("Strings", "Error on COM port. Closing the port.")},
    {IDS_SCAN, QT_TRANSLATE_NOOP("Strings", "Scan")},
    {IDS_STOP, QT_TRANSLATE_NOOP("Strings", "Stop")},
    {IDS_DEVICE_NAME_TOO_LONG, QT_TRANSLATE_NOOP("Strings", "Device name is too long.")},
    {IDS_NO_DEVICE_SELECTED, QT_TRANSLATE_NOOP("Strings", "No device selected in the scanned devices list.")},
    {IDS_SLOT_INVALID_ADDRESS, QT_TRANSLATE_NOOP("Strings", "Slot %d: Invalid Bluetooth address.")},
    {IDS_DEVICE_NAME_DONE, QT_TRANSLATE_NOOP("Strings", "Completed device name settings.")},
    {IDS_INVALID_ADV_INTERVAL, QT_TRANSLATE_NOOP("Strings", "Invalid advertising interval value.")},
    {IDS_SLOT_INVALID_TAG, "Slot %d: TAG 길이가 잘못되었습니다."},
    {IDS_BEACON_DONE, QT_TRANSLATE_NOOP("Strings", "Completed Beacon settings.")},
    {IDS_DEVICE_NAME_FAILED, QT_TRANSLATE_NOOP("Strings", "Failed device name settings.")},
    {IDS_BEACON_FAILED, QT_TRANSLATE_NOOP("Strings", "Failed beacon data settings")},
    {IDS_ADV_INTERVAL_DONE, QT_TRANSLATE_NOOP("Strings", "Setting advertising interval has been Completed.")},
    {IDS_ADV_INTERVAL_FAILED, QT_TRANSLATE_NOOP("Strings", "Failed to save advertising interval.")},
    {IDS_ALREADY_ASSIGNED, QT_TRANSLATE_NOOP("Strings", "The device is already assigned to a slot.")},
    {IDS_DUPLICATED_ADDRESS, QT_TRANSLATE_NOOP("Strings", "Duplicated Bluetooth addresses are assigned to slot")},
    {IDS_REGISTRATION_DONE, QT_TRANSLATE_NOOP("Strings", "Node (device) registration has been completed")},
    {IDS_REGISTRATION_FAILED, QT_TRANSLATE_NOOP("Strings", "Failed to register node (device).")},
    {IDS_FLOW_NOT_SELECTED, QT_TRANSLATE_NOOP("Strings", "HW flow control: Item not selected.")},
    {IDS_PARITY_NOT_SELECTED, QT_TRANSLATE_NOOP("Strings", "Parity: Item not selected.")},
    {IDS_STOPBIT_NOT_SELECTED, QT_TRANSLATE_NOOP("Strings", "Stopbit: Item not selected.")},
    {IDS_UART_DONE, QT_TRANSLATE_NOOP("Strings", "Completed UART option settings.")},
    {IDS_UART_FAILED, QT_TRANSLATE_NOOP("Strings", "Failed UART option settings.")},
    {IDS_INVALID_FILTER_NAME, QT_TRANSLATE_NOOP("Strings", "Invalid name length in Scan filter.")},
    {IDS_HEX_ODD_LENGTH, QT_TRANSLATE_NOOP("Strings", "The hexadecimal string is not an even length.")},
    {IDS_STRING_TOO_LONG, QT_TRANSLATE_NOOP("Strings", "String is too long.")},
    {IDS_HEX_FORMAT, QT_TRANSLATE_NOOP("Strings", "The format of the hexadecimal string is incorrect.")},
    {IDS_BEACON_EMPTY, QT_TRANSLATE_NOOP("Strings", "Beacon data is empty.")},
    {IDS_INVALID_RSSI, QT_TRANSLATE_NOOP("Strings", "Invalid RSSI filter value")},
    {IDS_UNSUPPORTED_DEVICE, QT_TRANSLATE_NOOP("Strings",
                                               "It seems like an unsupported device is attached. "
                                               "Please check the type of device you have connected and try again.")},
    {IDS_FACTORY_RESET_CONFIRM,
     QT_TRANSLATE_NOOP("Strings", "Reset to factory settings. Are you sure you want to continue?")},
    {IDS_COL_ADDRESS, QT_TRANSLATE_NOOP("Strings", "Device Address")},
    {IDS_COL_NAME, QT_TRANSLATE_NOOP("Strings", "Device Name")},
    {IDS_COL_RSSI, QT_TRANSLATE_NOOP("Strings", "RSSI")},
    {IDS_DEVICE_NAME_BAD_CHAR,
     QT_TRANSLATE_NOOP("Strings", "The device name contains a character the module cannot take.")},
    {IDS_FILTER_NAME_BAD_CHAR,
     QT_TRANSLATE_NOOP("Strings", "The name in Scan filter contains a character the module cannot take.")},
    {IDS_SLOT_TAG_BAD_CHAR,
     QT_TRANSLATE_NOOP("Strings", "Slot %d: The TAG contains a character the module cannot take.")},
    {IDS_DEVICE_NAME_COMMA,
     QT_TRANSLATE_NOOP("Strings",
                       "The device name cannot contain a comma: the module's reply separates its fields with commas, "
                       "so the name could not be read back.")},
    {IDS_FIELD_DONE, QT_TRANSLATE_NOOP("Strings", "%1 was set.")},
    {IDS_FIELD_FAILED, QT_TRANSLATE_NOOP("Strings", "Failed setting %1.")},
    {IDS_ABOUT_PROMPT, QT_TRANSLATE_NOOP("Strings",
                                         "Company and product identification, a product release number, "
                                         "and copyright and trademark notification.\nInfo.")},
};

}  // namespace

const char* MessageText(int stringId) {
    for (const StringEntry& e : kStrings) {
        if (e.id == stringId) return e.english;
    }
    return nullptr;
}
