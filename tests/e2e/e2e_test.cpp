// The whole program as a user meets it: the real tavlo.exe, started from a
// folder laid out like an installation (the stand-in yt-dlp.exe and dwebp.exe
// and the real ffmpeg.exe and ffprobe.exe in bin\), links pasted through the
// clipboard with Ctrl+V, buttons clicked, a local web server for the
// thumbnails; then the list file and a second start that brings it all back
// from the caches without running the tool again.
//
// The stand-in answers from the scenarios of tests/e2e/scenarios (through
// TAVLO_KIT_DIR, inherited by the program's children) and logs every command
// line it gets (TAVLO_KIT_ARGS_LOG), so the test can tell which runs happened.
#include <windows.h>

#include <commctrl.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "app/items/download_item.h"
#include "app/services/settings.h"
#include "app/shell/main_window.h"
#include "base/data_folder.h"
#include "base/text.h"
#include "base/utf.h"
#include "tests/http_test_server.h"
#include "tests/test_support.h"
#include "tests/win_test_support.h"
#include "tests/window_capture.h"

namespace {

constexpr DWORD START_WAIT_MS = 30000;  // a first start in a fresh prefix is slow
constexpr DWORD STEP_WAIT_MS = 20000;
constexpr DWORD EXIT_WAIT_MS = 15000;

const wchar_t VIDEO_LINK[] = L"http://127.0.0.1:8765/pages/video.html";
const wchar_t MEMBERS_LINK[] = L"http://127.0.0.1:8765/pages/members.html";
const wchar_t DIRECT_LINK[] = L"http://127.0.0.1:8765/media/sample.mp4";
const wchar_t VIDEO_TITLE[] = L"T\u00ebst vid\u00e9o: \"\u00dcn\u00efc\u00f6d\u00e9\" \u65e5\u672c\u8a9e | part?1 (1)";
const wchar_t HINT_TEXT[] = L"Drag and drop or copy paste the links to the videos";

std::wstring widen(const char* text) {
    return utf8_to_wide(text);
}

std::wstring program_folder() {
    return widen(TAVLO_E2E_FOLDER);
}

std::wstring tavlo_exe() {
    return program_folder() + L"\\tavlo.exe";
}

template <typename Predicate>
bool wait_until(Predicate done, DWORD ms) {
    for (DWORD waited = 0;; waited += 100) {
        if (done()) {
            return true;
        }
        if (waited >= ms) {
            return false;
        }
        Sleep(100);
    }
}

// Text of a window of another process: WM_GETTEXT is carried across
// processes, and the program's own link controls answer it.
std::wstring text_of(HWND window) {
    wchar_t text[1024] = {};
    DWORD_PTR ignored = 0;
    if (!window || !SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                                        5000, &ignored)) {
        return L"";
    }
    return text;
}

bool visible(HWND window) {
    return window && IsWindowVisible(window);
}

// The program, started as the desktop would start it.
class Program {
public:
    Program() = default;
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    ~Program() { end(); }

