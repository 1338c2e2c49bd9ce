// Pure rules: input checks, time-outs, model names, status texts, and the
// read-back display fed from hand-made records (no link needed).
#include "fake_view.h"
#include "ops/rules/input_rules.h"
#include "ops/jobs/manager_ops.h"
#include "ops/session/device_model.h"
#include "ops/rules/string_ids.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

using namespace input_rules;

TEST(InputRules, TextChecksReturnTheMessageToShow) {
    const std::string kHangul3 = "\xED\x95\x9C\xEA\xB8\x80\xEB\xA1\x9C";  // 9 bytes
    const std::string kHangul2 = "\xED\x95\x9C\xEA\xB8\x80";              // 6 bytes
    struct Case {
        int (*check)(const std::string&);
        std::string text;
        int expected;
    };
    const Case cases[] = {
        {CheckDeviceName, "", 0},
        {CheckDeviceName, "ABCDEFGH", 0},
        {CheckDeviceName, kHangul2, 0},
        {CheckDeviceName, "ABCDEFGHI", IDS_DEVICE_NAME_TOO_LONG},
        {CheckDeviceName, kHangul3, IDS_DEVICE_NAME_TOO_LONG},
        {CheckDeviceName, "AB\rAT&F", IDS_DEVICE_NAME_BAD_CHAR},
        {CheckDeviceName, "A\nB", IDS_DEVICE_NAME_BAD_CHAR},
        {CheckDeviceName, "A\x7f", IDS_DEVICE_NAME_BAD_CHAR},
        {CheckDeviceName, "ABCDEFGH\r", IDS_DEVICE_NAME_TOO_LONG},
        // The information reply could not be split back into its fields.
        {CheckDeviceName, "a,b", IDS_DEVICE_NAME_COMMA},
        {CheckDeviceName, ",", IDS_DEVICE_NAME_COMMA},
        {CheckDeviceName, "A\r,", IDS_DEVICE_NAME_BAD_CHAR},
        {CheckSlotTag, "a,b", 0},
        {CheckScanFilterName, "TALVERN", 0},
        {CheckScanFilterName, "ABCDEFGH", 0},
        {CheckScanFilterName, "", IDS_INVALID_FILTER_NAME},
        {CheckScanFilterName, "ABCDEFGHI", IDS_INVALID_FILTER_NAME},
        {CheckScanFilterName, kHangul3, IDS_INVALID_FILTER_NAME},
        {CheckScanFilterName, "AB\r", IDS_FILTER_NAME_BAD_CHAR},
        {CheckScanFilterName, "ABCDEFGH\x1b", IDS_INVALID_FILTER_NAME},
        {CheckSlotTag, "", 0},
        {CheckSlotTag, "ABCDEFGH", 0},
        {CheckSlotTag, kHangul3, IDS_SLOT_INVALID_TAG},
        {CheckSlotTag, "a\tb", IDS_SLOT_TAG_BAD_CHAR},
        {CheckBeaconHex, "0201060AFF", 0},
        {CheckBeaconHex, "0201060aff", 0},
        {CheckBeaconHex, std::string(52, 'A'), 0},
        {CheckBeaconHex, "", IDS_BEACON_EMPTY},
        {CheckBeaconHex, "0201060", IDS_HEX_ODD_LENGTH},
        {CheckBeaconHex, "02GG", IDS_HEX_FORMAT},
        {CheckBeaconHex, "02\r\n", IDS_HEX_FORMAT},
        {CheckBeaconHex, std::string(54, 'A'), IDS_STRING_TOO_LONG},
        {CheckBeaconHex, std::string(53, 'G'), IDS_HEX_ODD_LENGTH},  // odd length comes first
        {CheckBeaconHex, std::string(54, 'G'), IDS_HEX_FORMAT},      // then the format
        {CheckBeaconString, "abc", 0},
        {CheckBeaconString, std::string(26, 'x'), 0},
        {CheckBeaconString, "", IDS_BEACON_EMPTY},
        {CheckBeaconString, std::string(27, 'x'), IDS_STRING_TOO_LONG},
        {CheckBeaconString, kHangul3 + kHangul3 + kHangul3, IDS_STRING_TOO_LONG},
        {CheckBeaconString, "ab\rAT&F", 0},  // sent as hex digits: any byte will do
        {CheckBeaconString, std::string("\x02\x01\x06\x03\x03\xAA\xFE", 7), 0},
        {CheckBeaconString, std::string(27, '\x01'), IDS_STRING_TOO_LONG},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.check(c.text), c.expected) << '"' << c.text << '"';
    }
    EXPECT_EQ(CheckBeaconHex(std::u16string(u"02G1")), IDS_HEX_FORMAT);
    EXPECT_EQ(CheckBeaconHex(std::u16string(u"02\u00e9\u00e9")), IDS_HEX_FORMAT);
}

