#include "port_path.h"

#include "device_access.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string_view>

namespace {

class PortPathCategoryImpl : public std::error_category {
public:
    const char* name() const noexcept override { return "port path"; }
    std::string message(int ev) const override
    {
        switch (static_cast<PortPathError>(ev)) {
        case PortPathError::NotADevice:
            return "Not a device";
        case PortPathError::NotASerialLine:
            return "Not a serial port";
        case PortPathError::OwnTerminal:
            return "This is the terminal the program runs in";
        case PortPathError::SessionTerminal:
            return "The terminal of another program's session";
        }
        return "Unknown port path error";
    }
    // Callers that only tell "not a tty" from other failures keep working.
    std::error_condition default_error_condition(int ev) const noexcept override
    {
        if (static_cast<PortPathError>(ev) == PortPathError::NotASerialLine) {
            return std::errc::inappropriate_io_control_operation;
        }
        return {ev, *this};
    }
};

// Linux device numbers of the terminals that are never a serial line.
constexpr unsigned kTtyAuxMajor = 5;     // 5:0 /dev/tty, 5:1 console, 5:2 ptmx
constexpr unsigned kVtMajor = 4;         // 4:0..63 virtual consoles, 4:64.. ttyS
constexpr unsigned kFirstSerialMinor = 64;
constexpr unsigned kPtsFirstMajor = 136; // 136..143 pseudo-terminal slaves
constexpr unsigned kPtsLastMajor = 143;

std::error_code Errno() { return {errno, std::system_category()}; }

// The controlling terminal of a process from /proc/<pid>/stat (field 7), as
// (major, minor); false when it has none or the file cannot be read.
bool ControllingTerminalOf(const std::string& statPath, unsigned& maj, unsigned& min)
{
    std::ifstream in(statPath);
    std::string line;
    if (!std::getline(in, line)) {
        return false;
    }
    // The command name may hold spaces and parentheses: fields start after the last ')'.
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos) {
        return false;
    }
    char state = 0;
    long ppid = 0, pgrp = 0, session = 0, ttyNr = 0;
    if (std::sscanf(line.c_str() + close + 1, " %c %ld %ld %ld %ld", &state, &ppid, &pgrp, &session,
                    &ttyNr) != 5 ||
        ttyNr == 0) {
        return false;
    }
    const auto nr = static_cast<unsigned long>(ttyNr);
    maj = static_cast<unsigned>((nr >> 8) & 0xfff);
    min = static_cast<unsigned>((nr & 0xff) | ((nr >> 12) & 0xfff00));
    return true;
}

bool IsOwnTerminal(unsigned maj, unsigned min)
{
    unsigned m = 0, n = 0;
    return ControllingTerminalOf("/proc/self/stat", m, n) && m == maj && n == min;
}

bool IsPseudoTerminal(unsigned maj) { return maj >= kPtsFirstMajor && maj <= kPtsLastMajor; }

// Asks the kernel's device tree which subsystem the device belongs to,
// without opening it (an open would raise the modem lines).
bool IsTtyDevice(unsigned maj, unsigned min)
{
    if (maj >= kPtsFirstMajor && maj <= kPtsLastMajor) {
        return true;  // pseudo-terminal slaves are not in the device tree
    }
    const std::string node = "/sys/dev/char/" + std::to_string(maj) + ":" + std::to_string(min);
    char target[PATH_MAX];
    const ssize_t n = ::readlink((node + "/subsystem").c_str(), target, sizeof target - 1);
    if (n > 0) {
        target[n] = '\0';
        const std::string_view link(target, static_cast<std::size_t>(n));
        return link.substr(link.rfind('/') + 1) == "tty";
    }
    return false;
}

}  // namespace

const std::error_category& PortPathCategory()
{
    static const PortPathCategoryImpl category;
    return category;
}

std::error_code make_error_code(PortPathError e)
{
    return {static_cast<int>(e), PortPathCategory()};
}

PortPathCheck CheckPortPath(const std::string& name)
{
    PortPathCheck result;
    if (name.empty()) {
        result.error = std::error_code(ENOENT, std::system_category());
        return result;
    }
    char resolved[PATH_MAX];
    if (::realpath(SerialDevicePath(name).c_str(), resolved) == nullptr) {
        result.error = Errno();
        return result;
    }
    result.device = resolved;
    // Lack of permission is what the user can mend: say that first.
    if (::access(resolved, R_OK | W_OK) != 0 && (errno == EACCES || errno == EPERM)) {
        result.error = Errno();
        return result;
    }
    struct stat st {};
    if (::stat(resolved, &st) != 0) {
        result.error = Errno();
        return result;
    }
    if (!S_ISCHR(st.st_mode) || result.device.rfind("/dev/", 0) != 0) {
        result.error = PortPathError::NotADevice;
        return result;
    }
    const unsigned maj = major(st.st_rdev);
    const unsigned min = minor(st.st_rdev);
    if (maj == kTtyAuxMajor || (maj == kVtMajor && min < kFirstSerialMinor) ||
        !IsTtyDevice(maj, min)) {
        result.error = PortPathError::NotASerialLine;
    } else if (IsOwnTerminal(maj, min)) {
        result.error = PortPathError::OwnTerminal;
    } else if (IsPseudoTerminal(maj)) {
        // Opening a pseudo-terminal moves no modem line: asked here already.
        result.sessionChecked = true;
        const int fd = ::open(resolved, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            if (IsSessionTerminalFd(fd)) {
                result.error = PortPathError::SessionTerminal;
            }
            ::close(fd);
        }
    }
    return result;
}

// The kernel tells only a session leader whether a terminal is taken: a
// short-lived child becomes one and tries to take it, which fails with EPERM
// exactly when another session has it. One fork, whatever the number of
// processes on the machine.
bool IsSessionTerminalFd(int fd)
{
    const pid_t child = ::fork();
    if (child == 0) {
        // Only async-signal-safe calls: the parent may have other threads.
        ::signal(SIGHUP, SIG_IGN);  // giving the terminal back hangs up our own group
        if (::setsid() < 0) {
            ::_exit(2);
        }
        if (::ioctl(fd, TIOCSCTTY, 0) != 0) {
            ::_exit(errno == EPERM ? 1 : 2);
        }
        ::ioctl(fd, TIOCNOTTY);
        ::_exit(0);
    }
    if (child < 0) {
        return false;
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 1;
}

bool MayOpenPort(const std::string& path, std::string& group)
{
    group.clear();
    if (::access(SerialDevicePath(path).c_str(), R_OK | W_OK) == 0) {
        return true;
    }
    const std::error_code ec = Errno();
    if (ec != std::errc::permission_denied && ec != std::errc::operation_not_permitted) {
        return true;  // missing or gone: not a matter of permission
    }
    group = AccessGroupFor(path, ec);
    return false;
}
