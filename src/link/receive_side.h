// The engine's receive side: cuts arriving bytes into lines and routes each
// line once, to the running scan, to the transaction, or away. No I/O, no
// clock and no locks: the engine calls it under its receive lock.
//
// Everything goes to the sink once and in wire order: the commands written,
// then each line with the time it was cut. A line queued for the transaction
// has its route settled by the transaction later (reply, late reply, or
// unclaimed); the lines behind it wait for that before they are told.
#pragma once

#include "line_cutter.h"
#include "line_queue.h"
#include "link_tap.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

class ReceiveSide {
public:
    // About two thousand scan reports: five seconds of a busy scan at 115200 baud.
    static constexpr std::size_t kReportQueueBytes = 64 * 1024;
    static constexpr std::size_t kReplyQueueBytes = 16 * 1024;
    // Lines waiting behind one whose route is not settled yet; beyond this
    // the oldest is told as unclaimed (a transaction that does not keep up).
    static constexpr std::size_t kHeldBytes = 64 * 1024;

    // Told where each line went (Command: bytes written); only given when someone listens.
    class Sink {
    public:
        virtual void Route(TapRoute route, std::string_view bytes, std::string_view command, int64_t atNs) = 0;

    protected:
        ~Sink() = default;
    };

    // Bytes as they arrived at `atNs`.
    void Feed(std::string_view bytes, int64_t atNs, Sink* sink);
    // Bytes about to be written at `atNs`, told in order with the lines.
    void Sent(std::string_view bytes, int64_t atNs, Sink* sink);

    // A command is about to go out: complete lines that came before it are
    // not its reply, nor is a partial line unless it can still become a scan
    // report; its echo is skipped until EndCommand. Starting or ending a scan
    // is seen here.
    void BeginCommand(const std::string& text, Sink* sink);
    // Lines the transaction did not take are unclaimed.
    void EndCommand(const std::string& text, bool refused, Sink* sink);

    bool PopReply(QueuedLine& out);
    // The route of a line taken with PopReply.
    void Settle(uint64_t id, TapRoute route, std::string_view command, Sink* sink);
    bool PopReport(QueuedLine& out);
    bool HasReply() const { return !m_replies.Empty(); }
    bool HasReport() const { return !m_reports.Empty(); }

    // Ends the scan state; true when a scan was running.
    bool TakeScanActive() { return m_scanActive.exchange(false); }

    // Forgets everything (a new open).
    void Reset();
    // At close: the partial line and unclaimed lines go to the sink, reports are dropped.
    void CloseOut(int64_t atNs, Sink* sink);

    std::size_t Bytes() const { return m_assembler.Partial().size() + m_replies.Bytes() + m_reports.Bytes(); }

private:
    struct Held {
        uint64_t id = 0;  // 0: settled
        TapRoute route = TapRoute::Unclaimed;
        std::string bytes;
        std::string command;
        int64_t atNs = 0;
    };

    void RouteLine(std::string_view line, int64_t atNs, Sink* sink);
    void Drop(std::string_view line, int64_t atNs, Sink* sink);
    bool TakesReports() const { return m_scanActive.load() || m_stopping; }
    // Tells a settled line now, or after the unsettled ones before it.
    void Tell(TapRoute route, std::string_view bytes, std::string_view command, int64_t atNs, Sink* sink);
    void Release(Sink* sink);
    void UnclaimReplies(Sink* sink);

    LineAssembler m_assembler;
    LineQueue m_replies{kReplyQueueBytes};
    LineQueue m_reports{kReportQueueBytes};
    std::string m_pending;     // the command in flight, for its echo
    bool m_inCommand = false;  // a transaction waits for lines
    // A stop was sent: reports still count until the module says +STOPPED.
    bool m_stopping = false;
    std::atomic<bool> m_scanActive{false};
    std::deque<Held> m_held;
    std::size_t m_heldBytes = 0;
    uint64_t m_nextId = 1;
    int64_t m_lastFeedNs = 0;  // when the partial line's last bytes came
};
