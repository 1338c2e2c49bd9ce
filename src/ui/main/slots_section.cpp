// Registered device slots: copy from the scan list, clear, and save all rows.
#include "link/text_conv.h"
#include "ops/input_rules.h"
#include "ops/string_ids.h"
#include "ui/main/main_window.h"
#include "ui/main/scan_list_model.h"
#include "ui/monitor/monitor_text.h"
#include "ui/shell/strings.h"

#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTableView>

#include <cstring>

namespace {

// Equal as a whole, ignoring the case of A-Z only.
bool EqualsIgnoringAsciiCase(const QString& a, const QString& b) {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a[i].unicode(), y = b[i].unicode();
        if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - 32);
        if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - 32);
        if (x != y) return false;
    }
    return true;
}

QString SlotMessage(int stringId, int slot) {
    return LoadStringRes(stringId).replace(QStringLiteral("%d"), QString::number(slot));
}

}  // namespace

bool CKESTOVLV2xxManagerDlg::IsAddressAssigned(const QString& address) const {
    for (const QLineEdit* edit : m_slotAddressEdit) {
        const QString text = edit->text();
        if (!text.isEmpty() && EqualsIgnoringAsciiCase(text, address)) return true;
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
    for (int n = 1; n <= 8; ++n) {
        if (Control(IDC_SLOT_ASSIGN_1 + n - 1)->isEnabled() && m_slotAddressEdit[n - 1]->text().isEmpty())
            return n;
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
    auto fail = [this](const QString& text) {
        ShowMessageText(text, MsgIcon::Error);
        EnableControls(true);
    };
    for (int i = 1; i <= 8; ++i) {
        const QString a = m_slotAddressEdit[i - 1]->text();
        const QString t = m_slotTagEdit[i - 1]->text();
        if (!a.isEmpty()) {
            for (int j = i + 1; j <= 8; ++j) {
                const QString other = m_slotAddressEdit[j - 1]->text();
                if (!other.isEmpty() && EqualsIgnoringAsciiCase(a, other)) {
                    fail(LoadStringRes(IDS_DUPLICATED_ADDRESS));
                    return;
                }
            }
        }
        lv2xx_slot_info& record = m_ops.Records().m_slotsToWrite[i - 1];
        record.slot = static_cast<uint8_t>(i);
        if (!a.isEmpty()) {
            if (!HexToAddress(WideToUtf8(a.toStdU16String()), record.address)) {
                fail(SlotMessage(IDS_SLOT_INVALID_ADDRESS, i));
                return;
            }
        } else {
            std::memset(record.address, 0, sizeof record.address);
        }
        std::memset(record.tag, 0, sizeof record.tag);
        if (!t.isEmpty()) {
            const std::string tag = WideToUtf8(t.toStdU16String());
            if (const int error = input_rules::CheckSlotTag(tag)) {
                fail(SlotMessage(error, i));
                return;
            }
            std::memcpy(record.tag, tag.data(), tag.size());
        }
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
