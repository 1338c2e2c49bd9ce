// The device session against the simulated module: each call's commands on
// the wire, its pauses, and what its result says when the module fails it.
#include "link/comm.h"
#include "ops/session/device_model.h"
#include "ops/session/device_session.h"
#include "ops/session/setting_fields.h"
#include "ops/rules/rule_text.h"
#include "ops/rules/string_ids.h"
#include "sim/kestov_sim.h"
#include "sim_device.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

using Strings = std::vector<std::string>;

namespace {

// A module on a pseudo-terminal and a session on an open link to it.
struct SessionLink {
    explicit SessionLink(const std::string& model = "KESTOV-LV200") : sim(model) {
        std::string error;
        EXPECT_TRUE(sim.Start(&error)) << error;
        sim.SetScanDevices({});
        std::error_code ec;
        comm.Open(ec, sim.DevicePath(), 115200, 0, 0);
        EXPECT_FALSE(ec) << ec.message();
    }
    ~SessionLink() { comm.Close(); }

    long GapMs(const std::string& a, const std::string& b) const {
        const auto log = sim.Log();
        for (std::size_t i = 0; i + 1 < log.size(); ++i) {
            if (log[i].command == a && log[i + 1].command == b) {
                return static_cast<long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(log[i + 1].at - log[i].at).count());
            }
        }
        return -1;
    }

    sim::KestovSimulator sim;
    KestovLV2xxComm comm;
    DeviceSession session{comm};
};

SlotEntry Entry(uint8_t last, const std::string& tag) {
    SlotEntry e;
    e.address = {0xA0, 0xB1, 0xC2, 0xD3, 0xE4, last};
    e.tag = tag;
    return e;
}

// The name goes through its row of the settings table, as every caller's does.
SessionResult WriteName(DeviceSession& s, const std::string& name) {
    DeviceSettings target;
    target.name = name;
    return setting_fields::WriterOf("name")->write(s, target, 0);
}

struct Call {
    const char* name;
    std::function<SessionResult(DeviceSession&)> run;
    Strings wire;
    std::string refusedCommand;  // answered with an error in the failure case
    Strings wireWhenRefused;
};

const Call kCalls[] = {
    {"Identify",
     [](DeviceSession& s) { return SessionResult(s.Identify()); },
     {"AT", "AT+MODEL?"},
     "AT+MODEL",
     {"AT", "AT+MODEL?"}},
    {"SetName",
     [](DeviceSession& s) { return WriteName(s, "Dev\xED\x95\x9C"); },
     {"AT+MANUF=Dev\xED\x95\x9C"},
     "AT+MANUF",
     {"AT+MANUF=Dev\xED\x95\x9C"}},
    {"SetAdvInterval",
     [](DeviceSession& s) { return s.SetAdvInterval(2560); },
     {"AT+ADVINTERVAL=2560"},
     "AT+ADVINTERVAL",
     {"AT+ADVINTERVAL=2560"}},
    {"SetUartOptions",
     [](DeviceSession& s) {
         return s.SetUartOptions({'E', 2, true});
     },
     {"AT+UARTOPT=1,E,2"},
     "AT+UARTOPT",
     {"AT+UARTOPT=1,E,2"}},
    {"WriteSlots",
     [](DeviceSession& s) {
         return s.WriteSlots({Entry(1, "T1"), {}, Entry(3, ""), {}});
     },
     {"AT+SETSLOT=1,A0B1C2D3E401,T1", "AT+DELSLOT=2", "AT+SETSLOT=3,A0B1C2D3E403", "AT+DELSLOT=4"},
     "AT+SETSLOT=3",
     {"AT+SETSLOT=1,A0B1C2D3E401,T1", "AT+DELSLOT=2", "AT+SETSLOT=3,A0B1C2D3E403"}},
    {"SetBeaconUser",
     [](DeviceSession& s) { return s.SetBeacon(BEACON_SOURCE_USER, "0201060AFF"); },
     {"AT+BEACON=0201060AFF", "AT+UCBEACON=ON"},
     "AT+BEACON=",
     {"AT+BEACON=0201060AFF"}},
    {"SetBeaconSerial",
     [](DeviceSession& s) { return s.SetBeacon(BEACON_SOURCE_SERIAL, ""); },
     {"AT+UCBEACON=OFF"},
     "AT+UCBEACON",
     {"AT+UCBEACON=OFF"}},
    {"StartScan",
     [](DeviceSession& s) { return s.StartScan("Sen"); },
     {"AT+SF=ON,Sen", "AT+STARTSCAN"},
     "AT+SF",
     {"AT+SF=ON,Sen"}},
};

