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

}  // namespace traffic
