#include "setup/uninstall_flow.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include "base/text.h"
#include "setup/confirm_uninstall.h"
#include "setup/install.h"
#include "setup/removal.h"
#include "setup/setup_message.h"
#include "setup/setup_rules.h"
#include "setup/setup_state.h"
#include "ui/translation.h"

void uninstall_from_command_line() {
    if (!g_setup.uninstallMode) {
        return;
    }
    if (g_setup.silent) {
        remove_installation(UNINSTALL_KEY);
        return;
    }
    if (confirm_uninstall(nullptr) != 1) {
        g_setup.uninstallMode = false;
        return;
    }
    remove_installation(UNINSTALL_KEY);
    wchar_t text[260];
    product_text(L"%PROGNAME% has been uninstalled successfully.", text);
    setup_message(nullptr, text, translate(L"Uninstall completed"), MB_OK);
}

DWORD WINAPI uninstall_thread(void*) {
    unsigned long long start = tick_ms();
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    remove_installation(UNINSTALL_KEY);
    remove_installation(UNINSTALL_KEY_32);
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    unsigned long long passed = tick_ms() - start;
    if (passed < 1000) {
        Sleep(static_cast<DWORD>(1000 - passed));
    }
    send_to_wizard(PAGE_UNINSTALLED);
    return 0;
}

bool delete_self_later() {
    wchar_t self[MAX_PATH];
    wchar_t shortSelf[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        return false;
    }
    n = GetShortPathNameW(self, shortSelf, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        return false;
    }
    wchar_t processor[MAX_PATH];
    n = GetEnvironmentVariableW(L"COMSPEC", processor, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        return false;
    }
    wchar_t shortFolder[MAX_PATH] = {};
    if (g_setup.removalDir[0]) {
        n = GetShortPathNameW(g_setup.removalDir, shortFolder, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) {
            shortFolder[0] = 0;
        }
    }
    wchar_t parameters[520];
    if (!self_delete_parameters(parameters, 520, shortSelf, shortFolder)) {
        return false;
    }
    // The setup must be gone before the command processor gets to run.
    SetPriorityClass(GetCurrentProcess(), REALTIME_PRIORITY_CLASS);
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = L"Open";
    info.lpFile = processor;
    info.lpParameters = parameters;
    // Started from inside the install folder, the command processor would
    // hold it as its current folder and could not remove it.
    wchar_t temp[MAX_PATH];
    DWORD tempLength = GetTempPathW(MAX_PATH, temp);
    info.lpDirectory = tempLength && tempLength < MAX_PATH ? temp : nullptr;
    info.nShow = SW_HIDE;
    if (ShellExecuteExW(&info) && info.hProcess) {
        SetPriorityClass(info.hProcess, IDLE_PRIORITY_CLASS);
        SetProcessPriorityBoost(info.hProcess, TRUE);
        CloseHandle(info.hProcess);
        SHChangeNotify(SHCNE_DELETE, SHCNF_PATH, self, nullptr);
        return true;
    }
    SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
    return false;
}
