// A simulated device for the scan tests: address C0:11:22:33:44:<last>.
#pragma once

#include "sim/kestov_sim.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace testsupport {

inline sim::SimDevice Device(uint8_t last, const std::string& name, int rssi) {
    sim::SimDevice d;
    const uint8_t address[6] = {0xC0, 0x11, 0x22, 0x33, 0x44, last};
    std::copy(address, address + 6, d.address);
    d.name = name;
    d.rssi = rssi;
    return d;
}

}  // namespace testsupport
