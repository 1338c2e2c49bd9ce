// Scan report lines and the module's name filter.
#pragma once

#include <cstdint>
#include <string>

#include "sim/kestov_sim.h"

namespace sim {

// "+<12 hex>,<rssi>,<name>" without its CR.
std::string FormatScanReport(const SimDevice& device, int rssi);

// The module reports a device when no filter is set or its name starts with the filter name.
bool PassesNameFilter(const SimState& state, const SimDevice& device);

// Small deterministic generator (splitmix32): same seed, same sequence on every platform.
class SimRandom {
public:
    explicit SimRandom(uint32_t seed) : m_state(seed) {}
    uint32_t Next() {
        uint32_t z = (m_state += 0x9E3779B9u);
        z = (z ^ (z >> 16)) * 0x85EBCA6Bu;
        z = (z ^ (z >> 13)) * 0xC2B2AE35u;
        return z ^ (z >> 16);
    }
    // Uniform enough in [0, n) for the small n used here.
    uint32_t Below(uint32_t n) { return n == 0 ? 0 : Next() % n; }

private:
    uint32_t m_state;
};

}  // namespace sim
