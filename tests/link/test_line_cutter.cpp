// Line cutting, line kinds and the bounded line queue, on plain bytes.
#include "link/at_protocol.h"
#include "link/line_cutter.h"
#include "link/line_queue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Show(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        out += c == '\r' ? "<CR>" : c == '\n' ? "<LF>" : std::string(1, c);
    }
    return out;
}

struct Assembled {
    std::vector<std::string> lines;
    int overlong = 0;
    std::string partial;
};

Assembled Feed(const std::string& bytes, std::size_t chunk) {
    LineAssembler assembler;
    Assembled out;
    for (std::size_t pos = 0; pos < bytes.size(); pos += chunk) {
        assembler.Feed(
            std::string_view(bytes).substr(pos, chunk),
            [&](std::string_view line) { out.lines.emplace_back(Show(line)); },
            [&](std::string_view head) {
                EXPECT_EQ(head.size(), kMaxLineBytes);
                ++out.overlong;
            });
    }
    out.partial = Show(assembler.Partial());
    return out;
}

// The one table of the line rule (FindLineEnd), through the assembler the
// receive side feeds.
TEST(LineAssembler, CutsTheSameLinesWholeInChunksAndByteByByte) {
    const std::string report = "+A1B2C3D4E5F6,-45,Dev\r";
    const std::string longText(300, 'x');
    const std::string endless(5000, 'y');
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::string> lines;
        int overlong;
        std::string partial;
    };
    const Case cases[] = {
        {"plain and framed", "OK\r\r\nOK\r\n", {"OK<CR>", "<CR><LF>OK<CR><LF>"}, 0, ""},
        {"plain, its LF a lone LF", "+OK\r\n", {"+OK<CR>"}, 0, ""},
        {"two framed", "\r\nOK\r\n\r\nOK\r\n", {"<CR><LF>OK<CR><LF>", "<CR><LF>OK<CR><LF>"}, 0, ""},
        {"empty frame is filler", "\r\n\r\nOK\r\n", {"<CR><LF>OK<CR><LF>"}, 0, ""},
        {"empty frame: its second pair may open a frame", "\r\n\r\n", {}, 0, "<CR><LF>"},
        {"one-character line is filler", "A\rOK\r", {"OK<CR>"}, 0, ""},
        {"one-character line alone: its CR waits", "A\r", {}, 0, "<CR>"},
        {"lone CR and LF", "\r\n\rERROR\r", {"ERROR<CR>"}, 0, ""},
        {"lone CR before text", "\rOK\r", {"OK<CR>"}, 0, ""},
        {"not framed after all", "\r\nOK\rXY\r", {"OK<CR>", "XY<CR>"}, 0, ""},
        {"frame start then LF is no frame", "\r\n\nX\r\n", {}, 0, "<CR><LF>"},
        {"frame start then LF, a line after", "\r\n\nXY\r\n", {"XY<CR>"}, 0, ""},
        {"LF ends no line", "+OK\n", {}, 0, "+OK<LF>"},
        {"lone LF", "\n", {}, 0, ""},
        {"CR waits for four bytes", "\rOK", {}, 0, "<CR>OK"},
        {"framed line waits for its LF", "\r\nOK\r", {}, 0, "<CR><LF>OK<CR>"},
        {"partial line waits", "OK\r+OK", {"OK<CR>"}, 0, "+OK"},
        {"fillers", "\r\n\r\n\rA\rOK\r\n", {"OK<CR>"}, 0, ""},
        {"partial line kept", "OK\r+A1B2C3", {"OK<CR>"}, 0, "+A1B2C3"},
        {"reports back to back", report + report, {Show(report), Show(report)}, 0, ""},
        {"256-byte line kept", std::string(255, 'z') + "\r", {std::string(255, 'z') + "<CR>"}, 0, ""},
        {"over-long line dropped, next intact", longText + "\rOK\r", {"OK<CR>"}, 1, ""},
        {"endless line dropped up to its CR", endless + "\r" + report, {Show(report)}, 1, ""},
        {"endless line still arriving", endless, {}, 1, ""},
        {"over-long framed line", "\r\n" + longText + "\r\nOK\r", {"OK<CR>"}, 1, ""},
        {"LF run after a frame start is fillers, not an over-long frame",
         "\r\n" + std::string(300, '\n') + "OK\rOK\r",
         {"OK<CR>", "OK<CR>"},
         0,
         ""},
    };
    for (const Case& c : cases) {
        for (const std::size_t chunk : {c.bytes.size(), std::size_t{7}, std::size_t{3}, std::size_t{1}}) {
            SCOPED_TRACE(std::string(c.name) + " in pieces of " + std::to_string(chunk));
            const Assembled got = Feed(c.bytes, chunk);
            EXPECT_EQ(got.lines, c.lines);
            EXPECT_EQ(got.overlong, c.overlong);
            EXPECT_EQ(got.partial, c.partial);
        }
    }
}

TEST(LineAssembler, HoldsNoMoreThanOneLineWhateverArrives) {
    LineAssembler assembler;
    for (int i = 0; i < 1000; ++i) {
        assembler.Feed(
            std::string(1024, 'q'), [](std::string_view) {}, [](std::string_view) {});
        ASSERT_LE(assembler.Partial().size(), kMaxLineBytes + 4);
    }
}

