// The module's operations on an open link, without any window: typed calls,
// typed results that say what failed and why. The window's jobs, the
// command-line tool and the port probe all run their sequences through it.
//
// One thread runs the calls (the engine takes one caller); Cancel may come
// from any thread and ends a pause or a scan at once.
#pragma once

#include "ops/session/device_settings.h"
#include "ops/session/device_steps.h"
#include "link/at_protocol.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

class KestovLV2xxComm;
namespace setting_fields {
struct Command;
}

enum class SessionError {
    None,
    NotOpen,       // the link is not open
    Closed,        // the link closed, or the session was cancelled
    Timeout,       // no reply in time
    Refused,       // the module answered with an error
    BadReply,      // a reply this call cannot use
    Unsupported,   // the module is not one of the supported models
    InvalidInput,  // refused before anything was sent
};

struct SessionResult {
    SessionError error = SessionError::None;
    std::string command;          // the command that failed, without its CR
    lv2xx_atres code = ATRES_OK;  // what the engine returned for it
    int completed = 0;            // commands of this call that succeeded
    std::string detail;           // for InvalidInput and Unsupported

    explicit operator bool() const { return error == SessionError::None; }
    // One line of English: "AT+MANUF=x: the module refused it".
    std::string Describe() const;
};

struct IdentifyResult : SessionResult {
    int model = 0;          // ModelIndex
    std::string modelText;  // as the module reported it
};

struct ReadResult : SessionResult {
    DeviceSettings settings;
};

struct ScanReportResult : SessionResult {
    lv2xx_scan_report report{};
};

class DeviceSession {
public:
    explicit DeviceSession(KestovLV2xxComm& comm);
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    // Any thread: ends a pause at once and refuses further commands (Closed)
    // until Resume.
    void Cancel();
    void Resume();
    bool Cancelled() const { return m_cancelled.load(); }

    struct IdentifyOptions {
        unsigned probeTimeoutMs = device_steps::kReplyMs;
        int probeTries = 2;
        unsigned modelTimeoutMs = device_steps::kReplyMs;
    };
    // "AT" (up to probeTries times), then the model query.
    IdentifyResult Identify(const IdentifyOptions& options);
    IdentifyResult Identify() { return Identify(IdentifyOptions{}); }
    // The model query alone, as a guard before writes.
    IdentifyResult ConfirmModel();

    // Version, information, interval, UART options, the model's slots, and
    // on models with a beacon its data and source. An empty slot is no failure.
    ReadResult ReadAll(int model);

    // A row of the settings table that writes with one set step: its fields
    // are checked by their input rules, then the step goes with its argument.
    SessionResult Write(const setting_fields::Command& command, const DeviceSettings& target, int slot);
    SessionResult SetAdvInterval(unsigned ms);
    SessionResult SetUartOptions(const UartOptions& options);
    // Slot n (1..8): registers the entry, or deletes the slot when it is empty.
    SessionResult WriteSlot(int n, const SlotEntry& entry);
    // Slot n from entry n - 1, in order; stops at the first failure.
    SessionResult WriteSlots(const std::vector<SlotEntry>& entries);
    // User data is written first (only with BEACON_SOURCE_USER), then the source.
    SessionResult SetBeacon(int source, const std::string& hex);
    SessionResult Reboot();
    SessionResult FactoryReset();

    // Empty name: filter off.
    SessionResult SetScanFilter(const std::string& name);
    // The filter, the module's pause, then the start.
    SessionResult StartScan(const std::string& filterName);
    // Stops a scan the module runs (Scan stops its own, with its reports).
    SessionResult StopScan();
    // The one scan loop, for the window's scan and the command line's: starts,
    // hands every report to onReport while keepGoing holds, then stops the
    // module's scan and hands over the reports it sent up to its +STOPPED.
    // keepGoing is first asked right after the module has started scanning
    // (a failed start never asks it), then after each report or quiet
    // period, so at least every 1.2 s. Closing the link ends the wait for a
    // report at once; after Cancel the scan ends with Closed at its next wait
    // and sends nothing more.
    SessionResult Scan(const std::string& filterName, const std::function<bool()>& keepGoing,
                       const std::function<void(const lv2xx_scan_report&)>& onReport);

private:
    // One report; Timeout when none came within the engine's wait.
    ScanReportResult WaitScanReport();
    // After StopScan: the reports the module sent before it stopped, in order.
    std::vector<lv2xx_scan_report> TakeReportsLeft();
    // Runs one row of the step table with its pauses; the reply is kept when asked for.
    SessionResult Exchange(const device_steps::Step& step, const char* cmd, unsigned len, lv2xx_reply* reply = nullptr,
                           unsigned timeoutMs = 0);
    template <class... Args>
    SessionResult Run(const device_steps::Step& step, lv2xx_reply* reply, Args... args);
    // False when cancelled during the pause.
    bool Pause(unsigned ms);

    KestovLV2xxComm& m_comm;
    std::atomic<bool> m_cancelled{false};
    std::mutex m_pauseMutex;
    std::condition_variable m_pauseCond;
};
