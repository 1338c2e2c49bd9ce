#include "link/port_watch.h"

#include <fcntl.h>
#include <fnmatch.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>

namespace fs = std::filesystem;

namespace {

constexpr const char* kDevDir = "/dev";
constexpr const char* kSerialDir = "/dev/serial";
constexpr const char* kByIdDir = "/dev/serial/by-id";

bool Matches(const std::string& pattern, const WatchedPort& p) {
    if (pattern.empty()) {
        return true;
    }
    for (const std::string* s : {&p.path, &p.device, &p.byId}) {
        if (!s->empty() && ::fnmatch(pattern.c_str(), s->c_str(), 0) == 0) {
            return true;
        }
    }
    return false;
}

// Entries of a folder that lead to a character device (a dangling link, a
// file or a folder is no port).
void ListDir(const std::string& dir, std::map<std::string, WatchedPort>& out) {
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string path = it->path().string();
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) {
            continue;
        }
        WatchedPort p;
        p.path = path;
        std::error_code cec;
        const fs::path target = fs::canonical(path, cec);
        p.device = cec ? path : target.string();
        p.byId = path;
        out[path] = std::move(p);
    }
}

class LinuxPortWatch : public PortWatch {
public:
    explicit LinuxPortWatch(const PortWatchOptions& options) : m_options(options) {
        m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (!options.forcePolling) {
            m_inotify = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        }
        AddWatches();
    }
    ~LinuxPortWatch() override {
        if (m_inotify >= 0) {
            ::close(m_inotify);
        }
        if (m_wake >= 0) {
            ::close(m_wake);
        }
    }

    std::vector<PortChange> Wait(std::chrono::milliseconds timeout) override {
        using Clock = std::chrono::steady_clock;
        if (!m_listed) {
            return Relist();
        }
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            const auto now = Clock::now();
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
            bool pollDue = false;
            if (!EventDriven()) {
                const auto nextList = m_lastList + kPollPeriod;
                if (nextList <= now) {
                    pollDue = true;
                } else if (nextList - now < left) {
                    left = std::chrono::duration_cast<std::chrono::milliseconds>(nextList - now) +
                           std::chrono::milliseconds(1);
                }
            }
            if (pollDue) {
                std::vector<PortChange> changes = Relist();
                if (!changes.empty()) {
                    return changes;
                }
                continue;
            }
            if (left.count() < 0) {
                return {};
            }
            pollfd fds[2] = {{m_wake, POLLIN, 0}, {m_inotify, POLLIN, 0}};
            const int n = ::poll(fds, m_inotify >= 0 ? 2 : 1, static_cast<int>(left.count()));
            if (n < 0 && errno != EINTR) {
                return {};
            }
            if (n > 0 && (fds[0].revents & POLLIN)) {
                uint64_t v;
                [[maybe_unused]] const ssize_t r = ::read(m_wake, &v, sizeof v);
                return {};
            }
            if (n > 0 && m_inotify >= 0 && (fds[1].revents & POLLIN)) {
                if (DrainEvents()) {
                    AddWatches();
                    std::vector<PortChange> changes = Relist();
                    if (!changes.empty()) {
                        return changes;
                    }
                }
            }
            if (Clock::now() >= deadline) {
                return {};
            }
        }
    }

    void Wake() override {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t r = ::write(m_wake, &one, sizeof one);
    }

    std::vector<WatchedPort> Present() const override {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<WatchedPort> out;
        for (const auto& [path, port] : m_present) {
            out.push_back(port);
        }
        return out;
    }

    bool EventDriven() const override { return m_inotify >= 0; }
    std::size_t Listings() const override {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_listings;
    }

