// The port path check's refusals, the same words on every system.
#include "port_path.h"

#include <string>

namespace {

class PortPathCategoryImpl : public std::error_category {
public:
    const char* name() const noexcept override { return "port path"; }
    std::string message(int ev) const override {
        switch (static_cast<PortPathError>(ev)) {
        case PortPathError::NotADevice:
            return "Not a device";
        case PortPathError::NotASerialLine:
            return "Not a serial port";
        case PortPathError::OwnTerminal:
            return "This is the terminal the program runs in";
        case PortPathError::SessionTerminal:
            return "The terminal of another program's session";
        }
        return "Unknown port path error";
    }
    // Callers that only tell "not a tty" from other failures keep working.
    std::error_condition default_error_condition(int ev) const noexcept override {
        if (static_cast<PortPathError>(ev) == PortPathError::NotASerialLine) {
            return std::errc::inappropriate_io_control_operation;
        }
        return {ev, *this};
    }
};

}  // namespace

const std::error_category& PortPathCategory() {
    static const PortPathCategoryImpl category;
    return category;
}

std::error_code make_error_code(PortPathError e) { return {static_cast<int>(e), PortPathCategory()}; }
