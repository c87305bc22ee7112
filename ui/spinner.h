// "LoadingSpinnerCtl": three pulsing dots shown while the program waits.
// Clicks go through it to whatever lies below.
#pragma once

#include <windows.h>

// Control messages.
constexpr UINT SPINNER_SET_DOT_COLOUR = WM_USER + 672;   // lParam: ARGB
constexpr UINT SPINNER_SET_BACKGROUND = WM_USER + 673;   // lParam: COLORREF, SPINNER_PARENT_BACKGROUND
constexpr UINT SPINNER_RUN = WM_USER + 674;              // wParam: non-zero runs, 0 stops
constexpr UINT SPINNER_IS_RUNNING = WM_USER + 675;       // returns 1 while running
constexpr UINT SPINNER_SET_INTERVAL = WM_USER + 676;     // wParam: timer interval in ms, 0 for the default

// The parent's WM_CTLCOLORSTATIC brush paints the background.
constexpr COLORREF SPINNER_PARENT_BACKGROUND = 0xFFFFFFFF;
constexpr UINT SPINNER_DEFAULT_INTERVAL = 16;

// Registers the class once per process (again is harmless): redraws on
// resizing, arrow cursor, no background brush.
bool register_spinner_class(HINSTANCE instance);

// The dots at this phase of the period (0 <= phase < 1), scaled and centred
// in width x height; GDI+ must be started. The control paints with it.
void draw_spinner_dots(HDC dc, int width, int height, double phase, DWORD argb);
