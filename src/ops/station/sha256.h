// SHA-256 of a text as 64 lower-case hex digits (the record names a profile by it).
#pragma once

#include <string>
#include <string_view>

std::string Sha256Hex(std::string_view data);
