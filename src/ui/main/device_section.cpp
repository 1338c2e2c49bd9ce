// Device information (name, refresh, reboot, factory reset) and UART options.
#include "link/text_conv.h"
#include "ops/rules/input_rules.h"
#include "ops/rules/string_ids.h"
#include "ui/main/main_window.h"
#include "ui/main/window_text.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

void CKESTOVLV2xxManagerDlg::OnRefreshInfo() {
    if (!m_ops.IsLinkOpen() || m_ops.IsBusy()) return;
    SetFirmwareText(u"");
    SetAddressText(u"");
    m_deviceNameEdit->clear();
    ClearScanList();
    for (int n = 1; n <= module_limits::kMaxSlots; ++n) ClearSlotRowTexts(n);
    m_ops.QueueJob(JOB_IDENTIFY, false);
    m_ops.StartBusy();
    EnableControls(false);
}

void CKESTOVLV2xxManagerDlg::OnReboot() {
    EnableControls(false);
    m_ops.QueueJob(JOB_REBOOT, false);
}

void CKESTOVLV2xxManagerDlg::OnFactoryReset() {
    EnableControls(false);
    if (ShowMessage(IDS_FACTORY_RESET_CONFIRM, MsgIcon::Question) == MsgResult::Ok)
        m_ops.QueueJob(JOB_FACTORY_RESET, false);
    else
        EnableControls(true);
}

void CKESTOVLV2xxManagerDlg::OnChangeDeviceName() {
    EnableControls(false);
    const std::string name = WideToUtf8(m_deviceNameEdit->text().toStdU16String());
    if (const int error = input_rules::CheckDeviceName(name)) {
        ShowMessage(error, MsgIcon::Warning);
        EnableControls(true);
        return;
    }
    m_ops.Records().m_toWrite.name = name;
    m_ops.QueueJob(JOB_SET_DEVICE_NAME, false);
}

void CKESTOVLV2xxManagerDlg::OnApplyUartOptions() {
    // The window stays enabled while this job runs.
    UartOptions& uart = m_ops.Records().m_toWrite.uart;
    if (m_flowControlCombo->currentIndex() < 0) {
        ShowMessage(IDS_FLOW_NOT_SELECTED, MsgIcon::Error);
        return;
    }
    uart.flowControl = m_flowControlCombo->currentData().toInt() != 0;
    if (m_parityCombo->currentIndex() < 0) {
        ShowMessage(IDS_PARITY_NOT_SELECTED, MsgIcon::Error);
        return;
    }
    uart.parity = static_cast<char>(m_parityCombo->currentData().toInt());
    if (m_stopBitsCombo->currentIndex() < 0) {
        ShowMessage(IDS_STOPBIT_NOT_SELECTED, MsgIcon::Error);
        return;
    }
    uart.stopBits = static_cast<unsigned>(m_stopBitsCombo->currentData().toInt());
    m_ops.QueueJob(JOB_SET_UART_OPTIONS, false);
}

void CKESTOVLV2xxManagerDlg::WriteField(const std::string& key) {
    QWidget* control = findChild<QWidget*>(QString::fromStdString(key));
    QString text;
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        text = combo->currentData().isValid() ? combo->currentData().toString() : combo->currentText();
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        text = edit->text();
    }
    EnableControls(false);
    if (const setting_fields::Refusal refusal = m_ops.QueueFieldWrite(key, text.toStdString())) {
        ShowMessageText(RuleMessage(refusal), MsgIcon::Warning);
        EnableControls(true);
    }
}

// ---- IManagerView: device information ----

namespace {

// A screen reader says what the value is and the value itself.
void ShowValue(QLabel* label, const QString& caption, const QString& value) {
    label->setText(value);
    label->setAccessibleName(value.isEmpty() ? caption : caption + QStringLiteral(": ") + value);
}

}  // namespace

void CKESTOVLV2xxManagerDlg::SetFirmwareText(const std::u16string& text) {
    ShowValue(m_firmwareText, Tr("Firmware Version").trimmed(), QString::fromStdU16String(text));
}

void CKESTOVLV2xxManagerDlg::SetAddressText(const std::u16string& text) {
    ShowValue(m_addressText, Tr("Bluetooth Address").trimmed(), QString::fromStdU16String(text));
}

void CKESTOVLV2xxManagerDlg::SetDeviceNameText(const std::u16string& text) {
    m_deviceNameEdit->setText(QString::fromStdU16String(text));
}

void CKESTOVLV2xxManagerDlg::SetFieldText(const std::string& key, const std::u16string& text) {
    QWidget* control = findChild<QWidget*>(QString::fromStdString(key));
    const QString value = QString::fromStdU16String(text);
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        const int data = combo->findData(value);
        const int index = data >= 0 ? data : combo->findText(value);
        if (index >= 0) combo->setCurrentIndex(index);
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(value);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(value);
    }
}

void CKESTOVLV2xxManagerDlg::ShowFieldMessage(int stringId, const std::string& fieldKey, MsgIcon icon) {
    ShowMessageText(LoadStringRes(stringId).arg(FieldLabel(fieldKey)), icon);
}

void CKESTOVLV2xxManagerDlg::SetAdvIntervalText(const std::u16string& text) {
    m_advIntervalEdit->setText(QString::fromStdU16String(text));
}
