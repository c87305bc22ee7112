// "StaticLink": the setup's small hyperlink, a copy of the system "Static"
// class with the hand cursor, always underlined, one line, a focus
// rectangle while focused; Enter, Space or a click sends WM_COMMAND with
// its id to the parent.
#pragma once

#include <windows.h>

// Made 100 x 20 at (10, y); the caller sizes and places it.
HWND create_static_link(const wchar_t* text, int y, HWND parent, int id);
// Sizes the link to its text without moving it.
void fit_static_link(HWND link);
