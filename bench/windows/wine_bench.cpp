// kestovctl.exe under Wine against the Linux kestovctl, in one run, on
// simulated modules paced at 115200 baud: `info` and `apply` of a full
// profile (name, interval, UART options, 8 slots, beacon). Prints the time
// of each, each against the wire time of its bytes (commands and replies, 10
// bits a byte) plus the pauses the module needs (100 ms after each slot
// command, 200 ms before each beacon command), and the ratio Wine/native of
// the medians; then, from the module's log of commands, where each side's
// time goes: start-up and open, the conversation, and close and exit. The
// module is mapped to a COM port of the Wine prefix by a
// dosdevices link. Needs KESTOV_WINE, KESTOV_WIN_KESTOVCTL and WINEPREFIX
// (scripts/wine-bench.sh sets them).
//
//   wine_bench [runs=5]
#include "common/wire_budget.h"
#include "sim/kestov_sim.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr unsigned kBaud = 115200;
constexpr const char* kWinPort = "COM20";

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? v : "";
}

// Runs a program with its output thrown away; the exit status.
int Run(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Timing {
    double ms = 0;
    // From the start to the module's first command, from there to its last,
    // and from the last to the program's end.
    double toFirst = 0, talking = 0, afterLast = 0;
    double wire = 0;
    double pauses = 0;
    int status = -1;
};

// One run of a command on a fresh paced module, natively or under Wine.
Timing Once(bool wine, const std::vector<std::string>& command, const std::string& profile) {
    auto m = bench::PacedModule(kBaud);
    const std::string link = Env("WINEPREFIX") + "/dosdevices/" + "com20";
    std::vector<std::string> args;
    if (wine) {
        std::error_code ec;
        std::filesystem::remove(link, ec);
        std::filesystem::create_symlink(m->DevicePath(), link, ec);
        args = {Env("KESTOV_WINE"), Env("KESTOV_WIN_KESTOVCTL")};
    } else {
        args = {KESTOVCTL_PATH};
    }
    args.push_back(command[0]);
    args.push_back(wine ? kWinPort : m->DevicePath());
    if (!profile.empty()) args.push_back(wine ? "Z:" + profile : profile);
    const sim::SimState before = m->State();
    const Clock::time_point start = Clock::now();
    Timing t;
    t.status = Run(args);
    const Clock::time_point end = Clock::now();
    t.ms = Ms(end - start);
    if (const std::vector<sim::SimLogEntry> log = m->Log(); !log.empty()) {
        t.toFirst = Ms(log.front().at - start);
        t.talking = Ms(log.back().at - log.front().at);
        t.afterLast = Ms(end - log.back().at);
    }
    const bench::Wire w = bench::WireAndPauses(before, m->Commands(), kBaud);
    t.wire = w.all;
    t.pauses = w.pauses;
    std::error_code ec;
    if (wine) std::filesystem::remove(link, ec);
    return t;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (Env("KESTOV_WINE").empty() || Env("KESTOV_WIN_KESTOVCTL").empty() || Env("WINEPREFIX").empty()) {
        std::fprintf(stderr,
                     "KESTOV_WINE, KESTOV_WIN_KESTOVCTL and WINEPREFIX are needed: use scripts/wine-bench.sh\n");
        return 2;
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::string profile = std::filesystem::temp_directory_path() / "kestovctl-wine-bench-profile.json";
    std::ofstream(profile) << bench::FullProfile();

    // Wine's first start in a process tree costs more than the rest: not measured.
    Once(true, {"info"}, "");
    // A new prefix's services go on starting for a while after wineboot, and
    // every program started meanwhile is several times slower: not measured
    // either. Settled once three starts in a row are within a quarter.
    std::vector<double> warmUp;
    const std::vector<std::string> winVersion = {Env("KESTOV_WINE"), Env("KESTOV_WIN_KESTOVCTL"), "--version"};
    while (warmUp.size() < 100) {
        const Clock::time_point start = Clock::now();
        Run(winVersion);
        warmUp.push_back(Ms(Clock::now() - start));
        if (warmUp.size() >= 3) {
            const auto last = warmUp.end() - 3;
            if (*std::max_element(last, warmUp.end()) < 1.25 * *std::min_element(last, warmUp.end())) break;
        }
    }
    std::printf("prefix settling (--version under Wine): %zu starts, first %.1f ms, last %.1f ms\n", warmUp.size(),
                warmUp.front(), warmUp.back());

    // What starting a program costs, without a port: --version.
    std::vector<double> startNative, startWine;
    for (int i = 0; i < runs; ++i) {
        for (const bool underWine : {false, true}) {
            std::vector<std::string> args =
                underWine ? std::vector<std::string>{Env("KESTOV_WINE"), Env("KESTOV_WIN_KESTOVCTL")}
                          : std::vector<std::string>{KESTOVCTL_PATH};
            args.push_back("--version");
            const Clock::time_point start = Clock::now();
            Run(args);
            (underWine ? startWine : startNative).push_back(Ms(Clock::now() - start));
        }
    }
    std::printf("start-up alone (--version): median native %.1f ms, Wine %.1f ms\n\n", Median(startNative),
                Median(startWine));

    std::printf("kestovctl under Wine against native, modules paced at %u baud, %d runs each, alternating\n", kBaud,
                runs);
    for (const std::string& command : {std::string("info"), std::string("apply")}) {
        const std::string file = command == "apply" ? profile : "";
        std::vector<double> native, wine;
        std::vector<double> toFirst[2], talking[2], afterLast[2];
        Timing last[2];
        for (int i = 0; i < runs; ++i) {
            for (const bool underWine : {false, true}) {
                const Timing t = Once(underWine, {command}, file);
                (underWine ? wine : native).push_back(t.ms);
                last[underWine ? 1 : 0] = t;
                toFirst[underWine].push_back(t.toFirst);
                talking[underWine].push_back(t.talking);
                afterLast[underWine].push_back(t.afterLast);
                std::printf(
                    "  %-5s %-6s run %d: exit %d, %.1f ms; wire %.1f ms + pauses %.0f ms = %.1f ms, ratio %.3f\n",
                    command.c_str(), underWine ? "wine" : "native", i + 1, t.status, t.ms, t.wire, t.pauses,
                    t.wire + t.pauses, t.ms / (t.wire + t.pauses));
            }
        }
        const double wireAndPauses = last[0].wire + last[0].pauses;
        std::printf(
            "%s: median native %.1f ms (%.3f of wire + pauses %.1f ms), median Wine %.1f ms (%.3f);"
            " Wine/native %.3f (target under 1.3)\n",
            command.c_str(), Median(native), Median(native) / wireAndPauses, wireAndPauses, Median(wine),
            Median(wine) / wireAndPauses, Median(wine) / Median(native));
        for (const bool underWine : {false, true}) {
            std::printf(
                "%s %-6s medians: start to first command %.1f ms, first to last command %.1f ms,"
                " last command to exit %.1f ms\n",
                command.c_str(), underWine ? "wine" : "native", Median(toFirst[underWine]), Median(talking[underWine]),
                Median(afterLast[underWine]));
        }
        std::printf("\n");
    }
    std::remove(profile.c_str());
    return 0;
}
