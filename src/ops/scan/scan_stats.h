// Per-device statistics of one scan: every report counts, before the RSSI
// threshold and the one-row-per-device rule of the scan list apply.
//
// Bounded: at most Capacity() devices are kept. A report from a new device
// when the table is full drops the record of the least recently seen one
// (counted in DroppedDevices() and DroppedReports()) and takes its slot.
// Every report costs the same few steps however many devices are known: one
// hash look-up and an unlink/relink in the recency list. No locking: the
// owner feeds and reads it on one thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

struct ScanDeviceStats {
    std::string address;  // 12 hex digits; short enough to need no allocation
    std::string name;     // latest non-empty name
    uint64_t hits = 0;
    int64_t rssiSum = 0;                      // the mean is this over hits, so it never drifts
    int64_t firstSeenMs = 0, lastSeenMs = 0;  // since the scan started
    // Number of the device in order of first sighting: tells a reused slot's
    // new device from the one it replaced.
    uint64_t serial = 0;
    int16_t firstRssi = 0, lastRssi = 0, minRssi = 0, maxRssi = 0;

    double MeanRssi() const { return hits == 0 ? 0.0 : static_cast<double>(rssiSum) / static_cast<double>(hits); }

private:
    friend class ScanStats;
    uint32_t newer = 0, older = 0;  // recency list, by slot
};

class ScanStats {
public:
    static constexpr std::size_t kDefaultCapacity = 50'000;
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    explicit ScanStats(std::size_t capacity = kDefaultCapacity);

    void Clear();
    // Counts one report; returns the slot of the device's record.
    std::size_t Add(const std::string& address, const std::string& name, int rssi, int64_t atMs);
    // Records by slot. A slot keeps its device until Clear, or until the
    // device is dropped for the bound and a new one takes the slot (its
    // serial then changes).
    const std::vector<ScanDeviceStats>& Devices() const { return m_devices; }
    // Slots in the order their devices were first seen (ascending serial).
    std::vector<std::size_t> SlotsByFirstSighting() const;
    // Slot of a device, or npos.
    std::size_t Find(const std::string& address) const;

    std::size_t Capacity() const { return m_capacity; }
    uint64_t TotalReports() const { return m_totalReports; }
    // Devices whose records were dropped for the bound, and the reports
    // those records had counted.
    uint64_t DroppedDevices() const { return m_droppedDevices; }
    uint64_t DroppedReports() const { return m_droppedReports; }
    // Time of the newest report, 0 before the first.
    int64_t LatestMs() const { return m_latestMs; }

private:
    void Unlink(uint32_t slot);
    void LinkNewest(uint32_t slot);

    std::size_t m_capacity;
    std::vector<ScanDeviceStats> m_devices;
    std::unordered_map<std::string, uint32_t> m_index;
    uint32_t m_oldest = 0, m_newest = 0;
    uint64_t m_nextSerial = 0;
    uint64_t m_totalReports = 0;
    uint64_t m_droppedDevices = 0;
    uint64_t m_droppedReports = 0;
    int64_t m_latestMs = 0;
};
