// What the module's commands take. Named here once, below everything that
// needs them: the input rules, the engine's records, the simulator,
// kestovctl and the window.
#pragma once

#include <cstddef>

namespace module_limits {

// Device name, scan name filter and slot tag, in bytes of UTF-8.
inline constexpr std::size_t kMaxNameBytes = 8;
// Beacon data: octets, and the hex digits that carry them.
inline constexpr std::size_t kMaxBeaconBytes = 26;
inline constexpr std::size_t kMaxBeaconHexDigits = 2 * kMaxBeaconBytes;
// Advertising interval in ms, as the manager sets it.
inline constexpr long kMinAdvInterval = 20;
inline constexpr long kMaxAdvInterval = 2560;
// Registered-device slots; the LV230 has one less.
inline constexpr int kMaxSlots = 8;
inline constexpr int kLv230Slots = kMaxSlots - 1;

}  // namespace module_limits
