#include "app/shell/main_window_parts.h"

#include "app/services/settings.h"
#include "base/text.h"

// Until the download list and the dialogs are part of the program, these
// stand in for them with the least behaviour a user can meet: an empty list
// that takes no links, and toolbar dialogs that do not open.

namespace {

HWND g_listWindow = nullptr;

}  // namespace

HWND list_create(const ListStart& start) {
    // A bare area in the window colour (the main window answers its
    // WM_CTLCOLORSTATIC), where the list's items will be.
    g_listWindow = CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | SS_NOTIFY, 0, 0,
                                   start.width, start.height, start.mainWindow, nullptr, start.instance, nullptr);
    return g_listWindow;
}

void list_destroy() {
    if (g_listWindow) {
        DestroyWindow(g_listWindow);
        g_listWindow = nullptr;
    }
}

void list_restore() {}

int list_count() {
    return 0;
}

void list_clear_finished() {}

bool list_take_links(const wchar_t*) {
    return false;
}

void list_wheel(int) {}

bool list_show_selected_in_folder() {
    return false;
}

const wchar_t* list_default_folder() {
    return g_settings.output_folder;  // what a new list starts with
}

void open_options_dialog(HWND) {}

void open_about_dialog(HWND) {}