TEST(InputRules, RssiText) {
    struct Case {
        const char16_t* text;
        bool valid;
        int value;
    };
    const Case cases[] = {
        {u" -45 ", true, -45}, {u"+5", true, 5},    {u"127", true, 127}, {u"-127", true, -127}, {u"\t0\r\n", true, 0},
        {u"-128", false, 0},   {u"1000", false, 0}, {u"-", false, 0},    {u"4a", false, 0},     {u"", false, 0},
        {u"12 3", false, 0},   {u"0127", false, 0}, {u"+-1", false, 0},  {u"\uff11", false, 0}, {u"   ", false, 0},
    };
    for (const Case& c : cases) {
        int value = 999;
        EXPECT_EQ(IsValidRssiText(std::u16string(c.text), &value), c.valid) << Narrow(c.text);
        if (c.valid) {
            EXPECT_EQ(value, c.value) << Narrow(c.text);
        }
        EXPECT_EQ(IsValidRssiText(Narrow(c.text)), c.valid) << Narrow(c.text);
    }
}

TEST(InputRules, RssiThresholdIsReadLikeStrtolLowEightBitsSigned) {
    EXPECT_EQ(RssiThresholdOf(u"-45"), -45);
    EXPECT_EQ(RssiThresholdOf(u"  -45xyz"), -45);
    EXPECT_EQ(RssiThresholdOf(u"abc"), 0);
    EXPECT_EQ(RssiThresholdOf(u"200"), -56);  // low 8 bits
    EXPECT_EQ(RssiThresholdOf(u"+127"), 127);
}

TEST(InputRules, AdvInterval) {
    struct Case {
        const char* text;
        long value;
        bool valid;
    };
    const Case cases[] = {
        {"20", 20, true},
        {"2560", 2560, true},
        {"19", 19, false},
        {"2561", 2561, false},
        {"", 0, false},
        {"abc", 0, false},
        {"100ms", 100, true},
        {" +100", 100, true},
        {"-100", -100, false},
        {"99999999999999999999", LONG_MAX, false},
        {"-99999999999999999999", LONG_MIN, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseAdvInterval(std::string(c.text)), c.value) << c.text;
        EXPECT_EQ(ParseAdvInterval(std::u16string(c.text, c.text + std::strlen(c.text))), c.value) << c.text;
        EXPECT_EQ(IsValidAdvInterval(ParseAdvInterval(std::string(c.text))), c.valid) << c.text;
    }
}

