#include "receive_side.h"

#include "at_protocol.h"

namespace {

const std::string_view kStartScan = LineText(atcmd::kStartScan);

// Commands after which the module no longer scans.
bool EndsScan(std::string_view text)
{
    return text == LineText(atcmd::kStopScan) || text == LineText(atcmd::kReboot) ||
           text == LineText(atcmd::kFactoryReset);
}

}  // namespace

void ReceiveSide::Feed(std::string_view bytes, int64_t atNs, Sink* sink)
{
    assembler_.Feed(
        bytes, [&](std::string_view line) { RouteLine(line, atNs, sink); },
        [&](std::string_view head) { Drop(head, atNs, sink); });
}

void ReceiveSide::Drop(std::string_view line, int64_t atNs, Sink* sink)
{
    dropped_.fetch_add(1, std::memory_order_relaxed);
    if (sink) sink->Route(TapRoute::Dropped, line, {}, atNs);
}

void ReceiveSide::RouteLine(std::string_view line, int64_t atNs, Sink* sink)
{
    // Unsolicited first: a scan report is never a reply, whoever waits.
    if (ClassifyLine(line) == LineKind::ScanReport) {
        if (!scanActive_.load()) {
            Drop(line, atNs, sink);
            return;
        }
        reports_.Push(line, atNs, [&](const QueuedLine& old) { Drop(old.bytes, old.atNs, sink); });
        if (sink) sink->Route(TapRoute::ScanReport, line, {}, atNs);
        return;
    }
    if (!pending_.empty() && LineText(line) == pending_) {
        if (sink) sink->Route(TapRoute::Echo, line, pending_, atNs);
        return;
    }
    replies_.Push(line, atNs, [&](const QueuedLine& old) {
        if (sink) sink->Route(TapRoute::Unclaimed, old.bytes, {}, old.atNs);
    });
}

void ReceiveSide::DropQueuedReports()
{
    dropped_.fetch_add(reports_.Size(), std::memory_order_relaxed);
    reports_.Clear();
}

void ReceiveSide::BeginCommand(const std::string& text, Sink* sink)
{
    QueuedLine stale;
    while (PopReply(stale)) {
        if (sink) sink->Route(TapRoute::Unclaimed, stale.bytes, {}, stale.atNs);
    }
    pending_ = text;
    if (text == kStartScan || EndsScan(text)) {
        // Reports of an earlier scan are never shown as this one's.
        DropQueuedReports();
        scanActive_.store(text == kStartScan);
    }
}

void ReceiveSide::EndCommand(const std::string& text, bool refused)
{
    pending_.clear();
    if (text == kStartScan && refused) {
        scanActive_.store(false);
    }
}

bool ReceiveSide::PopReply(QueuedLine& out)
{
    if (replies_.Empty()) return false;
    out = replies_.Pop();
    return true;
}

bool ReceiveSide::PopReport(QueuedLine& out)
{
    if (reports_.Empty()) return false;
    out = reports_.Pop();
    return true;
}

void ReceiveSide::Reset()
{
    assembler_.Reset();
    replies_.Clear();
    reports_.Clear();
    pending_.clear();
    scanActive_.store(false);
}

void ReceiveSide::CloseOut(int64_t atNs, Sink* sink)
{
    if (sink && !assembler_.Partial().empty()) {
        sink->Route(TapRoute::Partial, assembler_.Partial(), {}, atNs);
    }
    QueuedLine line;
    while (PopReply(line)) {
        if (sink) sink->Route(TapRoute::Unclaimed, line.bytes, {}, line.atNs);
    }
    DropQueuedReports();
    assembler_.Reset();
    pending_.clear();
}
