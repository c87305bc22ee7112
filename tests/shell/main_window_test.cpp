// The programs as a user starts them: tavlo.exe opens its main window where
// it belongs, keeps to one instance, prepares its settings from the command
// line, and ends with code 0; tavlo_setup.exe runs and ends.
//
// tavlo.exe keeps its data in the real local application-data folder, so
// every test here starts from a moved-aside "tavlo" folder and puts the
// original back afterwards, and ends every tavlo.exe it caused to run.
#include <windows.h>

#include <commctrl.h>
#include <ole2.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <string>
#include <thread>
#include <vector>

#include "app/app_messages.h"
#include "app/services/settings.h"
#include "app/services/update.h"
#include "app/shell/main_window.h"
#include "app/shell/main_window_panel.h"
#include "app/shell/startup.h"
#include "base/data_folder.h"
#include "base/gdiplus.h"
#include "tests/http_test_server.h"
#include "tests/win_test_support.h"
#include "tests/window_capture.h"
#include "ui/spinner.h"
#include "ui/theme.h"
#include "ui/translation.h"

namespace {

constexpr DWORD START_WAIT = 30000;  // the first start in a fresh prefix is slow
constexpr DWORD EXIT_WAIT = 15000;

std::wstring widen(const char* text) {
    return std::wstring(text, text + strlen(text));
}

std::wstring tavlo_path() {
    std::wstring path = widen(TAVLO_EXE);
    wchar_t full[MAX_PATH];
    DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);  // also turns / into \ .
    return n > 0 && n < MAX_PATH ? std::wstring(full, n) : path;
}

struct Process {
    PROCESS_INFORMATION info = {};
    Process() = default;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process() {
        if (info.hProcess) {
            if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(info.hProcess, 99);
                WaitForSingleObject(info.hProcess, EXIT_WAIT);
            }
            CloseHandle(info.hProcess);
            CloseHandle(info.hThread);
        }
    }
    bool start(const std::wstring& path, const std::wstring& arguments = L"") {
        std::wstring commandLine = L"\"" + path + L"\"";
        if (!arguments.empty()) {
            commandLine += L" " + arguments;
        }
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        return CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                              &info) != 0;
    }
    bool running() const { return WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT; }
    DWORD wait_exit(DWORD ms) {
        if (WaitForSingleObject(info.hProcess, ms) != WAIT_OBJECT_0) {
            return STILL_ACTIVE;
        }
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(info.hProcess, &code);
        return code;
    }
};

struct TavloWindow {
    HWND window;
    DWORD processId;
};

// Every "Tavlo_Main" window there is, shown or not.
std::vector<TavloWindow> tavlo_windows() {
    std::vector<TavloWindow> found;
    EnumWindows(
        [](HWND w, LPARAM lp) -> BOOL {
            wchar_t name[64];
            if (GetClassNameW(w, name, 64) && wcscmp(name, L"Tavlo_Main") == 0) {
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                reinterpret_cast<std::vector<TavloWindow>*>(lp)->push_back({w, pid});
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// The visible main window of a process other than notProcessId (or of
// processId when that is given).
HWND wait_for_window(DWORD processId, DWORD notProcessId, DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += 50) {
        for (const TavloWindow& w : tavlo_windows()) {
            bool match = processId ? w.processId == processId : w.processId != notProcessId;
            if (match && IsWindowVisible(w.window)) {
                return w.window;
            }
        }
        Sleep(50);
    }
    return nullptr;
}

bool is_our_tavlo(DWORD processId) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process) {
        return false;
    }
    wchar_t image[MAX_PATH];
    DWORD size = MAX_PATH;
    bool ours = QueryFullProcessImageNameW(process, 0, image, &size) && _wcsicmp(image, tavlo_path().c_str()) == 0;
    CloseHandle(process);
    return ours;
}

// Closes every main window of this build's tavlo.exe and ends whatever of
// it still runs, including instances the shell started for us.
void end_every_tavlo() {
    for (const TavloWindow& w : tavlo_windows()) {
        if (is_our_tavlo(w.processId)) {
            PostMessageW(w.window, WM_CLOSE, 0, 0);
        }
    }
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return;
    }
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (_wcsicmp(entry.szExeFile, L"tavlo.exe") != 0 || !is_our_tavlo(entry.th32ProcessID)) {
            continue;
        }
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, entry.th32ProcessID);
        if (process) {
            if (WaitForSingleObject(process, EXIT_WAIT) == WAIT_TIMEOUT) {
                TerminateProcess(process, 99);
                WaitForSingleObject(process, EXIT_WAIT);
            }
            CloseHandle(process);
        }
    }
    CloseHandle(snapshot);
}

// Posts WM_CLOSE to the window and waits for its process; its exit code.
DWORD close_and_wait(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) {
        return STILL_ACTIVE;
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process, EXIT_WAIT) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process, &code);
    }
    CloseHandle(process);
    return code;
}

// The test prefix's "tavlo" folder, moved aside while the tests run.
class DataFolderGuard {
public:
    DataFolderGuard() {
        wchar_t folder[MAX_PATH];
        EXPECT_TRUE(data_folder(folder));
        folder_ = folder;
        saved_ = folder_ + L".saved-by-test";
        // A saved folder left by an interrupted run is the original: keep it.
        if (!path_exists(saved_) && path_exists(folder_)) {
            EXPECT_TRUE(MoveFileW(folder_.c_str(), saved_.c_str()));
        }
        remove_tree(folder_);
    }
    ~DataFolderGuard() {
        remove_tree(folder_);
        if (path_exists(saved_)) {
            MoveFileW(saved_.c_str(), folder_.c_str());
        }
    }
    DataFolderGuard(const DataFolderGuard&) = delete;
    DataFolderGuard& operator=(const DataFolderGuard&) = delete;

    void clear() const { remove_tree(folder_); }
    std::wstring path(const wchar_t* name) const { return folder_ + L"\\" + name; }

private:
    std::wstring folder_;
    std::wstring saved_;
};

// The system's app theme in the registry, put back as it was.
class SystemThemeGuard {
public:
    SystemThemeGuard() {
        DWORD size = sizeof(value_);
        had_ = RegGetValueW(HKEY_CURRENT_USER, KEY, VALUE, RRF_RT_REG_DWORD, nullptr, &value_, &size) ==
               ERROR_SUCCESS;
    }
    ~SystemThemeGuard() {
        if (had_) {
            set(value_);
        } else {
            remove();
        }
    }
    SystemThemeGuard(const SystemThemeGuard&) = delete;
    SystemThemeGuard& operator=(const SystemThemeGuard&) = delete;

    static void set(DWORD lightTheme) {
        ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, KEY, VALUE, REG_DWORD, &lightTheme, sizeof(lightTheme)),
                  ERROR_SUCCESS);
    }
    static void remove() {
        HKEY key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, KEY, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            RegDeleteValueW(key, VALUE);
            RegCloseKey(key);
        }
    }

