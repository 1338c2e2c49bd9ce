// Device scan: start, the reports' way to the list, the list rules and the stop.
#include "sim_link.h"

#include <cstring>
#include <thread>

using Strings = std::vector<std::string>;

namespace {

using testsupport::Device;

// What the window does for "Scan" and "Stop".
void PressScan(SimLink& link) {
    ManagerOps& ops = link.ops;
    if (ops.ScanState() == 1) {
        ops.RequestScanStop();
    } else {
        ops.QueueJob(JOB_START_SCAN, false);
    }
    ops.StartBusy();
}

bool Started(SimLink& link) {
    return link.view.PumpUntil([&] { return link.view.Has("SetScanButton(108,1)"); });
}

bool Stopped(SimLink& link) {
    return link.view.PumpUntil([&] { return link.view.Has("SetScanButton(107,1)"); });
}

int RowsFor(const FakeView& view, const std::u16string& address) {
    int n = 0;
    for (const auto& row : view.scanRows) n += row.address == address ? 1 : 0;
    return n;
}

int ReportsOf(const FakeView& view, uint8_t last) {
    int n = 0;
    for (const auto& r : view.reportsHandled) n += r.address[5] == last ? 1 : 0;
    return n;
}

}  // namespace

TEST(Scan, StartEmptiesTheListOnTheWindowThreadAndPausesAfterTheFilter) {
    struct Case {
        uint8_t filterOn;
        const char* name;
        std::string filterCommand;
    };
    const Case cases[] = {
        {0, "IGNORED", "AT+SF=OFF"},
        {1, "TALVERN", "AT+SF=ON,TALVERN"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filterCommand);
        SimLink link;
        ASSERT_TRUE(link.Connect());
        link.view.scanRows.push_back({u"AABBCCDDEEFF", u"old", u"-1"});  // from an earlier scan
        link.ops.Records().m_scanFilter.enabled = c.filterOn;
        std::strcpy(link.ops.Records().m_scanFilter.name, c.name);
        PressScan(link);
        ASSERT_TRUE(Started(link));
        EXPECT_EQ(link.ops.ScanState(), 1);
        const Strings sent = link.Commands();
        ASSERT_GE(sent.size(), 3u);
        EXPECT_EQ(Strings(sent.begin(), sent.begin() + 3), (Strings{"AT+MODEL?", c.filterCommand, "AT+STARTSCAN"}));
        EXPECT_GE(link.Gap(c.filterCommand, "AT+STARTSCAN").count(), 500);
        const int cleared = link.view.IndexOf("ClearScanList");
        ASSERT_GE(cleared, 0);
        EXPECT_LT(cleared, link.view.IndexOf("SetScanButton(108,1)"));
        EXPECT_TRUE(link.view.scanRows.empty());
        EXPECT_FALSE(link.view.OffThreadCall()) << "the worker never calls into the window";
        EXPECT_EQ(link.sim.State().filterOn, c.filterOn != 0);
    }
}

TEST(Scan, NoDeviceKeepsScanningAndStopEndsTheWait) {
    SimLink link;
    ASSERT_TRUE(link.Connect());
    PressScan(link);
    ASSERT_TRUE(Started(link));
    // Longer than two of the engine's 1.2 s waits for a report.
    link.view.PumpUntil([] { return false; }, std::chrono::milliseconds(2600));
    EXPECT_EQ(link.ops.ScanState(), 1);
    EXPECT_FALSE(link.view.Has("EnableControls(0)"));  // a quiet period is no failure
    EXPECT_EQ(link.view.results, (std::vector<std::pair<int, int>>{{JOB_START_SCAN, JOB_STATUS_OK}}));
    EXPECT_EQ(link.Commands().back(), "AT+STARTSCAN");
    EXPECT_TRUE(link.ops.IsBusy()) << "the scan is a job that goes on";

    // Stop while the scan waits: the wait ends, the stop goes out, the scan ends.
    PressScan(link);
    EXPECT_EQ(link.ops.ScanState(), 2);
    ASSERT_TRUE(Stopped(link));
    EXPECT_EQ(link.view.results.back(), std::make_pair(static_cast<int>(JOB_STOP_SCAN), 0));
    EXPECT_EQ(link.Commands().back(), "AT+STOPSCAN");
    EXPECT_EQ(link.ops.ScanState(), 0);
    EXPECT_EQ(link.view.Calls().back(), "EnableControls(1)");
    EXPECT_FALSE(link.sim.State().scanning);
    EXPECT_FALSE(link.ops.IsBusy());
    const std::size_t results = link.view.results.size();
    link.view.PumpUntil([] { return false; }, std::chrono::milliseconds(100));  // nothing more arrives
    EXPECT_EQ(link.view.results.size(), results);
}

