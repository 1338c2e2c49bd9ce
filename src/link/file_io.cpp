#include "link/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef _WIN32
#include "link/win/posix_files.h"
#else
#include <ext/stdio_sync_filebuf.h>
#endif

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <random>

namespace file_io {
namespace {

#ifndef _WIN32
constexpr int kBinary = 0;
int ReplaceFile(const char* from, const char* to) { return ::rename(from, to); }
#endif

std::atomic<testing::WriteFn> g_write{nullptr};

ssize_t DoWrite(int fd, const void* data, std::size_t size) {
    const testing::WriteFn fn = g_write.load(std::memory_order_relaxed);
    return fn ? fn(fd, data, size) : ::write(fd, data, size);
}

Error Sys(int e) { return Error{Fault::System, e != 0 ? e : EIO}; }

// Every byte, or the reason why not.
Error WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = DoWrite(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return Sys(errno);
        }
        if (n == 0) return Sys(EIO);
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return {};
}

Error CloseChecked(int fd) {
    // Linux frees the descriptor even when close reports an error; never retry.
    if (::close(fd) != 0 && errno != EINTR) return Sys(errno);
    return {};
}

// What stat says of an existing path: nothing, or why it is refused.
Error CheckRegular(const struct stat& st) {
    if (S_ISREG(st.st_mode)) return {};
    return Error{FaultOfMode(st.st_mode), 0};
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

Fault FaultOfMode(mode_t mode) {
    if (S_ISREG(mode)) return Fault::None;
    if (S_ISFIFO(mode)) return Fault::Fifo;
    if (S_ISDIR(mode)) return Fault::Directory;
    if (S_ISCHR(mode) || S_ISBLK(mode)) return Fault::Device;
    if (S_ISSOCK(mode)) return Fault::Socket;
    return Fault::NotRegular;
}

std::string Error::Text() const {
    switch (fault) {
    case Fault::None:
        return {};
    case Fault::System:
        return std::strerror(sys);
    case Fault::Fifo:
        return "it is a FIFO, not a regular file";
    case Fault::Directory:
        return "it is a folder, not a regular file";
    case Fault::Device:
        return "it is a device, not a regular file";
    case Fault::Socket:
        return "it is a socket, not a regular file";
    case Fault::NotRegular:
        return "it is not a regular file";
    case Fault::TooLarge:
        return "the file is too large";
    }
    return {};
}

ReadResult ReadWholeFile(const std::string& path, std::size_t maxBytes) {
    ReadResult r;
    // Look before opening: opening some devices has effects of its own.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        r.error = Sys(errno);
        r.missing = errno == ENOENT;
        return r;
    }
    if ((r.error = CheckRegular(st))) return r;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | kBinary);
    if (fd < 0) {
        r.error = Sys(errno);
        r.missing = errno == ENOENT;
        return r;
    }
    // The path may have changed between the look and the open.
    if (::fstat(fd, &st) != 0) {
        r.error = Sys(errno);
    } else if (!(r.error = CheckRegular(st)) && static_cast<unsigned long long>(st.st_size) > maxBytes) {
        r.error = Error{Fault::TooLarge, 0};
    }
    char buffer[65536];
    while (!r.error) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            r.error = Sys(errno);
        } else if (n == 0) {
            break;
        } else if (r.data.size() + static_cast<std::size_t>(n) > maxBytes) {
            r.error = Error{Fault::TooLarge, 0};  // it grew while being read
        } else {
            r.data.append(buffer, static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
    if (r.error) r.data.clear();
    return r;
}

Error WriteWholeFile(const std::string& requested, std::string_view data) {
    std::string path = requested;
    struct stat st {};
    bool exists = false;
    if (lstat(path.c_str(), &st) == 0) {
        if (S_ISLNK(st.st_mode)) {
            // Replace what the link names, not the link.
            char resolved[PATH_MAX];
            if (::stat(path.c_str(), &st) == 0) {
                if (realpath(path.c_str(), resolved) == nullptr) return Sys(errno);
                path = resolved;
                exists = true;
            } else if (errno != ENOENT) {
                return Sys(errno);
            }
            // A dangling link: the new file is made in its place.
        } else {
            exists = true;
        }
        if (exists) {
            if (Error e = CheckRegular(st)) return e;
        }
    } else if (errno != ENOENT) {
        return Sys(errno);
    }

    const std::string folder = FolderOf(path);
    const std::string stem = folder + "/." + NameOf(path) + ".";
    std::random_device seed;
    std::mt19937 rng(seed());
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08x.tmp", static_cast<unsigned>(rng()));
        temp = stem + suffix;
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | kBinary,
                    exists ? 0600 : 0666);
        if (fd < 0 && errno != EEXIST) return Sys(errno);
    }
    if (fd < 0) return Sys(EEXIST);

    Error e;
    if (exists && fchmod(fd, st.st_mode & 07777) != 0) e = Sys(errno);
    if (!e) e = WriteAll(fd, data);
    if (!e && fsync(fd) != 0) e = Sys(errno);
    const Error closed = CloseChecked(fd);
    if (!e) e = closed;
    if (!e && ReplaceFile(temp.c_str(), path.c_str()) != 0) e = Sys(errno);
    if (e) {
        ::unlink(temp.c_str());
        return e;
    }
    // The rename itself reaches the disk with the folder.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        ::close(dir);
    }
    return {};
}

