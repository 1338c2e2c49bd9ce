// What the file code uses of POSIX, on Windows: the C runtime's descriptors,
// with the flags it lacks meaning nothing and a rename that replaces.
#pragma once

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>

namespace file_io {
namespace {

// Bytes as they are: no line-end translation.
constexpr int kBinary = _O_BINARY;

}  // namespace
}  // namespace file_io

#ifndef O_NONBLOCK
#define O_NONBLOCK 0
#endif
#ifndef O_CLOEXEC
#define O_CLOEXEC _O_NOINHERIT
#endif
#ifndef O_NOCTTY
#define O_NOCTTY 0
#endif
#ifndef O_DIRECTORY
#define O_DIRECTORY 0
#endif
#ifndef S_ISLNK
#define S_ISLNK(m) 0
#endif
#ifndef S_ISSOCK
#define S_ISSOCK(m) 0
#endif
#ifndef S_ISBLK
#define S_ISBLK(m) 0
#endif
#ifndef S_ISFIFO
#define S_ISFIFO(m) (((m)&_S_IFMT) == _S_IFIFO)
#endif

namespace file_io {
namespace {

// No symbolic links to follow here.
inline int lstat(const char* path, struct stat* st) { return ::stat(path, st); }
inline int fsync(int fd) { return ::_commit(fd); }
inline int fdatasync(int fd) { return ::_commit(fd); }
// The file keeps the mode the runtime gives it.
inline int fchmod(int, unsigned) { return 0; }
inline char* realpath(const char* path, char* resolved) { return ::_fullpath(resolved, path, MAX_PATH); }

// The runtime's rename refuses an existing target.
inline int ReplaceFile(const char* from, const char* to) {
    if (::MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return 0;
    }
    errno = ::GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
    return -1;
}

}  // namespace
}  // namespace file_io
