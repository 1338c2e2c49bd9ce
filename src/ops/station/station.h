// The provisioning station: watches for serial ports, and for each new one
// waits until it settles, identifies the module, applies the profile with
// the module's own name, verifies by read-back and records the result. Ports
// are handled in parallel, each on its own link and thread. Shared by
// kestovctl and the window; no Qt.
#pragma once

#include "link/port_watch.h"
#include "ops/session/settings_patch.h"
#include "ops/station/module_table.h"
#include "ops/station/station_record.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

enum class PortPhase {
    Waiting,      // appeared, settling (or the station is paused)
    Identifying,  // opened, asking which module it is
    Writing,
    Verifying,
    Done,         // written, verified and recorded
    AlreadyDone,  // this module already has this profile: nothing written
    Failed,       // detail says why
    LeftAlone,    // no module of the series (silent, another device, or the window's port)
    Gone,         // went away before anything was done
};

const char* PhaseWord(PortPhase phase);  // "waiting", "identifying", ... for lines and JSON

struct PortView {
    std::string port;  // what is opened: a /dev path or a watched folder's entry
    std::string device;
    std::string byId;
    PortPhase phase = PortPhase::Waiting;
    std::string address;
    std::string model;
    std::string name;                  // the name given
    std::string detail;                // the failure, why left alone, or the fields written so far
    std::vector<std::string> written;  // fields written
    double seconds = 0;                // since the port appeared
    std::chrono::steady_clock::time_point appeared;
};

struct StationConfig {
    SettingsPatch patch;        // the profile
    std::string profileName;    // as recorded (the file's name)
    std::string profileSha256;  // of the profile's text
    std::string profileModel;
    std::string nameTemplate;  // {addr}, {addr4}, {seq}, {seq:0N}
    std::shared_ptr<const ModuleTable> table;
    bool refuseMissing = false;  // a module not in the table fails instead of taking the template
    bool skipUnsupported = false;
    bool again = false;  // write modules already done too
    std::string recordPath;
    std::string stationName;  // the host's name when empty
    PortWatchOptions watch;
    std::chrono::milliseconds settle{100};
};

struct StationCounts {
    int done = 0;
    int alreadyDone = 0;
    int failed = 0;
    int leftAlone = 0;
    int busy = 0;  // being worked on
};

class Station {
public:
    // Called on the station's threads at every change of a port.
    using Listener = std::function<void(const PortView&)>;

    Station(StationConfig config, Listener listener);
    ~Station();
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    // Opens the record and starts watching; false with the reason.
    bool Start(std::string& error);
    // Paused: new ports wait, modules in progress go on.
    void SetPaused(bool paused);
    // A device the station must never open (the window's own module).
    void LeaveAlone(const std::string& device, bool leave);
    // Ends the station: finish lets the modules in progress complete, else
    // each stops after its command in flight and is recorded as failed.
    // Returns the ports that were in progress. Joins every thread.
    std::vector<std::string> Stop(bool finish);
    // The modules in progress stop after their command in flight (while a
    // Stop(true) waits for them, say).
    void AbortInProgress() { m_abort = true; }

    StationCounts Counts() const;
    std::vector<PortView> Ports() const;
    bool EventDriven() const;
    std::size_t Listings() const;

private:
    struct Job;
    void Run();
    void StartJob(const std::string& port);
    void Work(Job& job);
    void Update(const std::string& port, const std::function<void(PortView&)>& change);

    StationConfig m_config;
    Listener m_listener;
    std::unique_ptr<PortWatch> m_watch;
    StationRecord m_record;
    std::thread m_thread;

    mutable std::mutex m_mutex;
    std::map<std::string, PortView> m_ports;
    // Appeared and not started (also while an earlier job on the same path ends).
    std::map<std::string, PortChange> m_settling;
    std::map<std::string, std::unique_ptr<Job>> m_jobs;
    std::set<std::string> m_leaveAlone;
    StationCounts m_counts;
    int m_sequence = 0;
    bool m_paused = false;
    bool m_stopping = false;
    std::atomic<bool> m_abort{false};
};
