// Beacon data (source, format, data) and the advertising interval.
#include "link/text_conv.h"
#include "ops/rules/input_rules.h"
#include "ops/rules/string_ids.h"
#include "ui/main/main_window.h"

#include <QLineEdit>
#include <QRadioButton>

#include <cstdio>
#include <cstring>

void CKESTOVLV2xxManagerDlg::OnFinalSerialDataRadio() {
    for (int id : {IDC_BEACON_HEX, IDC_BEACON_STRING, IDC_HEX_RADIO, IDC_STRING_RADIO}) SetEnabled(id, false);
}

void CKESTOVLV2xxManagerDlg::OnUserDataRadio() {
    SetEnabled(IDC_HEX_RADIO, true);
    SetEnabled(IDC_STRING_RADIO, true);
    if (m_hexRadio->isChecked()) OnDataFormatRadio(IDC_HEX_RADIO);
    if (m_stringRadio->isChecked()) OnDataFormatRadio(IDC_STRING_RADIO);
}

void CKESTOVLV2xxManagerDlg::OnDataFormatRadio(int id) {
    SetEnabled(IDC_BEACON_HEX, id == IDC_HEX_RADIO);
    SetEnabled(IDC_BEACON_STRING, id == IDC_STRING_RADIO);
}

int CKESTOVLV2xxManagerDlg::BeaconSourceFromRadios() const {
    if (m_finalSerialRadio->isChecked()) return BEACON_SOURCE_SERIAL;
    if (m_userDataRadio->isChecked()) return BEACON_SOURCE_USER;
    return BEACON_SOURCE_NONE;
}

std::string CKESTOVLV2xxManagerDlg::BeaconStringBytes() const {
    // Unchanged since the read-back: the bytes the module gave, also those
    // that are no UTF-8 (shown as U+FFFD) or come after a NUL (not shown).
    const QString text = m_beaconStringEdit->text();
    const std::string readHex = m_beaconReadHex.toStdString();
    if (text == m_beaconReadText && !readHex.empty() && readHex.size() % 2 == 0 && IsHexText(readHex)) {
        return HexToBytes(readHex);
    }
    return WideToUtf8(text.toStdU16String());
}

bool CKESTOVLV2xxManagerDlg::ValidateBeaconData() {
    int error = 0;
    if (m_hexRadio->isChecked())
        error = input_rules::CheckBeaconHex(m_beaconHexEdit->text().toStdU16String());
    else
        error = input_rules::CheckBeaconString(BeaconStringBytes());
    if (error == 0) return true;
    ShowMessage(error, MsgIcon::Error);
    return false;
}

void CKESTOVLV2xxManagerDlg::OnSaveBeaconData() {
    EnableControls(false);
    DeviceSettings& settings = m_ops.Records().m_toWrite;
    settings.beaconSource = BeaconSourceFromRadios();
    // The controls follow the chosen source until the module is read again.
    m_ops.Records().m_settings.beaconSource = settings.beaconSource;
    if (settings.beaconSource != BEACON_SOURCE_USER) {
        // Final serial data: the job only switches user data off.
        m_ops.QueueJob(JOB_SET_BEACON, false);
        return;
    }
    if (!ValidateBeaconData()) {
        EnableControls(true);
        return;
    }
    // Hex text goes out as typed; string data as upper-case hex.
    settings.beaconHex = m_stringRadio->isChecked() ? BytesToHex(BeaconStringBytes())
                                                    : WideToUtf8(m_beaconHexEdit->text().toStdU16String());
    m_ops.QueueJob(JOB_SET_BEACON, false);
}

void CKESTOVLV2xxManagerDlg::OnSaveAdvInterval() {
    EnableControls(false);
    const long value = input_rules::ParseAdvInterval(m_advIntervalEdit->text().toStdU16String());
    if (input_rules::IsValidAdvInterval(value)) {
        m_ops.Records().m_toWrite.advInterval = static_cast<unsigned>(value);
        m_ops.QueueJob(JOB_SET_ADV_INTERVAL, false);
        return;
    }
    ShowMessage(IDS_INVALID_ADV_INTERVAL, MsgIcon::Error);
    EnableControls(true);
}

// ---- IManagerView: beacon section ----

void CKESTOVLV2xxManagerDlg::SetBeaconSourceRadios(int source) {
    if (source == BEACON_SOURCE_USER)
        m_userDataRadio->setChecked(true);
    else if (source == BEACON_SOURCE_SERIAL)
        m_finalSerialRadio->setChecked(true);
}

void CKESTOVLV2xxManagerDlg::SetBeaconHexText(const std::u16string& text) {
    m_beaconReadHex = QString::fromStdU16String(text);
    m_beaconHexEdit->setText(m_beaconReadHex);
}

void CKESTOVLV2xxManagerDlg::SetBeaconStringText(const std::u16string& text) {
    m_beaconStringEdit->setText(QString::fromStdU16String(text));
    m_beaconReadText = m_beaconStringEdit->text();  // as the edit holds it
}
