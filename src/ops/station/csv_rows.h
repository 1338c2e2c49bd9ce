// Reads comma-separated text: quotes around fields that hold commas, quotes
// (doubled) or line ends; CR LF or LF between rows; a UTF-8 byte-order mark
// at the start is skipped.
#pragma once

#include <string>
#include <vector>

// False with the line number in error when a quote is left open.
bool ParseCsv(const std::string& text, std::vector<std::vector<std::string>>& rows, std::string& error);
// One field, quoted when it needs to be.
std::string CsvField(const std::string& text);
