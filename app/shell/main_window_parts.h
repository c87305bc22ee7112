// What the main window asks of the parts around it: the download list and
// the Options and About dialogs. The main window's files call only these; each one is a line or
// two over the part that does the work, so that the window never depends
// on how a part is put together.
#pragma once

#include <windows.h>
#include <shobjidl.h>

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

// The modal dialogs of the toolbar, centred over the main window.
void open_options_dialog(HWND mainWindow);
void open_about_dialog(HWND mainWindow);
