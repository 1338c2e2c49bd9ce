// Waits for a module's serial device to come back after it disappeared, and
// says where to open it again: the same device by its stable by-id name when
// it has one (it may come back under another ttyUSB number), else by path.
// A failed reopen does not end the waiting: the next try follows after a
// pause that doubles from a quarter second up to five seconds.
#pragma once

#include "link/port_enum.h"

#include <chrono>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

// What the last reopen met.
enum class ReconnectSnag {
    None,
    InUse,  // another program holds the port
    NoPermission,
    OpenFailed,   // any other reason the system gave (the detail says which)
    NoAnswer,     // opened, but no module of the series answered
    Unsupported,  // another model answered
    Dropped,      // the device went away again while it was being identified
};

class ReconnectWatch {
public:
    using Clock = std::chrono::steady_clock;
    using Lister = std::function<std::vector<SerialPortEntry>()>;
    static constexpr std::chrono::milliseconds kFirstPause{250};
    static constexpr std::chrono::milliseconds kLongestPause{5000};

    explicit ReconnectWatch(Lister lister);

    // The user chose this port: note which device it is while it is there.
    void Chosen(const std::string& name);
    // The device went away: start waiting for it. While a reopen is being
    // tried, it counts as that try failing instead.
    void Lost(Clock::time_point now = Clock::now());
    void Stop();
    bool Waiting() const { return m_waiting; }
    // A name returned by Poll is being opened.
    bool Trying() const { return m_trying; }
    // The device is there but not yet tried (settling or pausing): Poll
    // again by NextLook, as no change may come to prompt it.
    bool Pending() const { return m_waiting && !m_trying && !m_candidate.empty(); }
    Clock::time_point NextLook() const { return m_notBefore; }

    // Called periodically while waiting. Returns the name to open once the
    // device has been found on two polls in a row (a device that just
    // appeared is given time to settle) and the pause after the last failed
    // try is over, else empty. The try lasts until Failed or Succeeded.
    std::string Poll(Clock::time_point now = Clock::now());
    // The try failed: wait on, and try again after the next pause.
    void Failed(ReconnectSnag snag, const std::string& detail = {}, Clock::time_point now = Clock::now());
    // The module is back: waiting ends.
    void Succeeded() { Stop(); }

    ReconnectSnag LastSnag() const { return m_snag; }
    const std::string& LastDetail() const { return m_detail; }

    // How an open failure reads as a snag.
    static ReconnectSnag SnagOf(const std::error_code& openError);

private:
    std::string Find() const;

    Lister m_lister;
    std::string m_name;  // as the user gave it
    std::string m_byId;  // the device's stable name, or empty
    bool m_waiting = false;
    bool m_trying = false;
    std::string m_candidate;
    std::chrono::milliseconds m_pause{kFirstPause};
    Clock::time_point m_notBefore{};
    ReconnectSnag m_snag = ReconnectSnag::None;
    std::string m_detail;
};
