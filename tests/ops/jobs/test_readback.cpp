// Reading a module's configuration back and showing it.
#include "sim_link.h"

#include <algorithm>

using Strings = std::vector<std::string>;

namespace {

sim::SimSlot Slot(uint8_t last, const std::string& tag) {
    sim::SimSlot s;
    s.used = true;
    const uint8_t addr[6] = {0xA0, 0xB1, 0xC2, 0xD3, 0xE4, last};
    std::copy(addr, addr + 6, s.address);
    s.tag = tag;
    return s;
}

// A module with slots 2 and 5 empty.
sim::SimState Configured(const std::string& model) {
    sim::SimState s = sim::DefaultState(model);
    s.version = "v2.0.1";
    s.name = "Dev\xED\x95\x9C";  // "Dev" and one Hangul syllable
    s.advInterval = 250;
    s.parity = 'E';
    s.stopBits = 2;
    s.flowControl = 1;
    s.slotTable[0] = Slot(0x01, "T1");
    s.slotTable[2] = Slot(0x03, "");
    s.slotTable[3] = Slot(0x04, "\xED\x95\x9C\xEA\xB8\x80");
    s.slotTable[5] = Slot(0x06, "ABCDEFGH");
    s.slotTable[6] = Slot(0x07, "x");
    if (s.SlotCount() == 8) {
        s.slotTable[7] = Slot(0x08, "last");
    }
    s.beaconHex = "48656C6C6F";  // "Hello"
    s.userBeacon = true;
    return s;
}

Strings ReadBack(int slots, bool beacon) {
    Strings c = {"AT", "AT+MODEL?"};
    const Strings queries = ReadBackCommands(slots, beacon);
    c.insert(c.end(), queries.begin(), queries.end());
    return c;
}

}  // namespace

