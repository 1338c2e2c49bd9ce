// A simulated device for the scan tests (address C0:11:22:33:44:<last>),
// and what a command wrote to a simulated module.
#pragma once

#include "sim/kestov_sim.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

inline sim::SimDevice Device(uint8_t last, const std::string& name, int rssi) {
    sim::SimDevice d;
    const uint8_t address[6] = {0xC0, 0x11, 0x22, 0x33, 0x44, last};
    std::copy(address, address + 6, d.address);
    d.name = name;
    d.rssi = rssi;
    return d;
}

// Commands that changed the module (everything but queries, probe and model).
inline std::vector<std::string> Writes(const sim::KestovSimulator& module) {
    std::vector<std::string> writes;
    for (const std::string& c : module.Commands()) {
        if (c != "AT" && c.find('?') == std::string::npos && c.rfind("AT+GETSLOT", 0) != 0) {
            writes.push_back(c);
        }
    }
    return writes;
}

}  // namespace testsupport
