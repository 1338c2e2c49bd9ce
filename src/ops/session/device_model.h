// The supported models and what each of them has.
#pragma once

#include "link/module_limits.h"

#include <string>

// Model index: 0 none, 1..4 the four supported models.
enum ModelIndex : int { MODEL_NONE = 0, MODEL_LV200 = 1, MODEL_LV210 = 2, MODEL_LV220 = 3, MODEL_LV230 = 4 };

namespace device_model {

using module_limits::kMaxSlots;

// The exact model text the module reports; empty for MODEL_NONE.
const char* NameOf(int model);
// 1..4 for the exact, case-sensitive model names, MODEL_NONE for anything else.
int IndexOf(const std::string& modelText);
// The LV230 has seven slots and no beacon function.
int SlotCount(int model);
bool HasBeacon(int model);

}  // namespace device_model
