// Feeds the engine's receive side random bytes in random chunks, with a scan
// running and a command in flight. Checks that the same bytes route the same
// way whatever the chunks, that nothing handed on is longer than a line or
// cut short, that only scan reports reach the scan, and that the held bytes
// stay under the ceiling.
#include "link/at_protocol.h"
#include "link/receive_side.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

class Recorder : public ReceiveSide::Sink {
public:
    void Route(TapRoute route, std::string_view bytes, std::string_view command, int64_t) override {
        Check(bytes.size() <= kMaxLineBytes);
        events.push_back(std::to_string(static_cast<int>(route)) + ":" + std::string(command) + ":" +
                         std::string(bytes));
    }
    std::vector<std::string> events;
};

constexpr std::size_t kCeiling = ReceiveSide::kReportQueueBytes + ReceiveSide::kReplyQueueBytes + kMaxLineBytes + 4;

// Feeds in chunks of 1 to 64 bytes chosen by `seed`; returns what was routed
// and the lines left in the queues.
std::vector<std::string> Run(std::string_view bytes, uint32_t seed, bool whole) {
    ReceiveSide side;
    Recorder sink;
    side.BeginCommand("AT+STARTSCAN", &sink);
    side.EndCommand("AT+STARTSCAN", false, &sink);
    side.BeginCommand("AT+MODEL?", &sink);
    while (!bytes.empty()) {
        seed = seed * 1664525u + 1013904223u;
        const std::size_t n = whole ? bytes.size() : std::min<std::size_t>(bytes.size(), 1 + (seed >> 26));
        side.Feed(bytes.substr(0, n), 0, &sink);
        bytes.remove_prefix(n);
        Check(side.Bytes() <= kCeiling);
    }
    std::vector<std::string> out;
    QueuedLine line;
    while (side.PopReport(line)) {
        Check(ClassifyLine(line.bytes) == LineKind::ScanReport);
        std::vector<char> copy(line.bytes.begin(), line.bytes.end());
        Check(ReplyCode(ParseScanReportLine(copy, ATCMD_SCAN_REPORT).get()) == ATRES_SCAN_REPORT);
        out.push_back("report:" + line.bytes);
    }
    while (side.PopReply(line)) {
        Check(!line.bytes.empty() && line.bytes.size() <= kMaxLineBytes);
        Check(line.bytes.back() == '\r' || line.bytes.back() == '\n');
        Check(ClassifyLine(line.bytes) != LineKind::ScanReport);
        Check(LineText(line.bytes) != "AT+MODEL?");
        out.push_back("reply:" + line.bytes);
        side.Settle(line.id, TapRoute::Reply, "AT+MODEL?", &sink);
    }
    // Every line held back for a reply is told once it is settled.
    side.EndCommand("AT+MODEL?", false, &sink);
    out.insert(out.begin(), sink.events.begin(), sink.events.end());
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint32_t seed = data[0];
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    Check(Run(bytes, seed, false) == Run(bytes, seed, true));
    return 0;
}
