// What a scan saw: per-device statistics, the raw reports, their CSV, and the
// device operations feeding them with every report.
#include "ops/scan/scan_csv.h"
#include "sim_link.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace {

struct Report {
    const char* address;
    const char* name;
    int rssi;
    int64_t atMs;
};

}  // namespace

TEST(ScanStats, EveryReportCountsAndTheLatestNonEmptyNameWins) {
    const Report stream[] = {
        {"AA0000000001", "Door", -60, 10},   {"AA0000000002", "", -80, 15},    {"AA0000000001", "", -50, 20},
        {"AA0000000001", "Door B", -70, 40}, {"AA0000000002", "Tag", -90, 55}, {"AA0000000001", "", -55, 90},
    };
    ScanStats stats;
    std::vector<std::size_t> indices;
    for (const Report& r : stream) indices.push_back(stats.Add(r.address, r.name, r.rssi, r.atMs));
    EXPECT_EQ(indices, (std::vector<std::size_t>{0, 1, 0, 0, 1, 0}));

    struct Expected {
        const char* address;
        const char* name;
        uint64_t hits;
        int first, last, min, max;
        double mean;
        int64_t firstSeen, lastSeen;
    };
    const Expected expected[] = {
        {"AA0000000001", "Door B", 4, -60, -55, -70, -50, -58.75, 10, 90},
        {"AA0000000002", "Tag", 2, -80, -90, -90, -80, -85.0, 15, 55},
    };
    ASSERT_EQ(stats.Devices().size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const ScanDeviceStats& d = stats.Devices()[i];
        const Expected& e = expected[i];
        SCOPED_TRACE(e.address);
        EXPECT_EQ(d.address, e.address);
        EXPECT_EQ(d.name, e.name);
        EXPECT_EQ(d.hits, e.hits);
        EXPECT_EQ((std::vector<int>{d.firstRssi, d.lastRssi, d.minRssi, d.maxRssi}),
                  (std::vector<int>{e.first, e.last, e.min, e.max}));
        EXPECT_DOUBLE_EQ(d.MeanRssi(), e.mean);
        EXPECT_EQ(d.firstSeenMs, e.firstSeen);
        EXPECT_EQ(d.lastSeenMs, e.lastSeen);
    }
    EXPECT_EQ(stats.TotalReports(), 6u);
    EXPECT_EQ(stats.LatestMs(), 90);
    EXPECT_EQ(stats.Find("AA0000000002"), 1u);
    EXPECT_EQ(stats.Find("AA0000000003"), ScanStats::npos);

    stats.Clear();
    EXPECT_TRUE(stats.Devices().empty());
    EXPECT_EQ(stats.TotalReports(), 0u);
    EXPECT_EQ(stats.Add("AA0000000002", "", -1, 0), 0u) << "indices start over";
}

// The kept devices, least recently seen first (the reports' times differ).
static std::vector<std::string> ByRecency(const ScanStats& stats) {
    std::vector<ScanDeviceStats> devices = stats.Devices();
    std::sort(devices.begin(), devices.end(),
              [](const ScanDeviceStats& a, const ScanDeviceStats& b) { return a.lastSeenMs < b.lastSeenMs; });
    std::vector<std::string> out;
    for (const ScanDeviceStats& d : devices) out.push_back(d.address);
    return out;
}

