// Opening, identifying, closing and link errors, over the simulated module.
#include "sim_link.h"

#include <cstring>
#include <memory>

using Strings = std::vector<std::string>;

namespace {

const Strings kReadBackBeacon = ReadBackCommands(8, true);

Strings Concat(Strings a, const Strings& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST(Identify, OpenIdentifyAndReadBack) {
    SimLink link;
    link.ops.OnOpenPort();
    EXPECT_TRUE(link.ops.IsLinkOpen());
    // The busy flag may already be cleared by a fast worker; the cursor stays
    // until the result is handled on this thread.
    EXPECT_TRUE(link.view.waitCursor.load());
    EXPECT_EQ(link.view.linkStatus, link.ops.Port().m_portName + u", 115200, No parity, 1 stopbit");
    ASSERT_TRUE(link.view.PumpUntil([&] { return link.view.Has("EnableControls(1)"); }));
    EXPECT_EQ(link.Commands(), Concat({"AT", "AT+MODEL?"}, kReadBackBeacon));
    EXPECT_EQ(link.ops.Model(), MODEL_LV200);
    EXPECT_EQ(link.view.picture, PNG_LV200);
    EXPECT_TRUE(link.view.PumpUntil([&] { return !link.ops.IsBusy(); }));
    EXPECT_FALSE(link.view.waitCursor.load());
    EXPECT_FALSE(link.view.OffThreadCall());
}

TEST(Identify, SecondProbeAnswers) {
    SimLink link;
    link.sim.SetSilent(true);
    link.ops.OnOpenPort();
    ASSERT_TRUE(link.sim.WaitForCommands(1, 5s));
    link.sim.SetSilent(false);  // the first probe stays unanswered
    ASSERT_TRUE(link.view.PumpUntil([&] { return link.view.Has("EnableControls(1)"); }));
    EXPECT_EQ(link.Commands(), Concat({"AT", "AT", "AT+MODEL?"}, kReadBackBeacon));
    EXPECT_FALSE(link.view.Has("ShowMessage(105,Error)"));
}

// Identification outcomes that end in the port dialog.
TEST(Identify, FailuresRerunThePortChoice) {
    struct Case {
        const char* name;
        std::string model;
        bool silent;
        Strings commands;
        std::string message;
    };
    const Case cases[] = {
        {"unsupported model", "KESTOV-LV240", false, {"AT", "AT+MODEL?"}, "ShowMessage(137,Information)"},
        {"model with a suffix", "KESTOV-LV2000", false, {"AT", "AT+MODEL?"}, "ShowMessage(137,Information)"},
        {"no answer", "KESTOV-LV200", true, {"AT", "AT"}, "ShowMessage(105,Error)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimLink link(c.model);
        link.sim.SetSilent(c.silent);
        link.ops.OnOpenPort();
        ASSERT_TRUE(link.view.PumpUntil([&] { return link.view.Has("RunPortDialog"); }));
        EXPECT_EQ(link.Commands(), c.commands);
        const Strings calls = link.view.Calls();
        const int msg = link.view.IndexOf(c.message);
        ASSERT_GE(msg, 0);
        EXPECT_LT(msg, link.view.IndexOf("RunPortDialog"));
        EXPECT_LT(msg, link.view.IndexOf("SetLinkStatusString(102)"));
        EXPECT_FALSE(link.ops.IsLinkOpen());
        EXPECT_FALSE(link.ops.IsBusy());
        EXPECT_EQ(link.ops.Model(), MODEL_NONE);
    }
}

TEST(Identify, PortDialogOkOpensAgain) {
    SimLink link("KESTOV-LV240");
    PortSettings again = link.ops.Port();
    again.m_baudRate = 4800;
    link.view.portAnswers.push_back(again);
    link.ops.OnOpenPort();
    ASSERT_TRUE(link.view.PumpUntil([&] { return link.view.Has("RunPortDialog"); }));
    link.sim.SetState(sim::DefaultState("KESTOV-LV220"));
    // The dialog's OK posted the open request; handling it reconnects.
    ASSERT_TRUE(link.view.PumpUntil([&] { return link.view.Has("EnableControls(1)"); }));
    EXPECT_EQ(link.ops.Model(), MODEL_LV220);
    EXPECT_EQ(link.view.picture, PNG_LV220);
    EXPECT_EQ(link.view.linkStatus, link.ops.Port().m_portName + u", 4800, No parity, 1 stopbit");
}

TEST(Connect, OpenErrorIsShownAndNothingStarts) {
    FakeView view;
    ManagerOps ops(view);
    view.Attach(&ops);
    ops.Init();
    PortSettings missing;
    missing.m_portName = u"/dev/no-such-port-here";
    ops.UsePort(missing);
    ops.OnOpenPort();
    EXPECT_FALSE(ops.IsLinkOpen());
    EXPECT_FALSE(ops.IsBusy());
    const Strings calls = view.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].rfind("ShowOpenPortError(", 0), 0u) << calls[0];
    EXPECT_GT(calls[0].size(), std::string("ShowOpenPortError()").size());
}

TEST(Connect, SecondOpenRequestClosesTheLink) {
    SimLink link;
    ASSERT_TRUE(link.Connect());
    link.ops.HandleMessage(WM_OPEN_PORT, 0, 0);
    EXPECT_FALSE(link.ops.IsLinkOpen());
    EXPECT_TRUE(link.view.Has("SetLinkStatusString(102)"));
    EXPECT_EQ(link.view.Calls().back(), "EnableControls(0)");
    EXPECT_TRUE(link.Commands().empty());
    // The display was reset.
    EXPECT_EQ(link.view.firmware, u"");
    EXPECT_EQ(link.view.slots[1].address, u"");
    EXPECT_EQ(link.view.picture, PNG_SERIES);
    EXPECT_EQ(link.view.scanButtonText, IDS_SCAN);
}

TEST(Connect, JobsQueuedWithoutLinkAreDiscardedByTheOpen) {
    SimLink link;
    link.ops.QueueJob(JOB_REBOOT, false);
    link.ops.QueueJob(JOB_FACTORY_RESET, false);
    link.ops.OnOpenPort();
    ASSERT_TRUE(link.view.PumpUntil([&] { return link.view.Has("EnableControls(1)"); }));
    const Strings commands = link.Commands();
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.front(), "AT");
    for (const std::string& c : commands) {
        EXPECT_NE(c, "ATZ");
        EXPECT_NE(c, "AT&F");
    }
}

