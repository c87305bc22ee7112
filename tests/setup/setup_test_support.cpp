#include "tests/setup/setup_test_support.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/win_test_support.h"
#include "tests/window_capture.h"

namespace {

std::wstring widen(const char* text) {
    std::string s = text;
    std::wstring w(s.begin(), s.end());
    std::replace(w.begin(), w.end(), L'/', L'\\');
    return w;
}

std::wstring folder_of(int csidl) {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

}  // namespace

const wchar_t UNINSTALL_ENTRY[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tavlo";
const wchar_t UNINSTALL_ENTRY_32[] = L"Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tavlo";
const wchar_t THEME_KEY[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
const wchar_t WINE_KEY[] = L"Software\\Wine";

RegistryKeyBackup::RegistryKeyBackup(HKEY root, const wchar_t* path) : root_(root), path_(path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root_, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return;
    }
    existed_ = true;
    for (DWORD i = 0;; ++i) {
        wchar_t name[512];
        DWORD nameLength = 512;
        DWORD type = 0;
        DWORD size = 0;
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
            break;
        }
        Value v{name, type, std::vector<BYTE>(size)};
        nameLength = 512;
        RegEnumValueW(key, i, name, &nameLength, nullptr, &type, v.data.data(), &size);
        v.data.resize(size);
        values_.push_back(v);
    }
    RegCloseKey(key);
}

RegistryKeyBackup::~RegistryKeyBackup() {
    HKEY key = nullptr;
    if (!existed_) {
        RegDeleteTreeW(root_, path_.c_str());
        RegDeleteKeyW(root_, path_.c_str());
        return;
    }
    if (RegCreateKeyExW(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return;
    }
    // Values added while the test ran go; the saved ones come back.
    for (;;) {
        wchar_t name[512];
        DWORD nameLength = 512;
        if (RegEnumValueW(key, 0, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
            RegDeleteValueW(key, name) != ERROR_SUCCESS) {
            break;
        }
    }
    for (const Value& v : values_) {
        RegSetValueExW(key, v.name.c_str(), 0, v.type, v.data.data(), static_cast<DWORD>(v.data.size()));
    }
    RegCloseKey(key);
}

void set_windows_version(const wchar_t* version) {
    RegSetKeyValueW(HKEY_CURRENT_USER, WINE_KEY, L"Version", REG_SZ, version,
                    static_cast<DWORD>((wcslen(version) + 1) * sizeof(wchar_t)));
}

void set_dark_theme(bool dark) {
    DWORD light = dark ? 0 : 1;
    RegSetKeyValueW(HKEY_CURRENT_USER, THEME_KEY, L"AppsUseLightTheme", REG_DWORD, &light, sizeof(light));
}

SetupSandbox::SetupSandbox()
    : entry_(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY),
      entry32_(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY_32),
      theme_(HKEY_CURRENT_USER, THEME_KEY),
      wine_(HKEY_CURRENT_USER, WINE_KEY),
      shortcutExisted_(exists(desktop_dir() + L"\\Tavlo.lnk")),
      dataExisted_(exists(data_dir())) {
    set_windows_version(L"win10");
    set_dark_theme(false);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY_32);
}

SetupSandbox::~SetupSandbox() {
    remove_everything();
    if (!shortcutExisted_) {
        DeleteFileW((desktop_dir() + L"\\Tavlo.lnk").c_str());
    }
    if (!dataExisted_) {
        remove_tree(data_dir());
    }
}

Child::Child(const std::wstring& commandLine) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    std::wstring line = commandLine;
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        CloseHandle(info.hThread);
        process_ = info.hProcess;
        id_ = info.dwProcessId;
    }
}

Child::~Child() {
    if (process_) {
        if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_, 1);
            WaitForSingleObject(process_, 5000);
        }
        CloseHandle(process_);
    }
}

DWORD Child::wait(DWORD ms) {
    if (!process_ || WaitForSingleObject(process_, ms) != WAIT_OBJECT_0) {
        return STILL_ACTIVE;
    }
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_, &code);
    return code;
}

std::wstring setup_exe() {
    return widen(TAVLO_SETUP_EXE);
}

std::wstring quoted(const std::wstring& path) {
    return L"\"" + path + L"\"";
}

std::wstring install_dir() {
    return temp_dir() + L"\\Tavlo test install";
}

void register_install_location(const wchar_t* entry, const std::wstring& folder) {
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, entry, L"InstallLocation", REG_SZ, folder.c_str(),
                    static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
}

std::wstring install_file(const wchar_t* name) {
    return install_dir() + L"\\" + name;
}

std::wstring desktop_dir() {
    return folder_of(CSIDL_DESKTOP);
}

