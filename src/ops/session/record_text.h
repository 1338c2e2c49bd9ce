// Small helpers for the fixed-size fields of the protocol records, shared by
// the read-back, the write jobs, the identification and the device session.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

// The text of a NUL-padded field: up to its first NUL, never past its size.
inline std::string FieldText(const char* field, std::size_t size) { return std::string(field, strnlen(field, size)); }

template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
    return FieldText(field, N);
}
