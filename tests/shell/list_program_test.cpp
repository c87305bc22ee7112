// The list file through tavlo.exe as a user meets it: pasted links are in
// the file within a second of the paste, so that even a program that is
// killed brings them back at its next start, and a closed program brings
// back its list in order.
//
// tavlo.exe keeps its data in the prefix's real local application-data
// folder: the test moves any "tavlo" folder there aside and puts it back,
// and ends every tavlo.exe it started.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/shell/list_file.h"
#include "base/text.h"
#include "tests/shell/list_test_window.h"
#include "tests/win_test_support.h"

namespace {

constexpr DWORD START_WAIT = 30000;  // the first start in a fresh prefix is slow

std::wstring tavlo_path() {
    std::string path = TAVLO_EXE;
    std::wstring wide(path.begin(), path.end());
    wchar_t full[MAX_PATH];
    DWORD n = GetFullPathNameW(wide.c_str(), MAX_PATH, full, nullptr);
    return n > 0 && n < MAX_PATH ? std::wstring(full, n) : wide;
}

std::wstring data_folder_path() {
    wchar_t local[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, local))) {
        return L"";
    }
    return std::wstring(local) + L"\\tavlo";
}

// The prefix's "tavlo" folder, moved aside for the test and put back.
class DataFolderAside {
public:
    DataFolderAside() : folder_(data_folder_path()), aside_(folder_ + L".list-test-aside") {
        remove_tree(aside_);
        moved_ = MoveFileW(folder_.c_str(), aside_.c_str()) != 0;
    }
    ~DataFolderAside() {
        remove_tree(folder_);
        if (moved_) {
            MoveFileW(aside_.c_str(), folder_.c_str());
        }
    }
    DataFolderAside(const DataFolderAside&) = delete;
    DataFolderAside& operator=(const DataFolderAside&) = delete;
    std::wstring list_file() const { return folder_ + L"\\list"; }

private:
    std::wstring folder_;
    std::wstring aside_;
    bool moved_ = false;
};

// One started tavlo.exe, ended by the test or at the latest here.
class Tavlo {
public:
    Tavlo() {
        std::wstring path = tavlo_path();
        std::wstring commandLine = L"\"" + path + L"\"";
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        started_ = CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                  &si, &info_) != 0;
    }
    ~Tavlo() {
        if (started_) {
            if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(info_.hProcess, 99);
                WaitForSingleObject(info_.hProcess, START_WAIT);
            }
            CloseHandle(info_.hProcess);
            CloseHandle(info_.hThread);
        }
    }
    Tavlo(const Tavlo&) = delete;
    Tavlo& operator=(const Tavlo&) = delete;

    bool started() const { return started_; }
    // The main window once start-up has shown the list; null when it does not come.
    HWND wait_for_list(HWND* list) {
        for (DWORD waited = 0; waited < START_WAIT; waited += 50) {
            HWND main = main_window();
            *list = main ? list_of(main) : nullptr;
            if (*list && IsWindowVisible(*list)) {
                return main;
            }
            Sleep(50);
        }
        return nullptr;
    }
    bool close(HWND main) {
        PostMessageW(main, WM_CLOSE, 0, 0);
        return WaitForSingleObject(info_.hProcess, START_WAIT) == WAIT_OBJECT_0;
    }
    void kill() {
        TerminateProcess(info_.hProcess, 9);
        WaitForSingleObject(info_.hProcess, START_WAIT);
    }

