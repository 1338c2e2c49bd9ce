#include "link/comm.h"

#include "pty_peer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
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
std::string Show(const std::string& bytes)
{
    std::string out;
    for (const char c : bytes) {
        out += c == '\r' ? "<CR>" : c == '\n' ? "<LF>" : std::string(1, c);
    }
    return out;
}

lv2xx_atres CodeOf(const std::unique_ptr<uint8_t[]>& reply)
{
    return static_cast<lv2xx_atres>(ReplyCode(reply.get()));
}

std::string ReportName(int i)
{
    char name[16];
    std::snprintf(name, sizeof name, "N%04d", i);
    return name;
}

std::string ScanReportLine(int i)
{
    return "+A1B2C3D4E5F6,-40," + ReportName(i) + "\r";
}

// ---------------------------------------------------------------------------
// Line cutting on plain bytes.

TEST(FindLineEndTest, RecognisesPlainAndFramedLines)
{
    struct Case {
        std::string bytes;
        int end;  // offset of the returned position, -1 for none
    };
    const Case cases[] = {
        {"", -1},
        {"OK", -1},
        {"OK\r", 2},           // the CR itself
        {"+OK\n", -1},         // LF does not end a plain line
        {"\n", 1},             // lone LF
        {"\r", -1},            // a CR needs 4 bytes to decide
        {"\rOK", -1},
        {"\rOK\r", 1},         // lone CR
        {"\r\nOK", -1},
        {"\r\nOK\r", -1},      // framed, its LF still missing
        {"\r\nOK\r\n", 6},     // framed: past the closing LF
        {"\r\nOK\rX", 1},      // not framed after all
        {"\r\n\r\n", 4},
    };
    for (const auto& c : cases) {
        const char* begin = c.bytes.data();
        const char* e = KestovLV2xxComm::FindLineEnd(begin, begin + c.bytes.size());
        EXPECT_EQ(e == nullptr ? -1 : static_cast<int>(e - begin), c.end) << Show(c.bytes);
    }
}

struct CutCase {
    const char* name;
    std::string bytes;
    lv2xx_atcmd kind;
    std::vector<lv2xx_atres> codes;  // every result but ATRES_INCOMPLETE, in order
    std::string left;                // what stays in the buffer at the end
};

// Feeds the bytes in pieces of `chunk` and takes replies after each piece
// until the buffer holds no complete line.
void Cut(KestovLV2xxComm& comm, const CutCase& c, std::size_t chunk)
{
    std::vector<char> buffer;
    std::vector<lv2xx_atres> codes;
    for (std::size_t pos = 0; pos < c.bytes.size(); pos += chunk) {
        const std::string piece = c.bytes.substr(pos, chunk);
        buffer.insert(buffer.end(), piece.begin(), piece.end());
        for (int guard = 0; guard < 1000; ++guard) {
            const auto reply = comm.TakeReply(buffer, c.kind);
            ASSERT_TRUE(reply);
            if (CodeOf(reply) == ATRES_INCOMPLETE) {
                break;
            }
            codes.push_back(CodeOf(reply));
        }
    }
    EXPECT_EQ(codes, c.codes) << c.name << " in pieces of " << chunk;
    EXPECT_EQ(Show(std::string(buffer.begin(), buffer.end())), Show(c.left))
        << c.name << " in pieces of " << chunk;
}

TEST(TakeReplyTest, CutsTheSameLinesWholeInChunksAndByteByByte)
{
    const std::string report = "+A1B2C3D4E5F6,-45,Dev\r\n";
    const CutCase cases[] = {
        {"plain", "OK\r", ATCMD_AT, {ATRES_OK}, ""},
        {"plain, LF after", "+OK\r\n", ATCMD_AT, {ATRES_OK}, ""},
        {"framed", "\r\nOK\r\n", ATCMD_AT, {ATRES_OK}, ""},
        {"empty CR LF dropped", "\r\n\r\nOK\r\n", ATCMD_AT, {ATRES_OK}, ""},
        {"two framed", "\r\nOK\r\n\r\nOK\r\n", ATCMD_AT, {ATRES_OK, ATRES_OK}, ""},
        {"lone CR and LF", "\r\n\rERROR\r", ATCMD_AT, {ATRES_ERROR}, ""},
        {"one-character line dropped", "A\rOK\r", ATCMD_AT, {ATRES_OK}, ""},
        {"echo skipped", "AT\r+OK\r", ATCMD_AT, {ATRES_NO_MATCH, ATRES_OK}, ""},
        {"LF is no line end", "+OK\n", ATCMD_AT, {}, "+OK\n"},
        {"partial line waits", "OK\r+OK", ATCMD_AT, {ATRES_OK}, "+OK"},
        {"scan report", report + report, ATCMD_SCAN_REPORT,
         {ATRES_SCAN_REPORT, ATRES_SCAN_REPORT}, ""},
        {"255-byte line", std::string(254, 'x') + "\r", ATCMD_AT, {ATRES_NO_MATCH}, ""},
        {"256-byte line", std::string(255, 'x') + "\r", ATCMD_AT, {ATRES_TOO_LONG}, ""},
        {"300-byte line waits for its CR", std::string(300, 'x'), ATCMD_AT, {},
         std::string(300, 'x')},
        {"300-byte line", std::string(300, 'x') + "\rOK\r", ATCMD_AT,
         {ATRES_TOO_LONG, ATRES_OK}, ""},
    };
    KestovLV2xxComm comm;
    for (const auto& c : cases) {
        for (const std::size_t chunk : {c.bytes.size() + 1, std::size_t{3}, std::size_t{1}}) {
            Cut(comm, c, chunk);
        }
    }
}

