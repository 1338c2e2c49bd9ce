// Jobs that change the module, and what their results do to the window.
#include "ops/rules/input_rules.h"
#include "link/at_protocol.h"
#include "link/text_conv.h"
#include "ops/jobs/manager_ops.h"
#include "ops/session/record_text.h"
#include "ops/rules/string_ids.h"

#include <cstring>
#include <vector>

// ---- Worker thread ----
// Texts are checked before the model check, so a refused job sends nothing.

int ManagerOps::JobReboot(bool factoryReset) {
    return StatusOf(factoryReset ? m_session.FactoryReset() : m_session.Reboot());
}

int ManagerOps::JobWriteSlots() {
    const std::vector<SlotEntry> slots = m_records.m_toWrite.slotEntries;
    for (const SlotEntry& slot : slots) {
        if (!IsSafeCommandText(slot.tag)) {
            return JOB_STATUS_FAILED;
        }
    }
    if (const int status = ModelGate(); status >= 0) {
        return status;
    }
    return StatusOf(m_session.WriteSlots(slots));
}

int ManagerOps::JobSetBeacon() {
    const DeviceSettings& s = m_records.m_toWrite;
    const int source = s.beaconSource == BEACON_SOURCE_USER ? BEACON_SOURCE_USER : BEACON_SOURCE_SERIAL;
    const std::string hex = s.beaconHex.substr(0, input_rules::kMaxBeaconHexDigits);
    if (source == BEACON_SOURCE_USER && !IsSafeCommandText(hex)) {
        return JOB_STATUS_FAILED;
    }
    if (const int status = ModelGate(); status >= 0) {
        return status;
    }
    return StatusOf(m_session.SetBeacon(source, hex));
}

int ManagerOps::JobWrite(const setting_fields::Command& c) {
    const DeviceSettings& target = m_records.m_toWrite;
    for (const char* key : c.writes) {
        const setting_fields::Field* f = setting_fields::Find(key);
        if (f && !IsSafeCommandText(f->text(target, 0))) {
            return JOB_STATUS_FAILED;
        }
    }
    if (const int status = ModelGate(); status >= 0) {
        return status;
    }
    return StatusOf(c.write(m_session, target, 0));
}

// ---- Window thread ----

namespace {

// Writes that keep the job codes the window has always posted for them, by
// the first field their row writes.
constexpr struct {
    int job;
    const char* field;
} kOwnJobs[] = {
    {JOB_SET_DEVICE_NAME, "name"}, {JOB_SET_ADV_INTERVAL, "interval"}, {JOB_SET_UART_OPTIONS, "parity"},
    {JOB_WRITE_SLOTS, "slot"},     {JOB_SET_BEACON, "beacon-source"},
};

}  // namespace

int ManagerOps::WriteJobOf(const setting_fields::Command& c) {
    const auto& rows = setting_fields::Commands();
    for (const auto& own : kOwnJobs) {
        if (!c.writes.empty() && std::strcmp(c.writes.front(), own.field) == 0) {
            return own.job;
        }
    }
    return JOB_WRITE_FIELD_BASE + static_cast<int>(&c - rows.data());
}

const setting_fields::Command* ManagerOps::WriteCommandOf(int job) {
    for (const setting_fields::Command& c : setting_fields::Commands()) {
        if (c.write && WriteJobOf(c) == job) {
            return &c;
        }
    }
    return nullptr;
}

setting_fields::Refusal ManagerOps::QueueFieldWrite(const std::string& key, const std::string& text) {
    int slot = 0;
    const setting_fields::Field* f = setting_fields::Find(key, &slot);
    const setting_fields::Command* c = setting_fields::WriterOf(key);
    if (!f || !c || c->perSlot) {
        // The slots are written all together (JOB_WRITE_SLOTS).
        return setting_fields::Refusal{0, 0, "no write of its own: " + key};
    }
    if (setting_fields::Refusal r = f->assign(m_records.m_toWrite, slot, text)) {
        return r;
    }
    QueueJob(WriteJobOf(*c), false);
    return {};
}

void ManagerOps::OnWriteResult(int job, int status) {
    if (job == JOB_REBOOT) {
        Reidentify();
        return;
    }
    if (job == JOB_FACTORY_RESET) {
        RunPortSetup();
        return;
    }
    const setting_fields::Command* c = WriteCommandOf(job);
    if (!c) {
        return;
    }
    if (status == JOB_STATUS_UNSUPPORTED) {
        m_view.ShowMessage(IDS_UNSUPPORTED_DEVICE, MsgIcon::Information);
        RunPortSetup();
        return;
    }
    const bool ok = status == JOB_STATUS_OK;
    const MsgIcon icon = ok ? MsgIcon::Information : MsgIcon::Error;
    if (const int own = ok ? c->done : c->failed) {
        m_view.ShowMessage(own, icon);
    } else {
        m_view.ShowFieldMessage(ok ? IDS_FIELD_DONE : IDS_FIELD_FAILED, c->writes.front(), icon);
    }
    switch (job) {
    case JOB_WRITE_SLOTS:
        // The controls are still disabled from the Save button.
        QueueJob(JOB_IDENTIFY, false);
        break;
    case JOB_SET_BEACON:
        if (ok) {
            QueueJob(JOB_IDENTIFY, false);
        } else {
            Reidentify();
        }
        break;
    default:
        if (ok) {
            m_view.EnableControls(true);
        } else {
            Reidentify();
        }
        break;
    }
}
