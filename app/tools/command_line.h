// Building tool command lines in fixed buffers.
#pragma once

#include <cstddef>

// Appends " " and value so that the tool's command-line parsing (the
// Microsoft C runtime rules, as CommandLineToArgvW reads them) gives back
// exactly this one argument: quoted when it is empty or holds blanks or
// quotes, with backslashes before a quote and at the end doubled. A value
// that comes from data must never split into several arguments.
void append_argument(wchar_t* line, size_t capacity, const wchar_t* value);
// Appends text as it is (fixed options, the user's own extra arguments).
void append_raw(wchar_t* line, size_t capacity, const wchar_t* text);

template <size_t N>
void append_argument(wchar_t (&line)[N], const wchar_t* value) {
    append_argument(line, N, value);
}
template <size_t N>
void append_raw(wchar_t (&line)[N], const wchar_t* text) {
    append_raw(line, N, text);
}
