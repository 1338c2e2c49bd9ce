// What one scan saw: the per-device statistics and the raw reports with their
// times, both kept from a scan's start until the next scan starts, both
// bounded. Fed and read on the window thread, where the scan reports are
// handled.
#pragma once

#include "ops/scan/scan_stats.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

// One report as it arrived, in 16 bytes. The address is kept rather than the
// device's slot, since the device's record may be dropped before the report.
struct ScanReportEntry {
    uint32_t atMs = 0;
    uint32_t name = 0;  // into ScanRecord::Name()
    uint64_t address : 48;
    int64_t rssi : 16;
};

// 12 hex digits to 48 bits and back (0 for anything else).
uint64_t PackAddress(const std::string& hex);
std::string AddressHex(uint64_t address);

class ScanRecord {
public:
    using Clock = std::chrono::steady_clock;
    // Raw reports kept per scan; the oldest go first (16 minutes at 1,000 a second).
    static constexpr std::size_t kReportLimit = 1'000'000;
    // Distinct names kept for the raw reports; reports with further new
    // names keep none.
    static constexpr std::size_t kNameLimit = 65'536;

    explicit ScanRecord(std::size_t deviceCapacity = ScanStats::kDefaultCapacity,
                        std::size_t reportLimit = kReportLimit);

    // Forgets the previous scan; times count from `at`.
    void Start(Clock::time_point at = Clock::now(),
               std::chrono::system_clock::time_point wallAt = std::chrono::system_clock::now());
    void Add(const std::string& address, const std::string& name, int rssi, Clock::time_point at = Clock::now());

    // Reports of this scan that never reached the record: they came faster
    // than the window thread took them. Set by the feeding thread.
    void SetLost(uint64_t reports);
    uint64_t Lost() const { return m_lost; }

    const ScanStats& Stats() const { return m_stats; }
    // Raw reports by running number: FirstSeq() is the oldest kept, EndSeq()
    // one past the newest.
    uint64_t FirstSeq() const { return m_endSeq - m_size; }
    uint64_t EndSeq() const { return m_endSeq; }
    const ScanReportEntry& ReportAt(uint64_t seq) const { return m_reports[static_cast<std::size_t>(seq % m_limit)]; }
    const std::string& Name(uint32_t id) const { return m_names[id]; }
    // Calendar time of the start, for exports.
    std::chrono::system_clock::time_point StartedAt() const { return m_startWall; }
    // Changes with every Start, so a reader can tell a new scan from a quiet one.
    uint64_t Generation() const { return m_generation; }
    // Called after every Start and Add, on the feeding thread: a reader
    // that shows the record wakes up when it changes instead of polling.
    // Watching changes nothing the record holds, hence const.
    void SetOnChange(std::function<void()> notify) const { m_onChange = std::move(notify); }

private:
    uint32_t NameId(const std::string& name);

    Clock::time_point m_start{};
    std::chrono::system_clock::time_point m_startWall{};
    ScanStats m_stats;
    std::size_t m_limit;
    std::vector<ScanReportEntry> m_reports;  // ring of m_limit, filled as reports come
    std::size_t m_size = 0;
    uint64_t m_endSeq = 0;
    uint64_t m_lost = 0;
    std::vector<std::string> m_names;  // [0] is the empty name
    std::unordered_map<std::string, uint32_t> m_nameIds;
    uint64_t m_generation = 0;
    mutable std::function<void()> m_onChange;
};
