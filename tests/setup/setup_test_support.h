// Helpers of the setup tests: they run the real tavlo_setup.exe in a Wine
// prefix of their own and look at what it leaves in Program Files, the
// registry and on the desktop.
#pragma once

#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// A started process that is ended with the owner unless it has exited.
class Child {
public:
    explicit Child(const std::wstring& commandLine);
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool started() const { return process_ != nullptr; }
    DWORD id() const { return id_; }
    HANDLE handle() const { return process_; }
    // The exit code, or STILL_ACTIVE when it has not ended within ms.
    DWORD wait(DWORD ms);

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// The values of one registry key (no subkeys), put back as they were, or
// the key deleted when it did not exist, when the owner goes.
class RegistryKeyBackup {
public:
    RegistryKeyBackup(HKEY root, const wchar_t* path);
    ~RegistryKeyBackup();
    RegistryKeyBackup(const RegistryKeyBackup&) = delete;
    RegistryKeyBackup& operator=(const RegistryKeyBackup&) = delete;

private:
    struct Value {
        std::wstring name;
        DWORD type;
        std::vector<BYTE> data;
    };
    HKEY root_;
    std::wstring path_;
    bool existed_ = false;
    std::vector<Value> values_;
};

extern const wchar_t UNINSTALL_ENTRY[];     // HKLM ...\Uninstall\Tavlo
extern const wchar_t UNINSTALL_ENTRY_32[];  // the same in the 32-bit view

// Everything a setup test changes outside its folders, put back at the end:
// both uninstall entries, the app theme, the Windows version Wine reports
// (Windows 10 while the test runs: a new Wine prefix says Windows 7, which
// the setup refuses), the desktop shortcut and the data folder.
class SetupSandbox {
public:
    SetupSandbox();
    ~SetupSandbox();
    SetupSandbox(const SetupSandbox&) = delete;
    SetupSandbox& operator=(const SetupSandbox&) = delete;

private:
    RegistryKeyBackup entry_;
    RegistryKeyBackup entry32_;
    RegistryKeyBackup theme_;
    RegistryKeyBackup wine_;
    bool shortcutExisted_;
    bool dataExisted_;
};

void set_windows_version(const wchar_t* version);  // "win10", "win7"
void set_dark_theme(bool dark);

std::wstring setup_exe();
std::wstring quoted(const std::wstring& path);
// A folder under the temporary folder, with a space in its name: where the
// tests install. The setup's silent mode installs where the uninstall entry
// says, so the tests register this folder first.
std::wstring install_dir();
void register_install_location(const wchar_t* entry, const std::wstring& folder);
std::wstring install_file(const wchar_t* name);
std::wstring desktop_dir();
std::wstring data_dir();  // the main program's per-user data folder
std::wstring temp_dir();

// Polls condition until it holds or ms have passed; true when it held.
bool wait_until(const std::function<bool()>& condition, DWORD ms);

bool exists(const std::wstring& path);
long long file_size(const std::wstring& path);
std::vector<std::wstring> folder_listing(const std::wstring& folder);  // names, sorted

// "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavlo" of HKLM.
bool uninstall_entry_exists();
std::wstring uninstall_value(const wchar_t* name);
std::vector<std::wstring> uninstall_subkeys();

// The target of a shell link, empty when it can't be read.
std::wstring shortcut_target(const std::wstring& link);
bool make_shortcut(const std::wstring& link, const std::wstring& target);

// Ends every process of this prefix running an executable of that name
// (the installed tavlo.exe the setup starts); returns how many.
int end_processes_named(const wchar_t* exeName);
bool process_running(const wchar_t* exeName);

// The visible top-level window of a process with this caption (any caption
// when null).
HWND find_window_of(DWORD processId, const wchar_t* caption);
HWND wait_for_window(DWORD processId, const wchar_t* caption, DWORD ms);
std::wstring window_text(HWND window);

// Registers install_dir(), runs "tavlo_setup.exe /s" to its end and ends
// the program it started.
DWORD install_silently();
// Ends the installed program and removes the install folder and its entry.
void remove_everything();
// Pictures a window (after letting it paint) into the artefacts folder.
void save_picture(HWND window, const wchar_t* name);
