// CSV (RFC 4180: comma separated, CRLF line ends, quotes doubled inside
// quoted fields) of a scan's statistics and of its raw reports, in UTF-8.
// Numbers never follow the locale, so a file reads the same everywhere.
#pragma once

#include "ops/scan/scan_record.h"

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace scan_csv {

// The field as it goes into a line: quoted when it holds a comma, a quote,
// CR or LF.
std::string Field(std::string_view text);
// A text someone else chose (a device names itself) as a field's value: one
// that begins with =, +, -, @, tab or CR gets an apostrophe in front, so that
// spreadsheets show it instead of running it as a formula.
std::string SafeText(std::string_view text);
// The fields joined, with the CRLF that ends a record.
std::string Record(const std::vector<std::string>& fields);
// Records of a whole text; a quoted field may hold line breaks.
std::vector<std::vector<std::string>> Parse(std::string_view text);

// A header line and one line per device, in the order given by `rows`
// (indices into stats.Devices()).
void WriteStats(std::ostream& out, const ScanStats& stats, const std::vector<std::size_t>& rows);
// A header line and one line per kept report, oldest first.
void WriteReports(std::ostream& out, const ScanRecord& record);

}  // namespace scan_csv
