#include "sim/scan_reports.h"

#include "sim/command_handler.h"

namespace sim {

std::string FormatScanReport(const SimDevice& device, int rssi) {
    return "+" + AddressHex(device.address) + "," + std::to_string(rssi) + "," + device.name;
}

bool PassesNameFilter(const SimState& state, const SimDevice& device) {
    return !state.filterOn || device.name.rfind(state.filterName, 0) == 0;
}

}  // namespace sim
