// The real tavlo_setup.exe as an administrator meets it, in a Wine prefix of
// the test's own: the silent install (into a temporary folder that the
// uninstall entry names), an update over a running installation, a failing
// extraction with Retry and Cancel, the silent uninstall, the uninstall that
// also removes the settings, and the refusal on an old Windows.
#include <windows.h>

#include <objbase.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "tests/setup/setup_test_support.h"
#include "tests/win_test_support.h"

namespace {

class SetupInstall : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        sandbox_ = std::make_unique<SetupSandbox>();
        remove_everything();
    }
    void TearDown() override {
        sandbox_.reset();
        CoUninitialize();
    }

private:
    std::unique_ptr<SetupSandbox> sandbox_;
};

std::string narrow(const std::wstring& w) {
    return std::string(w.begin(), w.end());
}

TEST_F(SetupInstall, SilentInstallLaysOutTheProgramAndRegistersIt) {
    ASSERT_EQ(install_silently(), 0u);

    struct Expected {
        const wchar_t* file;
    };
    const Expected kFiles[] = {{L"tavlo.exe"}, {L"uninst.exe"}, {L"bin\\ffmpeg.exe"}, {L"bin\\ffprobe.exe"}};
    for (const Expected& e : kFiles) {
        EXPECT_GT(file_size(install_file(e.file)), 100000) << narrow(e.file);
    }
    // The uninstaller is the setup program itself.
    EXPECT_EQ(file_size(install_file(L"uninst.exe")), file_size(setup_exe()));

    struct Value {
        const wchar_t* name;
        std::wstring value;
    };
    const Value kValues[] = {
        {L"DisplayName", L"Tavlo 1.58"},
        {L"DisplayVersion", L"1.58"},
        {L"Publisher", L"The Tavlo authors"},
        {L"URLInfoAbout", L"https://tavlo.app/"},
        {L"URLUpdateInfo", L"https://tavlo.app/"},
        {L"InstallLocation", install_dir()},
        // The folder's name has a space: the path is quoted.
        {L"UninstallString", L"\"" + install_dir() + L"\\uninst.exe\" /u"},
    };
    for (const Value& v : kValues) {
        EXPECT_EQ(narrow(uninstall_value(v.name)), narrow(v.value)) << narrow(v.name);
    }

    std::wstring shortcut = desktop_dir() + L"\\Tavlo.lnk";
    EXPECT_TRUE(exists(shortcut));
    EXPECT_EQ(_wcsicmp(shortcut_target(shortcut).c_str(), install_file(L"tavlo.exe").c_str()), 0)
        << narrow(shortcut_target(shortcut));

    // The work folder goes with the setup.
    EXPECT_FALSE(exists(temp_dir() + L"\\tavlo_setup"));
    // The installed program was started with -start: it prepared the user's
    // settings in the data folder.
    EXPECT_TRUE(exists(data_dir() + L"\\conf"));
    // The payload's layout and the uninstaller, nothing else.
    std::vector<std::wstring> top = {L"bin", L"tavlo.exe", L"uninst.exe"};
    EXPECT_EQ(folder_listing(install_dir()), top);
}

// An update first ends the running program, deletes the listed files (those
// of earlier versions too) and unpacks again; the user's own files and data
// stay.
TEST_F(SetupInstall, UpdateOverARunningInstallationReplacesTheListedFiles) {
    ASSERT_EQ(install_silently(), 0u);
    long long ffprobeSize = file_size(install_file(L"bin\\ffprobe.exe"));
    ASSERT_TRUE(write_whole_file(install_file(L"bin\\ffprobe.exe"), "an older ffprobe"));
    ASSERT_TRUE(write_whole_file(install_file(L"bin\\youtube-dl.exe"), "an earlier version's tool"));
    ASSERT_TRUE(write_whole_file(install_file(L"cpprest120_xp_2_5.dll"), "an earlier version's library"));
    ASSERT_TRUE(write_whole_file(install_file(L"notes.txt"), "the user's own file"));
    ASSERT_TRUE(CreateDirectoryW((install_file(L"browser")).c_str(), nullptr));
    ASSERT_TRUE(write_whole_file(install_file(L"browser\\old.dll"), "an old browser file"));
    ASSERT_TRUE(write_whole_file(data_dir() + L"\\list", "the user's download list"));

    Child running(quoted(install_file(L"tavlo.exe")));
    ASSERT_TRUE(running.started());
    EXPECT_TRUE(wait_until([&] { return find_window_of(running.id(), nullptr) != nullptr; }, 30000))
        << "the installed program shows its window";

    ASSERT_EQ(install_silently(), 0u);
    DWORD code = running.wait(0);
    EXPECT_EQ(code, 1u) << "the running program was ended by the setup";
    EXPECT_EQ(file_size(install_file(L"bin\\ffprobe.exe")), ffprobeSize);
    EXPECT_FALSE(exists(install_file(L"bin\\youtube-dl.exe")));
    EXPECT_FALSE(exists(install_file(L"cpprest120_xp_2_5.dll")));
    EXPECT_FALSE(exists(install_file(L"browser")));
    EXPECT_TRUE(exists(install_file(L"notes.txt")));
    std::string list;
    EXPECT_TRUE(read_whole_file(data_dir() + L"\\list", list));
    EXPECT_EQ(list, "the user's download list");
    EXPECT_TRUE(uninstall_entry_exists());
    EXPECT_TRUE(exists(desktop_dir() + L"\\Tavlo.lnk"));
}

