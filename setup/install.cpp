#include "setup/install.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "base/text.h"
#include "base/win_handles.h"
#include "setup/removal.h"
#include "setup/setup_message.h"
#include "setup/setup_rules.h"
#include "setup/setup_state.h"
#include "setup/update_task.h"
#include "ui/translation.h"

namespace {

constexpr unsigned long long MINIMUM_PROGRESS_MS = 1000;

void sleep_for_the_rest(unsigned long long start) {
    unsigned long long passed = tick_ms() - start;
    if (passed < MINIMUM_PROGRESS_MS) {
        Sleep(static_cast<DWORD>(MINIMUM_PROGRESS_MS - passed));
    }
}

// One attempt at unpacking: 0 on success, else the system error code of a
// failed write or start, or the archiver's exit code.
DWORD unpack_payload() {
    wchar_t payload[MAX_PATH];
    wchar_t archiver[MAX_PATH];
    if (!work_file(L"install.7z", payload) || !work_file(L"7za.exe", archiver)) {
        return ERROR_FILENAME_EXCED_RANGE;
    }
    if (!extract_payload_resource(RESOURCE_PAYLOAD, payload) || !extract_payload_resource(RESOURCE_ARCHIVER, archiver)) {
        DWORD error = GetLastError();
        return error ? error : ERROR_WRITE_FAULT;
    }
    wchar_t command[2 * MAX_PATH + 40];
    if (!archiver_command_line(command, sizeof(command) / sizeof(command[0]), archiver, g_setup.installDir)) {
        return ERROR_FILENAME_EXCED_RANGE;
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    // The archiver finds "install.7z" in the current folder, the work folder.
    if (!CreateProcessW(archiver, command, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &process)) {
        DWORD error = GetLastError();
        return error ? error : ERROR_GEN_FAILURE;
    }
    UniqueHandle thread(process.hThread);
    UniqueHandle child(process.hProcess);
    WaitForSingleObject(child.get(), INFINITE);
    DWORD exitCode = 1;
    if (!GetExitCodeProcess(child.get(), &exitCode)) {
        exitCode = GetLastError();
    }
    return exitCode;
}

void create_desktop_shortcut() {
    wchar_t desktop[MAX_PATH];
    wchar_t link[MAX_PATH];
    wchar_t target[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_DESKTOP, nullptr, SHGFP_TYPE_CURRENT, desktop)) ||
        !join_path(link, MAX_PATH, desktop, L"Tavlo.lnk") ||
        !join_path(target, MAX_PATH, g_setup.installDir, L"tavlo.exe")) {
        return;
    }
    ComPtr<IShellLinkW> shellLink;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(shellLink.put())))) {
        return;
    }
    shellLink->SetPath(target);
    shellLink->SetArguments(L"");
    ComPtr<IPersistFile> file;
    if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put())))) {
        file->Save(link, TRUE);
    }
}

void copy_uninstaller() {
    wchar_t self[MAX_PATH];
    wchar_t target[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (n == 0 || n >= MAX_PATH || !join_path(target, MAX_PATH, g_setup.installDir, L"uninst.exe")) {
        return;
    }
    CopyFileW(self, target, FALSE);
}

void start_installed_program() {
    wchar_t program[MAX_PATH];
    wchar_t parameters[40];
    if (!join_path(program, MAX_PATH, g_setup.installDir, L"tavlo.exe")) {
        return;
    }
    text_format(parameters, L"-start -lang %u", static_cast<unsigned>(g_setup.uiLanguage));
    // Its own folder as its current folder: inheriting the work folder
    // would keep that folder from being deleted when the setup ends.
    ShellExecuteW(nullptr, L"open", program, parameters, g_setup.installDir, SW_SHOWNORMAL);
}

bool set_text_value(HKEY key, const wchar_t* name, const wchar_t* value) {
    DWORD bytes = static_cast<DWORD>((text_length(value) + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes) == ERROR_SUCCESS;
}

// The number goes in by replacement rather than as a format: a translated
// text is never used as a format string.
void retry_text(DWORD errorCode, wchar_t (&out)[1024]) {
    wchar_t number[16];
    text_format(number, L"%lu", static_cast<unsigned long>(errorCode));
    const wchar_t* first = translate(L"Unable to install Tavlo (error code %d).");
    const wchar_t* mark = text_find(first, L"%d");
    out[0] = 0;
    if (mark) {
        text_append_n(out, 1024, first, static_cast<size_t>(mark - first));
        text_append(out, number);
        text_append(out, mark + 2);
    } else {
        text_append(out, first);
    }
    text_append(out, L"\r\n");
    text_append(out, translate(
        L"Some files may be in use by another program, or the disk may be full. Close other programs, then click Retry."));
}

}  // namespace

unsigned long long tick_ms() {
    using TickCount64 = ULONGLONG(WINAPI*)();
    static TickCount64 tick64 = [] {
        HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        return kernel ? reinterpret_cast<TickCount64>(reinterpret_cast<void*>(GetProcAddress(kernel, "GetTickCount64")))
                      : nullptr;
    }();
    return tick64 ? tick64() : GetTickCount();
}

bool extract_payload_resource(int id, const wchar_t* path) {
    HRSRC found = FindResourceW(g_setup.instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(LANGUAGE_RESOURCE_TYPE));
    HGLOBAL loaded = found ? LoadResource(g_setup.instance, found) : nullptr;
    const BYTE* bytes = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    DWORD size = found ? SizeofResource(g_setup.instance, found) : 0;
    if (!bytes || size == 0) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return false;
    }
    UniqueHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    DWORD done = 0;
    while (done < size) {
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes + done, size - done, &written, nullptr)) {
            return false;
        }
        if (written == 0) {
            SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        done += written;
    }
    return true;
}

