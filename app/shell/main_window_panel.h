// The main window's bottom panel: a child dialog 40 pixels high with the
// toolbar (About, Options, Open downloads folder) and "Clear list". Its
// commands go to the main window as WM_COMMAND.
#pragma once

#include <windows.h>

constexpr int PANEL_HEIGHT = 40;

constexpr int ID_TOOLBAR = 950;
constexpr int ID_OPTIONS = 901;
constexpr int ID_OPEN_FOLDER = 903;
constexpr int ID_ABOUT = 904;
constexpr int ID_CLEAR_LIST = 918;
constexpr int OPTIONS_BITMAP_RESOURCE = 203;

// The panel, hidden until the main window shows it; null on failure. The
// font is the main window's and outlives the panel.
HWND create_bottom_panel(HWND mainWindow, HINSTANCE instance, HFONT font);

// The colour of the panel's top line: the panel colour 9 darker in each
// channel, held at 0.
COLORREF panel_line_colour(COLORREF panel);