private:
    static constexpr const wchar_t* KEY = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
    static constexpr const wchar_t* VALUE = L"AppsUseLightTheme";
    DWORD value_ = 0;
    bool had_ = false;
};

Settings stored_settings() {
    set_settings_passphrase();  // the same machine, so the same passphrase as tavlo.exe
    Settings settings = {};
    EXPECT_TRUE(load_settings(settings)) << "no readable settings file";
    return settings;
}

// Ends stray instances before the data folder is moved aside: a running
// tavlo.exe holds it as its current folder.
struct NoTavloRunning {
    NoTavloRunning() { end_every_tavlo(); }
};

class MainProgram : public ::testing::Test {
protected:
    // Before the members go, so that the data folder is free to remove.
    void TearDown() override { end_every_tavlo(); }

    // Starts tavlo.exe, waits for its window, closes it: the exit code.
    DWORD run_once(const std::wstring& arguments) {
        Process tavlo;
        if (!tavlo.start(tavlo_path(), arguments)) {
            ADD_FAILURE() << "tavlo.exe did not start";
            return STILL_ACTIVE;
        }
        HWND window = wait_for_window(tavlo.info.dwProcessId, 0, START_WAIT);
        if (!window) {
            ADD_FAILURE() << "no visible Tavlo_Main window";
            return STILL_ACTIVE;
        }
        return close_and_wait(window);
    }

    NoTavloRunning noneBefore;
    DataFolderGuard data;
};

TEST_F(MainProgram, OpensCentredAboveTheMiddleWithItsStylesAndExitsWithZero) {
    Process tavlo;
    ASSERT_TRUE(tavlo.start(tavlo_path()));
    HWND window = wait_for_window(tavlo.info.dwProcessId, 0, START_WAIT);
    ASSERT_NE(window, nullptr) << "no visible Tavlo_Main window";

    RECT r;
    ASSERT_TRUE(GetWindowRect(window, &r));
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(r.right - r.left, 765);
    EXPECT_EQ(r.bottom - r.top, 580);
    EXPECT_EQ(r.left, (screenWidth - 765) / 2);
    EXPECT_EQ(r.top, (screenHeight - 580) / 2 - 40);

    // The system gives every overlapped window a caption and sibling clipping.
    const LONG_PTR asked = WS_VISIBLE | WS_BORDER | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    EXPECT_EQ(GetWindowLongPtrW(window, GWL_STYLE), asked | WS_CAPTION | WS_CLIPSIBLINGS);
    LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
    EXPECT_EQ(exStyle & (WS_EX_APPWINDOW | WS_EX_WINDOWEDGE), WS_EX_APPWINDOW | WS_EX_WINDOWEDGE);
    // Topmost comes with the always-on-top setting once the start has continued.
    EXPECT_EQ(exStyle & ~static_cast<LONG_PTR>(WS_EX_APPWINDOW | WS_EX_WINDOWEDGE | WS_EX_TOPMOST), 0);
    EXPECT_EQ(GetParent(window), nullptr);
    EXPECT_EQ(GetMenu(window), nullptr);
    wchar_t title[64] = L"";
    GetWindowTextW(window, title, 64);
    EXPECT_STREQ(title, L"Tavlo Video Downloader 1.58");
    EXPECT_EQ(GetClassLongPtrW(window, GCL_STYLE), static_cast<ULONG_PTR>(CS_DBLCLKS));

    // The light theme paints the window white through the class brush.
    Sleep(300);  // let it paint
    Capture picture = capture_window(window, true);
    picture.save_png(artifact_path(L"startup-light.png"));
    ASSERT_GT(picture.width, 100);
    EXPECT_EQ(picture.at(picture.width / 2, picture.height / 2), RGB(255, 255, 255));

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(tavlo.wait_exit(EXIT_WAIT), 0u);
}

TEST_F(MainProgram, RunsWithCommonControlsSixAndTheManifestItCarries) {
    Process tavlo;
    ASSERT_TRUE(tavlo.start(tavlo_path()));
    HWND window = wait_for_window(tavlo.info.dwProcessId, 0, START_WAIT);
    ASSERT_NE(window, nullptr);

    // Which comctl32 the running program loaded: the manifest's version 6
    // comes from the side-by-side store, the system folder holds version 5.
    // (Wine's copy there reports the file version 5.81 like the other, so
    // the place is what tells them apart.)
    std::wstring comctl;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, tavlo.info.dwProcessId);
    ASSERT_NE(snapshot, INVALID_HANDLE_VALUE);
    MODULEENTRY32W module = {};
    module.dwSize = sizeof(module);
    for (BOOL more = Module32FirstW(snapshot, &module); more; more = Module32NextW(snapshot, &module)) {
        if (_wcsicmp(module.szModule, L"comctl32.dll") == 0) {
            comctl = module.szExePath;
        }
    }
    CloseHandle(snapshot);
    ASSERT_FALSE(comctl.empty()) << "tavlo.exe has not loaded comctl32.dll";
    for (wchar_t& c : comctl) {
        c = towlower(c);
    }
    SCOPED_TRACE(std::string(comctl.begin(), comctl.end()));
    EXPECT_NE(comctl.find(L"\\winsxs\\"), std::wstring::npos);
    EXPECT_NE(comctl.find(L"microsoft.windows.common-controls_6595b64144ccf1df_6.0."), std::wstring::npos);

    // What Wine does not act on, read from the program itself: no elevation
    // of its own, not DPI aware.
    HMODULE image = LoadLibraryExW(tavlo_path().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(image, nullptr);
    HRSRC found = FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(found, nullptr) << "no manifest resource 1";
    const char* text = static_cast<const char*>(LockResource(LoadResource(image, found)));
    std::string manifest(text, SizeofResource(image, found));
    FreeLibrary(image);
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(manifest.find(">false</dpiAware>"), std::string::npos);
    EXPECT_NE(manifest.find("{e2011457-1546-43c5-a5fe-008deee3d3f0}"), std::string::npos);  // Vista
    EXPECT_NE(manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos);  // 10

    EXPECT_EQ(close_and_wait(window), 0u);
}

TEST_F(MainProgram, SecondStartBringsTheFirstForwardAndEndsAtOnce) {
    Process first;
    ASSERT_TRUE(first.start(tavlo_path()));
    HWND window = wait_for_window(first.info.dwProcessId, 0, START_WAIT);
    ASSERT_NE(window, nullptr);
    uint16_t language = stored_settings().lang_id;

    const wchar_t* kArguments[] = {L"", L"-lang 1031", L"-start"};
    for (const wchar_t* arguments : kArguments) {
        SCOPED_TRACE(std::string("arguments: ") + std::string(arguments, arguments + wcslen(arguments)));
        ShowWindow(window, SW_MINIMIZE);
        ASSERT_TRUE(IsIconic(window));

        Process second;
        ASSERT_TRUE(second.start(tavlo_path(), arguments));
        EXPECT_EQ(second.wait_exit(EXIT_WAIT), 0u);
        EXPECT_FALSE(IsIconic(window));
        EXPECT_TRUE(IsWindowVisible(window));
        EXPECT_EQ(GetForegroundWindow(), window);
        for (const TavloWindow& w : tavlo_windows()) {
            EXPECT_EQ(w.processId, first.info.dwProcessId) << "a second main window";
        }
        EXPECT_TRUE(first.running());
        // Nothing reaches the running instance, nor the settings.
        EXPECT_EQ(stored_settings().lang_id, language);
    }

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.wait_exit(EXIT_WAIT), 0u);
}

