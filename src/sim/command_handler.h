// The module's command interpreter: one command line in, one reply text out,
// with the state changes the command makes. No I/O and no clock here.
#pragma once

#include <string>

#include "sim/kestov_sim.h"

namespace sim {

struct CommandOutcome {
    std::string reply;     // without its line terminator
    bool restart = false;  // ATZ / AT&F: the reply follows a restart pause
};

// `line` is the command as received, without its CR.
CommandOutcome HandleCommand(SimState& state, const std::string& line);

// Texts of the fixed replies.
inline constexpr char kReplyOk[] = "OK";
inline constexpr char kReplyError[] = "ERROR";
inline constexpr char kReplyReady[] = "+READY";
inline constexpr char kReplyScanning[] = "+SCANNING";
inline constexpr char kReplyStopped[] = "+STOPPED";

// Module address as the INFO reply shows it: "00:1A:2B:3C:4D:5E".
std::string AddressWithColons(const uint8_t address[6]);
// 12 upper-case hex digits, byte 0 first.
std::string AddressHex(const uint8_t address[6]);

}  // namespace sim
