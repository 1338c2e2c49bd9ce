#include "comm.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {

constexpr unsigned kCommandTimeoutMs = 1200;
constexpr std::size_t kMaxLineLength = 256;

// Engine links open in the process; the run threads live while it is not 0.
std::atomic<int> g_open_links{0};
std::mutex g_links_mutex;

int64_t NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

lv2xx_atres CodeOf(const std::unique_ptr<uint8_t[]>& reply)
{
    return reply ? static_cast<lv2xx_atres>(ReplyCode(reply.get())) : ATRES_NO_RECORD;
}

// Copies the payload of a record into a caller-side record of the same layout.
template <typename Record>
void CopyPayload(const std::unique_ptr<uint8_t[]>& reply, Record& out)
{
    if (ReplyPayloadLength(reply.get()) >= sizeof(Record)) {
        std::memcpy(&out, ReplyPayload(reply.get()), sizeof(Record));
    }
}

}  // namespace

KestovLV2xxComm::KestovLV2xxComm()
    : port(std::make_shared<CSerialportMP>(IoServiceExec::Instance().Context())),
      parser_table(BuildParserTable())
{
    port->read_handler = [this](std::shared_ptr<CSerialportMP> p, std::error_code& ec,
                                const std::vector<uint8_t>& data, unsigned n) {
        OnPortRead(std::move(p), ec, data, n);
    };
    port->write_handler = [this](std::shared_ptr<CSerialportMP> p, std::error_code& ec,
                                 unsigned n) { OnPortWrite(std::move(p), ec, n); };
    data_arrived.store(false);
}

KestovLV2xxComm::~KestovLV2xxComm()
{
    // The port's handlers point at this object: no completion may outlive it.
    Close();
    port->Close();
}

void KestovLV2xxComm::SetErrorHandler(ErrorHandler handler)
{
    std::lock_guard<std::mutex> lock(rx_mutex);
    error_handler = std::move(handler);
}

void KestovLV2xxComm::Open(std::error_code& ec, const std::string& port_name, unsigned baud,
                           uint8_t parity, uint8_t stop_bits)
{
    port->Open(ec, port_name, baud, parity, stop_bits);
    if (ec) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(rx_mutex);
        closing.store(false);
    }
    opened_ns.store(NowNs());
    std::lock_guard<std::mutex> links(g_links_mutex);
    IoServiceExec& exec = IoServiceExec::Instance();
    // The threads also end by themselves when the context ran out of work
    // (another link's read loop stopped on an error): start them again then.
    if (!exec.HasThreads() || exec.Context().stopped()) {
        exec.Start();
    }
    // Counted once, also when the port had closed itself after an error and
    // is opened again without Close.
    if (!link_counted.exchange(true)) {
        ++g_open_links;
    }
}

void KestovLV2xxComm::Close()
{
    if (!link_counted.exchange(false)) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(rx_mutex);
        closing.store(true);
        rx_cv.notify_all();
    }
    port->Close();
    {
        std::lock_guard<std::mutex> links(g_links_mutex);
        if (--g_open_links == 0) {
            IoServiceExec::Instance().Stop();
        }
    }
    std::lock_guard<std::mutex> lock(rx_mutex);
    rx_bytes.clear();
}

bool KestovLV2xxComm::IsOpen() const
{
    return port->IsOpen();
}

int KestovLV2xxComm::OpenLinks()
{
    return g_open_links.load();
}

std::unique_ptr<uint8_t[]> KestovLV2xxComm::SendCommand(const char* cmd, unsigned len,
                                                        lv2xx_atcmd kind, unsigned timeout_ms)
{
    if (!IsOpen()) {
        return MakeReply(ATRES_NOT_OPEN);
    }
    // Whatever arrived before the command is not its reply.
    DiscardInput();
    current_command.clear();
    if (len != 0 && cmd != nullptr) {
        current_command.assign(cmd, len);
        Emit(TapDirection::Sent, TapRoute::Command, current_command);
        while (!current_command.empty() && (current_command.back() == '\r' || current_command.back() == '\n')) {
            current_command.pop_back();
        }
        port->Write(cmd, len);
    }
    wait_started = NowNs();
    return AwaitReply(kind, timeout_ms, false);
}

