#include "line_cutter.h"

#include <algorithm>

namespace {

constexpr std::size_t kFrameBytes = 4;  // CR LF before and after a framed line

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// What is told of an over-long line: its first bytes, without a frame start
// (a line cut or held never starts with more CR or LF bytes than that).
std::string_view OverlongHead(std::string_view line) {
    const std::size_t text = line.find_first_not_of("\r\n");
    line.remove_prefix(text == std::string_view::npos ? line.size() : text);
    return line.substr(0, kMaxLineBytes);
}

}  // namespace

LineCut FindLineEnd(std::string_view bytes) {
    const char* const begin = bytes.data();
    const char* const end = begin + bytes.size();
    if (bytes.empty()) {
        return {};
    }
    const char* e = nullptr;
    if (bytes[0] == '\r') {
        if (bytes.size() < 4) {
            return {};  // a CR needs four bytes to tell a frame from a lone CR
        }
        if (bytes[1] != '\n') {
            return {LineCut::Skip, 1};
        }
        if (bytes[2] == '\r' && bytes[3] == '\n') {
            return {LineCut::Skip, 2};  // empty frame
        }
        if (bytes[2] == '\n') {
            // Not a frame: its text never starts with LF. Taken as text, a run
            // of LFs would leave "over-long or not" open until the CR, and so
            // hang on how the bytes arrived.
            return {LineCut::Skip, 1};
        }
        const char* cr = std::find(begin + 2, end, '\r');
        if (cr == end || cr + 1 == end) {
            return {};
        }
        if (cr[1] != '\n') {
            return {LineCut::Skip, 1};  // not framed after all
        }
        e = cr + 2;
        return {LineCut::Line, static_cast<std::size_t>(e - begin)};
    }
    if (bytes[0] == '\n') {
        return {LineCut::Skip, 1};
    }
    const char* cr = std::find(begin, end, '\r');
    if (cr == end) {
        return {};
    }
    if (cr == begin + 1) {
        return {LineCut::Skip, 1};  // one character: noise, its CR follows as a lone CR
    }
    return {LineCut::Line, static_cast<std::size_t>(cr + 1 - begin)};
}

std::string_view LineText(std::string_view line) {
    if (line.size() >= 2 && line[0] == '\r' && line[1] == '\n') {
        line.remove_prefix(2);
    }
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
        line.remove_suffix(1);
    }
    return line;
}

bool IsStatusText(std::string_view text) {
    static constexpr std::string_view kStatus[] = {"OK", "+OK", "ERROR", "+ERROR", "+READY", "+SCANNING", "+STOPPED"};
    return std::find(std::begin(kStatus), std::end(kStatus), text) != std::end(kStatus);
}

bool ReadScanReport(std::string_view line, ScanReportFields& out) {
    // Scan reports are always plain lines: "+", address, RSSI, name, CR.
    if (line.size() < 17 || line[0] != '+' || line.back() != '\r') {
        return false;
    }
    std::size_t i = 1;
    while (i < 13 && IsHex(line[i])) {
        ++i;
    }
    if (i != 13 || line[13] != ',') {
        return false;
    }
    const std::size_t rssi = ++i;
    if (line[i] == '-') {
        ++i;
    }
    const std::size_t digits = i;
    while (i < line.size() && IsDigit(line[i]) && i - digits < 4) {
        ++i;
    }
    if (i == digits || line[i] != ',') {
        return false;
    }
    const std::string_view name = line.substr(i + 1, line.size() - 1 - (i + 1));
    if (name.size() > kMaxScanNameBytes || name.find('\r') != std::string_view::npos) {
        return false;
    }
    out = {line.substr(1, 12), line.substr(rssi, i - rssi), name};
    return true;
}

LineKind ClassifyLine(std::string_view line) {
    ScanReportFields fields;
    if (ReadScanReport(line, fields)) {
        return LineKind::ScanReport;
    }
    return IsStatusText(LineText(line)) ? LineKind::Status : LineKind::Other;
}

bool MayBecomeScanReport(std::string_view head) {
    if (head.empty() || head[0] != '+') {
        return false;
    }
    std::size_t i = 1;
    for (; i < head.size() && i < 13; ++i) {
        if (!IsHex(head[i])) return false;
    }
    if (i == head.size()) return true;
    if (head[i++] != ',') return false;
    if (i < head.size() && head[i] == '-') ++i;
    const std::size_t digits = i;
    while (i < head.size() && IsDigit(head[i]) && i - digits < 4) ++i;
    if (i == head.size()) return true;
    if (i == digits || head[i++] != ',') return false;
    return head.size() - i <= kMaxScanNameBytes && head.find('\r', i) == std::string_view::npos;
}

void LineAssembler::Reset() {
    m_partial.clear();
    m_discarding = false;
}

void LineAssembler::Feed(std::string_view bytes, const LineSink& onLine, const OverlongSink& onOverlong) {
    if (m_discarding) {
        const std::size_t cr = bytes.find('\r');
        if (cr == std::string_view::npos) {
            return;
        }
        bytes.remove_prefix(cr + 1);
        m_discarding = false;
    }
    // The held tail (at most one line) goes in front of the new bytes.
    m_scratch.assign(m_partial);
    m_scratch.append(bytes);
    m_partial.clear();
    const std::string_view work = m_scratch;
    std::size_t pos = 0;
    while (pos < work.size()) {
        const LineCut cut = FindLineEnd(work.substr(pos));
        if (cut.kind == LineCut::NeedMore) {
            const std::string_view rest = work.substr(pos);
            if (rest.size() <= kMaxLineBytes + kFrameBytes) {
                m_partial.assign(rest);
                return;
            }
            onOverlong(OverlongHead(rest));
            // Its CR has not come yet, unless it is the very last byte (a
            // frame still missing its LF, which then arrives as a lone LF).
            m_discarding = rest.back() != '\r';
            return;
        }
        const std::string_view piece = work.substr(pos, cut.consumed);
        pos += cut.consumed;
        if (cut.kind != LineCut::Line) {
            continue;
        }
        if (piece.size() > kMaxLineBytes) {
            onOverlong(OverlongHead(piece));
        } else {
            onLine(piece);
        }
    }
}
