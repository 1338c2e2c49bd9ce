#include "link/comm.h"

#include "pty_peer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace {

using linktest::PtyPeer;
using linktest::WaitUntil;
using namespace std::chrono_literals;
using namespace std::string_literals;

// Device bytes in failure messages, with CR and LF made visible.
std::string Show(const std::string& bytes) {
    std::string out;
    for (const char c : bytes) {
        out += c == '\r' ? "<CR>" : c == '\n' ? "<LF>" : std::string(1, c);
    }
    return out;
}

lv2xx_atres CodeOf(const std::unique_ptr<uint8_t[]>& reply) { return static_cast<lv2xx_atres>(ReplyCode(reply.get())); }

std::string ReportName(int i) {
    char name[16];
    std::snprintf(name, sizeof name, "N%04d", i);
    return name;
}

std::string ScanReportLine(int i) { return "+A1B2C3D4E5F6,-40," + ReportName(i) + "\r"; }

// ---------------------------------------------------------------------------
// Transactions over a pseudo-terminal, the test playing the module.

class CommTest : public ::testing::Test {
protected:
    void SetUp() override {
        comm.SetErrorHandler([this](const KestovLV2xxComm*, std::error_code&) { ++link_errors; });
        std::error_code ec;
        comm.Open(ec, peer.Path(), 115200, 0, 0);
        ASSERT_FALSE(ec) << ec.message();
    }
    void TearDown() override { comm.Close(); }

    // Runs one transaction on a worker thread, as the job queue does.
    std::future<std::unique_ptr<uint8_t[]>> Send(const std::string& cmd, lv2xx_atcmd kind, unsigned timeout_ms) {
        return std::async(std::launch::async, [this, cmd, kind, timeout_ms] {
            return comm.SendCommand(cmd.data(), static_cast<unsigned>(cmd.size()), kind, timeout_ms);
        });
    }

    // Reports reach WaitScanReport only while a scan runs.
    void StartScan() {
        auto started = Send("AT+STARTSCAN\r", ATCMD_STARTSCAN, 60000);
        EXPECT_EQ(Show(peer.ReadUntil('\r')), Show("AT+STARTSCAN\r"));
        peer.Write("+SCANNING\r");
        EXPECT_EQ(CodeOf(Get(started)), ATRES_SCANNING);
    }

    template <typename T>
    static T Get(std::future<T>& f) {
        EXPECT_EQ(f.wait_for(10s), std::future_status::ready);
        return f.get();
    }

    PtyPeer peer;
    KestovLV2xxComm comm;
    std::atomic<int> link_errors{0};
};

TEST_F(CommTest, TransactionEndsAtTheFirstLineItsKindAccepts) {
    struct Case {
        const char* name;
        std::string cmd;
        lv2xx_atcmd kind;
        std::vector<std::string> writes;
        unsigned timeout_ms;
        lv2xx_atres expected;
    };
    const Case cases[] = {
        {"reply split over two writes", "AT\r", ATCMD_AT, {"+O", "K\r"}, 60000, ATRES_OK},
        {"echo skipped", "ATZ\r", ATCMD_ATZ, {"ATZ\r", "+READY\r"}, 60000, ATRES_READY},
        {"framed after an empty pair", "AT\r", ATCMD_AT, {"\r\n\r\nOK\r\n"}, 60000, ATRES_OK},
        {"slot read", "AT+GETSLOT=3\r", ATCMD_GETSLOT, {"+SLOT,3,A1B2C3D4E5F6,tag\r"}, 60000, ATRES_SLOT},
        {"error ends a slot read at once", "AT+GETSLOT=3\r", ATCMD_GETSLOT, {"+ERROR\r"}, 60000, ATRES_ERROR},
        {"UART options read", "AT+UARTOPT?\r", ATCMD_UARTOPT_Q, {"+UARTOPT,1,E,2\r"}, 60000, ATRES_UART_OPTIONS},
        {"scan filter set", "AT+SF=ON,abc\r", ATCMD_SF_SET, {"+OK\r"}, 60000, ATRES_OK},
        {"error skipped by a version read", "AT+VER?\r", ATCMD_VER_Q, {"+ERROR\r"}, 300, ATRES_TIMEOUT},
        {"line too long is dropped", "AT\r", ATCMD_AT, {std::string(300, 'x') + "\r", "OK\r"}, 60000, ATRES_OK},
        {"no reply", "AT\r", ATCMD_AT, {}, 100, ATRES_TIMEOUT},
    };
    for (const auto& c : cases) {
        auto result = Send(c.cmd, c.kind, c.timeout_ms);
        EXPECT_EQ(Show(peer.ReadUntil('\r')), Show(c.cmd)) << c.name;
        for (const auto& w : c.writes) {
            peer.Write(w);
        }
        const auto reply = Get(result);
        ASSERT_TRUE(reply) << c.name;
        EXPECT_EQ(CodeOf(reply), c.expected) << c.name;
    }
}

