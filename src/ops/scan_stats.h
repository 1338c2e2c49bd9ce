// Per-device statistics of one scan: every report counts, before the RSSI
// threshold and the one-row-per-device rule of the scan list apply. No
// locking: the owner feeds and reads it on one thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

struct ScanDeviceStats {
    std::string address;
    std::string name;  // latest non-empty name
    uint64_t hits = 0;
    int firstRssi = 0, lastRssi = 0, minRssi = 0, maxRssi = 0;
    double meanRssi = 0;
    int64_t firstSeenMs = 0, lastSeenMs = 0;  // since the scan started
    std::deque<std::pair<int64_t, int>> history;  // (ms, rssi), newest last, bounded
    int64_t rssiSum = 0;  // the mean is this over hits, so it never drifts
};

class ScanStats {
public:
    static constexpr std::size_t kHistoryLimit = 600;

    void Clear();
    // Counts one report; returns the index of the device's record.
    std::size_t Add(const std::string& address, const std::string& name, int rssi, int64_t atMs);
    // Order of first sighting: an index stays valid until Clear.
    const std::vector<ScanDeviceStats>& Devices() const { return m_devices; }
    uint64_t TotalReports() const { return m_totalReports; }
    // Time of the newest report, 0 before the first.
    int64_t LatestMs() const { return m_latestMs; }
    // Index of a device's record, or npos.
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);
    std::size_t Find(const std::string& address) const;

private:
    std::vector<ScanDeviceStats> m_devices;
    std::unordered_map<std::string, std::size_t> m_index;
    uint64_t m_totalReports = 0;
    int64_t m_latestMs = 0;
};
