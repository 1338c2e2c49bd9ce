#include "ops/station/station.h"

#include "link/platform.h"
#include "ops/station/apply_runner.h"

namespace {

using Clock = std::chrono::steady_clock;

// Long enough to be no wake-up at all, short enough for poll's int.
constexpr std::chrono::milliseconds kIdleWait = std::chrono::hours(1);

std::string HostName() {
    const std::string name = platform::HostName();
    return name.empty() ? "station" : name;
}

double SecondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

}  // namespace

const char* PhaseWord(PortPhase phase) {
    switch (phase) {
    case PortPhase::Waiting:
        return "waiting";
    case PortPhase::Identifying:
        return "identifying";
    case PortPhase::Writing:
        return "writing";
    case PortPhase::Verifying:
        return "verifying";
    case PortPhase::Done:
        return "done";
    case PortPhase::AlreadyDone:
        return "already done";
    case PortPhase::Failed:
        return "failed";
    case PortPhase::LeftAlone:
        return "left alone";
    case PortPhase::Gone:
        return "gone";
    }
    return "";
}

struct Station::Job {
    WatchedPort port;
    int sequence = 0;
    std::thread thread;
    std::atomic<bool> finished{false};
};

Station::Station(StationConfig config, Listener listener)
    : m_config(std::move(config)), m_listener(std::move(listener)) {
    if (m_config.stationName.empty()) {
        m_config.stationName = HostName();
    }
}

Station::~Station() { Stop(false); }

bool Station::Start(std::string& error) {
    if (const file_io::Error e = m_record.Open(m_config.recordPath)) {
        error = m_config.recordPath + ": cannot write the record: " + e.Text();
        return false;
    }
    for (const std::string& dir : m_config.watch.dirs) {
        if (::access(dir.c_str(), R_OK | X_OK) != 0) {
            error = dir + ": cannot watch this folder";
            m_record.Close();
            return false;
        }
    }
    m_watch = PortWatch::Create(m_config.watch);
    m_thread = std::thread([this] { Run(); });
    return true;
}

void Station::SetPaused(bool paused) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_paused = paused;
    }
    if (m_watch) {
        m_watch->Wake();
    }
}

void Station::LeaveAlone(const std::string& device, bool leave) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (leave) {
        m_leaveAlone.insert(device);
    } else {
        m_leaveAlone.erase(device);
    }
}

std::vector<std::string> Station::Stop(bool finish) {
    std::vector<std::string> inProgress;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopping || !m_thread.joinable()) {
            return inProgress;
        }
        m_stopping = true;
        if (!finish) {
            m_abort = true;  // never undoes an AbortInProgress
        }
        for (const auto& [port, job] : m_jobs) {
            if (!job->finished) {
                inProgress.push_back(port);
            }
        }
    }
    m_watch->Wake();
    m_thread.join();
    m_record.Close();
    return inProgress;
}

StationCounts Station::Counts() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_counts;
}

std::vector<PortView> Station::Ports() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<PortView> out;
    for (const auto& [port, view] : m_ports) {
        out.push_back(view);
    }
    return out;
}

bool Station::EventDriven() const { return m_watch && m_watch->EventDriven(); }
std::size_t Station::Listings() const { return m_watch ? m_watch->Listings() : 0; }

void Station::Update(const std::string& port, const std::function<void(PortView&)>& change) {
    PortView copy;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        PortView& view = m_ports[port];
        change(view);
        view.seconds = SecondsSince(view.appeared);
        copy = view;
    }
    if (m_listener) {
        m_listener(copy);
    }
}

void Station::Run() {
    // Named, so its wake-ups can be counted.
    platform::NameThisThread("station-watch");
    for (;;) {
        std::chrono::milliseconds timeout = kIdleWait;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stopping) {
                break;
            }
            if (!m_paused) {
                for (const auto& [path, change] : m_settling) {
                    if (m_jobs.count(path) != 0) {
                        continue;
                    }
                    const auto due = change.at + m_config.settle;
                    const auto left = std::chrono::ceil<std::chrono::milliseconds>(due - Clock::now());
                    timeout = std::max(std::chrono::milliseconds(0), std::min(timeout, left));
                }
            }
        }
        const std::vector<PortChange> changes = m_watch->Wait(timeout);

        std::vector<std::unique_ptr<Job>> ended;
        std::vector<std::string> due;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stopping) {
                break;
            }
            for (auto it = m_jobs.begin(); it != m_jobs.end();) {
                if (it->second->finished) {
                    ended.push_back(std::move(it->second));
                    it = m_jobs.erase(it);
                } else {
                    ++it;
                }
            }
        }
        for (std::unique_ptr<Job>& job : ended) {
            job->thread.join();
        }
        for (const PortChange& c : changes) {
            const std::string& path = c.port.path;
            if (c.updated) {
                std::lock_guard<std::mutex> lock(m_mutex);
                if (const auto it = m_settling.find(path); it != m_settling.end()) {
                    it->second.port = c.port;  // the by-id name that came after the device
                }
                continue;
            }
            bool busy = false;
            bool leave = false;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                busy = m_jobs.count(path) != 0;
                leave = m_leaveAlone.count(c.port.device) != 0 || m_leaveAlone.count(path) != 0;
                if (c.appeared && !leave) {
                    m_settling[path] = c;
                } else if (!c.appeared) {
                    if (m_settling.erase(path) == 0) {
                        continue;  // a running job sees the loss itself
                    }
                }
            }
            if (c.appeared && busy) {
                continue;
            }
            Update(path, [&](PortView& v) {
                if (c.appeared) {
                    v = PortView{};
                    v.port = path;
                    v.device = c.port.device;
                    v.byId = c.port.byId;
                    v.appeared = c.at;
                    v.phase = leave ? PortPhase::LeftAlone : PortPhase::Waiting;
                    v.detail = leave ? "in use by this program" : "";
                } else {
                    v.phase = PortPhase::Gone;
                }
            });
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_paused) {
                const auto now = Clock::now();
                for (const auto& [path, change] : m_settling) {
                    if (m_jobs.count(path) == 0 && change.at + m_config.settle <= now) {
                        due.push_back(path);
                    }
                }
            }
        }
        for (const std::string& path : due) {
            StartJob(path);
        }
    }
    // Stopping: every job ends (on its own, or after its command in flight).
    std::map<std::string, std::unique_ptr<Job>> jobs;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        jobs.swap(m_jobs);
    }
    for (auto& [path, job] : jobs) {
        job->thread.join();
    }
}

