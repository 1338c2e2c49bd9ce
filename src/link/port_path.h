// Which device a port name stands for, and whether it may be used as the
// module's serial line. Looks only: no serial line is opened, so no modem
// line moves, and no terminal setting changes.
#pragma once

#include <string>
#include <system_error>

// Reasons a device is refused; system errors (no such file, permission
// denied) come back in the system category instead.
enum class PortPathError {
    NotADevice = 1,       // not a character device under /dev
    NotASerialLine,       // /dev/null, /dev/tty, a console, a virtual terminal
    OwnTerminal,          // the terminal this program runs in
    SessionTerminal,      // the terminal of another program's session
};

const std::error_category& PortPathCategory();
std::error_code make_error_code(PortPathError e);

template <>
struct std::is_error_code_enum<PortPathError> : std::true_type {};

struct PortPathCheck {
    std::string device;    // the canonical device node, what is opened
    std::error_code error; // empty when the device may be used
    // Whether another session's terminal was looked for. Only for
    // pseudo-terminals, where a look costs no modem line; the opener asks for
    // a serial line with its own descriptor (IsSessionTerminalFd).
    bool sessionChecked = false;
};

// Resolves `name` (a bare "ttyUSB0" is looked up under /dev; links such as
// /dev/serial/by-id/... are followed) and checks that it is a terminal
// device that is neither this program's controlling terminal nor (for a
// pseudo-terminal; see sessionChecked) the controlling terminal of another
// session. Pseudo-terminals pass, so a simulated module can be used.
PortPathCheck CheckPortPath(const std::string& name);

// Whether the terminal open on `fd` is the controlling terminal of a session
// (ours included: call it after the own-terminal check). It costs one short
// child process, whatever the number of processes on the machine.
bool IsSessionTerminalFd(int fd);

// Whether this user may read and write the device; when not, `group` names a
// group that would grant it (empty when none does).
bool MayOpenPort(const std::string& path, std::string& group);
