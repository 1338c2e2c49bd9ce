#include "ops/traffic/traffic_log.h"

#include "ops/traffic/traffic_text.h"

#include <cerrno>
#include <cstring>

namespace traffic {

bool TrafficLogFile::Open(const std::string& path, std::string& error) {
    Close();
    m_file = std::fopen(path.c_str(), "a");
    if (m_file == nullptr) {
        error = std::strerror(errno);
        return false;
    }
    m_path = path;
    return true;
}

void TrafficLogFile::Close() {
    if (m_file != nullptr) std::fclose(m_file);
    m_file = nullptr;
    m_path.clear();
}

void TrafficLogFile::Write(const TapEvent& event) {
    if (m_file == nullptr) return;
    const std::string row = FormatRow(event) + '\n';
    std::fwrite(row.data(), 1, row.size(), m_file);
    std::fflush(m_file);
}

}  // namespace traffic
