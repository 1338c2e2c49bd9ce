#include "interrupt.h"

#include <atomic>
#include <csignal>

namespace interrupt {
namespace {

// Lock-free, so storing to it is safe in a signal handler.
std::atomic<bool> g_requested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnSignal(int) { g_requested.store(true); }

}  // namespace

void Install() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted waits go on; the flag is looked at between commands.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool Requested() { return g_requested.load(); }

}  // namespace interrupt
