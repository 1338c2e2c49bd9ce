// A simulated KESTOV LV2xx module on a pseudo-terminal: answers the AT
// command set, keeps state, reports scanned devices, and can misbehave.
// Used by the tests as the module's peer and by the demo mode.
#pragma once

#include "link/module_limits.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct SimDevice {
    uint8_t address[6]{};
    std::string name;  // UTF-8
    int rssi = -50;    // base RSSI; reports vary around it when jitter is on
};

struct SimSlot {
    bool used = false;
    uint8_t address[6]{};
    std::string tag;
};

// A setting the module keeps as one small number: "AT+<NAME>?" answers
// "+<NAME>:<value>", "AT+<NAME>=<n>" takes min..max.
struct SimNumber {
    std::string name;  // upper case, as in the commands
    unsigned min = 0;
    unsigned max = 0;
    unsigned value = 0;
};
// The module's number settings with their factory values, one row each.
std::vector<SimNumber> FactoryNumbers();

// What the module keeps. Factory defaults come from DefaultState(model).
struct SimState {
    std::string model = "KESTOV-LV200";
    std::string version = "v1.2.0";
    uint8_t address[6]{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    std::string name = "LV200";
    std::string extra = "0";
    unsigned advInterval = 100;
    char parity = 'N';
    unsigned stopBits = 1;
    unsigned flowControl = 0;
    SimSlot slotTable[module_limits::kMaxSlots];
    std::string beaconHex;  // up to 52 hex digits
    bool userBeacon = false;
    bool filterOn = false;
    std::string filterName;
    bool scanning = false;
    std::vector<SimNumber> numbers = FactoryNumbers();

    int SlotCount() const;   // 7 on the LV230, 8 otherwise
    bool HasBeacon() const;  // false on the LV230
    // The number setting of that name, or nullptr.
    SimNumber* Number(std::string_view name);
};

SimState DefaultState(const std::string& model);

// One command line as the module received it.
struct SimLogEntry {
    std::chrono::steady_clock::time_point at;
    std::string command;  // without its CR
};

// Replies leave as "<text>\r" ("\r\n<text>\r\n" when framed); scan reports
// are always plain. ATZ and AT&F answer "+READY" after a 300 ms restart during
// which received commands are logged but lost. Scan reports that the wire
// cannot take (nobody reading, or a paced wire that is full) are dropped, as a
// module with a full UART buffer would.
class KestovSimulator {
public:
    explicit KestovSimulator(const std::string& model = "KESTOV-LV200");
    ~KestovSimulator();
    KestovSimulator(const KestovSimulator&) = delete;
    KestovSimulator& operator=(const KestovSimulator&) = delete;

    // Creates the pseudo-terminal (raw mode) and starts answering.
    bool Start(std::string* error = nullptr);
    // Stops the thread and closes the pseudo-terminal. Idempotent.
    void Stop();
    // Path of the terminal the program opens (/dev/pts/N).
    std::string DevicePath() const;

    // ---- State ----
    SimState State() const;
    void SetState(const SimState& state);

    // ---- Scan population ----
    void SetScanDevices(std::vector<SimDevice> devices);
    // Generates n devices with varied names (some UTF-8) and RSSI.
    static std::vector<SimDevice> MakeDevices(std::size_t n, uint32_t seed = 1);
    void SetScanRate(double reportsPerSecond);  // default 20
    void SetRssiJitter(int plusMinus);          // default 0: reports carry the base RSSI
    // Every report comes from an address not reported before (a flood of
    // passing devices); names still come from the population.
    void SetUniqueAddresses(bool on);

    // ---- Wire pacing: 10 bits per byte at this baud; 0 = as fast as possible ----
    void SetPaceBaud(unsigned baud);

    // ---- Misbehaviour ----
    void SetReplyDelay(std::chrono::milliseconds delay);
    void SetEcho(bool on);           // echo each command line before replying
    void SetFramedReplies(bool on);  // CR LF text CR LF instead of text CR
    void SetSplitWrites(bool on);    // replies leave in pieces of a few bytes
    void SetSilent(bool on);         // receive but never answer
    void SetNoise(bool on);          // junk lines between replies
    // Every command starting with this prefix is answered with an error line.
    void SetErrorFor(const std::string& commandPrefix);
    // Every command starting with this prefix is answered this much later
    // (a reply that misses its time-out); with `times`, only the next that many.
    void SetDelayFor(const std::string& commandPrefix, std::chrono::milliseconds extra, std::size_t times = kEveryTime);
    static constexpr std::size_t kEveryTime = static_cast<std::size_t>(-1);
    // Clears both lists.
    void ClearErrors();
    // A scan report is always half sent when a command arrives: its head
    // went out after the last reply, its tail goes out before the next one.
    void SetReportStraddlesReplies(bool on);
    // These bytes (no line end: noise, a boot byte) follow every reply, so a
    // piece of a line sits on the wire between two transactions. Empty: off.
    void SetStrayAfterReplies(const std::string& bytes);
    // A running scan goes on reporting right up to its +STOPPED: a few
    // reports leave after every queued one, then the reply.
    void SetReportsUntilStopped(bool on);
    // Closes the terminal's master side: the program sees the device vanish.
    void HangUp();

    // ---- Log of received command lines ----
    std::vector<SimLogEntry> Log() const;
    std::vector<std::string> Commands() const;  // just the texts
    void ClearLog();
    // Waits until at least n commands were logged; false on time-out.
    bool WaitForCommands(std::size_t n, std::chrono::milliseconds timeout) const;
    // Total scan reports handed to the wire since Start.
    std::size_t ReportsSent() const;
    // Keeps a copy of every byte written to the program from now on.
    void SetRecordWire(bool on);
    std::string WireRecord() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace sim
