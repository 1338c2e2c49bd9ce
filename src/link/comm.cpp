#include "comm.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace {

// How long Close lets the stop-scan command leave before the port closes.
constexpr auto kStopScanDrain = std::chrono::milliseconds(50);

// Engine links open in the process; the run threads live while it is not 0.
std::atomic<int> g_open_links{0};
std::mutex g_links_mutex;

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

lv2xx_atres CodeOf(const std::unique_ptr<uint8_t[]>& reply) {
    return reply ? static_cast<lv2xx_atres>(ReplyCode(reply.get())) : ATRES_NO_RECORD;
}

// Copies the payload of a record into a caller-side record of the same layout.
template <typename Record>
void CopyPayload(const std::unique_ptr<uint8_t[]>& reply, Record& out) {
    if (ReplyPayloadLength(reply.get()) >= sizeof(Record)) {
        std::memcpy(&out, ReplyPayload(reply.get()), sizeof(Record));
    }
}

// The command as the module will echo it: without its CR.
std::string CommandText(const char* cmd, unsigned len) {
    std::string_view text(cmd != nullptr ? cmd : "", cmd != nullptr ? len : 0);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) {
        text.remove_suffix(1);
    }
    return std::string(text);
}

}  // namespace

KestovLV2xxComm::KestovLV2xxComm()
    : m_port(std::make_shared<CSerialportMP>(IoServiceExec::Instance().Context())), m_parserTable(BuildParserTable()) {
    m_port->m_readHandler = [this](std::shared_ptr<CSerialportMP> p, std::error_code& ec,
                                   const std::vector<uint8_t>& data,
                                   unsigned n) { OnPortRead(std::move(p), ec, data, n); };
    m_port->m_writeHandler = [this](std::shared_ptr<CSerialportMP> p, std::error_code& ec, unsigned n) {
        OnPortWrite(std::move(p), ec, n);
    };
}

KestovLV2xxComm::~KestovLV2xxComm() {
    // The port's handlers point at this object: no completion may outlive it.
    Close();
    m_port->Close();
}

void KestovLV2xxComm::SetErrorHandler(ErrorHandler handler) {
    std::lock_guard<std::mutex> lock(m_rxMutex);
    m_errorHandler = std::move(handler);
}

void KestovLV2xxComm::Open(std::error_code& ec, const std::string& port_name, unsigned baud, uint8_t parity,
                           uint8_t stop_bits) {
    if (m_port->IsOpen()) {
        ec = std::make_error_code(std::errc::device_or_resource_busy);
        return;
    }
    {
        // Nothing of an earlier open is carried over.
        std::lock_guard<std::mutex> lock(m_rxMutex);
        m_rx.Reset();
        m_scanWaitInterrupted = false;
        m_openNs.store(NowNs());
    }
    {
        std::lock_guard<std::mutex> txn(m_txnMutex);
        m_lateCommands.clear();
    }
    m_port->Open(ec, port_name, baud, parity, stop_bits);
    if (ec) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_rxMutex);
        m_closing.store(false);
    }
    std::lock_guard<std::mutex> links(g_links_mutex);
    IoServiceExec& exec = IoServiceExec::Instance();
    // The threads also end by themselves when the context ran out of work
    // (another link's read loop stopped on an error): start them again then.
    if (!exec.HasThreads() || exec.Context().stopped()) {
        exec.Start();
    }
    // Counted once, also when the port had closed itself after an error and
    // is opened again without Close.
    if (!m_linkCounted.exchange(true)) {
        ++g_open_links;
    }
}

void KestovLV2xxComm::Close() {
    if (!m_linkCounted.exchange(false)) {
        return;
    }
    // A module left scanning goes on sending reports to nobody: stop it. The
    // reply is not awaited, and the wait for the bytes to leave is bounded.
    bool was_scanning = false;
    {
        std::lock_guard<std::mutex> lock(m_rxMutex);
        was_scanning = m_rx.TakeScanActive();
    }
    if (was_scanning && m_port->IsOpen()) {
        WriteCommand(atcmd::kStopScan, sizeof atcmd::kStopScan - 1);
        m_port->Drain(kStopScanDrain);
    }
    {
        std::lock_guard<std::mutex> lock(m_rxMutex);
        m_closing.store(true);
        m_rxCv.notify_all();
    }
    m_port->Close();
    {
        std::lock_guard<std::mutex> links(g_links_mutex);
        if (--g_open_links == 0) {
            IoServiceExec::Instance().Stop();
        }
    }
    std::lock_guard<std::mutex> lock(m_rxMutex);
    m_rx.CloseOut(NowNs(), RouteSink());
}

