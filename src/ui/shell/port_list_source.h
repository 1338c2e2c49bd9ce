// Where the port dialog and the reconnect watch learn which serial ports
// exist and whether the user may open them. The system's by default; tests
// and the demo install their own.
#pragma once

#include "link/port_enum.h"
#include "link/port_watch.h"

#include <optional>

#include <string>
#include <vector>

class PortListSource {
public:
    virtual ~PortListSource() = default;
    virtual std::vector<SerialPortEntry> Ports() = 0;
    // False when the user may not read and write the device; `group` then
    // names the group that would grant it, if any.
    virtual bool MayOpen(const std::string& path, std::string& group) = 0;

    // What to watch to learn of changes as they happen; none: the list is
    // read again once a second.
    virtual std::optional<PortWatchOptions> WatchOptions() const { return std::nullopt; }

    // The source in use.
    static PortListSource& Current();
    // nullptr restores the system's source. The caller keeps ownership.
    static void Install(PortListSource* source);
};

// The system's ports from the kernel's device tree.
class SystemPortListSource : public PortListSource {
public:
    std::vector<SerialPortEntry> Ports() override;
    bool MayOpen(const std::string& path, std::string& group) override;
    std::optional<PortWatchOptions> WatchOptions() const override { return PortWatchOptions{}; }
};
