#include "app/shell/download_list.h"

#include <uxtheme.h>
#include <windowsx.h>

#include <new>
#include <string>
#include <vector>

#include "app/app_messages.h"
#include "app/items/item_window.h"
#include "app/services/settings.h"
#include "app/shell/clipboard_text.h"
#include "app/shell/list_file.h"
#include "app/shell/list_rules.h"
#include "app/shell/list_store.h"
#include "app/shell/main_window.h"  // the placeholder thumbnail's resource
#include "base/data_folder.h"
#include "base/text.h"
#include "base/win_handles.h"
#include "ui/theme.h"
#include "ui/translation.h"

namespace {

constexpr int SLOT_COUNT = 256;  // one more than the list holds
constexpr DWORD SHUTDOWN_WAIT_MS = 2000;
constexpr DWORD SHUTDOWN_STEP_MS = 50;

// Lives from WM_INITDIALOG to WM_NCDESTROY of the list window (DWLP_USER).
struct DownloadList {
    HWND window;
    HWND mainWindow;
    HINSTANCE instance;
    int selected;        // -1 = none
    int position;        // scroll position, pixels
    int maximum;         // largest scroll position
    int wheelRemainder;
    int count;
    DownloadItem* slots[SLOT_COUNT];      // display order, top first
    std::vector<DownloadItem*> pending;   // removed, their job threads still running
    ItemShared shared;
    ITaskbarList3* taskbar;               // a reference of our own, or null
    bool taskbarShown;
    HMENU contextMenu;
    // Defaults for new items, kept in step with the settings.
    wchar_t outputFolder[260];
    wchar_t proxy[256];
    wchar_t options[512];
    wchar_t outputTemplate[256];
    int useAccount;
    // The last choice, shared by every item through ItemShared.
    wchar_t rememberedToken[CHOICE_TOKEN_CAPACITY];
    int rememberedSubtitlesOnly;
    int rememberedSubtitleMode;
    // The list file.
    wchar_t listFile[MAX_PATH];
    bool mayWrite;                        // restored, and the file was readable or absent
    bool savedKnown;
    std::vector<unsigned char> savedBytes;  // what the file holds since the last write
};

DownloadList* list_of(HWND window) {
    return window ? reinterpret_cast<DownloadList*>(GetWindowLongPtrW(window, DWLP_USER)) : nullptr;
}

// The records in display order, as the rules read them.
int records_of(const DownloadList& list, const DownloadRecord* (&records)[SLOT_COUNT]) {
    for (int i = 0; i < list.count; ++i) {
        records[i] = list.slots[i];
    }
    return list.count;
}

RECT client_rect(HWND window) {
    RECT rc = {};
    GetClientRect(window, &rc);
    return rc;
}

// The item windows from..to-1 at their rows, with their indices: moved in
// one batch without drawing, then the list is drawn once. One move at a
// time would draw the list once per item.
void place_items(DownloadList& list, int from, int to) {
    if (from >= to) {
        return;
    }
    HDWP batch = BeginDeferWindowPos(to - from);
    for (int i = from; i < to; ++i) {
        DownloadItem* item = list.slots[i];
        item->listIndex = i;
        item->y = i * ITEM_HEIGHT;
        UINT flags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW;
        int top = i * ITEM_HEIGHT - list.position;
        if (batch) {
            batch = DeferWindowPos(batch, item->item_window(), nullptr, item->x, top, 0, 0, flags);
        }
        if (!batch) {
            SetWindowPos(item->item_window(), nullptr, item->x, top, 0, 0, flags);  // out of memory: one by one
        }
    }
    if (batch) {
        EndDeferWindowPos(batch);
    }
    RedrawWindow(list.window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// Moves the contents and the item windows by the change of the scroll
// position. The window system does it for a shown list; a hidden one (the
// main window shows the list only once start-up goes on) scrolls nothing,
// so its items are put in place one by one.
void scroll_contents(DownloadList& list, int old) {
    int by = old - list.position;
    if (by == 0) {
        return;
    }
    if (IsWindowVisible(list.window) &&
        ScrollWindowEx(list.window, 0, by, nullptr, nullptr, nullptr, nullptr,
                       SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE) != ERROR) {
        UpdateWindow(list.window);
        return;
    }
    place_items(list, 0, list.count);
}

void layout(DownloadList& list) {
    RECT rc = client_rect(list.window);
    int width = rc.right;
    int page = rc.bottom;
    for (int i = 0; i < list.count; ++i) {
        DownloadItem* item = list.slots[i];
        RECT own = client_rect(item->item_window());
        if (own.right != width) {
            SetWindowPos(item->item_window(), nullptr, 0, 0, width, ITEM_HEIGHT,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        item->width = width;
    }
    ListGeometry geometry = list_geometry(list.count, page);
    list.maximum = geometry.maximum;
    int old = list.position;
    if (list.position > geometry.maximum) {
        list.position = geometry.maximum;
    }
    if (geometry.content < old + page && list.position != old) {
        scroll_contents(list, old);
    }
    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = geometry.content > 0 ? geometry.content - 1 : 0;
    info.nPage = static_cast<UINT>(page > 0 ? page : 0);
    info.nPos = list.position;
    // Last: showing or hiding the bar resizes the list, and this runs again.
    SetScrollInfo(list.window, SB_VERT, &info, TRUE);
}

void scroll_list_to(DownloadList& list, int position) {
    position = clamp_scroll(position, list.maximum);
    if (position == list.position) {
        return;
    }
    int old = list.position;
    list.position = position;
    scroll_contents(list, old);
    SetScrollPos(list.window, SB_VERT, position, TRUE);
}

void select_list_item(DownloadList& list, int index) {
    if (index < 0 || index >= SLOT_COUNT || !list.slots[index]) {
        return;
    }
    DownloadItem* item = list.slots[index];
    if (!item->selected) {
        for (int i = 0; i < list.count; ++i) {
            if (list.slots[i]->selected) {
                set_selected(*list.slots[i], false);
            }
        }
        list.selected = -1;
        set_selected(*item, true);
        list.selected = index;
    }
    SetFocus(item->item_window());
}

void reveal_list_item(DownloadList& list, int index) {
    if (index < 0 || index >= SLOT_COUNT || index == list.selected || !list.slots[index]) {
        return;
    }
    select_list_item(list, index);
    RECT item = {};
    GetWindowRect(list.slots[index]->item_window(), &item);
    MapWindowPoints(nullptr, list.window, reinterpret_cast<POINT*>(&item), 2);
    RECT rc = client_rect(list.window);
    if (item.top < 0) {
        scroll_list_to(list, list.position + item.top);
    } else if (item.bottom > rc.bottom) {
        scroll_list_to(list, list.position + item.bottom - rc.bottom);
    }
}

std::vector<unsigned char> list_bytes(const DownloadList& list) {
    const DownloadRecord* records[SLOT_COUNT];
    int count = records_of(list, records);
    std::vector<unsigned char> bytes;
    build_list_bytes(records, static_cast<size_t>(count), bytes);
    return bytes;
}

bool write_list(DownloadList& list, std::vector<unsigned char> bytes) {
    if (!list.mayWrite) {
        return false;
    }
    if (!write_list_file(list.listFile, bytes.data(), bytes.size())) {
        return false;  // the old file stays whole; the next tick tries again
    }
    list.savedBytes = std::move(bytes);
    list.savedKnown = true;
    return true;
}

// Once a second: the file follows the list within a second, so a crash
// loses at most that second, and a burst of changes (Clear list, many
// removals) costs one write rather than one each.
void save_if_changed(DownloadList& list) {
    if (!list.mayWrite) {
        return;
    }
    std::vector<unsigned char> bytes = list_bytes(list);
    if (list.savedKnown && bytes == list.savedBytes) {
        return;
    }
    write_list(list, std::move(bytes));
}

bool add_list_link(DownloadList& list, const wchar_t* link, const ListRecord* record) {
    const DownloadRecord* records[SLOT_COUNT];
    int count = records_of(list, records);
    AddDecision decision = decide_add(records, count, link);
    if (decision.kind == AddKind::SelectExisting) {
        select_list_item(list, decision.index);
        return false;
    }
    scroll_list_to(list, 0);
    if (decision.kind == AddKind::ListFull) {
        return false;
    }
    DownloadItem* item = new (std::nothrow) DownloadItem();
    if (!item) {
        return false;
    }
    item->subtitlesOnly = list.rememberedSubtitlesOnly;
    item->subtitleMode = list.rememberedSubtitleMode;
    item->useYoutubeAccount = list.useAccount;
    text_copy(item->outputFolder, list.outputFolder);  // a restored item takes its record's
    text_copy(item->proxy, list.proxy);
    text_copy(item->extraOptions, list.options);
    text_copy(item->outputTemplate, list.outputTemplate);
    // The window comes first: when it cannot be made, nothing has moved.
    if (!init_item(*item, list.shared, link, record, list.window, 0, client_rect(list.window).right)) {
        free_item(item);
        return false;
    }
    for (int i = list.count; i > 0; --i) {
        list.slots[i] = list.slots[i - 1];
    }
    place_items(list, 1, list.count + 1);
    list.slots[0] = item;
    item->listIndex = 0;
    ++list.count;
    if (list.selected >= 0) {
        ++list.selected;
    }
    select_list_item(list, 0);
    layout(list);
    return true;
}

void delete_partial_file(const DownloadItem& item) {
    if (!item.outputPath[0]) {
        return;
    }
    wchar_t part[270];
    text_copy(part, item.outputPath);
    text_append(part, L".part");
    DeleteFileW(part);  // errors ignored: there may be none
}

// Frees the removed records whose job threads have all ended. The tool may
// have held the partial file open when the item was removed: it goes now.
void free_finished_pending(DownloadList& list) {
    for (size_t i = 0; i < list.pending.size();) {
        DownloadItem* item = list.pending[i];
        if (item_threads_running(*item)) {
            ++i;
            continue;
        }
        delete_partial_file(*item);
        free_item(item);
        list.pending[i] = list.pending.back();
        list.pending.pop_back();
    }
}

void paste_from_clipboard(DownloadList& list) {
    std::wstring text;
    if (clipboard_unicode_text(list.window, text)) {
        SendMessageW(list.mainWindow, WM_APP_ADD_LINKS, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
}

void show_taskbar_progress(DownloadList& list) {
    if (!list.taskbar) {
        return;
    }
    const DownloadRecord* records[SLOT_COUNT];
    int count = records_of(list, records);
    TaskbarProgress progress = taskbar_progress(records, count);
    if (progress.downloading > 0) {
        if (progress.total) {
            list.taskbar->SetProgressState(list.mainWindow, TBPF_NORMAL);
            list.taskbar->SetProgressValue(list.mainWindow, progress.done, progress.total);
        } else {
            list.taskbar->SetProgressState(list.mainWindow, TBPF_INDETERMINATE);
        }
        list.taskbarShown = true;
    } else if (list.taskbarShown) {
        list.taskbar->SetProgressState(list.mainWindow, TBPF_NOPROGRESS);
        list.taskbarShown = false;
    }
}

// Keys of the list file's records that were made while hashing failed are
// made now: the key names the item's cache files and identifies it.
void complete_key(ListRecord& record) {
    if (record.key[0]) {
        return;
    }
    wchar_t key[33];
    if (md5_hex(record.link, text_length(record.link) * sizeof(wchar_t), key)) {
        text_copy(record.key, key);
    }
}

struct Restore {
    DownloadList* list;
    int added;
    ListRecord record;  // a copy to complete
};

bool restore_record(void* context, const ListRecord& record) {
    auto* restore = static_cast<Restore*>(context);
    restore->record = record;
    complete_key(restore->record);
    if (add_list_link(*restore->list, restore->record.link, &restore->record)) {
        ++restore->added;
    }
    return restore->list->count < static_cast<int>(MAX_LIST_ITEMS);
}

bool any_threads_running(const DownloadList& list) {
    for (int i = 0; i < list.count; ++i) {
        if (item_threads_running(*list.slots[i])) {
            return true;
        }
    }
    for (DownloadItem* item : list.pending) {
        if (item_threads_running(*item)) {
            return true;
        }
    }
    return false;
}

// The thumbnail job works on a record of its own and never touches the
// item: its handle can go at once, as its message will not be read now.
void close_thumbnail_handle(DownloadItem& item) {
    if (item.thumbnailThread) {
        CloseHandle(static_cast<HANDLE>(item.thumbnailThread));
        item.thumbnailThread = nullptr;
    }
}

// Message handlers

INT_PTR on_init_dialog(HWND window, DownloadList* list) {
    SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(list));
    list->window = window;
    if (is_dark()) {
        SetWindowTheme(window, L"DarkMode_Explorer", nullptr);  // the dark scroll bar
    }
    list->contextMenu = CreatePopupMenu();
    if (list->contextMenu) {
        AppendMenuW(list->contextMenu, MF_STRING, ID_LIST_PASTE_URL,
                    translate(list->shared.translation, L"Paste URL"));
    }
    SetTimer(window, LIST_TIMER_ID, LIST_TIMER_MS, nullptr);
    return FALSE;  // the focus stays where it is
}

INT_PTR on_item_closed(DownloadList& list, LPARAM lp) {
    UniqueHeapBlock keyBlock(reinterpret_cast<void*>(lp));  // ours to free
    const auto* key = static_cast<const wchar_t*>(keyBlock.get());
    // Two items of the same link share a key: the one whose window is gone
    // is the one that closed.
    int index = -1;
    for (int i = 0; key && i < list.count; ++i) {
        DownloadItem* item = list.slots[i];
        if (text_equal(item->key, key) && (item->destroyed || !IsWindow(item->item_window()))) {
            index = i;
            break;
        }
    }
    if (index < 0) {
        return TRUE;
    }
    DownloadItem* item = list.slots[index];
    delete_partial_file(*item);
    int countBefore = list.count;
    for (int i = index; i < list.count - 1; ++i) {
        list.slots[i] = list.slots[i + 1];
    }
    list.slots[list.count - 1] = nullptr;
    --list.count;
    place_items(list, index, list.count);
    list.selected = selection_after_removal(list.selected, index, countBefore);
    select_list_item(list, list.selected);
    layout(list);
    if (list.count == 0) {
        SendMessageW(list.mainWindow, WM_APP_LIST_EMPTY, 0, 0);
    }
    if (item_threads_running(*item)) {
        list.pending.push_back(item);
    } else {
        free_item(item);
    }
    return TRUE;
}

INT_PTR on_item_clicked(DownloadList& list, WPARAM index) {
    if (index < static_cast<WPARAM>(SLOT_COUNT)) {
        reveal_list_item(list, static_cast<int>(index));
    }
    return TRUE;
}

INT_PTR on_thumbnail_ready(DownloadList& list, LPARAM lp) {
    UniqueHeapBlock keyBlock(reinterpret_cast<void*>(lp));
    const auto* key = static_cast<const wchar_t*>(keyBlock.get());
    // Items of the same link share the key and the cached picture.
    for (int i = 0; key && i < list.count; ++i) {
        if (text_equal(list.slots[i]->key, key)) {
            thumbnail_ready(*list.slots[i]);
        }
    }
    return TRUE;
}

INT_PTR on_vscroll(DownloadList& list, int code) {
    ScrollRequest request;
    switch (code) {
    case SB_LINEUP: request = ScrollRequest::LineUp; break;
    case SB_LINEDOWN: request = ScrollRequest::LineDown; break;
    case SB_PAGEUP: request = ScrollRequest::PageUp; break;
    case SB_PAGEDOWN: request = ScrollRequest::PageDown; break;
    case SB_THUMBTRACK: request = ScrollRequest::Track; break;
    case SB_TOP: request = ScrollRequest::Top; break;
    case SB_BOTTOM: request = ScrollRequest::Bottom; break;
    default: return TRUE;  // the thumb's release and the end of scrolling
    }
    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_TRACKPOS;  // 32 bits, where the message carries 16
    GetScrollInfo(list.window, SB_VERT, &info);
    int page = client_rect(list.window).bottom;
    scroll_list_to(list, scroll_request_target(request, list.position, page, info.nTrackPos));
    return TRUE;
}

INT_PTR on_key_down(DownloadList& list, WPARAM key) {
    switch (key) {
    case VK_UP:
        if (list.selected > 0) {
            reveal_list_item(list, list.selected - 1);
        }
        break;
    case VK_DOWN:
        if (list.selected < list.count - 1) {
            reveal_list_item(list, list.selected + 1);
        }
        break;
    case VK_DELETE:
        if (list.selected >= 0 && list.selected < list.count) {
            DestroyWindow(list.slots[list.selected]->item_window());  // removal follows
        }
        break;
    default:
        return FALSE;
    }
    return TRUE;
}

INT_PTR on_context_menu(DownloadList& list, HWND target, LPARAM lp) {
    if (target != list.window || !list.contextMenu) {
        return FALSE;  // an item's own menu is the item's business
    }
    POINT at = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    if (lp == -1) {
        GetCursorPos(&at);  // from the keyboard
    }
    std::wstring text;
    bool link = clipboard_unicode_text(list.window, text) && check_link(text.c_str());
    EnableMenuItem(list.contextMenu, ID_LIST_PASTE_URL, MF_BYCOMMAND | (link ? MF_ENABLED : MF_GRAYED));
    TrackPopupMenu(list.contextMenu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, list.window,
                   nullptr);
    return TRUE;
}

INT_PTR on_command(DownloadList& list, int id) {
    if (id == ID_LIST_PASTE_URL) {
        paste_from_clipboard(list);
        return TRUE;
    }
    return FALSE;
}

INT_PTR on_timer(DownloadList& list, UINT_PTR id) {
    if (id != LIST_TIMER_ID) {
        return FALSE;
    }
    for (int i = 0; i < list.count; ++i) {
        if (list.slots[i]->state == STATE_DOWNLOADING) {
            refresh_progress(*list.slots[i]);
        }
    }
    show_taskbar_progress(list);
    free_finished_pending(list);
    save_if_changed(list);
    return TRUE;
}

INT_PTR on_destroy(DownloadList& list) {
    if (list.mayWrite) {
        write_list(list, list_bytes(list));
    }
    KillTimer(list.window, LIST_TIMER_ID);
    for (int i = 0; i < list.count; ++i) {
        stop_item_jobs(*list.slots[i]);
        close_thumbnail_handle(*list.slots[i]);
    }
    for (DownloadItem* item : list.pending) {
        stop_item_jobs(*item);
        close_thumbnail_handle(*item);
    }
    for (DWORD waited = 0; waited < SHUTDOWN_WAIT_MS && any_threads_running(list); waited += SHUTDOWN_STEP_MS) {
        Sleep(SHUTDOWN_STEP_MS);
    }
    // A record whose job still runs is left to the end of the process: the
    // job may write into it until then.
    for (int i = 0; i < list.count; ++i) {
        if (!item_threads_running(*list.slots[i])) {
            free_item(list.slots[i]);
        }
        list.slots[i] = nullptr;
    }
    list.count = 0;
    list.selected = -1;
    for (DownloadItem* item : list.pending) {
        if (!item_threads_running(*item)) {
            delete_partial_file(*item);
            free_item(item);
        }
    }
    list.pending.clear();
    if (list.contextMenu) {
        DestroyMenu(list.contextMenu);
        list.contextMenu = nullptr;
    }
    if (list.taskbar) {
        list.taskbar->Release();
        list.taskbar = nullptr;
    }
    return TRUE;
}

INT_PTR CALLBACK list_proc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_INITDIALOG) {
        return on_init_dialog(window, reinterpret_cast<DownloadList*>(lp));
    }
    DownloadList* list = list_of(window);
    if (!list) {
        return FALSE;
    }
    switch (message) {
    case WM_APP_ITEM_CLOSED:
        return on_item_closed(*list, lp);
    case WM_APP_ITEM_CLICKED:
        return on_item_clicked(*list, wp);
    case WM_APP_THUMBNAIL_READY:
        return on_thumbnail_ready(*list, lp);
    case WM_SIZE:
        layout(*list);
        return TRUE;
    case WM_VSCROLL:
        return on_vscroll(*list, LOWORD(wp));
    case WM_MOUSEWHEEL:
        scroll_list_by_wheel(window, GET_WHEEL_DELTA_WPARAM(wp));
        return TRUE;
    case WM_KEYDOWN:
        return on_key_down(*list, wp);
    case WM_CONTEXTMENU:
        return on_context_menu(*list, reinterpret_cast<HWND>(wp), lp);
    case WM_COMMAND:
        return on_command(*list, LOWORD(wp));
    case WM_TIMER:
        return on_timer(*list, wp);
    case WM_CTLCOLORDLG: {
        HBRUSH brush = theme_background_brush();
        return reinterpret_cast<INT_PTR>(brush ? brush : GetSysColorBrush(COLOR_WINDOW));
    }
    case WM_DESTROY:
        return on_destroy(*list);
    case WM_NCDESTROY:
        SetWindowLongPtrW(window, DWLP_USER, 0);
        delete list;
        return FALSE;
    default:
        return FALSE;
    }
}

// The list window's template: a child dialog without controls, sized in
// pixels after creation. Templates must start on a DWORD boundary, which
// the packed DLGTEMPLATE alone does not promise.
struct alignas(4) ListTemplate {
    DLGTEMPLATE dialog;
    WORD menu;
    WORD windowClass;
    WORD title;
};

void copy_setting(wchar_t* out, size_t capacity, const wchar_t* text) {
    text_copy(out, capacity, text ? text : L"");
}

}  // namespace

HWND create_download_list(HWND mainWindow, const DownloadListSetup& setup, int width, int height) {
    DownloadList* list = new (std::nothrow) DownloadList();
    if (!list) {
        return nullptr;
    }
    list->mainWindow = mainWindow;
    list->instance = setup.instance ? setup.instance : GetModuleHandleW(nullptr);
    list->selected = -1;
    list->taskbar = setup.taskbar;
    if (list->taskbar) {
        list->taskbar->AddRef();
    }
    copy_setting(list->outputFolder, 260, setup.outputFolder);
    copy_setting(list->proxy, 256, setup.proxy);
    copy_setting(list->options, 512, setup.options);
    copy_setting(list->outputTemplate, 256, setup.outputTemplate);
    list->useAccount = setup.useAccount;
    if (setup.listFile) {
        text_copy(list->listFile, setup.listFile);
    } else if (!data_path(L"list", list->listFile)) {
        list->listFile[0] = 0;
    }

    ItemShared& shared = list->shared;
    shared.instance = list->instance;
    shared.normalFont = setup.normalFont;
    shared.iconFont = setup.iconFont;
    shared.translation = setup.translation;
    shared.rememberedToken = &list->rememberedToken;
    shared.rememberedSubtitlesOnly = &list->rememberedSubtitlesOnly;
    shared.rememberedSubtitleMode = &list->rememberedSubtitleMode;
    // Resources stay loaded with the module: nothing to free.
    if (HRSRC found = FindResourceW(list->instance, MAKEINTRESOURCEW(PLACEHOLDER_THUMBNAIL_RESOURCE),
                                    MAKEINTRESOURCEW(PICTURE_RESOURCE_TYPE))) {
        if (HGLOBAL loaded = LoadResource(list->instance, found)) {
            shared.placeholderJpeg = LockResource(loaded);
            shared.placeholderSize = shared.placeholderJpeg ? SizeofResource(list->instance, found) : 0;
        }
    }

    ListTemplate layout = {};
    layout.dialog.style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_VSCROLL | DS_CONTROL;
    layout.dialog.dwExtendedStyle = WS_EX_CONTROLPARENT;
    HWND window = CreateDialogIndirectParamW(list->instance, &layout.dialog, mainWindow, list_proc,
                                             reinterpret_cast<LPARAM>(list));
    if (!window) {
        if (list->taskbar) {
            list->taskbar->Release();
        }
        delete list;
        return nullptr;
    }
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    return window;
}

bool add_link(HWND window, const wchar_t* link, const ListRecord* record) {
    DownloadList* list = list_of(window);
    return list && link && add_list_link(*list, link, record);
}

bool take_link_text(HWND window, const wchar_t* text) {
    wchar_t link[LINK_CAPACITY];
    return text && normalise_link(text, link) && add_link(window, link, nullptr);
}

int restore_list(HWND window) {
    DownloadList* list = list_of(window);
    if (!list) {
        return 0;
    }
    auto* restore = new (std::nothrow) Restore();
    if (!restore) {
        return 0;
    }
    restore->list = list;
    ListFileStatus status = ListFileStatus::Unreadable;
    if (list->listFile[0]) {
        status = restore_list_file(list->listFile, restore_record, restore);
    }
    int added = restore->added;
    delete restore;
    // A file that is there but could not be read may come back next time:
    // nothing this run writes may replace it.
    list->mayWrite = status != ListFileStatus::Unreadable;
    // What the file holds now stands as saved: a damaged file is rewritten
    // only when the list changes, and then with every good record it had.
    list->savedBytes = list_bytes(*list);
    list->savedKnown = true;
    return added;
}

bool save_list(HWND window) {
    DownloadList* list = list_of(window);
    return list && write_list(*list, list_bytes(*list));
}

int list_item_count(HWND window) {
    DownloadList* list = list_of(window);
    return list ? list->count : 0;
}

DownloadItem* list_item(HWND window, int index) {
    DownloadList* list = list_of(window);
    return list && index >= 0 && index < list->count ? list->slots[index] : nullptr;
}

int list_selected_index(HWND window) {
    DownloadList* list = list_of(window);
    return list ? list->selected : -1;
}

DownloadItem* list_selected_item(HWND window) {
    return list_item(window, list_selected_index(window));
}

int list_scroll_position(HWND window) {
    DownloadList* list = list_of(window);
    return list ? list->position : 0;
}

void select_item(HWND window, int index) {
    if (DownloadList* list = list_of(window)) {
        select_list_item(*list, index);
    }
}

void reveal_item(HWND window, int index) {
    if (DownloadList* list = list_of(window)) {
        reveal_list_item(*list, index);
    }
}

void scroll_to(HWND window, int position) {
    if (DownloadList* list = list_of(window)) {
        scroll_list_to(*list, position);
    }
}

void scroll_list_by_wheel(HWND window, int delta) {
    if (DownloadList* list = list_of(window)) {
        int pixels = wheel_pixels(delta, list->wheelRemainder);
        scroll_list_to(*list, list->position - pixels);
    }
}

void clear_finished_items(HWND window) {
    DownloadList* list = list_of(window);
    if (!list) {
        return;
    }
    for (int i = list->count - 1; i >= 0; --i) {
        DownloadItem* item = list->slots[i];
        if (item->state != STATE_LOADING && item->state != STATE_DOWNLOADING) {
            DestroyWindow(item->item_window());  // removal follows on WM_APP_ITEM_CLOSED
        }
    }
}

namespace {

template <size_t N>
void set_default_text(HWND window, wchar_t (DownloadList::*setting)[N], wchar_t (DownloadRecord::*field)[N],
                      const wchar_t* text) {
    DownloadList* list = list_of(window);
    if (!list) {
        return;
    }
    text_copy(list->*setting, text ? text : L"");
    for (int i = 0; i < list->count; ++i) {
        DownloadItem* item = list->slots[i];
        if (!item->downloadThread && !item->outputPath[0]) {
            text_copy(item->*field, list->*setting);
        }
    }
}

}  // namespace

void set_default_folder(HWND window, const wchar_t* folder) {
    set_default_text(window, &DownloadList::outputFolder, &DownloadRecord::outputFolder, folder);
}

void set_default_proxy(HWND window, const wchar_t* proxy) {
    set_default_text(window, &DownloadList::proxy, &DownloadRecord::proxy, proxy);
}

void set_default_options(HWND window, const wchar_t* options) {
    set_default_text(window, &DownloadList::options, &DownloadRecord::extraOptions, options);
}

void set_default_template(HWND window, const wchar_t* outputTemplate) {
    set_default_text(window, &DownloadList::outputTemplate, &DownloadRecord::outputTemplate, outputTemplate);
}

void set_use_account(HWND window, int useAccount) {
    DownloadList* list = list_of(window);
    if (!list) {
        return;
    }
    list->useAccount = useAccount;
    for (int i = 0; i < list->count; ++i) {
        list->slots[i]->useYoutubeAccount = useAccount;
    }
}

const wchar_t* list_output_folder(HWND window) {
    DownloadList* list = list_of(window);
    return list ? list->outputFolder : L"";
}
