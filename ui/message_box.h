// The program's message box: the system one in light mode, a drawn one with
// the dark look for OK and Yes/No boxes in dark mode.
#pragma once

#include <windows.h>

// type takes the system flags (MB_OK, MB_YESNO, MB_ICON*). Returns 1 for OK,
// 6 for Yes, 2 for No or when the box is closed.
int show_message(HWND owner, const wchar_t* text, UINT type);