void Station::StartJob(const std::string& path) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_settling.find(path);
    if (it == m_settling.end()) {
        return;
    }
    auto job = std::make_unique<Job>();
    job->port = it->second.port;
    PortView& v = m_ports[path];
    v = PortView{};
    v.port = path;
    v.device = job->port.device;
    v.byId = job->port.byId;
    v.appeared = it->second.at;
    job->sequence = ++m_sequence;
    m_settling.erase(it);
    ++m_counts.busy;
    Job& j = *job;
    m_jobs[path] = std::move(job);
    j.thread = std::thread([this, &j] { Work(j); });
}

void Station::Work(Job& job) {
    platform::NameThisThread("station-port");
    const std::string path = job.port.path;
    const auto started = Clock::now();
    Update(path, [](PortView& v) { v.phase = PortPhase::Identifying; });

    ApplyRequest request;
    request.port = path;
    request.patch = m_config.patch;
    request.skipUnsupported = m_config.skipUnsupported;
    request.nameTemplate = m_config.nameTemplate;
    request.sequence = job.sequence;
    request.profileModel = m_config.profileModel;
    request.keepGoing = [this] { return !m_abort.load(); };
    request.beforeWrite = [&](const DeviceSettings& current, SettingsPatch& patch, std::string& reason) {
        const std::string address = AddressText(current.address);
        if (!m_config.again && m_record.WasDone(address, m_config.profileSha256)) {
            return false;
        }
        if (m_config.table) {
            if (const SettingsPatch* row = m_config.table->Find(address, job.port.serial)) {
                for (const auto& [field, value] : row->values) {
                    patch.values[field] = value;
                }
            } else if (m_config.refuseMissing) {
                reason = "the module " + address + " is not in the table";
                return false;
            }
        }
        const auto name = patch.values.find("name");
        const std::string given = name == patch.values.end() ? std::string() : name->second;
        Update(path, [&](PortView& v) {
            v.phase = PortPhase::Writing;
            v.name = given;
        });
        return true;
    };
    PortReport report = RunApply(request, [&](const std::string&, const std::string& event, const std::string& detail) {
        Update(path, [&](PortView& v) {
            if (event == "identified") {
                v.model = detail;
            } else if (event == "read") {
                v.address = detail;
            } else if (event == "wrote") {
                v.written.push_back(detail);
                v.detail = JoinedWords(v.written);
            } else if (event == "verifying") {
                v.phase = PortPhase::Verifying;
            }
        });
    });

    PortPhase phase = PortPhase::Failed;
    std::string detail = report.error;
    const bool identified = !report.model.empty();
    if (report.identifyError == SessionError::Timeout || report.identifyError == SessionError::Unsupported) {
        phase = PortPhase::LeftAlone;
    } else if (report.heldBack) {
        phase = PortPhase::AlreadyDone;
        detail = "done before with this profile";
    } else if (identified) {
        RecordEntry e;
        e.time = StationRecord::UtcNow();
        e.station = m_config.stationName;
        e.port = job.port.device;
        e.byId = job.port.byId;
        e.address = report.address;
        e.model = report.model;
        e.firmware = report.before.firmware;
        e.profile = m_config.profileName;
        e.profileSha256 = m_config.profileSha256;
        e.name = report.nameGiven;
        e.written = report.outcome.written;
        e.done = report.exitCode == 0;
        e.reason = report.error;
        e.seconds = SecondsSince(started);
        if (const file_io::Error fault = m_record.Append(e)) {
            phase = PortPhase::Failed;
            detail = "the record could not be written: " + fault.Text();
        } else {
            phase = e.done ? PortPhase::Done : PortPhase::Failed;
            detail = e.done ? JoinedWords(e.written) : report.error;
        }
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        --m_counts.busy;
        switch (phase) {
        case PortPhase::Done:
            ++m_counts.done;
            break;
        case PortPhase::AlreadyDone:
            ++m_counts.alreadyDone;
            break;
        case PortPhase::LeftAlone:
            ++m_counts.leftAlone;
            break;
        default:
            ++m_counts.failed;
            break;
        }
    }
    Update(path, [&](PortView& v) {
        v.phase = phase;
        v.detail = detail;
        v.written = report.outcome.written;
        if (!report.nameGiven.empty()) {
            v.name = report.nameGiven;
        }
    });
    job.finished = true;
    m_watch->Wake();
}
