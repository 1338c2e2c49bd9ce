// Protocol engine: turns one AT command into one typed reply record over the
// serial port, and pulls the unsolicited scan reports of a running scan.
#pragma once

#include "at_protocol.h"
#include "link_tap.h"
#include "serialport.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

struct RawExchangeResult {
    std::vector<std::string> lines;
    bool finalSeen = false;
    bool closed = false;
};

class KestovLV2xxComm {
public:
    using ErrorHandler = std::function<void(const KestovLV2xxComm*, std::error_code&)>;

    // Input the read path buffers for the waiting thread: one second at
    // 115200 baud and more, so a busy scan does not lose reports.
    static constexpr std::size_t kRxCapacity = 64 * 1024;
    static constexpr unsigned kPollMs = 10;
    static constexpr unsigned kScanReportTimeoutMs = 1200;

    KestovLV2xxComm();
    ~KestovLV2xxComm();
    KestovLV2xxComm(const KestovLV2xxComm&) = delete;
    KestovLV2xxComm& operator=(const KestovLV2xxComm&) = delete;

    void SetErrorHandler(ErrorHandler handler);
    void Open(std::error_code& ec, const std::string& port_name, unsigned baud, uint8_t parity,
              uint8_t stop_bits);
    void Close();
    bool IsOpen() const;

    // One transaction; always returns a record. Worker thread only.
    std::unique_ptr<uint8_t[]> SendCommand(const char* cmd, unsigned len, lv2xx_atcmd kind,
                                           unsigned timeout_ms);
    lv2xx_atres WaitScanReport(lv2xx_scan_report& out);
    lv2xx_atres SetScanFilter(const lv2xx_scan_filter& filter);
    lv2xx_atres GetSlot(uint8_t slot, lv2xx_slot_info& out);
    lv2xx_atres GetUartOptions(lv2xx_uart_options& out);

    // Traffic observer; nullptr for none. Any thread.
    void SetTap(ILinkTap* tap);
    // Sends text plus CR as one transaction and returns every line that came
    // back (echo and scan reports not included) until a final OK / ERROR /
    // +ERROR or the time-out. Worker thread only.
    RawExchangeResult Exchange(const std::string& text, unsigned timeout_ms);

    // Line cutting and parsing; public so they can be exercised on plain bytes.
    std::unique_ptr<uint8_t[]> TakeReply(std::vector<char>& buffer, lv2xx_atcmd kind);
    std::unique_ptr<uint8_t[]> ParseReply(std::vector<char>& line, lv2xx_atcmd kind);
    // Returns the end of the first line in [cur, end), or nullptr for none.
    static const char* FindLineEnd(const char* cur, const char* end);

    // Number of open engine links in the process.
    static int OpenLinks();

private:
    // Moves arrived bytes into line_buffer. With wait set it first waits up
    // to one poll for data or for Close. Returns -1 when closing, otherwise
    // the size of line_buffer after the move, or 0 when nothing arrived.
    int PollInput(bool wait = true);
    // The wait loop of a transaction or scan wait, from wait_started on.
    // With scan_reports_only, every record but a scan report is skipped.
    std::unique_ptr<uint8_t[]> AwaitReply(lv2xx_atcmd kind, unsigned timeout_ms,
                                          bool scan_reports_only);
    int64_t ElapsedMs() const;
    void OnPortRead(std::shared_ptr<CSerialportMP> port, std::error_code& ec,
                    const std::vector<uint8_t>& data, unsigned n);
    void OnPortWrite(std::shared_ptr<CSerialportMP> port, std::error_code& ec, unsigned n);

    // Empties both input buffers before a command.
    void DiscardInput();
    void Emit(TapDirection direction, TapRoute route, std::string bytes, std::string command = {});

    std::shared_ptr<CSerialportMP> port;
    std::atomic<ILinkTap*> tap{nullptr};
    std::atomic<int64_t> opened_ns{0};
    std::string current_command;  // transaction thread only
    std::string last_cut_line;    // set by TakeReply; transaction thread only
    std::vector<char> rx_bytes;
    std::vector<char> line_buffer;
    std::mutex rx_mutex;
    std::condition_variable rx_cv;
    ErrorHandler error_handler;
    std::vector<lv2xx_parser_entry> parser_table;
    std::atomic<bool> closing{false};
    std::atomic<bool> data_arrived{false};
    int64_t wait_started = 0;
    // This engine counts in OpenLinks(); kept apart from the port's own flag,
    // which the read path may clear on a failed read.
    std::atomic<bool> link_counted{false};
};
