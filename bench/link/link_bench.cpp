// The engine on a busy wire, against the simulated module:
//  1. identify and read back an LV200 that scans at line rate the whole time
//     (115200 baud, 400 reports a second): values checked in every run, time
//     compared with the wire time of the transactions' own bytes;
//  2. a scan flood at full pseudo-terminal speed: resident memory each second,
//     reports dropped and listed, and the time from the flood's end until a
//     new device is listed;
//  3. a transaction's round trip with and without a traffic observer;
//  4. CloseLink during a scan.
//
//   link_bench [runs] [flood seconds] [round trips]
#include "link/comm.h"
#include "ops/jobs/manager_ops.h"
#include "common/posting_view.h"
#include "sim/kestov_sim.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

long RssKiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            return value;
        }
        status.ignore(4096, '\n');
    }
    return 0;
}

// A window that keeps only what the benchmark checks.
class BenchView : public PostingView {
public:
    MsgResult ShowMessage(int id, MsgIcon) override {
        messages.push_back(id);
        return MsgResult::Ok;
    }
    void EnableControls(bool enable) override { enabled = enable; }
    void SetFirmwareText(const std::u16string& t) override { firmware = t; }
    void SetDeviceNameText(const std::u16string& t) override { name = t; }
    void SetAdvIntervalText(const std::u16string& t) override { interval = t; }
    void ClearScanList() override { rows.clear(); }
    int ScanListCount() const override { return static_cast<int>(rows.size()); }
    void InsertScanRow(int, const std::u16string& address, const std::u16string&, const std::u16string&) override {
        rows.insert(address);
    }

    // Hands posted messages to the operations until `done` holds.
    bool PumpUntil(ManagerOps& ops, const std::function<bool()>& done, Clock::duration timeout = 30s) {
        const auto deadline = Clock::now() + timeout;
        while (!done()) {
            Posted p;
            if (!Take(p, std::min(deadline, Clock::now() + 10ms))) {
                if (Clock::now() >= deadline) return false;
                continue;
            }
            ops.HandleMessage(p.msg, p.wParam, p.lParam);
            // Every report the operations handle goes into their scan record.
            reportsHandled = ops.ScanRecording().EndSeq();
        }
        return true;
    }

    bool enabled = false;
    std::vector<int> messages;
    std::u16string firmware, name, interval;
    std::set<std::u16string> rows;
    uint64_t reportsHandled = 0;
};

// Counts the bytes of the transactions' own commands and replies.
class ByteCounter : public ILinkTap {
public:
    void OnTraffic(const TapEvent& e) override {
        if (e.route == TapRoute::Command || e.route == TapRoute::Reply) own += e.bytes.size();
        events.fetch_add(1, std::memory_order_relaxed);
    }
    std::atomic<std::size_t> own{0};
    std::atomic<std::size_t> events{0};
};

sim::SimState Configured() {
    sim::SimState s = sim::DefaultState("KESTOV-LV200");
    s.version = "v1.2.0";
    s.name = "Bench01";
    s.advInterval = 1250;
    for (int i = 0; i < 8; i += 2) {
        s.slotTable[i].used = true;
        const uint8_t addr[6] = {0xA0, 0xB1, 0xC2, 0xD3, 0xE4, static_cast<uint8_t>(i + 1)};
        std::copy(addr, addr + 6, s.slotTable[i].address);
        s.slotTable[i].tag = "TAG" + std::to_string(i + 1);
    }
    return s;
}

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

struct Setup {
    sim::KestovSimulator module{"KESTOV-LV200"};
    BenchView view;
    ManagerOps ops{view};

    bool Start() {
        std::string error;
        if (!module.Start(&error)) {
            std::fprintf(stderr, "simulator: %s\n", error.c_str());
            return false;
        }
        ops.Init();
        PortSettings port;
        port.m_portName = Wide(module.DevicePath());
        port.m_baudRate = 115200;
        ops.UsePort(port);
        return true;
    }
    bool Connect() {
        view.enabled = false;
        ops.OnOpenPort();
        return view.PumpUntil(ops, [&] { return view.enabled; });
    }
};

int BusyReadBack(int runs) {
    Setup s;
    if (!s.Start()) return 1;
    const sim::SimState state = Configured();
    s.module.SetScanDevices(sim::KestovSimulator::MakeDevices(50, 2));
    s.module.SetPaceBaud(115200);
    s.module.SetScanRate(400);
    ByteCounter counter;
    s.ops.Comm().SetTap(&counter);
    std::vector<double> times, ratios;
    int correct = 0;
    for (int i = 0; i < runs; ++i) {
        sim::SimState scanning = state;
        scanning.scanning = true;
        s.module.SetState(scanning);
        s.view.messages.clear();
        counter.own = 0;
        // Let the wire fill with reports before the connect.
        s.view.PumpUntil(
            s.ops, [] { return false; }, 100ms);
        const auto start = Clock::now();
        const bool ok = s.Connect();
        const double ms = Ms(Clock::now() - start);
        const double wireMs = counter.own.load() * 10.0 * 1000.0 / 115200.0;
        const bool right = ok && s.view.messages.empty() && s.ops.Model() == MODEL_LV200 &&
                           s.view.firmware == u"v1.2.0" && s.view.name == u"Bench01" && s.view.interval == u"1250" &&
                           !s.module.State().scanning;
        correct += right ? 1 : 0;
        times.push_back(ms);
        ratios.push_back(ms / wireMs);
        if (i == 0) {
            std::printf("1. identify + read-back of a scanning LV200 (115200 baud, 400 reports/s), %d runs\n", runs);
            std::printf("   own bytes of the transactions: %zu = %.2f ms of wire time\n", counter.own.load(), wireMs);
        }
        s.ops.CloseLink();
        s.view.PumpUntil(
            s.ops, [] { return false; }, 20ms);
    }
    s.ops.Comm().SetTap(nullptr);
    std::printf(
        "   values right in %d of %d runs; time median %.2f ms, max %.2f ms; median %.2fx the wire time "
        "(max %.2fx)\n",
        correct, runs, Median(times), *std::max_element(times.begin(), times.end()), Median(ratios),
        *std::max_element(ratios.begin(), ratios.end()));
    return correct == runs ? 0 : 1;
}

