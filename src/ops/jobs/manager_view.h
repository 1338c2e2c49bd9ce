// The narrow interface through which the device operations reach the main
// window. The real window implements it; tests use a recording fake.
#pragma once

#include "ops/jobs/device_records.h"

#include <cstdint>
#include <optional>
#include <string>

enum class MsgIcon { Information, Error, Warning, Question };
enum class MsgResult { Ok, Cancel };

// Drop-down lists filled from the read-back, by control id.
enum class ComboId : int { FlowControl = 1075, Parity = 1076, StopBits = 1077 };

class IManagerView {
public:
    virtual ~IManagerView() = default;

    // ---- Any thread ----
    // Posts a window message to the window thread, which hands it to
    // ManagerOps::HandleMessage. Returns false when the window is gone.
    virtual bool PostWindowMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) = 0;
    // Shows or ends the wait cursor; may be called from the worker, so the
    // window applies it on its own thread in posting order.
    virtual void SetWaitCursor(bool on) = 0;

    // ---- Window thread only ----
    virtual bool WindowExists() const = 0;
    // Message box by string id; Question shows OK and Cancel.
    virtual MsgResult ShowMessage(int stringId, MsgIcon icon) = 0;
    // A message whose %1 is the translated label of a settings field.
    virtual void ShowFieldMessage(int stringId, const std::string& /*fieldKey*/, MsgIcon icon) {
        ShowMessage(stringId, icon);
    }
    // Message 104 shown as "%s: %s" with the error text; when a group could
    // grant access to the device, one more line says how to join it.
    virtual void ShowOpenPortError(const std::string& errorText, const std::string& accessGroup) = 0;
    virtual void EnableControls(bool enable) = 0;
    // Runs the COM port dialog modally; the chosen port on OK, nothing on Cancel.
    virtual std::optional<PortSettings> RunPortDialog() = 0;
    // Status bar pane 0: the open port and its line setting.
    virtual void SetLinkStatus(const PortSettings& port) = 0;
    virtual void SetLinkStatusString(int stringId) = 0;
    virtual void ShowPicture(int pngId) = 0;

    // Device information section.
    virtual void SetFirmwareText(const std::u16string& text) = 0;
    virtual void SetAddressText(const std::u16string& text) = 0;
    virtual void SetDeviceNameText(const std::u16string& text) = 0;
    virtual void SetAdvIntervalText(const std::u16string& text) = 0;
    // Selects the first item whose value equals value; -1 and no change when none does.
    virtual int SelectComboByValue(ComboId combo, int value) = 0;

    // A settings field's value as text (setting_fields::Field::text), for the
    // control named after the field's key; fields without one are passed by.
    virtual void SetFieldText(const std::string& /*key*/, const std::u16string& /*text*/) {}

    // Slot rows, n = 1..8.
    virtual void SetSlotRow(int n, const std::u16string& address, const std::u16string& tag, bool addressReadOnly) = 0;
    // Empties both edits of a row; the read-only mode stays as it is.
    virtual void ClearSlotRowTexts(int n) = 0;

    // Beacon section: radios follow the source (data exchange to the controls).
    virtual void SetBeaconSourceRadios(int source) = 0;
    virtual void SetBeaconHexText(const std::u16string& text) = 0;
    virtual void SetBeaconStringText(const std::u16string& text) = 0;

    // Scan section.
    virtual void SetScanButton(int stringId, bool enabled) = 0;
    virtual void ClearScanList() = 0;
    virtual int ScanListCount() const = 0;
    virtual void InsertScanRow(int index, const std::u16string& address, const std::u16string& name,
                               const std::u16string& rssi) = 0;
    virtual bool RssiFilterChecked() const = 0;
    virtual std::u16string RssiFilterText() const = 0;

    // JOB_APPLY_PROFILE ended; Records().m_applyOutcome says how. An import's
    // read-back has filled the window already; otherwise the controls are
    // still disabled and the window decides what follows.
    virtual void ShowProfileResult(bool /*ok*/) {}
};