TEST_F(MainProgram, LanguageFromTheCommandLine) {
    set_settings_passphrase();
    Settings defaults = {};
    set_default_settings(defaults);

    struct Case {
        bool firstRun;
        const wchar_t* arguments;
        uint16_t langId;
    };
    // How the arguments are read is the command-line test's business; here
    // the runs show what reaches the settings file.
    const Case kCases[] = {
        {true, L"-lang 1031", 1031},           // the first run creates the settings with it
        {false, L"-lang 0", 1031},             // 0 changes nothing
        {false, L"-lang 1036", 1036},          // a later run switches
        {false, L"", 1036},                    // and it stays
        {true, L"-lang 0", defaults.lang_id},  // a first run without it takes the default
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string("arguments: ") + std::string(c.arguments, c.arguments + wcslen(c.arguments)));
        if (c.firstRun) {
            data.clear();
        }
        EXPECT_EQ(run_once(c.arguments), 0u);
        Settings stored = stored_settings();
        EXPECT_EQ(stored.lang_id, c.langId);
        EXPECT_EQ(stored.version, SETTINGS_VERSION);
    }
    // The cache folders exist beside the settings.
    EXPECT_TRUE(path_exists(data.path(L"json")));
    EXPECT_TRUE(path_exists(data.path(L"jpg")));
}

TEST_F(MainProgram, AnOlderSettingsFileIsBroughtToThisVersion) {
    set_settings_passphrase();
    Settings old = {};
    set_default_settings(old);
    old.version = 150;
    old.lang_id = 1040;
    old.dark_mode = 0;
    ASSERT_TRUE(save_settings(old));
    EXPECT_EQ(run_once(L""), 0u);
    Settings stored = stored_settings();
    EXPECT_EQ(stored.version, SETTINGS_VERSION);
    EXPECT_EQ(stored.lang_id, 1040);
}

TEST_F(MainProgram, DarkModeFollowsTheSystemUntilTheSettingsHoldIt) {
    SystemThemeGuard theme;
    struct Case {
        int systemLight;  // -1: no AppsUseLightTheme value
        bool firstRun;
        int darkMode;
        COLORREF background;
        const wchar_t* picture;
    };
    const Case kCases[] = {
        {-1, true, 0, RGB(255, 255, 255), nullptr},
        {1, true, 0, RGB(255, 255, 255), nullptr},
        {0, true, 1, RGB(25, 25, 25), L"startup-dark.png"},
        {1, false, 1, RGB(25, 25, 25), nullptr},  // the file's choice now wins over the system
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << "system light " << c.systemLight << ", first run " << c.firstRun);
        if (c.systemLight < 0) {
            SystemThemeGuard::remove();
        } else {
            SystemThemeGuard::set(static_cast<DWORD>(c.systemLight));
        }
        if (c.firstRun) {
            data.clear();
        }
        Process tavlo;
        ASSERT_TRUE(tavlo.start(tavlo_path()));
        HWND window = wait_for_window(tavlo.info.dwProcessId, 0, START_WAIT);
        ASSERT_NE(window, nullptr);
        Sleep(300);  // let it paint
        Capture picture = capture_window(window, true);
        if (c.picture) {
            picture.save_png(artifact_path(c.picture));
        }
        EXPECT_EQ(picture.at(picture.width / 2, picture.height / 2), c.background);
        EXPECT_EQ(close_and_wait(window), 0u);
        EXPECT_EQ(stored_settings().dark_mode, c.darkMode);
    }
}

TEST_F(MainProgram, StartModePreparesTheSettingsShowsNothingAndStartsAgainAsTheUser) {
    Process tavlo;
    ASSERT_TRUE(tavlo.start(tavlo_path(), L"-start -lang 1031"));
    bool showedWindow = false;
    for (DWORD waited = 0; waited < START_WAIT && tavlo.running(); waited += 20) {
        for (const TavloWindow& w : tavlo_windows()) {
            showedWindow = showedWindow || w.processId == tavlo.info.dwProcessId;
        }
        Sleep(20);
    }
    EXPECT_EQ(tavlo.wait_exit(0), 0u);
    EXPECT_FALSE(showedWindow);
    EXPECT_EQ(stored_settings().lang_id, 1031);

    // The shell starts a new instance without arguments, with its window.
    HWND again = wait_for_window(0, tavlo.info.dwProcessId, START_WAIT);
    ASSERT_NE(again, nullptr) << "no new instance after -start";
    EXPECT_EQ(stored_settings().lang_id, 1031);
    EXPECT_EQ(close_and_wait(again), 0u);
}

// The route the -start relaunch and "Play" take: the desktop shell itself
// starts the program. (Wine has no elevation to drop, so what shows here is
// that the shell is found and does the start.)
TEST_F(MainProgram, OpenAsShellUserHasTheDesktopShellStartTheProgram) {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    HRESULT result = open_as_shell_user(tavlo_path().c_str());
    OleUninitialize();
    ASSERT_EQ(result, S_OK);
    HWND window = wait_for_window(0, GetCurrentProcessId(), START_WAIT);
    ASSERT_NE(window, nullptr) << "the shell did not start tavlo.exe";
    EXPECT_EQ(close_and_wait(window), 0u);
}

// ---- The main window's contents, as the running program shows them.

// A block in another process's memory, for the control messages whose
// answers go through a pointer (the toolbar's).
class RemoteBlock {
public:
    RemoteBlock(HWND window, size_t size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process_) {
            address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        }
    }
    ~RemoteBlock() {
        if (address_) {
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        }
        if (process_) {
            CloseHandle(process_);
        }
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;

    LPARAM address() const { return reinterpret_cast<LPARAM>(address_); }
    template <typename T>
    T read() const {
        T value = {};
        SIZE_T done = 0;
        ReadProcessMemory(process_, address_, &value, sizeof(value), &done);
        return value;
    }

private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
};

struct ToolbarButton {
    int command;
    int image;
    bool enabled;
    std::wstring text;
    RECT rect;  // in the toolbar's client area
};

