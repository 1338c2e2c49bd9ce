// What a scan saw: per-device statistics, the raw reports, their CSV, and the
// device operations feeding them with every report.
#include "ops/scan_csv.h"
#include "sim_link.h"

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
        {"AA0000000001", "Door", -60, 10}, {"AA0000000002", "", -80, 15}, {"AA0000000001", "", -50, 20},
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
        EXPECT_DOUBLE_EQ(d.meanRssi, e.mean);
        EXPECT_EQ(d.firstSeenMs, e.firstSeen);
        EXPECT_EQ(d.lastSeenMs, e.lastSeen);
        EXPECT_EQ(d.history.size(), e.hits);
        EXPECT_EQ(d.history.back(), std::make_pair(e.lastSeen, e.last));
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

TEST(ScanStats, HistoryKeepsTheNewestSamplesWhileTheCountsKeepEverything) {
    ScanStats stats;
    const int n = static_cast<int>(ScanStats::kHistoryLimit) + 25;
    for (int i = 0; i < n; ++i) stats.Add("AA0000000001", "x", -(i % 100) - 1, i);
    const ScanDeviceStats& d = stats.Devices()[0];
    EXPECT_EQ(d.hits, static_cast<uint64_t>(n));
    ASSERT_EQ(d.history.size(), ScanStats::kHistoryLimit);
    EXPECT_EQ(d.history.front().first, 25);
    EXPECT_EQ(d.history.back().first, n - 1);
    EXPECT_EQ(d.minRssi, -100);
    EXPECT_EQ(d.maxRssi, -1);
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
    ASSERT_EQ(record.Reports().size(), 3u);
    EXPECT_EQ(record.Reports()[1].atMs, 1250);
    EXPECT_EQ(record.Name(record.Reports()[0].name), "Door");
    EXPECT_EQ(record.Name(record.Reports()[1].name), "");
    EXPECT_EQ(record.Name(record.Reports()[2].name), "Door 2");
    EXPECT_EQ(record.Stats().Devices()[0].name, "Door 2");

    std::ostringstream csv;
    scan_csv::WriteReports(csv, record);
    const auto rows = scan_csv::Parse(csv.str());
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"time_utc", "time_ms", "address", "name", "rssi"}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{"2023-11-14T22:13:21.250Z", "1250", "AA0000000002", "", "-70"}));

    record.Start(t0 + 10s);
    EXPECT_NE(record.Generation(), generation);
    EXPECT_TRUE(record.Reports().empty());
    EXPECT_TRUE(record.Stats().Devices().empty());
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
    EXPECT_EQ(rows[2], (std::vector<std::string>{"AA0000000001", "Node,B", "2", "-60", "-61", "-61", "-60",
                                                 "-60.5", "100", "300"}));
}

TEST(ScanStats, TheOperationsCountReportsTheListIgnoresAndANewScanStartsOver) {
    SimLink link;
    link.view.rssiChecked = true;
    link.view.rssiText = u"-60";
    sim::SimDevice near, far;
    near.address[5] = 1;
    near.name = "near";
    near.rssi = -40;
    far.address[5] = 2;
    far.name = "far";
    far.rssi = -80;
    link.sim.SetScanDevices({near, far});
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
        EXPECT_EQ(record.Reports().size(), hits);
        EXPECT_EQ(hits, link.view.reportsHandled.size());
        link.ops.SetScanState(2);
        link.ops.QueueJob(JOB_STOP_SCAN, false);
        ASSERT_TRUE(link.view.PumpUntil([&] { return link.view.Has("SetScanButton(107,1)"); }));
        link.view.reportsHandled.clear();
        EXPECT_EQ(record.Stats().Devices().size(), 2u) << "kept after the stop";
    }
}
