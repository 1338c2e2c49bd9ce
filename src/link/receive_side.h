// The engine's receive side: cuts arriving bytes into lines and routes each
// line once, to the running scan, to the transaction, or away. No I/O, no
// clock and no locks: the engine calls it under its receive lock.
#pragma once

#include "line_cutter.h"
#include "line_queue.h"
#include "link_tap.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class ReceiveSide {
public:
    // About two thousand scan reports: five seconds of a busy scan at 115200 baud.
    static constexpr std::size_t kReportQueueBytes = 64 * 1024;
    static constexpr std::size_t kReplyQueueBytes = 16 * 1024;

    // Told where each line went; only given when someone listens.
    class Sink {
    public:
        virtual void Route(TapRoute route, std::string_view bytes, std::string_view command,
                           int64_t atNs) = 0;

    protected:
        ~Sink() = default;
    };

    // Bytes as they arrived at `atNs`.
    void Feed(std::string_view bytes, int64_t atNs, Sink* sink);

    // A command is about to go out: complete lines that came before it are
    // not its reply (a line still arriving is kept), and its echo is skipped
    // until EndCommand. Starting or ending a scan is seen here.
    void BeginCommand(const std::string& text, Sink* sink);
    void EndCommand(const std::string& text, bool refused);

    bool PopReply(QueuedLine& out);
    bool PopReport(QueuedLine& out);
    bool HasReply() const { return !replies_.Empty(); }
    bool HasReport() const { return !reports_.Empty(); }

    // Ends the scan state; true when a scan was running.
    bool TakeScanActive() { return scanActive_.exchange(false); }

    // Forgets everything (a new open).
    void Reset();
    // At close: the partial line and unclaimed lines go to the sink, reports are dropped.
    void CloseOut(int64_t atNs, Sink* sink);

    std::size_t Bytes() const { return assembler_.Partial().size() + replies_.Bytes() + reports_.Bytes(); }
    uint64_t Dropped() const { return dropped_.load(std::memory_order_relaxed); }

private:
    void RouteLine(std::string_view line, int64_t atNs, Sink* sink);
    void Drop(std::string_view line, int64_t atNs, Sink* sink);
    void DropQueuedReports();

    LineAssembler assembler_;
    LineQueue replies_{kReplyQueueBytes};
    LineQueue reports_{kReportQueueBytes};
    std::string pending_;  // the command in flight, for its echo
    std::atomic<bool> scanActive_{false};
    std::atomic<uint64_t> dropped_{0};
};
