// Columns a text takes on a terminal: Korean syllables take two, combining
// marks none, so tables line up by what is seen rather than by bytes.
#pragma once

#include <cstddef>
#include <string>

// Invalid UTF-8 counts one column per byte, as terminals show it.
std::size_t DisplayWidth(const std::string& utf8);
// The text followed by spaces up to `columns` (nothing added when wider).
std::string PadToWidth(const std::string& utf8, std::size_t columns);
