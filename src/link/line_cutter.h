// Cutting received bytes into lines and deciding what kind of line each is.
// Pure functions and one bounded assembler; no I/O, no clock, no locks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// The longest line a module sends, terminators included; anything longer is
// not a reply of this protocol.
inline constexpr std::size_t kMaxLineBytes = 256;
// The longest device name a scan report carries.
inline constexpr std::size_t kMaxScanNameBytes = 63;

struct LineCut {
    enum Kind {
        NeedMore,  // no complete line at the front yet
        Skip,      // filler at the front (lone CR or LF, empty frame, one-character line)
        Line,      // a line: the first `consumed` bytes, terminators included
    };
    Kind kind = NeedMore;
    std::size_t consumed = 0;
};

// The receive side's one line rule. Looks at the front of `bytes` only.
// Lines end in CR ("text\r", a following LF becomes a lone LF) or are framed
// ("\r\ntext\r\n", text not starting with CR or LF).
LineCut FindLineEnd(std::string_view bytes);

// The text of a line without its framing and terminators.
std::string_view LineText(std::string_view line);

// The parts of a scan report, "+<12 hex>,<rssi>,<name>CR": the RSSI an
// optional minus and one to four digits, the name at most 63 bytes, commas
// allowed, no CR. The one test of the form, for routing and for parsing.
struct ScanReportFields {
    std::string_view address;
    std::string_view rssi;
    std::string_view name;
};
bool ReadScanReport(std::string_view line, ScanReportFields& out);

enum class LineKind {
    ScanReport,  // +<12 hex>,<rssi>,<name>
    Status,      // a fixed final reply: OK, ERROR, +ERROR, +OK, +READY, +SCANNING, +STOPPED
    Other,
};

LineKind ClassifyLine(std::string_view line);
// True while `head`, the start of a line still arriving, can end as a scan
// report ("+", hex digits of the address, and so on); empty is not a start.
bool MayBecomeScanReport(std::string_view head);
// True for the final replies that end a user-typed exchange.
bool IsStatusText(std::string_view text);

// Keeps the incomplete tail of what arrived (never more than kMaxLineBytes
// plus a frame) and hands out every complete line once, in order. A line
// that grows past kMaxLineBytes without its CR is thrown away up to that CR.
class LineAssembler {
public:
    using LineSink = std::function<void(std::string_view line)>;
    // Called once per over-long line, with its first kMaxLineBytes bytes (leading CR and LF left out).
    using OverlongSink = std::function<void(std::string_view head)>;

    void Feed(std::string_view bytes, const LineSink& onLine, const OverlongSink& onOverlong);
    // The incomplete line held now; Reset forgets it.
    std::string_view Partial() const { return m_partial; }
    void Reset();

private:
    std::string m_partial;
    std::string m_scratch;
    bool m_discarding = false;  // inside an over-long line, until its CR
};
