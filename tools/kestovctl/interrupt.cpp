#include "interrupt.h"

#include "link/platform.h"

#include <atomic>

namespace interrupt {
namespace {

// Set from the signal handler (or the console's handler thread).
std::atomic<bool> g_requested{false};
std::atomic<int> g_count{0};
static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<int>::is_always_lock_free);

void Raise() {
    g_requested.store(true);
    g_count.fetch_add(1);
}

}  // namespace

void Install() { platform::OnInterrupt(Raise); }

bool Requested() { return g_requested.load(); }
int Count() { return g_count.load(); }
void Wait() { platform::WaitForInterrupt(); }
void Wake() { platform::WakeInterruptWait(); }

}  // namespace interrupt
