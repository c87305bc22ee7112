// The install and removal pieces called directly in this process: the
// registry entry, the removal of a laid-out installation, ending processes by
// their image path, the desktop shortcut, the payload resources of the real
// setup program and the scheduled task.
#include <windows.h>

#include <objbase.h>
#include <oleauto.h>
#include <taskschd.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/text.h"
#include "setup/install.h"
#include "setup/removal.h"
#include "setup/setup_state.h"
#include "setup/update_task.h"
#include "tests/setup/setup_test_support.h"
#include "tests/win_test_support.h"
#include "ui/translation.h"

namespace {

std::string narrow(const std::wstring& w) {
    return std::string(w.begin(), w.end());
}

class SetupPieces : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        sandbox_ = std::make_unique<SetupSandbox>();
        g_setup = {};
        g_setup.desktopShortcut = true;
    }
    void TearDown() override {
        g_setup = {};
        sandbox_.reset();
        CoUninitialize();
    }

private:
    std::unique_ptr<SetupSandbox> sandbox_;
};

// The entry's values, and the command quoted only when the folder has a space.
TEST_F(SetupPieces, UninstallEntryHoldsEveryValue) {
    struct Case {
        const wchar_t* folder;
        const wchar_t* command;
    };
    const Case kCases[] = {
        {L"C:\\Program Files\\Tavlo", L"\"C:\\Program Files\\Tavlo\\uninst.exe\" /u"},
        {L"D:\\Tavlo", L"D:\\Tavlo\\uninst.exe /u"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(narrow(c.folder));
        text_copy(g_setup.installDir, c.folder);
        ASSERT_TRUE(write_uninstall_entry());
        EXPECT_EQ(narrow(uninstall_value(L"DisplayName")), "Tavlo 1.58");
        EXPECT_EQ(narrow(uninstall_value(L"DisplayVersion")), "1.58");
        EXPECT_EQ(narrow(uninstall_value(L"Publisher")), "The Tavlo authors");
        EXPECT_EQ(narrow(uninstall_value(L"URLInfoAbout")), "https://tavlo.app/");
        EXPECT_EQ(narrow(uninstall_value(L"URLUpdateInfo")), "https://tavlo.app/");
        EXPECT_EQ(narrow(uninstall_value(L"InstallLocation")), narrow(c.folder));
        EXPECT_EQ(narrow(uninstall_value(L"UninstallString")), narrow(c.command));
        wchar_t location[MAX_PATH];
        ASSERT_TRUE(read_install_location(UNINSTALL_KEY, location, MAX_PATH));
        EXPECT_EQ(narrow(location), narrow(c.folder));
    }
}

// A missing entry, a missing or empty location, and one longer than a path
// (cut to 259 characters) as the removal and the detection read them.
TEST_F(SetupPieces, InstallLocationAsRead) {
    wchar_t location[MAX_PATH] = L"left over";
    EXPECT_FALSE(read_install_location(UNINSTALL_KEY, location, MAX_PATH));
    EXPECT_EQ(location[0], 0);

    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    EXPECT_FALSE(read_install_location(UNINSTALL_KEY, location, MAX_PATH)) << "no InstallLocation value";
    // An empty location would make every removal path relative to the
    // current folder: it counts as no installation.
    RegSetValueExW(key, L"InstallLocation", 0, REG_SZ, reinterpret_cast<const BYTE*>(L""), sizeof(wchar_t));
    EXPECT_FALSE(read_install_location(UNINSTALL_KEY, location, MAX_PATH));
    std::wstring longPath = L"C:\\" + std::wstring(300, L'a');
    RegSetValueExW(key, L"InstallLocation", 0, REG_SZ, reinterpret_cast<const BYTE*>(longPath.c_str()),
                   static_cast<DWORD>((longPath.size() + 1) * sizeof(wchar_t)));
    // More than 520 bytes: the value does not fit the read and is refused.
    EXPECT_FALSE(read_install_location(UNINSTALL_KEY, location, MAX_PATH));
    std::wstring fits = L"C:\\" + std::wstring(256, L'b');
    RegSetValueExW(key, L"InstallLocation", 0, REG_SZ, reinterpret_cast<const BYTE*>(fits.c_str()),
                   static_cast<DWORD>((fits.size() + 1) * sizeof(wchar_t)));
    EXPECT_TRUE(read_install_location(UNINSTALL_KEY, location, MAX_PATH));
    EXPECT_EQ(wcslen(location), 259u);
    RegCloseKey(key);
    // The 32-bit view is a separate entry.
    EXPECT_FALSE(read_install_location(UNINSTALL_KEY_32, location, MAX_PATH));
}

// A laid-out installation with files of earlier versions, the browser, a
// file of the user's and the entry: the removal takes the listed files, the
// browser and the entry; the user's file keeps the folder, and the data
// folder stays unless asked.
TEST_F(SetupPieces, RemovalTakesTheListedFilesOnly) {
    TempFolder root;
    std::wstring folder = root.file(L"Tavlo here");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    for (const wchar_t* sub : {L"bin", L"browser", L"browser\\LibreWolf", L"browser\\LibreWolf\\defaults"}) {
        ASSERT_TRUE(CreateDirectoryW((folder + L"\\" + sub).c_str(), nullptr));
    }
    const wchar_t* const kListed[] = {
        L"tavlo.exe",         L"cpprest120_xp_2_5.dll", L"uninst.exe",      L"bin\\ffplay.exe",
        L"bin\\rtmpdump.exe", L"bin\\youtube-dl.exe",   L"bin\\yt-dlp.exe", L"bin\\ffmpeg.exe",
        L"bin\\ffprobe.exe",  L"bin\\dwebp.exe",        L"bin\\deno.exe",   L"browser\\LibreWolf\\librewolf.exe",
        L"browser\\LibreWolf\\defaults\\prefs.js",
    };
    for (const wchar_t* name : kListed) {
        ASSERT_TRUE(write_whole_file(folder + L"\\" + name, "x"));
    }
    ASSERT_TRUE(write_whole_file(folder + L"\\notes.txt", "the user's own file"));
    register_install_location(UNINSTALL_ENTRY, folder);
    ASSERT_TRUE(CreateDirectoryW(data_dir().c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(write_whole_file(data_dir() + L"\\list", "the user's list"));

    EXPECT_TRUE(remove_installation(UNINSTALL_KEY));
    EXPECT_EQ(narrow(g_setup.removalDir), narrow(folder));
    std::vector<std::wstring> left = {L"notes.txt"};
    EXPECT_EQ(folder_listing(folder), left);
    EXPECT_FALSE(uninstall_entry_exists());
    EXPECT_TRUE(exists(data_dir() + L"\\list"));

    // Nothing registered any more: nothing found, nothing touched.
    EXPECT_FALSE(remove_installation(UNINSTALL_KEY));
    EXPECT_TRUE(exists(folder + L"\\notes.txt"));

    // A second layout, this time with "Remove settings": the data folder
    // goes, and the emptied install folder with it.
    ASSERT_TRUE(DeleteFileW((folder + L"\\notes.txt").c_str()));
    ASSERT_TRUE(CreateDirectoryW((folder + L"\\bin").c_str(), nullptr));
    ASSERT_TRUE(write_whole_file(folder + L"\\bin\\yt-dlp.exe", "x"));
    ASSERT_TRUE(write_whole_file(folder + L"\\bin\\mine.cfg", "the user's tool settings"));
    register_install_location(UNINSTALL_ENTRY_32, folder);
    g_setup.removeSettings = true;
    EXPECT_TRUE(remove_installation(UNINSTALL_KEY_32));
    EXPECT_FALSE(exists(data_dir()));
    std::vector<std::wstring> bin = {L"mine.cfg"};
    EXPECT_EQ(folder_listing(folder + L"\\bin"), bin) << "a bin folder with other files stays";
    ASSERT_TRUE(DeleteFileW((folder + L"\\bin\\mine.cfg").c_str()));
}

// Two running copies of one program under the same file name in different
// folders: only the one at the given path is ended.
TEST_F(SetupPieces, TerminateImageEndsOnlyThatPath) {
    TempFolder root;
    std::wstring notepad;
    {
        wchar_t system[MAX_PATH];
        GetSystemDirectoryW(system, MAX_PATH);
        notepad = std::wstring(system) + L"\\notepad.exe";
    }
    std::wstring first = root.file(L"one");
    std::wstring second = root.file(L"two");
    ASSERT_TRUE(CreateDirectoryW(first.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(second.c_str(), nullptr));
    first += L"\\tavlo.exe";
    second += L"\\tavlo.exe";
    ASSERT_TRUE(CopyFileW(notepad.c_str(), first.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(notepad.c_str(), second.c_str(), FALSE));

    EXPECT_FALSE(terminate_image(L""));
    EXPECT_FALSE(terminate_image(first.c_str())) << "nothing runs yet";
    {
        Child a(::quoted(first));
        Child b(::quoted(second));
        ASSERT_TRUE(a.started() && b.started());
        wchar_t image[MAX_PATH];
        ASSERT_TRUE(wait_until([&] { return process_image_path(a.id(), image, MAX_PATH); }, 10000));
        EXPECT_EQ(_wcsicmp(image, first.c_str()), 0) << narrow(image);

        EXPECT_TRUE(terminate_image(first.c_str()));
        EXPECT_EQ(a.wait(5000), 1u);
        EXPECT_EQ(b.wait(0), static_cast<DWORD>(STILL_ACTIVE));
        // Another path of the same name ends nothing.
        EXPECT_FALSE(terminate_image(root.file(L"three\\tavlo.exe").c_str()));
        EXPECT_EQ(b.wait(0), static_cast<DWORD>(STILL_ACTIVE));
    }
    // The setup never ends itself, even when asked for its own image.
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    EXPECT_FALSE(terminate_image(self));
}

// Of several shortcuts to the program only the first found goes; a shortcut
// to another program never does.
TEST_F(SetupPieces, DesktopShortcutToTheProgramOnly) {
    std::wstring target = L"C:\\Program Files\\Tavlo\\tavlo.exe";
    std::wstring desktop = desktop_dir();
    CreateDirectoryW(desktop.c_str(), nullptr);
    const std::wstring kLinks[] = {desktop + L"\\Tavlo test A.lnk", desktop + L"\\Tavlo test B.lnk"};
    std::wstring other = desktop + L"\\Tavlo test other.lnk";
    for (const std::wstring& link : kLinks) {
        ASSERT_TRUE(make_shortcut(link, target));
    }
    ASSERT_TRUE(make_shortcut(other, L"C:\\windows\\notepad.exe"));
    ASSERT_TRUE(write_whole_file(desktop + L"\\Tavlo test broken.lnk", "not a shell link"));

    delete_desktop_shortcut_to(L"C:\\PROGRAM FILES\\TAVLO\\TAVLO.EXE");
    int left = 0;
    for (const std::wstring& link : kLinks) {
        left += exists(link) ? 1 : 0;
    }
    EXPECT_EQ(left, 1);
    EXPECT_TRUE(exists(other));
    EXPECT_TRUE(exists(desktop + L"\\Tavlo test broken.lnk"));
    for (const std::wstring& link : kLinks) {
        DeleteFileW(link.c_str());
    }
    DeleteFileW(other.c_str());
    DeleteFileW((desktop + L"\\Tavlo test broken.lnk").c_str());
}

// The real setup program's resources: the licence agreement comes out byte
// for byte; a missing resource writes no file.
TEST_F(SetupPieces, PayloadResourcesOfTheSetupProgram) {
    HMODULE setup = LoadLibraryExW(setup_exe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(setup);
    g_setup.instance = setup;
    TempFolder folder;
    EXPECT_TRUE(extract_payload_resource(RESOURCE_EULA, folder.file(L"eula.txt").c_str()));
    std::string written;
    std::string source;
    ASSERT_TRUE(read_whole_file(folder.file(L"eula.txt"), written));
    std::string root = TAVLO_SOURCE_ROOT;
    ASSERT_TRUE(read_whole_file(std::wstring(root.begin(), root.end()) + L"/resources/setup/eula.txt", source));
    EXPECT_EQ(written, source);
    EXPECT_GT(written.size(), 1000u);

    EXPECT_TRUE(extract_payload_resource(RESOURCE_ARCHIVER, folder.file(L"7za.exe").c_str()));
    EXPECT_GT(file_size(folder.file(L"7za.exe")), 500000);

    EXPECT_FALSE(extract_payload_resource(1009, folder.file(L"english.txt").c_str())) << "English has no resource";
    EXPECT_FALSE(exists(folder.file(L"english.txt")));

    // The setup's German table translates its texts.
    TranslationTable* table = new TranslationTable();
    EXPECT_TRUE(load_translation(*table, setup, 1007));
    EXPECT_EQ(narrow(translate(table, L"Cancel")), "Abbrechen");
    clear_translation(*table);
    delete table;
    g_setup.instance = nullptr;
    FreeLibrary(setup);
}

// Task Scheduler 2.0. Wine's task service answers E_NOTIMPL when a logon
// trigger is made, so there the registration stops before anything is
// registered; deleting, and deleting a task that does not exist, work.
TEST_F(SetupPieces, UpdateTask) {
    const wchar_t kName[] = L"TavloUpdateTaskTest";
    UpdateTask task = {L"\\", kName, L"C:\\Tavlo test\\bin\\yt-dlp.exe", L"-U", L"S-1-5-18"};

    ITaskService* service = nullptr;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService,
                                              reinterpret_cast<void**>(&service)));
    VARIANT empty;
    VariantInit(&empty);
    ASSERT_HRESULT_SUCCEEDED(service->Connect(empty, empty, empty, empty));
    BSTR rootName = SysAllocString(L"\\");
    ITaskFolder* root = nullptr;
    ASSERT_HRESULT_SUCCEEDED(service->GetFolder(rootName, &root));
    BSTR taskName = SysAllocString(kName);
    auto task_count = [&] {
        IRegisteredTask* found = nullptr;
        HRESULT hr = root->GetTask(taskName, &found);
        if (found) {
            found->Release();
        }
        return SUCCEEDED(hr) ? 1 : 0;
    };

    EXPECT_TRUE(delete_update_task(L"\\", kName)) << "a task that does not exist counts as deleted";

    ITaskDefinition* probe = nullptr;
    ITriggerCollection* triggers = nullptr;
    ITrigger* trigger = nullptr;
    ASSERT_HRESULT_SUCCEEDED(service->NewTask(0, &probe));
    ASSERT_HRESULT_SUCCEEDED(probe->get_Triggers(&triggers));
    HRESULT logonTrigger = triggers->Create(TASK_TRIGGER_LOGON, &trigger);
    if (trigger) {
        trigger->Release();
    }
    triggers->Release();

    if (logonTrigger == E_NOTIMPL) {
        std::printf("[ Wine     ] the task service can't make a logon trigger (E_NOTIMPL): the registration "
                    "stops there and registers nothing; the registered task itself is not shown under Wine\n");
        EXPECT_FALSE(register_update_task(task));
        EXPECT_EQ(task_count(), 0);
        // A task of that name registered by other means is still deleted.
        IActionCollection* actions = nullptr;
        IAction* action = nullptr;
        ASSERT_HRESULT_SUCCEEDED(probe->get_Actions(&actions));
        ASSERT_HRESULT_SUCCEEDED(actions->Create(TASK_ACTION_EXEC, &action));
        IExecAction* exec = nullptr;
        ASSERT_HRESULT_SUCCEEDED(action->QueryInterface(IID_IExecAction, reinterpret_cast<void**>(&exec)));
        BSTR path = SysAllocString(task.program);
        exec->put_Path(path);
        SysFreeString(path);
        exec->Release();
        action->Release();
        actions->Release();
        IRegisteredTask* registered = nullptr;
        ASSERT_HRESULT_SUCCEEDED(root->RegisterTaskDefinition(taskName, probe, TASK_CREATE_OR_UPDATE, empty, empty,
                                                              TASK_LOGON_NONE, empty, &registered));
        registered->Release();
        EXPECT_EQ(task_count(), 1);
    } else {
        // Registering twice leaves one task, with the values of the install.
        EXPECT_TRUE(register_update_task(task));
        EXPECT_TRUE(register_update_task(task));
        EXPECT_EQ(task_count(), 1);
        IRegisteredTask* registered = nullptr;
        ASSERT_HRESULT_SUCCEEDED(root->GetTask(taskName, &registered));
        ITaskDefinition* definition = nullptr;
        ASSERT_HRESULT_SUCCEEDED(registered->get_Definition(&definition));
        IPrincipal* principal = nullptr;
        ASSERT_HRESULT_SUCCEEDED(definition->get_Principal(&principal));
        BSTR group = nullptr;
        TASK_RUNLEVEL_TYPE level = TASK_RUNLEVEL_LUA;
        principal->get_GroupId(&group);
        principal->get_RunLevel(&level);
        EXPECT_EQ(narrow(group ? group : L""), "S-1-5-18");
        EXPECT_EQ(level, TASK_RUNLEVEL_HIGHEST);
        SysFreeString(group);
        principal->Release();
        definition->Release();
        registered->Release();
    }
    probe->Release();
    EXPECT_TRUE(delete_update_task(L"\\", kName));
    EXPECT_EQ(task_count(), 0);
    SysFreeString(taskName);
    SysFreeString(rootName);
    root->Release();
    service->Release();
}

}  // namespace
