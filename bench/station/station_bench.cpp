// The provisioning station against 16 simulated modules paced at 115200 baud
// that appear at random moments over a minute (links made in a watched
// folder):
//   - each module done exactly once;
//   - per module, appearing to done against the wire time of every byte
//     exchanged (10 bits per byte) plus the pauses the module needs between
//     commands (target: at most 1.2 times that plus 0.2 s);
//   - the watcher's detection latency, link made to port seen (target under
//     100 ms where the system gives events), also with the polling fallback;
//   - the station's own thread's wake-ups per second while idle between
//     modules (target: at most one).
//
//   station_bench [modules=16] [spread-seconds=60] [idle-seconds=10]
#include "link/at_protocol.h"
#include "ops/session/device_steps.h"
#include "ops/station/station.h"
#include "sim/kestov_sim.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr unsigned kBaud = 115200;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Context switches of the thread named `name` in this process.
long Switches(const std::string& name) {
    long total = 0;
    for (const auto& task : fs::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string n;
        std::getline(comm, n);
        if (n != name) {
            continue;
        }
        std::ifstream status(task.path() / "status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0 || line.rfind("nonvoluntary_ctxt_switches:", 0) == 0) {
                total += std::stol(line.substr(line.find(':') + 1));
            }
        }
    }
    return total;
}

struct Run {
    std::mutex mutex;
    std::condition_variable changed;
    std::map<std::string, Clock::time_point> seen, done;
    std::map<std::string, int> doneCount;
};

struct Module {
    std::unique_ptr<sim::KestovSimulator> sim;
    std::string link;
    Clock::time_point made;
};

// Pauses the module needs: the write steps that wait after (slots) or before (beacon).
double PausesMs(const std::vector<std::string>& commands) {
    double ms = 0;
    const std::string slot = std::string(atcmd::kSetSlot).substr(0, std::string(atcmd::kSetSlot).find('=') + 1);
    for (const std::string& c : commands) {
        if (c.rfind(slot, 0) == 0) {
            ms += device_steps::kSetSlot.pauseAfterMs;
        }
    }
    return ms;
}

void Measure(int modules, double spreadSeconds, double idleSeconds, bool polling) {
    char tmpl[] = "/tmp/stationbenchXXXXXX";
    const std::string root = ::mkdtemp(tmpl);
    fs::create_directory(root + "/ports");
    StationConfig config;
    config.watch.system = false;
    config.watch.dirs = {root + "/ports"};
    config.watch.forcePolling = polling;
    config.recordPath = root + "/record.jsonl";
    config.patch.values = {{"interval", "250"}, {"parity", "even"}, {"slot1", "A0B1C2D3E4F5"}};
    config.nameTemplate = "B-{seq:03}";
    config.profileSha256 = "bench";
    Run run;
    Station station(config, [&](const PortView& v) {
        std::lock_guard<std::mutex> lock(run.mutex);
        if (v.phase == PortPhase::Waiting) {
            run.seen[v.port] = v.appeared;
        } else if (v.phase == PortPhase::Done) {
            run.done[v.port] = Clock::now();
            ++run.doneCount[v.port];
        }
        run.changed.notify_all();
    });
    std::string error;
    if (!station.Start(error)) {
        std::printf("cannot start: %s\n", error.c_str());
        return;
    }

    std::mt19937 random(7);
    std::vector<double> at;
    for (int i = 0; i < modules; ++i) {
        at.push_back(std::uniform_real_distribution<double>(0, spreadSeconds)(random));
    }
    std::sort(at.begin(), at.end());
    std::vector<Module> list(static_cast<std::size_t>(modules));
    const auto start = Clock::now();
    for (int i = 0; i < modules; ++i) {
        Module& m = list[static_cast<std::size_t>(i)];
        m.sim = std::make_unique<sim::KestovSimulator>();
        sim::SimState state = sim::DefaultState("KESTOV-LV200");
        state.address[4] = static_cast<uint8_t>(i >> 8);
        state.address[5] = static_cast<uint8_t>(i);
        m.sim->SetState(state);
        m.sim->SetPaceBaud(kBaud);
        m.sim->SetRecordWire(true);
        m.sim->Start();
        m.link = root + "/ports/m" + std::to_string(i);
        std::this_thread::sleep_until(start + std::chrono::duration_cast<Clock::duration>(
                                                  std::chrono::duration<double>(at[static_cast<std::size_t>(i)])));
        m.made = Clock::now();
        fs::create_symlink(m.sim->DevicePath(), m.link);
    }
    {
        std::unique_lock<std::mutex> lock(run.mutex);
        run.changed.wait_for(lock, std::chrono::seconds(60), [&] { return run.done.size() == list.size(); });
    }

    // Idle: everything done, nothing plugged in or out.
    const long before = Switches("station-watch");
    std::this_thread::sleep_for(std::chrono::duration<double>(idleSeconds));
    const long idleSwitches = Switches("station-watch") - before;

    std::printf("\n%s watcher, %d modules over %.0f s, settle %lld ms\n", polling ? "polling" : "event-driven", modules,
                spreadSeconds, static_cast<long long>(config.settle.count()));
    std::printf("%-5s %9s %9s %9s %9s %7s %6s\n", "mod", "detect", "to done", "wire", "pauses", "ratio", "times");
    int within = 0, once = 0;
    double worstDetect = 0, sumDetect = 0;
    for (int i = 0; i < modules; ++i) {
        Module& m = list[static_cast<std::size_t>(i)];
        std::size_t bytes = m.sim->WireRecord().size();
        const std::vector<std::string> commands = m.sim->Commands();
        for (const std::string& c : commands) {
            bytes += c.size() + 1;
        }
        const double wireMs = bytes * 10.0 * 1000.0 / kBaud;
        const double pausesMs = PausesMs(commands);
        std::lock_guard<std::mutex> lock(run.mutex);
        const double detect = run.seen.count(m.link) ? Ms(run.seen[m.link] - m.made) : -1;
        const double toDone = run.done.count(m.link) ? Ms(run.done[m.link] - m.made) : -1;
        const double budget = 1.2 * (wireMs + pausesMs) + 200;
        within += toDone >= 0 && toDone <= budget;
        once += run.doneCount[m.link] == 1;
        worstDetect = std::max(worstDetect, detect);
        sumDetect += detect;
        std::printf("%-5d %7.1fms %7.1fms %7.1fms %7.1fms %7.2f %6d\n", i, detect, toDone, wireMs, pausesMs,
                    toDone / (wireMs + pausesMs), run.doneCount[m.link]);
    }
    std::printf("done exactly once: %d of %d\n", once, modules);
    std::printf("appearing to done within 1.2 x (wire + pauses) + 0.2 s: %d of %d\n", within, modules);
    std::printf("detection latency: mean %.1f ms, worst %.1f ms (target < 100 ms with events)\n", sumDetect / modules,
                worstDetect);
    std::printf("station thread wake-ups while idle: %ld in %.0f s = %.2f per second (target <= 1)\n", idleSwitches,
                idleSeconds, idleSwitches / idleSeconds);
    station.Stop(true);
    std::error_code ec;
    fs::remove_all(root, ec);
}

}  // namespace

int main(int argc, char** argv) {
    const int modules = argc > 1 ? std::atoi(argv[1]) : 16;
    const double spread = argc > 2 ? std::atof(argv[2]) : 60;
    const double idle = argc > 3 ? std::atof(argv[3]) : 10;
    Measure(modules, spread, idle, false);
    // The fallback, briefly: a quarter of the modules over a quarter of the time.
    Measure(std::max(1, modules / 4), spread / 4, idle / 2, true);
    return 0;
}