void KestovLV2xxComm::DiscardInput()
{
    std::string stale;
    {
        std::lock_guard<std::mutex> lock(rx_mutex);
        if (tap.load() != nullptr) {
            stale.assign(line_buffer.begin(), line_buffer.end());
            stale.append(rx_bytes.begin(), rx_bytes.end());
        }
        rx_bytes.clear();
    }
    line_buffer.clear();
    // Lines thrown away unread are reported as dropped, one event per line.
    std::size_t start = 0;
    while (start < stale.size()) {
        std::size_t end = stale.find('\r', start);
        end = end == std::string::npos ? stale.size() : end + 1;
        if (end < stale.size() && stale[end] == '\n') {
            ++end;
        }
        const std::string line = stale.substr(start, end - start);
        if (line.find_first_not_of("\r\n") != std::string::npos) {
            Emit(TapDirection::Received, TapRoute::Dropped, line);
        }
        start = end;
    }
}

void KestovLV2xxComm::SetTap(ILinkTap* t)
{
    tap.store(t);
}

void KestovLV2xxComm::Emit(TapDirection direction, TapRoute route, std::string bytes,
                           std::string command)
{
    ILinkTap* t = tap.load();
    if (t == nullptr) {
        return;
    }
    TapEvent event{NowNs() - opened_ns.load(), direction, route, std::move(bytes),
                   std::move(command)};
    t->OnTraffic(event);
}

RawExchangeResult KestovLV2xxComm::Exchange(const std::string& text, unsigned timeout_ms)
{
    RawExchangeResult result;
    if (!IsOpen()) {
        result.closed = true;
        return result;
    }
    DiscardInput();
    const std::string wire = text + "\r";
    current_command = text;
    Emit(TapDirection::Sent, TapRoute::Command, wire);
    port->Write(wire.data(), static_cast<unsigned>(wire.size()));
    wait_started = NowNs();
    for (;;) {
        const bool line_ready =
            FindLineEnd(line_buffer.data(), line_buffer.data() + line_buffer.size()) != nullptr;
        if (PollInput(!line_ready) < 0) {
            result.closed = true;
            return result;
        }
        while (!line_buffer.empty()) {
            last_cut_line.clear();
            auto reply = TakeReply(line_buffer, ATCMD_SCAN_REPORT);
            if (last_cut_line.empty()) {
                break;
            }
            std::string trimmed = last_cut_line;
            while (!trimmed.empty() && (trimmed.back() == '\r' || trimmed.back() == '\n')) {
                trimmed.pop_back();
            }
            while (!trimmed.empty() && (trimmed.front() == '\r' || trimmed.front() == '\n')) {
                trimmed.erase(trimmed.begin());
            }
            if (reply && ReplyCode(reply.get()) == ATRES_SCAN_REPORT) {
                Emit(TapDirection::Received, TapRoute::ScanReport, last_cut_line);
                continue;
            }
            if (trimmed == text) {
                Emit(TapDirection::Received, TapRoute::Echo, last_cut_line, text);
                continue;
            }
            Emit(TapDirection::Received, TapRoute::Reply, last_cut_line, text);
            result.lines.push_back(trimmed);
            if (trimmed == "OK" || trimmed == "ERROR" || trimmed == "+ERROR") {
                result.finalSeen = true;
                return result;
            }
        }
        if (ElapsedMs() > static_cast<int64_t>(timeout_ms)) {
            return result;
        }
    }
}

lv2xx_atres KestovLV2xxComm::WaitScanReport(lv2xx_scan_report& out)
{
    if (!IsOpen()) {
        return ATRES_NOT_OPEN;
    }
    // Nothing is discarded: reports that arrived since the last call come first.
    current_command.clear();
    wait_started = NowNs();
    const auto reply = AwaitReply(ATCMD_SCAN_REPORT, kScanReportTimeoutMs, true);
    const lv2xx_atres code = CodeOf(reply);
    if (code == ATRES_SCAN_REPORT) {
        CopyPayload(reply, out);
    }
    return code;
}