// "Stop" while the module reports at line rate: the scan ends at the next
// report, and every report up to the module's +STOPPED is counted and
// listed before the window hears that the scan ended.
TEST(Scan, StopDuringABurstListsEveryReportUpToStopped) {
    SimLink link;
    const auto devices = sim::KestovSimulator::MakeDevices(40, 5);
    ASSERT_TRUE(link.Connect());
    link.sim.SetScanDevices(devices);
    link.sim.SetPaceBaud(115200);
    link.sim.SetScanRate(400);
    link.sim.SetReportsUntilStopped(true);
    PressScan(link);
    ASSERT_TRUE(Started(link));
    ASSERT_TRUE(link.view.PumpUntil([&] { return link.view.reportsHandled.size() >= 100; }));
    PressScan(link);
    ASSERT_TRUE(Stopped(link));
    link.view.PumpPending();

    EXPECT_EQ(link.Commands().back(), "AT+STOPSCAN");
    EXPECT_EQ(link.view.results.back(), std::make_pair(static_cast<int>(JOB_STOP_SCAN), 0));
    EXPECT_EQ(link.view.ResultCount(JOB_STOP_SCAN), 1);
    EXPECT_EQ(link.ops.ScanRecording().EndSeq(), link.sim.ReportsSent());
    EXPECT_EQ(link.view.reportsHandled.size(), link.sim.ReportsSent());
    EXPECT_EQ(link.view.scanRows.size(), devices.size());
    EXPECT_EQ(link.ops.ScanReportsDropped(), 0u);
    EXPECT_EQ(link.ops.ScanRecording().Lost(), 0u);
}

// The worker hands reports over without waiting for the window thread: while
// the window takes nothing, one message announces them, the hand-over stays
// bounded (what does not fit is counted), and afterwards the scan goes on
// and stops as usual.
TEST(Scan, AWindowThatFallsBehindNeitherStallsTheScanNorFloodsItsQueue) {
    SimLink link;
    const auto devices = sim::KestovSimulator::MakeDevices(50, 6);
    ASSERT_TRUE(link.Connect());
    PressScan(link);
    ASSERT_TRUE(Started(link));
    link.sim.SetScanDevices(devices);
    link.sim.SetScanRate(1e7);  // as fast as the pseudo-terminal takes them
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (link.ops.ScanReportsDropped() == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);  // polls the count; the window thread takes nothing meanwhile
    }
    ASSERT_GT(link.ops.ScanReportsDropped(), 0u);
    EXPECT_EQ(link.view.QueuedMessages(), 1u) << "one announcement, however many reports wait";

    link.sim.SetScanRate(0);
    link.view.PumpPending();
    EXPECT_GE(link.view.reportsHandled.size(), 4096u) << "a full hand-over, and what came after it";
    EXPECT_EQ(link.view.scanRows.size(), devices.size());
    // The scan's record, which the monitor shows, knows what it misses.
    EXPECT_EQ(link.ops.ScanRecording().Lost(), link.ops.ScanReportsDropped());
    PressScan(link);
    ASSERT_TRUE(Stopped(link));
    EXPECT_EQ(link.view.results.back(), std::make_pair(static_cast<int>(JOB_STOP_SCAN), 0));
    EXPECT_FALSE(link.sim.State().scanning);

    // The next scan starts with nothing missed.
    PressScan(link);
    ASSERT_TRUE(link.view.PumpUntil([&] { return link.view.Count("SetScanButton(108,1)") == 2; }));
    EXPECT_EQ(link.ops.ScanReportsDropped(), 0u);
    EXPECT_EQ(link.ops.ScanRecording().Lost(), 0u);
}

TEST(Scan, OneDeviceReportedThreeTimesGivesOneRowWithTheFirstRssi) {
    SimLink link;
    link.sim.SetScanDevices({Device(0x01, "Sensor \xED\x95\x9C", -60)});
    link.sim.SetRssiJitter(10);
    ASSERT_TRUE(link.Connect());
    PressScan(link);
    ASSERT_TRUE(Started(link));
    ASSERT_TRUE(link.view.PumpUntil([&] { return link.view.reportsHandled.size() >= 3; }));
    ASSERT_EQ(link.view.scanRows.size(), 1u);
    const FakeView::ScanRow& row = link.view.scanRows[0];
    EXPECT_EQ(row.address, u"C01122334401");
    EXPECT_EQ(row.name, u"Sensor \uD55C");
    EXPECT_EQ(row.rssi, Wide(std::to_string(link.view.reportsHandled.front().rssi)));
    EXPECT_EQ(link.view.Count("InsertScanRow(0,C01122334401," + Narrow(row.rssi) + ")"), 1);
}

