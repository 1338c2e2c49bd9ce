// Jobs that change the module, and what their results do to the window.
#include "ops/rules/input_rules.h"
#include "link/at_protocol.h"
#include "link/text_conv.h"
#include "ops/jobs/manager_ops.h"
#include "ops/session/record_text.h"
#include "ops/rules/string_ids.h"

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

int ManagerOps::JobSetDeviceName() {
    const std::string name = m_records.m_toWrite.name.substr(0, 63);
    if (!IsSafeCommandText(name)) {
        return JOB_STATUS_FAILED;
    }
    if (const int status = ModelGate(); status >= 0) {
        return status;
    }
    return StatusOf(m_session.SetName(name));
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

int ManagerOps::JobSetAdvInterval() {
    if (const int status = ModelGate(); status >= 0) {
        return status;
    }
    return StatusOf(m_session.SetAdvInterval(m_records.m_toWrite.advInterval & 0xFFFFu));
}

int ManagerOps::JobSetUartOptions() {
    if (const int status = ModelGate(); status >= 0) {
        return status;
    }
    return StatusOf(m_session.SetUartOptions(m_records.m_toWrite.uart));
}

// ---- Window thread ----

namespace {

struct WriteMessages {
    int job;
    int done;    // information icon
    int failed;  // error icon
};

constexpr WriteMessages kWriteMessages[] = {
    {JOB_WRITE_SLOTS, IDS_REGISTRATION_DONE, IDS_REGISTRATION_FAILED},
    {JOB_SET_DEVICE_NAME, IDS_DEVICE_NAME_DONE, IDS_DEVICE_NAME_FAILED},
    {JOB_SET_BEACON, IDS_BEACON_DONE, IDS_BEACON_FAILED},
    {JOB_SET_ADV_INTERVAL, IDS_ADV_INTERVAL_DONE, IDS_ADV_INTERVAL_FAILED},
    {JOB_SET_UART_OPTIONS, IDS_UART_DONE, IDS_UART_FAILED},
};

}  // namespace

void ManagerOps::OnWriteResult(int job, int status) {
    if (job == JOB_REBOOT) {
        Reidentify();
        return;
    }
    if (job == JOB_FACTORY_RESET) {
        RunPortSetup();
        return;
    }
    const WriteMessages* messages = nullptr;
    for (const WriteMessages& m : kWriteMessages) {
        if (m.job == job) {
            messages = &m;
        }
    }
    if (!messages) {
        return;
    }
    if (status == JOB_STATUS_UNSUPPORTED) {
        m_view.ShowMessage(IDS_UNSUPPORTED_DEVICE, MsgIcon::Information);
        RunPortSetup();
        return;
    }
    const bool ok = status == JOB_STATUS_OK;
    m_view.ShowMessage(ok ? messages->done : messages->failed, ok ? MsgIcon::Information : MsgIcon::Error);
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
