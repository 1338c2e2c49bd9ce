// The simulated population around the module.
#include "sim/kestov_sim.h"
#include "sim/scan_reports.h"

namespace sim {

std::vector<SimDevice> KestovSimulator::MakeDevices(std::size_t n, uint32_t seed) {
    // Mixed ASCII, German and Korean names; with the index suffix every name stays
    // within 20 bytes for any population that has distinct addresses (up to 2^24).
    static const char* const kNames[] = {
        "Sensor",     "센서",   "Thermo", "온도계", "Türsensor", "Küche",  "Beacon",
        "Heart Rate", "심박계", "Lamp",   "Waage",  "Grüße",     "Node,B",
    };
    constexpr uint32_t kNameCount = sizeof kNames / sizeof kNames[0];
    SimRandom rng(seed);
    const uint8_t vendor0 = static_cast<uint8_t>(0xC0 | (rng.Next() & 0x3F));
    const uint8_t vendor1 = static_cast<uint8_t>(rng.Next());
    const uint8_t vendor2 = static_cast<uint8_t>(rng.Next());
    std::vector<SimDevice> devices;
    devices.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        SimDevice d;
        // An odd multiplier permutes the 24-bit index space, so addresses stay distinct.
        const uint32_t low = (static_cast<uint32_t>(i) * 0x9E3779u + seed) & 0xFFFFFFu;
        d.address[0] = vendor0;
        d.address[1] = vendor1;
        d.address[2] = vendor2;
        d.address[3] = static_cast<uint8_t>(low >> 16);
        d.address[4] = static_cast<uint8_t>(low >> 8);
        d.address[5] = static_cast<uint8_t>(low);
        d.name = std::string(kNames[rng.Below(kNameCount)]) + "-" + std::to_string(i + 1);
        d.rssi = -30 - static_cast<int>(rng.Below(66));
        devices.push_back(std::move(d));
    }
    return devices;
}

}  // namespace sim
