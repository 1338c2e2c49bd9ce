// Observer of everything the engine writes and every line it receives: each
// once, in the order of the wire, with times that never go back.
#pragma once
#include <cstdint>
#include <string>
enum class TapDirection { Sent, Received };
enum class TapRoute {
    Command,     // bytes written (one event per Write)
    Reply,       // line taken by the waiting transaction; `command` names it
    ScanReport,  // scan report queued for the scan
    Echo,        // echo of the command just sent (or a late reply), skipped
    Dropped,     // scan report outside a scan, or an over-long line
    Unclaimed,   // line no transaction wanted
    Partial,     // incomplete line given up: before a command (noise) or at close
};
struct TapEvent {
    int64_t sinceOpenNs;  // monotonic, from the port's open
    TapDirection direction;
    TapRoute route;
    std::string bytes;    // raw bytes of the chunk or line, CR/LF included
    std::string command;  // for Reply/Echo: the command text (without CR) it belongs to
    int64_t wallNs = 0;   // wall-clock time since the epoch, stamped by an observer that keeps events; 0: none
};
class ILinkTap {
public:
    virtual ~ILinkTap() = default;
    // Called on the engine's threads; must be quick and thread-safe.
    virtual void OnTraffic(const TapEvent& event) = 0;
};
