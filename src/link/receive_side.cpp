#include "receive_side.h"

#include "at_protocol.h"

#include <algorithm>

namespace {

const std::string_view kStartScan = LineText(atcmd::kStartScan);
const std::string_view kStopScan = LineText(atcmd::kStopScan);
constexpr std::string_view kStopped = "+STOPPED";

// Commands after which the module no longer scans, with no reports to wait for.
bool EndsScanAtOnce(std::string_view text)
{
    return text == LineText(atcmd::kReboot) || text == LineText(atcmd::kFactoryReset);
}

}  // namespace

void ReceiveSide::Feed(std::string_view bytes, int64_t atNs, Sink* sink)
{
    lastFeedNs_ = atNs;
    assembler_.Feed(
        bytes, [&](std::string_view line) { RouteLine(line, atNs, sink); },
        [&](std::string_view head) { Drop(head, atNs, sink); });
}

void ReceiveSide::Sent(std::string_view bytes, int64_t atNs, Sink* sink)
{
    Tell(TapRoute::Command, bytes, {}, atNs, sink);
}

void ReceiveSide::Drop(std::string_view line, int64_t atNs, Sink* sink)
{
    dropped_.fetch_add(1, std::memory_order_relaxed);
    Tell(TapRoute::Dropped, line, {}, atNs, sink);
}

void ReceiveSide::RouteLine(std::string_view line, int64_t atNs, Sink* sink)
{
    // Unsolicited first: a scan report is never a reply, whoever waits.
    if (ClassifyLine(line) == LineKind::ScanReport) {
        if (!TakesReports()) {
            Drop(line, atNs, sink);
            return;
        }
        // A report pushed out by the ceiling was told already: only counted.
        reports_.Push(line, atNs, [&](const QueuedLine&) { dropped_.fetch_add(1, std::memory_order_relaxed); });
        Tell(TapRoute::ScanReport, line, {}, atNs, sink);
        return;
    }
    if (!inCommand_) {
        // Nobody waits: no transaction's reply (the next one starts after its command).
        Tell(TapRoute::Unclaimed, line, {}, atNs, sink);
        return;
    }
    const std::string_view text = LineText(line);
    if (!pending_.empty() && text == pending_) {
        Tell(TapRoute::Echo, line, pending_, atNs, sink);
        return;
    }
    if (stopping_ && pending_ == kStopScan && text == kStopped) {
        stopping_ = false;  // the module's last word on the scan: reports after it are not its
    }
    const uint64_t id = nextId_++;
    replies_.Push(
        line, atNs, [&](const QueuedLine& old) { Settle(old.id, TapRoute::Unclaimed, {}, sink); }, id);
    if (sink) {
        held_.push_back(Held{id, TapRoute::Unclaimed, std::string(line), {}, atNs});
        heldBytes_ += line.size();
    }
}

void ReceiveSide::Tell(TapRoute route, std::string_view bytes, std::string_view command, int64_t atNs,
                       Sink* sink)
{
    if (!sink) {
        return;
    }
    if (held_.empty()) {
        sink->Route(route, bytes, command, atNs);
        return;
    }
    held_.push_back(Held{0, route, std::string(bytes), std::string(command), atNs});
    heldBytes_ += bytes.size();
    while (heldBytes_ > kHeldBytes && !held_.empty()) {
        held_.front().id = 0;  // told as it stands: unclaimed
        Release(sink);
    }
}

void ReceiveSide::Settle(uint64_t id, TapRoute route, std::string_view command, Sink* sink)
{
    for (Held& h : held_) {
        if (h.id == id) {
            h.id = 0;
            h.route = route;
            h.command.assign(command);
            break;
        }
    }
    Release(sink);
}

void ReceiveSide::Release(Sink* sink)
{
    while (!held_.empty() && held_.front().id == 0) {
        const Held& h = held_.front();
        if (sink) sink->Route(h.route, h.bytes, h.command, h.atNs);
        heldBytes_ -= h.bytes.size();
        held_.pop_front();
    }
}

void ReceiveSide::UnclaimReplies(Sink* sink)
{
    QueuedLine line;
    while (PopReply(line)) {
        Settle(line.id, TapRoute::Unclaimed, {}, sink);
    }
}

void ReceiveSide::DropQueuedReports()
{
    dropped_.fetch_add(reports_.Size(), std::memory_order_relaxed);
    reports_.Clear();
}

void ReceiveSide::BeginCommand(const std::string& text, Sink* sink)
{
    UnclaimReplies(sink);
    // A held piece that cannot become a scan report is noise: the bytes after
    // the command are its reply, not that piece's tail. (An over-long line
    // being skipped ends here too.)
    const std::string_view partial = assembler_.Partial();
    if (!MayBecomeScanReport(partial)) {
        if (!partial.empty()) Tell(TapRoute::Partial, partial, {}, lastFeedNs_, sink);
        assembler_.Reset();
    }
    pending_ = text;
    inCommand_ = true;
    if (text == kStartScan || EndsScanAtOnce(text)) {
        // Reports of an earlier scan are never shown as this one's.
        DropQueuedReports();
        scanActive_.store(text == kStartScan);
        stopping_ = false;
    } else if (text == kStopScan) {
        // Reports up to the module's +STOPPED are still this scan's.
        stopping_ = scanActive_.exchange(false) || stopping_;
    }
}

void ReceiveSide::EndCommand(const std::string& text, bool refused, Sink* sink)
{
    pending_.clear();
    inCommand_ = false;
    if (text == kStartScan && refused) {
        scanActive_.store(false);
    }
    if (text == kStopScan) {
        stopping_ = false;
    }
    UnclaimReplies(sink);
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
    inCommand_ = false;
    stopping_ = false;
    scanActive_.store(false);
    held_.clear();
    heldBytes_ = 0;
    lastFeedNs_ = 0;
}

void ReceiveSide::CloseOut(int64_t atNs, Sink* sink)
{
    UnclaimReplies(sink);
    for (Held& h : held_) h.id = 0;
    Release(sink);
    if (!assembler_.Partial().empty()) {
        Tell(TapRoute::Partial, assembler_.Partial(), {}, atNs, sink);
    }
    DropQueuedReports();
    assembler_.Reset();
    pending_.clear();
    inCommand_ = false;
    stopping_ = false;
}
