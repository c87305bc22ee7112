// The Options dialog: edits a working copy of the settings, saves it on OK,
// applies at once what can change while the program runs, and empties the
// caches.
#pragma once

#include <windows.h>

#include "app/services/options_form.h"

// Control identifiers.
constexpr int OPTIONS_LANGUAGE_LABEL = 801;
constexpr int OPTIONS_FOLDER_LABEL = 802;
constexpr int OPTIONS_PROXY_LABEL = 804;
constexpr int OPTIONS_COMMANDS_LABEL = 805;
constexpr int OPTIONS_ACCOUNT_NOTE = 809;
constexpr int OPTIONS_LANGUAGE = 908;
constexpr int OPTIONS_ALWAYS_ON_TOP = 909;
constexpr int OPTIONS_AUTO_UPDATE = 910;
constexpr int OPTIONS_FOLDER = 911;
constexpr int OPTIONS_PROXY = 912;
constexpr int OPTIONS_COMMANDS = 913;
constexpr int OPTIONS_BROWSE = 916;
constexpr int OPTIONS_EMPTY_CACHE = 917;
constexpr int OPTIONS_USE_ACCOUNT = 924;
constexpr int OPTIONS_DARK_MODE = 925;

// How OK reaches the download list without this file knowing it: the main
// window fills the record with its list and four routines. Each routine is
// called on the UI thread after the settings were saved, only for a value
// that changed (texts compared exactly), and not at all while list is null
// (no list yet). A null routine is skipped. The list gives idle items the
// new texts and every item the account flag.
struct OptionsHandOver {
    void* list;
    void (*setDefaultFolder)(void* list, const wchar_t* folder);
    void (*setDefaultProxy)(void* list, const wchar_t* proxy);
    void (*setDefaultOptions)(void* list, const wchar_t* commands);
    void (*setUseAccount)(void* list, int useAccount);
};

struct OptionsDialogParams {
    // Made topmost or not at once when OK changes always_on_top, and not
    // topmost while the folder picker shows. May be null.
    HWND mainWindow;
    OptionsHandOver handOver;
    // Holds ".cache\yt-dlp", yt-dlp's own cache, which "Empty the cache"
    // deletes. Null: the user's profile folder; tests give one of their own.
    const wchar_t* profileFolder;
};

// Dialog procedure for an in-memory template without controls; the
// WM_INITDIALOG lParam is a const OptionsDialogParams* that must outlive the
// dialog. Works on a copy of g_settings, which it replaces only after a
// successful save. Ends with IDOK when saved, IDCANCEL when closed.
INT_PTR CALLBACK options_dialog_proc(HWND dialog, UINT message, WPARAM wp, LPARAM lp);

// Shows the dialog modally, centred over params.mainWindow: "Options",
// 224 x 265 dialog units. IDOK or IDCANCEL.
INT_PTR show_options_dialog(const OptionsDialogParams& params);
