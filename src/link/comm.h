// Protocol engine: turns one AT command into one typed reply record over the
// serial port, and pulls the unsolicited scan reports of a running scan.
//
// Receive side (I/O thread): bytes are cut into lines where they arrive, and
// each line is routed once:
//
//   scan report form --+-- scan running ----> report queue --> WaitScanReport
//                      |   (or stopping)
//                      +-- otherwise -------> dropped (counted)
//   echo of the command in flight ----------> skipped
//   no transaction waiting -----------------> unclaimed
//   anything else --------------------------> reply queue ----> the transaction's parsers
//
// The tap sees every write and every line once, in wire order, each line
// with the time it was cut; a line in the reply queue is told once the
// transaction has settled what it was.
//
// Both queues and the partial line have fixed ceilings. One transaction runs
// at a time; a second caller waits for the first to end.
#pragma once

#include "at_protocol.h"
#include "link_tap.h"
#include "receive_side.h"
#include "serialport.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

// What a user-typed command brought back; line texts without framing or terminators.
struct RawExchangeResult {
    std::vector<std::string> lines;
    bool finalSeen = false;
    bool closed = false;
};

class KestovLV2xxComm {
public:
    using ErrorHandler = std::function<void(const KestovLV2xxComm*, std::error_code&)>;

    static constexpr unsigned kScanReportTimeoutMs = 1200;
    static constexpr std::size_t kReportQueueBytes = ReceiveSide::kReportQueueBytes;
    // A reply that comes this long after its command timed out is still
    // recognised as that command's.
    static constexpr unsigned kLateReplyWindowMs = 2000;
    // Timed-out commands remembered for their late replies.
    static constexpr std::size_t kLateCommands = 8;

    KestovLV2xxComm();
    ~KestovLV2xxComm();
    KestovLV2xxComm(const KestovLV2xxComm&) = delete;
    KestovLV2xxComm& operator=(const KestovLV2xxComm&) = delete;

    void SetErrorHandler(ErrorHandler handler);
    void Open(std::error_code& ec, const std::string& port_name, unsigned baud, uint8_t parity, uint8_t stop_bits);
    // Stops a scan this engine started (the command is written, its reply not
    // awaited), then closes. Bounded in time whatever runs.
    void Close();
    bool IsOpen() const;

    // One transaction; always returns a record. Waits while another runs.
    std::unique_ptr<uint8_t[]> SendCommand(const char* cmd, unsigned len, lv2xx_atcmd kind, unsigned timeout_ms);
    // Waits up to `timeout_ms` for the next report; 0 takes only one already here.
    lv2xx_atres WaitScanReport(lv2xx_scan_report& out, unsigned timeout_ms = kScanReportTimeoutMs);
    // Any thread: the report wait in progress, or else the next one, ends at
    // once as if its time had run out (ATRES_TIMEOUT unless a report is
    // there), so that a stop need not wait for the module's next report.
    void InterruptScanWait();
    // Sends text plus CR as one transaction and returns every line that came back (echo and scan
    // reports routed as usual, not included) until a final OK / ERROR / +ERROR or the time-out.
    // The module's other fixed replies (+READY, +SCANNING, +STOPPED) end it as well.
    RawExchangeResult Exchange(const std::string& text, unsigned timeout_ms);

    // nullptr = none. Returns once no call to the previous observer is in
    // progress; must not be called from inside OnTraffic.
    void SetTap(ILinkTap* tap);
    // Bytes the receive side holds now (partial line and both queues).
    std::size_t BufferedBytes();

    // Number of open engine links in the process.
    static int OpenLinks();

private:
    // A transaction's start and end on the receive side (caller holds m_txnMutex).
    void BeginTransaction(const std::string& text);
    void EndTransaction(const std::string& text, lv2xx_atcmd kind, int32_t code);
    // Waits for the next line of the reply queue; false on close or time-out.
    enum class Wait { Line, Closed, TimedOut };
    Wait NextReplyLine(int64_t deadline_ns, QueuedLine& out);
    std::unique_ptr<uint8_t[]> AwaitReply(lv2xx_atcmd kind, const std::string& text, unsigned timeout_ms);
    // What one whole line is to a command of `kind` (the parser table's answer).
    std::unique_ptr<uint8_t[]> ParseReply(std::vector<char>& line, lv2xx_atcmd kind);
    bool Accepts(const std::string& line, lv2xx_atcmd kind);
    // The timed-out command a line is the late reply of, which is then
    // forgotten; empty when the waiting command (`text`) takes it.
    std::string TakeLateReply(const std::string& line, lv2xx_atcmd kind, const std::string& text);
    // Tells the tap what the line taken from the reply queue was.
    void Settle(const QueuedLine& line, TapRoute route, std::string_view command);
    void WriteCommand(const char* bytes, std::size_t len);

    // Receive-side routes to the tap.
    class TapSink : public ReceiveSide::Sink {
    public:
        explicit TapSink(KestovLV2xxComm& comm) : m_comm(comm) {}
        void Route(TapRoute route, std::string_view bytes, std::string_view command, int64_t atNs) override;

    private:
        KestovLV2xxComm& m_comm;
    };
    ReceiveSide::Sink* RouteSink() { return Tapping() ? &m_tapSink : nullptr; }

    void Tap(TapDirection direction, TapRoute route, std::string_view bytes, std::string_view command, int64_t at_ns);
    bool Tapping() const { return m_tap.load(std::memory_order_relaxed) != nullptr; }

    void OnPortRead(std::shared_ptr<CSerialportMP> port, std::error_code& ec, const std::vector<uint8_t>& data,
                    unsigned n);
    void OnPortWrite(std::shared_ptr<CSerialportMP> port, std::error_code& ec, unsigned n);

    std::shared_ptr<CSerialportMP> m_port;
    ErrorHandler m_errorHandler;
    std::vector<lv2xx_parser_entry> m_parserTable;

    // One transaction at a time.
    std::mutex m_txnMutex;
    // Commands that timed out, oldest first: each may still owe one line (m_txnMutex).
    struct LateCommand {
        std::string text;
        lv2xx_atcmd kind = ATCMD_AT;
        int64_t untilNs = 0;
    };
    std::deque<LateCommand> m_lateCommands;

    // Receive side, guarded by m_rxMutex.
    std::mutex m_rxMutex;
    std::condition_variable m_rxCv;
    ReceiveSide m_rx;
    TapSink m_tapSink{*this};

    std::atomic<bool> m_closing{false};
    bool m_scanWaitInterrupted = false;  // guarded by m_rxMutex
    std::atomic<int64_t> m_openNs{0};
    std::atomic<ILinkTap*> m_tap{nullptr};
    std::atomic<int> m_tapCalls{0};
    // This engine counts in OpenLinks(); kept apart from the port's own flag,
    // which the read path may clear on a failed read.
    std::atomic<bool> m_linkCounted{false};
};
