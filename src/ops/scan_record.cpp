#include "scan_record.h"

void ScanRecord::Start(Clock::time_point at, std::chrono::system_clock::time_point wallAt) {
    m_start = at;
    m_startWall = wallAt;
    m_stats.Clear();
    m_reports.clear();
    m_dropped = 0;
    m_names.clear();
    m_nameIds.clear();
    ++m_generation;
}

void ScanRecord::Add(const std::string& address, const std::string& name, int rssi, Clock::time_point at) {
    const int64_t ms = std::chrono::duration_cast<std::chrono::milliseconds>(at - m_start).count();
    const std::size_t device = m_stats.Add(address, name, rssi, ms);
    if (m_reports.size() >= kReportLimit) {
        m_reports.pop_front();
        ++m_dropped;
    }
    m_reports.push_back({ms, static_cast<uint32_t>(device), NameId(name), rssi});
}

uint32_t ScanRecord::NameId(const std::string& name) {
    // Names repeat with every report of a device: each is stored once.
    const auto [it, isNew] = m_nameIds.try_emplace(name, static_cast<uint32_t>(m_names.size()));
    if (isNew) m_names.push_back(name);
    return it->second;
}
