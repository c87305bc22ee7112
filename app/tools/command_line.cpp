#include "app/tools/command_line.h"

#include <string>

#include "base/text.h"

void append_raw(wchar_t* line, size_t capacity, const wchar_t* text) {
    text_append(line, capacity, text);
}

void append_argument(wchar_t* line, size_t capacity, const wchar_t* value) {
    value = value ? value : L"";
    bool needsQuotes = !*value;
    for (const wchar_t* p = value; *p; ++p) {
        if (*p == L' ' || *p == L'\t' || *p == L'\n' || *p == L'\v' || *p == L'"') {
            needsQuotes = true;
            break;
        }
    }
    std::wstring argument = L" ";
    if (!needsQuotes) {
        argument += value;
    } else {
        argument += L'"';
        size_t backslashes = 0;
        for (const wchar_t* p = value;; ++p) {
            if (*p == L'\\') {
                ++backslashes;
                continue;
            }
            if (*p == 0) {
                argument.append(backslashes * 2, L'\\');  // they stand before the closing quote
                break;
            }
            if (*p == L'"') {
                argument.append(backslashes * 2 + 1, L'\\');
            } else {
                argument.append(backslashes, L'\\');
            }
            backslashes = 0;
            argument += *p;
        }
        argument += L'"';
    }
    // An argument that does not fit whole is left out rather than cut: a cut
    // quoted value would swallow whatever follows it.
    size_t used = text_length(line);
    if (used + argument.size() < capacity) {
        text_append(line, capacity, argument.c_str());
    }
}
