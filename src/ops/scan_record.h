// What one scan saw: the per-device statistics and the raw reports with their
// times, both kept from a scan's start until the next scan starts. Fed and
// read on the window thread, where the scan reports are handled.
#pragma once

#include "scan_stats.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

// One report as it arrived; the device and the name are indices.
struct ScanReportEntry {
    int64_t atMs = 0;
    uint32_t device = 0;  // into ScanStats::Devices()
    uint32_t name = 0;    // into ScanRecord::Name()
    int rssi = 0;
};

class ScanRecord {
public:
    using Clock = std::chrono::steady_clock;
    // Raw reports kept per scan; the oldest go first (16 minutes at 1,000 a second).
    static constexpr std::size_t kReportLimit = 1'000'000;

    // Forgets the previous scan; times count from `at`.
    void Start(Clock::time_point at = Clock::now(),
               std::chrono::system_clock::time_point wallAt = std::chrono::system_clock::now());
    void Add(const std::string& address, const std::string& name, int rssi, Clock::time_point at = Clock::now());

    const ScanStats& Stats() const { return m_stats; }
    const std::deque<ScanReportEntry>& Reports() const { return m_reports; }
    // Reports dropped from the front of Reports() by the limit.
    uint64_t ReportsDropped() const { return m_dropped; }
    const std::string& Name(uint32_t id) const { return m_names[id]; }
    // Calendar time of the start, for exports.
    std::chrono::system_clock::time_point StartedAt() const { return m_startWall; }
    // Changes with every Start, so a reader can tell a new scan from a quiet one.
    uint64_t Generation() const { return m_generation; }

private:
    uint32_t NameId(const std::string& name);

    Clock::time_point m_start{};
    std::chrono::system_clock::time_point m_startWall{};
    ScanStats m_stats;
    std::deque<ScanReportEntry> m_reports;
    uint64_t m_dropped = 0;
    std::vector<std::string> m_names;
    std::unordered_map<std::string, uint32_t> m_nameIds;
    uint64_t m_generation = 0;
};
