// Wire traffic as text, the ring's bound, and the typed-command job against
// the simulated module.
#include "ops/traffic/traffic_recorder.h"
#include "ops/traffic/traffic_ring.h"
#include "ops/traffic/traffic_text.h"
#include "sim_link.h"

#include <chrono>
#include <ctime>

using Strings = std::vector<std::string>;

TEST(TrafficText, EscapesControlAndInvalidBytesKeepsUtf8Text) {
    struct Case {
        std::string bytes;
        std::string shown;
    };
    const Case cases[] = {
        {"AT+VER?\r", "AT+VER?<CR>"},
        {"\r\nOK\r\n", "<CR><LF>OK<CR><LF>"},
        {std::string("A\0B\tC\x7F", 6), "A\\x00B\\x09C\\x7F"},
        {"\x1B[31m", "\\x1B[31m"},
        {"+AABBCCDDEEFF,-50,\xEB\xAC\xB8\xEC\x97\xB4\r", "+AABBCCDDEEFF,-50,\xEB\xAC\xB8\xEC\x97\xB4<CR>"},
        {"\xEB\xAC", "\\xEB\\xAC"},           // cut in the middle of a syllable
        {"\xC0\xAF", "\\xC0\\xAF"},           // overlong slash
        {"\xED\xA0\x80", "\\xED\\xA0\\x80"},  // a surrogate
        {"\xC2\x85", "\\xC2\\x85"},           // C1 control, valid UTF-8 but not text
        {"\xFF"
         "OK",
         "\\xFFOK"},
        {"<b>x</b>", "<b>x</b>"},  // markup stays literal text
    };
    for (const Case& c : cases) {
        EXPECT_EQ(traffic::EscapeWireBytes(c.bytes), c.shown) << c.shown;
    }
}