std::vector<ToolbarButton> toolbar_buttons(HWND toolbar) {
    std::vector<ToolbarButton> buttons;
    RemoteBlock block(toolbar, 4096);
    int count = static_cast<int>(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        ToolbarButton b = {};
        SendMessageW(toolbar, TB_GETBUTTON, i, block.address());
        TBBUTTON raw = block.read<TBBUTTON>();
        b.command = raw.idCommand;
        b.image = raw.iBitmap;
        b.enabled = (raw.fsState & TBSTATE_ENABLED) != 0;
        SendMessageW(toolbar, TB_GETITEMRECT, i, block.address());
        b.rect = block.read<RECT>();
        LRESULT length = SendMessageW(toolbar, TB_GETBUTTONTEXTW, raw.idCommand, block.address());
        struct Text {
            wchar_t units[128];
        };
        Text text = block.read<Text>();
        if (length > 0 && length < 128) {
            b.text.assign(text.units, static_cast<size_t>(length));
        }
        buttons.push_back(b);
    }
    return buttons;
}

// A child's rectangle in its parent's client area.
RECT rect_in_parent(HWND control) {
    RECT r = {};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::wstring window_text(HWND window) {
    wchar_t text[256] = L"";
    GetWindowTextW(window, text, 256);
    return text;
}

// The 40-pixel child dialog under the list (which is a child dialog too).
HWND bottom_panel(HWND window) {
    for (HWND w = FindWindowExW(window, nullptr, L"#32770", nullptr); w;
         w = FindWindowExW(window, w, L"#32770", nullptr)) {
        if (GetDlgItem(w, ID_TOOLBAR)) {
            return w;
        }
    }
    return nullptr;
}

// The download list: the main window's child dialog that is not the panel.
HWND download_list(HWND window) {
    HWND panel = bottom_panel(window);
    for (HWND w = FindWindowExW(window, nullptr, L"#32770", nullptr); w;
         w = FindWindowExW(window, w, L"#32770", nullptr)) {
        if (w != panel) {
            return w;
        }
    }
    return nullptr;
}

int child_count(HWND parent) {
    int count = 0;
    for (HWND w = GetWindow(parent, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
        ++count;
    }
    return count;
}

bool put_on_clipboard(const wchar_t* text) {
    if (!OpenClipboard(nullptr)) {
        return false;
    }
    EmptyClipboard();
    size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    bool put = false;
    if (block) {
        memcpy(GlobalLock(block), text, bytes);
        GlobalUnlock(block);
        put = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
        if (!put) {
            GlobalFree(block);
        }
    }
    CloseClipboard();
    return put;
}

// The start has continued once the hint or the list is shown.
bool wait_for_hint(HWND window) {
    for (DWORD waited = 0; waited < START_WAIT; waited += 50) {
        HWND hint = GetDlgItem(window, ID_HINT_PICTURE);
        if (hint && IsWindowVisible(hint)) {
            return true;
        }
        Sleep(50);
    }
    return false;
}

// Starts tavlo.exe and waits until its start has continued: its main
// window, or null (with the reason reported) when it never got there.
HWND start_to_hint(Process& tavlo) {
    if (!tavlo.start(tavlo_path())) {
        ADD_FAILURE() << "tavlo.exe did not start";
        return nullptr;
    }
    HWND window = wait_for_window(tavlo.info.dwProcessId, 0, START_WAIT);
    if (!window || !wait_for_hint(window)) {
        ADD_FAILURE() << (window ? "the start never continued" : "no main window");
        return nullptr;
    }
    return window;
}

// Where every child of the main window must be for its client size: the
// picture and the text centred in the list area with 20 pixels between
// them, the list above the 40-pixel panel, the toolbar and "Clear list" in
// the panel.
void expect_layout(HWND window) {
    RECT client;
    ASSERT_TRUE(GetClientRect(window, &client));
    const int width = client.right;
    const int content = client.bottom - 40;

    HWND picture = GetDlgItem(window, ID_HINT_PICTURE);
    HWND text = GetDlgItem(window, ID_HINT_TEXT);
    ASSERT_NE(picture, nullptr);
    ASSERT_NE(text, nullptr);
    RECT p = rect_in_parent(picture);
    RECT t = rect_in_parent(text);
    const int textWidth = t.right - t.left;
    const int textHeight = t.bottom - t.top;
    EXPECT_EQ(p.right - p.left, 118);
    EXPECT_EQ(p.bottom - p.top, 80);
    const int y = (content - textHeight - 80 - 20) / 2;
    EXPECT_EQ(p.left, (width - 118) / 2);
    EXPECT_EQ(p.top, y);
    EXPECT_EQ(t.left, (width - textWidth) / 2);
    EXPECT_EQ(t.top, y + 80 + 20);

    HWND panel = bottom_panel(window);
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(IsWindowVisible(panel));
    RECT r = rect_in_parent(panel);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, content);
    EXPECT_EQ(r.right, width);
    EXPECT_EQ(r.bottom, content + 40);

    HWND toolbar = GetDlgItem(panel, ID_TOOLBAR);
    ASSERT_NE(toolbar, nullptr);
    r = rect_in_parent(toolbar);
    EXPECT_EQ(r.left, 8);
    EXPECT_EQ(r.top, 7);
    EXPECT_EQ(r.right - r.left, 550);
    EXPECT_EQ(r.bottom - r.top, 26);

    HWND clear = GetDlgItem(panel, ID_CLEAR_LIST);
    ASSERT_NE(clear, nullptr);
    r = rect_in_parent(clear);
    EXPECT_EQ(r.right, width - 10);  // 100 wide at (width - 110, 6), or wider for a long caption
    EXPECT_EQ(r.top, 6);
    EXPECT_GE(r.right - r.left, 100);
    EXPECT_EQ(r.bottom - r.top, 27);
}

COLORREF darker_by_nine(COLORREF c) {
    auto d = [](int v) { return v > 9 ? v - 9 : 0; };
    return RGB(d(GetRValue(c)), d(GetGValue(c)), d(GetBValue(c)));
}

bool is_blue(COLORREF c) {
    return GetBValue(c) > 180 && GetRValue(c) < 120;
}

struct Look {
    bool dark;
    COLORREF background;
    COLORREF panel;  // CLR_INVALID: the system's button face
    COLORREF text;
    const wchar_t* picture;
    const wchar_t* itemPicture;
};

// Whether any pixel of the rectangle has the colour.
bool shows_colour(const Capture& picture, const RECT& r, COLORREF colour) {
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            if (picture.at(x, y) == colour) {
                return true;
            }
        }
    }
    return false;
}

class MainWindowLook : public MainProgram, public ::testing::WithParamInterface<Look> {};

