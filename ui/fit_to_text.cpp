#include "ui/fit_to_text.h"

#include "base/text.h"
#include "ui/theme.h"

namespace {

constexpr int GLYPH_ROOM = 20;  // the check box or radio circle beside a button's caption

// Finds needle from the start (last = false) or from the end, ignoring case.
const wchar_t* find_nocase(const wchar_t* text, const wchar_t* needle, bool last) {
    size_t n = text_length(needle);
    const wchar_t* found = nullptr;
    for (const wchar_t* p = text; *p; ++p) {
        size_t i = 0;
        while (i < n && p[i] && ascii_lower(p[i]) == ascii_lower(needle[i])) {
            ++i;
        }
        if (i == n) {
            found = p;
            if (!last) {
                break;
            }
        }
    }
    return found;
}

// In a link's markup only what shows counts: the text between the first
// tag's ">" and the last "</a>".
void link_text(wchar_t (&text)[261]) {
    const wchar_t* open = find_nocase(text, L"<a", false);
    const wchar_t* tagEnd = open ? text_find(open, L">") : nullptr;
    const wchar_t* close = tagEnd ? find_nocase(tagEnd + 1, L"</a>", true) : nullptr;
    if (!close) {
        return;
    }
    wchar_t inner[261];
    text_copy_n(inner, tagEnd + 1, static_cast<size_t>(close - (tagEnd + 1)));
    text_copy(text, inner);
}

}  // namespace

void fit_to_text(HWND control) {
    wchar_t text[261];
    GetWindowTextW(control, text, 261);
    wchar_t className[32];
    if (!GetClassNameW(control, className, 32)) {
        className[0] = 0;
    }
    int extra = 0;
    if (text_equal_nocase(className, L"Button")) {
        extra = GLYPH_ROOM;
    } else if (text_equal_nocase(className, L"SysLink")) {
        link_text(text);
    }
    SIZE size = measure_text(control, text);

    HWND parent = GetParent(control);
    RECT before;
    GetWindowRect(control, &before);
    if (parent) {
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&before), 2);
    }
    SetWindowPos(control, nullptr, 0, 0, size.cx + extra, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(control, nullptr, TRUE);
    if (parent) {
        InvalidateRect(parent, &before, TRUE);  // what the old size covered
    }
}
