#include "ui/control_helpers.h"

bool register_static_copy(HINSTANCE instance, const wchar_t* className, WNDPROC procedure, WNDPROC* original) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    if (!GetClassInfoExW(nullptr, L"Static", &wc)) {
        return false;
    }
    *original = wc.lpfnWndProc;
    WNDCLASSEXW existing = {};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(instance, className, &existing)) {
        return true;
    }
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.lpszClassName = className;
    // A class of this module, and clipped to the control like any window:
    // the static's parent-DC painting would let a copy draw over its parent.
    wc.style &= ~(CS_GLOBALCLASS | CS_PARENTDC);
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HBRUSH parent_static_brush(HWND parent, HDC dc, HWND control) {
    auto brush = parent ? reinterpret_cast<HBRUSH>(SendMessageW(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                                                reinterpret_cast<LPARAM>(control)))
                        : nullptr;
    return brush ? brush : GetSysColorBrush(COLOR_BTNFACE);
}
