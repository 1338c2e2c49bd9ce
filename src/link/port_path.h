// Which device a port name stands for, and whether it may be used as the
// module's serial line. Looks only: nothing is opened, so no modem line moves
// and no terminal setting changes.
#pragma once

#include <string>
#include <system_error>

// Reasons a device is refused; system errors (no such file, permission
// denied) come back in the system category instead.
enum class PortPathError {
    NotADevice = 1,   // not a character device under /dev
    NotASerialLine,   // /dev/null, /dev/tty, a console, a virtual terminal
    OwnTerminal,      // the terminal this program runs in
    SessionTerminal,  // the terminal of another program's session
};

const std::error_category& PortPathCategory();
std::error_code make_error_code(PortPathError e);

template <>
struct std::is_error_code_enum<PortPathError> : std::true_type {};

struct PortPathCheck {
    std::string device;     // the canonical device node, what is opened
    std::error_code error;  // empty when the device may be used
};

// Resolves `name` (a bare "ttyUSB0" is looked up under /dev; links such as
// /dev/serial/by-id/... are followed) and checks that it is a terminal
// device that is neither this program's controlling terminal nor, for a
// pseudo-terminal, the controlling terminal of another session (serial
// lines are not looked for there). Pseudo-terminals pass, so a simulated
// module can be used.
PortPathCheck CheckPortPath(const std::string& name);

// How a pseudo-terminal of another session is recognised. By default the
// processes' stat lines are read (a read per process). The command-line tool
// lets a short-lived child of its own ask the kernel instead: the same small
// cost however many processes run. The window starts no processes.
enum class SessionCheck { ProcessList, Child };
void SetSessionCheck(SessionCheck how);

// Whether this user may read and write the device; when not, `group` names a
// group that would grant it (empty when none does).
bool MayOpenPort(const std::string& path, std::string& group);
