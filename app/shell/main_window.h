// The program's main window, "Tavlo_Main".
#pragma once

#include <windows.h>

inline constexpr wchar_t MAIN_WINDOW_CLASS[] = L"Tavlo_Main";

bool register_main_window(HINSTANCE instance);
HWND create_main_window(HINSTANCE instance, int showCommand);