TEST(ScanStats, BeyondTheCapTheLeastRecentlySeenDeviceGoesAndIsCounted) {
    struct Case {
        const char* what;
        std::size_t capacity;
        std::vector<const char*> reports;  // addresses, in order
        std::vector<std::string> kept;     // oldest first
        uint64_t droppedDevices, droppedReports;
    };
    const Case cases[] = {
        {"under the cap nothing goes", 3, {"A1", "A2", "A1", "A3"}, {"A2", "A1", "A3"}, 0, 0},
        {"the first seen goes first", 2, {"A1", "A2", "A3"}, {"A2", "A3"}, 1, 1},
        {"a new report makes a device recent", 2, {"A1", "A2", "A1", "A3"}, {"A1", "A3"}, 1, 1},
        {"the dropped device's reports are counted", 2, {"A1", "A1", "A1", "A2", "A3"}, {"A2", "A3"}, 1, 3},
        {"a dropped device that comes back starts over", 2, {"A1", "A2", "A3", "A1"}, {"A3", "A1"}, 2, 2},
        {"a cap of one keeps the newest", 1, {"A1", "A1", "A2", "A2", "A3"}, {"A3"}, 2, 4},
        {"the newest seen again changes nothing", 2, {"A1", "A2", "A2", "A2"}, {"A1", "A2"}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScanStats stats(c.capacity);
        int64_t ms = 0;
        for (const char* a : c.reports) stats.Add(a, "", -50, ms += 10);
        EXPECT_EQ(ByRecency(stats), c.kept);
        EXPECT_EQ(stats.Devices().size(), c.kept.size());
        EXPECT_EQ(stats.DroppedDevices(), c.droppedDevices);
        EXPECT_EQ(stats.DroppedReports(), c.droppedReports);
        EXPECT_EQ(stats.TotalReports(), c.reports.size());
        uint64_t hits = 0;
        for (const ScanDeviceStats& d : stats.Devices()) hits += d.hits;
        EXPECT_EQ(hits + stats.DroppedReports(), stats.TotalReports()) << "every report is either kept or counted";
        for (const std::string& a : c.kept) EXPECT_NE(stats.Find(a), ScanStats::npos) << a;
    }
}

TEST(ScanStats, AReusedSlotHoldsOnlyTheNewDevice) {
    ScanStats stats(2);
    stats.Add("A1", "old name", -10, 5);
    stats.Add("A2", "", -20, 6);
    stats.Add("A1", "", -30, 7);
    const std::size_t slot = stats.Add("A3", "", -90, 8);  // takes A2's slot
    EXPECT_EQ(slot, 1u);
    EXPECT_EQ(stats.Find("A2"), ScanStats::npos);
    const ScanDeviceStats& d = stats.Devices()[slot];
    EXPECT_EQ(d.address, "A3");
    EXPECT_EQ(d.name, "");
    EXPECT_EQ(d.hits, 1u);
    EXPECT_EQ((std::vector<int>{d.firstRssi, d.lastRssi, d.minRssi, d.maxRssi}),
              (std::vector<int>{-90, -90, -90, -90}));
    EXPECT_EQ(d.firstSeenMs, 8);
    EXPECT_EQ(d.serial, 2u) << "the third device seen";
    const std::vector<std::size_t> order = stats.SlotsByFirstSighting();
    EXPECT_EQ(order, (std::vector<std::size_t>{0, 1}));
    stats.Add("A4", "", -1, 9);  // takes A1's slot 0
    EXPECT_EQ(stats.SlotsByFirstSighting(), (std::vector<std::size_t>{1, 0}));
}

TEST(ScanStats, AFloodOfNewAddressesStaysWithinTheCapWithEveryKeptDeviceFound) {
    // Ten times the cap, in the order a flood of passing devices brings them,
    // with some devices seen again now and then.
    constexpr std::size_t kCap = 500;
    ScanStats stats(kCap);
    char address[13];
    std::size_t reports = 0;
    for (std::size_t n = 0; n < 10 * kCap; ++n) {
        std::snprintf(address, sizeof address, "C0%010zX", n);
        stats.Add(address, "x", -60, static_cast<int64_t>(n));
        ++reports;
        if (n % 7 == 0 && n >= 100) {
            std::snprintf(address, sizeof address, "C0%010zX", n - 100);
            stats.Add(address, "x", -60, static_cast<int64_t>(n));
            ++reports;
        }
        ASSERT_LE(stats.Devices().size(), kCap);
    }
    EXPECT_EQ(stats.TotalReports(), reports);
    const std::vector<std::string> kept = ByRecency(stats);
    ASSERT_EQ(kept.size(), kCap) << "the recency list links every slot once";
    for (std::size_t i = 0; i < kept.size(); ++i) {
        ASSERT_NE(stats.Find(kept[i]), ScanStats::npos) << kept[i];
        if (i > 0) {
            EXPECT_LE(stats.Devices()[stats.Find(kept[i - 1])].lastSeenMs,
                      stats.Devices()[stats.Find(kept[i])].lastSeenMs);
        }
    }
    uint64_t devicesSeen = 0;
    for (const ScanDeviceStats& d : stats.Devices()) devicesSeen = std::max(devicesSeen, d.serial + 1);
    EXPECT_EQ(stats.DroppedDevices(), devicesSeen - kCap);
}

TEST(ScanRecord, RawReportsKeepTheirTimeAndNameAndStartForgetsThem) {
    using Clock = ScanRecord::Clock;
    ScanRecord record;
    const Clock::time_point t0 = Clock::now();
    record.Start(t0, std::chrono::system_clock::time_point(std::chrono::seconds(1'700'000'000)));
    const uint64_t generation = record.Generation();
    record.Add("AA0000000001", "Door", -60, t0 + 5ms);
    record.Add("AA0000000002", "", -70, t0 + 1250ms);
    record.Add("AA0000000001", "Door 2", -61, t0 + 2000ms);
    ASSERT_EQ(record.EndSeq() - record.FirstSeq(), 3u);
    EXPECT_EQ(record.ReportAt(1).atMs, 1250u);
    EXPECT_EQ(record.Name(record.ReportAt(0).name), "Door");
    EXPECT_EQ(record.Name(record.ReportAt(1).name), "");
    EXPECT_EQ(record.Name(record.ReportAt(2).name), "Door 2");
    EXPECT_EQ(AddressHex(record.ReportAt(1).address), "AA0000000002");
    EXPECT_EQ(record.ReportAt(2).rssi, -61);
    EXPECT_EQ(record.Stats().Devices()[0].name, "Door 2");
    int changes = 0;
    record.SetOnChange([&] { ++changes; });
    record.SetLost(4);
    record.SetLost(4);
    EXPECT_EQ(record.Lost(), 4u);
    EXPECT_EQ(changes, 1) << "a reader wakes up once per new count";
    record.SetOnChange({});

    std::ostringstream csv;
    scan_csv::WriteReports(csv, record);
    const auto rows = scan_csv::Parse(csv.str());
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"time_utc", "time_ms", "address", "name", "rssi"}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{"2023-11-14T22:13:21.250Z", "1250", "AA0000000002", "", "-70"}));

    record.Start(t0 + 10s);
    EXPECT_NE(record.Generation(), generation);
    EXPECT_EQ(record.EndSeq() - record.FirstSeq(), 0u);
    EXPECT_TRUE(record.Stats().Devices().empty());
    EXPECT_EQ(record.Lost(), 0u);
}

TEST(ScanRecord, TheReportRingKeepsTheNewestAndTheirAddressesOutliveTheDevices) {
    using Clock = ScanRecord::Clock;
    ScanRecord record(2, 3);  // two devices, three reports
    const Clock::time_point t0 = Clock::now();
    record.Start(t0);
    const char* addresses[] = {"AA0000000001", "AA0000000002", "AA0000000003", "AA0000000004", "AA0000000005"};
    for (int i = 0; i < 5; ++i) record.Add(addresses[i], "n", -i, t0 + std::chrono::milliseconds(i));
    EXPECT_EQ(record.EndSeq(), 5u);
    EXPECT_EQ(record.FirstSeq(), 2u) << "the two oldest reports are dropped, three kept";
    EXPECT_EQ(record.Stats().Devices().size(), 2u);
    std::ostringstream csv;
    scan_csv::WriteReports(csv, record);
    const auto rows = scan_csv::Parse(csv.str());
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1][2], "AA0000000003") << "its device's record is gone, its report is not";
    EXPECT_EQ(rows[3][2], "AA0000000005");
}

