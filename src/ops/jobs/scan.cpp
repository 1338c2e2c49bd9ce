// Device scan: one job on the session's scan loop, the hand-over of its
// reports to the window thread, and the scan list rules.
#include "ops/rules/input_rules.h"
#include "link/at_protocol.h"
#include "link/text_conv.h"
#include "ops/jobs/manager_ops.h"
#include "ops/session/record_text.h"
#include "ops/rules/string_ids.h"

// ---- Worker thread ----

int ManagerOps::JobScan() {
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
    m_handOverDropped.store(0);
    bool started = false;
    const SessionResult result = m_session.Scan(
        name,
        [this, &started] {
            if (!started) {
                // First asked once the module scans. The list itself is
                // emptied when this result reaches the window thread.
                started = true;
                m_scanState.store(SCAN_RUNNING);
                PostResult(JOB_START_SCAN, JOB_STATUS_OK);
            }
            // "Stop" ends the scan here (CloseLink ends the wait for a report);
            // the reports the module sends up to its +STOPPED are still handed over.
            return m_scanState.load() == SCAN_RUNNING;
        },
        [this](const lv2xx_scan_report& report) { HandOverReport(report); });
    if (!started) {
        return JOB_STATUS_FAILED;
    }
    // Posted after every report of this scan, so the window has listed them
    // all when it sees the end.
    PostResult(JOB_STOP_SCAN, result ? JOB_STATUS_OK : JOB_STATUS_FAILED);
    return -1;
}

void ManagerOps::HandOverReport(const lv2xx_scan_report& report) {
    bool announce = false;
    {
        std::lock_guard<std::mutex> lock(m_handOverMutex);
        if (m_handOver.size() >= kHandOverReports) {
            m_handOverDropped.fetch_add(1);
            return;
        }
        m_handOver.push_back(report);
        announce = !m_handOverPosted;
        m_handOverPosted = true;
    }
    if (announce) {
        PostResult(JOB_SCAN_REPORTS, JOB_STATUS_OK);
    }
}

// ---- Window thread ----

void ManagerOps::RequestScanStop() {
    int running = SCAN_RUNNING;
    if (m_scanState.compare_exchange_strong(running, SCAN_STOP_REQUESTED)) {
        // The loop may sit in a report wait that lasts until the module's
        // next report: the stop goes out now instead.
        m_comm.InterruptScanWait();
    }
}

void ManagerOps::TakeScanReports() {
    {
        std::lock_guard<std::mutex> lock(m_handOverMutex);
        m_handOverTaken.swap(m_handOver);
        m_handOverPosted = false;
    }
    for (const lv2xx_scan_report& report : m_handOverTaken) {
        AddScanDevice(report);
    }
    m_handOverTaken.clear();
    // The monitor tells the user when its figures miss reports.
    m_scanRecord.SetLost(ScanReportsDropped());
}

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
        } else if (status == JOB_STATUS_UNSUPPORTED) {
            m_view.ShowMessage(IDS_UNSUPPORTED_DEVICE, MsgIcon::Information);
            RunPortSetup();
        } else {
            Reidentify();
        }
        return;
    }
    // Reports first: those up to the module's +STOPPED belong to this scan.
    TakeScanReports();
    if (job == JOB_SCAN_REPORTS) {
        return;
    }
    // JOB_STOP_SCAN
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
