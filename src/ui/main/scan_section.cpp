// Scan section: the Scan/Stop button, the name and RSSI filters and the list
// of scanned devices.
#include "link/text_conv.h"
#include "ops/rules/input_rules.h"
#include "ops/rules/string_ids.h"
#include "ui/main/main_window.h"
#include "ui/main/scan_list_model.h"
#include "ui/shell/settings_store.h"
#include "ui/shell/strings.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cstring>

void CKESTOVLV2xxManagerDlg::OnScanButton() {
    EnableControls(false);
    m_scanButton->setEnabled(false);
    // The work starts once the click has returned.
    PostWindowMessage(WM_START_SCAN, 0, 0);
}

void CKESTOVLV2xxManagerDlg::OnStartScan() {
    if (!m_ops.IsLinkOpen()) return;
    if (m_ops.ScanState() == SCAN_RUNNING) {
        m_ops.RequestScanStop();
        m_ops.StartBusy();
        return;
    }
    // RSSI first, then the name; only the first failure is reported.
    if (m_rssiFilterCheck->isChecked() && !input_rules::IsValidRssiText(m_rssiFilterEdit->text().toStdU16String())) {
        ShowMessage(IDS_INVALID_RSSI, MsgIcon::Error);
        EnableControls(true);
        return;
    }
    lv2xx_scan_filter& filter = m_ops.Records().m_scanFilter;
    std::memset(filter.name, 0, sizeof filter.name);
    if (m_nameFilterCheck->isChecked()) {
        const std::string name = WideToUtf8(m_nameFilterEdit->text().toStdU16String());
        if (const int error = input_rules::CheckScanFilterName(name)) {
            ShowMessage(error, MsgIcon::Error);
            EnableControls(true);
            return;
        }
        filter.enabled = 1;
        std::memcpy(filter.name, name.data(), std::min(name.size(), sizeof filter.name - 1));
    } else {
        filter.enabled = 0;
    }
    m_ops.QueueJob(JOB_START_SCAN, false);
    m_ops.StartBusy();
}

void CKESTOVLV2xxManagerDlg::OnNameFilterCheck() {
    SettingsStore::WriteProfileInt(SettingsStore::kNameFilterCheck, m_nameFilterCheck->isChecked() ? 1 : 0);
}

void CKESTOVLV2xxManagerDlg::OnRssiFilterCheck() {
    SettingsStore::WriteProfileInt(SettingsStore::kRssiFilterCheck, m_rssiFilterCheck->isChecked() ? 1 : 0);
}

void CKESTOVLV2xxManagerDlg::OnNameFilterKillFocus() {
    SettingsStore::WriteProfileString(SettingsStore::kNameFilterValue, m_nameFilterEdit->text());
}

void CKESTOVLV2xxManagerDlg::OnRssiFilterKillFocus() {
    int value = 0;
    if (input_rules::IsValidRssiText(m_rssiFilterEdit->text().toStdU16String(), &value))
        SettingsStore::WriteProfileInt(SettingsStore::kRssiFilterValue, value);
}

// ---- IManagerView: scan list and filters ----

void CKESTOVLV2xxManagerDlg::SetScanButton(int stringId, bool enabled) {
    m_scanButton->setText(LoadStringRes(stringId));
    m_scanButton->setEnabled(enabled);
}

void CKESTOVLV2xxManagerDlg::ClearScanList() { m_scanModel->Clear(); }

int CKESTOVLV2xxManagerDlg::ScanListCount() const { return m_scanModel->rowCount(); }

void CKESTOVLV2xxManagerDlg::InsertScanRow(int index, const std::u16string& address, const std::u16string& name,
                                           const std::u16string& rssi) {
    m_scanModel->InsertRow(index, QString::fromStdU16String(address), QString::fromStdU16String(name),
                           QString::fromStdU16String(rssi));
}

bool CKESTOVLV2xxManagerDlg::RssiFilterChecked() const { return m_rssiFilterCheck->isChecked(); }

std::u16string CKESTOVLV2xxManagerDlg::RssiFilterText() const { return m_rssiFilterEdit->text().toStdU16String(); }
