// Times JOB_READ_SETTINGS_BEACON against the simulated module, answering at
// once and paced to 115200 baud, and compares the paced time with the wire
// time of its 14 transactions (command and reply bytes, 10 bits per byte).
// Then times CloseLink while jobs wait in a pause or for a reply.
//
//   readback_bench [read-backs per mode] [closes per case]
#include "ops/jobs/manager_ops.h"
#include "common/posting_view.h"
#include "sim/command_handler.h"
#include "sim/kestov_sim.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// A window that does nothing but hand its posted messages back.
class QuietView : public PostingView {
public:
    MsgResult ShowMessage(int id, MsgIcon) override {
        std::fprintf(stderr, "unexpected message %d\n", id);
        return MsgResult::Ok;
    }

    // Hands messages to ops until a result of `job` arrived; returns its post time.
    bool WaitResult(ManagerOps& ops, int job, Clock::time_point* postedAt, Clock::duration timeout = 30s) {
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            Posted p;
            if (!Take(p, deadline)) return false;
            ops.HandleMessage(p.msg, p.wParam, p.lParam);
            if (p.msg == WM_JOB_RESULT && static_cast<int>(p.wParam) == job) {
                if (postedAt) *postedAt = p.at;
                return p.lParam == JOB_STATUS_OK;
            }
        }
    }
    void Drain(ManagerOps& ops) {
        Posted p;
        while (Take(p, Clock::now())) ops.HandleMessage(p.msg, p.wParam, p.lParam);
    }
};

sim::SimState Configured() {
    sim::SimState s = sim::DefaultState("KESTOV-LV200");
    s.version = "v1.2.0";
    s.name = "Bench01";
    for (int i = 0; i < 8; i += 2) {  // four slots used, four empty
        s.slotTable[i].used = true;
        const uint8_t addr[6] = {0xA0, 0xB1, 0xC2, 0xD3, 0xE4, static_cast<uint8_t>(i + 1)};
        std::copy(addr, addr + 6, s.slotTable[i].address);
        s.slotTable[i].tag = "TAG" + std::to_string(i + 1);
    }
    s.beaconHex = std::string("0201061AFF4C000215") + "B9407F30F5F8466EAFF925556B57FE6D00";
    s.beaconHex.resize(52);
    s.userBeacon = true;
    return s;
}

// Wire bytes of the 14 transactions, as the module would answer them:
// commands and replies, and replies alone.
std::pair<std::size_t, std::size_t> WireBytes(const sim::SimState& state) {
    std::vector<std::string> cmds = {"AT+VER?", "AT+INFO?", "AT+ADVINTERVAL?", "AT+UARTOPT?"};
    for (int n = 1; n <= 8; ++n) cmds.push_back("AT+GETSLOT=" + std::to_string(n));
    cmds.push_back("AT+BEACON?");
    cmds.push_back("AT+UCBEACON?");
    sim::SimState s = state;
    std::size_t commandBytes = 0;
    std::size_t replyBytes = 0;
    for (const std::string& c : cmds) {
        commandBytes += c.size() + 1;                             // command and CR
        replyBytes += sim::HandleCommand(s, c).reply.size() + 1;  // reply and CR
    }
    return {commandBytes + replyBytes, replyBytes};
}

struct Stats {
    double min, median, max;
};

Stats Summarise(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v.front(), v[v.size() / 2], v.back()};
}