TEST_P(MainWindowLook, HintCentredOverTheEmptyListAtTheStartAndTheSmallestSize) {
    const Look& look = GetParam();
    SystemThemeGuard theme;
    SystemThemeGuard::set(look.dark ? 0 : 1);  // a first run follows the system's theme
    data.clear();
    Process tavlo;
    ASSERT_TRUE(tavlo.start(tavlo_path()));
    HWND window = wait_for_window(tavlo.info.dwProcessId, 0, START_WAIT);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(wait_for_hint(window)) << "the start did not continue";

    // The spinner has made room for the hint, which shows over the empty list.
    HWND spinner = GetDlgItem(window, ID_SPINNER);
    ASSERT_NE(spinner, nullptr);
    EXPECT_FALSE(IsWindowVisible(spinner));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, ID_HINT_TEXT)));
    EXPECT_EQ(window_text(GetDlgItem(window, ID_HINT_TEXT)), L"Drag and drop or copy paste the links to the videos");
    HWND panel = bottom_panel(window);
    ASSERT_NE(panel, nullptr);
    LONG_PTR clearStyle = GetWindowLongPtrW(GetDlgItem(panel, ID_CLEAR_LIST), GWL_STYLE) & BS_TYPEMASK;
    EXPECT_EQ(clearStyle, look.dark ? BS_OWNERDRAW : BS_PUSHBUTTON);
    EXPECT_EQ(window_text(GetDlgItem(panel, ID_CLEAR_LIST)), L"Clear list");

    {
        SCOPED_TRACE("start size");
        expect_layout(window);
    }

    Sleep(300);  // let it paint
    Capture whole = capture_window(window, false);
    whole.save_png(artifact_path(look.picture));
    Capture picture = capture_window(window, true);
    RECT client;
    GetClientRect(window, &client);
    const int content = client.bottom - 40;
    COLORREF panelColour = look.panel == CLR_INVALID ? GetSysColor(COLOR_BTNFACE) : look.panel;
    EXPECT_EQ(picture.at(4, 4), look.background);
    EXPECT_EQ(picture.at(client.right - 130, content), darker_by_nine(panelColour)) << "the panel's top line";
    EXPECT_EQ(picture.at(client.right - 130, content + 1), panelColour);
    EXPECT_EQ(picture.at(client.right - 130, content + 39), panelColour);
    // The play button in the middle of the hint picture: the list area does
    // not paint over it.
    RECT hint = rect_in_parent(GetDlgItem(window, ID_HINT_PICTURE));
    EXPECT_TRUE(is_blue(picture.at(hint.left + 45, hint.top + 42)));
    EXPECT_TRUE(shows_colour(picture, rect_in_parent(GetDlgItem(window, ID_HINT_TEXT)), look.text))
        << "the hint text in its colour";

    if (look.dark) {
        // The dark toolbar fills a hot button with its own colour, and
        // "Clear list" is the drawn dark button.
        HWND toolbar = GetDlgItem(panel, ID_TOOLBAR);
        SendMessageW(toolbar, TB_SETHOTITEM, 1, 0);
        Sleep(300);
        Capture bar = capture_window(toolbar, true);
        std::vector<ToolbarButton> buttons = toolbar_buttons(toolbar);
        ASSERT_EQ(buttons.size(), 3u);
        EXPECT_EQ(bar.at(buttons[1].rect.left + 1, buttons[1].rect.top + 1), RGB(58, 58, 58)) << "hot Options";
        EXPECT_EQ(bar.at(buttons[0].rect.left + 1, buttons[0].rect.top + 1), RGB(41, 41, 41)) << "About, not hot";
        Capture clearPicture = capture_window(GetDlgItem(panel, ID_CLEAR_LIST), true);
        EXPECT_EQ(clearPicture.at(4, 4), RGB(58, 58, 58));
    }

    // The frame cannot be pulled smaller than 624 x 442.
    SetWindowPos(window, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT frame;
    ASSERT_TRUE(GetWindowRect(window, &frame));
    EXPECT_EQ(frame.right - frame.left, 624);
    EXPECT_EQ(frame.bottom - frame.top, 442);
    {
        SCOPED_TRACE("smallest size");
        expect_layout(window);
    }
    // Minimised and back, everything is where it was.
    ShowWindow(window, SW_MINIMIZE);
    ShowWindow(window, SW_RESTORE);
    {
        SCOPED_TRACE("restored");
        ASSERT_TRUE(GetWindowRect(window, &frame));
        EXPECT_EQ(frame.right - frame.left, 624);
        expect_layout(window);
    }

    // A pasted link: its item replaces the hint, in the same look.
    SetWindowPos(window, nullptr, 0, 0, 765, 580, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(put_on_clipboard(L"example.invalid/watch?v=look"));
    SendMessageW(window, WM_PASTE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, ID_HINT_PICTURE)));
    EXPECT_EQ(child_count(download_list(window)), 1);
    Sleep(500);
    capture_window(window, false).save_png(artifact_path(look.itemPicture));
    EXPECT_EQ(close_and_wait(window), 0u);
}

INSTANTIATE_TEST_SUITE_P(LightAndDark, MainWindowLook,
                         ::testing::Values(Look{false, RGB(255, 255, 255), CLR_INVALID, RGB(68, 68, 68),
                                                L"main-window-light.png", L"main-window-item-light.png"},
                                           Look{true, RGB(25, 25, 25), RGB(41, 41, 41), RGB(204, 204, 204),
                                                L"main-window-dark.png", L"main-window-item-dark.png"}),
                         [](const ::testing::TestParamInfo<Look>& info) {
                             return std::string(info.param.dark ? "Dark" : "Light");
                         });

