#include "interrupt.h"

#include <atomic>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace interrupt {
namespace {

// Lock-free, so storing to it is safe in a signal handler.
std::atomic<bool> g_requested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

std::atomic<int> g_count{0};
int g_pipe[2] = {-1, -1};

extern "C" void OnSignal(int) {
    g_requested.store(true);
    g_count.fetch_add(1);
    if (g_pipe[1] >= 0) {
        const int saved = errno;
        const char one = 1;
        [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &one, 1);
        errno = saved;
    }
}

}  // namespace

void Install() {
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted waits go on; the flag is looked at between commands.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool Requested() { return g_requested.load(); }
int Count() { return g_count.load(); }
int Fd() { return g_pipe[0]; }

void Drain() {
    char buf[64];
    while (g_pipe[0] >= 0 && ::read(g_pipe[0], buf, sizeof buf) > 0) {
    }
}

}  // namespace interrupt
