#include "fake_view.h"

#include "link/text_conv.h"

#include <algorithm>

namespace {

const char* IconName(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Information:
        return "Information";
    case MsgIcon::Error:
        return "Error";
    case MsgIcon::Warning:
        return "Warning";
    case MsgIcon::Question:
        return "Question";
    }
    return "?";
}

}  // namespace

std::string Narrow(const std::u16string& text) { return WideToUtf8(text); }

FakeView::FakeView() : m_owner(std::this_thread::get_id()) {}

void FakeView::Record(std::string call) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.push_back(std::move(call));
}

void FakeView::WindowThreadOnly(const char* what) const {
    if (std::this_thread::get_id() != m_owner) {
        m_offThread.store(true);
        Record(std::string("OFF-THREAD ") + what);
    }
}

std::vector<std::string> FakeView::Calls() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_calls;
}

void FakeView::ClearCalls() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.clear();
}

bool FakeView::Has(const std::string& call) const { return IndexOf(call) >= 0; }

int FakeView::Count(const std::string& call) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(std::count(m_calls.begin(), m_calls.end(), call));
}

int FakeView::IndexOf(const std::string& call, std::size_t from) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (std::size_t i = from; i < m_calls.size(); ++i) {
        if (m_calls[i] == call) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int FakeView::ResultCount(int job, int status) const {
    return static_cast<int>(std::count_if(results.begin(), results.end(), [&](const auto& r) {
        return r.first == job && (status < 0 || r.second == status);
    }));
}

// ---- Pumping ----

void FakeView::Dispatch(const PostedMessage& m) {
    if (m.msg == WM_JOB_RESULT) {
        results.emplace_back(static_cast<int>(m.wParam), static_cast<int>(m.lParam));
    }
    if (!m_ops) {
        return;
    }
    // Every report the operations handle goes into their scan record first.
    const ScanRecord& record = m_ops->ScanRecording();
    const uint64_t generation = record.Generation();
    const uint64_t endBefore = record.EndSeq();
    m_ops->HandleMessage(m.msg, m.wParam, m.lParam);
    const uint64_t from = record.Generation() == generation ? endBefore : record.FirstSeq();
    for (uint64_t seq = std::max(from, record.FirstSeq()); seq < record.EndSeq(); ++seq) {
        const ScanReportEntry& entry = record.ReportAt(seq);
        lv2xx_scan_report report{};
        const std::string hex = AddressHex(entry.address);
        for (std::size_t i = 0; i < 6; ++i) {
            report.address[i] = static_cast<uint8_t>(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
        }
        report.rssi = static_cast<int8_t>(entry.rssi);
        const std::string& name = record.Name(entry.name);
        std::copy_n(name.begin(), std::min(name.size(), sizeof report.name - 1), report.name);
        reportsHandled.push_back(report);
    }
}

bool FakeView::PumpUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (pred()) {
            return true;
        }
        if (Clock::now() >= deadline) {
            return false;
        }
        std::optional<PostedMessage> next;
        {
            std::unique_lock<std::mutex> lock(m_queueMutex);
            // Short slices: the condition may also depend on other threads.
            m_queueCond.wait_for(lock, std::chrono::milliseconds(5), [this] { return !m_queue.empty(); });
            if (!m_queue.empty()) {
                next = m_queue.front();
                m_queue.pop_front();
            }
        }
        if (next) {
            Dispatch(*next);
        }
    }
}

void FakeView::PumpPending() {
    for (;;) {
        std::optional<PostedMessage> next;
        {
            std::lock_guard<std::mutex> lock(m_queueMutex);
            if (m_queue.empty()) {
                return;
            }
            next = m_queue.front();
            m_queue.pop_front();
        }
        Dispatch(*next);
    }
}

std::size_t FakeView::QueuedMessages() const {
    std::lock_guard<std::mutex> lock(m_queueMutex);
    return m_queue.size();
}

// ---- Any thread ----

bool FakeView::PostWindowMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
    if (!exists.load()) {
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        m_queue.push_back(PostedMessage{msg, wParam, lParam});
    }
    m_queueCond.notify_all();
    return true;
}

void FakeView::SetWaitCursor(bool on) { waitCursor.store(on); }

// ---- Window thread ----

bool FakeView::WindowExists() const {
    WindowThreadOnly("WindowExists");
    return exists.load();
}

MsgResult FakeView::ShowMessage(int stringId, MsgIcon icon) {
    WindowThreadOnly("ShowMessage");
    Record("ShowMessage(" + std::to_string(stringId) + "," + IconName(icon) + ")");
    if (messageAnswers.empty()) {
        return MsgResult::Ok;
    }
    const MsgResult answer = messageAnswers.front();
    messageAnswers.pop_front();
    return answer;
}

void FakeView::ShowFieldMessage(int stringId, const std::string& fieldKey, MsgIcon icon) {
    WindowThreadOnly("ShowFieldMessage");
    Record("ShowFieldMessage(" + std::to_string(stringId) + "," + fieldKey + "," + IconName(icon) + ")");
}

void FakeView::SetFieldText(const std::string& key, const std::u16string& text) {
    WindowThreadOnly("SetFieldText");
    fieldTexts[key] = text;
}

