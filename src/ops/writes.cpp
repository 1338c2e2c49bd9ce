// Jobs that change the module, and what their results do to the window.
#include "link/at_protocol.h"
#include "link/text_conv.h"
#include "manager_ops.h"
#include "string_ids.h"

#include <cstring>

namespace {

constexpr unsigned kWriteTimeoutMs = 1200;
constexpr unsigned kRestartTimeoutMs = 2000;
constexpr unsigned kSlotPauseMs = 100;
constexpr unsigned kBeaconPauseMs = 200;

std::string FieldText(const char* field, std::size_t size) {
    return std::string(field, strnlen(field, size));
}

bool IsZeroAddress(const uint8_t (&address)[6]) {
    for (uint8_t b : address) {
        if (b != 0) {
            return false;
        }
    }
    return true;
}

}  // namespace

// ---- Worker thread ----

int ManagerOps::JobReboot(bool factoryReset) {
    const lv2xx_atres code =
        factoryReset ? Send(atcmd::kFactoryReset, sizeof atcmd::kFactoryReset - 1, ATCMD_AT_F, kRestartTimeoutMs)
                     : Send(atcmd::kReboot, sizeof atcmd::kReboot - 1, ATCMD_ATZ, kRestartTimeoutMs);
    return code == ATRES_READY ? JOB_STATUS_OK : JOB_STATUS_FAILED;
}

int ManagerOps::JobWriteSlots() {
    const lv2xx_slot_info* slots = m_records.m_slotsToWrite;
    // Every tag is checked before anything is sent.
    for (int i = 0; i < 8; ++i) {
        if (!IsSafeCommandText(FieldText(slots[i].tag, sizeof slots[i].tag))) {
            return JOB_STATUS_FAILED;
        }
    }
    if (const int status = ModelGate(); status >= 0) {
        return status;
    }
    for (int i = 0; i < 8; ++i) {
        const lv2xx_slot_info& slot = slots[i];
        char cmd[kCommandBufferSize];
        unsigned len = 0;
        lv2xx_atcmd kind = ATCMD_SETSLOT;
        if (IsZeroAddress(slot.address)) {
            len = FormatCommand(cmd, atcmd::kDelSlot, static_cast<unsigned>(i + 1));
            kind = ATCMD_DELSLOT;
        } else {
            const std::string address = AddressToHex(slot.address);
            const std::string tag = FieldText(slot.tag, sizeof slot.tag);
            len = tag.empty() ? FormatCommand(cmd, atcmd::kSetSlot, unsigned{slot.slot}, address.c_str())
                              : FormatCommand(cmd, atcmd::kSetSlotTag, unsigned{slot.slot}, address.c_str(),
                                              tag.c_str());
        }
        if (Send(cmd, len, kind, kWriteTimeoutMs) != ATRES_OK || !Pause(kSlotPauseMs)) {
            return JOB_STATUS_FAILED;
        }
    }
    return JOB_STATUS_OK;
}

int ManagerOps::JobSetDeviceName() {
    char name[64]{};
    std::strncpy(name, m_records.m_newDeviceName.c_str(), sizeof name - 1);
    if (!IsSafeCommandText(name)) {
        return JOB_STATUS_FAILED;
    }
    if (const int status = ModelGate(); status >= 0) {
        return status;
    }
    char cmd[kCommandBufferSize];
    const unsigned len = FormatCommand(cmd, atcmd::kManufSet, name);
    return Send(cmd, len, ATCMD_MANUF_SET, kWriteTimeoutMs) == ATRES_OK ? JOB_STATUS_OK : JOB_STATUS_FAILED;
}

int ManagerOps::JobSetBeacon() {
    const bool user = m_records.m_beaconSource == 1;
    const std::string hex = FieldText(m_records.m_beaconHexToWrite, sizeof m_records.m_beaconHexToWrite);
    if (user && !IsSafeCommandText(hex)) {
        return JOB_STATUS_FAILED;
    }
    if (const int status = ModelGate(); status >= 0) {
        return status;
    }
    char cmd[kCommandBufferSize];
    if (user) {
        if (!Pause(kBeaconPauseMs)) {
            return JOB_STATUS_FAILED;
        }
        const unsigned len = FormatCommand(cmd, atcmd::kBeaconSet, hex.c_str());
        if (Send(cmd, len, ATCMD_BEACON_SET, kWriteTimeoutMs) != ATRES_OK) {
            return JOB_STATUS_FAILED;
        }
    }
    if (!Pause(kBeaconPauseMs)) {
        return JOB_STATUS_FAILED;
    }
    const unsigned len = FormatCommand(cmd, atcmd::kUcBeaconSet, user ? "ON" : "OFF");
    return Send(cmd, len, ATCMD_UCBEACON_SET, kWriteTimeoutMs) == ATRES_OK ? JOB_STATUS_OK : JOB_STATUS_FAILED;
}

int ManagerOps::JobSetAdvInterval() {
    if (const int status = ModelGate(); status >= 0) {
        return status;
    }
    char cmd[kCommandBufferSize];
    const unsigned len = FormatCommand(cmd, atcmd::kAdvIntervalSet, m_records.m_advInterval & 0xFFFFu);
    return Send(cmd, len, ATCMD_ADVINTERVAL_SET, kWriteTimeoutMs) == ATRES_OK ? JOB_STATUS_OK
                                                                               : JOB_STATUS_FAILED;
}

int ManagerOps::JobSetUartOptions() {
    if (const int status = ModelGate(); status >= 0) {
        return status;
    }
    const lv2xx_uart_options& o = m_records.m_uartToWrite;
    char cmd[kCommandBufferSize];
    const unsigned len = FormatCommand(cmd, atcmd::kUartOptSet, unsigned{o.flow_control}, o.parity,
                                       unsigned{o.stop_bits});
    return Send(cmd, len, ATCMD_UARTOPT_SET, kWriteTimeoutMs) == ATRES_OK ? JOB_STATUS_OK
                                                                           : JOB_STATUS_FAILED;
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