TEST(Worker, UnknownCodesPostNothingAndJobsRunInOrder) {
    SimLink link;
    ASSERT_TRUE(link.Connect());
    link.ops.Records().m_toWrite.advInterval = 200;
    link.ops.QueueJob(2, false);
    link.ops.QueueJob(0, false);
    link.ops.QueueJob(16, false);
    link.ops.QueueJob(JOB_SET_ADV_INTERVAL, false);
    link.ops.QueueJob(JOB_REBOOT, false);
    ASSERT_TRUE(link.view.PumpUntil([&] { return link.view.results.size() >= 2; }));
    const std::vector<std::pair<int, int>> expected = {{JOB_SET_ADV_INTERVAL, JOB_STATUS_OK},
                                                       {JOB_REBOOT, JOB_STATUS_OK}};
    EXPECT_EQ(link.view.results, expected);
    // The reboot's result re-identifies; what follows it is not looked at here.
    const Strings commands = link.Commands();
    ASSERT_GE(commands.size(), 3u);
    EXPECT_EQ(Strings(commands.begin(), commands.begin() + 3), (Strings{"AT+MODEL?", "AT+ADVINTERVAL=200", "ATZ"}));
    EXPECT_FALSE(link.view.OffThreadCall());
}

TEST(Worker, ResultsForAVanishedWindowAreDropped) {
    SimLink link;
    ASSERT_TRUE(link.Connect());
    link.view.exists = false;
    link.ops.Records().m_toWrite.advInterval = 300;
    link.ops.QueueJob(JOB_SET_ADV_INTERVAL, false);
    // The job is under way once its first command arrived; it is over when the
    // worker has cleared the busy flag again.
    ASSERT_TRUE(link.WaitCommand("AT+MODEL?"));
    ASSERT_TRUE(link.view.PumpUntil([&] { return !link.ops.IsBusy(); }));
    EXPECT_EQ(link.view.QueuedMessages(), 0u);
    link.ops.CloseLink();
    EXPECT_FALSE(link.ops.IsLinkOpen());
    EXPECT_TRUE(link.view.Calls().empty()) << "nothing is shown on a window that is gone";
    EXPECT_EQ(link.Commands(), (Strings{"AT+MODEL?", "AT+ADVINTERVAL=300"}));
}

TEST(LinkError, HangUpClosesOnceAndLaterErrorsDoNothing) {
    SimLink link;
    ASSERT_TRUE(link.Connect());
    link.sim.SetSilent(true);
    link.ops.QueueJob(JOB_SET_UART_OPTIONS, false);
    ASSERT_TRUE(link.WaitCommand("AT+MODEL?"));
    link.sim.HangUp();
    ASSERT_TRUE(link.view.PumpUntil([&] { return link.view.Has("ShowMessage(106,Error)"); }));
    EXPECT_FALSE(link.ops.IsLinkOpen());
    EXPECT_FALSE(link.ops.IsBusy());
    const int close = link.view.IndexOf("SetLinkStatusString(102)");
    ASSERT_GE(close, 0);
    EXPECT_LT(close, link.view.IndexOf("EnableControls(0)"));
    // Whatever else the engine reported, and one more error, change nothing.
    link.view.PumpPending();
    link.ops.HandleMessage(WM_LINK_ERROR, 5, 0);
    link.view.PumpPending();
    EXPECT_EQ(link.view.Count("ShowMessage(106,Error)"), 1);
    EXPECT_EQ(link.view.Count("SetLinkStatusString(102)"), 1);
    // The cut-off job shows nothing either.
    EXPECT_EQ(link.view.Count("ShowMessage(128,Error)"), 0);
    EXPECT_FALSE(link.view.Has("RunPortDialog"));
}

