// Job queue, worker loop, transactions and the dispatch of posted results.
#include "ops/jobs/manager_ops.h"

#include "link/at_protocol.h"

ManagerOps::ManagerOps(IManagerView& view) : m_view(view) {}

ManagerOps::~ManagerOps() {
    // The window may already be gone (its members die before this one's
    // owner finishes): close and join without calling it.
    m_session.Cancel();
    m_comm.Close();
    if (m_worker.joinable()) {
        QueueJob(JOB_QUIT, true);
        m_worker.join();
    }
}

void ManagerOps::Init() {
    m_comm.SetErrorHandler([this](const KestovLV2xxComm* comm, std::error_code& ec) { OnCommError(comm, ec); });
}

bool ManagerOps::HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
    switch (msg) {
    case WM_OPEN_PORT:
        OnOpenPort();
        return true;
    case WM_LINK_ERROR:
        OnLinkError();
        return true;
    case WM_JOB_RESULT:
        m_resultsInFlight.fetch_sub(1);
        if (m_staleResults > 0) {
            // Posted by a job of a link that CloseLink has since closed.
            --m_staleResults;
            return true;
        }
        OnJobResult(static_cast<int>(wParam), static_cast<int>(lParam));
        return true;
    default:
        return false;
    }
}

void ManagerOps::QueueJob(int job, bool clearFirst) {
    {
        std::lock_guard<std::mutex> lock(m_jobMutex);
        if (clearFirst) {
            m_jobQueue.clear();
        }
        m_jobQueue.push_back(job);
    }
    m_jobCond.notify_all();
}

void ManagerOps::Reidentify() {
    m_view.EnableControls(false);
    QueueJob(JOB_IDENTIFY, false);
}

void ManagerOps::StartBusy() {
    // Shown even when the worker has already taken the job and set the flag:
    // its own request reaches the window thread only by posting, possibly
    // after the job has ended, and is then dropped as stale.
    m_view.SetWaitCursor(true);
    m_busy.store(true);
}

void ManagerOps::WorkerLoop() {
    for (;;) {
        int job = 0;
        {
            std::unique_lock<std::mutex> lock(m_jobMutex);
            m_jobCond.wait(lock, [this] { return !m_jobQueue.empty(); });
            job = m_jobQueue.front();
            m_jobQueue.pop_front();
        }
        if (job == JOB_QUIT) {
            return;
        }
        m_busy.store(true);
        m_view.SetWaitCursor(true);
        const int status = RunJob(job);
        if (status >= 0) {
            PostResult(job, status);
        }
        m_busy.store(false);
    }
}

bool ManagerOps::PostResult(int job, int status) {
    // Counted before the post: the window may hand it back at once.
    m_resultsInFlight.fetch_add(1);
    if (!m_view.PostWindowMessage(WM_JOB_RESULT, static_cast<uintptr_t>(job), status)) {
        m_resultsInFlight.fetch_sub(1);  // the window is gone: dropped
        return false;
    }
    return true;
}

int ManagerOps::RunJob(int job) {
    switch (job) {
    case JOB_IDENTIFY:
        return JobIdentify();
    case JOB_READ_SETTINGS:
        return JobReadSettings(false);
    case JOB_READ_SETTINGS_BEACON:
        return JobReadSettings(true);
    case JOB_REBOOT:
        return JobReboot(false);
    case JOB_FACTORY_RESET:
        return JobReboot(true);
    case JOB_WRITE_SLOTS:
        return JobWriteSlots();
    case JOB_START_SCAN:
        return JobScan();
    case JOB_SET_BEACON:
        return JobSetBeacon();
    case JOB_APPLY_PROFILE:
        return JobApplyProfile();
    case JOB_RAW_COMMAND:
        return JobRawCommand();
    default:
        if (const setting_fields::Command* c = WriteCommandOf(job)) {
            return JobWrite(*c);
        }
        m_view.SetWaitCursor(false);
        return -1;
    }
}

int ManagerOps::StatusOf(const SessionResult& result) {
    switch (result.error) {
    case SessionError::None:
        return JOB_STATUS_OK;
    case SessionError::Unsupported:
        return JOB_STATUS_UNSUPPORTED;
    default:
        return JOB_STATUS_FAILED;
    }
}

bool ManagerOps::IsSafeCommandText(const std::string& text) { return !HasControlChars(text); }

void ManagerOps::OnJobResult(int job, int status) {
    // A scan that has started goes on working until its JOB_STOP_SCAN.
    const bool scanGoesOn = job == JOB_SCAN_REPORTS || (job == JOB_START_SCAN && status == JOB_STATUS_OK);
    if (!scanGoesOn) {
        m_view.SetWaitCursor(false);
        m_busy.store(false);
    }
    switch (job) {
    case JOB_IDENTIFY:
        OnIdentifyResult(status);
        break;
    case JOB_READ_SETTINGS:
    case JOB_READ_SETTINGS_BEACON:
        OnReadBackResult(job, status);
        break;
    case JOB_REBOOT:
    case JOB_FACTORY_RESET:
        OnWriteResult(job, status);
        break;
    case JOB_START_SCAN:
    case JOB_SCAN_REPORTS:
    case JOB_STOP_SCAN:
        OnScanResult(job, status);
        break;
    case JOB_APPLY_PROFILE:
        OnProfileResult(status);
        break;
    case JOB_RAW_COMMAND:
        OnRawCommandResult(status);
        break;
    default:
        // JOB_WRITE_SLOTS, JOB_SET_BEACON and every other write of a settings row.
        if (WriteCommandOf(job)) {
            OnWriteResult(job, status);
        }
        break;
    }
}
