// The stack protector's guard and failure calls for the Windows programs, in
// place of libssp's own. libssp seeds its guard through the legacy crypto
// provider, which under Wine pulls in crypt32 and the window system and costs
// every start about 10 ms; the system's random source needs nothing beyond
// advapi32. libssp still supplies the _FORTIFY_SOURCE checks, which end in
// __chk_fail below.
#include <windows.h>

#include <cstdint>
#include <cstdlib>

#include <io.h>

// advapi32's RtlGenRandom.
extern "C" BOOLEAN WINAPI SystemFunction036(PVOID buffer, ULONG length);

namespace {

[[noreturn]] void Fail(const char* message, unsigned length) {
    ::_write(2, message, length);
    std::abort();
}

}  // namespace

extern "C" {

void* __stack_chk_guard = nullptr;

void __stack_chk_fail() {
    static const char kMessage[] = "*** stack smashing detected ***: terminated\n";
    Fail(kMessage, sizeof kMessage - 1);
}

void __stack_chk_fail_local() { __stack_chk_fail(); }

void __chk_fail() {
    static const char kMessage[] = "*** buffer overflow detected ***: terminated\n";
    Fail(kMessage, sizeof kMessage - 1);
}

}  // extern "C"

namespace {

// Before any other constructor, so that no protected frame outlives a change
// of the guard; not protected itself for the same reason.
__attribute__((constructor(101), no_stack_protector)) void SeedStackGuard() {
    std::uint64_t value = 0;
    if (!SystemFunction036(&value, sizeof value)) {
        // What the system's own compilers mix when they have nothing better.
        LARGE_INTEGER counter{};
        ::QueryPerformanceCounter(&counter);
        FILETIME now{};
        ::GetSystemTimeAsFileTime(&now);
        value = static_cast<std::uint64_t>(counter.QuadPart) ^
                (static_cast<std::uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime) ^
                (static_cast<std::uint64_t>(::GetCurrentProcessId()) << 32) ^ ::GetCurrentThreadId() ^
                reinterpret_cast<std::uintptr_t>(&counter);
    }
    // A zero byte first, as glibc does, so that a string copy cannot reproduce it.
    value &= ~std::uint64_t{0xFF};
    __stack_chk_guard = reinterpret_cast<void*>(value != 0 ? value : 0x2b992ddfa2320000ULL);
}

}  // namespace
