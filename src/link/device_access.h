// Where a serial device lives and who may open it.
#pragma once

#include <string>
#include <system_error>

// "ttyUSB0" names a device under /dev; anything with a slash is a path. On
// Windows the name is the port's own ("COM3").
std::string SerialDevicePath(const std::string& name);

// When opening a device failed for lack of permission and its group may read
// and write it, the name of that group (membership grants access, e.g.
// "dialout"); empty otherwise.
std::string AccessGroupFor(const std::string& portName, const std::error_code& openError);

// The lock files of classic serial programs (minicom, cu): LCK..<device> in
// the lock directory, holding the owner's process id. They use neither
// flock nor exclusive mode, so only such a file keeps them off our port.
namespace uucp_lock {

#ifndef _WIN32
// $KESTOV_LOCK_DIR when set, else /run/lock (or /var/lock where /run/lock
// does not exist).
std::string Directory();
// The lock file of a device node: "/dev/ttyUSB0" -> "<dir>/LCK..ttyUSB0",
// "/dev/pts/3" -> "<dir>/LCK..pts_3". Give the resolved node, not a link.
std::string PathFor(const std::string& device);
// The owner in a lock file's content: ten ASCII digits (with leading spaces
// and a line end), or a binary int as some old programs write; 0 when the
// content names no process.
long ParseOwner(const std::string& content);
#endif
// True when a process other than this one that still exists holds the
// device's lock. A stale lock is removed on the way (when allowed). Never on
// Windows, which has no lock files.
bool HeldByAnother(const std::string& device);

}  // namespace uucp_lock

// Our own lock file on a device while we have it open. Not thread-safe: the
// owner serialises Acquire and Release.
class DeviceLock {
public:
    DeviceLock() = default;
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;
    ~DeviceLock() { Release(); }

    // False when another live process holds the device's lock. Otherwise a
    // stale lock (or one left with our own id) is replaced by ours; where the
    // lock directory cannot be written, nothing is created and the device
    // may still be used.
    bool Acquire(const std::string& device);
    // Removes our lock file, and only while it is still ours.
    void Release();
    bool Owned() const { return !m_path.empty(); }

private:
    std::string m_path;
};
