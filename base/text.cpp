#include "base/text.h"

#include <vector>

namespace {

bool is_high_surrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

// Units of src[0..count) that fit into room units without splitting a pair.
size_t fitting_units(const wchar_t* src, size_t count, size_t room) {
    if (count <= room) {
        return count;
    }
    size_t n = room;
    if (n > 0 && is_high_surrogate(src[n - 1])) {
        --n;  // its low half would be cut off
    }
    return n;
}

}  // namespace

size_t text_length(const wchar_t* text) {
    if (!text) {
        return 0;
    }
    size_t n = 0;
    while (text[n]) {
        ++n;
    }
    return n;
}

size_t text_copy_n(wchar_t* dst, size_t capacity, const wchar_t* src, size_t count) {
    if (!dst || capacity == 0) {
        return 0;
    }
    size_t n = src ? fitting_units(src, count, capacity - 1) : 0;
    if (n) {
        std::memmove(dst, src, n * sizeof(wchar_t));
    }
    dst[n] = 0;
    return n;
}

size_t text_copy(wchar_t* dst, size_t capacity, const wchar_t* src) {
    return text_copy_n(dst, capacity, src, text_length(src));
}

size_t text_append_n(wchar_t* dst, size_t capacity, const wchar_t* src, size_t count) {
    if (!dst || capacity == 0) {
        return 0;
    }
    size_t used = 0;
    while (used < capacity && dst[used]) {
        ++used;
    }
    if (used >= capacity) {  // an unterminated buffer: terminate it where it ends
        used = capacity - 1;
        dst[used] = 0;
    }
    return used + text_copy_n(dst + used, capacity - used, src, count);
}

size_t text_append(wchar_t* dst, size_t capacity, const wchar_t* src) {
    return text_append_n(dst, capacity, src, text_length(src));
}

size_t text_format_v(wchar_t* dst, size_t capacity, const wchar_t* format, va_list args) {
    if (!dst || capacity == 0) {
        return 0;
    }
    // vswprintf reports a result that does not fit as a failure and leaves the
    // buffer unspecified, so format into scratch space large enough for the
    // result and cut from there.
    size_t room = capacity < 256 ? 256 : capacity + 1;
    for (int attempt = 0; attempt < 8; ++attempt, room *= 4) {
        std::vector<wchar_t> scratch(room);
        va_list copy;
        va_copy(copy, args);
        int n = std::vswprintf(scratch.data(), room, format, copy);
        va_end(copy);
        if (n >= 0 && static_cast<size_t>(n) < room) {
            return text_copy_n(dst, capacity, scratch.data(), static_cast<size_t>(n));
        }
    }
    dst[0] = 0;
    return 0;
}

size_t text_format(wchar_t* dst, size_t capacity, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    size_t n = text_format_v(dst, capacity, format, args);
    va_end(args);
    return n;
}

bool text_equal(const wchar_t* a, const wchar_t* b) {
    a = a ? a : L"";
    b = b ? b : L"";
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

bool text_equal_nocase(const wchar_t* a, const wchar_t* b) {
    a = a ? a : L"";
    b = b ? b : L"";
    while (*a && ascii_lower(*a) == ascii_lower(*b)) {
        ++a;
        ++b;
    }
    return ascii_lower(*a) == ascii_lower(*b);
}

bool text_starts_with(const wchar_t* text, const wchar_t* prefix) {
    text = text ? text : L"";
    prefix = prefix ? prefix : L"";
    while (*prefix) {
        if (*text++ != *prefix++) {
            return false;
        }
    }
    return true;
}

bool text_starts_with_nocase(const wchar_t* text, const wchar_t* prefix) {
    text = text ? text : L"";
    prefix = prefix ? prefix : L"";
    while (*prefix) {
        if (ascii_lower(*text++) != ascii_lower(*prefix++)) {
            return false;
        }
    }
    return true;
}

bool text_ends_with(const wchar_t* text, const wchar_t* suffix) {
    size_t n = text_length(text);
    size_t m = text_length(suffix);
    return m <= n && text_equal(text + (n - m), suffix);
}

bool text_contains_nocase(const wchar_t* haystack, const wchar_t* needle) {
    if (!needle || !*needle) {
        return true;
    }
    if (!haystack) {
        return false;
    }
    for (; *haystack; ++haystack) {
        if (text_starts_with_nocase(haystack, needle)) {
            return true;
        }
    }
    return false;
}

const wchar_t* text_find(const wchar_t* haystack, const wchar_t* needle) {
    if (!haystack || !needle) {
        return nullptr;
    }
    for (; *haystack; ++haystack) {
        if (text_starts_with(haystack, needle)) {
            return haystack;
        }
    }
    return *needle ? nullptr : haystack;
}

long long text_leading_integer(const wchar_t* text) {
    if (!text) {
        return 0;
    }
    while (*text == L' ' || (*text >= L'\t' && *text <= L'\r')) {
        ++text;
    }
    bool negative = *text == L'-';
    if (*text == L'-' || *text == L'+') {
        ++text;
    }
    long long value = 0;
    for (; *text >= L'0' && *text <= L'9'; ++text) {
        if (value <= 0x80000000ll) {
            value = value * 10 + (*text - L'0');
        }
    }
    if (value > 0x80000000ll) {
        value = 0x80000000ll;
    }
    value = negative ? -value : value;
    return value > 0x7FFFFFFFll ? 0x7FFFFFFFll : value;
}

size_t bytes_find_nocase(std::string_view haystack, std::string_view needle) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; };
    if (needle.empty()) {
        return 0;
    }
    if (needle.size() > haystack.size()) {
        return std::string_view::npos;
    }
    char first = lower(needle[0]);
    for (size_t i = 0; i + needle.size() <= haystack.size(); ++i) {
        if (lower(haystack[i]) != first) {
            continue;
        }
        size_t k = 1;
        while (k < needle.size() && lower(haystack[i + k]) == lower(needle[k])) {
            ++k;
        }
        if (k == needle.size()) {
            return i;
        }
    }
    return std::string_view::npos;
}
