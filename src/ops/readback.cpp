// Reading the module's whole configuration back, and showing it.
#include "link/at_protocol.h"
#include "link/text_conv.h"
#include "manager_ops.h"
#include "record_text.h"
#include "string_ids.h"

#include <algorithm>
#include <cstring>

namespace {

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
    // The job, not the stored model, decides what is read.
    const int model = !withBeacon ? MODEL_LV230 : m_model.load() == MODEL_LV230 ? MODEL_LV200 : m_model.load();
    const ReadResult result = m_session.ReadAll(model);
    if (!result) {
        return JOB_STATUS_FAILED;
    }
    const DeviceSettings& s = result.settings;
    r.m_advIntervalRead = static_cast<uint16_t>(s.advInterval);
    r.m_uartRead = ToRecord(s.uart);
    for (std::size_t i = 0; i < s.slotEntries.size() && i < std::size(r.m_slotsRead); ++i) {
        r.m_slotsRead[i] = ToRecord(s.slotEntries[i], static_cast<int>(i) + 1);
    }
    if (withBeacon) {
        std::memset(r.m_beaconHexRead, 0, sizeof r.m_beaconHexRead);
        std::strncpy(r.m_beaconHexRead, s.beaconHex.c_str(), sizeof r.m_beaconHexRead - 1);
        r.m_userBeaconRead = s.beaconSource == BEACON_SOURCE_USER ? 1 : 0;
    }
    std::memset(r.m_fwVersion, 0, sizeof r.m_fwVersion);
    std::strncpy(r.m_fwVersion, s.firmware.c_str(), sizeof r.m_fwVersion - 1);
    lv2xx_device_info& info = r.m_devInfo;
    info = lv2xx_device_info{};
    std::copy(s.address.begin(), s.address.end(), info.address);
    std::strncpy(info.name, s.name.c_str(), sizeof info.name - 1);
    std::strncpy(info.extra, s.extra.c_str(), sizeof info.extra - 1);
    std::strncpy(info.state, s.state.c_str(), sizeof info.state - 1);
    // A module still scanning is stopped after the reads, here on the worker,
    // so that no other job's transaction can come in between.
    if (s.state == "SCANNING") {
        m_session.StopScan();
        if (!withBeacon) {
            m_session.SetScanFilter("");
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
    m_scanState.store(SCAN_IDLE);
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
        r.m_beaconSource = r.m_userBeaconRead == 1 ? BEACON_SOURCE_USER : BEACON_SOURCE_SERIAL;
        m_view.SetBeaconSourceRadios(r.m_beaconSource);
        const std::string hex = FieldText(r.m_beaconHexRead, sizeof r.m_beaconHexRead);
        m_view.SetBeaconHexText(Utf8ToWide(hex));
        m_view.SetBeaconStringText(Utf8ToWide(DecodeBeaconHex(hex)));
    }
    m_view.EnableControls(true);
}
