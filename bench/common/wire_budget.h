// What a benchmark compares a command's time with: the wire time of the bytes
// the module received and sent, and the pauses the module mandates; and a
// profile in which every field differs from a module's factory state.
#pragma once

#include "sim/command_handler.h"
#include "sim/kestov_sim.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace bench {

// An LV200 that answers at the given baud rate and sees no other devices.
inline std::unique_ptr<sim::KestovSimulator> PacedModule(unsigned baud) {
    auto m = std::make_unique<sim::KestovSimulator>("KESTOV-LV200");
    if (!m->Start()) {
        std::fprintf(stderr, "cannot start a simulated module\n");
        std::exit(1);
    }
    m->SetScanDevices({});
    m->SetPaceBaud(baud);
    return m;
}

struct Wire {
    double all;      // commands and replies, ms
    double replies;  // replies alone: the simulator paces only what it sends
    double pauses;   // ms the module mandates after slot and beacon writes
};

// The commands the module received, replayed on its state from before.
inline Wire WireAndPauses(const sim::SimState& before, const std::vector<std::string>& commands, unsigned baud) {
    sim::SimState s = before;
    std::size_t bytes = 0, replyBytes = 0;
    double pauses = 0;
    for (const std::string& c : commands) {
        const std::size_t reply = sim::HandleCommand(s, c).reply.size() + 1;
        bytes += c.size() + 1 + reply;
        replyBytes += reply;
        if (c.rfind("AT+SETSLOT", 0) == 0 || c.rfind("AT+DELSLOT", 0) == 0) pauses += 100;
        if (c.rfind("AT+BEACON=", 0) == 0 || c.rfind("AT+UCBEACON=", 0) == 0) pauses += 200;
    }
    return {bytes * 10.0 * 1000.0 / baud, replyBytes * 10.0 * 1000.0 / baud, pauses};
}

inline std::string FullProfile() {
    std::string slots;
    for (int n = 1; n <= 8; ++n) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "%s{\"slot\":%d,\"address\":\"A0B1C2D3E4%02X\",\"tag\":\"tag%d\"}",
                      n == 1 ? "" : ",", n, n, n);
        slots += buf;
    }
    return R"({"format":"kestov-lv2xx-profile","version":1,"name":"Bench01","interval":640,)"
           R"("uart":{"parity":"even","stopbits":2,"flow":true},"slots":[)" +
           slots + R"(],"beacon":{"source":"user","data":"0201060AFF0102030405060708090A0B0C0D0E0F1011121314"}})";
}

}  // namespace bench
