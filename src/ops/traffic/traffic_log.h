// Appends traffic rows to a text file, one write per row so the file holds
// everything up to a crash. Only a regular file (or a new one) is used, and
// the first failed write closes the log: the caller tells the user.
#pragma once

#include "link/file_io.h"
#include "link/link_tap.h"

#include <string>

namespace traffic {

class TrafficLogFile {
public:
    // Opens for appending; the reason on failure.
    file_io::Error Open(const std::string& path);
    void Close() { m_file.Close(); }
    bool IsOpen() const { return m_file.IsOpen(); }
    const std::string& Path() const { return m_file.Path(); }
    // Nothing when the log is closed; on a failure the log is closed.
    file_io::Error Write(const TapEvent& event);
    // A line of its own (a session header), on the same terms.
    file_io::Error WriteLine(const std::string& line);

private:
    file_io::AppendLog m_file;
};

}  // namespace traffic