TEST_F(CommTest, BytesBeforeTheCommandNeverReachItsParsers) {
    StartScan();
    // The write arrives in one read: once the report is out, the OK line
    // after it is buffered in the engine.
    peer.Write(ScanReportLine(1) + "+OK\r");
    lv2xx_scan_report report{};
    ASSERT_EQ(comm.WaitScanReport(report), ATRES_SCAN_REPORT);

    auto result = Send("AT\r", ATCMD_AT, 60000);
    EXPECT_EQ(peer.ReadUntil('\r'), "AT\r");
    peer.Write("ERROR\r");
    EXPECT_EQ(CodeOf(Get(result)), ATRES_ERROR);
}

TEST_F(CommTest, CloseEndsAWaitAndLaterCommandsAreNotSent) {
    EXPECT_EQ(KestovLV2xxComm::OpenLinks(), 1);
    auto result = Send("AT+VER?\r", ATCMD_VER_Q, 60000);
    EXPECT_EQ(peer.ReadUntil('\r'), "AT+VER?\r");
    comm.Close();
    EXPECT_EQ(result.wait_for(1s), std::future_status::ready);
    EXPECT_EQ(CodeOf(Get(result)), ATRES_CLOSED);
    EXPECT_EQ(KestovLV2xxComm::OpenLinks(), 0);
    EXPECT_FALSE(IoServiceExec::Instance().HasThreads());

    EXPECT_EQ(CodeOf(comm.SendCommand("ATZ\r", 4, ATCMD_ATZ, 100)), ATRES_NOT_OPEN);
    lv2xx_scan_report report{};
    EXPECT_EQ(comm.WaitScanReport(report), ATRES_NOT_OPEN);

    // Reopened, the module hears the next command first: nothing was left
    // queued from before.
    std::error_code ec;
    comm.Open(ec, peer.Path(), 115200, 0, 0);
    ASSERT_FALSE(ec) << ec.message();
    auto next = Send("AT\r", ATCMD_AT, 60000);
    EXPECT_EQ(Show(peer.ReadUntil('\r')), Show("AT\r"));
    peer.Write("OK\r");
    EXPECT_EQ(CodeOf(Get(next)), ATRES_OK);
}

TEST_F(CommTest, ScanReportsComeOutOneAtATime) {
    StartScan();
    peer.Write(ScanReportLine(1) + "+STOPPED\r" + ScanReportLine(2));
    lv2xx_scan_report report{};
    ASSERT_EQ(comm.WaitScanReport(report), ATRES_SCAN_REPORT);
    EXPECT_STREQ(report.name, "N0001");
    EXPECT_EQ(report.rssi, -40);
    EXPECT_EQ(report.address[0], 0xA1);
    ASSERT_EQ(comm.WaitScanReport(report), ATRES_SCAN_REPORT);
    EXPECT_STREQ(report.name, "N0002");
    EXPECT_EQ(comm.WaitScanReport(report), ATRES_TIMEOUT);
}

// A stop must not wait for the module's next report: an interrupted wait
// ends as a quiet one, once, and the next wait takes the next report.
TEST_F(CommTest, AnInterruptEndsOneReportWaitAtOnce) {
    StartScan();
    auto wait = [this] {
        return std::async(std::launch::async, [this] {
            lv2xx_scan_report report{};
            return comm.WaitScanReport(report, 600000);
        });
    };
    auto quiet = wait();
    comm.InterruptScanWait();
    EXPECT_EQ(Get(quiet), ATRES_TIMEOUT);
    comm.InterruptScanWait();  // before the wait: it still ends that wait
    auto early = wait();
    EXPECT_EQ(Get(early), ATRES_TIMEOUT);
    auto next = wait();
    peer.Write(ScanReportLine(1));
    EXPECT_EQ(Get(next), ATRES_SCAN_REPORT);
}

TEST_F(CommTest, BurstOfScanReportsArrivesWholeAndInOrder) {
    StartScan();
    constexpr int kReports = 2000;
    std::string burst;
    for (int i = 0; i < kReports; ++i) {
        burst += ScanReportLine(i);
    }
    std::thread module([&] { peer.Write(burst); });
    int received = 0;
    for (; received < kReports; ++received) {
        lv2xx_scan_report report{};
        const lv2xx_atres code = comm.WaitScanReport(report);
        if (code != ATRES_SCAN_REPORT || report.name != ReportName(received)) {
            ADD_FAILURE() << "report " << received << ": code " << code << ", name " << report.name;
            break;
        }
    }
    module.join();
    EXPECT_EQ(received, kReports);
}

class CommHangUpTest : public CommTest, public ::testing::WithParamInterface<bool> {};

TEST_P(CommHangUpTest, HangUpIsReportedOnce) {
    const bool with_handler = GetParam();
    if (!with_handler) {
        comm.SetErrorHandler(nullptr);
    }
    peer.CloseMaster();
    // The failed read ends the read loop, and with it the run threads.
    ASSERT_TRUE(WaitUntil([&] { return !IoServiceExec::Instance().HasThreads(); }));
    EXPECT_EQ(link_errors.load(), with_handler ? 1 : 0);
    // Without a handler the engine closes the port itself.
    EXPECT_EQ(comm.IsOpen(), with_handler);
    comm.Close();
    EXPECT_EQ(KestovLV2xxComm::OpenLinks(), 0);
}

INSTANTIATE_TEST_SUITE_P(ErrorHandler, CommHangUpTest, ::testing::Bool());

}  // namespace