// A file the archiver can't write makes it fail: the box offers Retry and
// Cancel; Retry runs the extraction again, Cancel ends the setup without an
// uninstall entry or shortcut.
TEST_F(SetupInstall, FailingExtractionOffersRetryAndCancel) {
    ASSERT_EQ(install_silently(), 0u);
    std::wstring locked = install_file(L"bin\\ffmpeg.exe");
    long long ffmpegSize = file_size(locked);
    HANDLE lock = CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    {
        Child setup(quoted(setup_exe()) + L" /s");
        HWND box = wait_for_window(setup.id(), L"Install", 120000);
        ASSERT_TRUE(box) << "the retry box appears";
        save_picture(box, L"setup-retry-box.png");
        std::wstring text = window_text(GetDlgItem(box, 0xFFFF));
        EXPECT_NE(text.find(L"Unable to install Tavlo (error code 2)."), std::wstring::npos) << narrow(text);
        EXPECT_NE(text.find(L"click Retry."), std::wstring::npos) << narrow(text);
        ASSERT_TRUE(GetDlgItem(box, IDRETRY));
        ASSERT_TRUE(GetDlgItem(box, IDCANCEL));

        // Retry while the file is still held: the box comes back.
        PostMessageW(box, WM_COMMAND, IDRETRY, 0);
        EXPECT_TRUE(wait_until([&] { return !IsWindow(box); }, 10000));
        box = wait_for_window(setup.id(), L"Install", 120000);
        ASSERT_TRUE(box) << "the second attempt fails as well";
        // Retry once the file is free: the install completes.
        CloseHandle(lock);
        lock = INVALID_HANDLE_VALUE;
        PostMessageW(box, WM_COMMAND, IDRETRY, 0);
        EXPECT_EQ(setup.wait(180000), 0u);
    }
    end_processes_named(L"tavlo.exe");
    EXPECT_EQ(file_size(locked), ffmpegSize);
    EXPECT_TRUE(uninstall_entry_exists());

    lock = CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    {
        Child setup(quoted(setup_exe()) + L" /s");
        HWND box = wait_for_window(setup.id(), L"Install", 120000);
        ASSERT_TRUE(box);
        PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
        EXPECT_EQ(setup.wait(60000), 0u) << "Cancel ends the setup";
    }
    CloseHandle(lock);
    // The removal before the extraction took the old entry and shortcut; the
    // cancelled install wrote neither again, and started nothing.
    EXPECT_FALSE(uninstall_entry_exists());
    EXPECT_FALSE(exists(desktop_dir() + L"\\Tavlo.lnk"));
    EXPECT_FALSE(process_running(L"tavlo.exe"));
    EXPECT_FALSE(exists(temp_dir() + L"\\tavlo_setup"));
}

