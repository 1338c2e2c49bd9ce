// What differs between the systems beyond the port path, the port list and
// the lock files (port_path.h, port_enum.h, device_access.h): the claim on an
// open serial device, its driver queues, the line setting a probe puts back,
// the console and Ctrl+C. One implementation per system, chosen at build time
// (platform_posix.cpp, win/platform.cpp); nothing above src/link includes a
// system header.
#pragma once

#include <asio/serial_port.hpp>

#include <cstddef>
#include <memory>
#include <string>
#include <system_error>

namespace platform {

using SerialHandle = asio::serial_port::native_handle_type;

// Right after the device opened: makes it ours alone. False when another
// program holds it (POSIX: an advisory lock and exclusive mode; Windows: the
// open is exclusive on its own, and a named object per port says the same
// where the driver lets a second open through, as Wine's does).
bool ClaimSerial(SerialHandle h, const std::string& device);
// Gives up the claim without touching the driver's queues (the device is
// about to close after a failed open).
void UnclaimSerial(SerialHandle h);
// Drops whatever the driver still holds from an earlier user, both ways.
void DiscardQueues(SerialHandle h);
// Before the close: drops unsent output (what the driver reports as gone is
// left alone) and gives up the claim (UnclaimSerial).
void ReleaseSerial(SerialHandle h);
// Bytes the driver has still to send; false when it cannot say.
bool QueuedOutput(SerialHandle h, int& queued);
// How many bytes the next read asks for, at most `capacity`. A Windows read
// ends when its count is there or when the driver's interval timer says so,
// which under Wine is a millisecond after every reply: it asks for what the
// driver holds, or for one byte when it holds none, so that it completes as
// soon as bytes arrive. POSIX reads return what has arrived: capacity.
std::size_t ReadSize(SerialHandle h, std::size_t capacity);

// The opened port's error for "another program has it", from the system's
// error when opening failed; the error unchanged otherwise.
std::error_code OpenError(const std::error_code& ec);

// Holds a device's line setting while a probe uses it, and puts it back when
// destroyed. Take tells whether another program holds the device.
class LineGuard {
public:
    LineGuard();
    ~LineGuard();
    LineGuard(const LineGuard&) = delete;
    LineGuard& operator=(const LineGuard&) = delete;
    std::error_code Take(const std::string& device);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// Whether standard output is a terminal (a console on Windows) that shows
// cursor movements.
bool StdoutIsTerminal();
// Calls fn, which may only store to a lock-free atomic, on Ctrl+C and on a
// request to terminate. Interrupted waits go on.
void OnInterrupt(void (*fn)());
// Sleeps until Ctrl+C (after fn has run) or WakeInterruptWait; no wake-ups
// in between. Only after OnInterrupt.
void WaitForInterrupt();
void WakeInterruptWait();

// This machine's name, or "" when the system does not say.
std::string HostName();
// Names the calling thread for debuggers and process lists (15 bytes kept).
void NameThisThread(const char* name);

}  // namespace platform
