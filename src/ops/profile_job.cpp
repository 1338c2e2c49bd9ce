// Writing a settings profile from the window: the typed view of the last
// read-back, the job that writes what differs, and its result.
#include "device_model.h"
#include "link/at_protocol.h"
#include "manager_ops.h"
#include "record_text.h"
#include "string_ids.h"

#include <algorithm>

DeviceSettings ManagerOps::CurrentSettings() const {
    const DeviceRecords& r = m_records;
    DeviceSettings s;
    s.model = m_model.load();
    s.modelName = device_model::NameOf(s.model);
    s.firmware = FieldText(r.m_fwVersion);
    std::copy(std::begin(r.m_devInfo.address), std::end(r.m_devInfo.address), s.address.begin());
    s.name = FieldText(r.m_devInfo.name);
    s.extra = FieldText(r.m_devInfo.extra);
    s.state = FieldText(r.m_devInfo.state);
    s.advInterval = r.m_advIntervalRead;
    s.uart = FromRecord(r.m_uartRead);
    for (int n = 1; n <= device_model::SlotCount(s.model); ++n) {
        s.slotEntries.push_back(FromRecord(r.m_slotsRead[n - 1]));
    }
    s.hasBeacon = device_model::HasBeacon(s.model);
    if (s.hasBeacon) {
        s.beaconSource = r.m_userBeaconRead == 1 ? BEACON_SOURCE_USER : BEACON_SOURCE_SERIAL;
        s.beaconHex = FieldText(r.m_beaconHexRead);
    }
    return s;
}

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
    m_view.ShowProfileResult(status == JOB_STATUS_OK, detail);
    // The window shows what the module holds now; the controls are still
    // disabled from the import.
    QueueJob(JOB_IDENTIFY, false);
}
