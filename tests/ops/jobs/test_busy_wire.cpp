// Identification, read-back and every write job on a busy or unusual wire:
// a module that scans the whole time, echoes, splits or delays its replies,
// or has a scan report half sent whenever a command goes out.
#include "sim_link.h"

#include <algorithm>
#include <cstring>
#include <functional>

using Strings = std::vector<std::string>;

namespace {

struct Wire {
    const char* name;
    std::function<void(sim::KestovSimulator&)> setUp;
    bool scanning;  // the module scans by itself the whole time
};

void LineRateScan(sim::KestovSimulator& sim) {
    sim.SetScanDevices(sim::KestovSimulator::MakeDevices(40, 3));
    sim.SetPaceBaud(115200);
    sim.SetScanRate(400);
}

const Wire kWires[] = {
    {"ScanningAtLineRate", LineRateScan, true},
    {"ScanningWithEcho",
     [](sim::KestovSimulator& s) {
         LineRateScan(s);
         s.SetEcho(true);
     },
     true},
    {"ScanningWithReplyDelay",
     [](sim::KestovSimulator& s) {
         LineRateScan(s);
         s.SetReplyDelay(std::chrono::milliseconds(40));
     },
     true},
    {"ScanningWithSplitWrites",
     [](sim::KestovSimulator& s) {
         LineRateScan(s);
         s.SetSplitWrites(true);
     },
     true},
    {"EchoOn", [](sim::KestovSimulator& s) { s.SetEcho(true); }, false},
    {"ReportStraddlesEveryReply",
     [](sim::KestovSimulator& s) {
         s.SetScanDevices(sim::KestovSimulator::MakeDevices(3, 5));
         s.SetReportStraddlesReplies(true);
     },
     false},
};

sim::SimState Configured() {
    sim::SimState s = sim::DefaultState("KESTOV-LV200");
    s.version = "v2.0.1";
    s.name = "Busy";
    s.advInterval = 1234;
    s.parity = 'O';
    s.stopBits = 2;
    s.flowControl = 1;
    return s;
}

// The module starts (or goes on) scanning by itself.
void KeepScanning(SimLink& link, bool on) {
    if (!on) return;
    sim::SimState s = link.sim.State();
    s.scanning = true;
    link.sim.SetState(s);
}

std::string Join(const Strings& items) {
    std::string out;
    for (const std::string& s : items) out += s + " | ";
    return out;
}

std::string Msg(int id, const char* icon) { return "ShowMessage(" + std::to_string(id) + "," + icon + ")"; }

struct WriteRow {
    const char* name;
    int job;
    std::function<void(DeviceRecords&)> fill;
    int done;
    std::function<bool(const sim::SimState&)> applied;
};

const WriteRow kWrites[] = {
    {"AdvInterval", JOB_SET_ADV_INTERVAL, [](DeviceRecords& r) { r.m_toWrite.advInterval = 2560; },
     IDS_ADV_INTERVAL_DONE, [](const sim::SimState& s) { return s.advInterval == 2560; }},
    {"DeviceName", JOB_SET_DEVICE_NAME, [](DeviceRecords& r) { r.m_toWrite.name = "Renamed"; }, IDS_DEVICE_NAME_DONE,
     [](const sim::SimState& s) { return s.name == "Renamed"; }},
    {"UartOptions", JOB_SET_UART_OPTIONS,
     [](DeviceRecords& r) {
         r.m_toWrite.uart = {'E', 1, false};
     },
     IDS_UART_DONE, [](const sim::SimState& s) { return s.parity == 'E' && s.stopBits == 1 && s.flowControl == 0; }},
    {"Beacon", JOB_SET_BEACON,
     [](DeviceRecords& r) {
         r.m_toWrite.beaconSource = BEACON_SOURCE_USER;
         r.m_toWrite.beaconHex = "0201060AFF";
     },
     IDS_BEACON_DONE, [](const sim::SimState& s) { return s.beaconHex == "0201060AFF" && s.userBeacon; }},
    {"Slots", JOB_WRITE_SLOTS,
     [](DeviceRecords& r) {
         r.m_toWrite.slotEntries.assign(8, SlotEntry{});
         r.m_toWrite.slotEntries[0].address = {0xA0, 0xB1, 0xC2, 0xD3, 0xE4, 0x01};
         r.m_toWrite.slotEntries[0].tag = "T1";
     },
     IDS_REGISTRATION_DONE, [](const sim::SimState& s) { return s.slotTable[0].used && s.slotTable[0].tag == "T1"; }},
};

void PrintTo(const Wire& wire, std::ostream* os) { *os << wire.name; }

class BusyWire : public ::testing::TestWithParam<Wire> {};

}  // namespace

