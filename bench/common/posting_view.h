// A window for the benchmarks: keeps what is posted to it for the benchmark's
// thread to hand to the operations, and ignores everything else. Benchmarks
// override the few calls whose values they check.
#pragma once

#include "ops/jobs/manager_view.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>

class PostingView : public IManagerView {
public:
    using Clock = std::chrono::steady_clock;
    struct Posted {
        unsigned msg = 0;
        uintptr_t wParam = 0;
        intptr_t lParam = 0;
        Clock::time_point at;
    };

    bool PostWindowMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_queue.push_back({msg, wParam, lParam, Clock::now()});
        }
        m_cond.notify_all();
        return true;
    }
    // The oldest posted message; false when none arrived by `deadline`.
    bool Take(Posted& out, Clock::time_point deadline) {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_cond.wait_until(lock, deadline, [this] { return !m_queue.empty(); })) return false;
        out = m_queue.front();
        m_queue.pop_front();
        return true;
    }

    void SetWaitCursor(bool) override {}
    bool WindowExists() const override { return true; }
    MsgResult ShowMessage(int, MsgIcon) override { return MsgResult::Ok; }
    void ShowOpenPortError(const std::string& text, const std::string&) override {
        std::fprintf(stderr, "open: %s\n", text.c_str());
    }
    void EnableControls(bool) override {}
    std::optional<PortSettings> RunPortDialog() override { return std::nullopt; }
    void SetLinkStatus(const PortSettings&) override {}
    void SetLinkStatusString(int) override {}
    void ShowPicture(int) override {}
    void SetFirmwareText(const std::u16string&) override {}
    void SetAddressText(const std::u16string&) override {}
    void SetDeviceNameText(const std::u16string&) override {}
    void SetAdvIntervalText(const std::u16string&) override {}
    int SelectComboByValue(ComboId, int) override { return 0; }
    void SetSlotRow(int, const std::u16string&, const std::u16string&, bool) override {}
    void ClearSlotRowTexts(int) override {}
    void SetBeaconSourceRadios(int) override {}
    void SetBeaconHexText(const std::u16string&) override {}
    void SetBeaconStringText(const std::u16string&) override {}
    void SetScanButton(int, bool) override {}
    void ClearScanList() override {}
    int ScanListCount() const override { return 0; }
    void InsertScanRow(int, const std::u16string&, const std::u16string&, const std::u16string&) override {}
    bool RssiFilterChecked() const override { return false; }
    std::u16string RssiFilterText() const override { return u""; }

private:
    std::mutex m_mutex;
    std::condition_variable m_cond;
    std::deque<Posted> m_queue;
};
