// The download list: the scrolling child of the main window that holds the
// item windows, newest first, one row of 70 pixels each, at most 255. It
// takes links, keeps the selection and the keyboard focus, scrolls, removes
// items, refreshes progress and the taskbar once a second, and keeps the
// list file "tavlo\list" so that the list survives restarts and crashes.
//
// The main window makes one list, and everything here runs on the user-
// interface thread. The list owns every DownloadItem record; destroying the
// list window saves the list, stops every job, waits at most 2 seconds for
// the jobs' threads and frees the records whose threads have ended.
//
// Use from the main window:
//   create_download_list(main, setup, width, height)   on WM_CREATE
//   restore_list(list)                 when start-up continues (before that
//                                      the list file is never written)
//   take_link_text(list, text)         on WM_APP_ADD_LINKS
//   scroll_list_by_wheel(list, delta)  on WM_MOUSEWHEEL
//   the list sends WM_APP_ADD_LINKS (lParam = text) for its "Paste URL" and
//   WM_APP_LIST_EMPTY when its last item goes
//   DestroyWindow(list)                on WM_DESTROY (saves and shuts down)
#pragma once

#include <windows.h>
#include <shobjidl.h>

struct DownloadItem;
struct ListRecord;
struct TranslationTable;

constexpr UINT_PTR LIST_TIMER_ID = 20;
constexpr UINT LIST_TIMER_MS = 1000;
constexpr int ID_LIST_PASTE_URL = 1802;  // the context menu's "Paste URL"

// What the main window hands the list when it makes it.
struct DownloadListSetup {
    HINSTANCE instance;                   // null: the program's own module
    HFONT normalFont;
    HFONT iconFont;
    const TranslationTable* translation;  // null: English
    ITaskbarList3* taskbar;               // may be null; the list holds a reference
    // Defaults for new items: the settings output_folder, proxy_server,
    // commands, output_template and use_youtube_account.
    const wchar_t* outputFolder;
    const wchar_t* proxy;
    const wchar_t* options;
    const wchar_t* outputTemplate;
    int useAccount;
    const wchar_t* listFile;              // null: "tavlo\list" in the data folder
};

// The list window at (0, 0), width x height, a visible child of the main
// window; null when it could not be made.
HWND create_download_list(HWND mainWindow, const DownloadListSetup& setup, int width, int height);

// A link (already normalised) becomes a new item on top and is selected;
// false when the same link already waits in the list (that item is selected
// instead), the list holds 255 items, or no item window could be made.
// With a record the item is restored from the list file.
bool add_link(HWND list, const wchar_t* link, const ListRecord* record = nullptr);
// Pasted or dropped text: normalise_link, then add_link. Texts that are no
// link are ignored. True when an item was added.
bool take_link_text(HWND list, const wchar_t* text);

// Fills the list from the list file; returns the number of items restored.
// Until this has run the list never writes the file, so that closing the
// program during start-up cannot wipe the previous list. A file that exists
// but cannot be read is left alone for the whole run.
int restore_list(HWND list);
// Writes the list file now (atomically); false when it could not be written
// or the list has not been restored yet. The list also saves on its own:
// once a second when anything the file keeps has changed (items added or
// removed, an item's state, file or choice), and when it is destroyed.
bool save_list(HWND list);

int list_item_count(HWND list);
// The item at a display index (0 = top), or null.
DownloadItem* list_item(HWND list, int index);
// Index of the selected item, -1 for none.
int list_selected_index(HWND list);
DownloadItem* list_selected_item(HWND list);
int list_scroll_position(HWND list);

void select_item(HWND list, int index);
// Selects the item and scrolls it into view.
void reveal_item(HWND list, int index);
void scroll_to(HWND list, int position);
// The wheel of the main window: 30 pixels per notch, the rest kept.
void scroll_list_by_wheel(HWND list, int delta);
// "Clear list": removes every item that neither loads its information nor
// downloads, from the bottom up.
void clear_finished_items(HWND list);

// New defaults from the Options dialog: stored, and copied into every item
// that has no download thread and no output file yet.
void set_default_folder(HWND list, const wchar_t* folder);
void set_default_proxy(HWND list, const wchar_t* proxy);
void set_default_options(HWND list, const wchar_t* options);
void set_default_template(HWND list, const wchar_t* outputTemplate);
// Stored and copied into every item.
void set_use_account(HWND list, int useAccount);
// The output folder new items get (empty without a list).
const wchar_t* list_output_folder(HWND list);
