// Device operations of the main window: the job queue and its worker, the
// link's open and close, and every job's AT sequence with its result branch.
// The window is reached only through IManagerView.
//
// Threads: the window thread calls every public member except where noted;
// the worker runs the job sequences; the engine's I/O threads only call
// OnCommError. Results travel from the worker to the window thread only as
// posted WM_JOB_RESULT messages, which the window hands back to HandleMessage;
// a scan's reports wait for it in a bounded hand-over that such a message
// announces.
#pragma once

#include "ops/jobs/device_records.h"
#include "ops/session/device_session.h"
#include "ops/jobs/job_codes.h"
#include "link/comm.h"
#include "ops/jobs/manager_view.h"
#include "ops/scan/scan_record.h"
#include "ops/jobs/raw_command.h"
#include "ops/session/setting_fields.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <vector>

class ManagerOps {
public:
    explicit ManagerOps(IManagerView& view);
    // Closes the link and joins the worker without touching the view; the
    // owner runs CloseLink first while its window still exists.
    ~ManagerOps();
    ManagerOps(const ManagerOps&) = delete;
    ManagerOps& operator=(const ManagerOps&) = delete;

    // ---- Window thread ----
    // Installs the link-error handler on the engine (once, at window start-up).
    void Init();
    // Dispatches WM_OPEN_PORT, WM_LINK_ERROR and WM_JOB_RESULT; returns false
    // for any other message (WM_START_SCAN belongs to the window).
    bool HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam);

    void QueueJob(int job, bool clearFirst);
    void Reidentify();
    void OnOpenPort();
    void OnLinkError();
    void OnJobResult(int job, int status);
    // Closes the engine, stops the worker and resets the display. Returns
    // within a few poll periods whatever job runs: pauses end early, and a
    // result the stopped job still posts is dropped.
    void CloseLink();
    void RunPortSetup();
    // Runs the port dialog; on OK its choice is the port the next open uses.
    bool ChoosePort();
    // The port and line setting the next open uses.
    void UsePort(const PortSettings& port) { m_port = port; }
    // Shows the wait cursor and sets m_busy.
    void StartBusy();
    // Asked when the device disappears: true when the window waits for it to
    // come back, which replaces the error message.
    void SetLinkLostHandler(std::function<bool()> handler) { m_linkLost = std::move(handler); }
    // Opens the port as OnOpenPort does, for the reconnect watch: a failure is
    // returned instead of shown, and a module that then does not identify
    // closes the link without a message or the port dialog. The reopen
    // handler hears how the identification ended (JOB_STATUS_...).
    // The device may have come back under another name: it is opened by that.
    std::error_code Reopen(const std::u16string& portName);
    void SetReopenHandler(std::function<void(int)> handler) { m_reopened = std::move(handler); }

    bool IsLinkOpen() const { return m_comm.IsOpen(); }
    bool IsBusy() const { return m_busy.load(); }
    int Model() const { return m_model.load(); }
    int ScanState() const { return m_scanState.load(); }  // ScanStateValue
    void SetScanState(int state) { m_scanState.store(state); }
    // "Stop": a running scan ends at its next check, stops the module and
    // posts JOB_STOP_SCAN. Nothing happens unless a scan runs.
    void RequestScanStop();
    DeviceRecords& Records() { return m_records; }
    const PortSettings& Port() const { return m_port; }
    KestovLV2xxComm& Comm() { return m_comm; }
    // Every report of the current (or last) scan; window thread only.
    const ScanRecord& ScanRecording() const { return m_scanRecord; }
    // Reports the current (or last) scan could not hand over: the window
    // thread had not yet taken the earlier ones. Any thread.
    uint64_t ScanReportsDropped() const { return m_handOverDropped.load(); }
    // A field's text form into the write record under the field's input
    // rule, and the write of its row queued; a refusal queues nothing.
    setting_fields::Refusal QueueFieldWrite(const std::string& key, const std::string& text);
    // The job that carries a row's write, and the row a write job carries (or nullptr).
    static int WriteJobOf(const setting_fields::Command& command);
    static const setting_fields::Command* WriteCommandOf(int job);
    // A typed command as a job of its own; false (nothing queued) when the
    // text fails CheckRawCommand or the link is closed.
    bool QueueRawCommand(const std::string& text);
    RawCommandRecord& RawCommand() { return m_raw; }

    // Link status texts of pane 0.
    static std::u16string ParityText(uint8_t parity);
    static std::u16string StopBitsText(uint8_t stopBits);
    static std::u16string LinkStatusText(const PortSettings& port);
    // Model-query time-out of the identification for a baud rate.
    static unsigned ModelQueryTimeoutMs(uint32_t baud);
    static int PictureForModel(int model);

    // Command-text guard: text that goes into a command must not hold control
    // characters (a CR would end the command early).
    static bool IsSafeCommandText(const std::string& text);