    bool start() {
        std::wstring path = tavlo_exe();
        std::wstring commandLine = L"\"" + path + L"\"";
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            program_folder().c_str(), &si, &info_)) {
            return false;
        }
        return wait_until([&] { return (window_ = find_window()) != nullptr; }, START_WAIT_MS);
    }

    HWND window() const { return window_; }

    // Closes the main window as the user does; the exit code.
    DWORD close() {
        if (!info_.hProcess) {
            return STILL_ACTIVE;
        }
        PostMessageW(window_, WM_CLOSE, 0, 0);
        DWORD code = STILL_ACTIVE;
        if (WaitForSingleObject(info_.hProcess, EXIT_WAIT_MS) == WAIT_OBJECT_0) {
            GetExitCodeProcess(info_.hProcess, &code);
        }
        end();
        return code;
    }

    // The item windows, top to bottom: the dialogs that hold a title link.
    std::vector<HWND> items() const {
        std::vector<HWND> found;
        EnumChildWindows(
            window_,
            [](HWND child, LPARAM lp) -> BOOL {
                if (GetDlgCtrlID(child) == ID_ITEM_TITLE && IsWindowVisible(GetParent(child))) {
                    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(GetParent(child));
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&found));
        std::sort(found.begin(), found.end(), [](HWND a, HWND b) {
            RECT ra;
            RECT rb;
            GetWindowRect(a, &ra);
            GetWindowRect(b, &rb);
            return ra.top < rb.top;
        });
        return found;
    }

    // The item whose link or title control reads text.
    HWND item_titled(const std::wstring& text) const {
        for (HWND item : items()) {
            if (text_of(GetDlgItem(item, ID_ITEM_TITLE)) == text) {
                return item;
            }
        }
        return nullptr;
    }

    HWND wait_for_item(const std::wstring& title) const {
        HWND found = nullptr;
        wait_until([&] { return (found = item_titled(title)) != nullptr; }, STEP_WAIT_MS);
        return found;
    }

    // Puts text on the clipboard and presses Ctrl+V in the main window.
    bool paste(const std::wstring& text) const {
        if (!OpenClipboard(nullptr)) {
            return false;
        }
        EmptyClipboard();
        size_t bytes = (text.size() + 1) * sizeof(wchar_t);
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
        bool placed = false;
        if (memory) {
            std::memcpy(GlobalLock(memory), text.c_str(), bytes);
            GlobalUnlock(memory);
            placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
            if (!placed) {
                GlobalFree(memory);
            }
        }
        CloseClipboard();
        if (!placed) {
            return false;
        }
        SetForegroundWindow(window_);
        wait_until([&] { return GetForegroundWindow() == window_; }, 2000);
        INPUT keys[4] = {};
        WORD codes[4] = {VK_CONTROL, 'V', 'V', VK_CONTROL};
        for (int i = 0; i < 4; ++i) {
            keys[i].type = INPUT_KEYBOARD;
            keys[i].ki.wVk = codes[i];
            keys[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
        }
        return SendInput(4, keys, sizeof(INPUT)) == 4;
    }

    void save_picture(const wchar_t* name) const {
        RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Sleep(500);
        capture_window(window_, false).save_png(artifact_path(name));
    }

private:
    HWND find_window() const {
        struct Search {
            DWORD processId;
            HWND found;
        } search = {info_.dwProcessId, nullptr};
        EnumWindows(
            [](HWND w, LPARAM lp) -> BOOL {
                auto* s = reinterpret_cast<Search*>(lp);
                wchar_t name[64];
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                if (pid == s->processId && GetClassNameW(w, name, 64) && wcscmp(name, MAIN_WINDOW_CLASS) == 0 &&
                    IsWindowVisible(w)) {
                    s->found = w;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    void end() {
        if (info_.hProcess) {
            if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(info_.hProcess, 99);
                WaitForSingleObject(info_.hProcess, EXIT_WAIT_MS);
            }
            CloseHandle(info_.hProcess);
            CloseHandle(info_.hThread);
            info_ = {};
        }
    }

    PROCESS_INFORMATION info_ = {};
    HWND window_ = nullptr;
};

// Ends whatever the program left running below the program folder (a tool
// of a crashed run), so that the next test starts clean.
void end_strays() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return;
    }
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    std::wstring folder = program_folder();
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE,
                                     entry.th32ProcessID);
        if (!process) {
            continue;
        }
        wchar_t image[MAX_PATH];
        DWORD size = MAX_PATH;
        if (QueryFullProcessImageNameW(process, 0, image, &size) && _wcsnicmp(image, folder.c_str(), folder.size()) == 0) {
            TerminateProcess(process, 99);
            WaitForSingleObject(process, EXIT_WAIT_MS);
        }
        CloseHandle(process);
    }
    CloseHandle(snapshot);
}

