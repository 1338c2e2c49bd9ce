// A recording stand-in for the main window. The thread that constructs it
// plays the window thread: it pumps the posted messages into ManagerOps, and
// every window-only call made from another thread is flagged.
#pragma once

#include "ops/jobs/manager_ops.h"
#include "ops/jobs/manager_view.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

struct PostedMessage {
    unsigned msg;
    uintptr_t wParam;
    intptr_t lParam;
};

class FakeView : public IManagerView {
public:
    using Clock = std::chrono::steady_clock;

    FakeView();
    void Attach(ManagerOps* ops) { m_ops = ops; }

    // ---- Scripts ----
    std::deque<MsgResult> messageAnswers;                 // default Ok
    std::deque<std::optional<PortSettings>> portAnswers;  // default: cancelled
    std::atomic<bool> exists{true};
    bool rssiChecked = false;
    std::u16string rssiText = u"-45";

    // ---- Window thread: pumping ----
    // Hands posted messages to ManagerOps until pred holds or the time is up.
    bool PumpUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout = std::chrono::seconds(15));
    // Hands over what is queued right now.
    void PumpPending();
    std::size_t QueuedMessages() const;

    // ---- Records ----
    std::vector<std::string> Calls() const;
    void ClearCalls();
    bool Has(const std::string& call) const;
    int Count(const std::string& call) const;
    // Index of the first call equal to `call` at or after `from`, or -1.
    int IndexOf(const std::string& call, std::size_t from = 0) const;
    bool OffThreadCall() const { return m_offThread.load(); }

    // Job results handed to ManagerOps, in order (job, status).
    std::vector<std::pair<int, int>> results;
    int ResultCount(int job, int status = -1) const;
    // Every scan report the operations handled, in order, as their scan record kept it.
    std::vector<lv2xx_scan_report> reportsHandled;

    // ---- Window state as the calls left it ----
    struct SlotRow {
        std::u16string address;
        std::u16string tag;
        bool readOnly = false;
    };
    struct ScanRow {
        std::u16string address, name, rssi;
    };
    std::u16string firmware, address, deviceName, advInterval, beaconHex, beaconString, linkStatus;
    int linkStatusString = 0;
    int picture = 0;
    int beaconSourceRadios = BEACON_SOURCE_NONE;
    int scanButtonText = 0;
    bool scanButtonEnabled = false;
    bool controlsEnabled = false;
    SlotRow slots[9];
    std::vector<ScanRow> scanRows;
    int comboSelection[3] = {0, 0, 0};                 // flow, parity, stop bits: item index
    std::map<std::string, std::u16string> fieldTexts;  // SetFieldText, by key
    std::atomic<bool> waitCursor{false};

    // ---- IManagerView ----
    bool PostWindowMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
    void SetWaitCursor(bool on) override;
    bool WindowExists() const override;
    MsgResult ShowMessage(int stringId, MsgIcon icon) override;
    void ShowFieldMessage(int stringId, const std::string& fieldKey, MsgIcon icon) override;
    void ShowOpenPortError(const std::string& errorText, const std::string& accessGroup) override;
    void EnableControls(bool enable) override;
    std::optional<PortSettings> RunPortDialog() override;
    void SetLinkStatus(const PortSettings& port) override;
    void SetLinkStatusString(int stringId) override;
    void ShowPicture(int pngId) override;
    void SetFirmwareText(const std::u16string& text) override;
    void SetAddressText(const std::u16string& text) override;
    void SetDeviceNameText(const std::u16string& text) override;
    void SetAdvIntervalText(const std::u16string& text) override;
    int SelectComboByValue(ComboId combo, int value) override;
    void SetFieldText(const std::string& key, const std::u16string& text) override;
    void SetSlotRow(int n, const std::u16string& address, const std::u16string& tag, bool addressReadOnly) override;
    void ClearSlotRowTexts(int n) override;
    void SetBeaconSourceRadios(int source) override;
    void SetBeaconHexText(const std::u16string& text) override;
    void SetBeaconStringText(const std::u16string& text) override;
    void SetScanButton(int stringId, bool enabled) override;
    void ClearScanList() override;
    int ScanListCount() const override;
    void InsertScanRow(int index, const std::u16string& address, const std::u16string& name,
                       const std::u16string& rssi) override;
    bool RssiFilterChecked() const override;
    std::u16string RssiFilterText() const override;

private:
    void Record(std::string call) const;
    void WindowThreadOnly(const char* what) const;
    void Dispatch(const PostedMessage& m);

    std::thread::id m_owner;
    ManagerOps* m_ops = nullptr;
    mutable std::mutex m_mutex;
    mutable std::vector<std::string> m_calls;
    mutable std::atomic<bool> m_offThread{false};
    mutable std::mutex m_queueMutex;
    std::condition_variable m_queueCond;
    std::deque<PostedMessage> m_queue;
};

std::string Narrow(const std::u16string& text);
inline std::u16string Wide(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }
