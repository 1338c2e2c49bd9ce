// The records the jobs read and write, shared by the worker and the window.
// Inputs are written by the window thread before a job is queued and not
// touched until its result is handled; outputs are written by the worker
// before it posts the result. The queue and the post order these accesses.
#pragma once

#include "device_settings.h"
#include "settings_apply.h"
#include "settings_patch.h"
#include "link/at_protocol.h"

#include <cstdint>
#include <string>
#include <vector>

struct DeviceRecords {
    // Read-back outputs.
    char m_fwVersion[64]{};
    lv2xx_device_info m_devInfo{};
    uint16_t m_advIntervalRead = 0;
    lv2xx_uart_options m_uartRead{};
    lv2xx_slot_info m_slotsRead[8]{};
    char m_beaconHexRead[53]{};
    uint8_t m_userBeaconRead = 0;

    // Write-job inputs.
    lv2xx_slot_info m_slotsToWrite[8]{};
    std::string m_newDeviceName;       // UTF-8, at most 8 bytes
    int m_beaconSource = BEACON_SOURCE_SERIAL;  // BeaconSourceValue
    char m_beaconHexToWrite[53]{};     // up to 52 upper-case hex digits
    unsigned m_advInterval = 0;        // 20..2560 ms
    lv2xx_uart_options m_uartToWrite{};
    SettingsPatch m_patchToWrite;      // JOB_APPLY_PROFILE
    bool m_profileReadOnly = false;    // only read the module, for an export
    ApplyOutcome m_applyOutcome;       // its result; after holds the module's settings

    // Scan.
    lv2xx_scan_filter m_scanFilter{};
    lv2xx_scan_report m_scanResult{};
    // Reports that came between the stop and the module's +STOPPED (JOB_STOP_SCAN).
    std::vector<lv2xx_scan_report> m_reportsAtStop;
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