// The prefix's data folder "tavlo", moved aside for the test and put back.
class DataFolderAside {
public:
    DataFolderAside() {
        wchar_t folder[MAX_PATH];
        EXPECT_TRUE(data_folder(folder));
        folder_ = folder;
        aside_ = folder_ + L".e2e-aside";
        if (!path_exists(aside_) && path_exists(folder_)) {
            EXPECT_TRUE(MoveFileW(folder_.c_str(), aside_.c_str()));
        }
        remove_tree(folder_);
    }
    ~DataFolderAside() {
        remove_tree(folder_);
        if (path_exists(aside_)) {
            MoveFileW(aside_.c_str(), folder_.c_str());
        }
    }
    DataFolderAside(const DataFolderAside&) = delete;
    DataFolderAside& operator=(const DataFolderAside&) = delete;

    std::wstring path(const wchar_t* name) const { return folder_ + L"\\" + name; }

private:
    std::wstring folder_;
    std::wstring aside_;
};

// Process-wide variables the program's tools inherit, put back afterwards.
class Environment {
public:
    void set(const wchar_t* name, const std::wstring& value) {
        wchar_t old[2048];
        DWORD n = GetEnvironmentVariableW(name, old, 2048);
        saved_.push_back({name, n > 0 && n < 2048 ? std::wstring(old) : std::wstring(), n > 0 && n < 2048});
        SetEnvironmentVariableW(name, value.c_str());
    }
    ~Environment() {
        for (const Saved& s : saved_) {
            SetEnvironmentVariableW(s.name.c_str(), s.had ? s.value.c_str() : nullptr);
        }
    }

private:
    struct Saved {
        std::wstring name;
        std::wstring value;
        bool had;
    };
    std::vector<Saved> saved_;
};

std::string read_text(const std::wstring& path) {
    std::string bytes;
    read_whole_file(path, bytes);
    return bytes;
}

// How many metadata runs (-j) the stand-in logged for a link.
int metadata_runs(const std::wstring& log, const wchar_t* link) {
    std::string lines = read_text(log);
    std::string linkText = wide_to_utf8(link);
    int runs = 0;
    size_t start = 0;
    while (start < lines.size()) {
        size_t end = lines.find('\n', start);
        if (end == std::string::npos) {
            end = lines.size();
        }
        std::string line = lines.substr(start, end - start);
        if (line.find("\"-j\"") != std::string::npos && line.find("\"" + linkText + "\"") != std::string::npos) {
            ++runs;
        }
        start = end + 1;
    }
    return runs;
}

Settings stored_settings() {
    set_settings_passphrase();  // the same machine, so the same passphrase as tavlo.exe
    Settings settings = {};
    EXPECT_TRUE(load_settings(settings)) << "no readable settings file";
    return settings;
}

void store_settings(const Settings& settings) {
    wchar_t message[260] = {};
    EXPECT_TRUE(save_settings(settings, message, sizeof(message))) << wide_to_utf8(message);
}

class WholeProgram : public ::testing::Test {
protected:
    void SetUp() override {
        end_strays();
        ASSERT_TRUE(thumbnails_.ok()) << "port 8765 is taken";
        std::string thumbnail;
        ASSERT_TRUE(read_whole_file(widen(TAVLO_TEST_ROOT) + L"\\fixtures\\thumb-480x360.jpg", thumbnail));
        HttpResponse picture;
        picture.contentType = "image/jpeg";
        picture.body = thumbnail;
        thumbnails_.respond("/img/thumb480x360.jpg", picture);
        argsLog_ = downloads_.path() + L"\\..\\e2e-args.log";
        DeleteFileW(argsLog_.c_str());
        environment_.set(L"TAVLO_KIT_DIR", widen(TAVLO_E2E_SCENARIOS));
        environment_.set(L"TAVLO_KIT_ARGS_LOG", argsLog_);
    }
    void TearDown() override {
        end_strays();
        DeleteFileW(argsLog_.c_str());
    }

    std::wstring argsLog_;
    Environment environment_;
    HttpTestServer thumbnails_{8765};
    DataFolderAside data_;
    TempFolder downloads_;
};