bool KestovLV2xxComm::IsOpen() const { return m_port->IsOpen(); }

int KestovLV2xxComm::OpenLinks() { return g_open_links.load(); }

std::size_t KestovLV2xxComm::BufferedBytes() {
    std::lock_guard<std::mutex> lock(m_rxMutex);
    return m_rx.Bytes();
}

// ---- Transactions (caller's thread) ----------------------------------------

void KestovLV2xxComm::BeginTransaction(const std::string& text) {
    std::lock_guard<std::mutex> lock(m_rxMutex);
    m_rx.BeginCommand(text, RouteSink());
}

void KestovLV2xxComm::EndTransaction(const std::string& text, lv2xx_atcmd kind, int32_t code) {
    if (code == ATRES_TIMEOUT) {
        m_lateCommands.push_back({text, kind, NowNs() + int64_t{kLateReplyWindowMs} * 1000000});
        if (m_lateCommands.size() > kLateCommands) {
            m_lateCommands.pop_front();
        }
    }
    std::lock_guard<std::mutex> lock(m_rxMutex);
    m_rx.EndCommand(text, code == ATRES_ERROR, RouteSink());
}

void KestovLV2xxComm::WriteCommand(const char* bytes, std::size_t len) {
    // Told before the write, so that its echo and reply come after it.
    if (Tapping()) {
        std::lock_guard<std::mutex> lock(m_rxMutex);
        m_rx.Sent(std::string_view(bytes, len), NowNs(), RouteSink());
    }
    m_port->Write(bytes, static_cast<unsigned>(len));
}

std::unique_ptr<uint8_t[]> KestovLV2xxComm::SendCommand(const char* cmd, unsigned len, lv2xx_atcmd kind,
                                                        unsigned timeout_ms) {
    std::lock_guard<std::mutex> txn(m_txnMutex);
    if (!IsOpen()) {
        return MakeReply(ATRES_NOT_OPEN);
    }
    const std::string text = CommandText(cmd, len);
    BeginTransaction(text);
    if (len != 0 && cmd != nullptr) {
        WriteCommand(cmd, len);
    }
    auto reply = AwaitReply(kind, text, timeout_ms);
    EndTransaction(text, kind, reply ? ReplyCode(reply.get()) : ATRES_NO_RECORD);
    return reply;
}

KestovLV2xxComm::Wait KestovLV2xxComm::NextReplyLine(int64_t deadline_ns, QueuedLine& out) {
    std::unique_lock<std::mutex> lock(m_rxMutex);
    const auto deadline = std::chrono::steady_clock::time_point(std::chrono::nanoseconds(deadline_ns));
    m_rxCv.wait_until(lock, deadline, [this] { return m_closing.load() || m_rx.HasReply(); });
    if (m_closing.load()) {
        return Wait::Closed;
    }
    return m_rx.PopReply(out) ? Wait::Line : Wait::TimedOut;
}

bool KestovLV2xxComm::Accepts(const std::string& line, lv2xx_atcmd kind) {
    std::vector<char> copy(line.begin(), line.end());
    const auto reply = ParseReply(copy, kind);
    const lv2xx_atres code = CodeOf(reply);
    return code != ATRES_NO_MATCH && code != ATRES_INCOMPLETE && code != ATRES_NO_RECORD;
}

