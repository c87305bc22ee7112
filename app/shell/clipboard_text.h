// Unicode text handed over in global memory: the clipboard's, and a drop's.
#pragma once

#include <windows.h>

#include <string>

// The text of a CF_UNICODETEXT block, read no further than the block: a
// source need not terminate it. False for a block that cannot be locked.
bool global_unicode_text(HGLOBAL block, std::wstring& text);

// The clipboard's Unicode text; false when it holds none or is busy.
bool clipboard_unicode_text(HWND owner, std::wstring& text);

// Whether the clipboard holds Unicode text, without opening it.
bool clipboard_has_unicode_text();