TEST_P(BusyWire, IdentifyReadBackAndEveryWriteGiveTheRightValuesAndMessages) {
    const Wire& wire = GetParam();
    SimLink link;
    sim::SimState state = Configured();
    state.scanning = wire.scanning;
    link.sim.SetState(state);
    wire.setUp(link.sim);

    link.ops.OnOpenPort();
    ASSERT_TRUE(link.view.PumpUntil([&] { return link.view.Has("EnableControls(1)"); }))
        << Join(link.Commands()) << "\n"
        << Join(link.view.Calls());
    FakeView& v = link.view;
    EXPECT_EQ(link.ops.Model(), MODEL_LV200);
    EXPECT_EQ(v.firmware, u"v2.0.1");
    EXPECT_EQ(v.address, u"001A2B3C4D5E");
    EXPECT_EQ(v.deviceName, u"Busy");
    EXPECT_EQ(v.advInterval, u"1234");
    EXPECT_EQ(v.comboSelection[0], 1);  // flow control on
    EXPECT_EQ(v.comboSelection[2], 1);  // 2 stop bits
    EXPECT_EQ(v.Count("ShowMessage(137,Information)") + v.Count("ShowMessage(105,Error)"), 0);
    // A module that was scanning is stopped once the read-back is through.
    EXPECT_FALSE(link.sim.State().scanning);
    const Strings sent = link.Commands();
    EXPECT_EQ(sent.back() == "AT+STOPSCAN", wire.scanning) << sent.back();

    for (const WriteRow& w : kWrites) {
        SCOPED_TRACE(w.name);
        KeepScanning(link, wire.scanning);
        v.ClearCalls();
        w.fill(link.ops.Records());
        link.ops.QueueJob(w.job, false);
        ASSERT_TRUE(v.PumpUntil([&] { return v.Has(Msg(w.done, "Information")) && v.Has("EnableControls(1)"); }))
            << (v.Calls().empty() ? "" : v.Calls().back());
        EXPECT_TRUE(w.applied(link.sim.State()));
        EXPECT_EQ(v.Count("ShowMessage(137,Information)") + v.Count("ShowMessage(105,Error)"), 0);
        // Whatever read-back followed found the values just written.
        ASSERT_TRUE(v.PumpUntil([&] { return !link.ops.IsBusy() && link.view.QueuedMessages() == 0; }));
    }
    EXPECT_EQ(v.deviceName, u"Renamed");
    EXPECT_FALSE(v.OffThreadCall());
}

INSTANTIATE_TEST_SUITE_P(Wires, BusyWire, ::testing::ValuesIn(kWires),
                         [](const ::testing::TestParamInfo<Wire>& info) { return std::string(info.param.name); });

// A write whose reply comes just after its time-out: the write is reported as
// failed, and the re-identification that follows is not fooled by the late OK.
TEST(LateReply, AfterATimedOutWriteTheModuleIsIdentifiedAgain) {
    SimLink link;
    ASSERT_TRUE(link.Connect());
    link.sim.SetDelayFor("AT+ADVINTERVAL=", std::chrono::milliseconds(1300));
    link.ops.Records().m_toWrite.advInterval = 500;
    link.ops.QueueJob(JOB_SET_ADV_INTERVAL, false);
    FakeView& v = link.view;
    ASSERT_TRUE(v.PumpUntil([&] { return v.Has(Msg(IDS_ADV_INTERVAL_FAILED, "Error")); }));
    ASSERT_TRUE(v.PumpUntil([&] { return v.Has("EnableControls(1)"); }, std::chrono::seconds(20)));
    EXPECT_EQ(v.Count("ShowMessage(137,Information)") + v.Count("RunPortDialog"), 0);
    EXPECT_EQ(link.ops.Model(), MODEL_LV200);
    EXPECT_EQ(link.sim.State().advInterval, 500u);
    EXPECT_EQ(v.advInterval, u"500");
}

