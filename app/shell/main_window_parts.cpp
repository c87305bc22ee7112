#include "app/shell/main_window_parts.h"

#include "app/items/download_item.h"
#include "app/services/about_dialog.h"
#include "app/services/options_dialog.h"
#include "app/services/settings.h"
#include "app/shell/download_list.h"
#include "ui/translation.h"

// The one download list of the main window; null until it is made and
// after it is gone. UI thread only.

namespace {

HWND g_list = nullptr;

// What OK in the Options dialog changes reaches the list at once.
void hand_folder(void* list, const wchar_t* folder) {
    set_default_folder(static_cast<HWND>(list), folder);
}
void hand_proxy(void* list, const wchar_t* proxy) {
    set_default_proxy(static_cast<HWND>(list), proxy);
}
void hand_options(void* list, const wchar_t* commands) {
    set_default_options(static_cast<HWND>(list), commands);
}
void hand_account(void* list, int useAccount) {
    set_use_account(static_cast<HWND>(list), useAccount);
}

}  // namespace

HWND list_create(const ListStart& start) {
    DownloadListSetup setup = {};
    setup.instance = start.instance;
    setup.normalFont = start.font;
    setup.iconFont = start.iconFont;
    setup.translation = g_translation;
    setup.taskbar = start.taskbar;
    setup.outputFolder = g_settings.output_folder;
    setup.proxy = g_settings.proxy_server;
    setup.options = g_settings.commands;
    setup.outputTemplate = g_settings.output_template;
    setup.useAccount = g_settings.use_youtube_account;
    g_list = create_download_list(start.mainWindow, setup, start.width, start.height);
    return g_list;
}

void list_destroy() {
    if (g_list) {
        DestroyWindow(g_list);  // saves the list file and stops every job
        g_list = nullptr;
    }
}

void list_restore() {
    if (g_list) {
        restore_list(g_list);
    }
}

int list_count() {
    return g_list ? list_item_count(g_list) : 0;
}

void list_clear_finished() {
    if (g_list) {
        clear_finished_items(g_list);
    }
}

bool list_take_links(const wchar_t* text) {
    return g_list && take_link_text(g_list, text);
}

void list_wheel(int delta) {
    if (g_list) {
        scroll_list_by_wheel(g_list, delta);
    }
}

bool list_show_selected_in_folder() {
    DownloadItem* item = g_list ? list_selected_item(g_list) : nullptr;
    if (!item || !item->item_window()) {
        return false;
    }
    // The item's own "Open file location".
    SendMessageW(item->item_window(), WM_COMMAND, MAKEWPARAM(ID_ITEM_OPEN_LOCATION, 0), 0);
    return true;
}

const wchar_t* list_default_folder() {
    return g_list ? list_output_folder(g_list) : g_settings.output_folder;
}

void open_options_dialog(HWND mainWindow) {
    OptionsDialogParams params = {};
    params.mainWindow = mainWindow;
    params.handOver = {g_list, hand_folder, hand_proxy, hand_options, hand_account};
    show_options_dialog(params);
}

void open_about_dialog(HWND mainWindow) {
    show_about_dialog(mainWindow);
}
