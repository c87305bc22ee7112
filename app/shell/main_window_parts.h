// What the main window asks of the parts around it: the download list and
// the Options and About dialogs. The main window's files call only these;
// each is a line or two over the part that does the work, so that the
// window never depends on how a part is put together.
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
// "Clear list": removes every item that neither loads its information nor
// downloads.
void list_clear_finished();
// Pasted or dropped text as one link; true when it became a new item.
bool list_take_links(const wchar_t* text);
// Scrolls by a mouse-wheel turn.
void list_wheel(int delta);
// Shows the selected item's file in its folder; false when none is selected.
bool list_show_selected_in_folder();
// The downloads folder new items get.
const wchar_t* list_default_folder();

// The modal dialogs of the toolbar, centred over the main window.
void open_options_dialog(HWND mainWindow);
void open_about_dialog(HWND mainWindow);
