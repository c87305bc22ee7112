#include "app/shell/main_window.h"

#include "app/shell/startup.h"
#include "base/text.h"
#include "ui/theme.h"

namespace {

LRESULT on_create(HWND window) {
    // A second start finds the window through the single-instance mapping.
    publish_main_window(window);
    // Before the window is first shown, so that its caption never flashes light.
    set_dark_title_bar(window);
    return 0;
}

LRESULT on_destroy() {
    publish_main_window(nullptr);
    PostQuitMessage(0);
    return 0;
}

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case WM_CREATE:
        return on_create(window);
    case WM_DESTROY:
        return on_destroy();
    default:
        return DefWindowProcW(window, message, wp, lp);
    }
}

}  // namespace

bool register_main_window(HINSTANCE instance, HBRUSH background) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = main_window_proc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(PROGRAM_ICON_ID));
    if (!wc.hIcon) {
        wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    }
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = MAIN_WINDOW_CLASS;
    return RegisterClassExW(&wc) != 0;
}

HWND create_main_window(HINSTANCE instance) {
    // Integer division toward zero, as the screen sizes are whole pixels.
    int x = (GetSystemMetrics(SM_CXSCREEN) - MAIN_WINDOW_WIDTH) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - MAIN_WINDOW_HEIGHT) / 2 - 40;
    return CreateWindowExW(WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, MAIN_WINDOW_CLASS, L"Tavlo Video Downloader 1.58",
                           WS_VISIBLE | WS_BORDER | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, x,
                           y, MAIN_WINDOW_WIDTH, MAIN_WINDOW_HEIGHT, nullptr, nullptr, instance, nullptr);
}
