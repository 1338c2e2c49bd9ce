// The station's record: one line per module and attempt, appended and put on
// the disk before the module is shown as done, so a crash or a power cut
// never loses a module that was shown as done. JSON lines, or CSV with a
// header line. Other programs may read the file while the station runs.
#pragma once

#include "link/file_io.h"

#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

struct RecordEntry {
    std::string time;  // UTC, ISO 8601 with milliseconds
    std::string station;
    std::string port;
    std::string byId;
    std::string address;
    std::string model;
    std::string firmware;
    std::string profile;
    std::string profileSha256;
    std::string name;
    std::vector<std::string> written;
    bool done = false;
    std::string reason;  // when failed
    double seconds = 0;
};

class StationRecord {
public:
    // Opens (creates) the file; csv when the file's name ends in ".csv".
    // The modules already done in it are remembered.
    file_io::Error Open(const std::string& path);
    // Written and synced; the error when the line may not be on the disk.
    file_io::Error Append(const RecordEntry& entry);
    void Close();

    // Whether this module was done with this profile (read at Open or appended since).
    bool WasDone(const std::string& address, const std::string& profileSha256) const;

    static std::string JsonLine(const RecordEntry& entry);
    static std::string CsvLine(const RecordEntry& entry);
    static std::string CsvHeader();
    static std::string UtcNow();

private:
    mutable std::mutex m_mutex;
    file_io::AppendLog m_log;
    bool m_csv = false;
    std::set<std::pair<std::string, std::string>> m_done;
};
