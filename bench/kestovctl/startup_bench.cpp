// kestovctl info against an unpaced simulated module, with many other
// processes on the machine: the port check must not grow with them, and no
// fixed wait may sit between the commands.
//
//   kestovctl_startup_bench [runs=15]
// prints, with 0, 100 and 2,000 extra idle processes: the median and max time
// of `kestovctl info` from spawn to exit, the gap at the module between the
// first AT and the next command, and the port check alone for the module's
// pseudo-terminal and for a serial line (/dev/ttyS0, when there is one).
#include "link/port_path.h"
#include "sim/kestov_sim.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

pid_t Spawn(std::vector<std::string> args, bool quiet) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (quiet) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

void Measure(sim::KestovSimulator& module, int extra, int runs) {
    std::vector<double> took, gaps;
    for (int i = 0; i < runs; ++i) {
        module.ClearLog();
        const auto start = Clock::now();
        const pid_t pid = Spawn({KESTOVCTL_PATH, "info", module.DevicePath()}, true);
        int status = 0;
        waitpid(pid, &status, 0);
        took.push_back(Ms(Clock::now() - start));
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::fprintf(stderr, "kestovctl info failed\n");
        const auto log = module.Log();
        if (log.size() >= 2) gaps.push_back(Ms(log[1].at - log[0].at));
    }
    auto checkMs = [](const std::string& path, SessionCheck how) {
        SetSessionCheck(how);
        std::vector<double> t;
        for (int i = 0; i < 21; ++i) {
            const auto at = Clock::now();
            (void)CheckPortPath(path);
            t.push_back(Ms(Clock::now() - at));
        }
        return Median(t);
    };
    const bool serial = access("/dev/ttyS0", F_OK) == 0;
    // kestovctl asks a child; the window, which starts no processes, reads the process list.
    std::printf(
        "  %5d extra processes: port check on the pseudo-terminal %.3f ms as kestovctl does it, %.3f ms as the "
        "window does it; %s on /dev/ttyS0\n",
        extra, checkMs(module.DevicePath(), SessionCheck::Child),
        checkMs(module.DevicePath(), SessionCheck::ProcessList),
        serial ? (std::to_string(checkMs("/dev/ttyS0", SessionCheck::Child)).substr(0, 5) + " ms").c_str() : "-");
    std::printf(
        "  %5d extra processes: info took median %6.1f ms, max %6.1f ms; first AT to the next command"
        " median %.2f ms (%d runs)\n",
        extra, Median(took), *std::max_element(took.begin(), took.end()), gaps.empty() ? -1.0 : Median(gaps), runs);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    sim::KestovSimulator module("KESTOV-LV200");
    if (!module.Start()) {
        std::fprintf(stderr, "cannot start a simulated module\n");
        return 1;
    }
    module.SetScanDevices({});
    std::printf("kestovctl info start-up, unpaced module on a pseudo-terminal\n");
    std::vector<pid_t> sleepers;
    for (const int extra : {0, 100, 2000}) {
        while (static_cast<int>(sleepers.size()) < extra) {
            const pid_t pid = Spawn({"/bin/sleep", "600"}, true);
            if (pid <= 0) break;
            sleepers.push_back(pid);
        }
        Measure(module, static_cast<int>(sleepers.size()), runs);
    }
    for (const pid_t pid : sleepers) kill(pid, SIGTERM);
    for (const pid_t pid : sleepers) waitpid(pid, nullptr, 0);
    return 0;
}
