// The receive side on plain bytes: what a transaction gets after a piece of
// a line was left on the wire, what the listener is told and in which order,
// and the reports of a scan that is being stopped.
#include "link/receive_side.h"

#include "route_name.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Show(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        if (c == '\r') {
            out += "<CR>";
        } else if (c == '\n') {
            out += "<LF>";
        } else if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

struct Told {
    std::string text;
    int64_t atNs;
};

class Listener : public ReceiveSide::Sink {
public:
    void Route(TapRoute route, std::string_view bytes, std::string_view command, int64_t atNs) override {
        std::string text = std::string(linktest::RouteName(route)) + " " + Show(bytes);
        if (!command.empty()) text += " [" + std::string(command) + "]";
        told.push_back({text, atNs});
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (const Told& t : told) out.push_back(t.text);
        return out;
    }
    std::vector<Told> told;
};

std::string Report(int i) {
    char line[40];
    std::snprintf(line, sizeof line, "+A1B2C3D4E5F6,-40,N%05d\r", i);
    return line;
}

void StartScan(ReceiveSide& side, Listener& l) {
    side.BeginCommand("AT+STARTSCAN", &l);
    side.EndCommand("AT+STARTSCAN", false, &l);
}

// A piece of a line left between two transactions (a stray byte, noise, the
// start of a report) and the bytes that come after the next command.
TEST(ReceiveSide, APieceLeftBeforeACommandIsNotGluedToItsReply) {
    struct Case {
        const char* name;
        bool scanning;
        std::string before;  // arrives before the command
        std::string after;   // after it
        std::vector<std::string> replies;
        int reports;
    };
    const Case cases[] = {
        {"boot byte", false, "\xFF", "KESTOV-LV200\r", {"KESTOV-LV200<CR>"}, 0},
        {"NUL", false, std::string(1, '\0'), "v1.2.0\r", {"v1.2.0<CR>"}, 0},
        {"noise after a reply", false, "OK\r#j", "\r\nOK\r\n", {"<CR><LF>OK<CR><LF>"}, 0},
        {"plus but no address", true, "+S", "OK\r", {"OK<CR>"}, 0},
        {"half a report", true, "+A1B2C3", "D4E5F6,-40,N00001\rOK\r", {"OK<CR>"}, 1},
        {"the rest of an over-long line", false, std::string(300, 'z'), "OK\r", {"OK<CR>"}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReceiveSide side;
        Listener l;
        if (c.scanning) StartScan(side, l);
        side.Feed(c.before, 1, &l);
        side.BeginCommand("AT+X", &l);
        side.Feed(c.after, 2, &l);
        std::vector<std::string> replies;
        QueuedLine line;
        while (side.PopReply(line)) replies.push_back(Show(line.bytes));
        EXPECT_EQ(replies, c.replies);
        int reports = 0;
        while (side.PopReport(line)) ++reports;
        EXPECT_EQ(reports, c.reports);
    }
}

// Every line is told once, in the order it came, with the time it came; a
// line for the transaction holds back the ones behind it until the
// transaction says what it was.
TEST(ReceiveSide, TellsEachLineOnceInWireOrder) {
    ReceiveSide side;
    Listener l;
    StartScan(side, l);
    side.BeginCommand("AT+VER?", &l);
    side.Sent("AT+VER?\r", 10, &l);
    side.Feed("AT+VER?\r#noise\r" + Report(1), 20, &l);
    side.Feed("v1.2.0\r" + Report(2), 30, &l);
    EXPECT_EQ(l.Texts(), (std::vector<std::string>{"Command AT+VER?<CR>", "Echo AT+VER?<CR> [AT+VER?]"}));
    QueuedLine noise;
    QueuedLine version;
    ASSERT_TRUE(side.PopReply(noise));
    ASSERT_TRUE(side.PopReply(version));
    side.Settle(version.id, TapRoute::Reply, "AT+VER?", &l);
    EXPECT_EQ(l.told.size(), 2u) << "the noise line is still open";
    side.Settle(noise.id, TapRoute::Unclaimed, {}, &l);
    side.Feed(Report(3) + "OK\r", 40, &l);
    side.EndCommand("AT+VER?", false, &l);
    side.Feed("late\r", 50, &l);
    const std::vector<std::string> expected = {
        "Command AT+VER?<CR>",           "Echo AT+VER?<CR> [AT+VER?]", "Unclaimed #noise<CR>",
        "ScanReport " + Show(Report(1)), "Reply v1.2.0<CR> [AT+VER?]", "ScanReport " + Show(Report(2)),
        "ScanReport " + Show(Report(3)), "Unclaimed OK<CR>",           "Unclaimed late<CR>",
    };
    EXPECT_EQ(l.Texts(), expected);
    for (std::size_t i = 1; i < l.told.size(); ++i) {
        EXPECT_LE(l.told[i - 1].atNs, l.told[i].atNs) << i;
    }
}

// Reports beyond the queue's ceiling push out the oldest: each is told once
// as a report, and the scan gets the newest ones, whole and in order.
TEST(ReceiveSide, AnOverflowedReportIsToldOnceAndTheNewestAreKept) {
    ReceiveSide side;
    Listener l;
    StartScan(side, l);
    l.told.clear();
    constexpr int kReports = 5000;
    for (int i = 0; i < kReports; ++i) {
        side.Feed(Report(i), i, &l);
        ASSERT_LE(side.Bytes(), ReceiveSide::kReportQueueBytes) << i;
    }
    std::vector<std::string> kept;
    QueuedLine line;
    while (side.PopReport(line)) kept.push_back(line.bytes);
    ASSERT_FALSE(kept.empty());
    ASSERT_LT(kept.size(), static_cast<std::size_t>(kReports));
    for (std::size_t i = 0; i < kept.size(); ++i) {
        EXPECT_EQ(kept[i], Report(static_cast<int>(kReports - kept.size() + i))) << i;
    }
    ASSERT_EQ(l.told.size(), static_cast<std::size_t>(kReports));
    for (const auto& t : l.told) EXPECT_EQ(t.text.rfind("ScanReport ", 0), 0u) << t.text;
}

// Between the stop command and the module's +STOPPED the scan still reports;
// what comes after +STOPPED is not its.
TEST(ReceiveSide, ReportsUpToStoppedStayForTheScan) {
    ReceiveSide side;
    Listener l;
    StartScan(side, l);
    side.Feed(Report(1), 1, &l);
    side.BeginCommand("AT+STOPSCAN", &l);
    side.Feed(Report(2) + Report(3) + "+STOPPED\r" + Report(4), 2, &l);
    QueuedLine reply;
    ASSERT_TRUE(side.PopReply(reply));
    EXPECT_EQ(reply.bytes, "+STOPPED\r");
    side.Settle(reply.id, TapRoute::Reply, "AT+STOPSCAN", &l);
    side.EndCommand("AT+STOPSCAN", false, &l);
    side.Feed(Report(5), 3, &l);
    std::vector<std::string> reports;
    QueuedLine line;
    while (side.PopReport(line)) reports.push_back(line.bytes);
    EXPECT_EQ(reports, (std::vector<std::string>{Report(1), Report(2), Report(3)}));
    std::vector<std::string> dropped;
    for (const std::string& text : l.Texts()) {
        if (text.rfind("Dropped ", 0) == 0) dropped.push_back(text);
    }
    EXPECT_EQ(dropped, (std::vector<std::string>{"Dropped " + Show(Report(4)), "Dropped " + Show(Report(5))}));
    EXPECT_FALSE(side.TakeScanActive()) << "a close after the stop sends no second stop";
}

}  // namespace