private:
    // Folders may come and go (by-id exists only while an adapter is
    // plugged in); adding a watch again is harmless.
    void AddWatches() {
        if (m_inotify < 0) {
            return;
        }
        constexpr uint32_t kEntries =
            IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;
        if (m_options.system) {
            for (const char* dir : {kDevDir, kSerialDir, kByIdDir}) {
                if (const int wd = ::inotify_add_watch(m_inotify, dir, kEntries | IN_ONLYDIR); wd >= 0) {
                    m_systemWatches[wd] = dir;
                }
            }
        }
        for (const std::string& dir : m_options.dirs) {
            if (const int wd = ::inotify_add_watch(m_inotify, dir.c_str(), kEntries | IN_ONLYDIR); wd >= 0) {
                m_folders[wd] = dir;
            }
        }
    }

    // True when an event may have changed the ports: anything in a named
    // folder, by-id or /dev/serial, and tty-like names in /dev.
    bool DrainEvents() {
        alignas(inotify_event) char buf[8192];
        bool relevant = false;
        for (;;) {
            const ssize_t n = ::read(m_inotify, buf, sizeof buf);
            if (n <= 0) {
                break;
            }
            for (ssize_t off = 0; off < n;) {
                const auto* ev = reinterpret_cast<const inotify_event*>(buf + off);
                off += static_cast<ssize_t>(sizeof(inotify_event) + ev->len);
                const auto sys = m_systemWatches.find(ev->wd);
                // Removed and made again between two reads: still a new port.
                if ((ev->mask & (IN_DELETE | IN_MOVED_FROM)) && ev->len > 0) {
                    const auto folder = m_folders.find(ev->wd);
                    if (folder != m_folders.end()) {
                        m_removed.insert(folder->second + "/" + ev->name);
                    } else if (sys != m_systemWatches.end()) {
                        m_removed.insert(sys->second + "/" + ev->name);
                    }
                }
                if (ev->mask & (IN_IGNORED | IN_Q_OVERFLOW)) {
                    if (sys != m_systemWatches.end()) {
                        m_systemWatches.erase(sys);
                    }
                    relevant = true;
                } else if (sys != m_systemWatches.end() && sys->second == std::string(kDevDir)) {
                    const char* name = ev->len > 0 ? ev->name : "";
                    relevant = relevant || std::strncmp(name, "tty", 3) == 0 || std::strncmp(name, "rfcomm", 6) == 0 ||
                               std::strcmp(name, "serial") == 0;
                } else {
                    relevant = true;
                }
            }
        }
        return relevant;
    }

    std::vector<PortChange> Relist() {
        std::map<std::string, WatchedPort> now;
        if (m_options.system) {
            for (SerialPortEntry& e : ListSerialPorts()) {
                WatchedPort p;
                static_cast<SerialPortEntry&>(p) = std::move(e);
                p.device = p.path;
                now[p.path] = std::move(p);
            }
        }
        for (const std::string& dir : m_options.dirs) {
            ListDir(dir, now);
        }
        for (auto it = now.begin(); it != now.end();) {
            it = Matches(m_options.pattern, it->second) ? std::next(it) : now.erase(it);
        }
        const auto at = std::chrono::steady_clock::now();
        std::vector<PortChange> changes;
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto renewed = [&](const WatchedPort& before, const WatchedPort& after) {
            return before.device != after.device || m_removed.count(after.path) != 0 ||
                   (!after.byId.empty() && m_removed.count(after.byId) != 0);
        };
        for (const auto& [path, port] : m_present) {
            const auto still = now.find(path);
            if (still == now.end() || renewed(port, still->second)) {
                changes.push_back({false, false, port, at});
            }
        }
        for (const auto& [path, port] : now) {
            const auto before = m_present.find(path);
            if (before == m_present.end() || renewed(before->second, port)) {
                changes.push_back({true, false, port, at});
            } else if (before->second.byId != port.byId) {
                changes.push_back({false, true, port, at});
            }
        }
        m_removed.clear();
        m_present = std::move(now);
        m_listed = true;
        m_lastList = at;
        ++m_listings;
        return changes;
    }

    PortWatchOptions m_options;
    int m_inotify = -1;
    int m_wake = -1;
    std::map<int, std::string> m_systemWatches;  // watch descriptor -> folder
    std::map<int, std::string> m_folders;        // the named folders' watches
    std::set<std::string> m_removed;             // entries removed since the last listing
    bool m_listed = false;
    std::chrono::steady_clock::time_point m_lastList{};
    mutable std::mutex m_mutex;  // guards what Present and Listings read
    std::map<std::string, WatchedPort> m_present;
    std::size_t m_listings = 0;
};

}  // namespace

std::unique_ptr<PortWatch> PortWatch::Create(const PortWatchOptions& options) {
    return std::make_unique<LinuxPortWatch>(options);
}