// The slot rows as the window saves them and as a profile or the command
// line names them: one rule, one order.
TEST(InputRules, SlotRows) {
    const std::string a = "A0B1C2D3E401";
    const std::string b = "A0B1C2D3E402";
    struct Case {
        const char* name;
        std::vector<std::string> addresses;
        std::vector<std::string> tags;
        int id;
        int slot;
    };
    const Case cases[] = {
        {"all empty", {"", "", ""}, {"", "", ""}, 0, 0},
        {"two devices", {a, "", b}, {"T1", "", ""}, 0, 0},
        {"twin ignoring case", {a, "", "a0b1c2d3e401"}, {"", "", ""}, IDS_DUPLICATED_ADDRESS, 3},
        {"twins of text that is no address", {"XYZ", "xyz"}, {"", ""}, IDS_DUPLICATED_ADDRESS, 2},
        {"bad address", {a, "A0B1C2D3E4"}, {"", ""}, IDS_SLOT_INVALID_ADDRESS, 2},
        {"earlier row first", {"A0B1", b, b}, {"", "", ""}, IDS_SLOT_INVALID_ADDRESS, 1},
        {"twin before its own address", {b, "A0B1", b}, {"", "", ""}, IDS_DUPLICATED_ADDRESS, 3},
        {"tag too long", {a}, {"NINEBYTES"}, IDS_SLOT_INVALID_TAG, 1},
        {"tag on an empty row", {"", a}, {"x\nATZ", ""}, IDS_SLOT_TAG_BAD_CHAR, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const input_rules::SlotRefusal r = input_rules::CheckSlotRows(c.addresses, c.tags);
        EXPECT_EQ(r.id, c.id);
        EXPECT_EQ(r.slot, c.slot);
    }
}

TEST(ManagerOpsTables, ModelQueryTimeoutFollowsTheBaudRate) {
    const std::pair<uint32_t, unsigned> cases[] = {
        {0, 1200},   {1, 1200},   {9, 1200},    {10, 128000},  {1200, 1066},   {2400, 533},
        {4800, 266}, {9599, 133}, {9600, 1200}, {19200, 1200}, {115200, 1200},
    };
    for (const auto& [baud, ms] : cases) {
        EXPECT_EQ(ManagerOps::ModelQueryTimeoutMs(baud), ms) << baud;
    }
}

TEST(ManagerOpsTables, ModelNamesCompareExactly) {
    const std::pair<const char*, int> cases[] = {
        {"KESTOV-LV200", MODEL_LV200},
        {"KESTOV-LV210", MODEL_LV210},
        {"KESTOV-LV220", MODEL_LV220},
        {"KESTOV-LV230", MODEL_LV230},
        {"KESTOV-LV2000", 0},
        {"KESTOV-LV20", 0},
        {"kestov-lv200", 0},
        {"KESTOV-LV240", 0},
        {"", 0},
        {"+ERROR", 0},
        {" KESTOV-LV200", 0},
    };
    for (const auto& [text, model] : cases) {
        EXPECT_EQ(device_model::IndexOf(text), model) << text;
    }
    EXPECT_EQ(ManagerOps::PictureForModel(MODEL_LV200), PNG_LV200);
    EXPECT_EQ(ManagerOps::PictureForModel(MODEL_LV210), PNG_LV210);
    EXPECT_EQ(ManagerOps::PictureForModel(MODEL_LV220), PNG_LV220);
    EXPECT_EQ(ManagerOps::PictureForModel(MODEL_LV230), PNG_SERIES);
}

TEST(ManagerOpsTables, LinkStatusText) {
    PortSettings port;
    port.m_portName = u"/dev/ttyUSB0";
    port.m_baudRate = 115200;
    port.m_parity = 2;
    port.m_stopBits = 1;
    EXPECT_EQ(ManagerOps::LinkStatusText(port), u"/dev/ttyUSB0, 115200, Even parity, 1.5 stopbit");
    port.m_parity = 0;
    port.m_stopBits = 2;
    EXPECT_EQ(ManagerOps::LinkStatusText(port), u"/dev/ttyUSB0, 115200, No parity, 2 stopbit");
    EXPECT_EQ(ManagerOps::ParityText(1), u"Odd parity");
    EXPECT_EQ(ManagerOps::StopBitsText(0), u"1 stopbit");
    EXPECT_EQ(ManagerOps::ParityText(3), u"");
    EXPECT_EQ(ManagerOps::StopBitsText(7), u"");
}

TEST(ManagerOpsTables, CommandTextGuard) {
    EXPECT_TRUE(ManagerOps::IsSafeCommandText("LV200"));
    EXPECT_TRUE(ManagerOps::IsSafeCommandText("\xED\x95\x9C"));  // UTF-8 is not control
    EXPECT_FALSE(ManagerOps::IsSafeCommandText("A\rB"));
    EXPECT_FALSE(ManagerOps::IsSafeCommandText("A\nB"));
    EXPECT_FALSE(ManagerOps::IsSafeCommandText(std::string("A\0B", 3)));
}

// The read-back display, from records as the worker would leave them.
TEST(ReadBackDisplay, BeaconBytesAndUnknownComboValues) {
    FakeView view;
    ManagerOps ops(view);
    view.Attach(&ops);
    DeviceRecords& r = ops.Records();
    DeviceSettings& s = r.m_settings;
    s.firmware = "v1.0";
    const BtAddress addr = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    s.address = addr;
    s.name = "\xED\x95\x9C";
    s.state = "READY";
    s.advInterval = 2560;
    s.uart = {'X', 2, true};  // no parity item has 'X'
    s.slotEntries.assign(8, SlotEntry{});
    s.slotEntries[0].address = addr;
    s.beaconSource = BEACON_SOURCE_USER;

    struct Case {
        const char* hex;
        const char16_t* text;
    };
    const Case cases[] = {
        {"414243", u"ABC"},
        {"41424", u"AB"},       // an odd last digit is ignored
        {"4100FF", u"A"},       // the text ends at a NUL byte
        {"E29C93", u"\u2713"},  // read as UTF-8
        {"", u""},
    };
    for (const Case& c : cases) {
        s.beaconHex = c.hex;
        view.comboSelection[1] = 2;
        ops.OnJobResult(JOB_READ_SETTINGS_BEACON, JOB_STATUS_OK);
        EXPECT_EQ(view.beaconHex, Wide(c.hex));
        EXPECT_EQ(view.beaconString, c.text) << c.hex;
        EXPECT_EQ(view.comboSelection[1], 2) << "an unknown parity keeps the selection";
    }
    EXPECT_EQ(view.firmware, u"v1.0");
    EXPECT_EQ(view.address, u"001A2B3C4D5E");
    EXPECT_EQ(view.deviceName, u"\uD55C");
    EXPECT_EQ(view.advInterval, u"2560");
    EXPECT_EQ(s.advInterval, 2560u);
    EXPECT_EQ(view.comboSelection[0], 1);
    EXPECT_EQ(view.comboSelection[2], 1);
    EXPECT_EQ(view.beaconSourceRadios, BEACON_SOURCE_USER);
    EXPECT_EQ(s.beaconSource, BEACON_SOURCE_USER);
    EXPECT_EQ(view.slots[1].address, u"001A2B3C4D5E");
    EXPECT_TRUE(view.slots[1].readOnly);
    EXPECT_EQ(view.slots[1].tag, u"");
    EXPECT_FALSE(view.slots[2].readOnly);
    EXPECT_TRUE(view.controlsEnabled);
    EXPECT_EQ(view.scanButtonText, IDS_SCAN);
    EXPECT_FALSE(view.OffThreadCall());
}

// Results of a job that a window thread gets with no link behind them.
TEST(QueueWithoutLink, JobsWaitForTheNextOpenAndResultsActOnAClosedLink) {
    FakeView view;
    ManagerOps ops(view);
    view.Attach(&ops);
    ops.QueueJob(JOB_REBOOT, false);  // nothing runs: no worker
    EXPECT_FALSE(ops.IsLinkOpen());
    // A failed identification reruns the port choice, which closes nothing.
    ops.OnJobResult(JOB_IDENTIFY, JOB_STATUS_FAILED);
    EXPECT_TRUE(view.Has("ShowMessage(105,Error)"));
    EXPECT_TRUE(view.Has("RunPortDialog"));
    EXPECT_FALSE(view.Has("SetLinkStatusString(102)"));  // the link was not open
    // Codes outside the table do nothing.
    view.ClearCalls();
    ops.OnJobResult(2, JOB_STATUS_OK);
    ops.OnJobResult(16, JOB_STATUS_FAILED);
    EXPECT_TRUE(view.Calls().empty());
}
