#include "ops/traffic/traffic_text.h"

#include <cstdio>
#include <ctime>

namespace traffic {

namespace {

// Length of the valid UTF-8 sequence at s[i] (2..4), or 0. Overlong forms,
// surrogates and C1 controls (U+0080..U+009F) do not count as text.
std::size_t Utf8SequenceAt(std::string_view s, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(i);
    std::size_t len = 0;
    uint32_t cp = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
        cp = b0 & 0x1Fu;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        cp = b0 & 0x0Fu;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        cp = b0 & 0x07u;
    } else {
        return 0;
    }
    if (i + len > s.size()) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        if ((byte(i + k) & 0xC0u) != 0x80u) return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3Fu);
    }
    const uint32_t min[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < min[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    if (cp <= 0x9F) return 0;
    return len;
}

void AppendHex(std::string& out, unsigned char b) {
    char buf[5];
    std::snprintf(buf, sizeof buf, "\\x%02X", b);
    out += buf;
}

}  // namespace

std::string EscapeWireBytes(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + 8);
    for (std::size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b == '\r') {
            out += "<CR>";
        } else if (b == '\n') {
            out += "<LF>";
        } else if (b >= 0x20 && b < 0x7F) {
            out += static_cast<char>(b);
        } else if (b >= 0x80) {
            const std::size_t len = Utf8SequenceAt(bytes, i);
            if (len > 0) {
                out.append(bytes.substr(i, len));
                i += len;
                continue;
            }
            AppendHex(out, b);
        } else {
            AppendHex(out, b);
        }
        ++i;
    }
    return out;
}

std::string SinceOpenText(int64_t sinceOpenNs) {
    if (sinceOpenNs < 0) sinceOpenNs = 0;
    const int64_t tenths = sinceOpenNs / 100000;  // 0.1 ms
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lld.%lld", static_cast<long long>(tenths / 10),
                  static_cast<long long>(tenths % 10));
    return buf;
}

const char* DirectionTag(TapDirection direction) { return direction == TapDirection::Sent ? "sent" : "received"; }

std::string RouteTag(TapRoute route, const std::string& command) {
    switch (route) {
    case TapRoute::Command:
        return "command";
    case TapRoute::Reply:
        return command.empty() ? "reply" : "reply " + EscapeWireBytes(command);
    case TapRoute::ScanReport:
        return "scan report";
    case TapRoute::Echo:
        return command.empty() ? "echo" : "echo " + EscapeWireBytes(command);
    case TapRoute::Dropped:
        return "dropped";
    case TapRoute::Unclaimed:
        return "unclaimed";
    case TapRoute::Partial:
        return "partial";
    }
    return "?";
}

std::string FormatRow(const TapEvent& event) {
    std::string row = SinceOpenText(event.sinceOpenNs);
    row += '\t';
    row += DirectionTag(event.direction);
    row += '\t';
    row += EscapeWireBytes(event.bytes);
    row += '\t';
    row += RouteTag(event.route, event.command);
    return row;
}

namespace {

bool LocalTime(int64_t wallNs, std::tm& tm) {
    const std::time_t seconds = static_cast<std::time_t>(wallNs / 1000000000);
    return localtime_r(&seconds, &tm) != nullptr;
}

}  // namespace

std::string WallClockText(int64_t wallNs) {
    std::tm tm{};
    if (wallNs <= 0 || !LocalTime(wallNs, tm)) return "-";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>((wallNs / 1000000) % 1000));
    return buf;
}

std::string LogRow(const TapEvent& event) { return WallClockText(event.wallNs) + '\t' + FormatRow(event); }

std::string SessionHeader(int64_t wallNs, const std::string& port, const std::string& byId,
                          const std::string& program) {
    std::tm tm{};
    char when[64] = "-";
    if (LocalTime(wallNs, tm)) std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S %z", &tm);
    // Names from the system are escaped like wire bytes: one line whatever they hold.
    std::string line = "# session ";
    line += when;
    line += ", port ";
    line += port.empty() ? "-" : EscapeWireBytes(port);
    if (!byId.empty() && byId != port) line += " (" + EscapeWireBytes(byId) + ")";
    line += ", " + program;
    return line;
}

std::string ModelLine(const std::string& model) { return "# model " + EscapeWireBytes(model); }

}  // namespace traffic
