// Times ProbePorts over simulated ports: modules answering at once, modules
// paced to 115200 baud, one silent port (the worst case: it waits out its
// tries) and one port another program holds. Reports the wall time of each
// round against the 500 ms budget.
//
//   probe_bench [rounds] [modules]
#include "ops/ports/port_probe.h"
#include "sim/kestov_sim.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr unsigned kBudgetMs = 500;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const int modules = argc > 2 ? std::max(1, std::atoi(argv[2])) : 4;

    std::vector<std::unique_ptr<sim::KestovSimulator>> sims;
    for (int i = 0; i < modules + 2; ++i) {
        sims.push_back(std::make_unique<sim::KestovSimulator>("KESTOV-LV200"));
        if (!sims.back()->Start()) {
            std::fprintf(stderr, "cannot start a simulated module\n");
            return 1;
        }
        if (i % 2 == 1) sims.back()->SetPaceBaud(115200);
    }
    sims[static_cast<std::size_t>(modules)]->SetSilent(true);
    const std::string held = sims.back()->DevicePath();
    const int holder = ::open(held.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (holder < 0 || ::flock(holder, LOCK_EX | LOCK_NB) != 0) {
        std::fprintf(stderr, "cannot hold %s\n", held.c_str());
        return 1;
    }
    std::vector<std::string> paths;
    for (const auto& s : sims) paths.push_back(s->DevicePath());

    std::vector<double> times;
    int wrong = 0;
    for (int r = 0; r < rounds; ++r) {
        const auto start = Clock::now();
        const std::vector<ProbeResult> results = ProbePorts(paths, kBudgetMs);
        times.push_back(Ms(Clock::now() - start));
        int found = 0;
        for (const ProbeResult& p : results) found += p.outcome == ProbeOutcome::Module;
        wrong += found != modules;
    }
    std::sort(times.begin(), times.end());
    std::printf("ProbePorts over %zu ports (%d modules, half paced at 115200 baud; 1 silent; 1 held), %d rounds\n",
                paths.size(), modules, rounds);
    std::printf("  wall time ms: min %.1f  median %.1f  max %.1f  (budget %u)\n", times.front(),
                times[times.size() / 2], times.back(), kBudgetMs);
    std::printf("  rounds over budget: %ld; rounds that missed a module: %d\n",
                static_cast<long>(std::count_if(times.begin(), times.end(), [](double t) { return t > kBudgetMs; })),
                wrong);
    ::close(holder);
    return 0;
}
