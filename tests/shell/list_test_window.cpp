#include "tests/shell/list_test_window.h"

#include <cstring>

#include "app/app_messages.h"

namespace {

constexpr wchar_t STAND_IN_CLASS[] = L"TavloListTestMain";

LRESULT CALLBACK stand_in_proc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<MainStandIn*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && message == WM_APP_ADD_LINKS) {
        const auto* text = reinterpret_cast<const wchar_t*>(lp);
        self->texts.emplace_back(text ? text : L"");
        if (self->list && self->take) {
            self->take(self->list, text);
        }
        return 0;
    }
    if (self && message == WM_APP_LIST_EMPTY) {
        ++self->listEmpty;
        return 0;
    }
    return DefWindowProcW(window, message, wp, lp);
}

}  // namespace

MainStandIn::MainStandIn(bool visible) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    if (!GetClassInfoExW(instance, STAND_IN_CLASS, &wc)) {
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = stand_in_proc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
        wc.lpszClassName = STAND_IN_CLASS;
        RegisterClassExW(&wc);
    }
    window = CreateWindowExW(0, STAND_IN_CLASS, L"List test", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                             20, 20, 700, 560, nullptr, nullptr, instance, nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    if (visible) {
        ShowWindow(window, SW_SHOW);
        UpdateWindow(window);
    }
}

MainStandIn::~MainStandIn() {
    if (window) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        DestroyWindow(window);
    }
    pump_messages();
}

void pump_messages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool put_on_clipboard(HWND owner, const std::wstring& text) {
    if (!OpenClipboard(owner)) {
        return false;
    }
    EmptyClipboard();
    size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    bool ok = false;
    if (block) {
        void* p = GlobalLock(block);
        std::memcpy(p, text.c_str(), bytes);
        GlobalUnlock(block);
        ok = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
        if (!ok) {
            GlobalFree(block);
        }
    }
    CloseClipboard();
    return ok;
}
