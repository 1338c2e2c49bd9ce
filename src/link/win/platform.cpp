#include "link/platform.h"

#include "link/serialport.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>

namespace platform {
namespace {

// "\\.\COM7" -> "Local\kestov-serial-COM7": the object a program holding
// the port keeps open. It goes when the program closes the port or ends.
std::wstring ClaimName(const std::string& device) {
    std::wstring name = L"Local\\kestov-serial-";
    for (char c : device.substr(device.rfind('\\') + 1)) {
        name += static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    return name;
}

std::mutex g_claimsMutex;
std::map<SerialHandle, HANDLE> g_claims;

}  // namespace

bool ClaimSerial(SerialHandle h, const std::string& device) {
    HANDLE claim = ::CreateMutexW(nullptr, FALSE, ClaimName(device).c_str());
    if (claim == nullptr) {
        return true;  // nothing to mark with; the driver's exclusivity stays
    }
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(claim);
        return false;
    }
    std::lock_guard<std::mutex> lock(g_claimsMutex);
    g_claims[h] = claim;
    return true;
}

void DiscardQueues(SerialHandle h) { ::PurgeComm(h, PURGE_RXCLEAR | PURGE_TXCLEAR); }

void ReleaseSerial(SerialHandle h) {
    // Unsent output is dropped so that the close cannot wait on it.
    int queued = 0;
    const bool drained = QueuedOutput(h, queued) && queued == 0;
    ::PurgeComm(h, drained ? PURGE_RXCLEAR : PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
    UnclaimSerial(h);
}

void UnclaimSerial(SerialHandle h) {
    std::lock_guard<std::mutex> lock(g_claimsMutex);
    if (const auto found = g_claims.find(h); found != g_claims.end()) {
        ::CloseHandle(found->second);
        g_claims.erase(found);
    }
}

bool QueuedOutput(SerialHandle h, int& queued) {
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(h, &errors, &status)) {
        return false;
    }
    queued = static_cast<int>(status.cbOutQue);
    return true;
}

std::size_t ReadSize(SerialHandle h, std::size_t capacity) {
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(h, &errors, &status)) {
        return capacity;  // the interval timer ends the read, as before
    }
    return std::min<std::size_t>(std::max<DWORD>(status.cbInQue, 1), capacity);
}

std::error_code OpenError(const std::error_code& ec) {
    if (ec.category() != std::system_category()) {
        return ec;
    }
    switch (ec.value()) {
    case ERROR_ACCESS_DENIED:  // a serial port another program has open
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
        return PortError::InUse;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        // Gone since the path check: said as the other systems say it.
        return std::make_error_code(std::errc::no_such_file_or_directory);
    default:
        return ec;
    }
}

struct LineGuard::State {
    std::string device;
    bool saved = false;
    DCB settings{};
};

LineGuard::LineGuard() : m_state(std::make_unique<State>()) {}

LineGuard::~LineGuard() {
    if (!m_state->saved) {
        return;
    }
    // The engine has closed the port by now; the port is only ever open once.
    HANDLE h =
        ::CreateFileA(m_state->device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        ::SetCommState(h, &m_state->settings);
        ::CloseHandle(h);
    }
}

std::error_code LineGuard::Take(const std::string& device) {
    // A Windows port cannot be held twice, so the setting is read with an
    // open of its own, which also tells whether another program has it.
    if (HANDLE claim = ::OpenMutexW(SYNCHRONIZE, FALSE, ClaimName(device).c_str())) {
        ::CloseHandle(claim);
        return PortError::InUse;
    }
    HANDLE h = ::CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return OpenError({static_cast<int>(::GetLastError()), std::system_category()});
    }
    m_state->device = device;
    m_state->settings.DCBlength = sizeof(DCB);
    m_state->saved = ::GetCommState(h, &m_state->settings) != 0;
    ::CloseHandle(h);
    return {};
}

bool StdoutIsTerminal() {
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (out == INVALID_HANDLE_VALUE || out == nullptr || !::GetConsoleMode(out, &mode)) {
        return false;
    }
    // Cursor movements need the console's terminal sequences.
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
           ::SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

namespace {
std::atomic<void (*)()> g_onInterrupt{nullptr};
// Set by the console handler (its own thread) and by WakeInterruptWait.
HANDLE g_wakeEvent = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        if (void (*fn)() = g_onInterrupt.load()) {
            fn();
        }
        if (g_wakeEvent != nullptr) {
            ::SetEvent(g_wakeEvent);
        }
        return TRUE;
    default:
        return FALSE;
    }
}
}  // namespace

void WaitForInterrupt() {
    if (g_wakeEvent != nullptr) {
        ::WaitForSingleObject(g_wakeEvent, INFINITE);
    }
}

void WakeInterruptWait() {
    if (g_wakeEvent != nullptr) {
        ::SetEvent(g_wakeEvent);
    }
}

void OnInterrupt(void (*fn)()) {
    if (g_wakeEvent == nullptr) {
        g_wakeEvent = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);  // auto-reset
    }
    g_onInterrupt.store(fn);
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

std::string HostName() {
    char buf[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof buf;
    if (!::GetComputerNameA(buf, &size)) return {};
    return std::string(buf, size);
}

// Thread names are a debugging aid only; the threads work the same unnamed.
void NameThisThread(const char*) {}

}  // namespace platform
