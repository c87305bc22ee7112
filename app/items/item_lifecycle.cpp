// The life of a download item: its making from a link or a list record, the
// start of its metadata job, the states the jobs report, every command of its
// buttons and menus, the one-second refresh and the teardown. UI thread only.
#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <new>
#include <string>

#include "app/app_messages.h"
#include "app/items/format_menu_popup.h"
#include "app/items/item_rules.h"
#include "app/items/item_view.h"
#include "app/items/item_window.h"
#include "app/items/password_dialog.h"
#include "app/items/playlist_dialog.h"
#include "app/items/progress_bar.h"
#include "app/media/choice_memory.h"
#include "app/services/settings.h"
#include "app/tools/browser_profile.h"
#include "app/tools/jobs.h"
#include "app/tools/metadata_output.h"
#include "app/tools/thumbnails.h"
#include "app/tools/tool_runner.h"
#include "base/gdiplus.h"
#include "base/shell_open.h"
#include "base/sys_string.h"
#include "base/text.h"
#include "base/win_handles.h"
#include "ui/locale_format.h"
#include "ui/theme.h"

namespace {

// One literal: the catalogue test reads looked-up texts whole.
constexpr const wchar_t* FOLDER_ERROR = UI_TEXT(L"Error reading / writing to the destination folder. Please change the folder permissions or select another destination folder in the options.");

void post_state(const ItemView& v, int state) {
    PostMessageW(v.window, WM_APP_ITEM_STATE, static_cast<WPARAM>(state), 0);
}

HWND button(const ItemView& v, int id) {
    for (int i = 0; i < 3; ++i) {
        if (ITEM_BUTTON_IDS[i] == id) {
            return v.buttons[i];
        }
    }
    return nullptr;
}

// A copy of picture bytes as a GDI+ bitmap of its own (GDI+ reads a stream
// lazily, so the stream keeps its own copy of the bytes).
Gdiplus::Bitmap* bitmap_from_bytes(const void* bytes, size_t size) {
    if (!bytes || size == 0) {
        return nullptr;
    }
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
    void* target = copy ? GlobalLock(copy) : nullptr;
    if (!target) {
        if (copy) {
            GlobalFree(copy);
        }
        return nullptr;
    }
    std::memcpy(target, bytes, size);
    GlobalUnlock(copy);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(copy, TRUE, &stream))) {
        GlobalFree(copy);
        return nullptr;
    }
    Gdiplus::Bitmap* bitmap = Gdiplus::Bitmap::FromStream(stream);
    stream->Release();
    if (bitmap && bitmap->GetLastStatus() != Gdiplus::Ok) {
        delete bitmap;
        bitmap = nullptr;
    }
    return bitmap;
}

FormatMenuContext menu_context(const DownloadItem& item, wchar_t (&language)[4]) {
    interface_language_code(interface_language(), language);
    return FormatMenuContext{item.subtitlesOnly, item.subtitleMode, language};
}

void remember_subtitles(DownloadItem& item, int subtitlesOnly, int mode) {
    if (item.rememberedSubtitlesOnly) {
        *item.rememberedSubtitlesOnly = subtitlesOnly;
    }
    if (item.rememberedSubtitleMode) {
        *item.rememberedSubtitleMode = mode;
    }
}

void reset_subtitles(DownloadItem& item) {
    item.subtitlesOnly = 0;
    item.subtitleMode = 0;
    remember_subtitles(item, 0, 0);
}

void rebuild_format_menu(ItemView& v) {
    DownloadItem& item = *v.item;
    if (item.formatMenu) {
        DestroyMenu(item.formatMenu);
        item.formatMenu = nullptr;
    }
    if (!v.menuModel) {
        return;
    }
    wchar_t language[4];
    FormatMenuContext context = menu_context(item, language);
    if (build_format_menu(item, item.info, context, *v.menuModel)) {
        item.formatMenu = create_format_menu(*v.menuModel);
    }
}