// "uninst.exe /u /s" takes away what the install made and nothing else:
// another program's shortcut and the user's data stay.
TEST_F(SetupInstall, SilentUninstallRemovesWhatTheInstallMade) {
    std::vector<std::wstring> tempBefore = folder_listing(temp_dir());
    std::vector<std::wstring> entriesBefore = uninstall_subkeys();
    std::wstring otherLink = desktop_dir() + L"\\Other program.lnk";
    ASSERT_TRUE(make_shortcut(otherLink, L"C:\\windows\\notepad.exe"));
    ASSERT_EQ(install_silently(), 0u);
    ASSERT_TRUE(exists(install_file(L"uninst.exe")));
    ASSERT_TRUE(exists(data_dir() + L"\\conf"));

    Child uninstaller(quoted(install_file(L"uninst.exe")) + L" /u /s");
    ASSERT_TRUE(uninstaller.started());
    EXPECT_EQ(uninstaller.wait(60000), 0u);
    // The uninstaller and the folder go once it has ended.
    EXPECT_TRUE(wait_until([] { return !exists(install_dir()); }, 20000))
        << "left: " << folder_listing(install_dir()).size() << " entries";
    EXPECT_FALSE(uninstall_entry_exists());
    EXPECT_EQ(uninstall_subkeys(), entriesBefore);
    EXPECT_EQ(folder_listing(temp_dir()), tempBefore);
    EXPECT_FALSE(exists(desktop_dir() + L"\\Tavlo.lnk"));
    EXPECT_TRUE(exists(otherLink));
    EXPECT_TRUE(exists(data_dir() + L"\\conf")) << "settings stay unless the user asks";
    DeleteFileW(otherLink.c_str());
}

// "uninst.exe /u": Cancel leaves everything; "Remove settings" and
// "Uninstall now" also delete the data folder, then the final message.
TEST_F(SetupInstall, UninstallConfirmationCancelOrRemoveSettings) {
    ASSERT_EQ(install_silently(), 0u);
    ASSERT_TRUE(exists(data_dir() + L"\\conf"));
    {
        Child uninstaller(quoted(install_file(L"uninst.exe")) + L" /u");
        HWND dialog = wait_for_window(uninstaller.id(), L"Uninstallation", 60000);
        ASSERT_TRUE(dialog);
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        EXPECT_EQ(uninstaller.wait(30000), 0u);
    }
    Sleep(1000);  // nothing may be deleted later either
    EXPECT_TRUE(exists(install_file(L"uninst.exe")));
    EXPECT_TRUE(exists(install_file(L"tavlo.exe")));
    EXPECT_TRUE(uninstall_entry_exists());

    Child uninstaller(quoted(install_file(L"uninst.exe")) + L" /u");
    HWND dialog = wait_for_window(uninstaller.id(), L"Uninstallation", 60000);
    ASSERT_TRUE(dialog);
    HWND removeSettings = GetDlgItem(dialog, 821);
    ASSERT_TRUE(removeSettings);
    SendMessageW(removeSettings, BM_CLICK, 0, 0);
    save_picture(dialog, L"setup-uninstall-confirmation.png");
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    HWND done = wait_for_window(uninstaller.id(), L"Uninstall completed", 60000);
    ASSERT_TRUE(done);
    std::wstring text = window_text(GetDlgItem(done, 0xFFFF));
    EXPECT_EQ(narrow(text), "Tavlo Video Downloader has been uninstalled successfully.");
    save_picture(done, L"setup-uninstall-completed-box.png");
    PostMessageW(done, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(uninstaller.wait(30000), 0u);
    EXPECT_TRUE(wait_until([] { return !exists(install_dir()); }, 20000));
    EXPECT_FALSE(uninstall_entry_exists());
    EXPECT_FALSE(exists(data_dir())) << "Remove settings takes the data folder";
}

// A Windows older than 8 is refused: silently nothing happens; otherwise
// the untranslated message says why, and nothing is installed either way.
TEST_F(SetupInstall, OldWindowsIsRefused) {
    set_windows_version(L"win7");
    register_install_location(UNINSTALL_ENTRY, install_dir());
    {
        Child setup(quoted(setup_exe()) + L" /s");
        EXPECT_EQ(setup.wait(60000), 0u);
    }
    {
        Child setup(quoted(setup_exe()));
        HWND box = nullptr;
        ASSERT_TRUE(wait_until([&] { return (box = find_window_of(setup.id(), nullptr)) != nullptr; }, 60000));
        EXPECT_EQ(narrow(window_text(GetDlgItem(box, 0xFFFF))), "This program requires Windows 8 or higher.");
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(setup.wait(30000), 0u);
    }
    EXPECT_FALSE(exists(install_file(L"tavlo.exe")));
    EXPECT_FALSE(exists(temp_dir() + L"\\tavlo_setup")) << "the work folder goes with the setup";
}

}  // namespace