TEST(ScanRecord, AddressesPackIntoFortyEightBits) {
    const std::pair<const char*, uint64_t> cases[] = {
        {"000000000000", 0},
        {"FFFFFFFFFFFF", 0xFFFFFFFFFFFFull},
        {"a1B2c3D4e5F6", 0xA1B2C3D4E5F6ull},
        {"A1B2C3D4E5", 0},
        {"A1B2C3D4E5F6A", 0},
        {"A1B2C3D4E5G6", 0},
    };
    for (const auto& [hex, packed] : cases) EXPECT_EQ(PackAddress(hex), packed) << hex;
    EXPECT_EQ(AddressHex(0xA1B2C3D4E5F6ull), "A1B2C3D4E5F6");
    EXPECT_EQ(AddressHex(0x1ull), "000000000001");
}

TEST(ScanCsv, AwkwardFieldsSurviveTheRoundTrip) {
    const std::vector<std::string> fields = {
        "plain", "", "a,b", "say \"hi\"", "\"", ",", "two\r\nlines", "lf\nonly", "센서,\"온도\"", " spaced ", "Grüße",
    };
    const std::string line = scan_csv::Record(fields);
    EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
    EXPECT_EQ(scan_csv::Field("a,b"), "\"a,b\"");
    EXPECT_EQ(scan_csv::Field("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(scan_csv::Field("plain"), "plain");
    const auto parsed = scan_csv::Parse(line + scan_csv::Record({"x"}));
    ASSERT_EQ(parsed.size(), 2u);
    EXPECT_EQ(parsed[0], fields);
    EXPECT_EQ(parsed[1], std::vector<std::string>{"x"});
}

// A nearby device picks its own name: both exports write one that looks
// like a formula so that a spreadsheet shows it, and leave numbers alone.
TEST(ScanCsv, NamesThatLookLikeFormulasAreWrittenAsText) {
    const std::pair<std::string, std::string> cases[] = {
        {"=HYPERLINK(\"http://x\")", "'=HYPERLINK(\"http://x\")"},
        {"+1+1", "'+1+1"},
        {"-2+3", "'-2+3"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"\t=1", "'\t=1"},
        {"\r=1", "'\r=1"},
        {"Door", "Door"},
        {"a=b", "a=b"},
        {"", ""},
        {"센서", "센서"},
    };
    ScanRecord record(16, 16);
    const auto t0 = ScanRecord::Clock::now();
    record.Start(t0);
    std::vector<std::size_t> rows;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        char address[13];
        std::snprintf(address, sizeof address, "AA00000000%02zu", i);
        record.Add(address, cases[i].first, -70, t0 + std::chrono::milliseconds(i));
        rows.push_back(i);
    }
    std::ostringstream stats;
    scan_csv::WriteStats(stats, record.Stats(), rows);
    std::ostringstream reports;
    scan_csv::WriteReports(reports, record);
    const auto statRows = scan_csv::Parse(stats.str());
    const auto reportRows = scan_csv::Parse(reports.str());
    ASSERT_EQ(statRows.size(), std::size(cases) + 1);
    ASSERT_EQ(reportRows.size(), std::size(cases) + 1);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(statRows[i + 1][1], cases[i].second) << i;
        EXPECT_EQ(reportRows[i + 1][3], cases[i].second) << i;
        EXPECT_EQ(statRows[i + 1][3], "-70");
        EXPECT_EQ(reportRows[i + 1][4], "-70");
    }
}