private:
    PROCESS_INFORMATION info_ = {};
    bool started_ = false;

    HWND main_window() const {
        struct Search {
            DWORD pid;
            HWND found;
        } search = {info_.dwProcessId, nullptr};
        EnumWindows(
            [](HWND w, LPARAM lp) -> BOOL {
                auto* s = reinterpret_cast<Search*>(lp);
                wchar_t name[64];
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                if (pid == s->pid && GetClassNameW(w, name, 64) && wcscmp(name, L"Tavlo_Main") == 0 &&
                    IsWindowVisible(w)) {
                    s->found = w;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    // The list: the main window's dialog child at the top (the bottom panel
    // is the other one).
    static HWND list_of(HWND main) {
        for (HWND child = FindWindowExW(main, nullptr, L"#32770", nullptr); child;
             child = FindWindowExW(main, child, L"#32770", nullptr)) {
            RECT rc;
            GetWindowRect(child, &rc);
            MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&rc), 2);
            if (rc.top == 0) {
                return child;
            }
        }
        return nullptr;
    }
};

int item_count(HWND list) {
    int n = 0;
    for (HWND child = GetWindow(list, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        ++n;
    }
    return n;
}

// The list is shown just before it is filled from its file: the items are
// counted once that is done (or the wait runs out).
int wait_for_items(HWND list, int expected) {
    int n = item_count(list);
    for (DWORD waited = 0; waited < START_WAIT && n != expected; waited += 100) {
        Sleep(100);
        n = item_count(list);
    }
    Sleep(300);  // and nothing more comes
    return item_count(list);
}

// The links of the list file, top of the list first.
std::vector<std::wstring> stored_links(const std::wstring& file) {
    std::string bytes;
    std::vector<std::wstring> links;
    if (!read_whole_file(file, bytes)) {
        return links;
    }
    read_list_records(
        reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
        [](void* context, const ListRecord& record) {
            auto* all = static_cast<std::vector<std::wstring>*>(context);
            all->insert(all->begin(), record.link);
            return true;
        },
        &links);
    return links;
}

std::vector<std::wstring> wait_for_stored(const std::wstring& file, size_t count) {
    std::vector<std::wstring> links;
    for (DWORD waited = 0; waited < START_WAIT; waited += 100) {
        links = stored_links(file);
        if (links.size() == count) {
            break;
        }
        Sleep(100);
    }
    return links;
}

void paste(HWND main, const wchar_t* text) {
    ASSERT_TRUE(put_on_clipboard(nullptr, text));
    SendMessageW(main, WM_PASTE, 0, 0);
}

TEST(ListThroughTheProgram, PastedLinksSurviveAKillAndARestart) {
    DataFolderAside aside;
    const std::vector<std::wstring> expected = {L"https://second.invalid/watch?v=2",
                                                L"https://first.invalid/watch?v=1"};
    {
        Tavlo tavlo;
        ASSERT_TRUE(tavlo.started());
        HWND list = nullptr;
        HWND main = tavlo.wait_for_list(&list);
        ASSERT_NE(main, nullptr);
        paste(main, L"first.invalid/watch?v=1");
        paste(main, L"  second.invalid/watch?v=2\r\n");
        EXPECT_EQ(item_count(list), 2);
        // The next tick of the list puts them in the file; then the program dies.
        EXPECT_EQ(wait_for_stored(aside.list_file(), 2), expected);
        tavlo.kill();
    }
    {
        Tavlo tavlo;
        HWND list = nullptr;
        HWND main = tavlo.wait_for_list(&list);
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(wait_for_items(list, 2), 2);
        paste(main, L"third.invalid/v");
        ASSERT_TRUE(tavlo.close(main));
    }
    std::vector<std::wstring> all = {L"https://third.invalid/v"};
    all.insert(all.end(), expected.begin(), expected.end());
    EXPECT_EQ(stored_links(aside.list_file()), all);
    {
        Tavlo tavlo;
        HWND list = nullptr;
        HWND main = tavlo.wait_for_list(&list);
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(wait_for_items(list, 3), 3);
        ASSERT_TRUE(tavlo.close(main));
    }
    EXPECT_EQ(stored_links(aside.list_file()), all) << "a list that came back is kept as it was";
}

TEST(ListThroughTheProgram, ADamagedListFileGivesBackItsGoodRecords) {
    DataFolderAside aside;
    CreateDirectoryW(data_folder_path().c_str(), nullptr);
    ListRecord r;
    std::memset(&r, 0, sizeof(r));
    text_copy(r.link, L"https://kept.invalid/v");
    r.state = 20;
    unsigned char bytes[LIST_RECORD_SIZE];
    encode_list_record(r, bytes);
    std::string good(reinterpret_cast<const char*>(bytes), LIST_RECORD_SIZE);
    ASSERT_TRUE(write_whole_file(aside.list_file(), std::string(LIST_RECORD_SIZE, '\x33') + good + "torn tail"));
    Tavlo tavlo;
    HWND list = nullptr;
    HWND main = tavlo.wait_for_list(&list);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(wait_for_items(list, 1), 1);
    ASSERT_TRUE(tavlo.close(main));
    EXPECT_EQ(stored_links(aside.list_file()), std::vector<std::wstring>{L"https://kept.invalid/v"});
}

}  // namespace
