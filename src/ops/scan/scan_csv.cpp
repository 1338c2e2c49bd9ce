#include "ops/scan/scan_csv.h"

#include <charconv>
#include <cstdio>
#include <ctime>

namespace scan_csv {

namespace {

std::string Number(double value, int decimals) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    return std::string(buf, r.ptr);
}

// "2026-12-10T05:41:07.250Z"
std::string UtcText(std::chrono::system_clock::time_point at) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm tm{};
    gmtime_r(&seconds, &tm);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms % 1000));
    return buf;
}

}  // namespace

std::string Field(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

std::string SafeText(std::string_view text) {
    if (text.empty() || std::string_view("=+-@\t\r").find(text.front()) == std::string_view::npos)
        return std::string(text);
    return "'" + std::string(text);
}

std::string Record(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) line += ',';
        line += Field(fields[i]);
    }
    line += "\r\n";
    return line;
}

std::vector<std::vector<std::string>> Parse(std::string_view text) {
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false;
    bool any = false;  // something of the current record was read
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c != '"') {
                field += c;
            } else if (i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else {
                quoted = false;
            }
            continue;
        }
        any = true;
        if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.push_back(std::move(field));
            field.clear();
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            fields.push_back(std::move(field));
            field.clear();
            records.push_back(std::move(fields));
            fields.clear();
            any = false;
        } else {
            field += c;
        }
    }
    if (any || quoted) {
        fields.push_back(std::move(field));
        records.push_back(std::move(fields));
    }
    return records;
}

void WriteStats(std::ostream& out, const ScanStats& stats, const std::vector<std::size_t>& rows) {
    out << Record({"address", "name", "hits", "first_rssi", "last_rssi", "min_rssi", "max_rssi", "mean_rssi",
                   "first_seen_ms", "last_seen_ms"});
    const auto& devices = stats.Devices();
    for (const std::size_t row : rows) {
        if (row >= devices.size()) continue;
        const ScanDeviceStats& d = devices[row];
        out << Record({d.address, SafeText(d.name), std::to_string(d.hits), std::to_string(d.firstRssi),
                       std::to_string(d.lastRssi), std::to_string(d.minRssi), std::to_string(d.maxRssi),
                       Number(d.MeanRssi(), 1), std::to_string(d.firstSeenMs), std::to_string(d.lastSeenMs)});
    }
}

void WriteReports(std::ostream& out, const ScanRecord& record) {
    out << Record({"time_utc", "time_ms", "address", "name", "rssi"});
    const auto start = record.StartedAt();
    for (uint64_t seq = record.FirstSeq(); seq < record.EndSeq(); ++seq) {
        const ScanReportEntry& r = record.ReportAt(seq);
        out << Record({UtcText(start + std::chrono::milliseconds(r.atMs)), std::to_string(r.atMs),
                       AddressHex(r.address), SafeText(record.Name(r.name)), std::to_string(r.rssi)});
    }
}

}  // namespace scan_csv