Error AppendLog::Open(const std::string& path) {
    Close();
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (Error e = CheckRegular(st)) return e;
    } else if (errno != ENOENT) {
        return Sys(errno);
    }
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | kBinary, 0666);
    if (fd < 0) return Sys(errno);
    Error e;
    if (::fstat(fd, &st) != 0) {
        e = Sys(errno);
    } else {
        e = CheckRegular(st);
    }
    if (e) {
        ::close(fd);
        return e;
    }
    m_fd = fd;
    m_path = path;
    return {};
}

Error AppendLog::Write(std::string_view data) {
    if (m_fd < 0) return Sys(EBADF);
    return WriteAll(m_fd, data);
}

Error AppendLog::Sync() {
    if (m_fd < 0) return Sys(EBADF);
    if (fdatasync(m_fd) != 0) return Sys(errno);
    return {};
}

void AppendLog::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_path.clear();
}

namespace {

std::atomic<int> g_stdoutError{0};  // errno of the first lost write to standard output

#ifndef _WIN32
// Standard output's writes, checked; stdio forgets errno once a write fails.
ssize_t StdoutWrite(void*, const char* data, std::size_t size) {
    if (const Error e = WriteAll(STDOUT_FILENO, std::string_view(data, size))) {
        int none = 0;
        g_stdoutError.compare_exchange_strong(none, e.sys);
        errno = e.sys;
        return 0;  // a cookie stream's way of saying "failed"
    }
    return static_cast<ssize_t>(size);
}
#endif

}  // namespace

void WatchStdout() {
#ifdef _WIN32
    // No stream with write hooks here: a lost write shows in ferror and in
    // the flush and close that CloseStdout checks.
#else
    cookie_io_functions_t io{};
    io.write = StdoutWrite;
    FILE* checked = ::fopencookie(nullptr, "w", io);
    if (checked == nullptr) return;
    // A terminal sees each line at once, as before.
    std::setvbuf(checked, nullptr, ::isatty(STDOUT_FILENO) ? _IOLBF : _IOFBF, BUFSIZ);
    std::fflush(stdout);
    stdout = checked;
    static __gnu_cxx::stdio_sync_filebuf<char> buffer(checked);
    std::cout.rdbuf(&buffer);
#endif
}

Error CloseStdout() {
    std::cout.flush();
    errno = 0;
    int e = 0;
    if (std::fflush(stdout) != 0) e = errno;
    const bool failed = std::ferror(stdout) != 0;
    // Nothing more goes out; the flush at exit must not reach the closed stream.
    std::cout.rdbuf(nullptr);
    if (std::fclose(stdout) != 0 && e == 0) e = errno;
#ifndef _WIN32
    // The descriptor too (stdout is the checked stream, not descriptor 1):
    // some file systems report a lost write only here. On Windows the stream
    // owned the descriptor and closed it; closing it again is an invalid
    // parameter, which the runtime may answer by ending the program.
    if (::close(STDOUT_FILENO) != 0 && errno != EINTR && errno != EBADF && e == 0) e = errno;
#endif
    if (const int first = g_stdoutError.load(); first != 0) return Sys(first);
    if (e != 0) return Sys(e);
    if (failed) return Sys(EIO);
    return {};
}

namespace testing {
void SetWrite(WriteFn fn) { g_write.store(fn, std::memory_order_relaxed); }
}  // namespace testing

}  // namespace file_io
