// The serial ports the system knows, with their stable names and USB identity.
#pragma once

#include <string>
#include <vector>

struct SerialPortEntry {
    std::string path, by_id, vendor_id, product_id, manufacturer, product, serial;
};

// Ports with a device behind them (not the kernel's placeholder consoles),
// sorted by path.
std::vector<SerialPortEntry> ListSerialPorts();