void refresh_format_button(ItemView& v) {
    DownloadItem& item = *v.item;
    wchar_t language[4];
    FormatMenuContext context = menu_context(item, language);
    wchar_t entry[MENU_TEXT_CAPACITY];
    bool found = item.formatMenu &&
                 read_format_menu_text(item.formatMenu, ID_FORMAT_CHOICE_FIRST + item.selectedChoice, entry);
    update_format_button(item, item.info, context, item.formatMenu != nullptr, found ? entry : nullptr, v.button);
    if (v.format) {
        SetWindowTextW(v.format, v.button.caption);
    }
    if (v.glyph) {
        wchar_t glyph[2] = {v.button.glyph, 0};
        SetWindowTextW(v.glyph, glyph);
        InvalidateRect(v.glyph, nullptr, TRUE);
    }
    relayout(v);
}

void show_thumbnail(ItemView& v) {
    DownloadItem& item = *v.item;
    if (load_cached_thumbnail(&v.picture, item.key, THUMBNAIL_WIDTH, THUMBNAIL_HEIGHT, item.info.duration)) {
        return;
    }
    if (!item.thumbnailThread) {
        start_thumbnail_job(item, GetParent(v.window), THUMBNAIL_WIDTH, THUMBNAIL_HEIGHT);
    }
}

// What the first document of the link tells: the choices, the format link,
// the picture.
void show_first_document(ItemView& v) {
    DownloadItem& item = *v.item;
    wchar_t language[4];
    interface_language_code(interface_language(), language);
    SubtitleSuggestion suggestions[2];
    if (subtitle_suggestions(item.info, language, suggestions) == 0) {
        reset_subtitles(item);
    }
    if (is_live_source(item.info)) {
        // A live stream is recorded as video; subtitles are not offered.
        reset_subtitles(item);
        const wchar_t* token = item.rememberedToken ? *item.rememberedToken : nullptr;
        if (token && text_find(token, L"audio") && !text_find(token, L"video")) {
            item.selectedChoice = 0;
            item.choiceExplicit = 0;
            choice_token(item, item.info, *item.rememberedToken);
        }
    }
    rebuild_format_menu(v);
    int restored = v.restoredChoice;
    if (restored > 0 && static_cast<uint32_t>(restored) < item.info.formatCount) {
        // A restored item downloads again, or shows, what the user had chosen,
        // not whatever the last new link remembered.
        item.selectedChoice = restored;
        item.choiceExplicit = 1;
    } else if (item.rememberedToken) {
        apply_choice_token(item, item.info, *item.rememberedToken);
    }
    refresh_format_button(v);
    show_thumbnail(v);
}

ItemFacts facts_of(const ItemView& v) {
    return ItemFacts{v.firstDocumentShown, false, v.startFailed};
}

void face_of(const ItemView& v, ItemFace& face) {
    const DownloadItem& item = *v.item;
    item_face(item, facts_of(v), item.translation ? item.translation : g_translation, face);
}

// The look of the item's current state, on screen.
void show_face(ItemView& v) {
    ItemFace face;
    face_of(v, face);
    apply_item_face(v, face);
}

// A restored item replays its stored outcome once, when its first document
// is in: a download that was running or had failed starts again, a finished
// one shows its file. Replaying on every document of a playlist would press
// the button again (pausing what the first press started).
void replay_restored_state(ItemView& v) {
    DownloadItem& item = *v.item;
    int restored = item.restoredState;
    item.restoredState = STATE_LOADING;  // from now on the list file keeps the state itself
    if (restored == STATE_DOWNLOADING || restored == 4 || restored == STATE_FAILED) {
        HWND main = button(v, ID_ITEM_MAIN_BUTTON);
        PostMessageW(v.window, WM_COMMAND, MAKEWPARAM(ID_ITEM_MAIN_BUTTON, BN_CLICKED), reinterpret_cast<LPARAM>(main));
    } else if (restored >= STATE_DONE) {
        post_state(v, restored);
    }
}

