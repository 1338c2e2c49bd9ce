#include "platform.h"

#include "serialport.h"

#include <fcntl.h>
#include <pthread.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

bool ClaimSerial(SerialHandle fd, const std::string&) {
    // The exclusive-open flag does not stop root, and other serial programs
    // look for an advisory lock instead: take both. The lock goes with the
    // descriptor when it closes.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        return false;
    }
    // Nobody else may open the device while we hold it (root is exempt).
    ::ioctl(fd, TIOCEXCL);
    return true;
}

void UnclaimSerial(SerialHandle fd) {
    // The advisory lock goes with the descriptor.
    ::ioctl(fd, TIOCNXCL);
}

void DiscardQueues(SerialHandle fd) { ::tcflush(fd, TCIOFLUSH); }

void ReleaseSerial(SerialHandle fd) {
    // Unsent output is dropped, so the driver has nothing to drain and
    // close() cannot block on it. Output the driver reports as gone is left
    // alone: on a pseudo-terminal a flush would still take it back from the
    // other side.
    int queued = 0;
    const bool drained = ::ioctl(fd, TIOCOUTQ, &queued) == 0 && queued == 0;
    ::tcflush(fd, drained ? TCIFLUSH : TCIOFLUSH);
    UnclaimSerial(fd);
}

bool QueuedOutput(SerialHandle fd, int& queued) { return ::ioctl(fd, TIOCOUTQ, &queued) == 0; }

std::size_t ReadSize(SerialHandle, std::size_t capacity) { return capacity; }

std::error_code OpenError(const std::error_code& ec) {
    if (ec == std::errc::device_or_resource_busy) {
        return PortError::InUse;  // held exclusively by another program
    }
    return ec;
}

struct LineGuard::State {
    int fd = -1;
    bool saved = false;
    termios settings{};
};

LineGuard::LineGuard() : m_state(std::make_unique<State>()) {}

LineGuard::~LineGuard() {
    if (m_state->fd >= 0) {
        if (m_state->saved) {
            ::tcsetattr(m_state->fd, TCSANOW, &m_state->settings);
        }
        ::close(m_state->fd);
    }
}

// Holds the device open without a lock while the engine uses it. Opens
// without waiting for carrier and without becoming our terminal.
std::error_code LineGuard::Take(const std::string& device) {
    State& s = *m_state;
    s.fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (s.fd < 0) {
        return {errno, std::generic_category()};
    }
    // Held by a program that locks the device, or that made it exclusive
    // (which root's open passes).
    int exclusive = 0;
    if (::ioctl(s.fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0) {
        return std::make_error_code(std::errc::device_or_resource_busy);
    }
    if (::flock(s.fd, LOCK_EX | LOCK_NB) != 0) {
        return errno == EWOULDBLOCK ? std::make_error_code(std::errc::device_or_resource_busy)
                                    : std::error_code(errno, std::generic_category());
    }
    s.saved = ::tcgetattr(s.fd, &s.settings) == 0;
    // The engine takes its own lock.
    ::flock(s.fd, LOCK_UN);
    return {};
}

bool StdoutIsTerminal() { return ::isatty(STDOUT_FILENO) != 0; }

namespace {
void (*g_onInterrupt)() = nullptr;
// Written by the handler and by WakeInterruptWait, read by WaitForInterrupt.
int g_wakePipe[2] = {-1, -1};

void WakeWriter() {
    if (g_wakePipe[1] >= 0) {
        const int saved = errno;
        const char one = 1;
        [[maybe_unused]] const ssize_t n = ::write(g_wakePipe[1], &one, 1);
        errno = saved;
    }
}

extern "C" void OnSignal(int) {
    if (g_onInterrupt != nullptr) {
        g_onInterrupt();
    }
    WakeWriter();
}
}  // namespace

void WaitForInterrupt() {
    if (g_wakePipe[0] < 0) return;
    pollfd wait{g_wakePipe[0], POLLIN, 0};
    while (::poll(&wait, 1, -1) < 0 && errno == EINTR) {
    }
    char buf[64];
    while (::read(g_wakePipe[0], buf, sizeof buf) > 0) {
    }
}

void WakeInterruptWait() { WakeWriter(); }

void OnInterrupt(void (*fn)()) {
    g_onInterrupt = fn;
    if (g_wakePipe[0] < 0 && ::pipe2(g_wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_wakePipe[0] = g_wakePipe[1] = -1;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted waits go on; the flag is looked at between commands.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

std::string HostName() {
    char buf[256] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0) return {};
    return buf;
}

void NameThisThread(const char* name) {
    ::pthread_setname_np(::pthread_self(), std::string(name).substr(0, 15).c_str());
}

}  // namespace platform
