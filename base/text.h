// Fixed-capacity UTF-16 text: the one way this program copies, appends and
// formats into wchar_t arrays. Every write is bounded by the capacity, always
// terminated, and silently cut; a cut never splits a surrogate pair.
//
// Text is UTF-16 code units held in wchar_t. On Windows that is the native wide
// type; the portable builds on other systems keep the same code units in their
// wider wchar_t, so lengths and cuts agree across builds.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <string_view>

size_t text_length(const wchar_t* text);  // 0 for null

// Each returns the number of units now held in dst (without the terminator).
size_t text_copy(wchar_t* dst, size_t capacity, const wchar_t* src);
size_t text_copy_n(wchar_t* dst, size_t capacity, const wchar_t* src, size_t count);
size_t text_append(wchar_t* dst, size_t capacity, const wchar_t* src);
size_t text_append_n(wchar_t* dst, size_t capacity, const wchar_t* src, size_t count);
// printf-style; wide string arguments use %ls on every platform.
size_t text_format(wchar_t* dst, size_t capacity, const wchar_t* format, ...);
size_t text_format_v(wchar_t* dst, size_t capacity, const wchar_t* format, va_list args);

template <size_t N>
inline size_t text_copy(wchar_t (&dst)[N], const wchar_t* src) {
    return text_copy(dst, N, src);
}
template <size_t N>
inline size_t text_copy_n(wchar_t (&dst)[N], const wchar_t* src, size_t count) {
    return text_copy_n(dst, N, src, count);
}
template <size_t N>
inline size_t text_append(wchar_t (&dst)[N], const wchar_t* src) {
    return text_append(dst, N, src);
}
template <size_t N>
inline size_t text_format(wchar_t (&dst)[N], const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    size_t n = text_format_v(dst, N, format, args);
    va_end(args);
    return n;
}

// Comparisons. "nocase" folds the ASCII letters only: the texts compared this
// way (extensions, codecs, language codes, tool output keywords) are ASCII.
bool text_equal(const wchar_t* a, const wchar_t* b);
bool text_equal_nocase(const wchar_t* a, const wchar_t* b);
bool text_starts_with(const wchar_t* text, const wchar_t* prefix);
bool text_starts_with_nocase(const wchar_t* text, const wchar_t* prefix);
bool text_ends_with(const wchar_t* text, const wchar_t* suffix);
bool text_contains_nocase(const wchar_t* haystack, const wchar_t* needle);
const wchar_t* text_find(const wchar_t* haystack, const wchar_t* needle);  // exact case; null when absent

// The leading decimal integer of a text, as the Windows string-to-number
// helpers read it: blanks, an optional sign, digits; 0 when there are none.
// Values beyond the 32-bit range are held at its ends.
long long text_leading_integer(const wchar_t* text);

// The same for bytes (UTF-8 tool output): the offset of needle, or npos.
size_t bytes_find_nocase(std::string_view haystack, std::string_view needle);
inline bool bytes_contain_nocase(std::string_view haystack, std::string_view needle) {
    return bytes_find_nocase(haystack, needle) != std::string_view::npos;
}

inline wchar_t ascii_lower(wchar_t c) {
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + (L'a' - L'A')) : c;
}

#include "base/poison.h"
