#include "ops/rules/message_text.h"

// Marks the texts for Qt's translation tools; no Qt here.
#define QT_TRANSLATE_NOOP(context, text) text

namespace {

struct StringEntry {
    int id;
    const char* english;
};

// English source texts; the Korean ones live in the translation file
// (context "Strings"). 114 reads the same in both languages.
const StringEntry kStrings[] = {
    {101, QT_TRANSLATE_NOOP("Strings", "KESTOV-LV200 Manager Info....")},
    {102, QT_TRANSLATE_NOOP("Strings", "COM port closed")},
    {103, QT_TRANSLATE_NOOP("Strings", "Ready")},
    {104, QT_TRANSLATE_NOOP("Strings", "Unable to open a COM port.")},
    {105, QT_TRANSLATE_NOOP("Strings",
            "This program is for the KESTOV-LV200 series only.\r\n"
            "Please check the product name, communication port, dial to set, etc. and try again.")},
    {106, QT_TRANSLATE_NOOP("Strings", "Error on COM port. Closing the port.")},
    {107, QT_TRANSLATE_NOOP("Strings", "Scan")},
    {108, QT_TRANSLATE_NOOP("Strings", "Stop")},
    {109, QT_TRANSLATE_NOOP("Strings", "Device name is too long.")},
    {110, QT_TRANSLATE_NOOP("Strings", "No device selected in the scanned devices list.")},
    {111, QT_TRANSLATE_NOOP("Strings", "Slot %d: Invalid Bluetooth address.")},
    {112, QT_TRANSLATE_NOOP("Strings", "Completed device name settings.")},
    {113, QT_TRANSLATE_NOOP("Strings", "Invalid advertising interval value.")},
    {114, "Slot %d: TAG 길이가 잘못되었습니다."},
    {115, QT_TRANSLATE_NOOP("Strings", "Completed Beacon settings.")},
    {116, QT_TRANSLATE_NOOP("Strings", "Failed device name settings.")},
    {117, QT_TRANSLATE_NOOP("Strings", "Failed beacon data settings")},
    {118, QT_TRANSLATE_NOOP("Strings", "Setting advertising interval has been Completed.")},
    {119, QT_TRANSLATE_NOOP("Strings", "Failed to save advertising interval.")},
    {120, QT_TRANSLATE_NOOP("Strings", "The device is already assigned to a slot.")},
    {121, QT_TRANSLATE_NOOP("Strings", "Duplicated Bluetooth addresses are assigned to slot")},
    {122, QT_TRANSLATE_NOOP("Strings", "Node (device) registration has been completed")},
    {123, QT_TRANSLATE_NOOP("Strings", "Failed to register node (device).")},
    {124, QT_TRANSLATE_NOOP("Strings", "HW flow control: Item not selected.")},
    {125, QT_TRANSLATE_NOOP("Strings", "Parity: Item not selected.")},
    {126, QT_TRANSLATE_NOOP("Strings", "Stopbit: Item not selected.")},
    {127, QT_TRANSLATE_NOOP("Strings", "Completed UART option settings.")},
    {128, QT_TRANSLATE_NOOP("Strings", "Failed UART option settings.")},
    {129, QT_TRANSLATE_NOOP("Strings", "Invalid name length in Scan filter.")},
    {132, QT_TRANSLATE_NOOP("Strings", "The hexadecimal string is not an even length.")},
    {133, QT_TRANSLATE_NOOP("Strings", "String is too long.")},
    {134, QT_TRANSLATE_NOOP("Strings", "The format of the hexadecimal string is incorrect.")},
    {135, QT_TRANSLATE_NOOP("Strings", "Beacon data is empty.")},
    {136, QT_TRANSLATE_NOOP("Strings", "Invalid RSSI filter value")},
    {137, QT_TRANSLATE_NOOP("Strings",
            "It seems like an unsupported device is attached. "
            "Please check the type of device you have connected and try again.")},
    {138, QT_TRANSLATE_NOOP("Strings", "Reset to factory settings. Are you sure you want to continue?")},
    {139, QT_TRANSLATE_NOOP("Strings", "Device Address")},
    {140, QT_TRANSLATE_NOOP("Strings", "Device Name")},
    {141, QT_TRANSLATE_NOOP("Strings", "RSSI")},
    {142, QT_TRANSLATE_NOOP("Strings", "The device name contains a character the module cannot take.")},
    {143, QT_TRANSLATE_NOOP("Strings", "The name in Scan filter contains a character the module cannot take.")},
    {144, QT_TRANSLATE_NOOP("Strings", "Slot %d: The TAG contains a character the module cannot take.")},
    {145, QT_TRANSLATE_NOOP("Strings",
            "The device name cannot contain a comma: the module's reply separates its fields with commas, "
            "so the name could not be read back.")},
    {57664, QT_TRANSLATE_NOOP("Strings",
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
