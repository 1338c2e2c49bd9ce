// Seams of the wire against the simulated module: a piece of a line left
// between two transactions, replies that come after their time-out, the
// traffic as the tap tells it on a busy wire, and the last reports of a scan.
#include "sim_link.h"

#include "link/comm.h"
#include "link/line_cutter.h"
#include "ops/session/device_session.h"
#include "ops/traffic/traffic_recorder.h"

#include <cstring>
#include <functional>

using Strings = std::vector<std::string>;

namespace {

// A bare engine on the simulated module.
struct EngineLink {
    EngineLink() {
        std::string error;
        EXPECT_TRUE(sim.Start(&error)) << error;
        sim.SetScanDevices({});
        std::error_code ec;
        comm.Open(ec, sim.DevicePath(), 115200, 0, 0);
        EXPECT_FALSE(ec) << ec.message();
        comm.SetTap(&tap);
    }
    ~EngineLink() {
        comm.Close();
        comm.SetTap(nullptr);
    }

    std::unique_ptr<uint8_t[]> Send(const std::string& command, lv2xx_atcmd kind, unsigned timeoutMs) {
        const std::string bytes = command + "\r";
        return comm.SendCommand(bytes.data(), static_cast<unsigned>(bytes.size()), kind, timeoutMs);
    }

    // Everything the tap was told so far.
    const std::vector<TapEvent>& Told() {
        for (TapEvent& e : tap.TakePending()) told.push_back(std::move(e));
        return told;
    }

    sim::KestovSimulator sim;
    KestovLV2xxComm comm;
    DeviceSession session{comm};
    traffic::TrafficRecorder tap;
    std::vector<TapEvent> told;
};

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds bound = 20s) {
    const auto until = std::chrono::steady_clock::now() + bound;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

lv2xx_atres CodeOf(const std::unique_ptr<uint8_t[]>& reply) { return static_cast<lv2xx_atres>(ReplyCode(reply.get())); }

std::string PayloadText(const std::unique_ptr<uint8_t[]>& reply) {
    return reinterpret_cast<const char*>(ReplyPayload(reply.get()));
}

// The lines of what the module wrote, cut as the program cuts them.
Strings WireLines(const std::string& wire) {
    Strings lines;
    LineAssembler assembler;
    assembler.Feed(
        wire, [&](std::string_view line) { lines.emplace_back(line); },
        [&](std::string_view head) { lines.emplace_back(head); });
    return lines;
}

}  // namespace

// One byte without a line end after every reply (noise, a module's boot
// byte): identification, read-back and a scan still read every reply.
TEST(WireSeams, APieceOfALineBetweenTransactionsIsNotGluedToTheNextReply) {
    const std::string strays[] = {"\xFF", std::string(1, '\0'), "#", "+Q"};
    for (const std::string& stray : strays) {
        SCOPED_TRACE(static_cast<int>(static_cast<unsigned char>(stray[0])));
        SimLink link;
        link.sim.SetStrayAfterReplies(stray);
        ASSERT_TRUE(link.Connect());
        FakeView& v = link.view;
        EXPECT_EQ(link.ops.Model(), MODEL_LV200);
        EXPECT_EQ(v.firmware, u"v1.2.0");
        EXPECT_EQ(v.deviceName, u"LV200");
        EXPECT_EQ(v.Count("ShowMessage(137,Information)") + v.Count("RunPortDialog"), 0);

        // Straight after one another, too: each query finds its own reply.
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(CodeOf(link.ops.Comm().SendCommand("AT+VER?\r", 8, ATCMD_VER_Q, 5000)), ATRES_VERSION);
            const auto model = link.ops.Comm().SendCommand("AT+MODEL?\r", 10, ATCMD_MODEL_Q, 5000);
            ASSERT_EQ(CodeOf(model), ATRES_MODEL);
            EXPECT_EQ(PayloadText(model), "KESTOV-LV200");
        }
    }
}

