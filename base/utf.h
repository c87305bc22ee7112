// UTF-8 <-> UTF-16 in one place: where tool output, JSON text and files enter
// or leave the program. Malformed input never fails: each byte of a broken
// UTF-8 sequence, and each unpaired surrogate, becomes U+FFFD.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Converts bytes[0..length) into out, cut to capacity (never inside a
// surrogate pair) and terminated; returns the units stored.
size_t utf8_to_utf16(const char* bytes, size_t length, wchar_t* out, size_t capacity);
// The number of UTF-16 units the whole conversion yields.
size_t utf16_length_of_utf8(const char* bytes, size_t length);

// The well-formed UTF-8 sequence at bytes[0] (available bytes from there):
// its length (1 to 4) and code point, or 0 when it is broken (a bad lead or
// continuation byte, cut short, overlong, a surrogate, above U+10FFFF).
size_t utf8_decode(const unsigned char* bytes, size_t available, uint32_t* codePoint);

std::wstring utf8_to_wide(std::string_view bytes);
std::string wide_to_utf8(std::wstring_view text);
