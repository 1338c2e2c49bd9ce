// Settings profiles from the window: the job that reads the module (for an
// export, and to show an import's differences) or writes what differs, and
// its result.
#include "ops/jobs/manager_ops.h"
#include "ops/rules/string_ids.h"

// ---- Worker thread ----

int ManagerOps::JobApplyProfile() {
    DeviceRecords& r = m_records;
    r.m_applyOutcome = ApplyOutcome{};
    // The model query alone: a read needs the model, and a write must not
    // reach another model than the one whose settings were compared.
    const IdentifyResult id = m_session.ConfirmModel();
    if (!id) {
        r.m_applyOutcome.failure = id;
        return StatusOf(id);
    }
    if (r.m_profileReadOnly) {
        const ReadResult current = m_session.ReadAll(id.model);
        if (!current) {
            r.m_applyOutcome.failure = current;
            return JOB_STATUS_FAILED;
        }
        r.m_applyOutcome.after = current.settings;
        r.m_applyOutcome.verified = true;
        return JOB_STATUS_OK;
    }
    const DeviceSettings& base = r.m_profileBase;
    if (id.model != base.model) {
        r.m_applyOutcome.otherModel = id.model;
        return JOB_STATUS_FAILED;
    }
    // Written against the read the user saw the differences of; the one
    // read-back afterwards both verifies and fills the window.
    SettingsPatch patch = r.m_patchToWrite;
    settings_patch::DropUnsupported(patch, id.model);
    r.m_applyOutcome = ApplyPatch(m_session, base, patch, false);
    if (r.m_applyOutcome.verified) {
        KeepReadBack(r.m_applyOutcome.after, r.m_applyOutcome.after.hasBeacon);
    }
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
    if (!m_records.m_profileReadOnly && o.verified) {
        // The read-back fills the window the way every read-back does.
        OnReadBackResult(o.after.hasBeacon ? JOB_READ_SETTINGS_BEACON : JOB_READ_SETTINGS, JOB_STATUS_OK);
    }
    // The window goes on from here: it asked for the job and knows why.
    m_view.ShowProfileResult(status == JOB_STATUS_OK);
}
