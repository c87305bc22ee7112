#include "app/shell/main_window.h"

#include "base/text.h"

namespace {

LRESULT on_destroy() {
    PostQuitMessage(0);
    return 0;
}

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case WM_DESTROY:
        return on_destroy();
    default:
        return DefWindowProcW(window, message, wp, lp);
    }
}

}  // namespace

bool register_main_window(HINSTANCE instance) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = main_window_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = MAIN_WINDOW_CLASS;
    return RegisterClassExW(&wc) != 0;
}

HWND create_main_window(HINSTANCE instance, int showCommand) {
    HWND window = CreateWindowExW(0, MAIN_WINDOW_CLASS, L"Tavlo Video Downloader", WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, nullptr, nullptr, instance, nullptr);
    if (window) {
        ShowWindow(window, showCommand);
        UpdateWindow(window);
    }
    return window;
}
