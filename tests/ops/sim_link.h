// A simulated module on a pseudo-terminal, the recording window and the
// operations wired together; the test thread is the window thread.
#pragma once

#include "fake_view.h"
#include "ops/jobs/manager_ops.h"
#include "ops/rules/string_ids.h"
#include "sim/kestov_sim.h"
#include "sim_device.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

using namespace std::chrono_literals;

// The queries of a read-back as the module receives them, after the
// identification: the model's slots, and the beacon where it has one.
inline std::vector<std::string> ReadBackCommands(int slots, bool beacon) {
    std::vector<std::string> c = {"AT+VER?", "AT+INFO?", "AT+ADVINTERVAL?", "AT+UARTOPT?"};
    for (int n = 1; n <= slots; ++n) c.push_back("AT+GETSLOT=" + std::to_string(n));
    if (beacon) {
        c.push_back("AT+BEACON?");
        c.push_back("AT+UCBEACON?");
    }
    return c;
}

class SimLink {
public:
    explicit SimLink(const std::string& model = "KESTOV-LV200") : sim(model) {
        std::string error;
        started = sim.Start(&error);
        EXPECT_TRUE(started) << error;
        sim.SetScanDevices({});
        view.Attach(&ops);
        ops.Init();
        PortSettings port;
        port.m_portName = Wide(sim.DevicePath());
        port.m_baudRate = 115200;
        port.m_parity = 0;
        port.m_stopBits = 0;
        ops.UsePort(port);
    }

    // Opens, identifies and reads back; then forgets what that logged.
    bool Connect() {
        ops.OnOpenPort();
        const bool ready = view.PumpUntil([&] { return view.Has("EnableControls(1)"); });
        view.ClearCalls();
        view.results.clear();
        sim.ClearLog();
        return ready;
    }

    // The commands the module received from `from` on.
    std::vector<std::string> Commands(std::size_t from = 0) const {
        std::vector<std::string> all = sim.Commands();
        return std::vector<std::string>(all.begin() + static_cast<long>(std::min(from, all.size())), all.end());
    }

    bool WaitCommand(const std::string& command, std::chrono::milliseconds timeout = 10s) {
        return view.PumpUntil(
            [&] {
                for (const std::string& c : sim.Commands()) {
                    if (c == command) return true;
                }
                return false;
            },
            timeout);
    }

    // Time between the first logged `a` and the first `b` logged after it.
    std::chrono::milliseconds Gap(const std::string& a, const std::string& b) const {
        const std::vector<sim::SimLogEntry> log = sim.Log();
        for (std::size_t i = 0; i < log.size(); ++i) {
            if (log[i].command != a) continue;
            for (std::size_t j = i + 1; j < log.size(); ++j) {
                if (log[j].command == b) {
                    return std::chrono::duration_cast<std::chrono::milliseconds>(log[j].at - log[i].at);
                }
            }
        }
        return std::chrono::milliseconds(-1);
    }

    // Member order matters: the operations close the link before the window
    // and the module go away.
    sim::KestovSimulator sim;
    bool started = false;
    FakeView view;
    ManagerOps ops{view};
};