TEST(ClassifyLine, ScanReportsAndStatusLinesAreKnownByTheirForm) {
    struct Case {
        std::string line;
        LineKind kind;
    };
    const Case cases[] = {
        {"+A1B2C3D4E5F6,-45,Dev\r", LineKind::ScanReport},
        {"+a1b2c3d4e5f6,7,\r", LineKind::ScanReport},
        {"+A1B2C3D4E5F6,-45,Name,with,commas\r", LineKind::ScanReport},
        {"+A1B2C3D4E5F6,-45,Dev", LineKind::Other},    // no CR
        {"+A1B2C3D4E5,-45,Dev\r", LineKind::Other},    // 10 digits
        {"+A1B2C3D4E5G6,-45,Dev\r", LineKind::Other},  // not hex
        {"+A1B2C3D4E5F6,,Dev\r", LineKind::Other},     // no RSSI
        {"+A1B2C3D4E5F6,-45\r", LineKind::Other},      // no name
        {"+A1B2C3D4E5F6,-45," + std::string(64, 'n') + "\r", LineKind::Other},
        {"D4E5F6,-45,Dev\r", LineKind::Other},  // the tail of a report
        {"+SLOT,1,A1B2C3D4E5F6,tag\r", LineKind::Other},
        {"OK\r", LineKind::Status},
        {"\r\nOK\r\n", LineKind::Status},
        {"+ERROR\r", LineKind::Status},
        {"+STOPPED\r", LineKind::Status},
        {"KESTOV-LV200\r", LineKind::Other},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ClassifyLine(c.line), c.kind) << Show(c.line);
    }
}

// Routing and parsing read the report form with the same rule: a line is
// routed as a report exactly when it parses as one. The rows past the first
// group parsed as reports once, yet were routed as replies.
TEST(ScanReportForm, RoutedAsAReportExactlyWhenItParsesAsOne) {
    struct Case {
        std::string line;
        bool report;
        std::string name = {};
        int rssi = 0;
    };
    const Case cases[] = {
        {"+A1B2C3D4E5F6,-45,Dev\r", true, "Dev", -45},
        {"+a1b2c3d4e5f6,7,\r", true, "", 7},
        {"+A1B2C3D4E5F6,-45,Name,with,commas\r", true, "Name,with,commas", -45},
        {"+A1B2C3D4E5F6,-100,a" + std::string(1, '\0') + "b\r", true, "a", -100},
        {"+A1B2C3D4E5F6,-45," + std::string(63, 'n') + "\r", true, std::string(63, 'n'), -45},
        {"+A1B2C3D4E5F6,-45," + std::string(64, 'n') + "\r", false},
        {"+A1B2C3D4E5,-45,Dev\r", false},
        {"+A1B2C3D4E5F6,-45,Dev", false},
        {"\r\n+A1B2C3D4E5F6,-45,Dev\r\n", false},
        // Parsed before, never routed as reports.
        {"+A1B2C3D4E5F6,,Dev\r", false},
        {"+A1B2C3D4E5F6,abc,Dev\r", false},
        {"+A1B2C3D4E5F6,+45,Dev\r", false},
        {"+A1B2C3D4E5F6, -45,Dev\r", false},
        {"+A1B2C3D4E5F6,-12345,Dev\r", false},
        {"+A1B2C3D4E5F6,-45,Dev\r\n", false},
        {"+A1B2C3D4E5F6,-45,Dev\rX\r", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Show(c.line));
        EXPECT_EQ(ClassifyLine(c.line) == LineKind::ScanReport, c.report);
        std::vector<char> bytes(c.line.begin(), c.line.end());
        const lv2xx_reply reply = ParseScanReportLine(bytes, ATCMD_SCAN_REPORT);
        ASSERT_EQ(ReplyCode(reply.get()) == ATRES_SCAN_REPORT, c.report);
        if (c.report) {
            lv2xx_scan_report rep{};
            std::memcpy(&rep, ReplyPayload(reply.get()), sizeof rep);
            EXPECT_EQ(std::string(rep.name), c.name);
            EXPECT_EQ(rep.rssi, c.rssi);
        }
    }
}

// A piece held between transactions is kept only while it can still end as
// a scan report: every start of a report can, anything else cannot.
TEST(MayBecomeScanReport, OnlyTheStartOfAReportCanBecomeOne) {
    for (const std::string report : {"+A1B2C3D4E5F6,-45,Dev", "+a1b2c3d4e5f6,7,", "+A1B2C3D4E5F6,-100,N,a,me"}) {
        for (std::size_t n = 1; n <= report.size(); ++n) {
            EXPECT_TRUE(MayBecomeScanReport(report.substr(0, n))) << report.substr(0, n);
        }
    }
    const std::string nots[] = {
        "",
        "\xFF",
        std::string(1, '\0'),
        "#",
        "+S",
        "+STOPPED",
        "+A1B2C3D4E5G",
        "+A1B2C3D4E5F6;",
        "+A1B2C3D4E5F6,-12345",
        "+A1B2C3D4E5F6,,",
        "+A1B2C3D4E5F6,-45," + std::string(64, 'n'),
        "KESTOV-LV2",
        "\r\n",
        "\r\n+A1",
    };
    for (const std::string& head : nots) {
        EXPECT_FALSE(MayBecomeScanReport(head)) << Show(head);
    }
}

TEST(LineQueue, DropsWholeLinesOldestFirstAtItsCeiling) {
    LineQueue queue(100);
    std::vector<std::string> dropped;
    for (int i = 0; i < 30; ++i) {
        queue.Push("line" + std::to_string(i) + "\r", i, [&](const QueuedLine& old) { dropped.push_back(old.bytes); });
        ASSERT_LE(queue.Bytes(), 100u);
    }
    ASSERT_FALSE(dropped.empty());
    EXPECT_EQ(dropped.front(), "line0\r");
    // What is left is the newest lines, whole and in order.
    std::size_t next = dropped.size();
    while (!queue.Empty()) {
        EXPECT_EQ(queue.Pop().bytes, "line" + std::to_string(next++) + "\r");
    }
    EXPECT_EQ(next, 30u);
}

}  // namespace
