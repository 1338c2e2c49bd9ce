// How one line of wire traffic reads, in the traffic view and in its files.
#pragma once

#include "link/link_tap.h"

#include <string>
#include <string_view>

namespace traffic {

// Device bytes as one printable line: CR and LF as <CR> and <LF>, other
// control bytes and bytes that are not valid UTF-8 as \xNN; valid UTF-8
// (Korean included) stays text.
std::string EscapeWireBytes(std::string_view bytes);

// Milliseconds since the port opened, with one decimal: "1234.5".
std::string SinceOpenText(int64_t sinceOpenNs);

// Fixed English tags, so files read the same whatever the window's language.
const char* DirectionTag(TapDirection direction);
// "reply AT+VER?", "scan report", "echo AT", "command", ...
std::string RouteTag(TapRoute route, const std::string& command);

// One row: time, direction, text, route, separated by tabs.
std::string FormatRow(const TapEvent& event);

// Local wall-clock time with milliseconds: "2026-12-10 18:30:01.123".
std::string WallClockText(int64_t wallNs);
// A row of the log file: the wall-clock time, a tab, the row.
std::string LogRow(const TapEvent& event);
// The line that starts a session in the log file: local date, time and
// offset, the port and its by-id name (if any), the program and its version.
std::string SessionHeader(int64_t wallNs, const std::string& port, const std::string& byId, const std::string& program);
// The line that names the module once it is identified.
std::string ModelLine(const std::string& model);

}  // namespace traffic
