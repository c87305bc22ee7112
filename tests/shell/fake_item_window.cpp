// A stand-in for the item window in the download list's own tests: a plain
// 70-pixel child that meets the list as the real item window does (its
// record filled from the link or the list record, the key copy posted with
// WM_APP_ITEM_CLOSED when it is destroyed, WM_APP_ITEM_CLICKED on a click),
// without jobs, tools or pictures, so that the list's behaviour is tested on
// its own and every test decides the items' states and threads itself.
#include "tests/shell/fake_item_window.h"

#include "app/app_messages.h"
#include "app/services/settings.h"
#include "base/sys_string.h"
#include "base/text.h"

FakeItemCounters g_fakeItems;

namespace {

constexpr wchar_t FAKE_ITEM_CLASS[] = L"TavloFakeItem";

DownloadItem* item_of(HWND window) {
    return reinterpret_cast<DownloadItem*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void paint(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    DownloadItem* item = item_of(window);
    RECT rc;
    GetClientRect(window, &rc);
    bool selected = item && item->selected;
    HBRUSH brush = CreateSolidBrush(selected ? FAKE_SELECTED_COLOUR : FAKE_ITEM_COLOUR);
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
    if (item && item->url) {
        SetBkMode(dc, TRANSPARENT);
        TextOutW(dc, 8, 8, item->url, static_cast<int>(text_length(item->url)));
    }
    EndPaint(window, &ps);
}

LRESULT CALLBACK fake_item_proc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    DownloadItem* item = item_of(window);
    switch (message) {
    case WM_PAINT:
        paint(window);
        return 0;
    case WM_LBUTTONDOWN:
        if (item) {
            SendMessageW(GetParent(window), WM_APP_ITEM_CLICKED, static_cast<WPARAM>(item->listIndex), 0);
        }
        return 0;
    case WM_DESTROY:
        if (item) {
            auto* key = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, 64 * sizeof(wchar_t)));
            if (key) {
                text_copy(key, 64, item->key);
                if (!PostMessageW(GetParent(window), WM_APP_ITEM_CLOSED, 0, reinterpret_cast<LPARAM>(key))) {
                    HeapFree(GetProcessHeap(), 0, key);
                }
            }
            item->destroyed = 1;
        }
        return 0;
    default:
        return DefWindowProcW(window, message, wp, lp);
    }
}

bool register_fake_item(HINSTANCE instance) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    if (GetClassInfoExW(instance, FAKE_ITEM_CLASS, &wc)) {
        return true;
    }
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = fake_item_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = FAKE_ITEM_CLASS;
    return RegisterClassExW(&wc) != 0;
}

}  // namespace

bool init_item(DownloadItem& item, const ItemShared& shared, const wchar_t* link, const ListRecord* record,
               HWND list, int x, int width) {
    ++g_fakeItems.made;
    if (g_fakeItems.failNextWindow) {
        g_fakeItems.failNextWindow = false;
        return false;
    }
    item.instance = shared.instance ? shared.instance : GetModuleHandleW(nullptr);
    item.owner = GetParent(list);
    item.normalFont = shared.normalFont;
    item.translation = shared.translation;
    item.rememberedToken = shared.rememberedToken;
    item.rememberedSubtitlesOnly = shared.rememberedSubtitlesOnly;
    item.rememberedSubtitleMode = shared.rememberedSubtitleMode;
    item.listIndex = 0;
    const wchar_t* text = link ? link : L"";
    item.url = sys_string_new(text, text_length(text));
    if (record) {
        text_copy(item.key, record->key);
        text_copy(item.outputFolder, record->outputFolder);
        text_copy(item.outputPath, record->outputPath);
        text_copy(item.playlistItems, record->playlistItems);
        item.info.duration = static_cast<uint32_t>(record->duration);
        item.selectedChoice = record->selectedChoice;
        item.subtitlesOnly = record->subtitlesOnly;
        item.subtitleMode = record->subtitleMode;
        item.restoredState = static_cast<ItemState>(record->state);
    } else {
        wchar_t key[33];
        if (md5_hex(text, text_length(text) * sizeof(wchar_t), key)) {
            text_copy(item.key, key);
        }
    }
    item.x = x;
    item.y = 0;
    item.width = width;
    item.height = ITEM_HEIGHT;
    if (!register_fake_item(item.instance)) {
        return false;
    }
    HWND window = CreateWindowExW(0, FAKE_ITEM_CLASS, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, x, 0, width,
                                  ITEM_HEIGHT, list, nullptr, item.instance, nullptr);
    if (!window) {
        return false;
    }
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&item));
    item.window = window;
    return true;
}

void set_selected(DownloadItem& item, bool selected) {
    item.selected = selected ? 4 : 0;
    if (item.window) {
        InvalidateRect(item.item_window(), nullptr, TRUE);
    }
}

void refresh_progress(DownloadItem&) {
    ++g_fakeItems.refreshed;
}

void stop_item_jobs(DownloadItem& item) {
    ++g_fakeItems.stopped;
    if (item.metadataThread) {
        item.abortMetadata = 1;
    }
    if (item.downloadThread) {
        item.abortDownload = 1;
    }
}

bool item_threads_running(const DownloadItem& item) {
    return item.metadataThread || item.downloadThread || item.thumbnailThread;
}

void thumbnail_ready(DownloadItem& item) {
    ++g_fakeItems.thumbnails;
    item.thumbnailThread = nullptr;  // the tests' handles are markers, not handles
}

void free_item(DownloadItem* item) {
    if (!item) {
        return;
    }
    ++g_fakeItems.freed;
    if (!item->destroyed && item->window && IsWindow(item->item_window())) {
        DestroyWindow(item->item_window());
    }
    sys_string_free(item->url);
    delete item;
}
