// The serial ports the system knows, with what it knows about them, read from
// the kernel's device tree (no device is opened).
#pragma once

#include <string>
#include <vector>

struct SerialPortEntry {
    std::string path;      // /dev/ttyUSB0
    std::string byId;      // /dev/serial/by-id/... naming this device, or empty
    std::string vendorId;  // USB ids as four hex digits, empty for other buses
    std::string productId;
    std::string manufacturer;  // USB strings, empty when the device has none
    std::string product;
    std::string serial;
};

// Ports backed by hardware (no virtual consoles, no 8250 slots without a
// UART), sorted by path. On Windows: the registry's serial device map, with
// the device setup class's friendly name (as product), maker and USB ids
// where the system has them, sorted by port number.
std::vector<SerialPortEntry> ListSerialPorts();

#ifndef _WIN32
namespace port_enum_detail {
// The same over other roots: the class directory of ttys (/sys/class/tty),
// the device directory (/dev) and the by-id directory (/dev/serial/by-id).
std::vector<SerialPortEntry> ListSerialPortsIn(const std::string& ttyClassDir, const std::string& devDir,
                                               const std::string& byIdDir);
}  // namespace port_enum_detail
#endif
