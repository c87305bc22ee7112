// "TAVLO_PROGRESS_BAR": the item's thin progress bar, with a percentage or
// the indeterminate sweep.
#pragma once

#include <windows.h>

inline constexpr wchar_t PROGRESS_BAR_CLASS[] = L"TAVLO_PROGRESS_BAR";
constexpr UINT PBM_TAVLO_SETPOS = WM_APP + 1;      // wParam low word: 0..100
constexpr UINT PBM_TAVLO_SETMARQUEE = WM_APP + 3;  // wParam: non-zero on, 0 off

// Registers the class once per process; true when it is available.
bool register_progress_bar(HINSTANCE instance);