bool Connect(ManagerOps& ops, QuietView& view) {
    ops.OnOpenPort();
    return view.WaitResult(ops, JOB_IDENTIFY, nullptr) && view.WaitResult(ops, JOB_READ_SETTINGS_BEACON, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    const int readbacks = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    const int closes = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;

    sim::KestovSimulator module("KESTOV-LV200");
    std::string error;
    if (!module.Start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }
    const sim::SimState state = Configured();
    module.SetState(state);
    module.SetScanDevices({});

    QuietView view;
    ManagerOps ops(view);
    ops.Init();
    const std::string path = module.DevicePath();
    PortSettings port;
    port.m_portName = std::u16string(path.begin(), path.end());
    port.m_baudRate = 115200;
    ops.UsePort(port);
    if (!Connect(ops, view)) {
        std::fprintf(stderr, "could not connect\n");
        return 1;
    }

    const auto [wireBytes, replyBytes] = WireBytes(state);
    const double wireMs = wireBytes * 10.0 * 1000.0 / 115200.0;
    std::printf("JOB_READ_SETTINGS_BEACON, %d read-backs per mode, 14 transactions, %zu wire bytes\n", readbacks,
                wireBytes);
    std::printf(
        "  wire time of the 14 transactions at 115200 baud: %.2f ms (replies alone %.2f ms;\n"
        "  the simulator paces only its replies, a pseudo-terminal passes commands at once)\n",
        wireMs, replyBytes * 10.0 * 1000.0 / 115200.0);

    double pacedMedian = 0;
    for (unsigned baud : {0u, 115200u}) {
        module.SetPaceBaud(baud);
        std::vector<double> times;
        for (int i = 0; i < readbacks; ++i) {
            const auto start = Clock::now();
            ops.QueueJob(JOB_READ_SETTINGS_BEACON, false);
            Clock::time_point posted;
            if (!view.WaitResult(ops, JOB_READ_SETTINGS_BEACON, &posted)) {
                std::fprintf(stderr, "read-back failed\n");
                return 1;
            }
            times.push_back(Ms(posted - start));
        }
        const Stats s = Summarise(times);
        std::printf("  %-22s min %7.2f  median %7.2f  max %7.2f ms",
                    baud ? "paced at 115200 baud:" : "answering at once:", s.min, s.median, s.max);
        if (baud) {
            pacedMedian = s.median;
            std::printf("  (%.2fx the wire time)", s.median / wireMs);
        }
        std::printf("\n");
    }
    module.SetPaceBaud(0);

    // CloseLink while a job is in a pause, or waiting for a reply that never comes.
    struct CloseCase {
        const char* name;
        int job;
        const char* after;  // closed once the module received this command
        bool silent;
    };
    const CloseCase cases[] = {
        {"write slots, 100 ms pause", JOB_WRITE_SLOTS, "AT+DELSLOT=1", false},
        {"beacon, 200 ms pause", JOB_SET_BEACON, "AT+MODEL?", false},
        {"scan start, 500 ms pause", JOB_START_SCAN, "AT+SF=OFF", false},
        {"reboot, 2000 ms reply wait", JOB_REBOOT, "ATZ", true},
    };
    std::printf("CloseLink while a job runs, %d closes per case\n", closes);
    double worst = 0;
    for (const CloseCase& c : cases) {
        std::vector<double> times;
        for (int i = 0; i < closes; ++i) {
            if (!ops.IsLinkOpen()) {
                module.SetSilent(false);
                module.SetState(state);
                if (!Connect(ops, view)) {
                    std::fprintf(stderr, "could not reconnect\n");
                    return 1;
                }
            }
            ops.Records().m_toWrite.slotEntries.assign(8, SlotEntry{});
            ops.Records().m_toWrite.beaconSource = BEACON_SOURCE_SERIAL;
            ops.Records().m_scanFilter = lv2xx_scan_filter{};
            module.ClearLog();
            module.SetSilent(c.silent);
            ops.QueueJob(c.job, false);
            const auto deadline = Clock::now() + 10s;
            bool seen = false;
            while (!seen && Clock::now() < deadline) {
                module.WaitForCommands(module.Commands().size() + 1, 20ms);
                for (const std::string& cmd : module.Commands()) seen = seen || cmd == c.after;
            }
            if (!seen) {
                std::fprintf(stderr, "%s: job did not start\n", c.name);
                return 1;
            }
            const auto start = Clock::now();
            ops.CloseLink();
            times.push_back(Ms(Clock::now() - start));
            view.Drain(ops);
        }
        const Stats s = Summarise(times);
        worst = std::max(worst, s.max);
        std::printf("  %-28s min %7.2f  median %7.2f  max %7.2f ms\n", c.name, s.min, s.median, s.max);
    }
    std::printf("paced read-back / wire time: %.2f (target <= 1.5); slowest CloseLink: %.2f ms (target < 200)\n",
                pacedMedian / wireMs, worst);
    return 0;
}
