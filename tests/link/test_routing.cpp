// How the engine routes what it receives, seen through its traffic tap, and
// the rules around transactions: one at a time, scans stopped on close,
// bounded buffers, the raw exchange.
#include "link/comm.h"

#include "pty_peer.h"
#include "route_name.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using linktest::PtyPeer;
using linktest::RouteName;
using linktest::WaitUntil;
using namespace std::chrono_literals;

std::string Show(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        out += c == '\r' ? "<CR>" : c == '\n' ? "<LF>" : std::string(1, c);
    }
    return out;
}

class Recorder : public ILinkTap {
public:
    void OnTraffic(const TapEvent& e) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        EXPECT_GE(e.sinceOpenNs, 0);
        EXPECT_EQ(e.direction == TapDirection::Sent, e.route == TapRoute::Command);
        std::string text = std::string(RouteName(e.route)) + " " + Show(e.bytes);
        if (!e.command.empty()) text += " [" + e.command + "]";
        m_events.push_back(text);
    }
    // In the order told, which is the wire's.
    std::vector<std::string> Events() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_events;
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_events;
};

lv2xx_atres CodeOf(const std::unique_ptr<uint8_t[]>& reply) { return static_cast<lv2xx_atres>(ReplyCode(reply.get())); }

std::string Report(int i) {
    char line[40];
    std::snprintf(line, sizeof line, "+A1B2C3D4E5F6,-40,N%05d\r", i);
    return line;
}

class RoutingTest : public ::testing::Test {
protected:
    void SetUp() override {
        comm.SetTap(&recorder);
        std::error_code ec;
        comm.Open(ec, peer.Path(), 115200, 0, 0);
        ASSERT_FALSE(ec) << ec.message();
    }
    void TearDown() override {
        comm.Close();
        comm.SetTap(nullptr);
    }

    // One transaction on another thread; returns once the module has the command.
    std::future<std::unique_ptr<uint8_t[]>> Send(const std::string& cmd, lv2xx_atcmd kind,
                                                 unsigned timeout_ms = 60000) {
        auto f = std::async(std::launch::async, [this, cmd, kind, timeout_ms] {
            return comm.SendCommand(cmd.data(), static_cast<unsigned>(cmd.size()), kind, timeout_ms);
        });
        EXPECT_EQ(Show(peer.ReadUntil('\r')), Show(cmd));
        return f;
    }

    template <typename T>
    static T Get(std::future<T>& f) {
        EXPECT_EQ(f.wait_for(10s), std::future_status::ready);
        return f.get();
    }

    PtyPeer peer;
    Recorder recorder;
    KestovLV2xxComm comm;
};

