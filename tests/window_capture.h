// Pictures of windows as the screen shows them, for checks of their look and
// for test artefacts.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct Capture {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels;  // 0x00RRGGBB, rows from the top

    COLORREF at(int x, int y) const;
    bool save_png(const std::wstring& path) const;
};

// The window's rectangle (client area only when clientOnly) copied from the screen.
Capture capture_window(HWND window, bool clientOnly);
// Where tests keep their pictures: build folder "artifacts", created on demand.
std::wstring artifact_path(const wchar_t* name);