TEST_F(MainProgram, StaysOnTopWhenTheSettingsSaySo) {
    set_settings_passphrase();
    for (int onTop : {1, 0}) {
        SCOPED_TRACE(testing::Message() << "always_on_top " << onTop);
        Settings settings = {};
        set_default_settings(settings);
        settings.version = SETTINGS_VERSION;
        settings.always_on_top = onTop;
        settings.auto_update = 0;
        ASSERT_TRUE(save_settings(settings));
        Process tavlo;
        ASSERT_TRUE(tavlo.start(tavlo_path()));
        HWND window = wait_for_window(tavlo.info.dwProcessId, 0, START_WAIT);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(wait_for_hint(window));
        EXPECT_EQ((GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, onTop != 0);
        EXPECT_EQ(close_and_wait(window), 0u);
    }
}

TEST_F(MainProgram, ClosingAndTheEndOfTheSessionEndTheProgram) {
    const UINT kMessages[] = {WM_CLOSE, WM_QUERYENDSESSION};
    for (UINT message : kMessages) {
        SCOPED_TRACE(testing::Message() << "message " << message);
        Process tavlo;
        ASSERT_TRUE(tavlo.start(tavlo_path()));
        HWND window = wait_for_window(tavlo.info.dwProcessId, 0, START_WAIT);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(wait_for_hint(window));
        PostMessageW(window, message, 0, 0);
        EXPECT_EQ(tavlo.wait_exit(EXIT_WAIT), 0u);
        EXPECT_FALSE(IsWindow(window));
    }
}

TEST_F(MainProgram, ToolbarOffersAboutOptionsAndTheDownloadsFolderWithTheirPictures) {
    Process tavlo;
    HWND window = start_to_hint(tavlo);
    ASSERT_NE(window, nullptr);
    HWND panel = bottom_panel(window);
    ASSERT_NE(panel, nullptr);
    HWND toolbar = GetDlgItem(panel, ID_TOOLBAR);
    ASSERT_NE(toolbar, nullptr);

    struct Expected {
        int command;
        int image;
        const wchar_t* text;
    };
    // The Options picture comes first in the image list, then the folder
    // and the help icons of the shell.
    const Expected kButtons[] = {
        {ID_ABOUT, 2, L"About"},
        {ID_OPTIONS, 0, L"Options"},
        {ID_OPEN_FOLDER, 1, L"Open downloads folder"},
    };
    std::vector<ToolbarButton> buttons = toolbar_buttons(toolbar);
    ASSERT_EQ(buttons.size(), 3u);
    RECT bar;
    GetClientRect(toolbar, &bar);
    Sleep(300);  // let it paint
    Capture picture = capture_window(toolbar, true);
    int previousRight = 0;
    for (size_t i = 0; i < 3; ++i) {
        const ToolbarButton& b = buttons[i];
        SCOPED_TRACE(std::string(b.text.begin(), b.text.end()));
        EXPECT_EQ(b.command, kButtons[i].command);
        EXPECT_EQ(b.image, kButtons[i].image);
        EXPECT_EQ(b.text, kButtons[i].text);
        EXPECT_TRUE(b.enabled);
        // Side by side, each sized to its text, all inside the bar.
        EXPECT_GE(b.rect.left, previousRight);
        EXPECT_LE(b.rect.right, bar.right);
        EXPECT_LE(b.rect.bottom, bar.bottom);
        previousRight = b.rect.right;
        // Its picture shows: the square left of the text is not one colour.
        COLORREF first = picture.at(b.rect.left + 4, b.rect.top + 4);
        int differing = 0;
        for (int y = b.rect.top + 3; y < b.rect.top + 23; ++y) {
            for (int x = b.rect.left + 3; x < b.rect.left + 23; ++x) {
                differing += picture.at(x, y) != first;
            }
        }
        EXPECT_GT(differing, 20) << "no picture on the button";
    }
    EXPECT_EQ(close_and_wait(window), 0u);
}

// Every language's texts fit where the window puts them: the three toolbar
// buttons inside the bar, "Clear list" inside its button, the hint inside
// the smallest window.
TEST_F(MainProgram, EveryLanguageFitsTheToolbarTheButtonAndTheWindow) {
    HFONT font = ui_font();
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    for (unsigned language : OPTIONS_LANGUAGES) {
        SCOPED_TRACE(testing::Message() << "language " << language);
        Process tavlo;
        ASSERT_TRUE(tavlo.start(tavlo_path(), L"-lang " + std::to_wstring(language)));
        HWND window = wait_for_window(tavlo.info.dwProcessId, 0, START_WAIT);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(wait_for_hint(window));
        SetWindowPos(window, nullptr, 0, 0, 624, 442, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        HWND panel = bottom_panel(window);
        ASSERT_NE(panel, nullptr);

        HWND toolbar = GetDlgItem(panel, ID_TOOLBAR);
        RECT bar;
        GetClientRect(toolbar, &bar);
        std::vector<ToolbarButton> buttons = toolbar_buttons(toolbar);
        ASSERT_EQ(buttons.size(), 3u);
        EXPECT_LE(buttons[2].rect.right, bar.right) << "the toolbar's buttons run out of the bar";

        HWND clear = GetDlgItem(panel, ID_CLEAR_LIST);
        std::wstring caption = window_text(clear);
        SIZE size = {};
        GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
        RECT button;
        GetClientRect(clear, &button);
        EXPECT_LE(size.cx + 8, button.right) << "\"Clear list\" does not fit its button";
        // Left of "Clear list", clear of the toolbar's last button.
        RECT toolbarRect = rect_in_parent(toolbar);
        EXPECT_LE(toolbarRect.left + buttons[2].rect.right, rect_in_parent(clear).left);

        RECT client;
        GetClientRect(window, &client);
        RECT text = rect_in_parent(GetDlgItem(window, ID_HINT_TEXT));
        EXPECT_GE(text.left, 0);
        EXPECT_LE(text.right, client.right);
        EXPECT_EQ(close_and_wait(window), 0u);
    }
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
}

TEST_F(MainProgram, ClearListAndAnEmptyListKeepTheHint) {
    Process tavlo;
    HWND window = start_to_hint(tavlo);
    ASSERT_NE(window, nullptr);
    HWND panel = bottom_panel(window);
    ASSERT_NE(panel, nullptr);
    HWND clear = GetDlgItem(panel, ID_CLEAR_LIST);
    ASSERT_NE(clear, nullptr);

    SendMessageW(clear, BM_CLICK, 0, 0);
    SendMessageW(window, WM_APP_LIST_EMPTY, 0, 0);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, ID_HINT_PICTURE)));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, ID_HINT_TEXT)));
    expect_layout(window);
    EXPECT_EQ(close_and_wait(window), 0u);
}

TEST_F(MainProgram, APastedLinkTakesTheHintsPlaceAndClearListBringsItBack) {
    Process tavlo;
    HWND window = start_to_hint(tavlo);
    ASSERT_NE(window, nullptr);
    HWND list = download_list(window);
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(IsWindowVisible(list));
    EXPECT_EQ(child_count(list), 0);

    // Not a link: nothing happens.
    ASSERT_TRUE(put_on_clipboard(L"no link here"));
    SendMessageW(window, WM_PASTE, 0, 0);
    EXPECT_EQ(child_count(list), 0);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, ID_HINT_PICTURE)));

    ASSERT_TRUE(put_on_clipboard(L"  example.invalid/watch?v=1\r\n"));
    SendMessageW(window, WM_PASTE, 0, 0);
    EXPECT_EQ(child_count(list), 1);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, ID_HINT_PICTURE)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, ID_HINT_TEXT)));
    Sleep(300);
    capture_window(window, false).save_png(artifact_path(L"main-window-one-item.png"));

    // No yt-dlp lies beside this tavlo.exe: the item fails, and a failed
    // item is one that "Clear list" removes. While it still loads, it stays.
    HWND clear = GetDlgItem(bottom_panel(window), ID_CLEAR_LIST);
    bool hintBack = false;
    for (DWORD waited = 0; waited < START_WAIT && !hintBack; waited += 200) {
        SendMessageW(clear, BM_CLICK, 0, 0);
        Sleep(200);
        hintBack = IsWindowVisible(GetDlgItem(window, ID_HINT_PICTURE)) != 0;
    }
    EXPECT_TRUE(hintBack) << "the hint did not come back";
    EXPECT_EQ(child_count(list), 0);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, ID_HINT_TEXT)));
    expect_layout(window);
    EXPECT_EQ(close_and_wait(window), 0u);
}