int Flood(int seconds) {
    Setup s;
    if (!s.Start()) return 1;
    s.module.SetState(Configured());
    s.module.SetScanDevices({});
    if (!s.Connect()) return 1;
    const auto crowd = sim::KestovSimulator::MakeDevices(500, 11);
    s.module.SetScanDevices(crowd);
    s.module.SetScanRate(1e7);  // as fast as the pseudo-terminal takes them
    s.ops.QueueJob(JOB_START_SCAN, false);
    std::printf("2. scan flood at full pseudo-terminal speed for %d s (500 devices)\n   RSS MiB each 10 s:", seconds);
    long peak = 0, atFive = 0, last = 0;
    const auto start = Clock::now();
    for (int t = 1; t <= seconds; ++t) {
        s.view.PumpUntil(
            s.ops, [&] { return Clock::now() >= start + std::chrono::seconds(t); }, 2s);
        last = RssKiB();
        peak = std::max(peak, last);
        if (t == 5) atFive = last;
        if (t % 10 == 0) std::printf(" %.1f", last / 1024.0);
        std::fflush(stdout);
    }
    const uint64_t sent = s.module.ReportsSent();
    // The flood ends; one new device appears.
    sim::SimDevice newcomer;
    const uint8_t addr[6] = {0x02, 0x11, 0x22, 0x33, 0x44, 0x55};
    std::copy(addr, addr + 6, newcomer.address);
    newcomer.name = "Newcomer";
    s.module.SetScanRate(20);
    const auto end = Clock::now();
    s.module.SetScanDevices({newcomer});
    const bool listed = s.view.PumpUntil(
        s.ops, [&] { return s.view.rows.count(u"021122334455") != 0; }, 20s);
    const double appearMs = Ms(Clock::now() - end);
    std::printf("\n   RSS: peak %.1f MiB, after 5 s %.1f MiB, at the end %.1f MiB\n", peak / 1024.0, atFive / 1024.0,
                last / 1024.0);
    std::printf(
        "   reports sent %llu, handed to the list %llu, dropped by the engine %llu, at the hand-over %llu; "
        "devices listed %zu\n",
        static_cast<unsigned long long>(sent), static_cast<unsigned long long>(s.view.reportsHandled),
        // What the module sent and neither reached the list nor the hand-over's count.
        static_cast<unsigned long long>(sent -
                                        std::min<uint64_t>(sent, s.view.reportsHandled + s.ops.ScanReportsDropped())),
        static_cast<unsigned long long>(s.ops.ScanReportsDropped()), s.view.rows.size());
    std::printf("   new device listed %.0f ms after the flood ended%s\n", appearMs, listed ? "" : " (never)");
    const auto closeStart = Clock::now();
    s.ops.CloseLink();
    std::printf("4. CloseLink during the scan: %.2f ms\n", Ms(Clock::now() - closeStart));
    return listed ? 0 : 1;
}

int TapCost(int trips) {
    sim::KestovSimulator module("KESTOV-LV200");
    if (!module.Start()) return 1;
    module.SetScanDevices({});
    KestovLV2xxComm comm;
    std::error_code ec;
    comm.Open(ec, module.DevicePath(), 115200, 0, 0);
    if (ec) return 1;
    ByteCounter counter;
    std::vector<double> plain, tapped;
    for (int block = 0; block < 20; ++block) {
        for (const bool on : {false, true}) {
            comm.SetTap(on ? &counter : nullptr);
            for (int i = 0; i < trips / 20; ++i) {
                const auto start = Clock::now();
                const auto reply = comm.SendCommand("AT+VER?\r", 8, ATCMD_VER_Q, 1200);
                const double us = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
                if (ReplyCode(reply.get()) != ATRES_VERSION) return 1;
                (on ? tapped : plain).push_back(us);
            }
        }
    }
    comm.SetTap(nullptr);
    comm.Close();
    const double a = Median(plain), b = Median(tapped);
    std::printf("3. round trip of AT+VER? (%d each): median %.1f us without an observer, %.1f us with one (%+.1f%%)\n",
                static_cast<int>(plain.size()), a, b, (b - a) * 100.0 / a);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const int seconds = argc > 2 ? std::max(6, std::atoi(argv[2])) : 120;
    const int trips = argc > 3 ? std::max(40, std::atoi(argv[3])) : 4000;
    int failures = 0;
    failures += BusyReadBack(runs);
    failures += Flood(seconds);
    failures += TapCost(trips);
    return failures == 0 ? 0 : 1;
}
