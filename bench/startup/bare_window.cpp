// The yardstick of the start-up benchmark: the least a Win32 program does to
// show a window, built with the same compiler and options as tavlo.exe.
#include <windows.h>

namespace {

LRESULT CALLBACK bare_window_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = bare_window_proc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"Tavlo_Bare";
    if (!RegisterClassW(&windowClass)) {
        return 1;
    }
    HWND window = CreateWindowExW(0, L"Tavlo_Bare", L"Bare", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 765, 580, nullptr, nullptr, instance, nullptr);
    if (!window) {
        return 1;
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
