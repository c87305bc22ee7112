// The program's main window, "Tavlo_Main": the download list above the
// bottom panel, the hint while the list is empty, the spinner while the
// start waits for the update check, and the way links come in.
#pragma once

#include <windows.h>

inline constexpr wchar_t MAIN_WINDOW_CLASS[] = L"Tavlo_Main";
inline constexpr wchar_t MAIN_WINDOW_TITLE[] = L"Tavlo Video Downloader 1.58";
inline constexpr int PROGRAM_ICON_ID = 500;
inline constexpr int MAIN_WINDOW_WIDTH = 765;
inline constexpr int MAIN_WINDOW_HEIGHT = 580;
inline constexpr int MAIN_WINDOW_MIN_WIDTH = 624;
inline constexpr int MAIN_WINDOW_MIN_HEIGHT = 442;

// Children of the main window.
constexpr int ID_HINT_PICTURE = 900;  // "GdiImageCtrl", resource 526
constexpr int ID_SPINNER = 906;       // "LoadingSpinnerCtl"
constexpr int ID_HINT_TEXT = 801;     // "Please wait...", the hint, update progress
constexpr int HINT_PICTURE_RESOURCE = 526;
constexpr int PLACEHOLDER_THUMBNAIL_RESOURCE = 527;
constexpr int PICTURE_RESOURCE_TYPE = 520;
constexpr int HINT_PICTURE_WIDTH = 118;
constexpr int HINT_PICTURE_HEIGHT = 80;
constexpr int SPINNER_WIDTH = 84;
constexpr int SPINNER_HEIGHT = 34;
constexpr DWORD SPINNER_DOT_COLOUR = 0xFFCDCDCD;

// Where the user can fetch the program by hand when an update cannot be
// downloaded or installed by itself.
inline constexpr wchar_t MAKER_DOWNLOAD_PAGE[] = L"https://tavlo.app/download";

// The class with double-clicks, the program icon, the arrow cursor and the
// given background brush.
bool register_main_window(HINSTANCE instance, HBRUSH background);
// The visible window at its start size, centred a little above the middle
// of the screen.
HWND create_main_window(HINSTANCE instance);

