#include "sim_slots.h"

#include <algorithm>

namespace mainwin_test {

void SetSimSlot(sim::SimState& state, int n, const std::array<uint8_t, 6>& address, const std::string& tag) {
    sim::SimSlot& slot = state.slotTable[n - 1];
    slot.used = true;
    std::copy(address.begin(), address.end(), slot.address);
    slot.tag = tag;
}

sim::SimSlot SimSlot(const sim::SimState& state, int n) { return state.slotTable[n - 1]; }

}  // namespace mainwin_test