TEST(Scan, RssiThresholdSkipsWeakerDevicesWithoutRememberingThem) {
    SimLink link;
    link.view.rssiChecked = true;
    link.view.rssiText = u"-45";
    link.sim.SetScanDevices({Device(0x01, "equal", -45), Device(0x02, "weaker", -46)});
    ASSERT_TRUE(link.Connect());
    PressScan(link);
    ASSERT_TRUE(Started(link));
    ASSERT_TRUE(
        link.view.PumpUntil([&] { return ReportsOf(link.view, 0x01) >= 2 && ReportsOf(link.view, 0x02) >= 2; }));
    ASSERT_EQ(link.view.scanRows.size(), 1u);
    EXPECT_EQ(link.view.scanRows[0].address, u"C01122334401");
    EXPECT_EQ(link.view.scanRows[0].rssi, u"-45");

    // The skipped device comes closer: now it is listed, with its new RSSI.
    link.sim.SetScanDevices({Device(0x02, "weaker", -30)});
    ASSERT_TRUE(link.view.PumpUntil([&] { return RowsFor(link.view, u"C01122334402") == 1; }));
    ASSERT_EQ(link.view.scanRows.size(), 2u);
    EXPECT_EQ(link.view.scanRows[1].rssi, u"-30");
    EXPECT_EQ(link.view.scanRows[1].name, u"weaker");
}

TEST(Scan, ANewScanStartsFromAnEmptyList) {
    SimLink link;
    link.sim.SetScanDevices({Device(0x01, "a", -50)});
    ASSERT_TRUE(link.Connect());
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        link.view.ClearCalls();
        PressScan(link);
        ASSERT_TRUE(Started(link));
        // Listed again in the second round: the seen set was emptied too.
        ASSERT_TRUE(link.view.PumpUntil([&] { return link.view.Has("InsertScanRow(0,C01122334401,-50)"); }));
        EXPECT_LT(link.view.IndexOf("ClearScanList"), link.view.IndexOf("InsertScanRow(0,C01122334401,-50)"));
        PressScan(link);
        ASSERT_TRUE(Stopped(link));
        EXPECT_EQ(link.view.scanRows.size(), 1u) << "the list stays after a stop";
        EXPECT_EQ(link.view.Count("InsertScanRow(0,C01122334401,-50)"), 1);
    }
}

TEST(Scan, SecondStartWhileScanningSendsNothing) {
    SimLink link;
    ASSERT_TRUE(link.Connect());
    link.ops.SetScanState(1);
    link.ops.QueueJob(JOB_START_SCAN, false);
    link.ops.Records().m_toWrite.advInterval = 100;
    link.ops.QueueJob(JOB_SET_ADV_INTERVAL, false);  // runs after it
    ASSERT_TRUE(link.view.PumpUntil([&] { return link.view.ResultCount(JOB_SET_ADV_INTERVAL) == 1; }));
    EXPECT_EQ(link.view.ResultCount(JOB_START_SCAN), 0);
    EXPECT_EQ(link.Commands(), (Strings{"AT+MODEL?", "AT+ADVINTERVAL=100"}));
}

TEST(Scan, FailuresReidentify) {
    struct Case {
        const char* name;
        std::string model;
        std::string errorFor;
        std::string message;  // empty: none
        std::string reaction;
    };
    const Case cases[] = {
        {"filter refused", "KESTOV-LV200", "AT+SF", "", "EnableControls(0)"},
        {"start refused", "KESTOV-LV200", "AT+STARTSCAN", "", "EnableControls(0)"},
        {"unsupported", "KESTOV-LV299", "", "ShowMessage(137,Information)", "RunPortDialog"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimLink link;
        ASSERT_TRUE(link.Connect());
        sim::SimState s = link.sim.State();
        s.model = c.model;
        link.sim.SetState(s);
        if (!c.errorFor.empty()) link.sim.SetErrorFor(c.errorFor);
        PressScan(link);
        ASSERT_TRUE(link.view.PumpUntil([&] { return link.view.ResultCount(JOB_START_SCAN) == 1; }));
        EXPECT_EQ(link.ops.ScanState(), 0);
        EXPECT_FALSE(link.view.Has("SetScanButton(108,1)"));
        if (!c.message.empty()) {
            EXPECT_LT(link.view.IndexOf(c.message), link.view.IndexOf(c.reaction));
        }
        EXPECT_GE(link.view.IndexOf(c.reaction), 0);
    }
}
