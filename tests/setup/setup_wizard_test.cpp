// The setup wizard as a user meets it, light and dark: the welcome page with
// its language menu, the options page with a refused and an accepted folder,
// the progress page that can't be closed, a second start that only brings
// the wizard forward, the uninstall from the welcome page with "Remove
// settings", and closing with and without the question. Pictures of every
// page go to the artefacts folder.
#include <windows.h>

#include <objbase.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/setup/setup_test_support.h"
#include "tests/win_test_support.h"

namespace {

constexpr DWORD WAIT_MS = 60000;
constexpr int ID_LANGUAGE = 805;
constexpr int ID_SECOND = 806;
constexpr int ID_FOLDER = 826;
constexpr int ID_REMOVE_SETTINGS = 821;

std::string narrow(const std::wstring& w) {
    std::string s;
    for (wchar_t c : w) {
        s += c < 128 ? static_cast<char>(c) : '?';
    }
    return s;
}

class SetupWizard : public ::testing::Test {
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

// The page the frame shows now.
HWND current_page(HWND frame) {
    return FindWindowExW(frame, nullptr, L"#32770", nullptr);
}

// Waits until the frame shows a page with a control that has this id (or,
// for id 0, a child of that class).
HWND wait_for_page(HWND frame, int id, const wchar_t* className = nullptr) {
    HWND page = nullptr;
    wait_until(
        [&] {
            page = current_page(frame);
            if (!page) {
                return false;
            }
            return className ? FindWindowExW(page, nullptr, className, nullptr) != nullptr
                             : GetDlgItem(page, id) != nullptr;
        },
        WAIT_MS);
    return page;
}

// A visible top-level window of the process other than the frame.
HWND wait_for_box(DWORD processId, HWND frame) {
    struct Search {
        DWORD pid;
        HWND frame;
        HWND found;
    } search = {processId, frame, nullptr};
    wait_until(
        [&] {
            search.found = nullptr;
            EnumWindows(
                [](HWND w, LPARAM lp) -> BOOL {
                    auto* s = reinterpret_cast<Search*>(lp);
                    DWORD pid = 0;
                    GetWindowThreadProcessId(w, &pid);
                    if (pid == s->pid && w != s->frame && IsWindowVisible(w)) {
                        s->found = w;
                        return FALSE;
                    }
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        WAIT_MS);
    return search.found;
}

std::wstring control_text(HWND page, int id) {
    return window_text(GetDlgItem(page, id));
}

void click(HWND page, int id) {
    PostMessageW(page, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
}

// The static links answer Enter as a user's key press.
void press_link(HWND page, int id) {
    PostMessageW(GetDlgItem(page, id), WM_KEYDOWN, VK_RETURN, 0);
}

// The whole text of a window's statics, for message boxes of either look.
std::wstring box_text(HWND box) {
    std::wstring text;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[32] = {};
        GetClassNameW(child, name, 32);
        if (_wcsicmp(name, L"Static") == 0) {
            text += window_text(child);
        }
    }
    return text;
}

// Light look, nothing installed: the welcome page and its languages, a
// refused folder, a folder with a trailing backslash, the progress page that
// ignores closing, then the installed program.
TEST_F(SetupWizard, InstallThroughTheOptionsPage) {
    Child setup(quoted(setup_exe()));
    ASSERT_TRUE(setup.started());
    HWND frame = wait_for_window(setup.id(), L"Tavlo Video Downloader", WAIT_MS);
    ASSERT_TRUE(frame);
    HWND page = wait_for_page(frame, IDOK);
    ASSERT_TRUE(page);
    EXPECT_EQ(narrow(control_text(page, IDOK)), "Install Now");
    EXPECT_EQ(narrow(control_text(page, ID_SECOND)), "Customize");
    EXPECT_EQ(narrow(control_text(page, ID_LANGUAGE)), "English");
    save_picture(frame, L"setup-wizard-welcome-light.png");

    // A second start brings this wizard forward and ends.
    {
        Child second(quoted(setup_exe()));
        EXPECT_EQ(second.wait(WAIT_MS), 0u);
    }
    EXPECT_TRUE(IsWindowVisible(frame));

    // German from the language menu, then English again (which has no table).
    PostMessageW(page, WM_COMMAND, 1007, 0);
    ASSERT_TRUE(wait_until(
        [&] {
            page = current_page(frame);
            return page && control_text(page, IDOK) == L"Jetzt installieren";
        },
        WAIT_MS));
    EXPECT_EQ(narrow(control_text(page, ID_SECOND)), "Anpassen");
    EXPECT_EQ(narrow(control_text(page, ID_LANGUAGE)), "Deutsch");
    save_picture(frame, L"setup-wizard-welcome-german.png");
    PostMessageW(page, WM_COMMAND, 1009, 0);
    ASSERT_TRUE(wait_until(
        [&] {
            page = current_page(frame);
            return page && control_text(page, IDOK) == L"Install Now";
        },
        WAIT_MS));

    press_link(page, ID_SECOND);
    page = wait_for_page(frame, ID_FOLDER);
    ASSERT_TRUE(page);
    save_picture(frame, L"setup-wizard-options-light.png");

    // A folder with a character no path may hold stays on the page.
    SetDlgItemTextW(page, ID_FOLDER, L"C:\\bad|name");
    click(page, IDOK);
    HWND box = wait_for_box(setup.id(), frame);
    ASSERT_TRUE(box);
    EXPECT_EQ(narrow(box_text(box)), "Invalid folder");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(wait_until([&] { return !IsWindow(box); }, WAIT_MS));
    EXPECT_EQ(current_page(frame), page);

    // The trailing backslash goes; the install starts.
    std::wstring typed = install_dir() + L"\\";
    SetDlgItemTextW(page, ID_FOLDER, typed.c_str());
    click(page, IDOK);
    page = wait_for_page(frame, 0, L"msctls_progress32");
    ASSERT_TRUE(page);
    save_picture(frame, L"setup-wizard-installing-light.png");
    // Closing while it installs does nothing: no question, the page stays.
    SendMessageW(frame, WM_COMMAND, IDCANCEL, 0);
    Sleep(300);
    EXPECT_TRUE(IsWindow(page));

    EXPECT_EQ(setup.wait(180000), 0u) << "the wizard closes after the install";
    EXPECT_TRUE(wait_until([] { return process_running(L"tavlo.exe"); }, 30000)) << "the program was started";
    end_processes_named(L"tavlo.exe");
    EXPECT_TRUE(exists(install_file(L"tavlo.exe")));
    EXPECT_TRUE(exists(install_file(L"uninst.exe")));
    EXPECT_EQ(narrow(uninstall_value(L"InstallLocation")), narrow(install_dir()));
    EXPECT_TRUE(exists(desktop_dir() + L"\\Tavlo.lnk"));
}

// Dark look with an installation: "Update" and "Uninstall"; the
// confirmation with "Remove settings"; the uninstalling and completed pages;
// "End".
TEST_F(SetupWizard, UninstallFromTheWelcomePageDark) {
    ASSERT_EQ(install_silently(), 0u);
    ASSERT_TRUE(exists(data_dir()));
    set_dark_theme(true);

    Child setup(quoted(setup_exe()));
    HWND frame = wait_for_window(setup.id(), L"Tavlo Video Downloader", WAIT_MS);
    ASSERT_TRUE(frame);
    HWND page = wait_for_page(frame, IDOK);
    ASSERT_TRUE(page);
    EXPECT_EQ(narrow(control_text(page, IDOK)), "Update");
    EXPECT_EQ(narrow(control_text(page, ID_SECOND)), "Uninstall");
    save_picture(frame, L"setup-wizard-welcome-dark.png");

    press_link(page, ID_SECOND);
    HWND confirm = wait_for_window(setup.id(), L"Uninstallation", WAIT_MS);
    ASSERT_TRUE(confirm);
    EXPECT_EQ(narrow(control_text(confirm, IDOK)), "Uninstall now");
    EXPECT_EQ(narrow(control_text(confirm, IDCANCEL)), "Cancel");
    PostMessageW(confirm, WM_COMMAND, MAKEWPARAM(ID_REMOVE_SETTINGS, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(confirm, ID_REMOVE_SETTINGS)));
    save_picture(confirm, L"setup-uninstall-confirmation-dark.png");
    PostMessageW(confirm, WM_COMMAND, IDOK, 0);

    page = wait_for_page(frame, 0, L"msctls_progress32");
    if (page) {
        save_picture(frame, L"setup-wizard-uninstalling-dark.png");
    }
    page = wait_for_page(frame, IDOK);
    ASSERT_TRUE(page);
    EXPECT_EQ(narrow(control_text(page, IDOK)), "End");
    save_picture(frame, L"setup-wizard-uninstalled-dark.png");
    EXPECT_FALSE(exists(install_dir()));
    EXPECT_FALSE(uninstall_entry_exists());
    EXPECT_FALSE(exists(data_dir())) << "Remove settings takes the data folder";
    click(page, IDOK);
    EXPECT_EQ(setup.wait(WAIT_MS), 0u);
}

// Dark look, nothing installed: the options page; closing asks, and Yes ends
// the wizard without installing.
TEST_F(SetupWizard, OptionsPageDarkAndClosingAsks) {
    set_dark_theme(true);
    Child setup(quoted(setup_exe()));
    HWND frame = wait_for_window(setup.id(), L"Tavlo Video Downloader", WAIT_MS);
    ASSERT_TRUE(frame);
    HWND page = wait_for_page(frame, IDOK);
    ASSERT_TRUE(page);
    press_link(page, ID_SECOND);
    page = wait_for_page(frame, ID_FOLDER);
    ASSERT_TRUE(page);
    save_picture(frame, L"setup-wizard-options-dark.png");

    PostMessageW(frame, WM_COMMAND, IDCANCEL, 0);
    HWND box = wait_for_box(setup.id(), frame);
    ASSERT_TRUE(box);
    EXPECT_EQ(narrow(box_text(box)), "Are you sure you want to cancel the installation?");
    save_picture(box, L"setup-wizard-cancel-question-dark.png");
    PostMessageW(box, WM_COMMAND, IDYES, 0);
    EXPECT_EQ(setup.wait(WAIT_MS), 0u);
    EXPECT_FALSE(exists(install_dir()));
}

// Light look with an installation registered only in the 32-bit view: it is
// detected; Cancel in the confirmation keeps the wizard; No to the closing
// question too; Yes ends it and nothing was touched.
TEST_F(SetupWizard, ThirtyTwoBitEntryIsDetectedAndCancelKeepsEverything) {
    TempFolder old;
    ASSERT_TRUE(write_whole_file(old.file(L"tavlo.exe"), "an old program"));
    register_install_location(UNINSTALL_ENTRY_32, old.path());
    Child setup(quoted(setup_exe()));
    HWND frame = wait_for_window(setup.id(), L"Tavlo Video Downloader", WAIT_MS);
    ASSERT_TRUE(frame);
    HWND page = wait_for_page(frame, IDOK);
    ASSERT_TRUE(page);
    EXPECT_EQ(narrow(control_text(page, IDOK)), "Update");

    press_link(page, ID_SECOND);
    HWND confirm = wait_for_window(setup.id(), L"Uninstallation", WAIT_MS);
    ASSERT_TRUE(confirm);
    save_picture(confirm, L"setup-uninstall-confirmation-light.png");
    PostMessageW(confirm, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(wait_until([&] { return !IsWindow(confirm); }, WAIT_MS));
    EXPECT_EQ(current_page(frame), page);

    PostMessageW(frame, WM_COMMAND, IDCANCEL, 0);
    HWND box = wait_for_box(setup.id(), frame);
    ASSERT_TRUE(box);
    EXPECT_EQ(narrow(window_text(box)), "Install");
    save_picture(box, L"setup-wizard-cancel-question-light.png");
    PostMessageW(box, WM_COMMAND, IDNO, 0);
    ASSERT_TRUE(wait_until([&] { return !IsWindow(box); }, WAIT_MS));
    EXPECT_TRUE(IsWindow(frame));

    PostMessageW(frame, WM_COMMAND, IDCANCEL, 0);
    box = wait_for_box(setup.id(), frame);
    ASSERT_TRUE(box);
    PostMessageW(box, WM_COMMAND, IDYES, 0);
    EXPECT_EQ(setup.wait(WAIT_MS), 0u);
    EXPECT_TRUE(exists(old.file(L"tavlo.exe")));
}

}  // namespace
