#include "app/shell/main_window.h"

#include <ole2.h>
#include <shellapi.h>
#include <shobjidl.h>

#include <new>
#include <string>

#include "app/app_messages.h"
#include "app/services/settings.h"
#include "app/services/update.h"
#include "app/shell/clipboard_text.h"
#include "app/shell/drop_target.h"
#include "app/shell/main_window_panel.h"
#include "app/shell/main_window_parts.h"
#include "app/shell/startup.h"
#include "base/bind_status_callback.h"
#include "base/text.h"
#include "ui/fit_to_text.h"
#include "ui/image_control.h"
#include "ui/message_box.h"
#include "ui/spinner.h"
#include "ui/theme.h"
#include "ui/translation.h"

namespace {

constexpr int HINT_GAP = 20;  // between the picture (or the spinner) and the text below it
constexpr int64_t SMALLEST_SETUP = 32768;  // anything smaller is no setup program

// Everything the window makes for its life; freed in WM_DESTROY and
// WM_NCDESTROY. The window is the one main window of the process.
struct MainWindowState {
    HWND window;
    HINSTANCE instance;
    HFONT uiFont;
    HFONT iconFont;
    HFONT hintFont;
    CDropTarget* dropTarget;
    bool dropRegistered;
    ITaskbarList3* taskbar;
    HWND list;
    GdiImageState hint;  // the hint picture, 900
    HWND spinner;
    HWND text;
    HWND panel;
    // Our references to the running update transfers, to stop them when
    // the window closes; released when their last message has come.
    CBindStatusCallback* check;
    CBindStatusCallback* download;
    bool started;  // the start-up has continued: the list is shown
};

MainWindowState* state_of(HWND window) {
    return reinterpret_cast<MainWindowState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

HWND child(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int width, int height, int id,
           HINSTANCE instance) {
    return CreateWindowExW(0, className, text, WS_CHILD | style, 0, 0, width, height, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

// Shown in the style, whether or not the window itself is on screen yet.
bool has_visible_style(HWND window) {
    return window && (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

HBRUSH background_brush() {
    HBRUSH brush = theme_background_brush();
    return brush ? brush : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
}

void set_title(const MainWindowState& s) {
    wchar_t title[128];
    text_copy(title, MAIN_WINDOW_TITLE);
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
        wchar_t* slash = wcsrchr(path, L'\\');
        if (slash) {
            slash[1] = 0;
            text_append(path, L"bin\\yt-dlp.exe");
            wchar_t version[64];
            if (file_version_string(path, version) && version[0]) {
                text_append(title, L".");
                text_append(title, version);
            }
        }
    }
    SetWindowTextW(s.window, title);
}

HFONT make_icon_font(HWND window) {
    HDC dc = GetDC(window);
    int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc) {
        ReleaseDC(window, dc);
    }
    return CreateFontW(-MulDiv(16, dpi, 96), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Segoe MDL2 Assets");
}

HFONT make_hint_font() {
    return CreateFontW(-14, 0, 0, 0, 600, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Arial");
}

ITaskbarList3* make_taskbar() {
    ITaskbarList3* taskbar = nullptr;
    if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_ALL, IID_ITaskbarList3,
                                reinterpret_cast<void**>(&taskbar)))) {
        return nullptr;
    }
    if (FAILED(taskbar->HrInit())) {
        taskbar->Release();
        return nullptr;
    }
    return taskbar;
}

void set_taskbar(const MainWindowState& s, TBPFLAG state) {
    if (s.taskbar) {
        s.taskbar->SetProgressState(s.window, state);
    }
}

// Everything above the bottom panel is centred in the list area: the hint
// picture or the spinner, 20 pixels of room, then the text.
void layout(MainWindowState& s) {
    RECT client;
    GetClientRect(s.window, &client);
    int width = client.right;
    int content = client.bottom - PANEL_HEIGHT;
    RECT textRect = {};
    if (s.text) {
        GetWindowRect(s.text, &textRect);
    }
    int textWidth = textRect.right - textRect.left;
    int textHeight = textRect.bottom - textRect.top;
    int y = 0;
    int gap = 0;
    HDWP batch = BeginDeferWindowPos(5);
    auto place = [&batch](HWND w, int x, int top, int cx, int cy, UINT flags) {
        if (w && batch) {
            batch = DeferWindowPos(batch, w, nullptr, x, top, cx, cy, flags | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    };
    if (has_visible_style(s.hint.window)) {
        y = (content - textHeight - HINT_PICTURE_HEIGHT - HINT_GAP) / 2;
        place(s.hint.window, (width - HINT_PICTURE_WIDTH) / 2, y, 0, 0, SWP_NOSIZE);
        gap = HINT_PICTURE_HEIGHT;
    } else if (has_visible_style(s.spinner)) {
        y = (content - textHeight - SPINNER_HEIGHT - HINT_GAP) / 2;
        place(s.spinner, (width - SPINNER_WIDTH) / 2, y, 0, 0, SWP_NOSIZE);
        gap = SPINNER_HEIGHT;
    }
    place(s.text, (width - textWidth) / 2, y + gap + HINT_GAP, 0, 0, SWP_NOSIZE);
    place(s.list, 0, 0, width, content, 0);
    place(s.panel, 0, content, width, PANEL_HEIGHT, 0);
    if (batch) {
        EndDeferWindowPos(batch);
    }
}

// A minimised window keeps its children where they were: an empty client
// area would squeeze the list and its items to nothing.
LRESULT on_size(MainWindowState& s, WPARAM kind) {
    if (kind != SIZE_MINIMIZED) {
        layout(s);
    }
    return 0;
}

void set_text(MainWindowState& s, const wchar_t* text) {
    if (s.text) {
        SetWindowTextW(s.text, text);
        fit_to_text(s.text);
        InvalidateRect(s.window, nullptr, TRUE);  // the longer of the old and new text goes
    }
}

void show_hint(MainWindowState& s, bool shown) {
    int show = shown ? SW_SHOWNA : SW_HIDE;
    if (s.hint.window) {
        ShowWindow(s.hint.window, show);
    }
    if (s.text) {
        ShowWindow(s.text, show);
    }
}

void open_download_page(HWND window) {
    ShellExecuteW(window, L"open", MAKER_DOWNLOAD_PAGE, nullptr, nullptr, SW_SHOWNORMAL);
}

void create_list(MainWindowState& s) {
    RECT client;
    GetClientRect(s.window, &client);
    ListStart start = {s.window, s.instance, s.uiFont, s.iconFont, s.taskbar, client.right,
                       client.bottom - PANEL_HEIGHT};
    s.list = list_create(start);
    if (!s.list) {
        return;
    }
    ShowWindow(s.list, SW_HIDE);
    // The hint, the spinner and the text lie over the list: it stays below
    // them and leaves them out of its painting.
    SetWindowLongPtrW(s.list, GWL_STYLE, GetWindowLongPtrW(s.list, GWL_STYLE) | WS_CLIPSIBLINGS);
    SetWindowPos(s.list, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    g_shell.downloadList = s.list;
    g_shell.listHasItems = [] { return list_count() > 0; };
}

void create_hint_picture(MainWindowState& s) {
    if (!create_image_control(&s.hint, 0, 0, 0, HINT_PICTURE_WIDTH, HINT_PICTURE_HEIGHT, s.window, ID_HINT_PICTURE,
                              s.instance)) {
        return;
    }
    auto picture = load_resource_image(s.instance, MAKEINTRESOURCEW(HINT_PICTURE_RESOURCE),
                                       MAKEINTRESOURCEW(PICTURE_RESOURCE_TYPE));
    if (picture) {
        set_image(&s.hint, picture.get());  // the control animates a picture of several frames
    }
}

void create_spinner(MainWindowState& s) {
    if (!register_spinner_class(s.instance)) {
        return;
    }
    s.spinner = child(s.window, L"LoadingSpinnerCtl", L"", WS_VISIBLE, SPINNER_WIDTH, SPINNER_HEIGHT, ID_SPINNER,
                      s.instance);
    if (s.spinner) {
        SendMessageW(s.spinner, SPINNER_SET_DOT_COLOUR, 0, static_cast<LPARAM>(SPINNER_DOT_COLOUR));
    }
}

void create_text(MainWindowState& s) {
    s.hintFont = make_hint_font();
    s.text = child(s.window, L"Static", translate(L"Please wait..."), WS_VISIBLE | SS_NOPREFIX, 300, 30,
                   ID_HINT_TEXT, s.instance);
    if (s.text) {
        SendMessageW(s.text, WM_SETFONT, reinterpret_cast<WPARAM>(s.hintFont ? s.hintFont : s.uiFont), FALSE);
        fit_to_text(s.text);
    }
}

void start_update_or_continue(MainWindowState& s) {
    if (g_settings.auto_update && start_update_check(s.window, &s.check)) {
        return;  // WM_APP_UPDATE_RESULT continues
    }
    PostMessageW(s.window, WM_APP_STARTUP_CONTINUE, 0, 0);
}

LRESULT on_create(HWND window, const CREATESTRUCTW& create) {
    auto* s = new (std::nothrow) MainWindowState();
    if (!s) {
        return -1;
    }
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(s));
    s->window = window;
    s->instance = create.hInstance;
    // A second start finds the window through the single-instance mapping.
    publish_main_window(window);
    // Before the window is first shown, so that its caption never flashes light.
    set_dark_title_bar(window);

    s->uiFont = ui_font();
    g_uiFont = s->uiFont;
    s->dropTarget = create_drop_target(window);
    s->taskbar = make_taskbar();
    s->iconFont = make_icon_font(window);

    create_list(*s);
    create_hint_picture(*s);
    create_spinner(*s);
    create_text(*s);
    s->panel = create_bottom_panel(window, s->instance, s->uiFont);
    g_shell.bottomPanel = s->panel;
    // Above the list, which lies at the bottom of the order.
    for (HWND w : {s->hint.window, s->spinner, s->text}) {
        if (w) {
            SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    }

    set_title(*s);
    layout(*s);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    start_update_or_continue(*s);
    return 0;
}

LRESULT on_paint(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    FillRect(dc, &ps.rcPaint, background_brush());
    EndPaint(window, &ps);
    return 0;
}

LRESULT on_get_min_max_info(MINMAXINFO& info) {
    info.ptMinTrackSize.x = MAIN_WINDOW_MIN_WIDTH;
    info.ptMinTrackSize.y = MAIN_WINDOW_MIN_HEIGHT;
    return 0;
}

LRESULT on_control_colour(HDC dc) {
    SetTextColor(dc, is_dark() ? RGB(204, 204, 204) : RGB(68, 68, 68));
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(background_brush());
}

// The clipboard's text goes in as links; the clipboard is closed again
// before the list works on it.
LRESULT on_paste(HWND window) {
    std::wstring text;
    if (clipboard_unicode_text(window, text)) {
        SendMessageW(window, WM_APP_ADD_LINKS, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    return 0;
}

LRESULT on_add_links(MainWindowState& s, const wchar_t* text) {
    if (!text || !s.list) {
        return 0;
    }
    bool wasEmpty = list_count() == 0;
    // Before the start has continued the text still says "Please wait..."
    // or shows the update's progress: the restored list decides then.
    if (list_take_links(text) && wasEmpty && s.started) {
        show_hint(s, false);
    }
    return 0;
}

LRESULT on_list_empty(MainWindowState& s) {
    if (list_count() == 0 && s.started) {
        show_hint(s, true);
        layout(s);
    }
    return 0;
}

LRESULT on_startup_continue(MainWindowState& s) {
    if (s.started) {
        return 0;  // once per run: a second restore would only add duplicates
    }
    s.started = true;
    set_title(s);
    if (g_settings.always_on_top) {
        SetWindowPos(s.window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    if (s.dropTarget) {
        s.dropRegistered = SUCCEEDED(RegisterDragDrop(s.window, s.dropTarget));
    }
    if (s.spinner) {
        SendMessageW(s.spinner, SPINNER_RUN, 0, 0);
        ShowWindow(s.spinner, SW_HIDE);
    }
    set_text(s, translate(L"Drag and drop or copy paste the links to the videos"));
    show_hint(s, true);
    if (s.list) {
        ShowWindow(s.list, SW_SHOWNA);
        list_restore();
        if (list_count() > 0) {
            show_hint(s, false);
        }
    }
    layout(s);
    if (s.panel) {
        ShowWindow(s.panel, SW_SHOWNA);
    }
    return 0;
}

void release_transfer(CBindStatusCallback*& transfer) {
    if (transfer) {
        transfer->Release();
        transfer = nullptr;
    }
}

LRESULT on_update_result(MainWindowState& s, LPARAM block) {
    // The values are taken before the block goes; null found nothing.
    auto* result = reinterpret_cast<UpdateResult*>(block);
    bool available = result && result->available;
    int64_t fileSize = result ? result->fileSize : 0;
    std::wstring url = result && result->setupUrl ? result->setupUrl : L"";
    free_update_result(result);
    release_transfer(s.check);
    if (available && g_settings.auto_update &&
        show_message(s.window, translate(L"A new version is available. Do you want to download it now?"),
                     MB_YESNO | MB_ICONQUESTION) == IDYES) {
        if (!url.empty() && fileSize >= SMALLEST_SETUP &&
            start_update_download(s.window, url.c_str(), fileSize, &s.download)) {
            return 0;  // WM_APP_UPDATE_DOWNLOADED continues
        }
        open_download_page(s.window);
    }
    PostMessageW(s.window, WM_APP_STARTUP_CONTINUE, 0, 0);
    return 0;
}

LRESULT on_update_progress(MainWindowState& s, WPARAM progress) {
    wchar_t text[128];
    if (progress <= 100) {
        text_format(text, L"%ls%u%%", translate(L"Downloading update..."), static_cast<unsigned>(progress));
        set_text(s, text);
        set_taskbar(s, TBPF_NORMAL);
        if (s.taskbar) {
            s.taskbar->SetProgressValue(s.window, progress, 100);
        }
    } else if (progress == UPDATE_PROGRESS_DOWNLOAD_BEGAN) {
        set_text(s, translate(L"Downloading update..."));
        set_taskbar(s, TBPF_NORMAL);
    } else if (progress == UPDATE_PROGRESS_DOWNLOAD_ENDED || progress == UPDATE_PROGRESS_YTDLP_ENDED) {
        set_taskbar(s, TBPF_NOPROGRESS);
    } else if (progress == UPDATE_PROGRESS_YTDLP_BEGAN) {
        set_text(s, translate(L"Updating files..."));
        set_taskbar(s, TBPF_INDETERMINATE);
    }
    layout(s);
    return 0;
}

LRESULT on_update_downloaded(MainWindowState& s, WPARAM outcome, LPARAM block) {
    const auto* path = reinterpret_cast<const wchar_t*>(block);
    if (outcome == UPDATE_DOWNLOAD_SUCCEEDED && path && path[0]) {
        // The setup program updates silently and ends this program itself.
        ShellExecuteW(s.window, L"runas", path, L"/s", nullptr, SW_SHOW);
    } else {
        open_download_page(s.window);
    }
    if (block) {
        HeapFree(GetProcessHeap(), 0, reinterpret_cast<void*>(block));
    }
    release_transfer(s.download);
    PostMessageW(s.window, WM_APP_STARTUP_CONTINUE, 0, 0);
    return 0;
}

void open_downloads_folder(HWND window) {
    if (list_show_selected_in_folder()) {
        return;
    }
    const wchar_t* folder = list_default_folder();
    if (!folder || !folder[0]) {
        return;
    }
    // In quotes, so that explorer takes a folder with blanks as one argument.
    wchar_t argument[MAX_PATH + 2];
    text_format(argument, L"\"%ls\"", folder);
    ShellExecuteW(window, L"open", L"explorer.exe", argument, nullptr, SW_SHOWNORMAL);
}

LRESULT on_command(HWND window, int command) {
    switch (command) {
    case ID_OPTIONS:
        open_options_dialog(window);
        break;
    case ID_OPEN_FOLDER:
        open_downloads_folder(window);
        break;
    case ID_ABOUT:
        open_about_dialog(window);
        break;
    case ID_CLEAR_LIST:
        list_clear_finished();
        break;
    default:
        break;
    }
    return 0;
}

void delete_font(HFONT& font) {
    if (font) {
        DeleteObject(font);
        font = nullptr;
    }
}

LRESULT on_destroy(MainWindowState& s) {
    // A transfer still running learns at its next progress report that
    // nobody waits for it any more.
    for (CBindStatusCallback** transfer : {&s.check, &s.download}) {
        if (*transfer) {
            (*transfer)->abort();
            release_transfer(*transfer);
        }
    }
    g_shell.downloadList = nullptr;
    g_shell.listHasItems = nullptr;
    list_destroy();  // saves the list file
    s.list = nullptr;
    if (s.dropRegistered) {
        RevokeDragDrop(s.window);
    }
    if (s.dropTarget) {
        s.dropTarget->Release();
        s.dropTarget = nullptr;
    }
    g_shell.bottomPanel = nullptr;
    if (s.panel) {
        DestroyWindow(s.panel);
        s.panel = nullptr;
    }
    if (s.text) {
        SendMessageW(s.text, WM_SETFONT, 0, FALSE);
    }
    delete_font(s.hintFont);
    delete_font(s.iconFont);
    g_uiFont = nullptr;
    delete_font(s.uiFont);
    if (s.taskbar) {
        s.taskbar->SetProgressState(s.window, TBPF_NOPROGRESS);
        s.taskbar->Release();
        s.taskbar = nullptr;
    }
    publish_main_window(nullptr);
    PostQuitMessage(0);
    return 0;
}

// The hint picture's control frees its pictures with its window, which
// is gone by now; the state record goes last.
LRESULT on_nc_destroy(HWND window, MainWindowState* s) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    delete s;
    return DefWindowProcW(window, WM_NCDESTROY, 0, 0);
}

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_CREATE) {
        return on_create(window, *reinterpret_cast<const CREATESTRUCTW*>(lp));
    }
    MainWindowState* s = state_of(window);
    if (!s) {
        return DefWindowProcW(window, message, wp, lp);
    }
    switch (message) {
    case WM_SIZE:
        return on_size(*s, wp);
    case WM_PAINT:
        return on_paint(window);
    case WM_ERASEBKGND:
        return 1;
    case WM_CLOSE:
    case WM_QUERYENDSESSION:
        DestroyWindow(window);  // the list is saved on the way
        return message == WM_QUERYENDSESSION ? TRUE : 0;
    case WM_GETMINMAXINFO:
        return on_get_min_max_info(*reinterpret_cast<MINMAXINFO*>(lp));
    case WM_CTLCOLORSTATIC:
        return on_control_colour(reinterpret_cast<HDC>(wp));
    case WM_MOUSEWHEEL:
        list_wheel(GET_WHEEL_DELTA_WPARAM(wp));
        return 0;
    case WM_PASTE:
        return on_paste(window);
    case WM_COMMAND:
        return on_command(window, LOWORD(wp));
    case WM_APP_ADD_LINKS:
        return on_add_links(*s, reinterpret_cast<const wchar_t*>(lp));
    case WM_APP_LIST_EMPTY:
        return on_list_empty(*s);
    case WM_APP_STARTUP_CONTINUE:
        return on_startup_continue(*s);
    case WM_APP_UPDATE_RESULT:
        return on_update_result(*s, lp);
    case WM_APP_UPDATE_PROGRESS:
        return on_update_progress(*s, wp);
    case WM_APP_UPDATE_DOWNLOADED:
        return on_update_downloaded(*s, wp, lp);
    case WM_DESTROY:
        return on_destroy(*s);
    case WM_NCDESTROY:
        return on_nc_destroy(window, s);
    default:
        return DefWindowProcW(window, message, wp, lp);
    }
}

}  // namespace

bool register_main_window(HINSTANCE instance, HBRUSH background) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = main_window_proc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(PROGRAM_ICON_ID));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(PROGRAM_ICON_ID), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = MAIN_WINDOW_CLASS;
    return RegisterClassExW(&wc) != 0;
}

HWND create_main_window(HINSTANCE instance) {
    // Integer division toward zero, as the screen sizes are whole pixels.
    int x = (GetSystemMetrics(SM_CXSCREEN) - MAIN_WINDOW_WIDTH) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - MAIN_WINDOW_HEIGHT) / 2 - 40;
    return CreateWindowExW(WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, MAIN_WINDOW_CLASS, MAIN_WINDOW_TITLE,
                           WS_VISIBLE | WS_BORDER | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, x,
                           y, MAIN_WINDOW_WIDTH, MAIN_WINDOW_HEIGHT, nullptr, nullptr, instance, nullptr);
}
