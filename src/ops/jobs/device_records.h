// The records the jobs read and write, shared by the worker and the window.
// Inputs are written by the window thread before a job is queued and not
// touched until its result is handled; outputs are written by the worker
// before it posts the result. The queue and the post order these accesses.
#pragma once

#include "ops/session/device_settings.h"
#include "ops/session/settings_apply.h"
#include "ops/session/settings_patch.h"
#include "link/at_protocol.h"
#include "link/module_limits.h"

#include <cstdint>
#include <string>
#include <vector>

struct DeviceRecords {
    // The slot job writes all eight rows; none holds a device until the window says so.
    static DeviceSettings EightEmptySlots() {
        DeviceSettings s;
        s.slotEntries.assign(module_limits::kMaxSlots, SlotEntry{});
        return s;
    }

    // The module's settings as the read-back found them: the same record the
    // command-line tool reads. The read-back's display is filled from it.
    DeviceSettings m_settings;
    // What a write job sends, in the same record: the window puts the values
    // there before it queues the job (name, advInterval, uart, all eight
    // slotEntries, beaconSource (BEACON_SOURCE_NONE when no radio is chosen), beaconHex). Kept
    // apart from m_settings: a write may be queued while a read-back runs.
    DeviceSettings m_toWrite = EightEmptySlots();

    SettingsPatch m_patchToWrite;    // JOB_APPLY_PROFILE
    bool m_profileReadOnly = false;  // only read the module (export, or an import's differences)
    DeviceSettings m_profileBase;    // the read the differences were shown against; written against
    ApplyOutcome m_applyOutcome;     // its result; after holds the module's settings

    // Scan.
    lv2xx_scan_filter m_scanFilter{};
    // The RSSI filter as it stood when the scan started (window thread).
    bool m_rssiFilterOn = false;
    int8_t m_rssiThreshold = 0;
};

// Line settings of the COM port dialog.
struct PortSettings {
    std::u16string m_portName = u"COM1";
    uint32_t m_baudRate = 9600;
    uint8_t m_parity = 0;    // 0 none, 1 odd, 2 even
    uint8_t m_stopBits = 0;  // 0 one, 1 one and a half, 2 two
};
