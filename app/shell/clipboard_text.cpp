#include "app/shell/clipboard_text.h"

#include <cwchar>

bool global_unicode_text(HGLOBAL block, std::wstring& text) {
    text.clear();
    if (!block) {
        return false;
    }
    SIZE_T bytes = GlobalSize(block);
    const auto* units = static_cast<const wchar_t*>(GlobalLock(block));
    if (!units) {
        return false;
    }
    text.assign(units, wcsnlen(units, bytes / sizeof(wchar_t)));
    GlobalUnlock(block);
    return true;
}

bool clipboard_has_unicode_text() {
    return IsClipboardFormatAvailable(CF_UNICODETEXT) != FALSE;
}

bool clipboard_unicode_text(HWND owner, std::wstring& text) {
    text.clear();
    if (!clipboard_has_unicode_text() || !OpenClipboard(owner)) {
        return false;
    }
    bool ok = global_unicode_text(GetClipboardData(CF_UNICODETEXT), text);
    CloseClipboard();
    return ok;
}