// The modal dialog of the toolbar command: opened through the panel as the
// toolbar would, owned by the main window and centred across it, closed
// again.
void expect_toolbar_dialog(HWND window, int command, const wchar_t* caption) {
    HWND panel = bottom_panel(window);
    ASSERT_NE(panel, nullptr);
    PostMessageW(panel, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(panel, ID_TOOLBAR)));
    HWND dialog = nullptr;
    for (DWORD waited = 0; waited < START_WAIT && !dialog; waited += 50) {
        Sleep(50);
        dialog = FindWindowW(L"#32770", caption);
    }
    ASSERT_NE(dialog, nullptr) << "no dialog";
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), window);
    RECT d;
    RECT w;
    GetWindowRect(dialog, &d);
    GetWindowRect(window, &w);
    EXPECT_NEAR((d.left + d.right) / 2, (w.left + w.right) / 2, 2);
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    for (DWORD waited = 0; waited < EXIT_WAIT && IsWindow(dialog); waited += 50) {
        Sleep(50);
    }
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_TRUE(IsWindowEnabled(window)) << "the main window is usable again";
}

TEST_F(MainProgram, ToolbarOpensItsDialogsOverTheMainWindow) {
    Process tavlo;
    HWND window = start_to_hint(tavlo);
    ASSERT_NE(window, nullptr);
    struct Case {
        int command;
        const wchar_t* caption;
    };
    const Case kCases[] = {
        {ID_OPTIONS, L"Options"},
        {ID_ABOUT, L"About Tavlo"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.caption, c.caption + wcslen(c.caption)));
        expect_toolbar_dialog(window, c.command, c.caption);
    }
    EXPECT_EQ(close_and_wait(window), 0u);
}

TEST_F(MainProgram, UpdateProgressShowsInTheTextAndKeepsItCentred) {
    Process tavlo;
    HWND window = start_to_hint(tavlo);
    ASSERT_NE(window, nullptr);
    HWND text = GetDlgItem(window, ID_HINT_TEXT);

    struct Step {
        WPARAM progress;
        const wchar_t* text;
    };
    const Step kSteps[] = {
        {101, L"Downloading update..."},
        {0, L"Downloading update...0%"},
        {45, L"Downloading update...45%"},
        {100, L"Downloading update...100%"},
        {102, L"Downloading update...100%"},  // the end of the download leaves the text
        {103, L"Updating files..."},
        {104, L"Updating files..."},
    };
    std::vector<int> widths;
    for (const Step& step : kSteps) {
        SCOPED_TRACE(testing::Message() << "progress " << step.progress);
        SendMessageW(window, WM_APP_UPDATE_PROGRESS, step.progress, 0);
        EXPECT_EQ(window_text(text), step.text);
        // Centred again under the place of the spinner.
        RECT client;
        GetClientRect(window, &client);
        RECT t = rect_in_parent(text);
        EXPECT_EQ(t.left, (client.right - (t.right - t.left)) / 2);
        widths.push_back(t.right - t.left);
    }
    // Fitted to each new text: the longer text, the wider control.
    EXPECT_LT(widths[1], widths[2]);  // "...0%" and "...45%"
    EXPECT_LT(widths[0], widths[1]);
    EXPECT_LT(widths[5], widths[3]);  // "Updating files..." is shorter than "Downloading update...100%"
    EXPECT_EQ(close_and_wait(window), 0u);
}

// ---- The main window made inside the test, to see it before the start
// continues: the update check's answer waits in the queue until the test
// lets the messages through.

class GdiplusSession {
public:
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token_, &input, nullptr);
    }
    ~GdiplusSession() { Gdiplus::GdiplusShutdown(token_); }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

private:
    ULONG_PTR token_ = 0;
};

// Lets only painting and timers through, so that the spinner shows.
void pump_paint(DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += 10) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE) ||
               PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) {
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
}

// Every message, until the condition holds; false when it never does.
template <typename Condition>
bool pump_until(Condition done, DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += 10) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message != WM_QUIT) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        if (done()) {
            return true;
        }
        Sleep(10);
    }
    return false;
}

class MainWindowHere : public ::testing::Test {
protected:
    void SetUp() override {
        fix_dark_mode(false);
        fill_theme_colours();
        saved_ = g_settings;
        set_default_settings(g_settings);
        g_settings.auto_update = 1;
        g_settings.always_on_top = 0;
        instance_ = GetModuleHandleW(nullptr);
        ASSERT_TRUE(register_main_window(instance_, theme_background_brush()));
    }
    void TearDown() override {
        if (window_ && IsWindow(window_)) {
            DestroyWindow(window_);
        }
        pump_until([] { return true; }, 0);  // the quit message the window posted
        MSG msg;
        while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        UnregisterClassW(MAIN_WINDOW_CLASS, instance_);
        g_settings = saved_;
    }

    NoTavloRunning noneBefore_;
    DataFolderGuard data_;  // the list keeps its file there
    GdiplusSession gdiplus_;
    Settings saved_ = {};
    HINSTANCE instance_ = nullptr;
    HWND window_ = nullptr;
};

TEST_F(MainWindowHere, SpinnerWaitsForTheUpdateCheckThenTheHintTakesItsPlace) {
    window_ = create_main_window(instance_);
    ASSERT_NE(window_, nullptr);
    HWND spinner = GetDlgItem(window_, ID_SPINNER);
    HWND text = GetDlgItem(window_, ID_HINT_TEXT);
    HWND hint = GetDlgItem(window_, ID_HINT_PICTURE);
    ASSERT_NE(spinner, nullptr);
    ASSERT_NE(text, nullptr);
    ASSERT_NE(hint, nullptr);
    HWND panel = bottom_panel(window_);
    ASSERT_NE(panel, nullptr);

    // While the check runs: the spinner and "Please wait...", nothing else.
    EXPECT_TRUE(IsWindowVisible(spinner));
    EXPECT_EQ(SendMessageW(spinner, SPINNER_IS_RUNNING, 0, 0), 1);
    EXPECT_EQ(window_text(text), L"Please wait...");
    EXPECT_FALSE(IsWindowVisible(hint));
    EXPECT_FALSE(IsWindowVisible(panel));
    RECT client;
    GetClientRect(window_, &client);
    const int content = client.bottom - 40;
    RECT sp = rect_in_parent(spinner);
    RECT t = rect_in_parent(text);
    EXPECT_EQ(sp.right - sp.left, 84);
    EXPECT_EQ(sp.bottom - sp.top, 34);
    const int y = (content - (t.bottom - t.top) - 34 - 20) / 2;
    EXPECT_EQ(sp.left, (client.right - 84) / 2);
    EXPECT_EQ(sp.top, y);
    EXPECT_EQ(t.left, (client.right - (t.right - t.left)) / 2);
    EXPECT_EQ(t.top, y + 34 + 20);

    pump_paint(400);
    Capture picture = capture_window(window_, true);
    picture.save_png(artifact_path(L"main-window-spinner-light.png"));
    bool dot = false;
    for (int py = sp.top; py < sp.bottom && !dot; ++py) {
        for (int px = sp.left; px < sp.right && !dot; ++px) {
            dot = picture.at(px, py) == RGB(0xCD, 0xCD, 0xCD);
        }
    }
    EXPECT_TRUE(dot) << "no spinner dot in its colour";

    // The answer found nothing: the hint, the list and the panel come.
    ASSERT_TRUE(pump_until([&] { return IsWindowVisible(hint) != 0; }, START_WAIT));
    EXPECT_FALSE(IsWindowVisible(spinner));
    EXPECT_EQ(SendMessageW(spinner, SPINNER_IS_RUNNING, 0, 0), 0);
    EXPECT_EQ(window_text(text), L"Drag and drop or copy paste the links to the videos");
    EXPECT_TRUE(IsWindowVisible(panel));
    expect_layout(window_);
}