bool read_install_location(const wchar_t* keyPath, wchar_t* out, size_t capacity) {
    wchar_t path[300];
    if (capacity) {
        out[0] = 0;
    }
    if (!join_path(path, 300, keyPath, L"Tavlo")) {
        return false;
    }
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return false;
    }
    wchar_t value[261] = {};
    DWORD type = 0;
    DWORD bytes = 520;
    LSTATUS status = RegQueryValueExW(key, L"InstallLocation", nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return false;
    }
    value[259] = 0;
    // An empty location would turn every path of the removal into one
    // relative to the current folder.
    if (!value[0]) {
        return false;
    }
    text_copy(out, capacity, value);
    return true;
}

bool write_uninstall_entry() {
    HKEY uninstall = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, 0, KEY_CREATE_SUB_KEY | KEY_SET_VALUE, &uninstall) !=
        ERROR_SUCCESS) {
        return false;
    }
    HKEY entry = nullptr;
    LSTATUS status = RegCreateKeyExW(uninstall, L"Tavlo", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &entry, nullptr);
    RegCloseKey(uninstall);
    if (status != ERROR_SUCCESS) {
        return true;  // the key opened; the values simply could not be written
    }
    wchar_t displayName[64];
    text_format(displayName, L"Tavlo %ls", PRODUCT_VERSION);
    wchar_t command[600];
    set_text_value(entry, L"DisplayName", displayName);
    set_text_value(entry, L"DisplayVersion", PRODUCT_VERSION);
    set_text_value(entry, L"Publisher", PUBLISHER);
    set_text_value(entry, L"URLInfoAbout", PUBLISHER_URL);
    set_text_value(entry, L"URLUpdateInfo", PUBLISHER_URL);
    set_text_value(entry, L"InstallLocation", g_setup.installDir);
    if (uninstall_command(command, 600, g_setup.installDir)) {
        set_text_value(entry, L"UninstallString", command);
    }
    RegCloseKey(entry);
    return true;
}

bool is_valid_install_dir(const wchar_t* path) {
    if (!path || !path[0] || text_length(path) < 3) {
        return false;
    }
    wchar_t root[4];
    text_copy_n(root, path, 3);
    if (root[1] != L':' || root[2] != L'\\' || GetDriveTypeW(root) != DRIVE_FIXED) {
        return false;
    }
    return install_dir_text_valid(path);
}

bool ask_retry_install(DWORD errorCode) {
    wchar_t text[1024];
    retry_text(errorCode, text);
    int answer = setup_message(nullptr, text, translate(L"Install"),
                               MB_RETRYCANCEL | MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST);
    return answer == IDRETRY;
}

void run_install() {
    unsigned long long start = tick_ms();
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (g_setup.installed) {
        remove_installation(UNINSTALL_KEY);
        remove_installation(UNINSTALL_KEY_32);
    }
    // The archiver finds the payload in the current folder; the setup's own
    // current folder goes back afterwards, so that nothing holds the work
    // folder when the setup deletes it.
    wchar_t previous[MAX_PATH];
    DWORD previousLength = GetCurrentDirectoryW(MAX_PATH, previous);
    wchar_t folder[MAX_PATH];
    if (work_folder(folder)) {
        SetCurrentDirectoryW(folder);
    }
    DWORD error = 0;
    while ((error = unpack_payload()) != 0 && ask_retry_install(error)) {
    }
    if (previousLength && previousLength < MAX_PATH) {
        SetCurrentDirectoryW(previous);
    }
    if (error != 0) {
        if (SUCCEEDED(com)) {
            CoUninitialize();
        }
        post_to_wizard(0);
        return;
    }
    if (g_setup.desktopShortcut) {
        create_desktop_shortcut();
    }
    copy_uninstaller();
    write_uninstall_entry();
    wchar_t updater[MAX_PATH];
    if (join_path(updater, MAX_PATH, g_setup.installDir, L"bin\\yt-dlp.exe")) {
        register_update_task(updater);
    }
    sleep_for_the_rest(start);
    start_installed_program();
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    send_to_wizard(0);
}
