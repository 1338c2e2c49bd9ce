#include "ops/traffic/traffic_log.h"

#include "ops/traffic/traffic_text.h"

namespace traffic {

file_io::Error TrafficLogFile::Open(const std::string& path) { return m_file.Open(path); }

file_io::Error TrafficLogFile::Write(const TapEvent& event) { return WriteLine(LogRow(event)); }

file_io::Error TrafficLogFile::WriteLine(const std::string& line) {
    if (!m_file.IsOpen()) return {};
    const file_io::Error e = m_file.Write(line + '\n');
    if (e) m_file.Close();
    return e;
}

}  // namespace traffic
