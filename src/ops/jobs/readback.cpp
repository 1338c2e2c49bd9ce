// Reading the module's whole configuration back, and showing it.
#include "link/at_protocol.h"
#include "link/text_conv.h"
#include "ops/jobs/manager_ops.h"
#include "ops/session/device_model.h"
#include "ops/session/record_text.h"
#include "ops/rules/string_ids.h"

#include <algorithm>

// ---- Worker thread ----

int ManagerOps::JobReadSettings(bool withBeacon) {
    // The job, not the stored model, decides what is read.
    const int model = !withBeacon ? MODEL_LV230 : m_model.load() == MODEL_LV230 ? MODEL_LV200 : m_model.load();
    const ReadResult result = m_session.ReadAll(model);
    if (!result) {
        return JOB_STATUS_FAILED;
    }
    KeepReadBack(result.settings, withBeacon);
    return JOB_STATUS_OK;
}

void ManagerOps::KeepReadBack(const DeviceSettings& settings, bool withBeacon) {
    DeviceRecords& r = m_records;
    // Without a beacon the window's beacon choice stays as it was.
    const int beaconSource = r.m_settings.beaconSource;
    const std::string beaconHex = r.m_settings.beaconHex;
    r.m_settings = settings;
    if (!withBeacon) {
        r.m_settings.beaconSource = beaconSource;
        r.m_settings.beaconHex = beaconHex;
    }
    const DeviceSettings& s = r.m_settings;
    // A module still scanning is stopped after the reads, here on the worker,
    // so that no other job's transaction can come in between.
    if (s.state == "SCANNING") {
        m_session.StopScan();
        if (!withBeacon) {
            m_session.SetScanFilter("");
        }
    }
}

// ---- Window thread ----

void ManagerOps::OnReadBackResult(int job, int status) {
    if (status != JOB_STATUS_OK) {
        m_view.ShowMessage(IDS_NOT_LV200_SERIES, MsgIcon::Error);
        RunPortSetup();
        return;
    }
    const bool withBeacon = job == JOB_READ_SETTINGS_BEACON;
    // Every control the read-back fills, from the one settings record.
    const DeviceSettings& s = m_records.m_settings;

    m_view.SetFirmwareText(Utf8ToWide(s.firmware));
    m_view.SetAddressText(Utf8ToWide(AddressText(s.address)));
    m_view.SetDeviceNameText(Utf8ToWide(s.name));

    m_view.SetAdvIntervalText(Utf8ToWide(std::to_string(s.advInterval)));
    if (!withBeacon) {
        m_view.SetBeaconSourceRadios(s.beaconSource);
    }

    m_view.SelectComboByValue(ComboId::FlowControl, s.uart.flowControl ? 1 : 0);
    m_view.SelectComboByValue(ComboId::Parity, static_cast<unsigned char>(s.uart.parity));
    m_view.SelectComboByValue(ComboId::StopBits, static_cast<int>(s.uart.stopBits));

    // The worker has stopped a module that was still scanning.
    const bool scanning = s.state == "SCANNING";
    m_scanState.store(SCAN_IDLE);
    if (withBeacon || scanning) {
        m_view.SetScanButton(IDS_SCAN, true);
    }

    const int slots = device_model::SlotCount(withBeacon ? MODEL_LV200 : MODEL_LV230);
    for (int n = 1; n <= slots; ++n) {
        const std::size_t i = static_cast<std::size_t>(n - 1);
        const SlotEntry slot = i < s.slotEntries.size() ? s.slotEntries[i] : SlotEntry{};
        if (slot.Empty()) {
            m_view.SetSlotRow(n, u"", u"", false);
        } else {
            m_view.SetSlotRow(n, Utf8ToWide(AddressText(slot.address)), Utf8ToWide(slot.tag), true);
        }
    }

    if (withBeacon) {
        m_view.SetBeaconSourceRadios(s.beaconSource);
        m_view.SetBeaconHexText(Utf8ToWide(s.beaconHex));
        // The bytes are shown as text, which ends at a NUL byte.
        const std::string bytes = HexToBytes(s.beaconHex);
        m_view.SetBeaconStringText(Utf8ToWide(bytes.substr(0, bytes.find('\0'))));
    }
    // Every field by its key as well: a control named after it shows it.
    for (const setting_fields::Field& f : setting_fields::Fields()) {
        if (!f.perSlot && (withBeacon || !f.beaconOnly)) {
            m_view.SetFieldText(f.key, Utf8ToWide(f.text(s, 0)));
        }
    }
    m_view.EnableControls(true);
}
