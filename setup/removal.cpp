#include "setup/removal.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <tlhelp32.h>

#include "base/data_folder.h"
#include "base/delete_tree.h"
#include "base/text.h"
#include "base/win_handles.h"
#include "setup/install.h"
#include "setup/setup_rules.h"
#include "setup/setup_state.h"
#include "setup/update_task.h"

namespace {

constexpr size_t MAX_COLLECTED = 16384;  // 64 KiB of process ids

const wchar_t* const kProgramsToEnd[] = {
    L"bin\\yt-dlp.exe", L"bin\\ffmpeg.exe", L"bin\\ffprobe.exe", L"bin\\deno.exe", L"bin\\dwebp.exe",
    L"browser\\LibreWolf\\librewolf.exe",
};

// The last five belong to earlier versions of the product.
const wchar_t* const kFilesToDelete[] = {
    L"tavlo.exe",          L"cpprest120_xp_2_5.dll", L"uninst.exe",      L"bin\\ffplay.exe",
    L"bin\\rtmpdump.exe",  L"bin\\youtube-dl.exe",   L"bin\\yt-dlp.exe", L"bin\\ffmpeg.exe",
    L"bin\\ffprobe.exe",   L"bin\\dwebp.exe",        L"bin\\deno.exe",
};

// Paths may hold any letters, not only ASCII ones.
bool same_path(const wchar_t* a, const wchar_t* b) {
    return CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

const wchar_t* file_name_part(const wchar_t* path) {
    const wchar_t* name = path;
    for (const wchar_t* c = path; *c; ++c) {
        if (*c == L'\\') {
            name = c + 1;
        }
    }
    return name;
}

void delete_file_now(const wchar_t* path) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return;
    }
    DeleteFileW(path);
}

// SeDebugPrivilege lets us end the processes of other users and of
// elevated programs. Returns whether the thread now impersonates itself.
bool enable_debug_privilege() {
    bool impersonating = false;
    HANDLE raw = nullptr;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, FALSE, &raw)) {
        if (GetLastError() != ERROR_NO_TOKEN || !ImpersonateSelf(SecurityImpersonation)) {
            return false;
        }
        impersonating = true;
        if (!OpenThreadToken(GetCurrentThread(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, FALSE, &raw)) {
            return impersonating;
        }
    }
    UniqueHandle token(raw);
    LUID luid;
    if (!LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &luid)) {
        return impersonating;
    }
    TOKEN_PRIVILEGES wanted = {};
    wanted.PrivilegeCount = 1;
    wanted.Privileges[0].Luid = luid;
    TOKEN_PRIVILEGES previous = {};
    DWORD size = sizeof(previous);
    if (!AdjustTokenPrivileges(token.get(), FALSE, &wanted, sizeof(wanted), &previous, &size)) {
        return impersonating;
    }
    previous.PrivilegeCount = 1;
    previous.Privileges[0].Luid = luid;
    previous.Privileges[0].Attributes |= SE_PRIVILEGE_ENABLED;
    AdjustTokenPrivileges(token.get(), FALSE, &previous, size, nullptr, nullptr);
    return impersonating;
}

// An NT object path or a system-root alias from the older module-name call,
// made into an ordinary path with an upper-case drive letter.
void normalise_image_path(wchar_t* path, size_t capacity) {
    wchar_t result[MAX_PATH];
    if (text_starts_with(path, L"\\??\\")) {
        text_copy(result, path + 4);
    } else if (text_starts_with_nocase(path, L"\\SystemRoot\\")) {
        wchar_t root[MAX_PATH];
        DWORD n = GetEnvironmentVariableW(L"SystemRoot", root, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) {
            return;
        }
        text_format(result, L"%ls\\%ls", root, path + 12);
    } else {
        text_copy(result, path);
    }
    if (result[0] >= L'a' && result[0] <= L'z' && result[1] == L':') {
        result[0] = static_cast<wchar_t>(result[0] - L'a' + L'A');
    }
    text_copy(path, capacity, result);
}

}  // namespace

bool process_image_path(DWORD processId, wchar_t* out, size_t capacity) {
    using QueryImageName = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD);
    using ModuleFileName = DWORD(WINAPI*)(HANDLE, HMODULE, LPWSTR, DWORD);
    static QueryImageName query = [] {
        HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        return kernel ? reinterpret_cast<QueryImageName>(
                            reinterpret_cast<void*>(GetProcAddress(kernel, "QueryFullProcessImageNameW")))
                      : nullptr;
    }();
    if (capacity == 0) {
        return false;
    }
    out[0] = 0;
    if (query) {
        UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
        DWORD size = static_cast<DWORD>(capacity);
        return process && query(process.get(), 0, out, &size) && out[0];
    }
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto moduleName = kernel ? reinterpret_cast<ModuleFileName>(
                                   reinterpret_cast<void*>(GetProcAddress(kernel, "K32GetModuleFileNameExW")))
                             : nullptr;
    UniqueModule psapi;
    if (!moduleName) {
        psapi.reset(LoadLibraryW(L"psapi.dll"));
        moduleName = psapi ? reinterpret_cast<ModuleFileName>(
                                 reinterpret_cast<void*>(GetProcAddress(psapi.get(), "GetModuleFileNameExW")))
                           : nullptr;
    }
    UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    if (!moduleName || !process) {
        return false;
    }
    DWORD n = moduleName(process.get(), nullptr, out, static_cast<DWORD>(capacity));
    if (n == 0 || n >= capacity) {
        out[0] = 0;
        return false;
    }
    normalise_image_path(out, capacity);
    return true;
}