// A line a timed-out command would have taken, and the waiting one takes
// only as free text (a model name can be anything), is that command's. Each
// timed-out command accounts for one line at most. A line the waiting
// command's own earlier time-out would have taken is its reply either way.
std::string KestovLV2xxComm::TakeLateReply(const std::string& line, lv2xx_atcmd kind, const std::string& text) {
    const int64_t now = NowNs();
    while (!m_lateCommands.empty() && now > m_lateCommands.front().untilNs) {
        m_lateCommands.pop_front();
    }
    for (auto it = m_lateCommands.begin(); it != m_lateCommands.end(); ++it) {
        if (it->text == text) {
            continue;
        }
        if (Accepts(line, it->kind) && (kind == ATCMD_MODEL_Q || !Accepts(line, kind))) {
            std::string late = std::move(it->text);
            m_lateCommands.erase(it);
            return late;
        }
    }
    return {};
}

void KestovLV2xxComm::Settle(const QueuedLine& line, TapRoute route, std::string_view command) {
    std::lock_guard<std::mutex> lock(m_rxMutex);
    m_rx.Settle(line.id, route, command, RouteSink());
}

std::unique_ptr<uint8_t[]> KestovLV2xxComm::AwaitReply(lv2xx_atcmd kind, const std::string& text, unsigned timeout_ms) {
    const int64_t deadline = NowNs() + int64_t{timeout_ms} * 1000000;
    for (;;) {
        QueuedLine line;
        switch (NextReplyLine(deadline, line)) {
        case Wait::Closed:
            return MakeReply(ATRES_CLOSED);
        case Wait::TimedOut:
            return MakeReply(ATRES_TIMEOUT);
        case Wait::Line:
            break;
        }
        const std::string late = TakeLateReply(line.bytes, kind, text);
        if (!late.empty()) {
            Settle(line, TapRoute::Echo, late);
            continue;
        }
        std::vector<char> bytes(line.bytes.begin(), line.bytes.end());
        auto reply = ParseReply(bytes, kind);
        if (!reply) {
            Settle(line, TapRoute::Unclaimed, {});
            return MakeReply(ATRES_NO_RECORD);
        }
        const int32_t code = ReplyCode(reply.get());
        if (code != ATRES_INCOMPLETE && code != ATRES_NO_MATCH) {
            Settle(line, TapRoute::Reply, text);
            return reply;
        }
        Settle(line, TapRoute::Unclaimed, {});
    }
}

lv2xx_atres KestovLV2xxComm::WaitScanReport(lv2xx_scan_report& out, unsigned timeout_ms) {
    std::lock_guard<std::mutex> txn(m_txnMutex);
    if (!IsOpen()) {
        return ATRES_NOT_OPEN;
    }
    // Nothing is discarded: reports that arrived since the last call come first.
    QueuedLine line;
    {
        std::unique_lock<std::mutex> lock(m_rxMutex);
        m_rxCv.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                        [this] { return m_closing.load() || m_rx.HasReport() || m_scanWaitInterrupted; });
        m_scanWaitInterrupted = false;
        if (m_closing.load()) {
            return ATRES_CLOSED;
        }
        if (!m_rx.PopReport(line)) {
            return ATRES_TIMEOUT;
        }
    }
    std::vector<char> bytes(line.bytes.begin(), line.bytes.end());
    const auto reply = ParseScanReportLine(bytes, ATCMD_SCAN_REPORT);
    const lv2xx_atres code = CodeOf(reply);
    if (code == ATRES_SCAN_REPORT) {
        CopyPayload(reply, out);
    }
    return code;
}

void KestovLV2xxComm::InterruptScanWait() {
    {
        std::lock_guard<std::mutex> lock(m_rxMutex);
        m_scanWaitInterrupted = true;
    }
    m_rxCv.notify_all();
}

