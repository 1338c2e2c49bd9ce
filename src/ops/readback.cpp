// Reading the module's whole configuration back, and showing it.
#include "link/at_protocol.h"
#include "link/text_conv.h"
#include "manager_ops.h"
#include "string_ids.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr unsigned kReadTimeoutMs = 1200;
constexpr unsigned kStopScanTimeoutMs = 2000;

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

// Beacon hex text to the bytes it encodes, pair by pair; an odd last digit is
// ignored. The bytes are shown as text, which ends at a NUL byte.
std::string DecodeBeaconHex(const std::string& hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        uint8_t b = 0;
        if (!HexPairToByte(hex.c_str() + i, b) || b == 0) {
            break;
        }
        bytes.push_back(static_cast<char>(b));
    }
    return bytes;
}

}  // namespace

// ---- Worker thread ----

int ManagerOps::JobReadSettings(bool withBeacon) {
    DeviceRecords& r = m_records;

    const lv2xx_reply version =
        Transact(atcmd::kVersionQuery, sizeof atcmd::kVersionQuery - 1, ATCMD_VER_Q, kReadTimeoutMs);
    if (!version || ReplyCode(version.get()) != ATRES_VERSION) {
        return JOB_STATUS_FAILED;
    }
    const lv2xx_reply info =
        Transact(atcmd::kInfoQuery, sizeof atcmd::kInfoQuery - 1, ATCMD_INFO_Q, kReadTimeoutMs);
    if (!info || ReplyCode(info.get()) != ATRES_INFO) {
        return JOB_STATUS_FAILED;
    }
    {
        const lv2xx_reply interval = Transact(atcmd::kAdvIntervalQuery, sizeof atcmd::kAdvIntervalQuery - 1,
                                              ATCMD_ADVINTERVAL_Q, kReadTimeoutMs);
        if (!interval || ReplyCode(interval.get()) != ATRES_ADV_INTERVAL) {
            return JOB_STATUS_FAILED;
        }
        std::memcpy(&r.m_advIntervalRead, ReplyPayload(interval.get()), sizeof r.m_advIntervalRead);
    }
    if (m_linkClosing.load() || m_comm.GetUartOptions(r.m_uartRead) != ATRES_UART_OPTIONS) {
        return JOB_STATUS_FAILED;
    }
    const int slots = withBeacon ? 8 : 7;
    for (int n = 1; n <= slots; ++n) {
        if (m_linkClosing.load()) {
            return JOB_STATUS_FAILED;
        }
        lv2xx_slot_info& slot = r.m_slotsRead[n - 1];
        const lv2xx_atres code = m_comm.GetSlot(static_cast<uint8_t>(n), slot);
        if (code == ATRES_ERROR) {
            // The module answers an empty slot with an error.
            std::memset(&slot, 0, sizeof slot);
            slot.slot = static_cast<uint8_t>(n);
        } else if (code != ATRES_SLOT) {
            return JOB_STATUS_FAILED;
        }
    }
    if (withBeacon) {
        const lv2xx_reply beacon =
            Transact(atcmd::kBeaconQuery, sizeof atcmd::kBeaconQuery - 1, ATCMD_BEACON_Q, kReadTimeoutMs);
        if (!beacon || ReplyCode(beacon.get()) != ATRES_BEACON_DATA) {
            return JOB_STATUS_FAILED;
        }
        std::memcpy(r.m_beaconHexRead, ReplyPayload(beacon.get()), sizeof r.m_beaconHexRead);
        r.m_beaconHexRead[sizeof r.m_beaconHexRead - 1] = '\0';

        const lv2xx_reply source = Transact(atcmd::kUcBeaconQuery, sizeof atcmd::kUcBeaconQuery - 1,
                                            ATCMD_UCBEACON_Q, kReadTimeoutMs);
        if (!source || ReplyCode(source.get()) != ATRES_ON_OFF) {
            return JOB_STATUS_FAILED;
        }
        r.m_userBeaconRead = ReplyPayload(source.get())[0];
    }
    std::memcpy(r.m_fwVersion, ReplyPayload(version.get()), sizeof r.m_fwVersion);
    r.m_fwVersion[sizeof r.m_fwVersion - 1] = '\0';
    std::memcpy(&r.m_devInfo, ReplyPayload(info.get()), sizeof r.m_devInfo);
    // A module still scanning is stopped after the reads, here on the worker,
    // so that no other job's transaction can come in between.
    if (FieldText(r.m_devInfo.state, sizeof r.m_devInfo.state) == "SCANNING") {
        Send(atcmd::kStopScan, sizeof atcmd::kStopScan - 1, ATCMD_STOPSCAN, kStopScanTimeoutMs);
        if (!withBeacon && !m_linkClosing.load()) {
            lv2xx_scan_filter off{};
            m_comm.SetScanFilter(off);
        }
    }
    return JOB_STATUS_OK;
}

// ---- Window thread ----

void ManagerOps::OnReadBackResult(int job, int status) {
    if (status != JOB_STATUS_OK) {
        m_view.ShowMessage(IDS_NOT_LV200_SERIES, MsgIcon::Error);
        RunPortSetup();
        return;
    }
    const bool withBeacon = job == JOB_READ_SETTINGS_BEACON;
    DeviceRecords& r = m_records;
    const lv2xx_device_info& info = r.m_devInfo;

    m_view.SetFirmwareText(Utf8ToWide(FieldText(r.m_fwVersion, sizeof r.m_fwVersion)));
    m_view.SetAddressText(Utf8ToWide(AddressToHex(info.address)));
    m_view.SetDeviceNameText(Utf8ToWide(FieldText(info.name, sizeof info.name)));

    r.m_advInterval = r.m_advIntervalRead;
    m_view.SetAdvIntervalText(Utf8ToWide(std::to_string(r.m_advInterval)));
    if (!withBeacon) {
        m_view.SetBeaconSourceRadios(r.m_beaconSource);
    }

    m_view.SelectComboByValue(ComboId::FlowControl, r.m_uartRead.flow_control);
    m_view.SelectComboByValue(ComboId::Parity, static_cast<unsigned char>(r.m_uartRead.parity));
    m_view.SelectComboByValue(ComboId::StopBits, r.m_uartRead.stop_bits);

    // The worker has stopped a module that was still scanning.
    const bool scanning = FieldText(info.state, sizeof info.state) == "SCANNING";
    m_scanState.store(0);
    if (withBeacon || scanning) {
        m_view.SetScanButton(IDS_SCAN, true);
    }

    const int slots = withBeacon ? 8 : 7;
    for (int n = 1; n <= slots; ++n) {
        const lv2xx_slot_info& slot = r.m_slotsRead[n - 1];
        if (IsZeroAddress(slot.address)) {
            m_view.SetSlotRow(n, u"", u"", false);
        } else {
            m_view.SetSlotRow(n, Utf8ToWide(AddressToHex(slot.address)),
                              Utf8ToWide(FieldText(slot.tag, sizeof slot.tag)), true);
        }
    }

    if (withBeacon) {
        r.m_beaconSource = r.m_userBeaconRead == 1 ? 1 : 0;
        m_view.SetBeaconSourceRadios(r.m_beaconSource);
        const std::string hex = FieldText(r.m_beaconHexRead, sizeof r.m_beaconHexRead);
        m_view.SetBeaconHexText(Utf8ToWide(hex));
        m_view.SetBeaconStringText(Utf8ToWide(DecodeBeaconHex(hex)));
    }
    m_view.EnableControls(true);
}
