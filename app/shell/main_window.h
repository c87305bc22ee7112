// The program's main window, "Tavlo_Main".
#pragma once

#include <windows.h>

inline constexpr wchar_t MAIN_WINDOW_CLASS[] = L"Tavlo_Main";
inline constexpr int PROGRAM_ICON_ID = 500;
inline constexpr int MAIN_WINDOW_WIDTH = 765;
inline constexpr int MAIN_WINDOW_HEIGHT = 580;

// The class with double-clicks, the program icon (the stock one while the
// program has none), the arrow cursor and the given background brush.
bool register_main_window(HINSTANCE instance, HBRUSH background);
// The visible window at its start size, centred a little above the middle
// of the screen.
HWND create_main_window(HINSTANCE instance);