void set_item_state(ItemView& v, int event) {
    DownloadItem& item = *v.item;
    ItemFacts facts = facts_of(v);
    if (event == STATE_DONE) {
        facts.outputExists = is_existing_file(item.outputPath);
    }
    ItemStep step = item_step(item, event, facts);
    if (step.error) {
        text_copy(item.errorText, step.error);
    }
    if (step.showFirstDocument) {
        v.firstDocumentShown = true;
        show_first_document(v);
    }
    item.state = step.state;
    show_face(v);
    if (step.replayRestored) {
        replay_restored_state(v);
    }
}

// explorer.exe with one path, quoted so that blanks stay inside it.
void open_with_explorer(const wchar_t* path) {
    std::wstring parameter = L"\"";
    parameter += path;
    parameter += L"\"";
    ShellExecuteW(nullptr, L"open", L"explorer.exe", parameter.c_str(), nullptr, SW_SHOWNORMAL);
}

void play_output(ItemView& v) {
    DownloadItem& item = *v.item;
    if (!item.outputPath[0]) {
        return;
    }
    if (!is_existing_file(item.outputPath)) {
        post_state(v, STATE_FILE_MISSING);
        return;
    }
    if (open_as_shell_user(item.outputPath) == E_NOINTERFACE) {
        open_with_explorer(item.outputPath);
    }
}

void show_in_folder(ItemView& v) {
    DownloadItem& item = *v.item;
    if (!is_existing_file(item.outputPath)) {
        if (item.outputFolder[0]) {
            open_with_explorer(item.outputFolder);
        }
        return;
    }
    wchar_t folder[MAX_PATH];
    text_copy(folder, item.outputPath);
    wchar_t* name = const_cast<wchar_t*>(file_name_of(folder));
    if (name > folder) {
        name[-1] = 0;
    }
    PIDLIST_ABSOLUTE folderList = ILCreateFromPathW(folder);
    PIDLIST_ABSOLUTE fileList = ILCreateFromPathW(item.outputPath);
    if (folderList && fileList) {
        PCUITEMID_CHILD selected[1] = {reinterpret_cast<PCUITEMID_CHILD>(fileList)};
        SHOpenFolderAndSelectItems(folderList, 1, selected, 0);
    }
    if (fileList) {
        ILFree(fileList);
    }
    if (folderList) {
        ILFree(folderList);
    }
}

// Only web pages go to the browser: the shell would run a program that a
// "file:" link names.
bool is_web_link(const wchar_t* url) {
    return url && (text_starts_with_nocase(url, L"http://") || text_starts_with_nocase(url, L"https://"));
}

void open_url(ItemView& v) {
    if (is_web_link(v.item->url)) {
        ShellExecuteW(v.window, L"open", v.item->url, nullptr, nullptr, SW_SHOWNORMAL);
    }
}

