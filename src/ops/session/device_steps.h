// The module's transactions as data: command format, reply kind, time-out,
// the code that means success, and the pauses the module needs around it.
// Every sequence of the device session is built from these rows.
#pragma once

#include "link/at_protocol.h"

namespace device_steps {

struct Step {
    const char* format;  // printf format, ends in CR
    lv2xx_atcmd kind;
    unsigned timeoutMs;
    lv2xx_atres expect;
    unsigned pauseBeforeMs;
    unsigned pauseAfterMs;  // only after success
};

inline constexpr unsigned kReplyMs = 1200;
inline constexpr unsigned kRestartMs = 2000;

// Probe and identification.
inline constexpr Step kProbe{atcmd::kAt, ATCMD_AT, kReplyMs, ATRES_OK, 0, 0};
inline constexpr Step kModel{atcmd::kModelQuery, ATCMD_MODEL_Q, kReplyMs, ATRES_MODEL, 0, 0};

// Read-back, in the order the module is read.
inline constexpr Step kVersion{atcmd::kVersionQuery, ATCMD_VER_Q, kReplyMs, ATRES_VERSION, 0, 0};
inline constexpr Step kInfo{atcmd::kInfoQuery, ATCMD_INFO_Q, kReplyMs, ATRES_INFO, 0, 0};
inline constexpr Step kAdvInterval{atcmd::kAdvIntervalQuery, ATCMD_ADVINTERVAL_Q, kReplyMs, ATRES_ADV_INTERVAL, 0, 0};
inline constexpr Step kUartOptions{atcmd::kUartOptQuery, ATCMD_UARTOPT_Q, kReplyMs, ATRES_UART_OPTIONS, 0, 0};
inline constexpr Step kGetSlot{atcmd::kGetSlot, ATCMD_GETSLOT, kReplyMs, ATRES_SLOT, 0, 0};
inline constexpr Step kBeacon{atcmd::kBeaconQuery, ATCMD_BEACON_Q, kReplyMs, ATRES_BEACON_DATA, 0, 0};
inline constexpr Step kBeaconSource{atcmd::kUcBeaconQuery, ATCMD_UCBEACON_Q, kReplyMs, ATRES_ON_OFF, 0, 0};

// Writes. The module takes a slot command only 100 ms after the previous
// one, and the beacon commands 200 ms after whatever came before.
inline constexpr Step kSetName{atcmd::kManufSet, ATCMD_MANUF_SET, kReplyMs, ATRES_OK, 0, 0};
inline constexpr Step kSetAdvInterval{atcmd::kAdvIntervalSet, ATCMD_ADVINTERVAL_SET, kReplyMs, ATRES_OK, 0, 0};
inline constexpr Step kSetUartOptions{atcmd::kUartOptSet, ATCMD_UARTOPT_SET, kReplyMs, ATRES_OK, 0, 0};
inline constexpr Step kSetSlot{atcmd::kSetSlot, ATCMD_SETSLOT, kReplyMs, ATRES_OK, 0, 100};
inline constexpr Step kSetSlotTag{atcmd::kSetSlotTag, ATCMD_SETSLOT, kReplyMs, ATRES_OK, 0, 100};
inline constexpr Step kDelSlot{atcmd::kDelSlot, ATCMD_DELSLOT, kReplyMs, ATRES_OK, 0, 100};
inline constexpr Step kSetBeacon{atcmd::kBeaconSet, ATCMD_BEACON_SET, kReplyMs, ATRES_OK, 200, 0};
inline constexpr Step kSetBeaconSource{atcmd::kUcBeaconSet, ATCMD_UCBEACON_SET, kReplyMs, ATRES_OK, 200, 0};
inline constexpr Step kReboot{atcmd::kReboot, ATCMD_ATZ, kRestartMs, ATRES_READY, 0, 0};
inline constexpr Step kFactoryReset{atcmd::kFactoryReset, ATCMD_AT_F, kRestartMs, ATRES_READY, 0, 0};

// Scan. The module starts scanning reliably only 500 ms after the filter.
inline constexpr Step kFilterOn{atcmd::kScanFilterOn, ATCMD_SF_SET, kReplyMs, ATRES_OK, 0, 0};
inline constexpr Step kFilterOff{atcmd::kScanFilterOff, ATCMD_SF_SET, kReplyMs, ATRES_OK, 0, 0};
inline constexpr Step kStartScan{atcmd::kStartScan, ATCMD_STARTSCAN, kReplyMs, ATRES_SCANNING, 500, 0};
inline constexpr Step kStopScan{atcmd::kStopScan, ATCMD_STOPSCAN, kRestartMs, ATRES_STOPPED, 0, 0};

}  // namespace device_steps
