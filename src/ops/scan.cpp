// Device scan: start, one job per report, stop; and the scan list rules.
#include "input_rules.h"
#include "link/at_protocol.h"
#include "link/text_conv.h"
#include "manager_ops.h"
#include "string_ids.h"

#include <cstring>

namespace {

constexpr unsigned kStartScanTimeoutMs = 1200;
constexpr unsigned kStopScanTimeoutMs = 2000;
constexpr unsigned kFilterPauseMs = 500;

}  // namespace

// ---- Worker thread ----

int ManagerOps::JobStartScan() {
    // Checked first, so a second start request sends nothing at all.
    if (m_scanState.load() != 0) {
        return -1;
    }
    lv2xx_scan_filter filter = m_records.m_scanFilter;
    filter.name[sizeof filter.name - 1] = '\0';
    if (filter.enabled && !IsSafeCommandText(filter.name)) {
        return JOB_STATUS_FAILED;
    }
    if (const int status = ModelGate(); status >= 0) {
        return status;
    }
    if (m_linkClosing.load() || m_comm.SetScanFilter(filter) != ATRES_OK) {
        return JOB_STATUS_FAILED;
    }
    if (!Pause(kFilterPauseMs)) {
        return JOB_STATUS_FAILED;
    }
    if (Send(atcmd::kStartScan, sizeof atcmd::kStartScan - 1, ATCMD_STARTSCAN, kStartScanTimeoutMs) !=
        ATRES_SCANNING) {
        return JOB_STATUS_FAILED;
    }
    // The list itself is emptied when this result reaches the window thread.
    m_scanState.store(1);
    return JOB_STATUS_OK;
}

int ManagerOps::JobReadScanResult() {
    if (m_scanState.load() != 1) {
        return -1;
    }
    switch (m_comm.WaitScanReport(m_records.m_scanResult)) {
    case ATRES_SCAN_REPORT:
        return JOB_STATUS_OK;
    case ATRES_TIMEOUT:
        return JOB_STATUS_NO_RESULT;
    default:
        return JOB_STATUS_FAILED;
    }
}

int ManagerOps::JobStopScan() {
    if (m_scanState.load() != 2) {
        return -1;
    }
    return Send(atcmd::kStopScan, sizeof atcmd::kStopScan - 1, ATCMD_STOPSCAN, kStopScanTimeoutMs) ==
                   ATRES_STOPPED
               ? JOB_STATUS_OK
               : JOB_STATUS_FAILED;
}

// ---- Window thread ----

void ManagerOps::OnScanResult(int job, int status) {
    if (job == JOB_START_SCAN) {
        if (status == JOB_STATUS_OK) {
            // Emptied here rather than by the worker, which never waits for
            // this thread; no report of the new scan has been shown yet.
            m_view.ClearScanList();
            m_scanSeen.clear();
            m_scanRecord.Start();
            m_view.SetScanButton(IDS_STOP, true);
            if (m_scanState.load() == 1) {
                QueueJob(JOB_READ_SCAN_RESULT, false);
            }
        } else if (status == JOB_STATUS_UNSUPPORTED) {
            m_view.ShowMessage(IDS_UNSUPPORTED_DEVICE, MsgIcon::Information);
            RunPortSetup();
        } else {
            Reidentify();
        }
        return;
    }
    if (job == JOB_READ_SCAN_RESULT) {
        if (status == JOB_STATUS_OK || status == JOB_STATUS_NO_RESULT) {
            if (status == JOB_STATUS_OK) {
                AddScanDevice();
            }
            if (m_scanState.load() == 1) {
                QueueJob(JOB_READ_SCAN_RESULT, false);
            }
        } else {
            Reidentify();
        }
        return;
    }
    // JOB_STOP_SCAN
    if (status == JOB_STATUS_OK) {
        m_scanState.store(0);
        m_view.SetScanButton(IDS_SCAN, true);
        m_view.EnableControls(true);
    } else {
        Reidentify();
    }
}

void ManagerOps::AddScanDevice() {
    const lv2xx_scan_report& report = m_records.m_scanResult;
    const std::string name(report.name, strnlen(report.name, sizeof report.name));
    const std::string hex = AddressToHex(report.address);
    m_scanRecord.Add(hex, name, report.rssi);  // every report, before the list rules
    const std::u16string address = Utf8ToWide(hex);
    if (m_scanSeen.count(address) != 0) {
        return;  // the first report of a device is the one listed
    }
    const int row = m_view.ScanListCount();
    if (m_view.RssiFilterChecked() && input_rules::RssiThresholdOf(m_view.RssiFilterText()) > report.rssi) {
        return;  // not remembered: a stronger report may still list it
    }
    m_scanSeen.emplace(address, report);
    m_view.InsertScanRow(row, address, Utf8ToWide(name), Utf8ToWide(std::to_string(report.rssi)));
}