std::unique_ptr<uint8_t[]> KestovLV2xxComm::AwaitReply(lv2xx_atcmd kind, unsigned timeout_ms,
                                                       bool scan_reports_only)
{
    for (;;) {
        // A line already complete is taken at once; only a partial line (or
        // none) waits for the next poll.
        const bool line_ready =
            FindLineEnd(line_buffer.data(), line_buffer.data() + line_buffer.size()) != nullptr;
        if (PollInput(!line_ready) < 0) {
            return MakeReply(ATRES_CLOSED);
        }
        if (!line_buffer.empty()) {
            last_cut_line.clear();
            auto reply = TakeReply(line_buffer, kind);
            if (!reply) {
                return MakeReply(ATRES_NO_RECORD);
            }
            const int32_t code = ReplyCode(reply.get());
            const bool accepted = scan_reports_only
                                      ? code == ATRES_SCAN_REPORT
                                      : code != ATRES_INCOMPLETE && code != ATRES_NO_MATCH;
            if (!last_cut_line.empty() && tap.load() != nullptr) {
                // Approximate routing: the engine proper decides it where it cuts.
                TapRoute route = TapRoute::Unclaimed;
                if (code == ATRES_SCAN_REPORT) {
                    route = TapRoute::ScanReport;
                } else if (accepted) {
                    route = TapRoute::Reply;
                } else if (last_cut_line.compare(0, current_command.size(), current_command) == 0 &&
                           !current_command.empty()) {
                    route = TapRoute::Echo;
                }
                Emit(TapDirection::Received, route, last_cut_line,
                     route == TapRoute::Reply || route == TapRoute::Echo ? current_command : std::string());
            }
            if (accepted) {
                return reply;
            }
        }
        if (ElapsedMs() > static_cast<int64_t>(timeout_ms)) {
            return MakeReply(ATRES_TIMEOUT);
        }
    }
}

int64_t KestovLV2xxComm::ElapsedMs() const
{
    return (NowNs() - wait_started) / 1000000;
}

int KestovLV2xxComm::PollInput(bool wait)
{
    std::unique_lock<std::mutex> lock(rx_mutex);
    if (wait) {
        rx_cv.wait_for(lock, std::chrono::milliseconds(kPollMs),
                       [this] { return data_arrived.load() || closing.load(); });
    }
    if (closing.load()) {
        return -1;
    }
    data_arrived.store(false);
    if (rx_bytes.empty()) {
        return 0;
    }
    line_buffer.insert(line_buffer.end(), rx_bytes.begin(), rx_bytes.end());
    rx_bytes.clear();
    return static_cast<int>(line_buffer.size());
}

lv2xx_atres KestovLV2xxComm::SetScanFilter(const lv2xx_scan_filter& filter)
{
    char buf[kCommandBufferSize];
    unsigned len;
    if (filter.enabled != 0) {
        const std::string name(filter.name, strnlen(filter.name, sizeof(filter.name)));
        len = FormatCommand(buf, atcmd::kScanFilterOn, name.c_str());
    } else {
        len = FormatCommand(buf, atcmd::kScanFilterOff);
    }
    return CodeOf(SendCommand(buf, len, ATCMD_SF_SET, kCommandTimeoutMs));
}

lv2xx_atres KestovLV2xxComm::GetSlot(uint8_t slot, lv2xx_slot_info& out)
{
    char buf[kCommandBufferSize];
    const unsigned len = FormatCommand(buf, atcmd::kGetSlot, static_cast<unsigned>(slot));
    const auto reply = SendCommand(buf, len, ATCMD_GETSLOT, kCommandTimeoutMs);
    const lv2xx_atres code = CodeOf(reply);
    if (code == ATRES_SLOT) {
        CopyPayload(reply, out);
    }
    return code;
}

