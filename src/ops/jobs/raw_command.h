// A command the user types, sent as it is: its checks, the record the job
// reads and fills, and which commands change the link itself.
#pragma once

#include "ops/session/device_steps.h"
#include "link/comm.h"

#include <functional>
#include <string>

enum class RawCommandCheck { Ok, Empty, ControlChar, TooLong };

struct RawCommandRecord {
    static constexpr unsigned kTimeoutMs = device_steps::kReplyMs;
    // Text plus CR must fit the 127 characters of a command.
    static constexpr std::size_t kMaxBytes = 126;

    std::string text;          // window thread, before queuing; UTF-8, no CR
    RawExchangeResult result;  // worker, before posting
    // Window thread: told of every result before the follow-up runs.
    std::function<void(const RawCommandRecord&, int status)> listener;
};

RawCommandCheck CheckRawCommand(const std::string& text);
// ATZ, AT&F and AT+UARTOPT=: the module restarts or its UART changes.
bool RawCommandChangesLink(const std::string& text);
