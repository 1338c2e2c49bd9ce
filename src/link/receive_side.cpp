#include "receive_side.h"

#include "at_protocol.h"

#include <algorithm>

namespace {

const std::string_view kStartScan = LineText(atcmd::kStartScan);
const std::string_view kStopScan = LineText(atcmd::kStopScan);
constexpr std::string_view kStopped = "+STOPPED";

// Commands after which the module no longer scans, with no reports to wait for.
bool EndsScanAtOnce(std::string_view text) {
    return text == LineText(atcmd::kReboot) || text == LineText(atcmd::kFactoryReset);
}

}  // namespace

void ReceiveSide::Feed(std::string_view bytes, int64_t atNs, Sink* sink) {
    m_lastFeedNs = atNs;
    m_assembler.Feed(
        bytes, [&](std::string_view line) { RouteLine(line, atNs, sink); },
        [&](std::string_view head) { Drop(head, atNs, sink); });
}

void ReceiveSide::Sent(std::string_view bytes, int64_t atNs, Sink* sink) {
    Tell(TapRoute::Command, bytes, {}, atNs, sink);
}

void ReceiveSide::Drop(std::string_view line, int64_t atNs, Sink* sink) {
    Tell(TapRoute::Dropped, line, {}, atNs, sink);
}

void ReceiveSide::RouteLine(std::string_view line, int64_t atNs, Sink* sink) {
    // Unsolicited first: a scan report is never a reply, whoever waits.
    if (ClassifyLine(line) == LineKind::ScanReport) {
        if (!TakesReports()) {
            Drop(line, atNs, sink);
            return;
        }
        // A report pushed out by the ceiling was told already.
        m_reports.Push(line, atNs, [](const QueuedLine&) {});
        Tell(TapRoute::ScanReport, line, {}, atNs, sink);
        return;
    }
    if (!m_inCommand) {
        // Nobody waits: no transaction's reply (the next one starts after its command).
        Tell(TapRoute::Unclaimed, line, {}, atNs, sink);
        return;
    }
    const std::string_view text = LineText(line);
    if (!m_pending.empty() && text == m_pending) {
        Tell(TapRoute::Echo, line, m_pending, atNs, sink);
        return;
    }
    if (m_stopping && m_pending == kStopScan && text == kStopped) {
        m_stopping = false;  // the module's last word on the scan: reports after it are not its
    }
    const uint64_t id = m_nextId++;
    m_replies.Push(
        line, atNs, [&](const QueuedLine& old) { Settle(old.id, TapRoute::Unclaimed, {}, sink); }, id);
    if (sink) {
        m_held.push_back(Held{id, TapRoute::Unclaimed, std::string(line), {}, atNs});
        m_heldBytes += line.size();
    }
}

void ReceiveSide::Tell(TapRoute route, std::string_view bytes, std::string_view command, int64_t atNs, Sink* sink) {
    if (!sink) {
        return;
    }
    if (m_held.empty()) {
        sink->Route(route, bytes, command, atNs);
        return;
    }
    m_held.push_back(Held{0, route, std::string(bytes), std::string(command), atNs});
    m_heldBytes += bytes.size();
    while (m_heldBytes > kHeldBytes && !m_held.empty()) {
        m_held.front().id = 0;  // told as it stands: unclaimed
        Release(sink);
    }
}

void ReceiveSide::Settle(uint64_t id, TapRoute route, std::string_view command, Sink* sink) {
    for (Held& h : m_held) {
        if (h.id == id) {
            h.id = 0;
            h.route = route;
            h.command.assign(command);
            break;
        }
    }
    Release(sink);
}

void ReceiveSide::Release(Sink* sink) {
    while (!m_held.empty() && m_held.front().id == 0) {
        const Held& h = m_held.front();
        if (sink) sink->Route(h.route, h.bytes, h.command, h.atNs);
        m_heldBytes -= h.bytes.size();
        m_held.pop_front();
    }
}

void ReceiveSide::UnclaimReplies(Sink* sink) {
    QueuedLine line;
    while (PopReply(line)) {
        Settle(line.id, TapRoute::Unclaimed, {}, sink);
    }
}

void ReceiveSide::BeginCommand(const std::string& text, Sink* sink) {
    UnclaimReplies(sink);
    // A held piece that cannot become a scan report is noise: the bytes after
    // the command are its reply, not that piece's tail. (An over-long line
    // being skipped ends here too.)
    const std::string_view partial = m_assembler.Partial();
    if (!MayBecomeScanReport(partial)) {
        if (!partial.empty()) Tell(TapRoute::Partial, partial, {}, m_lastFeedNs, sink);
        m_assembler.Reset();
    }
    m_pending = text;
    m_inCommand = true;
    if (text == kStartScan || EndsScanAtOnce(text)) {
        // Reports of an earlier scan are never shown as this one's.
        m_reports.Clear();
        m_scanActive.store(text == kStartScan);
        m_stopping = false;
    } else if (text == kStopScan) {
        // Reports up to the module's +STOPPED are still this scan's.
        m_stopping = m_scanActive.exchange(false) || m_stopping;
    }
}

void ReceiveSide::EndCommand(const std::string& text, bool refused, Sink* sink) {
    m_pending.clear();
    m_inCommand = false;
    if (text == kStartScan && refused) {
        m_scanActive.store(false);
    }
    if (text == kStopScan) {
        m_stopping = false;
    }
    UnclaimReplies(sink);
}

bool ReceiveSide::PopReply(QueuedLine& out) {
    if (m_replies.Empty()) return false;
    out = m_replies.Pop();
    return true;
}

bool ReceiveSide::PopReport(QueuedLine& out) {
    if (m_reports.Empty()) return false;
    out = m_reports.Pop();
    return true;
}

void ReceiveSide::Reset() {
    m_assembler.Reset();
    m_replies.Clear();
    m_reports.Clear();
    m_pending.clear();
    m_inCommand = false;
    m_stopping = false;
    m_scanActive.store(false);
    m_held.clear();
    m_heldBytes = 0;
    m_lastFeedNs = 0;
}

void ReceiveSide::CloseOut(int64_t atNs, Sink* sink) {
    UnclaimReplies(sink);
    for (Held& h : m_held) h.id = 0;
    Release(sink);
    if (!m_assembler.Partial().empty()) {
        Tell(TapRoute::Partial, m_assembler.Partial(), {}, atNs, sink);
    }
    m_reports.Clear();
    m_assembler.Reset();
    m_pending.clear();
    m_inCommand = false;
    m_stopping = false;
}
