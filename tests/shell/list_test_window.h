// A stand-in for the main window in the shell's window tests: it takes the
// texts the list and the drop target send with WM_APP_ADD_LINKS (handing
// them to the list, as the main window does) and counts WM_APP_LIST_EMPTY.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct MainStandIn {
    HWND window = nullptr;
    HWND list = nullptr;                 // receives the links through take, when set
    bool (*take)(HWND list, const wchar_t* text) = nullptr;
    std::vector<std::wstring> texts;     // every WM_APP_ADD_LINKS text
    int listEmpty = 0;                   // WM_APP_LIST_EMPTY count
    // A shown window: Wine takes a moment to map a top-level window, so the
    // tests that need one share it.

    explicit MainStandIn(bool visible = false);
    ~MainStandIn();
    MainStandIn(const MainStandIn&) = delete;
    MainStandIn& operator=(const MainStandIn&) = delete;
};

// Handles every message waiting for this thread.
void pump_messages();
// Puts the text on the clipboard as Unicode text.
bool put_on_clipboard(HWND owner, const std::wstring& text);
