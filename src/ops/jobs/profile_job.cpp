// Settings profiles from the window: the job that reads the module (for an
// export, and to show an import's differences) or writes what differs, and
// its result.
#include "ops/jobs/manager_ops.h"
#include "ops/rules/string_ids.h"

// ---- Worker thread ----

int ManagerOps::JobApplyProfile() {
    DeviceRecords& r = m_records;
    r.m_applyOutcome = ApplyOutcome{};
    const IdentifyResult id = m_session.ConfirmModel();
    if (!id) {
        r.m_applyOutcome.failure = id;
        return StatusOf(id);
    }
    // Compared with the module as it is now, not as the window last saw it.
    const ReadResult current = m_session.ReadAll(id.model);
    if (!current) {
        r.m_applyOutcome.failure = current;
        return JOB_STATUS_FAILED;
    }
    if (r.m_profileReadOnly) {
        r.m_applyOutcome.after = current.settings;
        r.m_applyOutcome.verified = true;
        return JOB_STATUS_OK;
    }
    SettingsPatch patch = r.m_patchToWrite;
    settings_patch::DropUnsupported(patch, id.model);
    r.m_applyOutcome = ApplyPatch(m_session, current.settings, patch, false);
    return r.m_applyOutcome.Ok() ? JOB_STATUS_OK : JOB_STATUS_FAILED;
}

// ---- Window thread ----

void ManagerOps::OnProfileResult(int status) {
    if (status == JOB_STATUS_UNSUPPORTED) {
        m_view.ShowMessage(IDS_UNSUPPORTED_DEVICE, MsgIcon::Information);
        RunPortSetup();
        return;
    }
    const ApplyOutcome& o = m_records.m_applyOutcome;
    std::string detail;
    if (!o.refused.empty()) {
        detail = o.refused;
    } else if (!o.failure) {
        detail = o.failure.Describe();
    } else if (!o.mismatches.empty()) {
        detail = o.mismatches.front().field + " reads back as \"" + o.mismatches.front().to + "\"";
    }
    // The window goes on from here: it asked for the job and knows why.
    m_view.ShowProfileResult(status == JOB_STATUS_OK, detail);
}