class SessionCalls : public ::testing::TestWithParam<std::size_t> {};

}  // namespace

TEST_P(SessionCalls, SendExactlyTheirCommands) {
    const Call& c = kCalls[GetParam()];
    SessionLink link;
    const SessionResult ok = c.run(link.session);
    EXPECT_TRUE(ok) << ok.Describe();
    EXPECT_EQ(link.sim.Commands(), c.wire);
    EXPECT_EQ(ok.completed, static_cast<int>(c.wire.size()));
}

TEST_P(SessionCalls, SayWhichCommandTheModuleRefused) {
    const Call& c = kCalls[GetParam()];
    SessionLink link;
    link.sim.SetErrorFor(c.refusedCommand);
    const SessionResult r = c.run(link.session);
    EXPECT_FALSE(r);
    // An error line is a refusal, never a model text.
    EXPECT_EQ(r.error, SessionError::Refused);
    EXPECT_EQ(r.command, c.wireWhenRefused.back());
    EXPECT_EQ(r.completed, static_cast<int>(c.wireWhenRefused.size()) - 1);
    EXPECT_EQ(link.sim.Commands(), c.wireWhenRefused) << "nothing after the refusal";
    EXPECT_NE(r.Describe().find(c.wireWhenRefused.back()), std::string::npos) << r.Describe();
}

INSTANTIATE_TEST_SUITE_P(All, SessionCalls, ::testing::Range<std::size_t>(0, std::size(kCalls)),
                         [](const auto& info) { return std::string(kCalls[info.param].name); });

TEST(Session, PausesTheModuleNeeds) {
    SessionLink link;
    ASSERT_TRUE(link.session.WriteSlots({Entry(1, ""), {}}));
    ASSERT_TRUE(link.session.SetBeacon(BEACON_SOURCE_USER, "AB"));
    ASSERT_TRUE(link.session.StartScan(""));
    EXPECT_GE(link.GapMs("AT+SETSLOT=1,A0B1C2D3E401", "AT+DELSLOT=2"), 100);
    EXPECT_GE(link.GapMs("AT+DELSLOT=2", "AT+BEACON=AB"), 300);  // 100 after the slot, 200 before the beacon
    EXPECT_GE(link.GapMs("AT+BEACON=AB", "AT+UCBEACON=ON"), 200);
    EXPECT_GE(link.GapMs("AT+SF=OFF", "AT+STARTSCAN"), 500);
}

TEST(Session, ReadAllFollowsTheModel) {
    for (const char* model : {"KESTOV-LV210", "KESTOV-LV230"}) {
        SCOPED_TRACE(model);
        SessionLink link(model);
        sim::SimState s = link.sim.State();
        s.slotTable[1].used = true;
        s.slotTable[1].address[5] = 0x42;
        s.slotTable[1].tag = "tag";
        s.beaconHex = "48656C6C6F";
        s.userBeacon = true;
        s.parity = 'O';
        s.stopBits = 2;
        link.sim.SetState(s);
        const IdentifyResult id = link.session.Identify();
        ASSERT_TRUE(id) << id.Describe();
        const ReadResult r = link.session.ReadAll(id.model);
        ASSERT_TRUE(r) << r.Describe();
        const bool beacon = device_model::HasBeacon(id.model);
        EXPECT_EQ(r.settings.slotEntries.size(), beacon ? 8u : 7u);
        EXPECT_EQ(r.settings.slotEntries[1].tag, "tag");
        EXPECT_EQ(r.settings.slotEntries[1].address[5], 0x42);
        EXPECT_TRUE(r.settings.slotEntries[0].Empty()) << "an empty slot answers with an error";
        EXPECT_EQ(r.settings.uart, (UartOptions{'O', 2, false}));
        EXPECT_EQ(r.settings.beaconHex, beacon ? "48656C6C6F" : "");
        EXPECT_EQ(r.settings.beaconSource, beacon ? BEACON_SOURCE_USER : BEACON_SOURCE_SERIAL);
        EXPECT_EQ(link.sim.Commands().back(), beacon ? "AT+UCBEACON?" : "AT+GETSLOT=7");
    }
}

