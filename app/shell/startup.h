// Process entry of tavlo.exe: one instance per session, the command line, the
// data folders, the settings, translation and theme, the main window and the
// message loop, and the way back out.
#pragma once

#include <windows.h>

#include <cstdint>

#include "base/shell_open.h"  // open_as_shell_user, is_folder

// A page-file block of 8 bytes holding the running instance's main window.
inline constexpr wchar_t SINGLE_INSTANCE_MAPPING[] = L"TAVLOFILEMAPPING";

// What the message loop and the windows read of the running program. UI
// thread only.
struct ShellState {
    HINSTANCE instance;
    HWND mainWindow;
    // Set by the main window when it makes the download list and its bottom
    // panel, cleared when they go; while the list is null keys take the
    // ordinary way.
    HWND downloadList;
    HWND bottomPanel;
    bool (*listHasItems)();  // null counts as an empty list
    uint16_t uiLanguage;     // lang_id of the translation in use
};

extern ShellState g_shell;

// Start, message loop and shutdown; returns the exit code, which is always 0.
int run_tavlo(HINSTANCE instance);

// The main window announces itself when it is created (and null when it is
// destroyed), so that a second start can bring it forward.
void publish_main_window(HWND window);
