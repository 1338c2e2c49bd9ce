// Feeds arbitrary bytes to every reply parser and to the text conversions.
// Checks that each parser returns a record whose payload length belongs to
// its code, that a line parses as a scan report exactly when the receive
// side would route it as one, and that the UTF-8 round trip is stable.
#include "link/at_protocol.h"
#include "link/line_cutter.h"
#include "link/text_conv.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

uint16_t PayloadFor(int32_t code) {
    switch (code) {
    case ATRES_SCAN_REPORT:
        return kScanReportPayload;
    case ATRES_SLOT:
        return kSlotPayload;
    case ATRES_INFO:
        return kInfoPayload;
    case ATRES_VERSION:
        return kVersionPayload;
    case ATRES_MODEL:
        return kModelPayload;
    case ATRES_UART_OPTIONS:
        return kUartOptionsPayload;
    case ATRES_ON_OFF:
        return kOnOffPayload;
    case ATRES_BEACON_DATA:
        return kBeaconPayload;
    case ATRES_ADV_INTERVAL:
        return kAdvIntervalPayload;
    default:
        return 0;
    }
}

void Check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<lv2xx_parser_entry> table = BuildParserTable();
    const std::vector<char> line(data, data + size);

    for (const auto& entry : table) {
        for (const auto& parser : entry.parsers) {
            std::vector<char> copy = line;
            const lv2xx_reply r = parser(copy, entry.kind);
            Check(r != nullptr);
            Check(ReplyPayloadLength(r.get()) == PayloadFor(ReplyCode(r.get())));
        }
    }

    const std::string bytes(line.begin(), line.end());
    std::vector<char> copy = line;
    const bool parsed = ReplyCode(ParseScanReportLine(copy, ATCMD_SCAN_REPORT).get()) == ATRES_SCAN_REPORT;
    Check(parsed == (ClassifyLine(bytes) == LineKind::ScanReport));

    const std::u16string wide = Utf8ToWide(bytes);
    Check(Utf8ToWide(WideToUtf8(wide)) == wide);
    Check(wide.size() <= bytes.size());

    std::string trimmed = bytes;
    TrimSpaces(trimmed);
    uint8_t addr[6];
    if (HexToAddress(trimmed, addr)) Check(HexToAddress(AddressToHex(addr), addr));
    return 0;
}