// Queries whose replies come after their time-out, and what the queries
// after them read: each timed-out query accounts for one late line at most,
// and the same query again takes the first line.
TEST(WireSeams, AQueryAfterATimedOutOneGetsItsReply) {
    struct Step {
        const char* command;
        lv2xx_atcmd kind;
        unsigned timeoutMs;
        lv2xx_atres code;
        const char* payload;   // model or version, when not null
        bool waitForLateLine;  // the late reply has reached the program first
    };
    struct Case {
        const char* name;
        std::vector<std::pair<const char*, std::size_t>> delayed;  // command, how many times
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"same query, late reply already in",
         {{"AT+MODEL?", 1}},
         {{"AT+MODEL?", ATCMD_MODEL_Q, 300, ATRES_TIMEOUT, nullptr, false},
          {"AT+MODEL?", ATCMD_MODEL_Q, 5000, ATRES_MODEL, "KESTOV-LV200", true}}},
        {"same query, late reply on its way",
         {{"AT+MODEL?", 1}},
         {{"AT+MODEL?", ATCMD_MODEL_Q, 300, ATRES_TIMEOUT, nullptr, false},
          {"AT+MODEL?", ATCMD_MODEL_Q, 5000, ATRES_MODEL, "KESTOV-LV200", false},
          {"AT+VER?", ATCMD_VER_Q, 5000, ATRES_VERSION, "v1.2.0", false}}},
        {"two versions late, then the model",
         {{"AT+VER?", 2}},
         {{"AT+VER?", ATCMD_VER_Q, 300, ATRES_TIMEOUT, nullptr, false},
          {"AT+VER?", ATCMD_VER_Q, 300, ATRES_TIMEOUT, nullptr, false},
          {"AT+MODEL?", ATCMD_MODEL_Q, 5000, ATRES_MODEL, "KESTOV-LV200", false}}},
        {"version and model late, then the model again",
         {{"AT+VER?", 1}, {"AT+MODEL?", 1}},
         {{"AT+VER?", ATCMD_VER_Q, 300, ATRES_TIMEOUT, nullptr, false},
          {"AT+MODEL?", ATCMD_MODEL_Q, 300, ATRES_TIMEOUT, nullptr, false},
          {"AT+MODEL?", ATCMD_MODEL_Q, 5000, ATRES_MODEL, "KESTOV-LV200", false}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EngineLink link;
        for (int round = 0; round < 3; ++round) {
            SCOPED_TRACE(round);
            for (const auto& [command, times] : c.delayed) link.sim.SetDelayFor(command, 800ms, times);
            for (const Step& step : c.steps) {
                SCOPED_TRACE(step.command);
                if (step.waitForLateLine) {
                    // A line came after the last command: told to the tap, or
                    // still waiting in the engine.
                    ASSERT_TRUE(WaitFor([&] {
                        const auto& told = link.Told();
                        return told.back().direction == TapDirection::Received || link.comm.BufferedBytes() > 0;
                    }));
                }
                const auto reply = link.Send(step.command, step.kind, step.timeoutMs);
                ASSERT_EQ(CodeOf(reply), step.code);
                if (step.payload) EXPECT_EQ(PayloadText(reply), step.payload);
            }
            // Quiet before the next round: every late line has come.
            ASSERT_TRUE(WaitFor([&] {
                std::size_t lines = 0;
                for (const TapEvent& e : link.Told()) lines += e.direction == TapDirection::Received ? 1 : 0;
                std::size_t commands = 0;
                for (const TapEvent& e : link.told) commands += e.direction == TapDirection::Sent ? 1 : 0;
                return lines == commands;
            }));
        }
    }
}

// Identify, read-back of a module that scans by itself, a scan and its stop,
// under a flood of reports with echo: the tap tells every line the module
// wrote once, in the order it wrote them, with times that never go back, and
// each command's echo and reply after it.
TEST(WireSeams, TheTapTellsTheWireInItsOrderEachLineOnce) {
    SimLink link;
    link.sim.SetScanDevices(sim::KestovSimulator::MakeDevices(40, 3));
    link.sim.SetScanRate(4000);
    link.sim.SetEcho(true);
    link.sim.SetRecordWire(true);
    traffic::TrafficRecorder tap;
    link.ops.Comm().SetTap(&tap);
    FakeView& v = link.view;
    link.ops.OnOpenPort();
    ASSERT_TRUE(v.PumpUntil([&] { return v.Has("EnableControls(1)"); }));

    sim::SimState state = link.sim.State();
    state.scanning = true;
    link.sim.SetState(state);
    v.ClearCalls();
    link.ops.QueueJob(JOB_READ_SETTINGS, false);
    ASSERT_TRUE(v.PumpUntil([&] { return v.Has("EnableControls(1)"); }));
    ASSERT_FALSE(link.sim.State().scanning);

    link.ops.QueueJob(JOB_START_SCAN, false);
    ASSERT_TRUE(v.PumpUntil([&] { return v.reportsHandled.size() >= 300; }, 30s));
    link.ops.RequestScanStop();
    ASSERT_TRUE(v.PumpUntil([&] { return link.ops.ScanState() == 0; }));

    std::vector<TapEvent> told;
    Strings lines;
    ASSERT_TRUE(v.PumpUntil([&] {
        for (TapEvent& e : tap.TakePending()) {
            if (e.direction == TapDirection::Received) lines.push_back(e.bytes);
            told.push_back(std::move(e));
        }
        return lines.size() >= WireLines(link.sim.WireRecord()).size();
    }));
    link.ops.Comm().SetTap(nullptr);

    const Strings wire = WireLines(link.sim.WireRecord());
    for (std::size_t i = 0; i < std::min(lines.size(), wire.size()); ++i) {
        ASSERT_EQ(lines[i], wire[i]) << "line " << i << " of " << wire.size();
    }
    EXPECT_EQ(lines.size(), wire.size());
    for (std::size_t i = 1; i < told.size(); ++i) {
        ASSERT_LE(told[i - 1].sinceOpenNs, told[i].sinceOpenNs) << i;
    }
    // Per command: sent, then its echo before any other line but reports,
    // and one reply, before the next command.
    Strings sent;
    for (std::size_t i = 0; i < told.size(); ++i) {
        if (told[i].route != TapRoute::Command) continue;
        const std::string command = told[i].bytes.substr(0, told[i].bytes.size() - 1);
        sent.push_back(command);
        SCOPED_TRACE(command);
        int replies = 0;
        bool echoed = false;
        for (std::size_t j = i + 1; j < told.size() && told[j].route != TapRoute::Command; ++j) {
            const TapEvent& e = told[j];
            if (e.route == TapRoute::ScanReport || e.route == TapRoute::Dropped) continue;
            if (!echoed) {
                EXPECT_EQ(e.route, TapRoute::Echo);
                EXPECT_EQ(e.command, command);
                echoed = true;
                continue;
            }
            replies += e.route == TapRoute::Reply && e.command == command ? 1 : 0;
        }
        EXPECT_TRUE(echoed);
        EXPECT_EQ(replies, 1);
    }
    EXPECT_EQ(sent, link.sim.Commands());
}

// The module reports right up to its +STOPPED: every report it sent reaches
// the window's scan, and the command line's, exactly once.
TEST(WireSeams, ReportsUpToStoppedAreDeliveredOnce) {
    const auto devices = sim::KestovSimulator::MakeDevices(12, 4);
    {
        SCOPED_TRACE("window");
        SimLink link;
        ASSERT_TRUE(link.Connect());
        link.sim.SetScanDevices(devices);
        link.sim.SetScanRate(200);
        link.sim.SetReportsUntilStopped(true);
        FakeView& v = link.view;
        link.ops.QueueJob(JOB_START_SCAN, false);
        ASSERT_TRUE(v.PumpUntil([&] { return v.reportsHandled.size() >= 50; }));
        link.ops.RequestScanStop();
        ASSERT_TRUE(v.PumpUntil([&] { return link.ops.ScanState() == 0; }));
        v.PumpPending();
        const ScanRecord& record = link.ops.ScanRecording();
        EXPECT_EQ(record.EndSeq(), link.sim.ReportsSent());
        EXPECT_EQ(v.scanRows.size(), devices.size());
    }
    {
        SCOPED_TRACE("command line");
        EngineLink link;
        link.sim.SetScanDevices(devices);
        link.sim.SetScanRate(200);
        link.sim.SetReportsUntilStopped(true);
        std::vector<lv2xx_scan_report> got;
        const SessionResult r = link.session.Scan(
            "", [&] { return got.size() < 50; }, [&](const lv2xx_scan_report& report) { got.push_back(report); });
        EXPECT_TRUE(r);
        ASSERT_EQ(got.size(), link.sim.ReportsSent());
        for (std::size_t i = 0; i < got.size(); ++i) {
            ASSERT_EQ(std::memcmp(got[i].address, devices[i % devices.size()].address, 6), 0) << i;
        }
    }
}
