// What the main window asks of the parts around it: the download list and
// its drop target, the Options and About dialogs, and the update check and
// download. The main window's files call only these; each one is a line or
// two over the part that does the work, so that the window never depends
// on how a part is put together.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <shobjidl.h>

#include <cstdint>

// The download list.
struct ListStart {
    HWND mainWindow;
    HINSTANCE instance;
    HFONT font;
    HFONT iconFont;
    ITaskbarList3* taskbar;  // may be null
    int width;
    int height;
};
// Makes the list with the defaults of g_settings and its window at (0, 0)
// in the given size; the list window, or null when it could not be made.
HWND list_create(const ListStart& start);
// Saves the list file, stops the items' work and frees the list.
void list_destroy();
// Brings back the items of the previous run from the list file.
void list_restore();
int list_count();
// ItemState of the item at index (newest first).
int list_item_state(int index);
// Destroys the item's window; the list then removes the item.
void list_remove_item(int index);
// The whole text as one link ("https://" put in front where it has no
// scheme); false when it is not one.
bool list_link_from_text(const wchar_t* text, wchar_t (&link)[2048]);
// A new item on top, or the waiting item with that link selected.
bool list_add_link(const wchar_t* link);
// Scrolls by a mouse-wheel turn.
void list_wheel(int delta);
// Shows the selected item's file in its folder; false when none is selected.
bool list_show_selected_in_folder();
// The downloads folder new items get.
const wchar_t* list_default_folder();

// The main window's drop target (one reference), or null.
IDropTarget* drop_target_create(HWND mainWindow);

// The modal dialogs of the toolbar, centred over the main window.
void open_options_dialog(HWND mainWindow);
void open_about_dialog(HWND mainWindow);

// The update check and the download of a new setup program, each on a
// thread of its own. The window keeps a reference to the transfer, to stop
// it when it closes and to let it go when its answer has come.
struct UpdateTransfer;
// The answer comes as WM_APP_UPDATE_RESULT; false when no check started.
bool start_update_check(HWND window, UpdateTransfer** transfer);
// What the main window needs of an update check's answer.
struct UpdateOffer {
    bool available;
    int64_t fileSize;
    wchar_t url[2048];
};
// Takes the values of WM_APP_UPDATE_RESULT's block and frees it (null is
// an answer that found nothing).
void take_update_result(LPARAM block, UpdateOffer& offer);
// Progress comes as WM_APP_UPDATE_PROGRESS, the end as
// WM_APP_UPDATE_DOWNLOADED; false when no download started.
bool start_update_download(HWND window, const UpdateOffer& offer, UpdateTransfer** transfer);
// The setup program's path sent with WM_APP_UPDATE_DOWNLOADED, freed.
void free_downloaded_path(LPARAM block);
// Asks a running transfer to stop at its next progress report.
void stop_update_transfer(UpdateTransfer* transfer);
// Lets the window's reference go; null is fine.
void release_update_transfer(UpdateTransfer* transfer);

// The "FileVersion" text of an executable's version resource.
bool read_file_version(const wchar_t* path, wchar_t* out, size_t outBytes);
