#include "ops/station/apply_runner.h"
#include "ops/station/station_record.h"

#include "ops/station/csv_rows.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <sstream>

namespace {

constexpr std::size_t kMaxRecordBytes = 256u << 20;
const std::vector<std::string> kColumns = {"time",    "station",  "port",    "byId",          "address",
                                           "model",   "firmware", "profile", "profileSha256", "name",
                                           "written", "result",   "reason",  "seconds"};

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::string StationRecord::UtcNow() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm tm{};
    ::gmtime_r(&t, &tm);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms));
    return buf;
}

std::string StationRecord::JsonLine(const RecordEntry& e) {
    nlohmann::ordered_json j;
    j["time"] = e.time;
    j["station"] = e.station;
    j["port"] = e.port;
    j["byId"] = e.byId;
    j["address"] = e.address;
    j["model"] = e.model;
    j["firmware"] = e.firmware;
    j["profile"] = e.profile;
    j["profileSha256"] = e.profileSha256;
    j["name"] = e.name;
    j["written"] = e.written;
    j["result"] = e.done ? "done" : "failed";
    if (!e.done) {
        j["reason"] = e.reason;
    }
    j["seconds"] = std::round(e.seconds * 1000) / 1000;
    // Text from a module may be invalid UTF-8: replaced, never dropped.
    return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::string StationRecord::CsvHeader() {
    std::string out;
    for (const std::string& c : kColumns) {
        out += (out.empty() ? "" : ",") + c;
    }
    return out + "\r\n";
}

std::string StationRecord::CsvLine(const RecordEntry& e) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", e.seconds);
    const std::vector<std::string> fields = {e.time,
                                             e.station,
                                             e.port,
                                             e.byId,
                                             e.address,
                                             e.model,
                                             e.firmware,
                                             e.profile,
                                             e.profileSha256,
                                             e.name,
                                             JoinedWords(e.written),
                                             e.done ? "done" : "failed",
                                             e.done ? "" : e.reason,
                                             seconds};
    std::string out;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        out += (i ? "," : "") + CsvField(fields[i]);
    }
    return out + "\r\n";
}

file_io::Error StationRecord::Open(const std::string& path) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_csv = EndsWith(path, ".csv") || EndsWith(path, ".CSV");
    m_done.clear();
    const file_io::ReadResult before = file_io::ReadWholeFile(path, kMaxRecordBytes);
    if (before.error && !before.missing) {
        return before.error;
    }
    if (file_io::Error e = m_log.Open(path)) {
        return e;
    }
    if (m_csv) {
        std::vector<std::vector<std::string>> rows;
        std::string ignored;
        ParseCsv(before.data, rows, ignored);
        for (std::size_t r = 1; r < rows.size(); ++r) {
            if (rows[r].size() >= 12 && rows[r][11] == "done") {
                m_done.emplace(rows[r][4], rows[r][8]);
            }
        }
    } else {
        std::istringstream lines(before.data);
        for (std::string line; std::getline(lines, line);) {
            // A line cut short by a crash is no record of anything.
            const nlohmann::json j = nlohmann::json::parse(line, nullptr, false);
            if (j.is_object() && j.value("result", "") == "done") {
                m_done.emplace(j.value("address", ""), j.value("profileSha256", ""));
            }
        }
    }
    // A line cut short by a crash is ended, so the next one starts clean.
    const std::string start = before.data.empty()          ? (m_csv ? CsvHeader() : std::string())
                              : before.data.back() != '\n' ? std::string(m_csv ? "\r\n" : "\n")
                                                           : std::string();
    if (!start.empty()) {
        if (file_io::Error e = m_log.Write(start)) {
            return e;
        }
    }
    return m_log.Sync();
}

file_io::Error StationRecord::Append(const RecordEntry& entry) {
    const std::string line = m_csv ? CsvLine(entry) : JsonLine(entry);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (file_io::Error e = m_log.Write(line)) {
        return e;
    }
    if (file_io::Error e = m_log.Sync()) {
        return e;
    }
    if (entry.done) {
        m_done.emplace(entry.address, entry.profileSha256);
    }
    return {};
}

void StationRecord::Close() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_log.Close();
}

bool StationRecord::WasDone(const std::string& address, const std::string& profileSha256) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_done.count({address, profileSha256}) != 0;
}