TEST(ReadBack, ShowsWhatTheModuleHolds) {
    struct Case {
        std::string model;
        int picture;
        int slots;
        bool beacon;
    };
    const Case cases[] = {
        {"KESTOV-LV200", PNG_LV200, 8, true},
        {"KESTOV-LV230", PNG_SERIES, 7, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        SimLink link(c.model);
        link.sim.SetState(Configured(c.model));
        link.ops.OnOpenPort();
        // Row 8 is left alone after a seven-slot read-back.
        link.view.slots[8] = FakeView::SlotRow{u"KEEP", u"ME", true};
        ASSERT_TRUE(link.view.PumpUntil([&] { return link.view.Has("EnableControls(1)"); }));
        EXPECT_EQ(link.Commands(), ReadBack(c.slots, c.beacon));

        FakeView& v = link.view;
        EXPECT_EQ(v.picture, c.picture);
        EXPECT_EQ(v.firmware, u"v2.0.1");
        EXPECT_EQ(v.address, u"001A2B3C4D5E");
        EXPECT_EQ(v.deviceName, u"Dev\uD55C");
        EXPECT_EQ(v.advInterval, u"250");
        EXPECT_EQ(link.ops.Records().m_settings.advInterval, 250u);
        EXPECT_EQ(v.comboSelection[0], 1);  // flow control on
        EXPECT_EQ(v.comboSelection[1], 1);  // 'E'
        EXPECT_EQ(v.comboSelection[2], 1);  // 2 stop bits
        const std::pair<std::u16string, std::u16string> rows[] = {
            {u"A0B1C2D3E401", u"T1"},
            {u"", u""},
            {u"A0B1C2D3E403", u""},
            {u"A0B1C2D3E404", u"\uD55C\uAE00"},
            {u"", u""},
            {u"A0B1C2D3E406", u"ABCDEFGH"},
            {u"A0B1C2D3E407", u"x"},
            {u"A0B1C2D3E408", u"last"},
        };
        for (int n = 1; n <= c.slots; ++n) {
            SCOPED_TRACE(n);
            EXPECT_EQ(v.slots[n].address, rows[n - 1].first);
            EXPECT_EQ(v.slots[n].tag, rows[n - 1].second);
            EXPECT_EQ(v.slots[n].readOnly, !rows[n - 1].first.empty());
        }
        if (c.beacon) {
            EXPECT_EQ(v.beaconSourceRadios, BEACON_SOURCE_USER);
            EXPECT_EQ(v.beaconHex, u"48656C6C6F");
            EXPECT_EQ(v.beaconString, u"Hello");
            EXPECT_EQ(v.scanButtonText, IDS_SCAN);
            EXPECT_TRUE(v.scanButtonEnabled);
        } else {
            EXPECT_EQ(v.slots[8].address, u"KEEP");
            EXPECT_TRUE(v.Has("SetBeaconSourceRadios(" + std::to_string(BEACON_SOURCE_SERIAL) +
                              ")"));                      // radios follow the member
            EXPECT_FALSE(v.Has("SetScanButton(107,1)"));  // only after a stopped scan
        }
        // Every field of the table by its key too, beacon fields with a beacon only.
        std::vector<std::string> keys;
        for (const setting_fields::Field& f : setting_fields::Fields()) {
            if (!f.perSlot && (c.beacon || !f.beaconOnly)) keys.push_back(f.key);
        }
        std::vector<std::string> told;
        for (const auto& [key, text] : v.fieldTexts) told.push_back(key);
        std::sort(keys.begin(), keys.end());
        EXPECT_EQ(told, keys);
        const std::pair<const char*, std::u16string> texts[] = {
            {"name", u"Dev\uD55C"}, {"interval", u"250"}, {"parity", u"even"}, {"stopbits", u"2"}, {"flow", u"on"},
        };
        for (const auto& [key, text] : texts) EXPECT_EQ(v.fieldTexts[key], text) << key;
        if (c.beacon) {
            EXPECT_EQ(v.fieldTexts["beacon-data"], u"48656C6C6F");
        }
        EXPECT_EQ(v.Calls().back(), "EnableControls(1)");
        EXPECT_FALSE(v.OffThreadCall());
    }
}

TEST(ReadBack, AModuleStillScanningIsStopped) {
    struct Case {
        std::string model;
        Strings afterReadBack;
    };
    const Case cases[] = {
        {"KESTOV-LV200", {"AT+STOPSCAN"}},
        {"KESTOV-LV230", {"AT+STOPSCAN", "AT+SF=OFF"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        SimLink link(c.model);
        sim::SimState s = sim::DefaultState(c.model);
        s.scanning = true;
        link.sim.SetState(s);
        link.ops.SetScanState(1);
        link.ops.OnOpenPort();
        ASSERT_TRUE(link.view.PumpUntil([&] { return link.view.Has("EnableControls(1)"); }));
        const Strings expected = ReadBack(s.SlotCount(), s.HasBeacon());
        const Strings all = link.Commands();
        ASSERT_EQ(all.size(), expected.size() + c.afterReadBack.size());
        EXPECT_EQ(Strings(all.begin() + static_cast<long>(expected.size()), all.end()), c.afterReadBack);
        EXPECT_FALSE(link.sim.State().scanning);
        EXPECT_EQ(link.ops.ScanState(), 0);
        const int button = link.view.IndexOf("SetScanButton(107,1)");
        ASSERT_GE(button, 0);
        EXPECT_LT(button, link.view.IndexOf("EnableControls(1)"));
    }
}

TEST(ReadBack, FailureRerunsThePortChoice) {
    struct Case {
        std::string errorFor;
        std::string last;
    };
    // INFO takes an error reply at once; VER does not know it and times out.
    const Case cases[] = {
        {"AT+INFO?", "AT+INFO?"},
        {"AT+UARTOPT?", "AT+UARTOPT?"},
        {"AT+BEACON?", "AT+BEACON?"},
        {"AT+VER?", "AT+VER?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.errorFor);
        SimLink link;
        link.sim.SetErrorFor(c.errorFor);
        link.ops.OnOpenPort();
        ASSERT_TRUE(link.view.PumpUntil([&] { return link.view.Has("RunPortDialog"); }));
        EXPECT_EQ(link.Commands().back(), c.last);
        EXPECT_LT(link.view.IndexOf("ShowMessage(105,Error)"), link.view.IndexOf("RunPortDialog"));
        EXPECT_FALSE(link.view.Has("EnableControls(1)"));
        EXPECT_FALSE(link.ops.IsLinkOpen());
        EXPECT_EQ(link.view.firmware, u"");
    }
}