void copy_url(ItemView& v) {
    const wchar_t* url = v.item->url ? v.item->url : L"";
    if (!OpenClipboard(v.window)) {
        return;
    }
    EmptyClipboard();
    size_t bytes = (text_length(url) + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    void* target = memory ? GlobalLock(memory) : nullptr;
    if (target) {
        std::memcpy(target, url, bytes);
        GlobalUnlock(memory);
        if (!SetClipboardData(CF_UNICODETEXT, memory)) {
            GlobalFree(memory);
        }
    } else if (memory) {
        GlobalFree(memory);
    }
    CloseClipboard();
}

void start_download(DownloadItem& item) {
    if (!item.downloadThread) {
        start_download_job(item);
    }
}

void start_metadata(DownloadItem& item) {
    if (!item.metadataThread) {
        start_metadata_job(item);
    }
}

void on_main_button(ItemView& v) {
    DownloadItem& item = *v.item;
    if (!item.downloadThread && item.state < STATE_DOWNLOADING) {
        if (!probe_folder_writable(item.outputFolder)) {
            text_copy(item.errorText, FOLDER_ERROR);
            post_state(v, STATE_FAILED);
            return;
        }
        if (item.metadataThread) {
            item.abortMetadata = 1;  // playlist entries may still arrive: the download takes what is there
        }
        if (DWORD pid = item.metadataPid) {
            kill_process_tree(pid, 5000);
        }
        start_download_job(item);
        return;
    }
    if (item.downloadThread && item.state == STATE_DOWNLOADING) {
        if (is_live_source(item.info)) {
            item.abortDownload = 1;  // the job turns what was recorded into the file
            if (DWORD pid = item.downloadPid) {
                kill_process_tree(pid, 0);
            }
        } else if (item.paused) {
            resume_tool_process(item);
        } else {
            suspend_tool_process(item);
        }
        show_face(v);
        return;
    }
    if (item.state == STATE_DONE) {
        play_output(v);
    }
}

void on_login(ItemView& v) {
    DownloadItem& item = *v.item;
    if (item.signedIn) {
        if (item.loginDuringDownload == 1) {
            start_download(item);
        } else {
            start_metadata(item);
        }
        return;
    }
    if (sign_in_with_browser(item)) {
        item.signedIn = 1;
        show_face(v);
    }
}

void on_password(ItemView& v) {
    DownloadItem& item = *v.item;
    if (ask_video_password(item) != 1) {
        return;
    }
    if (item.documentsReceived > 0) {
        start_download(item);
    } else {
        start_metadata(item);
    }
}

void on_title(ItemView& v) {
    DownloadItem& item = *v.item;
    if (item.state > STATE_READY) {
        play_output(v);
    } else if (item.playlistEntries) {
        choose_playlist_entries(item);
    }
}

void show_format_menu(ItemView& v) {
    rebuild_format_menu(v);
    HMENU popup = format_menu_popup(v.item->formatMenu);
    RECT r;
    if (!popup || !v.format || !GetWindowRect(v.format, &r)) {
        return;
    }
    TPMPARAMS around = {sizeof(around), r};
    TrackPopupMenuEx(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_VERTICAL, r.left, r.bottom, v.window, &around);
}

void choose_subtitles(ItemView& v, int id) {
    DownloadItem& item = *v.item;
    switch (id) {
    case ID_SUBTITLES_ONLY:
        item.subtitlesOnly = 1;
        item.subtitleMode = 0;
        remember_subtitles(item, 1, 0);
        break;
    case ID_SUBTITLES_NONE:
        item.subtitlesOnly = 0;
        item.subtitleMode = 0;
        remember_subtitles(item, 0, 0);
        break;
    default: {
        item.subtitleMode = id - ID_SUBTITLES_FIRST + 1;
        item.subtitlesOnly = 0;
        int selected = item.selectedChoice;
        if (selected >= 0 && static_cast<uint32_t>(selected) < MAX_FORMATS &&
            item.info.formats[selected].kind == KIND_AUDIO) {
            item.selectedChoice = 0;  // subtitles go into a video
            item.choiceExplicit = 0;
        }
        remember_subtitles(item, 0, item.subtitleMode);
        break;
    }
    }
    refresh_format_button(v);
}

void choose_format(ItemView& v, int index) {
    DownloadItem& item = *v.item;
    if (index < 0 || index >= static_cast<int>(MAX_FORMATS) || static_cast<uint32_t>(index) >= item.info.formatCount) {
        return;
    }
    item.selectedChoice = index;
    item.subtitlesOnly = 0;
    item.subtitleMode = 0;
    item.choiceExplicit = 1;
    refresh_format_button(v);
    if (item.rememberedToken) {
        choice_token(item, item.info, *item.rememberedToken);
    }
    remember_subtitles(item, 0, 0);
}

bool is_click(int code) {
    // Drawn buttons report a quick second click as a double click.
    return code == BN_CLICKED || code == BN_DOUBLECLICKED;
}

}  // namespace

