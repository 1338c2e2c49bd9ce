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
bool WaitUntil(Pred pred, std::chrono::milliseconds limit = 5000ms)
{
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
    PtyPeer()
    {
        char name[128] = {};
        if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
            throw std::runtime_error("openpty failed");
        }
        path_ = name;
        MakeRaw(master_);
        MakeRaw(slave_);
    }
    ~PtyPeer()
    {
        CloseMaster();
        ::close(slave_);
    }
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    const std::string& Path() const { return path_; }
    // A descriptor of the slave side that the test keeps, for ioctl checks.
    int SlaveFd() const { return slave_; }

    void Write(std::string_view bytes)
    {
        while (!bytes.empty()) {
            const ssize_t n = ::write(master_, bytes.data(), bytes.size());
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
    std::string ReadUntil(char stop, std::chrono::milliseconds limit = 5000ms)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        std::size_t pos;
        while ((pos = pending_.find(stop)) == std::string::npos) {
            if (!Fill(deadline)) {
                return Take(pending_.size());
            }
        }
        return Take(pos + 1);
    }

    // Exactly n bytes, or fewer when the time runs out.
    std::string ReadExactly(std::size_t n, std::chrono::milliseconds limit = 5000ms)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (pending_.size() < n && Fill(deadline)) {
        }
        return Take(std::min(n, pending_.size()));
    }

    // Forgets what the module received so far.
    void DiscardInput()
    {
        ::tcflush(master_, TCIFLUSH);
        pending_.clear();
    }

    // Hangs the line up: the slave side sees end of file.
    void CloseMaster()
    {
        if (master_ >= 0) {
            ::close(master_);
            master_ = -1;
        }
    }

private:
    static void MakeRaw(int fd)
    {
        termios t{};
        ::tcgetattr(fd, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fd, TCSANOW, &t);
    }

    bool Fill(std::chrono::steady_clock::time_point deadline)
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
        char buf[4096];
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0) {
            return false;
        }
        pending_.append(buf, static_cast<std::size_t>(n));
        return true;
    }

    std::string Take(std::size_t n)
    {
        std::string out = pending_.substr(0, n);
        pending_.erase(0, n);
        return out;
    }

    int master_ = -1;
    int slave_ = -1;
    std::string path_;
    std::string pending_;
};

}  // namespace linktest
