// Follows serial ports appearing and disappearing. On Linux this is inotify
// on /dev, /dev/serial/by-id and any folder the caller names (a folder of
// links to terminals, such as simulators' links); where inotify cannot be had
// it falls back to listing once a second. Kept behind this small interface so
// another system can have its own.
#pragma once

#include "link/port_enum.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

struct WatchedPort : SerialPortEntry {
    // The terminal the path leads to (a link's target); equals path for /dev
    // nodes. A link that comes to name another terminal is another port.
    std::string device;
};

struct PortChange {
    bool appeared = false;  // else it went away (or, with updated, is still there)
    bool updated = false;   // still there, with other details (its by-id name came or went)
    WatchedPort port;
    std::chrono::steady_clock::time_point at;  // when the watcher saw it
};

struct PortWatchOptions {
    bool system = true;             // the system's serial ports under /dev
    std::vector<std::string> dirs;  // every entry leading to a terminal is a port, by-id name = entry
    // Shell pattern matched against path, device and by-id name; empty: all.
    std::string pattern;
    bool forcePolling = false;  // the fallback, for its tests and benchmark
};

class PortWatch {
public:
    static constexpr std::chrono::milliseconds kPollPeriod{1000};

    // The first Wait reports the ports already there as appeared.
    static std::unique_ptr<PortWatch> Create(const PortWatchOptions& options);
    virtual ~PortWatch() = default;

    // Waits up to timeout for ports to come or go, or for Wake. Without events
    // from the system it wakes once per kPollPeriod to list the ports.
    // One thread waits at a time.
    virtual std::vector<PortChange> Wait(std::chrono::milliseconds timeout) = 0;
    // Ends a Wait at once; safe from any thread.
    virtual void Wake() = 0;
    // The ports as of the last Wait.
    virtual std::vector<WatchedPort> Present() const = 0;
    // False when the watcher lists periodically instead.
    virtual bool EventDriven() const = 0;
    // Times the ports were listed, for the idle benchmark.
    virtual std::size_t Listings() const = 0;
};