TEST(TrafficText, RowHoldsTimeDirectionTextAndRoute) {
    EXPECT_EQ(traffic::FormatRow({1234567, TapDirection::Received, TapRoute::Reply, "v1.2.0\r", "AT+VER?"}),
              "1.2\treceived\tv1.2.0<CR>\treply AT+VER?");
    EXPECT_EQ(traffic::FormatRow({1'500'099'999, TapDirection::Sent, TapRoute::Command, "AT\r", ""}),
              "1500.0\tsent\tAT<CR>\tcommand");
    EXPECT_EQ(traffic::SinceOpenText(99'999), "0.0");
    EXPECT_EQ(traffic::SinceOpenText(100'000), "0.1");
}

// The reader is woken once per batch: by the event that finds the queue
// empty, not by the ones that join it.
TEST(TrafficRecorder, WakesTheReaderForTheFirstEventOfEachBatch) {
    traffic::TrafficRecorder recorder;
    int wakes = 0;
    recorder.SetOnFirstPending([&] { ++wakes; });
    const TapEvent e{0, TapDirection::Sent, TapRoute::Command, "AT\r", ""};
    recorder.OnTraffic(e);
    recorder.OnTraffic(e);
    EXPECT_EQ(wakes, 1);
    EXPECT_EQ(recorder.TakePending().size(), 2u);
    EXPECT_EQ(wakes, 1) << "taking wakes nobody";
    recorder.OnTraffic(e);
    EXPECT_EQ(wakes, 2);
}

TEST(TrafficRing, KeepsTheNewestAndCountsWhatWent) {
    traffic::TrafficRing ring(5);
    for (int batch = 0; batch < 3; ++batch) {
        std::vector<TapEvent> events;
        for (int i = 0; i < 4; ++i) {
            events.push_back({0, TapDirection::Received, TapRoute::ScanReport, std::to_string(batch * 4 + i), ""});
        }
        ring.Append(std::move(events));
    }
    EXPECT_EQ(ring.Size(), 5u);
    EXPECT_EQ(ring.Dropped(), 7u);
    EXPECT_EQ(ring.FirstSeq(), 7u);
    EXPECT_EQ(ring.AtSeq(7).bytes, "7");
    EXPECT_EQ(ring.AtSeq(ring.EndSeq() - 1).bytes, "11");
    ring.Clear();
    EXPECT_EQ(ring.Size(), 0u);
    EXPECT_EQ(ring.FirstSeq(), ring.EndSeq());
}

TEST(TrafficRing, RowsComeBackWholeAcrossTheByteBuffersWrapAndItsBoundDropsTheOldest) {
    // 1 KiB of text at most: lines of 60 to 90 bytes wrap the buffer often.
    traffic::TrafficRing ring(1000, 1024);
    std::vector<TapEvent> all;
    for (int i = 0; i < 200; ++i) {
        TapEvent e{int64_t{i} * 1000, i % 3 == 0 ? TapDirection::Sent : TapDirection::Received,
                   i % 2 == 0 ? TapRoute::Reply : TapRoute::ScanReport,
                   std::string(60 + i % 31, static_cast<char>('a' + i % 26)) + "\r", i % 2 == 0 ? "AT+VER?" : ""};
        all.push_back(e);
        ring.Append({e});
        std::size_t held = 0;
        for (uint64_t seq = ring.FirstSeq(); seq < ring.EndSeq(); ++seq) {
            const TapEvent kept = ring.AtSeq(seq);
            held += kept.bytes.size() + kept.command.size();
        }
        ASSERT_LE(held, 1024u);
    }
    EXPECT_LT(ring.Size(), 20u) << "the byte bound, not the row count, holds here";
    EXPECT_EQ(ring.Dropped() + ring.Size(), all.size());
    for (uint64_t seq = ring.FirstSeq(); seq < ring.EndSeq(); ++seq) {
        const TapEvent got = ring.AtSeq(seq);
        const TapEvent& want = all[static_cast<std::size_t>(seq)];
        EXPECT_EQ(got.bytes, want.bytes) << seq;
        EXPECT_EQ(got.command, want.command) << seq;
        EXPECT_EQ(got.sinceOpenNs, want.sinceOpenNs);
        EXPECT_EQ(got.direction, want.direction);
        EXPECT_EQ(got.route, want.route);
        EXPECT_EQ(ring.RouteAt(seq), want.route);
    }
}

TEST(TrafficRing, ThePastFullRingDropsATenthAtOnce) {
    traffic::TrafficRing ring(100);
    for (int i = 0; i < 100; ++i) ring.Append({{i, TapDirection::Received, TapRoute::ScanReport, "x", ""}});
    EXPECT_EQ(ring.Size(), 100u);
    EXPECT_EQ(ring.Append({{100, TapDirection::Received, TapRoute::ScanReport, "y", ""}}), 11u);
    EXPECT_EQ(ring.Size(), 90u);
    EXPECT_EQ(ring.FirstSeq(), 11u);
    EXPECT_EQ(ring.AtSeq(ring.EndSeq() - 1).bytes, "y");
    for (int i = 0; i < 10; ++i) EXPECT_EQ(ring.Append({{0, TapDirection::Sent, TapRoute::Command, "z", ""}}), 0u);
    EXPECT_EQ(ring.Dropped(), 11u);
}

// While nobody takes them, only the newest events wait; each is stamped
// with the wall-clock time it came at.
TEST(TrafficRecorder, KeepsTheNewestWhileBoundedAndStampsTheWallClock) {
    traffic::TrafficRecorder tap;
    tap.SetLimit(3);
    const auto now = [] {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    };
    const int64_t before = now();
    for (int i = 0; i < 5; ++i) tap.OnTraffic({i, TapDirection::Received, TapRoute::Unclaimed, std::to_string(i), ""});
    const int64_t after = now();
    std::vector<TapEvent> kept = tap.TakePending();
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept.front().bytes, "2");
    EXPECT_EQ(kept.back().bytes, "4");
    for (const TapEvent& e : kept) {
        EXPECT_GE(e.wallNs, before);
        EXPECT_LE(e.wallNs, after);
    }
    EXPECT_EQ(tap.Dropped(), 2u);
    tap.SetLimit(0);  // someone takes them now: nothing is dropped
    for (int i = 0; i < 10; ++i) tap.OnTraffic({i, TapDirection::Sent, TapRoute::Command, "AT\r", ""});
    EXPECT_EQ(tap.TakePending().size(), 10u);
    tap.SetLimit(4);
    for (int i = 0; i < 10; ++i) tap.OnTraffic({i, TapDirection::Sent, TapRoute::Command, "AT\r", ""});
    EXPECT_EQ(tap.TakePending().size(), 4u);
}

TEST(TrafficText, LogRowsCarryTheWallClockAndSessionsAHeader) {
    // 2026-12-10 05:41:07.250 UTC; the log speaks local time.
    const int64_t at = int64_t{1796881267} * 1000000000 + 250000000;
    std::tm tm{};
    const std::time_t seconds = 1796881267;
    localtime_r(&seconds, &tm);
    char local[64];
    std::strftime(local, sizeof local, "%Y-%m-%d %H:%M:%S", &tm);
    char offset[16];
    std::strftime(offset, sizeof offset, "%z", &tm);

    TapEvent e{12345678, TapDirection::Sent, TapRoute::Command, "AT\r", ""};
    e.wallNs = at;
    EXPECT_EQ(traffic::LogRow(e), std::string(local) + ".250\t12.3\tsent\tAT<CR>\tcommand");
    e.wallNs = 0;
    EXPECT_EQ(traffic::LogRow(e), "-\t12.3\tsent\tAT<CR>\tcommand");

    const struct {
        std::string port, byId, expected;
    } cases[] = {
        {"/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI_A5-if00-port0",
         ", port /dev/ttyUSB0 (/dev/serial/by-id/usb-FTDI_A5-if00-port0), KESTOV-LV200 Manager 1.4.2"},
        {"/dev/pts/3", "", ", port /dev/pts/3, KESTOV-LV200 Manager 1.4.2"},
        {"/dev/serial/by-id/x", "/dev/serial/by-id/x", ", port /dev/serial/by-id/x, KESTOV-LV200 Manager 1.4.2"},
        {"/tmp/a\nb", "", ", port /tmp/a<LF>b, KESTOV-LV200 Manager 1.4.2"},  // one line, whatever the name holds
    };
    for (const auto& c : cases) {
        EXPECT_EQ(traffic::SessionHeader(at, c.port, c.byId, "KESTOV-LV200 Manager 1.4.2"),
                  std::string("# session ") + local + " " + offset + c.expected);
    }
    EXPECT_EQ(traffic::ModelLine("KESTOV-LV220"), "# model KESTOV-LV220");
}

TEST(RawCommand, ChecksAndLinkChangingCommands) {
    EXPECT_EQ(CheckRawCommand(""), RawCommandCheck::Empty);
    EXPECT_EQ(CheckRawCommand("   "), RawCommandCheck::Empty);
    EXPECT_EQ(CheckRawCommand("AT\r"), RawCommandCheck::ControlChar);
    EXPECT_EQ(CheckRawCommand("AT+MANUF=\t"), RawCommandCheck::ControlChar);
    EXPECT_EQ(CheckRawCommand(std::string(127, 'A')), RawCommandCheck::TooLong);
    EXPECT_EQ(CheckRawCommand("AT+MANUF=문열"), RawCommandCheck::Ok);
    for (const char* text : {"ATZ", "atz", "AT&F", "AT+UARTOPT=0,N,1"})
        EXPECT_TRUE(RawCommandChangesLink(text)) << text;
    for (const char* text : {"AT", "ATZX", "AT+UARTOPT?", "AT&FX"}) EXPECT_FALSE(RawCommandChangesLink(text)) << text;
}

namespace {

struct JobOutcome {
    int status = -1;
    Strings lines;
};

// Sends a typed command the way the traffic window does and waits for its result.
JobOutcome RunRawCommand(SimLink& link, const std::string& text) {
    JobOutcome out;
    bool done = false;
    link.ops.RawCommand().listener = [&](const RawCommandRecord& r, int status) {
        out.status = status;
        for (std::string line : r.result.lines) {
            // Compared without the line's own CR and LF.
            while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
            const std::size_t first = line.find_first_not_of("\r\n");
            line.erase(0, first == std::string::npos ? line.size() : first);
            out.lines.push_back(line);
        }
        done = true;
    };
    EXPECT_TRUE(link.ops.QueueRawCommand(text));
    EXPECT_TRUE(link.view.PumpUntil([&] { return done; }));
    return out;
}

}  // namespace

TEST(RawCommand, RunsAsAJobAndReturnsTheLinesThatCameBack) {
    struct Case {
        const char* text;
        bool echo;
        bool framed;
        int status;
        Strings lines;
    };
    const Case cases[] = {
        {"AT+ADVINTERVAL=200", false, false, JOB_STATUS_OK, {"OK"}},
        {"AT+ADVINTERVAL=300", true, true, JOB_STATUS_OK, {"OK"}},  // the echo is not a reply
        {"AT+GETSLOT=9", false, false, JOB_STATUS_OK, {"ERROR"}},
        {"AT+VER?", false, false, JOB_STATUS_OK, {"v1.2.0"}},  // one line of the version's form ends it
        {"AT+MODEL?", true, false, JOB_STATUS_OK, {"KESTOV-LV200"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        SimLink link;
        ASSERT_TRUE(link.Connect());
        link.sim.SetEcho(c.echo);
        link.sim.SetFramedReplies(c.framed);
        traffic::TrafficRecorder tap;
        link.ops.Comm().SetTap(&tap);
        const JobOutcome out = RunRawCommand(link, c.text);
        link.ops.Comm().SetTap(nullptr);
        EXPECT_EQ(out.status, c.status);
        EXPECT_EQ(out.lines, c.lines);
        EXPECT_EQ(link.Commands(), Strings{c.text});
        EXPECT_TRUE(link.view.Has("EnableControls(0)"));
        EXPECT_TRUE(link.view.Has("EnableControls(1)"));
        const std::vector<TapEvent> events = tap.TakePending();
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.front().direction, TapDirection::Sent);
        EXPECT_EQ(events.front().bytes, std::string(c.text) + "\r");
        int replies = 0;
        for (const TapEvent& e : events) replies += e.route == TapRoute::Reply && e.command == c.text ? 1 : 0;
        EXPECT_EQ(replies, static_cast<int>(c.lines.size()));
    }
}

TEST(RawCommand, RefusesControlCharactersAndAClosedLink) {
    SimLink link;
    EXPECT_FALSE(link.ops.QueueRawCommand("AT"));  // not open yet
    ASSERT_TRUE(link.Connect());
    EXPECT_FALSE(link.ops.QueueRawCommand("AT\rATZ"));
    EXPECT_FALSE(link.ops.QueueRawCommand("AT+MANUF=\x1b"));
    link.view.PumpUntil([] { return false; }, 300ms);
    EXPECT_TRUE(link.Commands().empty());
    EXPECT_TRUE(link.view.results.empty());
}

TEST(RawCommand, RestartIsFollowedByTheButtonsReidentification) {
    SimLink link;
    ASSERT_TRUE(link.Connect());
    const JobOutcome out = RunRawCommand(link, "ATZ");
    EXPECT_EQ(out.lines, Strings{"+READY"});
    ASSERT_TRUE(link.view.PumpUntil([&] { return link.view.Has("EnableControls(1)"); }));
    const Strings sent = link.Commands();
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent[0], "ATZ");
    EXPECT_EQ(sent[1], "AT");  // the identification's probe
}

TEST(RawCommand, AnotherJobsResultIsNotTakenForTheLastTypedCommand) {
    SimLink link;
    ASSERT_TRUE(link.Connect());
    RunRawCommand(link, "ATZ");
    ASSERT_TRUE(link.view.PumpUntil([&] { return link.view.Has("EnableControls(1)"); }));
    int heard = 0;
    link.ops.RawCommand().listener = [&](const RawCommandRecord&, int) { ++heard; };
    link.view.results.clear();
    const std::size_t from = link.sim.Commands().size();
    link.ops.Records().m_profileReadOnly = true;
    link.ops.QueueJob(JOB_APPLY_PROFILE, false);
    ASSERT_TRUE(link.view.PumpUntil([&] { return !link.view.results.empty(); }));
    link.view.PumpUntil([] { return false; }, 300ms);
    EXPECT_EQ(heard, 0);
    for (const std::string& c : link.Commands(from)) {
        EXPECT_NE(c, "AT") << "the profile's read is not followed by an identification";
    }
    link.ops.RawCommand().listener = nullptr;
}