TEST_F(MainWindowHere, TitleCarriesTheVersionOfTheYtDlpBesideTheProgram) {
    g_settings.auto_update = 0;  // no update check: it would look at this yt-dlp too
    wchar_t self[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    ASSERT_TRUE(n > 0 && n < MAX_PATH);
    std::wstring folder(self, n);
    folder.resize(folder.rfind(L'\\') + 1);
    std::wstring bin = folder + L"bin";
    std::wstring ytdlp = bin + L"\\yt-dlp.exe";
    ASSERT_FALSE(path_exists(ytdlp)) << "a yt-dlp.exe already lies beside the test";
    bool madeBin = !path_exists(bin) && CreateDirectoryW(bin.c_str(), nullptr);

    struct Case {
        const wchar_t* source;  // copied to bin\yt-dlp.exe; null: none there
        bool versioned;
    };
    // This test program carries a version resource: a copy of it stands in
    // for a yt-dlp.exe with one.
    std::wstring versionedProgram(self, n);
    const Case kCases[] = {
        {nullptr, false},
        {versionedProgram.c_str(), true},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.source ? "with a versioned yt-dlp.exe" : "without yt-dlp.exe");
        if (c.source) {
            ASSERT_TRUE(CopyFileW(c.source, ytdlp.c_str(), FALSE));
        }
        window_ = create_main_window(instance_);
        ASSERT_NE(window_, nullptr);
        std::wstring expected = L"Tavlo Video Downloader 1.58";
        if (c.versioned) {
            expected += L".2025.01.15";
        }
        EXPECT_EQ(window_text(window_), expected);
        HWND hint = GetDlgItem(window_, ID_HINT_PICTURE);
        ASSERT_TRUE(pump_until([&] { return IsWindowVisible(hint) != 0; }, START_WAIT));
        EXPECT_EQ(window_text(window_), expected) << "after the start continued";
        DestroyWindow(window_);
        window_ = nullptr;
    }
    DeleteFileW(ytdlp.c_str());
    if (madeBin) {
        RemoveDirectoryW(bin.c_str());
    }
}

// The update server's reply: Base64 of the document with the two
// characters of every pair exchanged.
std::string update_reply(const char* version) {
    std::string xml = std::string("<?xml version=\"1.0\"?><tavlo><update><version>") + version +
                      "</version><url>http://127.0.0.1/tavlo_setup.exe</url><file_size>1048576</file_size>"
                      "</update></tavlo>";
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (size_t i = 0; i < xml.size(); i += 3) {
        unsigned value = static_cast<unsigned char>(xml[i]) << 16;
        value |= i + 1 < xml.size() ? static_cast<unsigned char>(xml[i + 1]) << 8 : 0;
        value |= i + 2 < xml.size() ? static_cast<unsigned char>(xml[i + 2]) : 0;
        text += alphabet[(value >> 18) & 63];
        text += alphabet[(value >> 12) & 63];
        text += i + 1 < xml.size() ? alphabet[(value >> 6) & 63] : '=';
        text += i + 2 < xml.size() ? alphabet[value & 63] : '=';
    }
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        std::swap(text[i], text[i + 1]);
    }
    return text;
}

// Answers this process's message box with the button (or closes it) once
// it shows; remembers its text.
class BoxAnswer {
public:
    explicit BoxAnswer(int button) : button_(button) {
        thread_ = std::thread([this] { run(); });
    }
    ~BoxAnswer() {
        stop_ = true;
        thread_.join();
    }
    BoxAnswer(const BoxAnswer&) = delete;
    BoxAnswer& operator=(const BoxAnswer&) = delete;

    std::atomic<bool> shown{false};
    std::wstring text;  // read after the box went

private:
    static BOOL CALLBACK find(HWND w, LPARAM lp) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        wchar_t title[64];
        GetWindowTextW(w, title, 64);
        if (pid == GetCurrentProcessId() && IsWindowVisible(w) && wcscmp(title, L"Tavlo Video Downloader") == 0) {
            *reinterpret_cast<HWND*>(lp) = w;
            return FALSE;
        }
        return TRUE;
    }
    void run() {
        HWND box = nullptr;
        while (!stop_ && !box) {
            Sleep(50);
            EnumWindows(find, reinterpret_cast<LPARAM>(&box));
        }
        if (!box) {
            return;
        }
        Sleep(300);
        EnumChildWindows(
            box,
            [](HWND child, LPARAM lp) -> BOOL {
                wchar_t name[16];
                wchar_t content[256];
                if (GetClassNameW(child, name, 16) && _wcsicmp(name, L"Static") == 0 &&
                    GetWindowTextW(child, content, 256) > 0) {
                    *reinterpret_cast<std::wstring*>(lp) = content;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&text));
        shown = true;
        HWND button = button_ ? GetDlgItem(box, button_) : nullptr;
        if (button) {
            SendMessageW(button, BM_CLICK, 0, 0);
        } else {
            PostMessageW(box, WM_CLOSE, 0, 0);
        }
    }

    int button_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST_F(MainWindowHere, ANewVersionIsOfferedAndDecliningItContinuesTheStart) {
    HttpTestServer server;
    ASSERT_TRUE(server.ok());
    set_update_server(server.url("").c_str());
    struct Case {
        const char* offered;
        int answer;  // 0: the box is closed
        bool asked;
    };
    const Case kCases[] = {
        {"1.59", IDNO, true},
        {"1.59", 0, true},
        {"1.58", IDNO, false},  // the same version offers nothing
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << "offered " << c.offered << ", answer " << c.answer);
        HttpResponse reply;
        reply.contentType = "text/plain";
        reply.body = update_reply(c.offered);
        server.respond("/checkforupdate4.php", reply);
        BoxAnswer answer(c.answer);
        window_ = create_main_window(instance_);
        ASSERT_NE(window_, nullptr);
        HWND hint = GetDlgItem(window_, ID_HINT_PICTURE);
        ASSERT_TRUE(pump_until([&] { return IsWindowVisible(hint) != 0; }, START_WAIT));
        EXPECT_EQ(answer.shown.load(), c.asked);
        if (c.asked) {
            EXPECT_EQ(answer.text, L"A new version is available. Do you want to download it now?");
        }
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(window_, ID_SPINNER)));
        EXPECT_TRUE(IsWindowVisible(bottom_panel(window_)));
        DestroyWindow(window_);
        window_ = nullptr;
    }
    // Only the checks asked: no setup program was fetched.
    for (const HttpRequest& request : server.requests()) {
        EXPECT_EQ(request.target, "/checkforupdate4.php");
    }
    set_update_server(nullptr);
}

}  // namespace