TEST_F(WholeProgram, PasteDownloadPauseFailRemoveAndComeBack) {
    // 1. A first start with an empty data folder makes the settings and shows
    //    the hint over the empty list.
    {
        Program program;
        ASSERT_TRUE(program.start());
        HWND hint = GetDlgItem(program.window(), ID_HINT_TEXT);
        EXPECT_TRUE(wait_until([&] { return visible(hint) && text_of(hint) == HINT_TEXT; }, STEP_WAIT_MS))
            << "hint reads \"" << wide_to_utf8(text_of(hint)) << "\"";
        EXPECT_TRUE(program.items().empty());
        EXPECT_EQ(program.close(), 0u);
    }
    ASSERT_TRUE(path_exists(data_.path(L"conf")));
    Settings settings = stored_settings();
    // Downloads go to a folder of the test's; no update check to wait for.
    text_copy(settings.output_folder, downloads_.path().c_str());
    settings.auto_update = 0;
    store_settings(settings);

    Program program;
    ASSERT_TRUE(program.start());

    // 2. Paste the page's link: title, thumbnail and format link arrive.
    ASSERT_TRUE(program.paste(VIDEO_LINK));
    HWND video = program.wait_for_item(VIDEO_TITLE);
    ASSERT_TRUE(video) << "no item with the video's title";
    HWND format = GetDlgItem(video, ID_ITEM_FORMAT);
    EXPECT_TRUE(wait_until([&] { return visible(format) && !text_of(format).empty(); }, STEP_WAIT_MS));
    EXPECT_TRUE(wait_until(
        [&] {
            for (const HttpRequest& r : thumbnails_.requests()) {
                if (r.target == "/img/thumb480x360.jpg") {
                    return true;
                }
            }
            return false;
        },
        STEP_WAIT_MS))
        << "the thumbnail was never fetched";
    EXPECT_FALSE(visible(GetDlgItem(program.window(), ID_HINT_TEXT)));

    // 3. Pick the WebM source from the format menu (its first entry is the
    //    page's first source, "-f 0"): the caption follows.
    SendMessageTimeoutW(video, WM_COMMAND, MAKEWPARAM(ID_FORMAT_CHOICE_FIRST + 0, 0), 0, SMTO_ABORTIFHUNG, 5000,
                        nullptr);
    std::wstring picked = text_of(format);
    EXPECT_FALSE(picked.empty());

    // 4. Download, pause (the tool's output stops), resume, finish.
    HWND button = GetDlgItem(video, ID_ITEM_MAIN_BUTTON);
    HWND status = GetDlgItem(video, ID_ITEM_STATUS);
    ASSERT_TRUE(visible(button));
    PostMessageW(button, BM_CLICK, 0, 0);
    ASSERT_TRUE(wait_until([&] { return text_of(button) == L"Pause"; }, STEP_WAIT_MS));
    ASSERT_TRUE(wait_until([&] { return text_of(status).find(L" of ") != std::wstring::npos; }, STEP_WAIT_MS))
        << "status reads \"" << wide_to_utf8(text_of(status)) << "\"";
    PostMessageW(button, BM_CLICK, 0, 0);
    ASSERT_TRUE(wait_until([&] { return text_of(button) == L"Resume"; }, STEP_WAIT_MS));
    Sleep(1500);  // the last record that was on its way arrives
    std::wstring frozen = text_of(status);
    Sleep(3000);  // four records' worth of time
    EXPECT_EQ(text_of(status), frozen) << "the output went on while paused";
    PostMessageW(button, BM_CLICK, 0, 0);
    ASSERT_TRUE(wait_until([&] { return text_of(button) == L"Pause"; }, STEP_WAIT_MS));
    ASSERT_TRUE(wait_until([&] { return text_of(button) == L"Play"; }, 60000)) << "the download never finished";
    std::wstring fileName = text_of(GetDlgItem(video, ID_ITEM_TITLE));
    EXPECT_NE(fileName, VIDEO_TITLE) << "a finished item shows its file's name";
    EXPECT_TRUE(path_exists(downloads_.path() + L"\\" + fileName)) << wide_to_utf8(fileName);
    EXPECT_FALSE(path_exists(downloads_.path() + L"\\" + fileName + L".part"));

    // 5. A link that wants a signed-in viewer fails with Login offered.
    ASSERT_TRUE(program.paste(MEMBERS_LINK));
    HWND members = program.wait_for_item(MEMBERS_LINK);
    ASSERT_TRUE(members);
    HWND login = GetDlgItem(members, ID_ITEM_LOGIN);
    EXPECT_TRUE(wait_until([&] { return visible(login) && text_of(login) == L"Login"; }, STEP_WAIT_MS));
    EXPECT_FALSE(text_of(GetDlgItem(members, ID_ITEM_STATUS)).empty());

    // 6. A third link stays waiting; the failed one is removed.
    ASSERT_TRUE(program.paste(DIRECT_LINK));
    ASSERT_TRUE(program.wait_for_item(L"sample"));
    PostMessageW(members, WM_COMMAND, MAKEWPARAM(ID_ITEM_CLOSE, 0), 0);
    EXPECT_TRUE(wait_until([&] { return program.items().size() == 2; }, STEP_WAIT_MS));
    program.save_picture(L"e2e-light.png");
    EXPECT_EQ(program.close(), 0u);

    // 7. The list file holds the two items, the finished one first in time.
    std::string list = read_text(data_.path(L"list"));
    EXPECT_EQ(list.size(), 2u * 5796u);

    // 8. A second start brings both back from the caches: no metadata run.
    size_t thumbnailRequests = thumbnails_.requests().size();
    int videoRuns = metadata_runs(argsLog_, VIDEO_LINK);
    int directRuns = metadata_runs(argsLog_, DIRECT_LINK);
    EXPECT_EQ(videoRuns, 1);
    EXPECT_EQ(directRuns, 1);
    {
        Program again;
        ASSERT_TRUE(again.start());
        HWND restored = again.wait_for_item(fileName);
        ASSERT_TRUE(restored) << "the finished item did not come back";
        EXPECT_TRUE(again.wait_for_item(L"sample"));
        HWND play = GetDlgItem(restored, ID_ITEM_MAIN_BUTTON);
        EXPECT_TRUE(wait_until([&] { return visible(play) && text_of(play) == L"Play"; }, STEP_WAIT_MS));
        EXPECT_EQ(again.items().size(), 2u);
        EXPECT_EQ(again.close(), 0u);
    }
    EXPECT_EQ(metadata_runs(argsLog_, VIDEO_LINK), videoRuns) << "the tool ran again for a cached item";
    EXPECT_EQ(metadata_runs(argsLog_, DIRECT_LINK), directRuns) << "the tool ran again for a cached item";
    EXPECT_EQ(thumbnails_.requests().size(), thumbnailRequests) << "the cached thumbnail was fetched again";

    // 9. The same list dark, right to left (Arabic) and in Japanese.
    struct Look {
        const wchar_t* picture;
        uint16_t language;
        int32_t dark;
    };
    const Look looks[] = {
        {L"e2e-dark.png", 0x0409, 1},
        {L"e2e-arabic.png", 0x0401, 0},
        {L"e2e-japanese-dark.png", 0x0411, 1},
    };
    for (const Look& look : looks) {
        SCOPED_TRACE(wide_to_utf8(look.picture));
        Settings styled = stored_settings();
        styled.lang_id = look.language;
        styled.dark_mode = look.dark;
        store_settings(styled);
        Program shown;
        ASSERT_TRUE(shown.start());
        EXPECT_TRUE(wait_until([&] { return shown.items().size() == 2; }, STEP_WAIT_MS));
        shown.save_picture(look.picture);
        EXPECT_EQ(shown.close(), 0u);
    }
}

}  // namespace