private:
    // ---- Worker thread ----
    void WorkerLoop();
    // Runs one job; returns its status, or -1 for no result.
    int RunJob(int job);
    int JobIdentify();
    // The model check before writes, as a job status: -1 to go on, else the status.
    int ModelGate();
    int JobReadSettings(bool withBeacon);
    // A read-back becomes the window's settings record; a module still
    // scanning is stopped.
    void KeepReadBack(const DeviceSettings& settings, bool withBeacon);
    int JobReboot(bool factoryReset);
    int JobWriteSlots();
    int JobSetBeacon();
    // A write of one row of the settings table from m_toWrite.
    int JobWrite(const setting_fields::Command& command);
    // The whole scan on DeviceSession::Scan; posts its own results.
    int JobScan();
    // Hands one report to the window thread without waiting for it.
    void HandOverReport(const lv2xx_scan_report& report);
    // Posts a job result; false when the window is gone.
    bool PostResult(int job, int status);
    int JobApplyProfile();
    // A write's outcome as a job status.
    static int StatusOf(const SessionResult& result);
    int JobRawCommand();

    // ---- Window thread: result branches ----
    void OnIdentifyResult(int status);
    std::error_code OpenLink();
    void OnReadBackResult(int job, int status);
    void OnWriteResult(int job, int status);
    void OnScanResult(int job, int status);
    void OnProfileResult(int status);
    void OnRawCommandResult(int status);
    void AddScanDevice(const lv2xx_scan_report& report);
    // Lists the reports waiting in the hand-over.
    void TakeScanReports();
    void ClearDisplay();
    // Error handler installed on the engine (I/O thread).
    void OnCommError(const KestovLV2xxComm* comm, std::error_code& ec);

    IManagerView& m_view;
    KestovLV2xxComm m_comm;
    // Every job's sequence; cancelled by CloseLink so that pauses end and
    // nothing more is sent.
    DeviceSession m_session{m_comm};
    PortSettings m_port;
    DeviceRecords m_records;
    RawCommandRecord m_raw;

    std::mutex m_jobMutex;
    std::condition_variable m_jobCond;
    std::deque<int> m_jobQueue;
    std::thread m_worker;
    std::atomic<bool> m_busy{false};
    std::atomic<int> m_model{MODEL_NONE};
    std::atomic<int> m_scanState{SCAN_IDLE};

    // Results posted and not yet handed back; those still on their way when
    // CloseLink has joined the worker belong to the closed link and are dropped.
    std::atomic<int> m_resultsInFlight{0};
    int m_staleResults = 0;  // window thread only

    // Reports on their way from the scan to the window thread. Bounded: a
    // report that finds it full is dropped and counted, so the worker never
    // waits for the window thread; one JOB_SCAN_REPORTS is on its way while
    // it holds any.
    static constexpr std::size_t kHandOverReports = 4096;
    std::mutex m_handOverMutex;
    std::vector<lv2xx_scan_report> m_handOver;
    bool m_handOverPosted = false;  // guarded by m_handOverMutex
    std::atomic<uint64_t> m_handOverDropped{0};
    std::vector<lv2xx_scan_report> m_handOverTaken;  // window thread only

    // Devices listed in the current scan; window thread only.
    std::unordered_map<std::u16string, lv2xx_scan_report> m_scanSeen;
    ScanRecord m_scanRecord;  // window thread only
    std::function<bool()> m_linkLost;
    std::function<void(int)> m_reopened;
    bool m_reopening = false;  // window thread only: a Reopen's identification runs
};
