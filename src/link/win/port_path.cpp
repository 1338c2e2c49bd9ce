// Windows: a port is "COMn" (or "\\.\COMn"), or another name the registry's
// serial device map lists; the device opened is "\\.\<name>". Every other
// name is refused with the reasons the other systems give.
#include "link/port_path.h"

#include "link/port_enum.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <string_view>

namespace {

std::string Upper(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::toupper(c); });
    return out;
}

// "COM" and a number from 1 on.
bool IsComName(const std::string& upper) {
    if (upper.size() < 4 || upper.compare(0, 3, "COM") != 0 || upper[3] == '0') {
        return false;
    }
    return std::all_of(upper.begin() + 3, upper.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

// The names the system keeps for its own devices: never a serial line here.
bool IsReservedDevice(const std::string& upper) {
    static const char* const kNames[] = {"NUL", "CON", "PRN", "AUX", "CONIN$", "CONOUT$"};
    for (const char* name : kNames) {
        if (upper == name) {
            return true;
        }
    }
    return upper.size() == 4 && upper.compare(0, 3, "LPT") == 0 && std::isdigit(static_cast<unsigned char>(upper[3]));
}

bool ListedPort(const std::string& upper) {
    for (const SerialPortEntry& port : ListSerialPorts()) {
        if (Upper(port.path) == upper) {
            return true;
        }
    }
    return false;
}

std::error_code NoSuchFile() { return std::make_error_code(std::errc::no_such_file_or_directory); }

}  // namespace

// COM ports are never a session's terminal.
void SetSessionCheck(SessionCheck) {}

PortPathCheck CheckPortPath(const std::string& name) {
    PortPathCheck result;
    std::string_view bare = name;
    for (std::string_view prefix : {"\\\\.\\", "\\\\?\\", "//./"}) {
        if (bare.substr(0, prefix.size()) == prefix) {
            bare.remove_prefix(prefix.size());
            break;
        }
    }
    if (bare.empty()) {
        result.error = NoSuchFile();
        return result;
    }
    const std::string upper = Upper(bare);
    if (IsReservedDevice(upper)) {
        result.error = PortPathError::NotASerialLine;
        return result;
    }
    if (IsComName(upper) || ListedPort(upper)) {
        // Whether it is there is told by the open (a missing port reads "No
        // such file or directory" then): looking would mean opening it.
        result.device = "\\\\.\\" + upper;
        return result;
    }
    // Anything else is a file, a folder or another kind of device.
    result.device = name;
    const DWORD attributes = ::GetFileAttributesA(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        result.error = error == ERROR_ACCESS_DENIED ? std::make_error_code(std::errc::permission_denied)
                       : bare.size() != name.size() ? PortPathError::NotADevice
                                                    : NoSuchFile();
        return result;
    }
    result.error = PortPathError::NotADevice;
    return result;
}

bool MayOpenPort(const std::string&, std::string& group) {
    // No device groups: whether the port opens is told by opening it.
    group.clear();
    return true;
}
