#include "device_access.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

std::string SerialDevicePath(const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos) {
        return name;
    }
    return "/dev/" + name;
}

std::string AccessGroupFor(const std::string& portName, const std::error_code& openError) {
    if (openError != std::errc::permission_denied && openError != std::errc::operation_not_permitted) {
        return {};
    }
    struct stat st {};
    if (::stat(SerialDevicePath(portName).c_str(), &st) != 0) {
        return {};
    }
    if ((st.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP)) {
        return {};
    }
    long size = ::sysconf(_SC_GETGR_R_SIZE_MAX);
    std::vector<char> buf(size > 0 ? static_cast<std::size_t>(size) : 16384);
    struct group gr {};
    struct group* found = nullptr;
    if (::getgrgid_r(st.st_gid, &gr, buf.data(), buf.size(), &found) != 0 || found == nullptr) {
        return {};
    }
    return found->gr_name;
}

namespace {

// A lock file's content, read without blocking and only from a regular
// file (the lock directory is writable by everyone). False when absent.
bool ReadLockFile(const std::string& path, std::string& content) {
    content.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return errno != ENOENT;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        char buf[64];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            content.assign(buf, static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
    return true;
}

bool ProcessExists(long pid) { return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM); }

// What a found lock means for us.
enum class LockState { None, Live, Dead, Ours };

LockState StateOf(const std::string& path) {
    std::string content;
    if (!ReadLockFile(path, content)) {
        return LockState::None;
    }
    const long owner = uucp_lock::ParseOwner(content);
    if (owner == static_cast<long>(::getpid())) {
        return LockState::Ours;
    }
    return ProcessExists(owner) ? LockState::Live : LockState::Dead;
}

}  // namespace

namespace uucp_lock {

std::string Directory() {
    const char* dir = std::getenv("KESTOV_LOCK_DIR");
    if (dir != nullptr && *dir != '\0') {
        return dir;
    }
    struct stat st {};
    if (::stat("/run/lock", &st) == 0 && S_ISDIR(st.st_mode)) {
        return "/run/lock";
    }
    return "/var/lock";
}

std::string PathFor(const std::string& device) {
    std::string name = device;
    if (name.rfind("/dev/", 0) == 0) {
        name.erase(0, 5);
    } else if (const std::size_t slash = name.rfind('/'); slash != std::string::npos) {
        name.erase(0, slash + 1);
    }
    for (char& c : name) {
        if (c == '/') {
            c = '_';
        }
    }
    return Directory() + "/LCK.." + name;
}

long ParseOwner(const std::string& content) {
    std::size_t i = 0;
    while (i < content.size() && content[i] == ' ') {
        ++i;
    }
    const std::size_t digits = i;
    long pid = 0;
    while (i < content.size() && std::isdigit(static_cast<unsigned char>(content[i])) && pid < 100000000L) {
        pid = pid * 10 + (content[i] - '0');
        ++i;
    }
    bool rest_blank = true;
    for (std::size_t j = i; j < content.size(); ++j) {
        rest_blank = rest_blank && std::isspace(static_cast<unsigned char>(content[j]));
    }
    if (i > digits && rest_blank) {
        return pid;
    }
    if (content.size() == sizeof(int)) {
        int binary = 0;
        std::memcpy(&binary, content.data(), sizeof binary);
        return binary > 0 ? binary : 0;
    }
    return 0;
}

bool HeldByAnother(const std::string& device) {
    const std::string path = PathFor(device);
    switch (StateOf(path)) {
    case LockState::Live:
        return true;
    case LockState::Dead:
        ::unlink(path.c_str());  // stale; where we may not, it is ignored
        return false;
    default:
        return false;
    }
}

}  // namespace uucp_lock

bool DeviceLock::Acquire(const std::string& device) {
    Release();
    const std::string path = uucp_lock::PathFor(device);
    const std::string dir = path.substr(0, path.rfind('/'));
    for (int attempt = 0; attempt < 3; ++attempt) {
        const LockState state = StateOf(path);
        if (state == LockState::Live) {
            return false;
        }
        if (state != LockState::None) {
            ::unlink(path.c_str());  // stale, or left by this process
        }
        // Written whole under another name, then linked: nobody ever sees a
        // lock without its owner.
        std::string tmp = dir + "/LTMP.kestov.XXXXXX";
        const int fd = ::mkstemp(tmp.data());
        if (fd < 0) {
            return true;  // the directory is not ours to write: honour only
        }
        char text[16];
        const int len = std::snprintf(text, sizeof text, "%10ld\n", static_cast<long>(::getpid()));
        const bool written = ::fchmod(fd, 0644) == 0 && ::write(fd, text, static_cast<std::size_t>(len)) == len;
        const bool closed = ::close(fd) == 0;
        if (!written || !closed) {
            ::unlink(tmp.c_str());
            return true;
        }
        const int linked = ::link(tmp.c_str(), path.c_str());
        const int link_errno = errno;
        ::unlink(tmp.c_str());
        if (linked == 0) {
            m_path = path;
            return true;
        }
        if (link_errno != EEXIST) {
            return true;
        }
        // Another program made its lock in between: look again.
    }
    return false;
}

void DeviceLock::Release() {
    if (m_path.empty()) {
        return;
    }
    std::string content;
    if (ReadLockFile(m_path, content) && uucp_lock::ParseOwner(content) == static_cast<long>(::getpid())) {
        ::unlink(m_path.c_str());
    }
    m_path.clear();
}
