// Device scan: start, one job per report, stop; and the scan list rules.
#include "ops/rules/input_rules.h"
#include "link/at_protocol.h"
#include "link/text_conv.h"
#include "ops/jobs/manager_ops.h"
#include "ops/session/record_text.h"
#include "ops/rules/string_ids.h"


// ---- Worker thread ----

int ManagerOps::JobStartScan() {
    // Checked first, so a second start request sends nothing at all.
    if (m_scanState.load() != SCAN_IDLE) {
        return -1;
    }
    const lv2xx_scan_filter& filter = m_records.m_scanFilter;
    const std::string name = filter.enabled ? FieldText(filter.name, sizeof filter.name - 1) : std::string();
    if (!IsSafeCommandText(name)) {
        return JOB_STATUS_FAILED;
    }
    if (const int status = ModelGate(); status >= 0) {
        return status;
    }
    if (!m_session.StartScan(name)) {
        return JOB_STATUS_FAILED;
    }
    // The list itself is emptied when this result reaches the window thread.
    m_scanState.store(SCAN_RUNNING);
    return JOB_STATUS_OK;
}

int ManagerOps::JobReadScanResult() {
    if (m_scanState.load() != SCAN_RUNNING) {
        return -1;
    }
    const ScanReportResult result = m_session.WaitScanReport();
    if (result) {
        m_records.m_scanResult = result.report;
        return JOB_STATUS_OK;
    }
    return result.error == SessionError::Timeout ? JOB_STATUS_NO_RESULT : JOB_STATUS_FAILED;
}

int ManagerOps::JobStopScan() {
    if (m_scanState.load() != SCAN_STOP_REQUESTED) {
        return -1;
    }
    const int status = StatusOf(m_session.StopScan());
    // Reports sent up to the module's +STOPPED belong to this scan too.
    m_records.m_reportsAtStop = m_session.TakeReportsLeft();
    return status;
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
            // The threshold applies as it stood when the scan started.
            m_records.m_rssiFilterOn = m_view.RssiFilterChecked();
            m_records.m_rssiThreshold = input_rules::RssiThresholdOf(m_view.RssiFilterText());
            m_view.SetScanButton(IDS_STOP, true);
            if (m_scanState.load() == SCAN_RUNNING) {
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
                AddScanDevice(m_records.m_scanResult);
            }
            if (m_scanState.load() == SCAN_RUNNING) {
                QueueJob(JOB_READ_SCAN_RESULT, false);
            }
        } else {
            Reidentify();
        }
        return;
    }
    // JOB_STOP_SCAN
    for (const lv2xx_scan_report& report : m_records.m_reportsAtStop) {
        AddScanDevice(report);
    }
    m_records.m_reportsAtStop.clear();
    if (status == JOB_STATUS_OK) {
        m_scanState.store(SCAN_IDLE);
        m_view.SetScanButton(IDS_SCAN, true);
        m_view.EnableControls(true);
    } else {
        Reidentify();
    }
}

void ManagerOps::AddScanDevice(const lv2xx_scan_report& report) {
    const std::string name = FieldText(report.name);
    const std::string hex = AddressToHex(report.address);
    m_scanRecord.Add(hex, name, report.rssi);  // every report, before the list rules
    const std::u16string address = Utf8ToWide(hex);
    if (m_scanSeen.count(address) != 0) {
        return;  // the first report of a device is the one listed
    }
    const int row = m_view.ScanListCount();
    if (m_records.m_rssiFilterOn && m_records.m_rssiThreshold > report.rssi) {
        return;  // not remembered: a stronger report may still list it
    }
    // Bounded like the statistics: once full, the view says that later
    // devices are not listed, and nothing more is remembered here.
    if (m_scanSeen.size() < ScanStats::kDefaultCapacity) m_scanSeen.emplace(address, report);
    m_view.InsertScanRow(row, address, Utf8ToWide(name), Utf8ToWide(std::to_string(report.rssi)));
}
