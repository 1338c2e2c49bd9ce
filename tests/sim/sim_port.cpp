#include "sim_port.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace simtest {

namespace {
using Clock = std::chrono::steady_clock;

int MillisLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() < 0 ? 0 : static_cast<int>(left.count());
}
}  // namespace

SimPort::SimPort(const std::string& path, bool raw) {
    m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_fd < 0 || !raw) return;
    termios tio{};
    ::tcgetattr(m_fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(m_fd, TCSANOW, &tio);
}

SimPort::~SimPort() { Close(); }

void SimPort::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_pending.clear();
}

void SimPort::Send(std::string_view bytes) {
    while (!bytes.empty() && m_fd >= 0) {
        const ssize_t n = ::write(m_fd, bytes.data(), bytes.size());
        if (n <= 0) return;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

bool SimPort::Fill(std::chrono::steady_clock::time_point deadline) {
    if (m_fd < 0) return false;
    pollfd p{m_fd, POLLIN, 0};
    if (::poll(&p, 1, MillisLeft(deadline)) <= 0) return false;
    char buf[4096];
    const ssize_t got = ::read(m_fd, buf, sizeof buf);
    if (got <= 0) return false;
    m_pending.append(buf, static_cast<std::size_t>(got));
    return true;
}

std::string SimPort::Read(std::size_t n, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (m_pending.size() < n && Fill(deadline)) {
    }
    const std::string out = m_pending.substr(0, n);
    m_pending.erase(0, out.size());
    return out;
}

std::string SimPort::ReadLine(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    std::size_t cr;
    while ((cr = m_pending.find('\r')) == std::string::npos) {
        if (!Fill(deadline)) return {};
    }
    const std::string out = m_pending.substr(0, cr + 1);
    m_pending.erase(0, cr + 1);
    return out;
}

int SimPort::WaitForHangUp(std::chrono::milliseconds timeout) {
    pollfd p{m_fd, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(timeout.count())) <= 0) return 2;
    char byte;
    const ssize_t n = ::read(m_fd, &byte, 1);
    return n == 0 ? 0 : (n < 0 ? -1 : 1);
}

}  // namespace simtest