// Closing while each kind of job is under way: CloseLink returns promptly,
// the worker is joined, and the cut-off job shows nothing afterwards.
TEST(CloseLink, DuringEveryKindOfJob) {
    struct Case {
        const char* name;
        int job;
        bool silent;          // the module answers nothing
        std::string waitFor;  // the command after which the link is closed
        int scan;             // 1: once the scan waits for reports; 2: then "Stop", unanswered
    };
    const Case cases[] = {
        {"identify", JOB_IDENTIFY, true, "AT", 0},
        {"read-back", JOB_READ_SETTINGS_BEACON, true, "AT+VER?", 0},
        {"reboot", JOB_REBOOT, true, "ATZ", 0},
        {"factory reset", JOB_FACTORY_RESET, true, "AT&F", 0},
        {"write slots, waiting", JOB_WRITE_SLOTS, true, "AT+MODEL?", 0},
        {"write slots, pausing", JOB_WRITE_SLOTS, false, "AT+DELSLOT=1", 0},
        {"device name", JOB_SET_DEVICE_NAME, true, "AT+MODEL?", 0},
        {"beacon, pausing", JOB_SET_BEACON, false, "AT+MODEL?", 0},
        {"adv interval", JOB_SET_ADV_INTERVAL, true, "AT+MODEL?", 0},
        {"uart options", JOB_SET_UART_OPTIONS, true, "AT+MODEL?", 0},
        {"scan start, pausing", JOB_START_SCAN, false, "AT+SF=OFF", 0},
        {"scan, waiting for reports", JOB_START_SCAN, false, "", 1},
        {"scan stop", JOB_START_SCAN, false, "AT+STOPSCAN", 2},
    };
    SimLink link;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!link.ops.IsLinkOpen()) {
            link.sim.SetSilent(false);
            ASSERT_TRUE(link.Connect());
        }
        link.sim.ClearLog();
        link.sim.SetSilent(c.silent);
        link.ops.Records().m_toWrite.beaconSource = BEACON_SOURCE_USER;
        link.ops.Records().m_toWrite.beaconHex = "020106";
        link.ops.QueueJob(c.job, false);
        if (c.scan >= 1) {
            ASSERT_TRUE(link.view.PumpUntil([&] { return link.ops.ScanState() == 1; }));
        }
        if (c.scan == 2) {
            link.sim.SetSilent(true);
            link.ops.RequestScanStop();
        }
        if (!c.waitFor.empty()) {
            ASSERT_TRUE(link.WaitCommand(c.waitFor));
        }
        link.view.ClearCalls();
        const auto start = std::chrono::steady_clock::now();
        link.ops.CloseLink();
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_LT(took, 1s);
        EXPECT_FALSE(link.ops.IsLinkOpen());
        EXPECT_FALSE(link.ops.IsBusy());
        EXPECT_FALSE(link.view.waitCursor.load());
        EXPECT_EQ(link.ops.ScanState(), 0);
        const std::size_t sent = link.Commands().size();
        link.view.PumpPending();  // the worker is joined: everything it posted is queued
        for (const std::string& call : link.view.Calls()) {
            EXPECT_EQ(call.rfind("ShowMessage", 0), std::string::npos) << call;
            EXPECT_NE(call, "RunPortDialog");
        }
        EXPECT_EQ(link.Commands().size(), sent) << "nothing is sent after the close";
    }
}

TEST(Connect, APortHeldByAnotherProgramSaysSo) {
    SimLink link;
    FakeView otherView;
    ManagerOps other(otherView);
    otherView.Attach(&other);
    other.UsePort(link.ops.Port());
    other.OnOpenPort();
    ASSERT_TRUE(other.IsLinkOpen());
    link.view.ClearCalls();
    link.ops.OnOpenPort();
    EXPECT_FALSE(link.ops.IsLinkOpen());
    EXPECT_TRUE(link.view.Has("ShowOpenPortError(in use by another program)"));
    other.CloseLink();
}

// The window closes the link, then its own members go before the operations
// do: from then on the operations must not call it. Under AddressSanitizer a
// call into the freed view fails this test.
TEST(Connect, OperationsOutlivingTheirWindowLeaveItAlone) {
    sim::KestovSimulator sim;
    ASSERT_TRUE(sim.Start());
    auto view = std::make_unique<FakeView>();
    auto ops = std::make_unique<ManagerOps>(*view);
    view->Attach(ops.get());
    ops->Init();
    PortSettings port;
    port.m_portName = Wide(sim.DevicePath());
    port.m_baudRate = 115200;
    ops->UsePort(port);
    ops->OnOpenPort();
    ASSERT_TRUE(view->PumpUntil([&] { return view->Has("EnableControls(1)"); }));
    ops->CloseLink();
    view.reset();
    ops.reset();
}
