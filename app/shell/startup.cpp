#include "app/shell/startup.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

#include "app/services/settings.h"
#include "app/shell/command_line.h"
#include "app/shell/key_routing.h"
#include "app/shell/main_window.h"
#include "base/data_folder.h"
#include "base/gdiplus.h"
#include "base/text.h"
#include "base/win_handles.h"
#include "ui/theme.h"
#include "ui/translation.h"

ShellState g_shell;

namespace {

// The first instance keeps the mapping and its view for its whole life.
struct SingleInstance {
    HANDLE mapping;
    void* view;  // 8 bytes: the main window handle, 0 until it exists
};
SingleInstance g_single;

// What start-up began and shutdown has to end.
struct Session {
    bool oleStarted;
    bool gdiplusStarted;
    bool gdiplusHooked;
    ULONG_PTR gdiplusToken;
    ULONG_PTR hookToken;
    Gdiplus::NotificationUnhookProc unhook;
};

void store_main_window(HWND window) {
    if (g_single.view) {
        uint64_t handle = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(window));
        std::memcpy(g_single.view, &handle, sizeof(handle));
    }
}

// Shows the running instance's window, when it has one yet, in front.
void bring_forward(HANDLE mapping) {
    const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, sizeof(uint64_t));
    if (!view) {
        return;
    }
    uint64_t handle = 0;
    std::memcpy(&handle, view, sizeof(handle));
    UnmapViewOfFile(view);
    HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(handle));
    if (!window || !IsWindow(window)) {
        return;
    }
    // Shown as this start was asked to show: normally that restores a
    // minimised window.
    ShowWindow(window, SW_SHOWDEFAULT);
    SetForegroundWindow(window);
}

// True when another instance runs: it has been brought forward, and this
// process ends without passing anything on.
bool hand_over_to_running_instance() {
    UniqueHandle existing(OpenFileMappingW(FILE_MAP_READ, FALSE, SINGLE_INSTANCE_MAPPING));
    if (existing) {
        bring_forward(existing.get());
        return true;
    }
    UniqueHandle mapping(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(uint64_t),
                                            SINGLE_INSTANCE_MAPPING));
    DWORD error = GetLastError();
    if (!mapping) {
        return false;  // start without the hand-over
    }
    if (error == ERROR_ALREADY_EXISTS) {
        // Another instance made it between the two calls: it is the first.
        bring_forward(mapping.get());
        return true;
    }
    void* view = MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(uint64_t));
    if (!view) {
        return false;
    }
    g_single.mapping = mapping.release();
    g_single.view = view;
    store_main_window(nullptr);
    return false;
}

void close_single_instance() {
    if (g_single.view) {
        UnmapViewOfFile(g_single.view);
    }
    if (g_single.mapping) {
        CloseHandle(g_single.mapping);
    }
    g_single = {};
}

void start_libraries(Session& session) {
    session.oleStarted = SUCCEEDED(OleInitialize(nullptr));
    // No GDI+ thread of its own: its background work runs in this thread's
    // message loop through the notification hook.
    Gdiplus::GdiplusStartupInput input;
    input.SuppressBackgroundThread = TRUE;
    Gdiplus::GdiplusStartupOutput output = {};
    if (Gdiplus::GdiplusStartup(&session.gdiplusToken, &input, &output) != Gdiplus::Ok) {
        return;
    }
    session.gdiplusStarted = true;
    if (output.NotificationHook && output.NotificationHook(&session.hookToken) == Gdiplus::Ok) {
        session.gdiplusHooked = true;
        session.unhook = output.NotificationUnhook;
    }
}

StartOptions read_command_line() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    StartOptions options = parse_command_line(arguments ? count : 0, arguments);
    LocalFree(arguments);
    return options;
}

void make_folder(const wchar_t* path) {
    if (!is_folder(path)) {
        CreateDirectoryW(path, nullptr);  // a failure shows later, where the folder is used
    }
}

void prepare_data_folders() {
    wchar_t folder[MAX_PATH];
    if (!data_folder(folder)) {
        return;
    }
    make_folder(folder);
    // Made current only once it exists, so that the first run works in it
    // too; the tools inherit it as their working folder.
    SetCurrentDirectoryW(folder);
    wchar_t cache[MAX_PATH];
    if (data_path(L"json", cache)) {
        make_folder(cache);
    }
    if (data_path(L"jpg", cache)) {
        make_folder(cache);
    }
}

void prepare_settings(const StartOptions& options) {
    set_settings_passphrase();
    bool changed = false;
    if (load_settings(g_settings)) {
        if (g_settings.version != SETTINGS_VERSION) {
            g_settings.version = SETTINGS_VERSION;
            changed = true;
        }
        if (options.langId != 0 && options.langId != g_settings.lang_id) {
            g_settings.lang_id = options.langId;
            changed = true;
        }
    } else {
        set_default_settings(g_settings);
        if (options.langId != 0) {
            g_settings.lang_id = options.langId;
        }
        changed = true;
    }
    // Until the file holds the user's own choice, follow the system's theme.
    if (!settings_dark_mode_present()) {
        g_settings.dark_mode = system_prefers_dark() ? 1 : 0;
        changed = true;
    }
    if (changed) {
        save_settings(g_settings);  // the store reports its own failures; the start goes on
    }
}

