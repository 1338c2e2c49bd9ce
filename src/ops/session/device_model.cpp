#include "ops/session/device_model.h"

namespace device_model {
namespace {

const char* const kModelNames[] = {"KESTOV-LV200", "KESTOV-LV210", "KESTOV-LV220", "KESTOV-LV230"};

}  // namespace

const char* NameOf(int model) { return model >= MODEL_LV200 && model <= MODEL_LV230 ? kModelNames[model - 1] : ""; }

int IndexOf(const std::string& modelText) {
    for (int i = 0; i < 4; ++i) {
        if (modelText == kModelNames[i]) {
            return i + 1;
        }
    }
    return MODEL_NONE;
}

int SlotCount(int model) { return model == MODEL_LV230 ? module_limits::kLv230Slots : kMaxSlots; }

bool HasBeacon(int model) { return model != MODEL_LV230; }

}  // namespace device_model
