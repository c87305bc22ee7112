// Small texts of the progress display: sizes, decimal numbers and remaining
// time as the interface language writes them, and a bounded replace.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t BYTE_SIZE_CAPACITY = 16;     // "1023 KB", "12.3 MB" with a translated unit
constexpr size_t LOCAL_NUMBER_CAPACITY = 16;  // a number of at most 15 characters
constexpr size_t TIME_LEFT_CAPACITY = 32;
constexpr size_t REPLACE_LIMIT = 512;         // replace_all results hold at most 511 characters

// "1023 B" below 1,024 bytes, else the value in KB, MB, GB or TB (base 1,024)
// with one decimal below 10 and none from 10 on, localized, the unit translated.
void format_byte_size(uint64_t bytes, wchar_t* out, size_t capacity);
template <size_t N>
inline void format_byte_size(uint64_t bytes, wchar_t (&out)[N]) {
    format_byte_size(bytes, out, N);
}

// The number with every "." turned into the interface language's decimal separator.
void localize_decimal_point(const wchar_t* number, wchar_t (&out)[LOCAL_NUMBER_CAPACITY]);

// "5 sec left", "2 min left" in the interface language; empty for 0 or less,
// and before the translation table exists.
void format_time_left(int64_t seconds, wchar_t (&out)[TIME_LEFT_CAPACITY]);

// Replaces every occurrence of find (exact case) by replacement, going on
// after each inserted replacement. The result is cut to the buffer's capacity
// and to 511 characters. An empty find changes nothing.
void replace_all(wchar_t* text, size_t capacity, const wchar_t* find, const wchar_t* replacement);
template <size_t N>
inline void replace_all(wchar_t (&text)[N], const wchar_t* find, const wchar_t* replacement) {
    replace_all(text, N, find, replacement);
}

// The decimal digits of value; returns the units written (buffer of at least 21).
size_t format_decimal(uint64_t value, wchar_t* out);