TEST(ScanCsv, StatsFollowTheGivenRowOrderWithLocaleFreeNumbers) {
    ScanStats stats;
    stats.Add("AA0000000001", "Node,B", -60, 100);
    stats.Add("AA0000000002", "심박계 \"1\"", -71, 200);
    stats.Add("AA0000000001", "", -61, 300);
    std::ostringstream csv;
    scan_csv::WriteStats(csv, stats, {1, 0});
    const auto rows = scan_csv::Parse(csv.str());
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][0], "address");
    EXPECT_EQ(rows[1], (std::vector<std::string>{"AA0000000002", "심박계 \"1\"", "1", "-71", "-71", "-71", "-71",
                                                 "-71.0", "200", "200"}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{"AA0000000001", "Node,B", "2", "-60", "-61", "-61", "-60", "-60.5",
                                                 "100", "300"}));
}

TEST(ScanStats, TheOperationsCountReportsTheListIgnoresAndANewScanStartsOver) {
    SimLink link;
    link.view.rssiChecked = true;
    link.view.rssiText = u"-60";
    link.sim.SetScanDevices({testsupport::Device(1, "near", -40), testsupport::Device(2, "far", -80)});
    ASSERT_TRUE(link.Connect());
    const ScanRecord& record = link.ops.ScanRecording();
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        link.view.ClearCalls();
        link.ops.QueueJob(JOB_START_SCAN, false);
        link.ops.StartBusy();
        ASSERT_TRUE(link.view.PumpUntil([&] { return link.view.Has("SetScanButton(108,1)"); }));
        ASSERT_TRUE(link.view.PumpUntil([&] {
            return record.Stats().Devices().size() == 2 && record.Stats().Devices()[0].hits >= 3 &&
                   record.Stats().Devices()[1].hits >= 3;
        }));
        // Only the near device is listed, once; the statistics count them all.
        EXPECT_EQ(link.view.scanRows.size(), 1u);
        uint64_t hits = 0;
        for (const ScanDeviceStats& d : record.Stats().Devices()) hits += d.hits;
        EXPECT_EQ(hits, record.Stats().TotalReports());
        EXPECT_EQ(record.EndSeq() - record.FirstSeq(), hits);
        EXPECT_EQ(hits, link.view.reportsHandled.size());
        link.ops.RequestScanStop();
        ASSERT_TRUE(link.view.PumpUntil([&] { return link.view.Has("SetScanButton(107,1)"); }));
        link.view.reportsHandled.clear();
        EXPECT_EQ(record.Stats().Devices().size(), 2u) << "kept after the stop";
    }
}