TEST(Session, FailuresBeforeAnythingIsSent) {
    SessionLink link;
    struct Case {
        SessionResult result;
        std::string says;  // the window's message where it has one
    };
    const Case cases[] = {
        {WriteName(link.session, "NINEBYTES"), RuleText(IDS_DEVICE_NAME_TOO_LONG)},
        {WriteName(link.session, "A\rATZ"), RuleText(IDS_DEVICE_NAME_BAD_CHAR)},
        {link.session.SetAdvInterval(19), RuleText(IDS_INVALID_ADV_INTERVAL)},
        {link.session.SetUartOptions({'n', 1, false}), "UART options"},
        {link.session.WriteSlots({Entry(1, "x\nATZ")}), RuleText(IDS_SLOT_TAG_BAD_CHAR, 1)},
        {link.session.SetBeacon(BEACON_SOURCE_USER, "ABC"), RuleText(IDS_HEX_ODD_LENGTH)},
        {link.session.SetScanFilter("a\x1b"), RuleText(IDS_FILTER_NAME_BAD_CHAR)},
        {link.session.SetScanFilter("NINEBYTES"), RuleText(IDS_INVALID_FILTER_NAME)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        EXPECT_EQ(c.result.error, SessionError::InvalidInput);
        EXPECT_NE(c.says, "");
        EXPECT_NE(c.result.Describe().find(c.says), std::string::npos) << c.result.Describe();
    }
    EXPECT_TRUE(link.sim.Commands().empty());
}

TEST(Session, SilenceCancelAndClosedLink) {
    SessionLink link;
    link.sim.SetSilent(true);
    const IdentifyResult quick = link.session.Identify({100, 1, 100});
    EXPECT_EQ(quick.error, SessionError::Timeout);
    EXPECT_EQ(link.sim.Commands(), Strings{"AT"}) << "one try when asked for one";

    // Cancel ends a pause at once and refuses what follows.
    link.sim.SetSilent(false);
    link.sim.ClearLog();
    std::thread canceller([&] {
        link.sim.WaitForCommands(1, std::chrono::seconds(5));
        link.session.Cancel();
    });
    const auto start = std::chrono::steady_clock::now();
    const SessionResult r = link.session.StartScan("");
    canceller.join();
    EXPECT_EQ(r.error, SessionError::Closed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(450));
    EXPECT_EQ(link.sim.Commands(), Strings{"AT+SF=OFF"});
    link.session.Resume();

    link.comm.Close();
    EXPECT_EQ(link.session.Reboot().error, SessionError::NotOpen);
}

TEST(Session, ScanHandsOverReportsAndStopsTheModule) {
    SessionLink link;
    link.sim.SetScanDevices({testsupport::Device(0x07, "near", -40)});
    int reports = 0;
    const SessionResult r = link.session.Scan(
        "", [&] { return reports < 3; },
        [&](const lv2xx_scan_report& report) {
            EXPECT_EQ(report.rssi, -40);
            ++reports;
        });
    EXPECT_TRUE(r) << r.Describe();
    EXPECT_EQ(reports, 3);
    EXPECT_EQ(link.sim.Commands().back(), "AT+STOPSCAN");
    EXPECT_FALSE(link.sim.State().scanning);
}
