// UTF-8 <-> UTF-16 in one place: where tool output, JSON text and files enter
// or leave the program. Malformed input never fails: each byte of a broken
// UTF-8 sequence, and each unpaired surrogate, becomes U+FFFD.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Converts bytes[0..length) into out, cut to capacity (never inside a
// surrogate pair) and terminated; returns the units stored.
size_t utf8_to_utf16(const char* bytes, size_t length, wchar_t* out, size_t capacity);
// The number of UTF-16 units the whole conversion yields.
size_t utf16_length_of_utf8(const char* bytes, size_t length);

std::wstring utf8_to_wide(std::string_view bytes);
std::string wide_to_utf8(std::wstring_view text);
