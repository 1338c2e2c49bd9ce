// Misbehaviour knobs, the line's life cycle (reopen, hang-up) and a prompt Stop.
#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <string>

#include "sim/kestov_sim.h"
#include "sim_port.h"

namespace {

using namespace std::chrono_literals;
using simtest::SimPort;

struct KnobCase {
    const char* name;
    std::function<void(sim::KestovSimulator&)> set;
    std::string send;
    std::string expect;
};

TEST(SimBehaviourTest, KnobsChangeTheBytesOnTheWire) {
    const KnobCase cases[] = {
        {"plain", [](auto&) {}, "AT+VER?\r", "v1.2.0\r"},
        {"echo", [](auto& m) { m.SetEcho(true); }, "AT\r", "AT\rOK\r"},
        {"framed", [](auto& m) { m.SetFramedReplies(true); }, "AT+VER?\r", "\r\nv1.2.0\r\n"},
        {"framed ready", [](auto& m) { m.SetFramedReplies(true); }, "ATZ\r", "\r\n+READY\r\n"},
        {"echo framed",
         [](auto& m) {
             m.SetEcho(true);
             m.SetFramedReplies(true);
         },
         "AT\r", "AT\r\r\nOK\r\n"},
        {"split", [](auto& m) { m.SetSplitWrites(true); }, "AT+INFO?\r", "00:1A:2B:3C:4D:5E,LV200,0,READY\r"},
        {"paced", [](auto& m) { m.SetPaceBaud(9600); }, "AT+UARTOPT?\r", "+UARTOPT,0,N,1\r"},
        {"delayed", [](auto& m) { m.SetReplyDelay(50ms); }, "AT\r", "OK\r"},
        {"error for prefix", [](auto& m) { m.SetErrorFor("AT+VER"); }, "AT+VER?\r", "ERROR\r"},
        {"errors cleared",
         [](auto& m) {
             m.SetErrorFor("AT+VER");
             m.ClearErrors();
         },
         "AT+VER?\r", "v1.2.0\r"},
    };
    for (const KnobCase& c : cases) {
        SCOPED_TRACE(c.name);
        sim::KestovSimulator module;
        c.set(module);
        ASSERT_TRUE(module.Start());
        SimPort port(module.DevicePath());
        port.Send(c.send);
        EXPECT_EQ(port.Read(c.expect.size()), c.expect);
    }
}

TEST(SimBehaviourTest, NoiseFollowsRepliesAsJunkLines) {
    sim::KestovSimulator module;
    module.SetNoise(true);
    ASSERT_TRUE(module.Start());
    SimPort port(module.DevicePath());
    for (int i = 0; i < 2; ++i) {
        port.Send("AT\r");
        EXPECT_EQ(port.ReadLine(), "OK\r");
        const std::string junk = port.ReadLine();
        EXPECT_TRUE(junk == "+NOISE\r" || (junk.size() >= 5 && junk[0] == '#')) << junk;
    }
}

TEST(SimBehaviourTest, SilentModuleHearsButDoesNotAnswer) {
    sim::KestovSimulator module;
    module.SetSilent(true);
    ASSERT_TRUE(module.Start());
    SimPort port(module.DevicePath());
    port.Send("AT+MODEL?\r");
    ASSERT_TRUE(module.WaitForCommands(1, 3s));
    module.SetSilent(false);
    port.Send("AT\r");
    EXPECT_EQ(port.ReadLine(), "OK\r");  // the first command never got a reply
    EXPECT_EQ(module.Commands(), (std::vector<std::string>{"AT+MODEL?", "AT"}));
}

TEST(SimBehaviourTest, PortCanBeClosedAndOpenedAgain) {
    sim::KestovSimulator module;
    ASSERT_TRUE(module.Start());
    for (int round = 0; round < 3; ++round) {
        // The first opener leaves the mode alone: the line is raw already,
        // so nothing is echoed and CR is not translated.
        SimPort port(module.DevicePath(), round > 0);
        ASSERT_TRUE(port.IsOpen());
        port.Send("AT\r");
        EXPECT_EQ(port.ReadLine(), "OK\r");
    }
}

TEST(SimBehaviourTest, HangUpEndsTheLineUntilRestarted) {
    sim::KestovSimulator module;
    ASSERT_TRUE(module.Start());
    {
        SimPort port(module.DevicePath());
        port.Send("AT\r");
        ASSERT_EQ(port.ReadLine(), "OK\r");
        module.HangUp();
        EXPECT_LE(port.WaitForHangUp(), 0);  // end of file or an error, not data or silence
    }
    module.Stop();
    ASSERT_TRUE(module.Start());
    SimPort port(module.DevicePath());
    port.Send("AT\r");
    EXPECT_EQ(port.ReadLine(), "OK\r");
}

TEST(SimBehaviourTest, StopReturnsWhileRepliesAndReportsPileUp) {
    auto module = std::make_unique<sim::KestovSimulator>();
    module->SetPaceBaud(300);
    module->SetSplitWrites(true);
    module->SetScanRate(2000);
    ASSERT_TRUE(module->Start());
    {
        SimPort port(module->DevicePath());
        port.Send("AT+STARTSCAN\r");
        ASSERT_TRUE(module->WaitForCommands(1, 3s));
        module->SetReplyDelay(10s);
        port.Send("AT+INFO?\r");
        ASSERT_TRUE(module->WaitForCommands(2, 3s));
    }
    // Nobody reads; the reply is far off. Stop must still come back (bound is generous).
    auto stopped = std::async(std::launch::async, [&] { module->Stop(); });
    ASSERT_EQ(stopped.wait_for(5s), std::future_status::ready);
}

}  // namespace
