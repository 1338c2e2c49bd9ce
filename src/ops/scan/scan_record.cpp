#include "ops/scan/scan_record.h"

#include <algorithm>

uint64_t PackAddress(const std::string& hex) {
    if (hex.size() != 12) return 0;
    uint64_t v = 0;
    for (const char c : hex) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else
            return 0;
        v = (v << 4) | static_cast<uint64_t>(d);
    }
    return v;
}

std::string AddressHex(uint64_t address) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string s(12, '0');
    for (int i = 11; i >= 0; --i, address >>= 4) s[static_cast<std::size_t>(i)] = kDigits[address & 0xF];
    return s;
}

ScanRecord::ScanRecord(std::size_t deviceCapacity, std::size_t reportLimit)
    : m_stats(deviceCapacity), m_limit(std::max<std::size_t>(reportLimit, 1)) {
    m_names.emplace_back();
    m_nameIds.emplace(std::string(), 0);
}

void ScanRecord::Start(Clock::time_point at, std::chrono::system_clock::time_point wallAt) {
    m_start = at;
    m_startWall = wallAt;
    m_stats.Clear();
    m_reports.clear();
    m_reports.shrink_to_fit();
    m_size = 0;
    m_endSeq = 0;
    m_lost = 0;
    m_names.resize(1);
    m_names.shrink_to_fit();
    m_nameIds.clear();
    m_nameIds.emplace(std::string(), 0);
    ++m_generation;
    if (m_onChange) m_onChange();
}

void ScanRecord::Add(const std::string& address, const std::string& name, int rssi, Clock::time_point at) {
    const int64_t ms =
        std::max<int64_t>(0, std::chrono::duration_cast<std::chrono::milliseconds>(at - m_start).count());
    m_stats.Add(address, name, rssi, ms);
    ScanReportEntry e;
    e.atMs = static_cast<uint32_t>(std::min<int64_t>(ms, UINT32_MAX));
    e.name = NameId(name);
    e.address = PackAddress(address);
    e.rssi = std::clamp(rssi, -32768, 32767);
    // Reserved whole, so it never moves; pages count only once written,
    // so a short scan stays small.
    if (m_reports.capacity() < m_limit) m_reports.reserve(m_limit);
    if (m_reports.size() < m_limit)
        m_reports.push_back(e);
    else
        m_reports[static_cast<std::size_t>(m_endSeq % m_limit)] = e;
    ++m_endSeq;
    m_size = std::min(m_size + 1, m_limit);
    if (m_onChange) m_onChange();
}

void ScanRecord::SetLost(uint64_t reports) {
    if (reports == m_lost) return;
    m_lost = reports;
    if (m_onChange) m_onChange();
}

uint32_t ScanRecord::NameId(const std::string& name) {
    // Names repeat with every report of a device: each is stored once.
    if (const auto it = m_nameIds.find(name); it != m_nameIds.end()) return it->second;
    if (m_names.size() >= kNameLimit) return 0;
    const auto id = static_cast<uint32_t>(m_names.size());
    m_nameIds.emplace(name, id);
    m_names.push_back(name);
    return id;
}