RawExchangeResult KestovLV2xxComm::Exchange(const std::string& text, unsigned timeout_ms) {
    RawExchangeResult result;
    std::lock_guard<std::mutex> txn(m_txnMutex);
    if (!IsOpen()) {
        result.closed = true;
        return result;
    }
    const std::string command = CommandText(text.data(), static_cast<unsigned>(text.size()));
    // A query answered by one line of its own form ends on that line.
    const lv2xx_atcmd kind = OneLineQueryKind(command);
    BeginTransaction(command);
    const std::string bytes = command + "\r";
    WriteCommand(bytes.data(), bytes.size());
    const int64_t deadline = NowNs() + int64_t{timeout_ms} * 1000000;
    int32_t code = ATRES_TIMEOUT;
    for (;;) {
        QueuedLine line;
        const Wait wait = NextReplyLine(deadline, line);
        if (wait == Wait::Closed) {
            result.closed = true;
            code = ATRES_CLOSED;
            break;
        }
        if (wait == Wait::TimedOut) {
            break;
        }
        Settle(line, TapRoute::Reply, command);
        const std::string_view line_text = LineText(line.bytes);
        result.lines.emplace_back(line_text);
        if (IsStatusText(line_text)) {
            result.finalSeen = true;
            code = line_text.find("ERROR") != std::string_view::npos ? ATRES_ERROR : ATRES_OK;
            break;
        }
        if (kind != ATCMD_AT && Accepts(line.bytes, kind)) {
            result.finalSeen = true;
            code = ATRES_OK;
            break;
        }
    }
    EndTransaction(command, kind, code);
    return result;
}

// ---- Parsing -------------------------------------------------------------

std::unique_ptr<uint8_t[]> KestovLV2xxComm::ParseReply(std::vector<char>& line, lv2xx_atcmd kind) {
    if (line.size() >= kMaxLineBytes) {
        return MakeReply(ATRES_TOO_LONG);
    }
    if (line.size() <= 2) {
        return MakeReply(ATRES_NO_MATCH);
    }
    for (const auto& entry : m_parserTable) {
        if (entry.kind != kind) {
            continue;
        }
        for (const auto& parser : entry.parsers) {
            std::vector<char> copy = line;
            auto reply = parser(copy, kind);
            if (!reply) {
                return nullptr;
            }
            if (ReplyCode(reply.get()) != ATRES_NO_MATCH) {
                return reply;
            }
        }
    }
    return MakeReply(ATRES_NO_MATCH);
}

// ---- Receive side (I/O thread) ---------------------------------------------

void KestovLV2xxComm::TapSink::Route(TapRoute route, std::string_view bytes, std::string_view command, int64_t atNs) {
    m_comm.Tap(route == TapRoute::Command ? TapDirection::Sent : TapDirection::Received, route, bytes, command, atNs);
}

void KestovLV2xxComm::OnPortRead(std::shared_ptr<CSerialportMP> p, std::error_code& ec,
                                 const std::vector<uint8_t>& data, unsigned n) {
    std::lock_guard<std::mutex> lock(m_rxMutex);
    if (!ec) {
        const std::size_t count = std::min(static_cast<std::size_t>(n), data.size());
        m_rx.Feed(std::string_view(reinterpret_cast<const char*>(data.data()), count), NowNs(), RouteSink());
        // Wake the waiting transaction now.
        m_rxCv.notify_all();
        return;
    }
    if (!m_closing.load() && m_errorHandler) {
        m_errorHandler(this, ec);
    } else {
        p->Close();
    }
}

void KestovLV2xxComm::OnPortWrite(std::shared_ptr<CSerialportMP> p, std::error_code& ec, unsigned /*n*/) {
    if (!ec) {
        return;
    }
    std::lock_guard<std::mutex> lock(m_rxMutex);
    if (m_errorHandler) {
        m_errorHandler(this, ec);
    } else {
        p->Close();
    }
}

// ---- Traffic tap -----------------------------------------------------------

void KestovLV2xxComm::SetTap(ILinkTap* observer) {
    m_tap.store(observer);
    // A call that read the old observer may still run: wait for it.
    while (m_tapCalls.load() != 0) {
        std::this_thread::yield();
    }
}

void KestovLV2xxComm::Tap(TapDirection direction, TapRoute route, std::string_view bytes, std::string_view command,
                          int64_t at_ns) {
    if (!Tapping()) {
        return;
    }
    m_tapCalls.fetch_add(1);
    if (ILinkTap* observer = m_tap.load()) {
        observer->OnTraffic(TapEvent{at_ns - m_openNs.load(std::memory_order_relaxed), direction, route,
                                     std::string(bytes), std::string(command)});
    }
    m_tapCalls.fetch_sub(1);
}