bool terminate_image(const wchar_t* path) {
    if (!path || !path[0]) {
        return false;
    }
    bool impersonating = enable_debug_privilege();
    const wchar_t* name = file_name_part(path);
    auto* ids = static_cast<DWORD*>(HeapAlloc(GetProcessHeap(), 0, MAX_COLLECTED * sizeof(DWORD)));
    UniqueHeapBlock idsOwner(ids);
    size_t count = 0;
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (ids && snapshot) {
        PROCESSENTRY32W entry = {};
        entry.dwSize = sizeof(entry);
        for (BOOL more = Process32FirstW(snapshot.get(), &entry); more && count < MAX_COLLECTED;
             more = Process32NextW(snapshot.get(), &entry)) {
            wchar_t image[MAX_PATH];
            if (same_path(entry.szExeFile, name) && process_image_path(entry.th32ProcessID, image, MAX_PATH) &&
                same_path(image, path)) {
                ids[count++] = entry.th32ProcessID;
            }
        }
    }
    bool ended = false;
    for (size_t i = 0; i < count; ++i) {
        if (ids[i] == GetCurrentProcessId()) {
            continue;
        }
        UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, ids[i]));
        if (process && TerminateProcess(process.get(), 1)) {
            WaitForSingleObject(process.get(), 5000);
            ended = true;
        }
    }
    if (impersonating) {
        RevertToSelf();
    }
    return ended;
}

void delete_desktop_shortcut_to(const wchar_t* target) {
    wchar_t desktop[MAX_PATH];
    wchar_t pattern[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_DESKTOP, nullptr, SHGFP_TYPE_CURRENT, desktop)) ||
        !join_path(pattern, MAX_PATH, desktop, L"*.lnk")) {
        return;
    }
    IShellLinkW* shellLink = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&shellLink)))) {
        return;
    }
    IPersistFile* file = nullptr;
    if (FAILED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        shellLink->Release();
        return;
    }
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            wchar_t link[MAX_PATH];
            wchar_t linked[MAX_PATH] = {};
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
                !join_path(link, MAX_PATH, desktop, found.cFileName) || FAILED(file->Load(link, STGM_READ)) ||
                FAILED(shellLink->GetPath(linked, MAX_PATH, nullptr, 0))) {
                continue;
            }
            if (same_path(linked, target)) {
                delete_file_now(link);
                break;
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    file->Release();
    shellLink->Release();
}

bool remove_installation(const wchar_t* keyPath) {
    wchar_t folder[MAX_PATH];
    if (!read_install_location(keyPath ? keyPath : UNINSTALL_KEY, folder, MAX_PATH)) {
        return false;
    }
    text_copy(g_setup.removalDir, folder);
    wchar_t path[MAX_PATH];
    if (join_path(path, MAX_PATH, folder, L"tavlo.exe")) {
        delete_desktop_shortcut_to(path);
        terminate_image(path);
    }
    for (const wchar_t* program : kProgramsToEnd) {
        if (join_path(path, MAX_PATH, folder, program)) {
            terminate_image(path);
        }
    }
    for (const wchar_t* name : kFilesToDelete) {
        if (!join_path(path, MAX_PATH, folder, name) || !DeleteFileW(path)) {
            continue;
        }
        if (text_find(name, L"\\")) {
            wchar_t* slash = path + text_length(path);
            while (slash > path && *slash != L'\\') {
                --slash;
            }
            *slash = 0;
            RemoveDirectoryW(path);
        }
    }
    if (join_path(path, MAX_PATH, folder, L"browser")) {
        delete_tree(path);
    }
    if (g_setup.removeSettings && data_folder(path)) {
        delete_tree(path);
    }
    delete_update_task();
    HKEY uninstall = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath ? keyPath : UNINSTALL_KEY, 0, KEY_SET_VALUE, &uninstall) ==
        ERROR_SUCCESS) {
        RegDeleteKeyW(uninstall, L"Tavlo");
        RegCloseKey(uninstall);
    }
    if (join_path(path, MAX_PATH, folder, L"bin")) {
        RemoveDirectoryW(path);
    }
    RemoveDirectoryW(folder);
    return true;
}
