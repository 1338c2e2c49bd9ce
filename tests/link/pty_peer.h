// The module's end of a pseudo-terminal for the link tests: the test plays
// the module on the master side, the code under test opens the slave path.
#pragma once

#include <chrono>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace linktest {

using namespace std::chrono_literals;

// Waits for a condition that no callback announces, up to a generous bound.
template <typename Pred>
bool WaitUntil(Pred pred, std::chrono::milliseconds limit = 5000ms) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

class PtyPeer {
public:
    PtyPeer() {
        char name[128] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
            throw std::runtime_error("openpty failed");
        }
        m_path = name;
        MakeRaw(m_master);
        MakeRaw(m_slave);
    }
    ~PtyPeer() {
        CloseMaster();
        ::close(m_slave);
    }
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    const std::string& Path() const { return m_path; }
    // A descriptor of the slave side that the test keeps, for ioctl checks.
    int SlaveFd() const { return m_slave; }

    void Write(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t n = ::write(m_master, bytes.data(), bytes.size());
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                throw std::runtime_error("write to the pty master failed");
            }
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
    }

    // Up to and including the next `stop` byte; what came so far on time-out.
    std::string ReadUntil(char stop, std::chrono::milliseconds limit = 5000ms) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        std::size_t pos;
        while ((pos = m_pending.find(stop)) == std::string::npos) {
            if (!Fill(deadline)) {
                return Take(m_pending.size());
            }
        }
        return Take(pos + 1);
    }

    // Exactly n bytes, or fewer when the time runs out.
    std::string ReadExactly(std::size_t n, std::chrono::milliseconds limit = 5000ms) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (m_pending.size() < n && Fill(deadline)) {
        }
        return Take(std::min(n, m_pending.size()));
    }

    // Forgets what the module received so far.
    void DiscardInput() {
        ::tcflush(m_master, TCIFLUSH);
        m_pending.clear();
    }

    // Hangs the line up: the slave side sees end of file.
    void CloseMaster() {
        if (m_master >= 0) {
            ::close(m_master);
            m_master = -1;
        }
    }

private:
    static void MakeRaw(int fd) {
        termios t{};
        ::tcgetattr(fd, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fd, TCSANOW, &t);
    }

    bool Fill(std::chrono::steady_clock::time_point deadline) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd p{m_master, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
        char buf[4096];
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n <= 0) {
            return false;
        }
        m_pending.append(buf, static_cast<std::size_t>(n));
        return true;
    }

    std::string Take(std::size_t n) {
        std::string out = m_pending.substr(0, n);
        m_pending.erase(0, n);
        return out;
    }

    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
    std::string m_pending;
};

}  // namespace linktest
