// Slot access of the simulator's state for the widget tests.
#pragma once

#include "sim/kestov_sim.h"

#include <array>
#include <cstdint>
#include <string>

namespace mainwin_test {

// Slot n (1..8) of the state.
void SetSimSlot(sim::SimState& state, int n, const std::array<uint8_t, 6>& address, const std::string& tag);
sim::SimSlot SimSlot(const sim::SimState& state, int n);

}  // namespace mainwin_test
