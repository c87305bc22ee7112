// The programs as a user starts them: tavlo.exe opens its main window and
// ends with code 0 when it is closed; tavlo_setup.exe runs and ends.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

struct Process {
    PROCESS_INFORMATION info = {};
    ~Process() {
        if (info.hProcess) {
            if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(info.hProcess, 99);
            }
            CloseHandle(info.hProcess);
            CloseHandle(info.hThread);
        }
    }
    bool start(const std::wstring& path) {
        std::wstring commandLine = L"\"" + path + L"\"";
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        return CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                              &info) != 0;
    }
    DWORD wait_exit(DWORD ms) {
        if (WaitForSingleObject(info.hProcess, ms) != WAIT_OBJECT_0) {
            return STILL_ACTIVE;
        }
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(info.hProcess, &code);
        return code;
    }
};

HWND wait_for_window(const wchar_t* className, DWORD processId, DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += 50) {
        HWND window = FindWindowW(className, nullptr);
        DWORD owner = 0;
        if (window && GetWindowThreadProcessId(window, &owner) && owner == processId && IsWindowVisible(window)) {
            return window;
        }
        Sleep(50);
    }
    return nullptr;
}

std::wstring widen(const char* text) {
    return std::wstring(text, text + strlen(text));
}

TEST(MainProgram, OpensTavloMainAndExitsCleanlyWhenClosed) {
    Process tavlo;
    ASSERT_TRUE(tavlo.start(widen(TAVLO_EXE)));
    HWND window = wait_for_window(L"Tavlo_Main", tavlo.info.dwProcessId, 20000);
    ASSERT_NE(window, nullptr) << "no visible Tavlo_Main window";
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(tavlo.wait_exit(10000), 0u);
}

TEST(SetupProgram, RunsAndEnds) {
    Process setup;
    ASSERT_TRUE(setup.start(widen(TAVLO_SETUP_EXE)));
    EXPECT_EQ(setup.wait_exit(10000), 0u);
}

}  // namespace
