// Appends traffic rows to a text file, flushed after every row so the file
// holds everything up to a crash.
#pragma once

#include "link/link_tap.h"

#include <cstdio>
#include <string>

namespace traffic {

class TrafficLogFile {
public:
    TrafficLogFile() = default;
    ~TrafficLogFile() { Close(); }
    TrafficLogFile(const TrafficLogFile&) = delete;
    TrafficLogFile& operator=(const TrafficLogFile&) = delete;

    // Opens for appending; false with the system's reason on failure.
    bool Open(const std::string& path, std::string& error);
    void Close();
    bool IsOpen() const { return m_file != nullptr; }
    const std::string& Path() const { return m_path; }
    void Write(const TapEvent& event);

private:
    std::FILE* m_file = nullptr;
    std::string m_path;
};

}  // namespace traffic
