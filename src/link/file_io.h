// Files the program reads and writes: profiles, exports, the traffic log,
// the settings. Only regular files are read or written (or new ones
// created), nothing is opened in a way that can block (a FIFO or a device
// in place of a file is refused at once), every write and close is checked,
// and whole files are replaced atomically so a failure leaves the old file.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace file_io {

// Why a file could not be used. System: errno in sys.
enum class Fault { None, System, Fifo, Directory, Device, Socket, NotRegular, TooLarge };

struct Error {
    Fault fault = Fault::None;
    int sys = 0;

    explicit operator bool() const { return fault != Fault::None; }
    // English reason, e.g. "No space left on device" or "it is a FIFO, not a regular file".
    std::string Text() const;
};

// The fault for a file of this st_mode that is not a regular file.
Fault FaultOfMode(mode_t mode);

struct ReadResult {
    std::string data;
    Error error;
    bool missing = false;  // nothing at the path (error is System/ENOENT)
};

// The whole of a regular file of at most maxBytes.
ReadResult ReadWholeFile(const std::string& path, std::size_t maxBytes);

// Replaces path with data: a temporary in the same folder, written, flushed
// to disk and renamed over the target. On failure the old file is untouched
// and no temporary stays. A new file gets 0666 less the umask, a replaced one
// keeps its mode; a symbolic link is followed and stays a link.
Error WriteWholeFile(const std::string& path, std::string_view data);

// A log that appends: a regular file (created when missing), written with
// one system call per Write, so what was written survives a crash.
class AppendLog {
public:
    AppendLog() = default;
    ~AppendLog() { Close(); }
    AppendLog(const AppendLog&) = delete;
    AppendLog& operator=(const AppendLog&) = delete;

    Error Open(const std::string& path);
    // The first failure leaves the log open; the caller decides to close it.
    Error Write(std::string_view data);
    // Puts what was written on the disk (a power cut keeps it).
    Error Sync();
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    const std::string& Path() const { return m_path; }

private:
    int m_fd = -1;
    std::string m_path;
};

// Routes standard output (stdio and std::cout) through checked writes, so a
// lost write is remembered with its reason. Call first thing in main.
void WatchStdout();
// Flushes and closes standard output; the reason when anything written to it
// was lost (a full disk, a closed pipe).
Error CloseStdout();

namespace testing {
// Every write of this module goes through here; tests make it fail.
using WriteFn = ssize_t (*)(int fd, const void* data, std::size_t size);
void SetWrite(WriteFn fn);  // nullptr restores ::write
}  // namespace testing

}  // namespace file_io