// During a scan at line rate every report reaches the window, in the order
// the module sent them, none lost and none twice.
TEST(ScanOnABusyWire, EveryReportReachesTheListInOrder) {
    SimLink link;
    ASSERT_TRUE(link.Connect());
    const auto devices = sim::KestovSimulator::MakeDevices(300, 9);
    link.sim.SetScanDevices(devices);
    link.sim.SetPaceBaud(115200);
    link.sim.SetScanRate(400);
    FakeView& v = link.view;
    link.ops.QueueJob(JOB_START_SCAN, false);
    ASSERT_TRUE(v.PumpUntil([&] { return link.sim.ReportsSent() >= 600; }, std::chrono::seconds(30)));
    link.sim.SetScanRate(0);
    ASSERT_TRUE(v.PumpUntil([&] { return v.reportsHandled.size() >= link.sim.ReportsSent(); }));
    v.PumpUntil([] { return false; }, std::chrono::milliseconds(100));  // nothing more arrives

    ASSERT_EQ(v.reportsHandled.size(), link.sim.ReportsSent());
    for (std::size_t i = 0; i < v.reportsHandled.size(); ++i) {
        ASSERT_EQ(std::memcmp(v.reportsHandled[i].address, devices[i % devices.size()].address, 6), 0) << i;
    }
    EXPECT_EQ(v.scanRows.size(), devices.size());

    link.ops.RequestScanStop();
    ASSERT_TRUE(v.PumpUntil([&] { return v.Has("SetScanButton(107,1)"); }));
}

// Closing during a scan leaves the module idle, and a module that went on
// scanning while nobody listened does not disturb the next connect.
TEST(ScanOnABusyWire, CloseStopsTheScanAndAReconnectToAScanningModuleWorks) {
    SimLink link;
    ASSERT_TRUE(link.Connect());
    link.sim.SetPaceBaud(115200);
    link.sim.SetScanDevices(sim::KestovSimulator::MakeDevices(20, 4));
    link.sim.SetScanRate(400);
    link.ops.QueueJob(JOB_START_SCAN, false);
    ASSERT_TRUE(link.view.PumpUntil([&] { return link.view.scanRows.size() >= 5; }));
    link.ops.CloseLink();
    EXPECT_TRUE(link.WaitCommand("AT+STOPSCAN"));
    EXPECT_FALSE(link.sim.State().scanning);

    for (int attempt = 0; attempt < 4; ++attempt) {
        SCOPED_TRACE(attempt);
        KeepScanning(link, true);  // as after a crash: nobody stopped it
        link.sim.SetReplyDelay(std::chrono::milliseconds(20 + 13 * attempt));
        link.view.ClearCalls();
        link.ops.OnOpenPort();
        ASSERT_TRUE(link.view.PumpUntil([&] { return link.view.Has("EnableControls(1)"); }));
        EXPECT_EQ(link.ops.Model(), MODEL_LV200);
        EXPECT_EQ(link.view.Count("ShowMessage(137,Information)"), 0);
        link.ops.CloseLink();
    }
}

// A job queued while the read-back of a scanning module runs (UART Apply
// leaves the window enabled): the scan stop keeps its place, before that
// job's commands, and never runs beside it.
TEST(ScanOnABusyWire, TheReadBacksScanStopNeverInterleavesWithTheNextJob) {
    SimLink link;
    sim::SimState s = Configured();
    s.scanning = true;
    link.sim.SetState(s);
    LineRateScan(link.sim);
    link.ops.Records().m_toWrite.uart = {'E', 1, false};
    link.ops.OnOpenPort();
    ASSERT_TRUE(link.WaitCommand("AT+GETSLOT=8"));
    link.ops.QueueJob(JOB_SET_UART_OPTIONS, false);
    FakeView& v = link.view;
    ASSERT_TRUE(v.PumpUntil([&] { return v.ResultCount(JOB_SET_UART_OPTIONS) == 1; }));
    const Strings sent = link.Commands();
    const auto stop = std::find(sent.begin(), sent.end(), "AT+STOPSCAN");
    ASSERT_NE(stop, sent.end());
    EXPECT_EQ(Strings(stop, sent.end()), (Strings{"AT+STOPSCAN", "AT+MODEL?", "AT+UARTOPT=0,E,1"}));
    EXPECT_TRUE(v.Has(Msg(IDS_UART_DONE, "Information")));
    EXPECT_EQ(v.Count("ShowMessage(105,Error)") + v.Count("ShowMessage(137,Information)"), 0);
    EXPECT_EQ(link.sim.State().parity, 'E');
}
