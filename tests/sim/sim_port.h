// The program's end of the simulated module: the pseudo-terminal's slave
// side, opened in raw mode, with bounded reads.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace simtest {

using namespace std::chrono_literals;

class SimPort {
public:
    // `raw`: put the line in raw mode; false keeps the mode the module set.
    explicit SimPort(const std::string& path, bool raw = true);
    ~SimPort();
    SimPort(const SimPort&) = delete;
    SimPort& operator=(const SimPort&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    void Close();
    void Send(std::string_view bytes);
    // Exactly n bytes, or fewer if the time runs out first.
    std::string Read(std::size_t n, std::chrono::milliseconds timeout = 3000ms);
    // Up to and including the next CR; empty on time-out.
    std::string ReadLine(std::chrono::milliseconds timeout = 3000ms);
    // Waits for the line to end: 0 for end of file, -1 for an error,
    // 1 when data came instead, 2 on time-out.
    int WaitForHangUp(std::chrono::milliseconds timeout = 3000ms);

private:
    bool Fill(std::chrono::steady_clock::time_point deadline);

    int m_fd = -1;
    std::string m_pending;
};

}  // namespace simtest
