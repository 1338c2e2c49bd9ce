// Job codes, job status values and the window messages of the main window.
#pragma once

#include "ops/session/device_model.h"

#include <cstdint>

enum JobCode : int {
    JOB_QUIT = 1,
    JOB_IDENTIFY = 3,
    JOB_READ_SETTINGS = 4,
    JOB_READ_SETTINGS_BEACON = 5,
    JOB_REBOOT = 6,
    JOB_FACTORY_RESET = 7,
    JOB_WRITE_SLOTS = 8,
    // The scan (scan.cpp) is one job that runs until the module has stopped
    // scanning; while it runs it posts three results of its own: JOB_START_SCAN
    // once the module scans (or the start failed), JOB_SCAN_REPORTS when
    // reports wait in the hand-over, and JOB_STOP_SCAN when it has ended.
    JOB_START_SCAN = 9,
    JOB_SCAN_REPORTS = 10,
    JOB_STOP_SCAN = 11,
    JOB_SET_DEVICE_NAME = 12,
    JOB_SET_BEACON = 13,
    JOB_SET_ADV_INTERVAL = 14,
    JOB_SET_UART_OPTIONS = 15,
    // Writes of the settings table's rows that have no code of their own:
    // JOB_WRITE_FIELD_BASE plus the row's place (ManagerOps::WriteJobOf).
    JOB_WRITE_FIELD_BASE = 100,
    JOB_APPLY_PROFILE = 18,  // a settings profile: read the module, write what differs
    JOB_RAW_COMMAND = 20,    // a command the user typed (raw_command.cpp)
};

// Scan state of the window: idle, scanning, stop requested.
enum ScanStateValue : int { SCAN_IDLE = 0, SCAN_RUNNING = 1, SCAN_STOP_REQUESTED = 2 };

enum JobStatus : int {
    JOB_STATUS_OK = 0,
    JOB_STATUS_FAILED = 1,
    JOB_STATUS_UNSUPPORTED = 2,
    JOB_STATUS_NO_RESULT = 4,  // a typed command that got no final line
};

// Window messages, always posted (WM_APP + n).
inline constexpr unsigned WM_APP_BASE = 0x8000;
inline constexpr unsigned WM_LINK_ERROR = 0x8835;
inline constexpr unsigned WM_OPEN_PORT = 0x8836;
inline constexpr unsigned WM_JOB_RESULT = 0x8837;
inline constexpr unsigned WM_START_SCAN = 0x883a;

// Picture resource ids.
enum PictureId : int {
    PNG_BAUD_DIAL = 134,
    PNG_LV200 = 138,
    PNG_SERIES = 139,  // no device, and the LV230
    PNG_LV210 = 140,
    PNG_LV220 = 141,
    PNG_MAKER_LOGO = 143,
};