TEST(TakeReplyTest, EmptyBufferIsIncomplete)
{
    KestovLV2xxComm comm;
    std::vector<char> buffer;
    EXPECT_EQ(CodeOf(comm.TakeReply(buffer, ATCMD_AT)), ATRES_INCOMPLETE);
}

// ---------------------------------------------------------------------------
// Transactions over a pseudo-terminal, the test playing the module.

class CommTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        comm.SetErrorHandler([this](const KestovLV2xxComm*, std::error_code&) { ++link_errors; });
        std::error_code ec;
        comm.Open(ec, peer.Path(), 115200, 0, 0);
        ASSERT_FALSE(ec) << ec.message();
    }
    void TearDown() override { comm.Close(); }

    // Runs one transaction on a worker thread, as the job queue does.
    std::future<std::unique_ptr<uint8_t[]>> Send(const std::string& cmd, lv2xx_atcmd kind,
                                                 unsigned timeout_ms)
    {
        return std::async(std::launch::async, [this, cmd, kind, timeout_ms] {
            return comm.SendCommand(cmd.data(), static_cast<unsigned>(cmd.size()), kind,
                                    timeout_ms);
        });
    }

    // Reports reach WaitScanReport only while a scan runs.
    void StartScan()
    {
        auto started = Send("AT+STARTSCAN\r", ATCMD_STARTSCAN, 60000);
        EXPECT_EQ(Show(peer.ReadUntil('\r')), Show("AT+STARTSCAN\r"));
        peer.Write("+SCANNING\r");
        EXPECT_EQ(CodeOf(Get(started)), ATRES_SCANNING);
    }

    template <typename T>
    static T Get(std::future<T>& f)
    {
        EXPECT_EQ(f.wait_for(10s), std::future_status::ready);
        return f.get();
    }

    PtyPeer peer;
    KestovLV2xxComm comm;
    std::atomic<int> link_errors{0};
};

TEST_F(CommTest, TransactionEndsAtTheFirstLineItsKindAccepts)
{
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
        {"error ends a slot read at once", "AT+GETSLOT=3\r", ATCMD_GETSLOT, {"+ERROR\r"}, 60000,
         ATRES_ERROR},
        {"error skipped by a version read", "AT+VER?\r", ATCMD_VER_Q, {"+ERROR\r"}, 300,
         ATRES_TIMEOUT},
        {"line too long is dropped", "AT\r", ATCMD_AT, {std::string(300, 'x') + "\r", "OK\r"},
         60000, ATRES_OK},
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

TEST_F(CommTest, WrappersSendTheirCommandAndFillTheirRecord)
{
    auto slot_result = std::async(std::launch::async, [this] {
        lv2xx_slot_info slot{};
        const lv2xx_atres code = comm.GetSlot(3, slot);
        return std::make_pair(code, slot);
    });
    EXPECT_EQ(Show(peer.ReadUntil('\r')), Show("AT+GETSLOT=3\r"));
    peer.Write("+SLOT,3,A1B2C3D4E5F6,tag\r");
    const auto [slot_code, slot] = Get(slot_result);
    EXPECT_EQ(slot_code, ATRES_SLOT);
    EXPECT_EQ(slot.slot, 3);
    EXPECT_EQ(slot.address[0], 0xA1);
    EXPECT_EQ(slot.address[5], 0xF6);
    EXPECT_STREQ(slot.tag, "tag");

    auto uart_result = std::async(std::launch::async, [this] {
        lv2xx_uart_options uart{};
        const lv2xx_atres code = comm.GetUartOptions(uart);
        return std::make_pair(code, uart);
    });
    EXPECT_EQ(Show(peer.ReadUntil('\r')), Show("AT+UARTOPT?\r"));
    peer.Write("+UARTOPT,1,E,2\r");
    const auto [uart_code, uart] = Get(uart_result);
    EXPECT_EQ(uart_code, ATRES_UART_OPTIONS);
    EXPECT_EQ(uart.parity, 'E');
    EXPECT_EQ(uart.stop_bits, 2);
    EXPECT_EQ(uart.flow_control, 1);

    // A record that did not come back leaves the caller's record alone.
    auto failed = std::async(std::launch::async, [this] {
        lv2xx_uart_options uart{'N', 1, 0};
        const lv2xx_atres code = comm.GetUartOptions(uart);
        return std::make_pair(code, uart);
    });
    peer.ReadUntil('\r');
    peer.Write("+ERROR\r");
    const auto [failed_code, untouched] = Get(failed);
    EXPECT_EQ(failed_code, ATRES_ERROR);
    EXPECT_EQ(untouched.parity, 'N');

    for (const bool on : {true, false}) {
        auto filter_result = std::async(std::launch::async, [this, on] {
            lv2xx_scan_filter filter{};
            filter.enabled = on ? 1 : 0;
            std::strcpy(filter.name, "abc");
            return comm.SetScanFilter(filter);
        });
        EXPECT_EQ(Show(peer.ReadUntil('\r')), Show(on ? "AT+SF=ON,abc\r" : "AT+SF=OFF\r"));
        peer.Write("+OK\r");
        EXPECT_EQ(Get(filter_result), ATRES_OK);
    }
}

TEST_F(CommTest, BytesBeforeTheCommandNeverReachItsParsers)
{
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

TEST_F(CommTest, CloseEndsAWaitAndLaterCommandsAreNotSent)
{
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

TEST_F(CommTest, ScanReportsComeOutOneAtATime)
{
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

TEST_F(CommTest, BurstOfScanReportsArrivesWholeAndInOrder)
{
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

TEST_P(CommHangUpTest, HangUpIsReportedOnce)
{
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
