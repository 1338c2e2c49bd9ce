#include "sim/kestov_sim.h"

namespace sim {

namespace {
constexpr char kSevenSlotModel[] = "KESTOV-LV230";
constexpr char kSeriesPrefix[] = "KESTOV-";
}  // namespace

int SimState::SlotCount() const {
    return model == kSevenSlotModel ? module_limits::kLv230Slots : module_limits::kMaxSlots;
}

bool SimState::HasBeacon() const { return model != kSevenSlotModel; }

SimNumber* SimState::Number(std::string_view name) {
    for (SimNumber& n : numbers) {
        if (n.name == name) return &n;
    }
    return nullptr;
}

std::vector<SimNumber> FactoryNumbers() {
    // name, min, max, factory value
    return {};
}

SimState DefaultState(const std::string& model) {
    SimState s;
    s.model = model;
    // Factory name: the model text without the series prefix, cut to the 8 bytes a name may hold.
    std::string name = model.rfind(kSeriesPrefix, 0) == 0 ? model.substr(sizeof kSeriesPrefix - 1) : model;
    if (name.size() > 8) name.resize(8);
    s.name = name.empty() ? "LV2xx" : name;
    s.beaconHex = "020106";  // an advertising flags structure
    return s;
}

}  // namespace sim