bool probe_folder_writable(const wchar_t* folder) {
    if (!folder || !folder[0]) {
        return false;
    }
    if (!is_folder(folder)) {
        CreateDirectoryW(folder, nullptr);
    }
    wchar_t probe[MAX_PATH];
    if (!GetTempFileNameW(folder, L".lx", 0, probe)) {
        return false;
    }
    UniqueHandle file(
        CreateFileW(probe, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    bool writable = static_cast<bool>(file);
    file.reset();
    DeleteFileW(probe);
    return writable;
}

void start_item(ItemView& v) {
    DownloadItem& item = *v.item;
    if (!check_link(item.url) || !start_metadata_job(item)) {
        v.startFailed = true;
    }
    show_face(v);
    SetWindowPos(v.window, nullptr, item.x, item.y, item.width, item.height,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void on_item_state(ItemView& v, int state) {
    set_item_state(v, state);
}

void on_item_command(ItemView& v, int id, int code, HWND) {
    switch (id) {
    case ID_ITEM_CLOSE:
        // Later: the close box is still inside its own click.
        PostMessageW(v.window, WM_CLOSE, 0, 0);
        return;
    case ID_ITEM_MAIN_BUTTON:
        if (is_click(code)) {
            on_main_button(v);
        }
        return;
    case ID_ITEM_LOGIN:
        if (is_click(code)) {
            on_login(v);
        }
        return;
    case ID_ITEM_PASSWORD:
        if (is_click(code)) {
            on_password(v);
        }
        return;
    case ID_ITEM_OPEN_LOCATION:
        show_in_folder(v);
        return;
    case ID_ITEM_TITLE:
        on_title(v);
        return;
    case ID_ITEM_FORMAT:
        show_format_menu(v);
        return;
    case ID_ITEM_OPEN_URL:
        open_url(v);
        return;
    case ID_ITEM_COPY_URL:
        copy_url(v);
        return;
    case ID_SUBTITLES_ONLY:
    case ID_SUBTITLES_NONE:
    case ID_SUBTITLES_FIRST:
    case ID_SUBTITLES_SECOND:
    case ID_SUBTITLES_BOTH:
        choose_subtitles(v, id);
        return;
    default:
        if (id >= ID_FORMAT_CHOICE_FIRST && id < ID_FORMAT_CHOICE_FIRST + static_cast<int>(MAX_FORMATS)) {
            choose_format(v, id - ID_FORMAT_CHOICE_FIRST);
        }
        return;
    }
}

void destroy_item(ItemView& v) {
    DownloadItem& item = *v.item;
    stop_item_jobs(item);
    if (item.thumbnailThread) {
        CloseHandle(static_cast<HANDLE>(item.thumbnailThread));  // the job never touches the record
        item.thumbnailThread = nullptr;
    }
    free_item_brushes(v);
    if (item.contextMenu) {
        DestroyMenu(item.contextMenu);
        item.contextMenu = nullptr;
    }
    if (item.formatMenu) {
        DestroyMenu(item.formatMenu);
        item.formatMenu = nullptr;
    }
    delete item.thumbnail;  // the picture control keeps a copy of its own until it goes
    item.thumbnail = nullptr;
    // Freed by the list on WM_APP_ITEM_CLOSED.
    auto* key = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, 64 * sizeof(wchar_t)));
    if (key) {
        text_copy(key, 64, item.key);
        if (!PostMessageW(GetParent(v.window), WM_APP_ITEM_CLOSED, 0, reinterpret_cast<LPARAM>(key))) {
            HeapFree(GetProcessHeap(), 0, key);
        }
    }
    item.destroyed = 1;
}

bool init_item(DownloadItem& item, const ItemShared& shared, const wchar_t* link, const ListRecord* record,
               HWND list, int x, int width) {
    if (!item.instance) {
        item.instance = shared.instance ? shared.instance : GetModuleHandleW(nullptr);
    }
    item.owner = GetParent(list);
    item.listIndex = 0;
    item.normalFont = shared.normalFont;
    item.iconFont = shared.iconFont;
    item.translation = shared.translation;
    item.rememberedToken = shared.rememberedToken;
    item.rememberedSubtitlesOnly = shared.rememberedSubtitlesOnly;
    item.rememberedSubtitleMode = shared.rememberedSubtitleMode;
    item.dubbedChoice = NO_DUBBED_CHOICE;
    if (!item.thumbnail) {
        item.thumbnail = bitmap_from_bytes(shared.placeholderJpeg, shared.placeholderSize);
    }

    const wchar_t* text = link ? link : L"";
    sys_string_replace(&item.url, sys_string_new(text, text_length(text)));
    std::wstring id = video_id_of(text);
    sys_string_replace(&item.videoId, id.empty() ? nullptr : sys_string_new(id.c_str(), id.size()));

    if (record) {
        text_copy(item.key, record->key);
        text_copy(item.outputFolder, record->outputFolder);
        text_copy(item.outputPath, record->outputPath);
        text_copy(item.playlistItems, record->playlistItems);
        item.info.duration = record->duration > 0 ? static_cast<uint32_t>(record->duration) : 0;
        item.selectedChoice = record->selectedChoice;
        item.choiceExplicit = record->selectedChoice != 0 ? 1 : 0;
        item.subtitlesOnly = record->subtitlesOnly;
        item.subtitleMode = record->subtitleMode;
        item.restoredState = static_cast<ItemState>(record->state);
    } else {
        wchar_t key[33];
        if (md5_hex(text, text_length(text) * sizeof(wchar_t), key)) {
            text_copy(item.key, key);
        }
        if (shared.rememberedSubtitlesOnly) {
            item.subtitlesOnly = *shared.rememberedSubtitlesOnly;
        }
        if (shared.rememberedSubtitleMode) {
            item.subtitleMode = *shared.rememberedSubtitleMode;
        }
    }
    item.x = x;
    item.y = 0;
    item.width = width;
    item.height = ITEM_HEIGHT;

    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    register_progress_bar(item.instance);
    HWND window = create_item_window(item, list);
    if (!window) {
        item.window = nullptr;
        return false;
    }
    if (!view_of(window)) {
        DestroyWindow(window);
        item.window = nullptr;
        return false;
    }
    return true;
}

bool current_item_face(const DownloadItem& item, ItemFace& face) {
    const ItemView* v = view_of(item);
    if (!v) {
        return false;
    }
    face_of(*v, face);
    return true;
}

void refresh_progress(DownloadItem& item) {
    ItemView* v = view_of(item);
    if (!v) {
        return;
    }
    show_face(*v);
}

void stop_item_jobs(DownloadItem& item) {
    if (item.metadataThread) {
        item.abortMetadata = 1;
    }
    if (DWORD pid = item.metadataPid) {
        kill_process_tree(pid, 0);
    }
    if (item.downloadThread) {
        item.abortDownload = 1;
    }
    if (DWORD pid = item.downloadPid) {
        resume_tool_process(item);  // a frozen tool cannot end
        kill_process_tree(pid, 0);
    }
    if (DWORD pid = item.postProcessPid) {
        kill_process_tree(pid, 0);
    }
}

bool item_threads_running(const DownloadItem& item) {
    return item.metadataThread || item.downloadThread || item.thumbnailThread;
}

void thumbnail_ready(DownloadItem& item) {
    if (item.thumbnailThread) {
        CloseHandle(static_cast<HANDLE>(item.thumbnailThread));
        item.thumbnailThread = nullptr;
    }
    ItemView* v = view_of(item);
    if (!v) {
        return;
    }
    load_cached_thumbnail(&v->picture, item.key, THUMBNAIL_WIDTH, THUMBNAIL_HEIGHT, item.info.duration);
}

void free_item(DownloadItem* item) {
    if (!item) {
        return;
    }
    if (!item->destroyed && item->window && IsWindow(item->item_window())) {
        DestroyWindow(item->item_window());  // the window would otherwise outlive its record
    }
    if (item->thumbnailThread) {
        CloseHandle(static_cast<HANDLE>(item->thumbnailThread));
        item->thumbnailThread = nullptr;
    }
    if (item->contextMenu) {
        DestroyMenu(item->contextMenu);
    }
    if (item->formatMenu) {
        DestroyMenu(item->formatMenu);
    }
    if (item->backgroundBrush) {
        DeleteObject(item->backgroundBrush);
    }
    delete item->thumbnail;
    free_playlist_entries(*item);
    free_video_info(item->info);
    sys_string_free(item->url);
    sys_string_free(item->videoId);
    delete item;
}