void FakeView::ShowOpenPortError(const std::string& errorText, const std::string& accessGroup) {
    WindowThreadOnly("ShowOpenPortError");
    Record("ShowOpenPortError(" + errorText + (accessGroup.empty() ? "" : "|" + accessGroup) + ")");
}

void FakeView::EnableControls(bool enable) {
    WindowThreadOnly("EnableControls");
    Record(std::string("EnableControls(") + (enable ? "1" : "0") + ")");
    controlsEnabled = enable;
}

std::optional<PortSettings> FakeView::RunPortDialog() {
    WindowThreadOnly("RunPortDialog");
    Record("RunPortDialog");
    if (portAnswers.empty()) {
        return std::nullopt;
    }
    const std::optional<PortSettings> answer = portAnswers.front();
    portAnswers.pop_front();
    return answer;
}

void FakeView::SetLinkStatus(const PortSettings& port) {
    WindowThreadOnly("SetLinkStatus");
    linkStatus = ManagerOps::LinkStatusText(port);
    Record("SetLinkStatus(" + Narrow(linkStatus) + ")");
}

void FakeView::SetLinkStatusString(int stringId) {
    WindowThreadOnly("SetLinkStatusString");
    Record("SetLinkStatusString(" + std::to_string(stringId) + ")");
    linkStatusString = stringId;
}

void FakeView::ShowPicture(int pngId) {
    WindowThreadOnly("ShowPicture");
    Record("ShowPicture(" + std::to_string(pngId) + ")");
    picture = pngId;
}

void FakeView::SetFirmwareText(const std::u16string& text) {
    WindowThreadOnly("SetFirmwareText");
    firmware = text;
}

void FakeView::SetAddressText(const std::u16string& text) {
    WindowThreadOnly("SetAddressText");
    address = text;
}

void FakeView::SetDeviceNameText(const std::u16string& text) {
    WindowThreadOnly("SetDeviceNameText");
    deviceName = text;
}

void FakeView::SetAdvIntervalText(const std::u16string& text) {
    WindowThreadOnly("SetAdvIntervalText");
    advInterval = text;
}

int FakeView::SelectComboByValue(ComboId combo, int value) {
    WindowThreadOnly("SelectComboByValue");
    static const std::vector<int> kFlow = {0, 1};
    static const std::vector<int> kParity = {'N', 'E', 'O'};
    static const std::vector<int> kStop = {1, 2};
    const std::vector<int>* items = &kFlow;
    int slot = 0;
    if (combo == ComboId::Parity) {
        items = &kParity;
        slot = 1;
    } else if (combo == ComboId::StopBits) {
        items = &kStop;
        slot = 2;
    }
    const auto it = std::find(items->begin(), items->end(), value);
    if (it == items->end()) {
        return -1;
    }
    comboSelection[slot] = static_cast<int>(it - items->begin());
    return comboSelection[slot];
}

void FakeView::SetSlotRow(int n, const std::u16string& addr, const std::u16string& tag, bool addressReadOnly) {
    WindowThreadOnly("SetSlotRow");
    Record("SetSlotRow(" + std::to_string(n) + ")");
    if (n >= 1 && n <= 8) {
        slots[n] = SlotRow{addr, tag, addressReadOnly};
    }
}

void FakeView::ClearSlotRowTexts(int n) {
    WindowThreadOnly("ClearSlotRowTexts");
    if (n >= 1 && n <= 8) {
        slots[n].address.clear();
        slots[n].tag.clear();
    }
}

void FakeView::SetBeaconSourceRadios(int source) {
    WindowThreadOnly("SetBeaconSourceRadios");
    Record("SetBeaconSourceRadios(" + std::to_string(source) + ")");
    beaconSourceRadios = source;
}

void FakeView::SetBeaconHexText(const std::u16string& text) {
    WindowThreadOnly("SetBeaconHexText");
    beaconHex = text;
}

void FakeView::SetBeaconStringText(const std::u16string& text) {
    WindowThreadOnly("SetBeaconStringText");
    beaconString = text;
}

void FakeView::SetScanButton(int stringId, bool enabled) {
    WindowThreadOnly("SetScanButton");
    Record("SetScanButton(" + std::to_string(stringId) + "," + (enabled ? "1" : "0") + ")");
    scanButtonText = stringId;
    scanButtonEnabled = enabled;
}

void FakeView::ClearScanList() {
    WindowThreadOnly("ClearScanList");
    Record("ClearScanList");
    scanRows.clear();
}

int FakeView::ScanListCount() const {
    WindowThreadOnly("ScanListCount");
    return static_cast<int>(scanRows.size());
}

void FakeView::InsertScanRow(int index, const std::u16string& addr, const std::u16string& name,
                             const std::u16string& rssi) {
    WindowThreadOnly("InsertScanRow");
    Record("InsertScanRow(" + std::to_string(index) + "," + Narrow(addr) + "," + Narrow(rssi) + ")");
    index = std::clamp(index, 0, static_cast<int>(scanRows.size()));
    scanRows.insert(scanRows.begin() + index, ScanRow{addr, name, rssi});
}

bool FakeView::RssiFilterChecked() const {
    WindowThreadOnly("RssiFilterChecked");
    return rssiChecked;
}

std::u16string FakeView::RssiFilterText() const {
    WindowThreadOnly("RssiFilterText");
    return rssiText;
}