// Each row: the module's side of a short conversation, and what the tap saw.
TEST_F(RoutingTest, TapSeesEveryWriteAndEveryLineWithItsRoute) {
    struct Step {
        enum Kind { Send, Write, Expect, Report, Close } kind;
        std::string text;
        lv2xx_atcmd cmd = ATCMD_AT;
        lv2xx_atres code = ATRES_OK;
        unsigned timeout_ms = 60000;
    };
    struct Row {
        const char* name;
        std::vector<Step> steps;
        std::vector<std::string> events;
    };
    const Row rows[] = {
        {"read-back of a scanning module",
         {{Step::Send, "AT+INFO?\r", ATCMD_INFO_Q},
          {Step::Write, Report(1) + "00:1A:2B:3C:4D:5E,LV200,0,SCANNING\r" + Report(2)},
          {Step::Expect, "", ATCMD_INFO_Q, ATRES_INFO}},
         {"Command AT+INFO?<CR>", "Dropped " + Show(Report(1)),
          "Reply 00:1A:2B:3C:4D:5E,LV200,0,SCANNING<CR> [AT+INFO?]", "Dropped " + Show(Report(2))}},
        {"report split across the model reply",
         {{Step::Write, "+A1B2C3"},
          {Step::Send, "AT+MODEL?\r", ATCMD_MODEL_Q},
          {Step::Write, "D4E5F6,-40,N00007\rKESTOV-LV200\r"},
          {Step::Expect, "", ATCMD_MODEL_Q, ATRES_MODEL}},
         {"Command AT+MODEL?<CR>", "Dropped " + Show(Report(7)), "Reply KESTOV-LV200<CR> [AT+MODEL?]"}},
        {"scan with reports interleaved",
         {{Step::Send, "AT+STARTSCAN\r", ATCMD_STARTSCAN},
          {Step::Write, "+SCANNING\r" + Report(1) + Report(2)},
          {Step::Expect, "", ATCMD_STARTSCAN, ATRES_SCANNING},
          {Step::Report, ""},
          {Step::Report, ""}},
         {"Command AT+STARTSCAN<CR>", "Reply +SCANNING<CR> [AT+STARTSCAN]", "ScanReport " + Show(Report(1)),
          "ScanReport " + Show(Report(2))}},
        {"echo",
         {{Step::Send, "AT+MODEL?\r", ATCMD_MODEL_Q},
          {Step::Write, "AT+MODEL?\rKESTOV-LV230\r"},
          {Step::Expect, "", ATCMD_MODEL_Q, ATRES_MODEL}},
         {"Command AT+MODEL?<CR>", "Echo AT+MODEL?<CR> [AT+MODEL?]", "Reply KESTOV-LV230<CR> [AT+MODEL?]"}},
        {"time-out, then its late reply",
         {{Step::Send, "AT+VER?\r", ATCMD_VER_Q, ATRES_OK, 100},
          {Step::Expect, "", ATCMD_VER_Q, ATRES_TIMEOUT},
          {Step::Send, "AT+MODEL?\r", ATCMD_MODEL_Q},
          {Step::Write, "v1.2.0\rOK\rKESTOV-LV200\r"},
          {Step::Expect, "", ATCMD_MODEL_Q, ATRES_MODEL}},
         {"Command AT+VER?<CR>", "Command AT+MODEL?<CR>", "Echo v1.2.0<CR> [AT+VER?]", "Unclaimed OK<CR>",
          "Reply KESTOV-LV200<CR> [AT+MODEL?]"}},
        {"over-long line and a partial line at close",
         {{Step::Send, "AT\r", ATCMD_AT},
          {Step::Write, std::string(300, 'x') + "\rOK\rOK"},
          {Step::Expect, "", ATCMD_AT, ATRES_OK},
          {Step::Close, ""}},
         {"Command AT<CR>", "Dropped " + std::string(256, 'x'), "Reply OK<CR> [AT]", "Partial OK"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Recorder rec;
        comm.SetTap(&rec);
        struct Untap {
            KestovLV2xxComm& comm;
            ~Untap() { comm.SetTap(nullptr); }
        } untap{comm};
        std::future<std::unique_ptr<uint8_t[]>> pending;
        std::string model;
        for (const Step& step : row.steps) {
            switch (step.kind) {
            case Step::Send:
                pending = Send(step.text, step.cmd, step.timeout_ms);
                break;
            case Step::Write:
                peer.Write(step.text);
                break;
            case Step::Expect: {
                const auto reply = Get(pending);
                ASSERT_EQ(CodeOf(reply), step.code);
                if (step.code == ATRES_MODEL) {
                    model = reinterpret_cast<const char*>(ReplyPayload(reply.get()));
                }
                break;
            }
            case Step::Report: {
                lv2xx_scan_report report{};
                ASSERT_EQ(comm.WaitScanReport(report), ATRES_SCAN_REPORT);
                break;
            }
            case Step::Close:
                // The partial line must have arrived before the close.
                ASSERT_TRUE(WaitUntil([&] { return comm.BufferedBytes() == 2; }));
                comm.Close();
                break;
            }
        }
        if (!model.empty()) {
            EXPECT_EQ(model.rfind("KESTOV-LV2", 0), 0u) << model;
        }
        const std::vector<std::string>& expected = row.events;
        ASSERT_TRUE(WaitUntil([&] { return rec.Events().size() >= expected.size(); }));
        EXPECT_EQ(rec.Events(), expected);
        comm.SetTap(nullptr);
        if (!comm.IsOpen()) {
            std::error_code ec;
            comm.Open(ec, peer.Path(), 115200, 0, 0);
            ASSERT_FALSE(ec);
        }
        // Back to a quiet link for the next row.
        auto stop = Send("AT+STOPSCAN\r", ATCMD_STOPSCAN);
        peer.Write("+STOPPED\r");
        ASSERT_EQ(CodeOf(Get(stop)), ATRES_STOPPED);
    }
}

TEST_F(RoutingTest, OneTransactionAtATime) {
    // Two callers at once: the second command goes out only after the first
    // one's reply, and each caller gets its own reply.
    auto first =
        std::async(std::launch::async, [this] { return comm.SendCommand("AT+VER?\r", 8, ATCMD_VER_Q, 60000); });
    auto second =
        std::async(std::launch::async, [this] { return comm.SendCommand("AT+MODEL?\r", 10, ATCMD_MODEL_Q, 60000); });
    const std::string one = peer.ReadUntil('\r');
    EXPECT_EQ(peer.ReadUntil('\r', 200ms), "") << "a second command while the first waits";
    peer.Write(one == "AT+VER?\r" ? "v1.0\r" : "KESTOV-LV210\r");
    const std::string two = peer.ReadUntil('\r');
    EXPECT_NE(one, two);
    peer.Write(two == "AT+VER?\r" ? "v1.0\r" : "KESTOV-LV210\r");
    const auto version = Get(first);
    const auto model = Get(second);
    ASSERT_EQ(CodeOf(version), ATRES_VERSION);
    ASSERT_EQ(CodeOf(model), ATRES_MODEL);
    EXPECT_STREQ(reinterpret_cast<const char*>(ReplyPayload(version.get())), "v1.0");
    EXPECT_STREQ(reinterpret_cast<const char*>(ReplyPayload(model.get())), "KESTOV-LV210");
}

TEST_F(RoutingTest, CloseDuringAScanStopsIt) {
    auto start = Send("AT+STARTSCAN\r", ATCMD_STARTSCAN);
    peer.Write("+SCANNING\r" + Report(1));
    ASSERT_EQ(CodeOf(Get(start)), ATRES_SCANNING);
    // A scan wait ends with the close (or, started after it, finds the link closed).
    auto wait = std::async(std::launch::async, [this] {
        lv2xx_scan_report report{};
        comm.WaitScanReport(report);
        return comm.WaitScanReport(report);
    });
    comm.Close();
    const lv2xx_atres ended = Get(wait);
    EXPECT_TRUE(ended == ATRES_CLOSED || ended == ATRES_NOT_OPEN) << ended;
    EXPECT_EQ(Show(peer.ReadUntil('\r')), Show("AT+STOPSCAN\r"));

    // A scan that ended is not stopped again.
    std::error_code ec;
    comm.Open(ec, peer.Path(), 115200, 0, 0);
    ASSERT_FALSE(ec);
    comm.Close();
    EXPECT_EQ(peer.ReadUntil('\r', 200ms), "");
}

TEST_F(RoutingTest, AFloodStaysWithinTheCeilingAndKeepsTheNewestReportsWhole) {
    auto start = Send("AT+STARTSCAN\r", ATCMD_STARTSCAN);
    peer.Write("+SCANNING\r");
    ASSERT_EQ(CodeOf(Get(start)), ATRES_SCANNING);
    constexpr int kReports = 20000;
    std::string flood;
    for (int i = 0; i < kReports; ++i) {
        flood += Report(i);
        if (i == kReports / 2) flood += std::string(100000, 'z');  // a line without end
    }
    std::thread module([&] { peer.Write(flood); });
    module.join();
    // All has come once the tap has been told the last report.
    const std::string lastTold = "ScanReport " + Show(Report(kReports - 1));
    ASSERT_TRUE(WaitUntil([&] {
        const std::vector<std::string> told = recorder.Events();
        return !told.empty() && told.back() == lastTold;
    }));
    // Whatever is kept is whole reports, in order, ending with the last one.
    int last = -1;
    int kept = 0;
    for (;;) {
        lv2xx_scan_report report{};
        const lv2xx_atres code = comm.WaitScanReport(report);
        if (code == ATRES_TIMEOUT) break;
        ASSERT_EQ(code, ATRES_SCAN_REPORT);
        const int n = std::atoi(report.name + 1);
        ASSERT_GT(n, last) << report.name;
        last = n;
        ++kept;
    }
    EXPECT_EQ(last, kReports - 1);
    EXPECT_LT(static_cast<std::size_t>(kept) * Report(0).size(), KestovLV2xxComm::kReportQueueBytes + 1)
        << "the queue's ceiling pushed the oldest out";
    // One report went down with the endless line, which is told once as
    // dropped; every other one was told as a report.
    std::size_t reportsTold = 0;
    std::size_t droppedTold = 0;
    for (const std::string& e : recorder.Events()) {
        reportsTold += e.rfind("ScanReport ", 0) == 0 ? 1 : 0;
        droppedTold += e.rfind("Dropped ", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(reportsTold, static_cast<std::size_t>(kReports - 1));
    EXPECT_EQ(droppedTold, 1u);
}

TEST_F(RoutingTest, ExchangeReturnsWhatCameBackUntilAFinalLine) {
    struct Case {
        const char* name;
        std::string text;
        std::string module;
        std::vector<std::string> lines;
        bool final;
    };
    const Case cases[] = {
        {"echo and a report left out",
         "AT+NONSENSE=1",
         "AT+NONSENSE=1\r" + Report(3) + "+SLOT,1,A1B2C3D4E5F6\r\r\nOK\r\n",
         {"+SLOT,1,A1B2C3D4E5F6", "OK"},
         true},
        {"error", "AT+NONSENSE", "ERROR\r", {"ERROR"}, true},
        {"no final line", "AT+NONSENSE?", "v1.2.0\r", {"v1.2.0"}, false},
        // A query whose answer is one line of its own form ends on it.
        {"version", "AT+VER?", "v1.2.0\r", {"v1.2.0"}, true},
        {"model, typed in lower case", "at+model?", "KESTOV-LV200\r", {"KESTOV-LV200"}, true},
        {"info", "AT+INFO?", "C0:11:22:33:44:55,Kitchen,,IDLE\r", {"C0:11:22:33:44:55,Kitchen,,IDLE"}, true},
        {"slot, after an echo", "AT+GETSLOT=2", "AT+GETSLOT=2\r+SLOT,2,A1B2C3D4E5F6\r", {"+SLOT,2,A1B2C3D4E5F6"}, true},
        {"interval", "AT+ADVINTERVAL?", "200\r", {"200"}, true},
        {"a query's error", "AT+BEACON?", "ERROR\r", {"ERROR"}, true},
        {"not the query's form", "AT+UARTOPT?", "junk\r", {"junk"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto result = std::async(std::launch::async, [&] { return comm.Exchange(c.text, 300); });
        EXPECT_EQ(Show(peer.ReadUntil('\r')), Show(c.text + "\r"));
        peer.Write(c.module);
        const RawExchangeResult r = Get(result);
        EXPECT_EQ(r.lines, c.lines);
        EXPECT_EQ(r.finalSeen, c.final);
        EXPECT_FALSE(r.closed);
    }
    comm.Close();
    EXPECT_TRUE(comm.Exchange("AT", 100).closed);
}

}  // namespace
