// Registered device slots: copy from the scan list, clear, and save all rows.
#include "link/text_conv.h"
#include "ops/rules/input_rules.h"
#include "ops/rules/string_ids.h"
#include "ui/main/main_window.h"
#include "ui/main/window_text.h"
#include "ui/main/scan_list_model.h"
#include "ui/monitor/monitor_text.h"
#include "ui/shell/strings.h"

#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTableView>

#include <cstring>

bool CKESTOVLV2xxManagerDlg::IsAddressAssigned(const QString& address) const {
    const std::string wanted = WideToUtf8(address.toStdU16String());
    for (const QLineEdit* edit : m_slotAddressEdit) {
        const QString text = edit->text();
        if (!text.isEmpty() && input_rules::SameAddress(WideToUtf8(text.toStdU16String()), wanted)) return true;
    }
    return false;
}

void CKESTOVLV2xxManagerDlg::OnAssignSlot(int n) {
    // The first selected row in list order.
    int row = -1;
    for (const QModelIndex& index : m_scanList->selectionModel()->selectedRows())
        if (row < 0 || index.row() < row) row = index.row();
    if (row < 0) {
        ShowMessage(IDS_NO_DEVICE_SELECTED, MsgIcon::Error);
        return;
    }
    AssignDeviceToSlot(n, m_scanModel->Text(row, 0), m_scanModel->Text(row, 1));
}

void CKESTOVLV2xxManagerDlg::AssignDeviceToSlot(int n, const QString& address, const QString& name) {
    if (IsAddressAssigned(address)) {
        ShowMessage(IDS_ALREADY_ASSIGNED, MsgIcon::Error);
        return;
    }
    m_slotAddressEdit[n - 1]->setText(address);
    m_slotAddressEdit[n - 1]->setReadOnly(true);
    m_slotTagEdit[n - 1]->setText(name.left(8));
}

int CKESTOVLV2xxManagerDlg::FirstEmptySlotRow() const {
    for (int n = 1; n <= module_limits::kMaxSlots; ++n) {
        if (Control(IDC_SLOT_ASSIGN_1 + n - 1)->isEnabled() && m_slotAddressEdit[n - 1]->text().isEmpty()) return n;
    }
    return 0;
}

void CKESTOVLV2xxManagerDlg::AssignToFirstEmptySlot(const QString& address, const QString& name) {
    // The device's own check first, as "=>" makes it whatever row it is on.
    if (IsAddressAssigned(address)) {
        ShowMessage(IDS_ALREADY_ASSIGNED, MsgIcon::Error);
        return;
    }
    const int n = FirstEmptySlotRow();
    if (n == 0) {
        ShowMessageText(MonitorTr("Every slot row holds a device. Empty one with \"X\" first."), MsgIcon::Error);
        return;
    }
    AssignDeviceToSlot(n, address, name);
}

void CKESTOVLV2xxManagerDlg::OnClearSlot(int n) {
    m_slotAddressEdit[n - 1]->clear();
    m_slotAddressEdit[n - 1]->setReadOnly(false);
    m_slotTagEdit[n - 1]->clear();
}

void CKESTOVLV2xxManagerDlg::OnSaveSlots() {
    EnableControls(false);
    std::vector<std::string> addresses, tags;
    for (int n = 1; n <= module_limits::kMaxSlots; ++n) {
        addresses.push_back(WideToUtf8(m_slotAddressEdit[n - 1]->text().toStdU16String()));
        tags.push_back(WideToUtf8(m_slotTagEdit[n - 1]->text().toStdU16String()));
    }
    if (const input_rules::SlotRefusal refusal = input_rules::CheckSlotRows(addresses, tags); refusal.id != 0) {
        ShowMessageText(RuleMessage(refusal.id, refusal.slot), MsgIcon::Error);
        EnableControls(true);
        return;
    }
    std::vector<SlotEntry>& entries = m_ops.Records().m_toWrite.slotEntries;
    entries.assign(module_limits::kMaxSlots, SlotEntry{});
    for (int n = 1; n <= module_limits::kMaxSlots; ++n) {
        HexToAddress(addresses[n - 1], entries[n - 1].address.data());
        entries[n - 1].tag = tags[n - 1];
    }
    m_ops.QueueJob(JOB_WRITE_SLOTS, false);
    m_ops.StartBusy();
}

// ---- IManagerView: slot rows ----

void CKESTOVLV2xxManagerDlg::SetSlotRow(int n, const std::u16string& address, const std::u16string& tag,
                                        bool addressReadOnly) {
    if (n < 1 || n > 8) return;
    m_slotAddressEdit[n - 1]->setText(QString::fromStdU16String(address));
    m_slotAddressEdit[n - 1]->setReadOnly(addressReadOnly);
    m_slotTagEdit[n - 1]->setText(QString::fromStdU16String(tag));
}

void CKESTOVLV2xxManagerDlg::ClearSlotRowTexts(int n) {
    if (n < 1 || n > 8) return;
    m_slotAddressEdit[n - 1]->clear();
    m_slotTagEdit[n - 1]->clear();
}
