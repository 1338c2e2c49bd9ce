// Waits for a module's serial device to come back after it disappeared, and
// says where to open it again: the same device by its stable by-id name when
// it has one (it may come back under another ttyUSB number), else by path.
#pragma once

#include "link/port_enum.h"

#include <functional>
#include <string>
#include <vector>

class ReconnectWatch {
public:
    using Lister = std::function<std::vector<SerialPortEntry>()>;
    explicit ReconnectWatch(Lister lister);

    // The user chose this port: note which device it is while it is there.
    void Chosen(const std::string& name);
    // The device went away: start waiting for it.
    void Lost();
    void Stop();
    bool Waiting() const { return m_waiting; }

    // Called periodically while waiting. Returns the name to open once the
    // device has been found on two polls in a row (a device that just
    // appeared is given time to settle), else empty; waiting ends then.
    std::string Poll();

private:
    std::string Find() const;

    Lister m_lister;
    std::string m_name;   // as the user gave it
    std::string m_byId;   // the device's stable name, or empty
    bool m_waiting = false;
    std::string m_candidate;
};
