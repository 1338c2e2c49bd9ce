// Times the kestovctl program against simulated modules paced at 115200 baud:
//
// 1. apply of a full profile (name, interval, UART options, 8 slots, beacon)
//    with its read-back, against the wire time of every transaction it made
//    (command and reply bytes, 10 bits per byte) plus the pauses the module
//    needs (100 ms after each slot command, 200 ms before each beacon command);
// 2. provision of one profile onto 8 modules at once, against onto one;
// 3. scan under a flood of reports from ever-new addresses (unpaced, as fast
//    as the pseudo-terminal carries them): the tool's peak resident size and
//    how long the scan took against the time asked for.
//
//   kestovctl_bench [runs] [scan-seconds=60]
#include "common/wire_budget.h"
#include "sim/kestov_sim.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr unsigned kBaud = 115200;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Runs kestovctl with its output thrown away; returns the exit status and,
// in peakKb, the child's peak resident size.
int Run(std::vector<std::string> args, long* peakKb = nullptr) {
    args.insert(args.begin(), KESTOVCTL_PATH);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) return -1;
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (peakKb) *peakKb = usage.ru_maxrss;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::unique_ptr<sim::KestovSimulator> Module(int index) {
    auto m = bench::PacedModule(kBaud);
    sim::SimState s = sim::DefaultState("KESTOV-LV200");
    s.address[5] = static_cast<uint8_t>(index);
    m->SetState(s);
    return m;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const std::string profile = "/tmp/kestovctl-bench-profile.json";
    std::ofstream(profile) << bench::FullProfile();

    std::printf("apply of a full profile with read-back, paced at %u baud, %d runs\n", kBaud, runs);
    std::vector<double> ratios, replyRatios;
    for (int i = 0; i < runs; ++i) {
        auto m = Module(1);
        const sim::SimState before = m->State();
        const Clock::time_point start = Clock::now();
        const int status = Run({"apply", m->DevicePath(), profile});
        const double took = Ms(Clock::now() - start);
        const std::vector<std::string> commands = m->Commands();
        const bench::Wire w = bench::WireAndPauses(before, commands, kBaud);
        ratios.push_back(took / (w.all + w.pauses));
        replyRatios.push_back(took / (w.replies + w.pauses));
        std::printf(
            "  run %d: exit %d, %zu transactions, %.1f ms; wire %.1f ms + pauses %.0f ms = %.1f ms; ratio %.3f"
            " (against the paced replies alone, %.1f ms: %.3f)\n",
            i + 1, status, commands.size(), took, w.all, w.pauses, w.all + w.pauses, ratios.back(), w.replies,
            replyRatios.back());
    }
    std::sort(ratios.begin(), ratios.end());
    std::sort(replyRatios.begin(), replyRatios.end());
    std::printf(
        "  median ratio %.3f (target: at most 1.2); against the paced replies alone %.3f\n"
        "  (a pseudo-terminal delivers commands at once; a real line would take their wire time too)\n\n",
        ratios[ratios.size() / 2], replyRatios[replyRatios.size() / 2]);

    std::printf("provision of the same profile, 8 modules at once against one, %d runs\n", runs);
    std::vector<double> provisionRatios;
    for (int i = 0; i < runs; ++i) {
        double one = 0, eight = 0;
        for (int count : {1, 8}) {
            std::vector<std::unique_ptr<sim::KestovSimulator>> modules;
            std::vector<std::string> args = {"provision", profile};
            for (int k = 0; k < count; ++k) {
                modules.push_back(Module(k + 1));
                args.push_back(modules.back()->DevicePath());
            }
            args.insert(args.end(), {"--name", "KST-{seq:03}"});
            const Clock::time_point start = Clock::now();
            const int status = Run(args);
            const double took = Ms(Clock::now() - start);
            (count == 1 ? one : eight) = took;
            if (status != 0) std::printf("  provision of %d: exit %d\n", count, status);
        }
        provisionRatios.push_back(eight / one);
        std::printf("  run %d: one module %.1f ms, eight modules %.1f ms, ratio %.3f\n", i + 1, one, eight,
                    provisionRatios.back());
    }
    std::sort(provisionRatios.begin(), provisionRatios.end());
    std::printf("  median ratio %.3f (target: under 1.3)\n\n", provisionRatios[provisionRatios.size() / 2]);

    const int scanSeconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 60;
    std::printf("scan for %d s under a flood of reports from ever-new addresses (unpaced)\n", scanSeconds);
    {
        auto m = Module(1);
        m->SetPaceBaud(0);
        m->SetScanDevices(sim::KestovSimulator::MakeDevices(50));
        m->SetUniqueAddresses(true);
        m->SetScanRate(1e6);
        long peakKb = 0;
        const std::size_t sentBefore = m->ReportsSent();
        const Clock::time_point start = Clock::now();
        const int status = Run({"scan", m->DevicePath(), "--seconds", std::to_string(scanSeconds)}, &peakKb);
        const double took = Ms(Clock::now() - start) / 1000.0;
        const std::size_t sent = m->ReportsSent() - sentBefore;
        std::printf("  exit %d; %zu reports sent by the module (%.0f a second), each from a new address\n", status,
                    sent, sent / took);
        std::printf("  peak resident size %.1f MB (target under 100 MB)\n", peakKb / 1024.0);
        std::printf(
            "  took %.1f s for a %d s scan (ratio %.3f; open, stop and the listing of 50,000 devices "
            "included)\n",
            took, scanSeconds, took / scanSeconds);
    }
    std::remove(profile.c_str());
    return 0;
}