lv2xx_atres KestovLV2xxComm::GetUartOptions(lv2xx_uart_options& out)
{
    char buf[kCommandBufferSize];
    const unsigned len = FormatCommand(buf, atcmd::kUartOptQuery);
    const auto reply = SendCommand(buf, len, ATCMD_UARTOPT_Q, kCommandTimeoutMs);
    const lv2xx_atres code = CodeOf(reply);
    if (code == ATRES_UART_OPTIONS) {
        CopyPayload(reply, out);
    }
    return code;
}

const char* KestovLV2xxComm::FindLineEnd(const char* cur, const char* end)
{
    if (cur == nullptr || cur >= end) {
        return nullptr;
    }
    if (*cur == '\r') {
        if (end - cur < 4) {
            return nullptr;
        }
        if (cur[1] != '\n') {
            return cur + 1;  // lone CR
        }
        // Framed line: CR LF, text, CR LF.
        const char* cr = std::find(cur + 2, end, '\r');
        if (cr == end || cr + 1 == end) {
            return nullptr;
        }
        return cr[1] == '\n' ? cr + 2 : cur + 1;
    }
    if (*cur == '\n') {
        return cur + 1;  // lone LF
    }
    const char* cr = std::find(cur, end, '\r');
    return cr == end ? nullptr : cr;
}

std::unique_ptr<uint8_t[]> KestovLV2xxComm::TakeReply(std::vector<char>& buffer,
                                                      lv2xx_atcmd kind)
{
    if (buffer.empty()) {
        return MakeReply(ATRES_INCOMPLETE);
    }
    const char* const begin = buffer.data();
    const char* const end = begin + buffer.size();
    const char* cur = begin;
    std::unique_ptr<uint8_t[]> result;
    for (;;) {
        const char* e = FindLineEnd(cur, end);
        if (e == nullptr) {
            result = MakeReply(ATRES_INCOMPLETE);
            break;
        }
        if (e == cur + 1) {  // lone CR or LF, or a one-character line
            cur = e;
            continue;
        }
        if (e - cur >= 4 && std::memcmp(cur, "\r\n\r\n", 4) == 0) {  // empty CR LF
            cur += 2;
            continue;
        }
        if (e < end && *e == '\r') {
            ++e;
        }
        std::vector<char> line(cur, e);
        last_cut_line.assign(cur, e);
        result = ParseReply(line, kind);
        cur = e;
        break;
    }
    buffer.erase(buffer.begin(), buffer.begin() + (cur - begin));
    return result;
}

std::unique_ptr<uint8_t[]> KestovLV2xxComm::ParseReply(std::vector<char>& line,
                                                       lv2xx_atcmd kind)
{
    if (line.size() >= kMaxLineLength) {
        return MakeReply(ATRES_TOO_LONG);
    }
    if (line.size() <= 2) {
        return MakeReply(ATRES_NO_MATCH);
    }
    for (const auto& entry : parser_table) {
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

void KestovLV2xxComm::OnPortRead(std::shared_ptr<CSerialportMP> p, std::error_code& ec,
                                 const std::vector<uint8_t>& data, unsigned n)
{
    std::lock_guard<std::mutex> lock(rx_mutex);
    if (!ec) {
        data_arrived.store(true);
        const std::size_t room = kRxCapacity - rx_bytes.size();
        const std::size_t count = std::min({static_cast<std::size_t>(n), data.size(), room});
        rx_bytes.insert(rx_bytes.end(), data.begin(),
                        data.begin() + static_cast<std::ptrdiff_t>(count));
        // Wake the waiting transaction now rather than at the end of its poll.
        rx_cv.notify_all();
        return;
    }
    if (!closing.load() && error_handler) {
        error_handler(this, ec);
    } else {
        p->Close();
    }
}

void KestovLV2xxComm::OnPortWrite(std::shared_ptr<CSerialportMP> p, std::error_code& ec,
                                  unsigned /*n*/)
{
    if (!ec) {
        return;
    }
    std::lock_guard<std::mutex> lock(rx_mutex);
    if (error_handler) {
        error_handler(this, ec);
    } else {
        p->Close();
    }
}
