#include "port_path.h"

#include "device_access.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string_view>

namespace {

// Linux device numbers of the terminals that are never a serial line.
constexpr unsigned kTtyAuxMajor = 5;  // 5:0 /dev/tty, 5:1 console, 5:2 ptmx
constexpr unsigned kVtMajor = 4;      // 4:0..63 virtual consoles, 4:64.. ttyS
constexpr unsigned kFirstSerialMinor = 64;
constexpr unsigned kPtsFirstMajor = 136;  // 136..143 pseudo-terminal slaves
constexpr unsigned kPtsLastMajor = 143;

std::error_code Errno() { return {errno, std::system_category()}; }

// The controlling terminal in a /proc/<pid>/stat line (field 7), as (major,
// minor); false when it has none.
bool ControllingTerminalIn(const char* line, unsigned& maj, unsigned& min) {
    // The command name may hold spaces and parentheses: fields start after the last ')'.
    const char* close = std::strrchr(line, ')');
    if (close == nullptr) {
        return false;
    }
    char state = 0;
    long ppid = 0, pgrp = 0, session = 0, ttyNr = 0;
    if (std::sscanf(close + 1, " %c %ld %ld %ld %ld", &state, &ppid, &pgrp, &session, &ttyNr) != 5 || ttyNr == 0) {
        return false;
    }
    const auto nr = static_cast<unsigned long>(ttyNr);
    maj = static_cast<unsigned>((nr >> 8) & 0xfff);
    min = static_cast<unsigned>((nr & 0xff) | ((nr >> 12) & 0xfff00));
    return true;
}

// The same for a process's stat file.
bool ControllingTerminalOf(const std::string& statPath, unsigned& maj, unsigned& min) {
    std::ifstream in(statPath);
    std::string line;
    return std::getline(in, line) && ControllingTerminalIn(line.c_str(), maj, min);
}

bool IsOwnTerminal(unsigned maj, unsigned min) {
    unsigned m = 0, n = 0;
    return ControllingTerminalOf("/proc/self/stat", m, n) && m == maj && n == min;
}

// Another session has it as its controlling terminal: a shell in a terminal
// window. Only pseudo-terminal slaves are looked for: consoles and virtual
// terminals are refused before, and serial adapters and UARTs, which the
// port list shows by the dozen, are left to the lock checks, so looking at
// them costs nothing. The kernel tells a terminal's session only to its own
// members (TIOCGSID fails for everyone else) or through the master side,
// which another program holds. So the processes' stat lines are read, or,
// where the program allows it, a short-lived child starts a session of its
// own and opens the terminal without O_NOCTTY: a terminal no session has
// becomes the child's, one that another session has does not. One fork,
// whatever the number of processes; a pseudo-terminal is not hung up when
// the child's session ends. The stat lines remain the fallback when the
// child cannot tell (no fork, or the terminal held exclusively).
enum class Probe { Free, Taken, Unknown };

std::atomic<SessionCheck> g_sessionCheck{SessionCheck::ProcessList};

Probe ProbeSessionTerminal(const char* device) {
    const pid_t child = ::fork();
    if (child < 0) {
        return Probe::Unknown;
    }
    if (child == 0) {
        // Only async-signal-safe calls here: the parent may have other threads.
        if (::setsid() < 0) {
            ::_exit(2);
        }
        const int fd = ::open(device, O_RDWR | O_NONBLOCK);
        if (fd < 0) {
            ::_exit(2);
        }
        pid_t sid = 0;
        ::_exit(::ioctl(fd, TIOCGSID, &sid) == 0 && sid == ::getpid() ? 0 : 1);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            return Probe::Unknown;  // reaped elsewhere (SIGCHLD ignored)
        }
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) {
        return Probe::Unknown;
    }
    return WEXITSTATUS(status) == 0 ? Probe::Free : Probe::Taken;
}

bool SessionTerminalInProcessList(unsigned maj, unsigned min) {
    DIR* dir = ::opendir("/proc");
    if (dir == nullptr) {
        return false;
    }
    const int procFd = ::dirfd(dir);
    bool found = false;
    char path[300];  // a directory name and "/stat"
    char line[512];
    while (dirent* e = ::readdir(dir)) {
        if (e->d_name[0] < '1' || e->d_name[0] > '9') {
            continue;
        }
        std::snprintf(path, sizeof path, "%s/stat", e->d_name);
        const int fd = ::openat(procFd, path, O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        const ssize_t n = ::read(fd, line, sizeof line - 1);
        ::close(fd);
        unsigned m = 0, mi = 0;
        if (n > 0) {
            line[n] = '\0';
            if (ControllingTerminalIn(line, m, mi) && m == maj && mi == min) {
                found = true;
                break;
            }
        }
    }
    ::closedir(dir);
    return found;
}

bool IsSessionTerminal(const char* device, unsigned maj, unsigned min) {
    if (maj < kPtsFirstMajor || maj > kPtsLastMajor) {
        return false;
    }
    switch (g_sessionCheck.load() == SessionCheck::Child ? ProbeSessionTerminal(device) : Probe::Unknown) {
    case Probe::Free:
        return false;
    case Probe::Taken:
        return true;
    case Probe::Unknown:
        break;
    }
    return SessionTerminalInProcessList(maj, min);
}

// Asks the kernel's device tree which subsystem the device belongs to,
// without opening it (an open would raise the modem lines).
bool IsTtyDevice(unsigned maj, unsigned min) {
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

void SetSessionCheck(SessionCheck how) { g_sessionCheck.store(how); }

PortPathCheck CheckPortPath(const std::string& name) {
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
    if (maj == kTtyAuxMajor || (maj == kVtMajor && min < kFirstSerialMinor) || !IsTtyDevice(maj, min)) {
        result.error = PortPathError::NotASerialLine;
    } else if (IsOwnTerminal(maj, min)) {
        result.error = PortPathError::OwnTerminal;
    } else if (IsSessionTerminal(resolved, maj, min)) {
        result.error = PortPathError::SessionTerminal;
    }
    return result;
}

bool MayOpenPort(const std::string& path, std::string& group) {
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
