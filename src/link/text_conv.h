// Text encodings and hex forms used between the user interface (UTF-16),
// the module (UTF-8) and the system's narrow encoding ("ANSI": the locale's
// narrow character set, UTF-8 in practice; on Windows the system code page).
#pragma once

#include <cstdint>
#include <string>

// Narrow (locale) text to UTF-16; returns the number of characters written.
int AnsiToWide(const std::string& in, std::u16string& out);
std::string WideToAnsi(const std::u16string& in);
std::string WideToAnsiStd(const std::u16string& in);

// The same with the narrow character set named explicitly (an iconv name;
// Windows knows the common ones and "CPnnn" through its code pages).
// An unknown set, an empty name, and plain ASCII are taken as UTF-8. Bytes the
// set does not define become U+FFFD; characters it cannot hold become '?'.
std::u16string NarrowToWide(const std::string& in, const char* codeset);
std::string WideToNarrow(const std::u16string& in, const char* codeset);

// UTF-8 <-> UTF-16. Invalid UTF-8 becomes U+FFFD; unpaired surrogates too.
std::u16string Utf8ToWide(const std::string& in);
std::string WideToUtf8(const std::u16string& in);
std::u16string Utf8ToWideStd(const char* in);   // NUL-terminated input
std::string WideToUtf8Std(const char16_t* in);  // NUL-terminated input

// Columns a code point takes on a terminal: 2 for wide characters such as
// Korean syllables, 0 for combining marks, else 1 (also when unknown).
int TerminalColumns(char32_t cp);

// Two hex characters (either case) to one byte, high nibble first.
bool HexPairToByte(const char* two, uint8_t& out);
// 12 hex characters to 6 address bytes, byte 0 first.
bool HexToAddress(const std::string& text, uint8_t out[6]);
// 6 address bytes to 12 upper-case hex digits.
void AddressToHex(const uint8_t addr[6], std::string& out);
std::string AddressToHex(const uint8_t addr[6]);
// Bytes to upper-case hex digits, two a byte.
std::string BytesToHex(const std::string& bytes);
// Hex digits to bytes, pair by pair, up to the first pair that is not hex; an
// odd last digit is ignored.
std::string HexToBytes(const std::string& hex);
// Digits and a-f / A-F only; the empty text is hex.
bool IsHexText(const std::string& text);
// Removes space, tab, LF, VT, FF and CR from both ends, in place.
void TrimSpaces(std::string& text);