void load_interface_language(HINSTANCE instance) {
    g_translation =
        static_cast<TranslationTable*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(TranslationTable)));
    if (g_translation) {
        // A failed load leaves the table empty: English is shown.
        load_translation(*g_translation, instance, language_resource_id(g_settings.lang_id));
    }
    g_shell.uiLanguage = g_settings.lang_id;
}

void free_interface_language() {
    if (g_translation) {
        clear_translation(*g_translation);
        HeapFree(GetProcessHeap(), 0, g_translation);
        g_translation = nullptr;
    }
}

HBRUSH prepare_theme() {
    fix_dark_mode(g_settings.dark_mode != 0);
    if (is_dark()) {
        enable_dark_menus();
    }
    fill_theme_colours();
    HBRUSH brush = theme_background_brush();
    return brush ? brush : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
}

void register_common_controls() {
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES;
    InitCommonControlsEx(&controls);
}

bool focus_within(HWND focus, HWND window) {
    return window && focus && (focus == window || IsChild(window, focus));
}

// True when the key went its own way and must not be dispatched.
bool route_key(const MSG& msg) {
    HWND list = g_shell.downloadList;
    if (msg.message != WM_KEYDOWN || !list) {
        return false;
    }
    HWND focus = GetFocus();
    KeyPress press = {};
    press.key = static_cast<unsigned>(msg.wParam);
    press.ctrlDown = GetKeyState(VK_CONTROL) < 0;
    press.focusInList = focus_within(focus, list);
    press.focusInPanel = focus_within(focus, g_shell.bottomPanel);
    press.listHasItems = g_shell.listHasItems && g_shell.listHasItems();
    switch (route_key_down(press)) {
    case KeyRoute::Paste:
        SendMessageW(g_shell.mainWindow, WM_PASTE, 0, 0);
        return true;
    case KeyRoute::FocusPanel:
        if (g_shell.bottomPanel) {
            SetFocus(g_shell.bottomPanel);
        }
        return true;
    case KeyRoute::ToList:
        SendMessageW(list, WM_KEYDOWN, msg.wParam, msg.lParam);
        return true;
    case KeyRoute::FocusList:
        SetFocus(list);
        return true;
    case KeyRoute::Swallow:
        return true;
    case KeyRoute::Dispatch:
        break;
    }
    return false;
}

void run_message_loop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (route_key(msg)) {
            continue;
        }
        HWND active = GetActiveWindow();
        if (active && IsDialogMessageW(active, &msg)) {
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool process_is_elevated() {
    UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) {
        return true;  // unknown counts as elevated: never hand out rights by accident
    }
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    if (!GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof(elevation), &size)) {
        return true;
    }
    return elevation.TokenIsElevated != 0;
}

// After installation the setup program runs us elevated; the program the
// user then works with must run with the user's own rights.
void start_again_as_user() {
    wchar_t self[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        return;
    }
    if (SUCCEEDED(open_as_shell_user(self))) {
        return;
    }
    // Without a desktop shell to ask, a process that is not elevated may
    // start the program itself: the new instance gets the same normal rights.
    // An elevated one leaves it to the user rather than hand on its rights.
    if (process_is_elevated()) {
        return;
    }
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = self;
    info.nShow = SW_SHOWNORMAL;
    ShellExecuteExW(&info);
}

void shut_down(Session& session, bool startAgain) {
    if (session.gdiplusHooked && session.unhook) {
        session.unhook(session.hookToken);
    }
    if (session.gdiplusStarted) {
        Gdiplus::GdiplusShutdown(session.gdiplusToken);
    }
    free_interface_language();
    close_single_instance();
    if (startAgain) {
        start_again_as_user();
    }
    if (session.oleStarted) {
        OleUninitialize();
    }
}

}  // namespace

void publish_main_window(HWND window) {
    g_shell.mainWindow = window;
    store_main_window(window);
}

int run_tavlo(HINSTANCE instance) {
    g_shell.instance = instance;
    if (hand_over_to_running_instance()) {
        return 0;
    }
    Session session = {};
    start_libraries(session);
    StartOptions options = read_command_line();
    prepare_data_folders();
    prepare_settings(options);
    if (!options.start) {
        load_interface_language(instance);
        HBRUSH background = prepare_theme();
        register_common_controls();
        if (register_main_window(instance, background)) {
            if (create_main_window(instance)) {
                run_message_loop();
            }
            UnregisterClassW(MAIN_WINDOW_CLASS, instance);
        }
    }
    shut_down(session, options.start);
    return 0;
}
