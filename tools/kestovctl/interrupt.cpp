#include "interrupt.h"

#include "link/platform.h"

#include <atomic>

namespace interrupt {
namespace {

// Lock-free, so storing to it is safe in a signal handler.
std::atomic<bool> g_requested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void Raise() { g_requested.store(true); }

}  // namespace

void Install() { platform::OnInterrupt(Raise); }

bool Requested() { return g_requested.load(); }

}  // namespace interrupt