std::wstring data_dir() {
    return folder_of(CSIDL_LOCAL_APPDATA) + L"\\tavlo";
}

std::wstring temp_dir() {
    wchar_t path[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, path);
    std::wstring t = path;
    if (!t.empty() && t.back() == L'\\') {
        t.pop_back();
    }
    return t;
}

bool wait_until(const std::function<bool()>& condition, DWORD ms) {
    for (DWORD waited = 0;; waited += 100) {
        if (condition()) {
            return true;
        }
        if (waited >= ms) {
            return false;
        }
        Sleep(100);
    }
}

bool exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

long long file_size(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return -1;
    }
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::vector<std::wstring> folder_listing(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name != L"." && name != L"..") {
                names.push_back(name);
            }
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool uninstall_entry_exists() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

std::wstring uninstall_value(const wchar_t* name) {
    wchar_t value[1024] = {};
    DWORD size = sizeof(value) - sizeof(wchar_t);
    DWORD type = 0;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY, name, RRF_RT_REG_SZ, &type, value, &size) != ERROR_SUCCESS) {
        return L"<missing>";
    }
    return value;
}

std::vector<std::wstring> uninstall_subkeys() {
    std::vector<std::wstring> names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", 0, KEY_READ,
                      &key) != ERROR_SUCCESS) {
        return names;
    }
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        names.push_back(name);
    }
    RegCloseKey(key);
    std::sort(names.begin(), names.end());
    return names;
}

std::wstring shortcut_target(const std::wstring& link) {
    IShellLinkW* shellLink = nullptr;
    std::wstring target;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&shellLink)))) {
        return target;
    }
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        wchar_t path[MAX_PATH] = {};
        if (SUCCEEDED(file->Load(link.c_str(), STGM_READ)) &&
            SUCCEEDED(shellLink->GetPath(path, MAX_PATH, nullptr, 0))) {
            target = path;
        }
        file->Release();
    }
    shellLink->Release();
    return target;
}

bool make_shortcut(const std::wstring& link, const std::wstring& target) {
    IShellLinkW* shellLink = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&shellLink)))) {
        return false;
    }
    bool saved = false;
    shellLink->SetPath(target.c_str());
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        saved = SUCCEEDED(file->Save(link.c_str(), TRUE));
        file->Release();
    }
    shellLink->Release();
    return saved;
}

int end_processes_named(const wchar_t* exeName) {
    int ended = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return 0;
    }
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (_wcsicmp(entry.szExeFile, exeName) != 0) {
            continue;
        }
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID);
        if (process) {
            if (TerminateProcess(process, 1)) {
                WaitForSingleObject(process, 5000);
                ++ended;
            }
            CloseHandle(process);
        }
    }
    CloseHandle(snapshot);
    return ended;
}

bool process_running(const wchar_t* exeName) {
    bool found = false;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return false;
    }
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry)) {
        found = _wcsicmp(entry.szExeFile, exeName) == 0;
    }
    CloseHandle(snapshot);
    return found;
}

HWND find_window_of(DWORD processId, const wchar_t* caption) {
    struct Search {
        DWORD pid;
        const wchar_t* caption;
        HWND found;
    } search = {processId, caption, nullptr};
    EnumWindows(
        [](HWND w, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            wchar_t title[256] = {};
            GetWindowTextW(w, title, 256);
            if (pid == s->pid && IsWindowVisible(w) && (!s->caption || wcscmp(title, s->caption) == 0)) {
                s->found = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND wait_for_window(DWORD processId, const wchar_t* caption, DWORD ms) {
    HWND found = nullptr;
    wait_until([&] { return (found = find_window_of(processId, caption)) != nullptr; }, ms);
    return found;
}

std::wstring window_text(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

DWORD install_silently() {
    register_install_location(UNINSTALL_ENTRY, install_dir());
    Child setup(quoted(setup_exe()) + L" /s");
    EXPECT_TRUE(setup.started());
    DWORD code = setup.wait(180000);
    // The setup starts the installed program with -start: it prepares the
    // settings, then hands itself over to a new instance through the shell,
    // which the tests do not need.
    wait_until([] { return exists(data_dir() + L"\\conf"); }, 30000);
    Sleep(1000);
    end_processes_named(L"tavlo.exe");
    return code;
}

void remove_everything() {
    end_processes_named(L"tavlo.exe");
    remove_tree(install_dir());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY);
}

void save_picture(HWND window, const wchar_t* name) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(300);
    // The client area: without a window manager nobody draws the frames.
    Capture picture = capture_window(window, true);
    EXPECT_TRUE(picture.save_png(artifact_path(name))) << "picture " << std::string(name, name + wcslen(name));
}
