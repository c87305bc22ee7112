// The item window as the download list shows it, with real jobs: the test
// kit's stand-in yt-dlp.exe replays recorded output (and scenarios of this
// test's own), the real ffmpeg.exe finalizes a stopped live recording, and a
// plain window stands in for the list. The items go through their states;
// controls, texts, positions and colours are checked, and pictures of every
// look are kept as test artefacts (light and dark).
#include "app/items/item_window.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/app_messages.h"
#include "app/media/format_menu.h"
#include "app/services/settings.h"
#include "app/tools/browser_profile.h"
#include "app/tools/thumbnails.h"
#include "app/tools/tool_runner.h"
#include "base/data_folder.h"
#include "base/gdiplus.h"
#include "base/text.h"
#include "base/utf.h"
#include "tests/dialog_driver.h"
#include "tests/test_support.h"
#include "tests/win_test_support.h"
#include "tests/window_capture.h"
#include "ui/static_link.h"
#include "ui/theme.h"

namespace {

constexpr int LIST_WIDTH = 640;
const wchar_t SAMPLE[] = L"http://127.0.0.1:8765/media/sample.mp4";

class Libraries : public ::testing::Environment {
public:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token_, &input, nullptr);
        OleInitialize(nullptr);
    }
    void TearDown() override {
        OleUninitialize();
        Gdiplus::GdiplusShutdown(token_);
    }

private:
    ULONG_PTR token_ = 0;
};
const ::testing::Environment* const kLibraries = ::testing::AddGlobalTestEnvironment(new Libraries);

std::wstring program_folder() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\'));
}

// JSON string text with every non-ASCII unit escaped, so the scenario files
// stay ASCII; written for a scenario's say line, whose own escapes take one
// backslash of every pair.
std::string json_text(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        if (c == L'"') {
            out += "\\\\\"";
        } else if (c == L'\\') {
            out += "\\\\\\\\";
        } else if (c < 0x20 || c > 0x7E) {
            char escape[16];
            snprintf(escape, sizeof(escape), "\\\\u%04x", static_cast<unsigned>(c));
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// A video of two MP4 formats with this title, as yt-dlp -j prints it.
std::string video_json(const std::wstring& title, unsigned duration) {
    return "{\"id\":\"v1\",\"title\":\"" + json_text(title) + "\",\"duration\":" + std::to_string(duration) +
           ",\"extractor\":\"generic\",\"formats\":["
           "{\"format_id\":\"18\",\"ext\":\"mp4\",\"height\":360,\"width\":640,\"vcodec\":\"avc1.42001E\","
           "\"acodec\":\"mp4a.40.2\",\"url\":\"http://x/a.mp4\",\"filesize\":10485760},"
           "{\"format_id\":\"22\",\"ext\":\"mp4\",\"height\":720,\"width\":1280,\"vcodec\":\"avc1.64001F\","
           "\"acodec\":\"mp4a.40.2\",\"url\":\"http://x/b.mp4\",\"filesize\":31457280}]}";
}

// Scenarios of the test's own beside the stand-in's recorded ones.
class ExtraScenarios {
public:
    ~ExtraScenarios() {
        for (const std::wstring& f : files_) {
            DeleteFileW(f.c_str());
        }
    }
    void add(const std::wstring& name, const std::string& text) {
        std::wstring path = program_folder() + L"\\bin\\kit\\" + name;
        EXPECT_TRUE(write_whole_file(path, text));
        files_.push_back(path);
    }

private:
    std::vector<std::wstring> files_;
};

// The scenarios every test here may use.
void add_common_scenarios(ExtraScenarios& extra) {
    extra.add(L"item-slow-info.scenario",
              "link http://kit.test/slow-info\nmode metadata\n  say [generic] Extracting URL: http://kit.test/slow-info\\n\n"
              "  alive 0 500\n");
    extra.add(L"item-slow-download.scenario",
              "link http://kit.test/slow-download\nmode metadata\n  replay ../../fixtures/ytdlp-j-direct-mp4.out\n"
              "mode download\n  replay ../../fixtures/ytdlp-download-direct-big-mp4.out\n  pause 250\n");
    extra.add(L"item-live.scenario",
              "link http://kit.test/live\nmode metadata\n"
              "  say {\"id\":\"index\",\"title\":\"Harbour camera (live)\",\"is_live\":true,\"format_id\":\"0\","
              "\"ext\":\"mp4\",\"height\":240,\"width\":320}\\n\n"
              "mode download\n  replay ../../fixtures/ytdlp-download-hls-live-ffmpeg-killed.out\n  pause 10\n"
              "  content ../../fixtures/live-partial.ts\n  child 0\n  alive 0 300 6000\n"
              "  alive-record frame=  150 fps= 25 q=-1.0 size=     110kB time={time} bitrate= 151.3kbits/s speed=   1x"
              "    \\r\n");
    extra.add(L"item-sign-in.scenario",
              "link http://kit.test/sign-in\nmode metadata\n"
              "  say ERROR: [youtube] abc123: Sign in to confirm your age. This video may be inappropriate for some "
              "users. Use --cookies-from-browser or --cookies for the authentication.\\n\n  exit 1\n");
    extra.add(L"item-password.scenario",
              "link http://kit.test/password\nmode metadata\n"
              "  say ERROR: [vimeo] 76979871: This video is protected by a password, use the --video-password "
              "option\\n\n  exit 1\n"
              "mode metadata\n  if-arg --video-password s3cret\n  replay ../../fixtures/ytdlp-j-direct-mp4.out\n");
    extra.add(L"item-two-formats.scenario",
              "link http://kit.test/two-formats\nmode metadata\n  say " + video_json(L"Two formats", 212) +
                  "\\n\nmode download\n  replay ../../fixtures/ytdlp-download-direct-mp4.out\n  pause 5\n");
    struct Title {
        const char* link;
        std::wstring title;
        unsigned duration;
    };
    const Title kTitles[] = {
        {"http://kit.test/title-long",
         L"The complete recording of the annual general meeting of the society for the preservation of extremely "
         L"long video titles, part 17 of 23 (director's cut, remastered)",
         5025},
        {"http://kit.test/title-arabic", L"\x062C\x0648\x0644\x0629 \x0641\x064A \x0627\x0644\x0645\x062F\x064A\x0646\x0629 "
                                     L"\x0627\x0644\x0642\x062F\x064A\x0645\x0629 - \x0641\x064A\x062F\x064A\x0648 "
                                     L"\x062A\x062C\x0631\x064A\x0628\x064A",
         311},
        {"http://kit.test/title-japanese", L"\x6771\x4EAC\x306E\x591C\x666F \x2014 4K \x30BF\x30A4\x30E0\x30E9\x30D7\x30B9",
         95},
        {"http://kit.test/title-emoji", L"Cooking \xD83C\xDF73 pancakes \xD83E\xDD5E in 5 minutes \x23F1\xFE0F", 300},
    };
    int n = 0;
    for (const Title& t : kTitles) {
        extra.add(L"item-title-" + std::to_wstring(n++) + L".scenario",
                  std::string("link ") + t.link + "\nmode metadata\n  say " + video_json(t.title, t.duration) + "\\n\n");
    }
}

// The plain window that stands in for the download list.
class ListStandIn {
public:
    ListStandIn(int width, int height) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = L"TavloTestList";
        RegisterClassW(&wc);
        window_ = CreateWindowExW(0, wc.lpszClassName, L"Tavlo list", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                  width, height, nullptr, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~ListStandIn() { DestroyWindow(window_); }
    ListStandIn(const ListStandIn&) = delete;
    ListStandIn& operator=(const ListStandIn&) = delete;

    HWND handle() const { return window_; }
    std::vector<DownloadItem*> items;
    std::vector<std::wstring> closed;
    std::vector<int> clicks;

    // Pumps messages, refreshing downloading items as the list's timer
    // does, until the condition holds or the time is up.
    bool pump_until(const std::function<bool()>& condition, DWORD ms = 30000) {
        DWORD start = GetTickCount();
        while (!condition()) {
            if (GetTickCount() - start > ms) {
                return false;
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            pump_once();
        }
        pump_once();
        return true;
    }
    void pump_once() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        for (DownloadItem* item : items) {
            if (!item->destroyed && item->state == STATE_DOWNLOADING) {
                refresh_progress(*item);
            }
        }
    }

private:
    HWND window_ = nullptr;

    static LRESULT CALLBACK proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<ListStandIn*>(GetWindowLongPtrW(w, GWLP_USERDATA));
        switch (m) {
        case WM_ERASEBKGND: {
            RECT r;
            GetClientRect(w, &r);
            FillRect(reinterpret_cast<HDC>(wp), &r, theme_background_brush());
            return 1;
        }
        case WM_APP_ITEM_CLOSED:
            if (self) {
                self->closed.emplace_back(reinterpret_cast<const wchar_t*>(lp));
            }
            HeapFree(GetProcessHeap(), 0, reinterpret_cast<void*>(lp));
            return 0;
        case WM_APP_ITEM_CLICKED:
            if (self) {
                self->clicks.push_back(static_cast<int>(wp));
            }
            return 0;
        case WM_APP_THUMBNAIL_READY:
            if (self) {
                for (DownloadItem* item : self->items) {
                    if (text_equal(item->key, reinterpret_cast<const wchar_t*>(lp))) {
                        thumbnail_ready(*item);
                    }
                }
            }
            HeapFree(GetProcessHeap(), 0, reinterpret_cast<void*>(lp));
            return 0;
        default:
            return DefWindowProcW(w, m, wp, lp);
        }
    }
};

std::wstring key_of(const wchar_t* link) {
    wchar_t key[33] = {};
    md5_hex(link, text_length(link) * sizeof(wchar_t), key);
    return key;
}

std::wstring text_of(HWND control) {
    wchar_t text[1024];
    GetWindowTextW(control, text, 1024);
    return text;
}

RECT rect_in(HWND parent, HWND control) {
    RECT r = {};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool shown(HWND control) {
    return (GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

const StaticLinkState& link_state(HWND control) {
    return *reinterpret_cast<const StaticLinkState*>(GetWindowLongPtrW(control, GWLP_USERDATA));
}

bool menu_enabled(const DownloadItem& item, int id) {
    UINT state = GetMenuState(GetSubMenu(item.contextMenu, 0), id, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
}

// The controls of one item window by their identifiers.
struct Controls {
    HWND window, thumbnail, title, glyph, format, main, login, password, progress, status, close;
    explicit Controls(const DownloadItem& item)
        : window(static_cast<HWND>(item.window)),
          thumbnail(GetDlgItem(window, ID_ITEM_THUMBNAIL)),
          title(GetDlgItem(window, ID_ITEM_TITLE)),
          glyph(GetDlgItem(window, ID_ITEM_GLYPH)),
          format(GetDlgItem(window, ID_ITEM_FORMAT)),
          main(GetDlgItem(window, ID_ITEM_MAIN_BUTTON)),
          login(GetDlgItem(window, ID_ITEM_LOGIN)),
          password(GetDlgItem(window, ID_ITEM_PASSWORD)),
          progress(GetDlgItem(window, ID_ITEM_PROGRESS)),
          status(GetDlgItem(window, ID_ITEM_STATUS)),
          close(GetDlgItem(window, ID_ITEM_CLOSE)) {}
    RECT rect(HWND control) const { return rect_in(window, control); }
};

// What the item's controls show, against the face its rules compute.
::testing::AssertionResult shows_its_face(const DownloadItem& item) {
    ItemFace face;
    if (!current_item_face(item, face)) {
        return ::testing::AssertionFailure() << "the item has no window";
    }
    Controls c(item);
    std::string wrong;
    auto expect = [&](bool holds, const char* what) {
        if (!holds) {
            wrong += std::string(" ") + what + ";";
        }
    };
    expect(text_of(c.title) == face.title, "title text");
    expect(link_state(c.title).link == face.titleLink, "title link");
    expect(shown(c.format) == face.formatShown && shown(c.glyph) == face.formatShown, "format shown");
    expect(!face.formatShown || link_state(c.format).link == face.formatLink, "format link");
    expect(!face.formatShown || face.formatLink || link_state(c.format).textColour == g_colours.mutedText,
           "muted format colour");
    expect(shown(c.status) == face.statusShown, "status shown");
    expect(!face.statusShown || text_of(c.status) == face.status, "status text");
    expect(shown(c.progress) == (face.progress != ProgressLook::HIDDEN), "progress shown");
    const std::pair<HWND, const ButtonFace*> buttons[] = {{c.main, &face.main}, {c.login, &face.login},
                                                          {c.password, &face.password}};
    for (const auto& [button, want] : buttons) {
        expect(shown(button) == want->shown, "button shown");
        expect(!want->shown || text_of(button) == want->caption, "button caption");
        expect(!want->shown || (IsWindowEnabled(button) != FALSE) == want->enabled, "button enabled");
    }
    expect(menu_enabled(item, ID_ITEM_TITLE) == face.playEnabled, "Play in the menu");
    if (wrong.empty()) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "differs in" << wrong << " (state " << static_cast<int>(item.state)
                                         << ", title \"" << wide_to_utf8(text_of(c.title)) << "\", status \""
                                         << wide_to_utf8(text_of(c.status)) << "\")";
}

void click(HWND button) {
    SendMessageW(button, BM_CLICK, 0, 0);
}

// The sign-in browser the setup program places beside the program: here the
// stand-in tool under that name, which exits at once.
class ProgramFolderBrowser {
public:
    ProgramFolderBrowser() {
        CreateDirectoryW(folder_.c_str(), nullptr);
        CreateDirectoryW((folder_ + L"\\LibreWolf").c_str(), nullptr);
        CopyFileW((program_folder() + L"\\bin\\yt-dlp.exe").c_str(),
                  (folder_ + L"\\LibreWolf\\librewolf.exe").c_str(), FALSE);
    }
    ~ProgramFolderBrowser() {
        for (int waited = 0; waited < 10000 && running_browsers(); waited += 50) {
            Sleep(50);
        }
        remove_tree(folder_);
    }
    ProgramFolderBrowser(const ProgramFolderBrowser&) = delete;
    ProgramFolderBrowser& operator=(const ProgramFolderBrowser&) = delete;

private:
    std::wstring folder_ = program_folder() + L"\\browser";

    static bool running_browsers() {
        bool found = false;
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32W entry = {};
        entry.dwSize = sizeof(entry);
        for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
            if (entry.th32ParentProcessID == GetCurrentProcessId() && text_equal_nocase(entry.szExeFile, L"librewolf.exe")) {
                found = true;
            }
        }
        CloseHandle(snapshot);
        return found;
    }
};

class ItemWindow : public ::testing::Test {
protected:
    TempFolder root;       // the local application-data folder
    TempFolder downloads;  // the output folder
    ExtraScenarios extra;
    std::unique_ptr<ListStandIn> list;
    ItemShared shared = {};
    wchar_t token[CHOICE_TOKEN_CAPACITY] = {};
    int subtitlesOnly = 0;
    int subtitleMode = 0;
    std::string placeholder;

    virtual bool dark() const { return false; }
    virtual int list_height() const { return ITEM_HEIGHT; }

    void SetUp() override {
        fix_dark_mode(dark());
        fill_theme_colours();
        set_data_folder_root(root.path().c_str());
        for (const wchar_t* folder : {L"\\tavlo", L"\\tavlo\\json", L"\\tavlo\\jpg"}) {
            CreateDirectoryW((root.path() + folder).c_str(), nullptr);
        }
        add_common_scenarios(extra);
        list = std::make_unique<ListStandIn>(LIST_WIDTH, list_height());
        placeholder = make_placeholder();
        shared.instance = GetModuleHandleW(nullptr);
        shared.normalFont = ui_font();
        shared.iconFont = CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0,
                                      CLEARTYPE_QUALITY, 0, L"Segoe MDL2 Assets");
        shared.placeholderJpeg = placeholder.data();
        shared.placeholderSize = placeholder.size();
        shared.rememberedToken = &token;
        shared.rememberedSubtitlesOnly = &subtitlesOnly;
        shared.rememberedSubtitleMode = &subtitleMode;
    }

    void TearDown() override {
        for (DownloadItem* item : list->items) {
            if (!item->destroyed) {
                DestroyWindow(static_cast<HWND>(item->window));
            }
        }
        EXPECT_TRUE(list->pump_until(
            [&] {
                for (DownloadItem* item : list->items) {
                    if (item_threads_running(*item)) {
                        return false;
                    }
                }
                return true;
            },
            60000))
            << "job threads did not end";
        for (DownloadItem* item : list->items) {
            if (!item_threads_running(*item)) {
                free_item(item);
            }
        }
        list.reset();
        DeleteObject(shared.normalFont);
        DeleteObject(shared.iconFont);
        set_data_folder_root(L"");
        SetEnvironmentVariableW(L"TAVLO_KIT_ARGS_LOG", nullptr);
    }

    // A grey picture with a play triangle, as JPEG bytes.
    std::string make_placeholder() {
        Gdiplus::Bitmap bitmap(THUMBNAIL_WIDTH, THUMBNAIL_HEIGHT, PixelFormat24bppRGB);
        {
            Gdiplus::Graphics g(&bitmap);
            g.Clear(Gdiplus::Color(255, 200, 200, 200));
            Gdiplus::SolidBrush brush(Gdiplus::Color(255, 150, 150, 150));
            Gdiplus::Point triangle[3] = {{38, 15}, {38, 35}, {55, 25}};
            g.FillPolygon(&brush, triangle, 3);
        }
        std::wstring path = root.file(L"placeholder.jpg");
        std::string bytes;
        if (save_jpeg(&bitmap, path.c_str())) {
            read_whole_file(path, bytes);
        }
        return bytes;
    }

    // The cached picture the thumbnail job would have left for the link.
    void place_thumbnail(const wchar_t* link) {
        wchar_t path[MAX_PATH];
        ASSERT_TRUE(thumbnail_cache_path(key_of(link).c_str(), path));
        ASSERT_TRUE(write_whole_file(path, read_test_file("fixtures/thumb-480x360.jpg")));
    }

    DownloadItem* add(const wchar_t* link, const ListRecord* record = nullptr, int row = 0) {
        auto* item = new DownloadItem();
        text_copy(item->outputFolder, downloads.path().c_str());
        list->items.push_back(item);
        EXPECT_TRUE(init_item(*item, shared, link, record, list->handle(), 0, LIST_WIDTH));
        if (row) {
            SetWindowPos(static_cast<HWND>(item->window), nullptr, 0, row * ITEM_HEIGHT, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            item->listIndex = row;
        }
        return item;
    }

    // What the item was doing when a wait ran out.
    static std::string describe(const DownloadItem& item) {
        wchar_t text[1024];
        text_format(text, L"state %d, %u documents, metadata thread %ls, download thread %ls, tool %u, paused %d, "
                          L"status \"%ls\", error \"%ls\"",
                    static_cast<int>(item.state), item.documentsReceived.load(),
                    item.metadataThread ? L"running" : L"ended", item.downloadThread ? L"running" : L"ended",
                    item.downloadPid.load(), item.paused, item.statusText, item.errorText);
        return wide_to_utf8(text);
    }
    ::testing::AssertionResult until_state(const DownloadItem& item, int state, DWORD ms = 30000) {
        if (list->pump_until([&] { return item.state == state; }, ms)) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << describe(item);
    }
    // Metadata in and the job ended.
    ::testing::AssertionResult until_ready(const DownloadItem& item) {
        if (list->pump_until([&] { return item.state == STATE_READY && !item.metadataThread; })) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << describe(item);
    }
};

TEST_F(ItemWindow, FromLinkThroughLoadingReadyDownloadToDone) {
    DownloadItem* item = add(SAMPLE);
    Controls c(*item);
    // Right after creation: the link is the title, nothing else yet.
    EXPECT_EQ(text_of(c.title), SAMPLE);
    EXPECT_FALSE(link_state(c.title).link);
    EXPECT_TRUE(shown(c.close));
    EXPECT_FALSE(shown(c.main));
    EXPECT_FALSE(shown(c.format));
    RECT close = c.rect(c.close);
    EXPECT_EQ(close.right, LIST_WIDTH - 5);
    EXPECT_EQ(close.top, 4);
    RECT thumb = c.rect(c.thumbnail);
    EXPECT_EQ(thumb.left, 15);
    EXPECT_EQ(thumb.top, (ITEM_HEIGHT - THUMBNAIL_HEIGHT) / 2);
    EXPECT_EQ(thumb.right - thumb.left, THUMBNAIL_WIDTH);

    ASSERT_TRUE(until_ready(*item));
    EXPECT_TRUE(shows_its_face(*item));
    EXPECT_EQ(text_of(c.title), L"sample");
    EXPECT_FALSE(shown(c.status));
    EXPECT_TRUE(shown(c.glyph));
    EXPECT_TRUE(shown(c.format));
    EXPECT_TRUE(link_state(c.format).link);
    EXPECT_TRUE(link_state(c.format).arrow);
    EXPECT_NE(text_of(c.format), L"");
    EXPECT_TRUE(shown(c.main));
    EXPECT_EQ(text_of(c.main), L"Download");
    RECT main = c.rect(c.main);
    EXPECT_EQ(main.right, LIST_WIDTH - 22 - 5);
    EXPECT_EQ(main.right - main.left, 112);
    EXPECT_EQ(main.top, (ITEM_HEIGHT - 27) / 2);
    RECT title = c.rect(c.title);
    EXPECT_EQ(title.left, THUMBNAIL_WIDTH + 25);
    EXPECT_EQ(title.top, 15);
    EXPECT_LE(title.right, main.left - 10);
    RECT format = c.rect(c.format);
    EXPECT_EQ(format.left, THUMBNAIL_WIDTH + 45);
    EXPECT_EQ(format.top, 40);
    EXPECT_FALSE(menu_enabled(*item, ID_ITEM_TITLE));

    click(c.main);
    ASSERT_TRUE(until_state(*item, STATE_DOWNLOADING));
    EXPECT_TRUE(shows_its_face(*item));
    EXPECT_EQ(text_of(c.main), L"Pause");
    EXPECT_TRUE(shown(c.progress));
    EXPECT_TRUE(shown(c.status));
    EXPECT_FALSE(shown(c.glyph));
    EXPECT_FALSE(shown(c.format));
    RECT progress = c.rect(c.progress);
    EXPECT_EQ(progress.left, THUMBNAIL_WIDTH + 25);
    EXPECT_EQ(progress.top, 35);
    EXPECT_EQ(progress.bottom - progress.top, 4);
    EXPECT_EQ(progress.right, main.left - 10);

    ASSERT_TRUE(until_state(*item, STATE_DONE));
    EXPECT_TRUE(shows_its_face(*item));
    EXPECT_EQ(std::wstring(item->outputPath), downloads.file(L"sample.mp4"));
    EXPECT_EQ(text_of(c.title), L"sample.mp4");
    EXPECT_TRUE(link_state(c.title).link);
    EXPECT_FALSE(shown(c.progress));
    EXPECT_FALSE(shown(c.status));
    EXPECT_TRUE(shown(c.format));
    EXPECT_FALSE(link_state(c.format).link);
    EXPECT_FALSE(link_state(c.format).arrow);
    EXPECT_EQ(link_state(c.format).textColour, g_colours.mutedText);
    EXPECT_EQ(text_of(c.main), L"Play");
    EXPECT_TRUE(IsWindowEnabled(c.main));
    EXPECT_TRUE(menu_enabled(*item, ID_ITEM_TITLE));

    // The file goes away: Play says so instead of starting a player.
    DeleteFileW(item->outputPath);
    click(c.main);
    ASSERT_TRUE(until_state(*item, STATE_FILE_MISSING));
    EXPECT_TRUE(shows_its_face(*item));
    EXPECT_EQ(text_of(c.status), L"The file might have been moved or deleted");
    EXPECT_TRUE(shown(c.status));
    EXPECT_FALSE(shown(c.main));
    EXPECT_FALSE(link_state(c.title).link);
    EXPECT_FALSE(menu_enabled(*item, ID_ITEM_TITLE));

    // Removal: the list hears the key once the window is gone.
    PostMessageW(c.close, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(8, 8));
    PostMessageW(c.close, WM_LBUTTONUP, 0, MAKELPARAM(8, 8));
    ASSERT_TRUE(list->pump_until([&] { return item->destroyed != 0; }));
    ASSERT_TRUE(list->pump_until([&] { return !list->closed.empty(); }));
    EXPECT_EQ(list->closed, std::vector<std::wstring>{key_of(SAMPLE)});
    EXPECT_TRUE(list->clicks.empty()) << "a press on the close box selects nothing";
    EXPECT_FALSE(IsWindow(c.window));
}

TEST_F(ItemWindow, WithoutButtonsTheTextsEndTenPixelsBeforeTheCloseBox) {
    const std::wstring link(300, L'x');  // no '.': not a link, and longer than the room
    DownloadItem* item = add(link.c_str());
    Controls c(*item);
    list->pump_until([] { return false; }, 200);
    EXPECT_EQ(item->metadataThread, nullptr);
    EXPECT_TRUE(shown(c.status));
    EXPECT_EQ(text_of(c.status), L"Unable to load video information");
    EXPECT_FALSE(shown(c.main) || shown(c.login) || shown(c.password));
    EXPECT_EQ(c.rect(c.close).right, LIST_WIDTH - 5);
    EXPECT_EQ(c.rect(c.title).right, LIST_WIDTH - 32);
    EXPECT_EQ(c.rect(c.status).right, LIST_WIDTH - 32);
    EXPECT_LE(c.rect(c.format).right, LIST_WIDTH - 32);

    // Narrower: everything follows the right edge.
    SetWindowPos(c.window, nullptr, 0, 0, 400, ITEM_HEIGHT, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(c.rect(c.close).right, 400 - 5);
    EXPECT_EQ(c.rect(c.title).right, 400 - 32);
    EXPECT_EQ(c.rect(c.status).right, 400 - 32);
}

TEST_F(ItemWindow, ErrorTextsLoseTheToolsOptionHints) {
    struct Case {
        const wchar_t* error;
        const wchar_t* shown;
    };
    const Case kCases[] = {
        {L"ERROR: [vimeo] 1: This video is protected by a password, use the --video-password option",
         L"ERROR: [vimeo] 1: This video is protected by a password"},
        {L"ERROR: [youtube] x: Private video. Sign in if you've been granted access. Use --cookies-from-browser or "
         L"--cookies for the authentication.",
         L"ERROR: [youtube] x: Private video. Sign in if you've been granted access"},
        {L"Wrong password. Use the --video-password option.", L"Wrong password"},
        {L"Nothing to cut here, really,", L"Nothing to cut here, really,"},
    };
    DownloadItem* item = add(L"not a link");
    Controls c(*item);
    for (const Case& k : kCases) {
        SCOPED_TRACE(wide_to_utf8(k.error));
        text_copy(item->errorText, k.error);
        PostMessageW(c.window, WM_APP_ITEM_STATE, STATE_FAILED, 0);
        ASSERT_TRUE(list->pump_until([&] { return text_of(c.status) == k.shown; }, 5000)) << wide_to_utf8(text_of(c.status));
        EXPECT_EQ(item->state, STATE_FAILED);
    }
}

TEST_F(ItemWindow, VideoIdAndKeyComeFromTheLink) {
    DownloadItem* item = add(L"https://www.example.com/watch?v=abc&t=5");
    EXPECT_STREQ(item->videoId, L"abc");
    EXPECT_EQ(std::wstring(item->key), key_of(L"https://www.example.com/watch?v=abc&t=5"));
    DownloadItem* other = add(L"https://www.example.com/xv=1");
    EXPECT_EQ(other->videoId, nullptr);
}

TEST_F(ItemWindow, SignInNeededOffersLoginThenRetry) {
    wchar_t firefox[MAX_PATH];
    if (find_installed_firefox(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, firefox) ||
        find_installed_firefox(HKEY_CURRENT_USER, KEY_WOW64_64KEY, firefox)) {
        GTEST_SKIP() << "an installed Firefox would be started";
    }
    DownloadItem* item = add(L"http://kit.test/sign-in");
    Controls c(*item);
    ASSERT_TRUE(until_state(*item, STATE_FAILED));
    EXPECT_TRUE(shown(c.login));
    EXPECT_EQ(text_of(c.login), L"Login");
    EXPECT_FALSE(shown(c.password));
    EXPECT_FALSE(shown(c.main));
    EXPECT_EQ(text_of(c.status),
              L"ERROR: [youtube] abc123: Sign in to confirm your age. This video may be inappropriate for some users");
    RECT login = c.rect(c.login);
    EXPECT_EQ(login.right, LIST_WIDTH - 27);
    EXPECT_EQ(c.rect(c.status).right, login.left - 10);

    {
        ProgramFolderBrowser browser;
        click(c.login);  // the browser opens on the sign-in page
        EXPECT_EQ(item->signedIn, 1);
        EXPECT_TRUE(shows_its_face(*item));
        EXPECT_EQ(text_of(c.login), L"Retry");
        EXPECT_TRUE(text_starts_with(item->cookieArgument, L"firefox:")) << wide_to_utf8(item->cookieArgument);
    }

    // Retry runs the metadata job again, now with the browser's cookies.
    std::wstring log = root.file(L"args.log");
    SetEnvironmentVariableW(L"TAVLO_KIT_ARGS_LOG", log.c_str());
    click(c.login);
    ASSERT_TRUE(list->pump_until([&] { return !shown(c.login); }));
    EXPECT_EQ(text_of(c.status), L"Loading video information...");
    ASSERT_TRUE(until_state(*item, STATE_FAILED));
    EXPECT_EQ(text_of(c.login), L"Retry");
    std::string logged;
    ASSERT_TRUE(read_whole_file(log, logged));
    EXPECT_NE(logged.find("\"--cookies-from-browser\""), std::string::npos) << logged;
}

TEST_F(ItemWindow, PasswordNeededAsksForItAndLoadsAgain) {
    DownloadItem* item = add(L"http://kit.test/password");
    Controls c(*item);
    ASSERT_TRUE(until_state(*item, STATE_FAILED));
    EXPECT_TRUE(shown(c.password));
    EXPECT_FALSE(shown(c.login));
    EXPECT_EQ(text_of(c.password), L"Enter password");
    EXPECT_EQ(text_of(c.status), L"ERROR: [vimeo] 76979871: This video is protected by a password");
    EXPECT_EQ(c.rect(c.password).right, LIST_WIDTH - 27);
    {
        DialogDriver driver(L"Password required", [](HWND dialog) {
            SetDlgItemTextW(dialog, 996, L"s3cret");
            SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        });
        click(c.password);
        EXPECT_TRUE(driver.found());
    }
    EXPECT_STREQ(item->videoPassword, L"s3cret");
    ASSERT_TRUE(until_ready(*item));
    EXPECT_FALSE(shown(c.password));
    EXPECT_EQ(text_of(c.title), L"sample");
    EXPECT_TRUE(shown(c.main));
}

TEST_F(ItemWindow, RestoredItemsReplayTheirOutcome) {
    std::wstring kept = downloads.file(L"kept.mp4");
    ASSERT_TRUE(write_whole_file(kept, "kept"));
    struct Case {
        int state;
        int choice;
        const wchar_t* path;
        int expected;
        const wchar_t* file;    // the output file afterwards
        const wchar_t* button;  // the main button's text, null when hidden
        const wchar_t* status;  // the status text, null when hidden
    };
    const Case kCases[] = {
        {STATE_DOWNLOADING, 0, L"", STATE_DONE, L"sample.mp4", L"Play", nullptr},
        {STATE_FAILED, 1, L"", STATE_DONE, L"sample.mp3", L"Play", nullptr},  // the stored choice: MP3
        {STATE_DONE, 0, kept.c_str(), STATE_DONE, L"kept.mp4", L"Play", nullptr},
        {STATE_FILE_MISSING, 0, L"", STATE_FILE_MISSING, L"", nullptr, L"The file might have been moved or deleted"},
    };
    for (const Case& k : kCases) {
        SCOPED_TRACE(k.state);
        ListRecord record = {};
        text_copy(record.key, key_of(SAMPLE).c_str());
        text_copy(record.link, SAMPLE);
        text_copy(record.outputFolder, downloads.path().c_str());
        text_copy(record.outputPath, k.path);
        record.selectedChoice = k.choice;
        record.state = k.state;
        DownloadItem* item = add(SAMPLE, &record);
        EXPECT_EQ(item->restoredState, k.state);
        Controls c(*item);
        ASSERT_TRUE(list->pump_until([&] { return item->state == k.expected && !item->downloadThread; }));
        EXPECT_EQ(std::wstring(item->outputPath), k.file[0] ? downloads.file(k.file) : L"");
        EXPECT_EQ(shown(c.main), k.button != nullptr);
        if (k.button) {
            EXPECT_EQ(text_of(c.main), k.button);
        }
        EXPECT_EQ(shown(c.status), k.status != nullptr);
        if (k.status) {
            EXPECT_EQ(text_of(c.status), k.status);
        }
        DestroyWindow(c.window);
        ASSERT_TRUE(list->pump_until([&] { return !item_threads_running(*item); }));
        DeleteFileW(downloads.file(L"sample.mp4").c_str());
        DeleteFileW(downloads.file(L"sample.mp3").c_str());
    }
}

TEST_F(ItemWindow, PauseAndResumeThroughTheMainButtonThenRemoval) {
    DownloadItem* item = add(L"http://kit.test/slow-download");
    Controls c(*item);
    ASSERT_TRUE(until_ready(*item));
    click(c.main);
    ASSERT_TRUE(list->pump_until([&] {
        return item->state == STATE_DOWNLOADING && item->percent <= 100 && item->downloadPid != 0;
    }));
    EXPECT_NE(text_of(c.status).find(L"%"), std::wstring::npos) << wide_to_utf8(text_of(c.status));
    click(c.main);
    EXPECT_EQ(item->paused, 1);
    EXPECT_EQ(text_of(c.main), L"Resume");
    click(c.main);
    EXPECT_EQ(item->paused, 0);
    EXPECT_EQ(text_of(c.main), L"Pause");
    click(c.main);
    EXPECT_EQ(item->paused, 1);

    // Removed while frozen: the tool is thawed and ended, the job quietly goes.
    SendMessageW(c.window, WM_COMMAND, ID_ITEM_CLOSE, 0);  // "Remove from the list"
    ASSERT_TRUE(list->pump_until([&] { return !list->closed.empty(); }));
    EXPECT_EQ(list->closed, std::vector<std::wstring>{key_of(L"http://kit.test/slow-download")});
    ASSERT_TRUE(list->pump_until([&] { return !item_threads_running(*item); }));
    EXPECT_EQ(item->downloadPid.load(), 0u);
}

TEST_F(ItemWindow, AStoppedLiveRecordingIsFinalized) {
    DownloadItem* item = add(L"http://kit.test/live");
    Controls c(*item);
    ASSERT_TRUE(until_ready(*item));
    click(c.main);
    ASSERT_TRUE(list->pump_until([&] { return item->outputPath[0] != 0 && item->downloadPid != 0; }));
    EXPECT_EQ(text_of(c.main), L"Stop");
    click(c.main);
    EXPECT_EQ(text_of(c.main), L"Finalizing...");
    EXPECT_FALSE(IsWindowEnabled(c.main));
    EXPECT_TRUE(shows_its_face(*item));
    ASSERT_TRUE(until_state(*item, STATE_DONE, 90000));
    EXPECT_STREQ(item->errorText, L"");
    EXPECT_TRUE(is_existing_file(item->outputPath));
    EXPECT_EQ(text_of(c.main), L"Play");
    EXPECT_TRUE(IsWindowEnabled(c.main));
}

TEST_F(ItemWindow, AnUnwritableFolderFailsBeforeAnythingStarts) {
    DownloadItem* item = add(SAMPLE);
    Controls c(*item);
    ASSERT_TRUE(until_ready(*item));
    std::wstring file = root.file(L"a-file");
    ASSERT_TRUE(write_whole_file(file, "x"));
    text_copy(item->outputFolder, (file + L"\\sub").c_str());
    click(c.main);
    EXPECT_EQ(item->downloadThread, nullptr);
    ASSERT_TRUE(until_state(*item, STATE_FAILED));
    EXPECT_EQ(text_of(c.status),
              L"Error reading / writing to the destination folder. Please change the folder permissions or select "
              L"another destination folder in the options.");
}

TEST(ProbeFolderWritable, CreatesOneLevelAndLeavesNothingBehind) {
    TempFolder temp;
    ASSERT_TRUE(write_whole_file(temp.file(L"a-file"), "x"));
    struct Case {
        std::wstring folder;
        bool writable;
    };
    const Case kCases[] = {
        {temp.path(), true},
        {temp.file(L"new"), true},
        {temp.file(L"missing\\deeper"), false},
        {temp.file(L"a-file\\sub"), false},
        {L"", false},
    };
    for (const Case& k : kCases) {
        SCOPED_TRACE(wide_to_utf8(k.folder));
        EXPECT_EQ(probe_folder_writable(k.folder.c_str()), k.writable);
    }
    EXPECT_TRUE(path_exists(temp.file(L"new")));
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((temp.path() + L"\\.lx*").c_str(), &found);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE) << "a probe file was left behind";
    if (find != INVALID_HANDLE_VALUE) {
        FindClose(find);
    }
}

TEST_F(ItemWindow, ClicksSelectAndTheMenuCopiesTheLink) {
    DownloadItem* item = add(L"not a link.example/watch");
    Controls c(*item);
    item->listIndex = 3;
    SendMessageW(c.window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 30));
    SendMessageW(c.window, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(300, 30));
    RECT title = c.rect(c.title);
    SendMessageW(c.window, WM_PARENTNOTIFY, MAKEWPARAM(WM_LBUTTONDOWN, ID_ITEM_TITLE),
                 MAKELPARAM(title.left + 2, title.top + 2));
    RECT close = c.rect(c.close);
    SendMessageW(c.window, WM_PARENTNOTIFY, MAKEWPARAM(WM_LBUTTONDOWN, ID_ITEM_CLOSE),
                 MAKELPARAM(close.left + 2, close.top + 2));
    EXPECT_EQ(list->clicks, (std::vector<int>{3, 3, 3}));

    SendMessageW(c.window, WM_COMMAND, ID_ITEM_COPY_URL, 0);
    ASSERT_TRUE(OpenClipboard(nullptr));
    auto* text = static_cast<const wchar_t*>(GlobalLock(GetClipboardData(CF_UNICODETEXT)));
    std::wstring copied = text ? text : L"";
    GlobalUnlock(GetClipboardData(CF_UNICODETEXT));
    CloseClipboard();
    EXPECT_EQ(copied, L"not a link.example/watch");
}

TEST_F(ItemWindow, FormatAndSubtitleCommandsChangeTheChoiceAndItsMemory) {
    DownloadItem* item = add(L"http://127.0.0.1:8765/hls/master/master.m3u8");
    Controls c(*item);
    ASSERT_TRUE(until_ready(*item));
    ASSERT_NE(item->formatMenu, nullptr);
    std::wstring best = text_of(c.format);
    EXPECT_EQ(item->selectedChoice, item->defaultChoice);
    EXPECT_NE(text_of(c.glyph), L"");

    // The first audio-only choice.
    int audio = -1;
    for (uint32_t i = 0; i < item->info.formatCount && audio < 0; ++i) {
        if (item->info.formats[i].kind == KIND_AUDIO) {
            audio = static_cast<int>(i);
        }
    }
    ASSERT_GE(audio, 0);
    SendMessageW(c.window, WM_COMMAND, ID_FORMAT_CHOICE_FIRST + audio, 0);
    EXPECT_EQ(item->selectedChoice, audio);
    EXPECT_EQ(item->choiceExplicit, 1);
    EXPECT_TRUE(text_starts_with(token, L"audio+")) << wide_to_utf8(token);
    EXPECT_TRUE(text_starts_with(text_of(c.format).c_str(), L"Audio")) << wide_to_utf8(text_of(c.format));
    EXPECT_EQ(text_of(c.glyph), std::wstring(1, GLYPH_AUDIO));

    // Embedding subtitles needs a video: the choice goes back to the first.
    SendMessageW(c.window, WM_COMMAND, ID_SUBTITLES_FIRST, 0);
    EXPECT_EQ(item->subtitleMode, 1);
    EXPECT_EQ(item->selectedChoice, 0);
    EXPECT_EQ(subtitleMode, 1);
    EXPECT_NE(text_of(c.format).find(L"SUBS"), std::wstring::npos) << wide_to_utf8(text_of(c.format));

    SendMessageW(c.window, WM_COMMAND, ID_SUBTITLES_ONLY, 0);
    EXPECT_EQ(item->subtitlesOnly, 1);
    EXPECT_EQ(subtitlesOnly, 1);
    EXPECT_EQ(subtitleMode, 0);
    EXPECT_TRUE(text_starts_with(text_of(c.format).c_str(), L"Subtitles only (.srt)"));
    EXPECT_EQ(text_of(c.glyph), std::wstring(1, GLYPH_SUBTITLES));

    SendMessageW(c.window, WM_COMMAND, ID_SUBTITLES_NONE, 0);
    EXPECT_EQ(item->subtitlesOnly, 0);
    EXPECT_EQ(subtitlesOnly, 0);

    // A choice beyond the list changes nothing.
    SendMessageW(c.window, WM_COMMAND, ID_FORMAT_CHOICE_FIRST + 63, 0);
    EXPECT_EQ(item->selectedChoice, 0);
}

TEST_F(ItemWindow, PlaylistTitleIsALinkToItsEntries) {
    DownloadItem* item = add(L"http://127.0.0.1:8765/pages/multi.html");
    Controls c(*item);
    ASSERT_TRUE(until_ready(*item));
    EXPECT_EQ(item->playlistCount, 3u);
    std::wstring title = text_of(c.title);
    EXPECT_EQ(title.rfind(L"Playlist (3): ", 0), 0u) << wide_to_utf8(title);
    EXPECT_TRUE(link_state(c.title).link);
    std::vector<bool> ticks;
    {
        DialogDriver driver(L"Playlist", [&](HWND dialog) {
            HWND rows = GetDlgItem(dialog, 18);
            for (int i = 0; i < ListView_GetItemCount(rows); ++i) {
                ticks.push_back(ListView_GetCheckState(rows, i) != 0);
            }
            SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        });
        SendMessageW(c.window, WM_COMMAND, ID_ITEM_TITLE, reinterpret_cast<LPARAM>(c.title));
        EXPECT_TRUE(driver.found());
    }
    EXPECT_EQ(ticks, (std::vector<bool>{true, false, false}));
    EXPECT_EQ(item->playlistEntries[0].selected, 1u);
    click(c.main);
    ASSERT_TRUE(until_state(*item, STATE_DOWNLOADING));
    EXPECT_FALSE(link_state(c.title).link) << "no playlist choice while it downloads";
}

TEST_F(ItemWindow, RefreshShowsWhatTheDownloadJobWrote) {
    DownloadItem* item = add(L"no link here");  // no job writes the fields behind the test's back
    Controls c(*item);
    SendMessageW(c.window, WM_APP_ITEM_STATE, STATE_DOWNLOADING, 0);
    ASSERT_TRUE(shown(c.progress));
    EXPECT_EQ(text_of(c.status), L"Loading...");
    EXPECT_EQ(text_of(c.main), L"Pause");
    struct Case {
        const wchar_t* status;
        const wchar_t* phase;
        unsigned percent;
        const wchar_t* shown;
        unsigned filled;
    };
    const Case kCases[] = {
        {L"Downloading... ", L"", 45, L"Downloading... 45%", 45},
        {L"Downloading... ", L"", PERCENT_UNKNOWN, L"Downloading... ", 0},
        {L"Downloading... ", L"Merging formats...", 100, L"Merging formats...", 100},
        {L"Downloading... ", L"", 0, L"Downloading... 0%", 0},
    };
    for (const Case& k : kCases) {
        SCOPED_TRACE(k.percent);
        text_copy(item->statusText, k.status);
        text_copy(item->phaseText, k.phase);
        item->percent = k.percent;
        refresh_progress(*item);
        EXPECT_EQ(text_of(c.status), k.shown);
        UpdateWindow(c.progress);
        Capture shot = capture_window(c.window, true);
        RECT bar = c.rect(c.progress);
        int end = bar.left + static_cast<int>(k.filled) * (bar.right - bar.left) / 100;
        if (k.filled > 0) {
            EXPECT_EQ(shot.at(end - 2, bar.top + 1), g_colours.accent);
        }
        if (k.filled < 100) {
            EXPECT_EQ(shot.at(end + 2, bar.top + 1), g_colours.progressTrack);
        }
    }
}

TEST_F(ItemWindow, AFinishedDownloadShowsItsFileOrItsError) {
    std::wstring video = downloads.file(L"clip.mp4");
    std::wstring subtitles = downloads.file(L"clip.en.srt");
    ASSERT_TRUE(write_whole_file(video, "video"));
    ASSERT_TRUE(write_whole_file(subtitles, "subtitles"));
    struct Case {
        std::wstring path;
        int subtitlesOnly;
        const wchar_t* error;
        int state;
        const wchar_t* button;  // null when hidden
        const wchar_t* title;   // the title afterwards
    };
    const Case kCases[] = {
        {video, 0, L"", STATE_DONE, L"Play", L"clip.mp4"},
        {subtitles, 1, L"", STATE_DONE, L"Open", L"clip.en.srt"},
        {video, 0, L"ERROR: postprocessing: Conversion failed!", STATE_DONE, L"Play", L"clip.mp4"},
        {downloads.file(L"gone.mp4"), 0, L"ERROR: unable to download video data", STATE_FAILED, nullptr,
         L"no link here"},
        {downloads.path(), 0, L"ERROR: unable to download video data", STATE_FAILED, nullptr, L"no link here"},
        {L"", 0, L"ERROR: unable to download video data", STATE_FAILED, nullptr, L"no link here"},
    };
    for (const Case& k : kCases) {
        SCOPED_TRACE(wide_to_utf8(k.path));
        DownloadItem* item = add(L"no link here");
        Controls c(*item);
        SendMessageW(c.window, WM_APP_ITEM_STATE, STATE_DOWNLOADING, 0);
        text_copy(item->outputPath, k.path.c_str());
        text_copy(item->errorText, k.error);
        item->subtitlesOnly = k.subtitlesOnly;
        SendMessageW(c.window, WM_APP_ITEM_STATE, STATE_DONE, 0);
        ASSERT_TRUE(until_state(*item, k.state, 5000));
        EXPECT_TRUE(shows_its_face(*item));
        EXPECT_FALSE(shown(c.progress));
        EXPECT_EQ(shown(c.main), k.button != nullptr);
        if (k.button) {
            EXPECT_EQ(text_of(c.main), k.button);
            EXPECT_FALSE(shown(c.status));
            EXPECT_TRUE(link_state(c.title).link);
        } else {
            EXPECT_EQ(text_of(c.status), k.error);
            EXPECT_FALSE(link_state(c.title).link);
        }
        EXPECT_EQ(text_of(c.title), k.title);
        EXPECT_EQ(menu_enabled(*item, ID_ITEM_TITLE), k.state == STATE_DONE);
        DestroyWindow(c.window);
    }
}

// The processes of this name that this process started.
std::vector<DWORD> children_named(const wchar_t* exe) {
    std::vector<DWORD> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ParentProcessID == GetCurrentProcessId() && text_equal_nocase(entry.szExeFile, exe)) {
            found.push_back(entry.th32ProcessID);
        }
    }
    CloseHandle(snapshot);
    return found;
}

TEST_F(ItemWindow, OpenFileLocationWithoutAFileOpensTheOutputFolder) {
    DownloadItem* item = add(L"no link here");
    Controls c(*item);
    // Wine's desktop is an explorer.exe that the first window started.
    const std::vector<DWORD> before = children_named(L"explorer.exe");
    SendMessageW(c.window, WM_COMMAND, ID_ITEM_OPEN_LOCATION, 0);
    std::vector<DWORD> started;
    list->pump_until(
        [&] {
            started.clear();
            for (DWORD pid : children_named(L"explorer.exe")) {
                if (std::find(before.begin(), before.end(), pid) == before.end()) {
                    started.push_back(pid);
                }
            }
            return !started.empty();
        },
        10000);
    for (DWORD pid : started) {
        kill_process_tree(pid, 2000);
    }
    EXPECT_EQ(started.size(), 1u);
}

// The context menu's entries as (command, text) in order; 0 and an empty
// text for a separator.
std::vector<std::pair<int, std::wstring>> menu_entries(HMENU popup) {
    std::vector<std::pair<int, std::wstring>> entries;
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
        wchar_t text[128] = {};
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 128;
        GetMenuItemInfoW(popup, static_cast<UINT>(i), TRUE, &info);
        entries.emplace_back((info.fType & MFT_SEPARATOR) ? 0 : static_cast<int>(info.wID), text);
    }
    return entries;
}

TEST_F(ItemWindow, ContextMenuFollowsTheState) {
    DownloadItem* loading = add(L"http://kit.test/slow-info");
    DownloadItem* done = add(SAMPLE);
    DownloadItem* failed = add(L"http://kit.test/sign-in");
    ASSERT_TRUE(until_ready(*done));
    click(Controls(*done).main);
    ASSERT_TRUE(until_state(*done, STATE_DONE));
    ASSERT_TRUE(until_state(*failed, STATE_FAILED));
    ASSERT_TRUE(until_state(*loading, STATE_LOADING));

    const std::vector<std::pair<int, std::wstring>> kEntries = {
        {ID_ITEM_TITLE, L"Play"},
        {0, L""},
        {ID_ITEM_OPEN_LOCATION, L"Open file location"},
        {ID_ITEM_OPEN_URL, L"Open URL in Browser"},
        {0, L""},
        {ID_ITEM_COPY_URL, L"Copy URL"},
        {0, L""},
        {ID_ITEM_CLOSE, L"Remove from the list"},
    };
    struct Case {
        const DownloadItem* item;
        bool play;
    };
    const Case kCases[] = {{loading, false}, {done, true}, {failed, false}};
    for (const Case& k : kCases) {
        SCOPED_TRACE(k.item->state);
        ASSERT_NE(k.item->contextMenu, nullptr);
        EXPECT_EQ(GetMenuItemCount(k.item->contextMenu), 1);
        EXPECT_EQ(menu_entries(GetSubMenu(k.item->contextMenu, 0)), kEntries);
        EXPECT_EQ(menu_enabled(*k.item, ID_ITEM_TITLE), k.play);
        for (int id : {ID_ITEM_OPEN_LOCATION, ID_ITEM_OPEN_URL, ID_ITEM_COPY_URL, ID_ITEM_CLOSE}) {
            EXPECT_TRUE(menu_enabled(*k.item, id)) << id;
        }
    }

    // Shown at the pointer: its top-left corner where the right click was.
    Controls c(*done);
    POINT at = {300, 30};
    ClientToScreen(c.window, &at);
    RECT shownAt = {};
    std::thread closer([&] {
        HWND menu = nullptr;
        for (int i = 0; i < 200 && !menu; ++i) {
            Sleep(50);
            for (HWND w = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); w && !menu;
                 w = FindWindowExW(nullptr, w, L"#32768", nullptr)) {
                if (IsWindowVisible(w)) {
                    menu = w;
                }
            }
        }
        if (menu) {
            Sleep(300);  // let it paint
            GetWindowRect(menu, &shownAt);
            capture_window(menu, false).save_png(artifact_path(L"item-light-context-menu.png"));
            PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        }
    });
    SendMessageW(c.window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(c.window), MAKELPARAM(at.x, at.y));
    closer.join();
    EXPECT_EQ(shownAt.left, at.x);
    EXPECT_EQ(shownAt.top, at.y);
}

TEST_F(ItemWindow, TheListRecordBringsTheItemBack) {
    const wchar_t* link = L"http://kit.test/two-formats";
    DownloadItem* item = add(link);
    ASSERT_TRUE(until_ready(*item));
    int other = -1;  // a video choice other than the one the item starts with
    for (uint32_t i = 0; i < item->info.formatCount && other < 0; ++i) {
        const MediaFormat& f = item->info.formats[i];
        if (static_cast<int>(i) != item->selectedChoice && f.listed && f.height != 0 &&
            f.height != item->info.formats[item->selectedChoice].height) {
            other = static_cast<int>(i);
        }
    }
    ASSERT_GE(other, 0);
    int first = item->selectedChoice;
    SendMessageW(Controls(*item).window, WM_COMMAND, ID_FORMAT_CHOICE_FIRST + other, 0);
    std::wstring caption = text_of(Controls(*item).format);
    click(Controls(*item).main);
    ASSERT_TRUE(until_state(*item, STATE_DONE));

    ListRecord record;
    item_to_record(*item, record);
    unsigned char bytes[LIST_RECORD_SIZE];
    encode_list_record(record, bytes);
    ListRecord back;
    decode_list_record(bytes, back);
    EXPECT_EQ(back.state, STATE_DONE);
    EXPECT_EQ(back.selectedChoice, other);
    EXPECT_EQ(back.duration, 212);
    EXPECT_EQ(std::wstring(back.outputPath), downloads.file(L"sample.mp4"));
    DestroyWindow(Controls(*item).window);

    // The next user of the list remembered another choice: the restored item keeps its own.
    text_format(token, L"video+mp4+%up", item->info.formats[first].height);
    DownloadItem* restored = add(back.link, &back);
    Controls c(*restored);
    EXPECT_STREQ(restored->key, item->key);
    EXPECT_EQ(restored->info.duration, 212u);
    // Saved again before its metadata is back, it is still the finished item.
    ListRecord early;
    item_to_record(*restored, early);
    EXPECT_EQ(early.state, STATE_DONE);
    EXPECT_STREQ(early.outputPath, back.outputPath);

    ASSERT_TRUE(until_state(*restored, STATE_DONE));
    EXPECT_EQ(restored->selectedChoice, other);
    EXPECT_EQ(text_of(c.title), L"sample.mp4");
    EXPECT_TRUE(link_state(c.title).link);
    EXPECT_EQ(text_of(c.main), L"Play");
    EXPECT_EQ(text_of(c.format), caption);
    EXPECT_TRUE(menu_enabled(*restored, ID_ITEM_TITLE));
    ListRecord again;
    item_to_record(*restored, again);
    EXPECT_EQ(again.state, STATE_DONE);
    EXPECT_EQ(again.selectedChoice, other);
}

// Every look of an item, light and dark, with the colours of the theme.
class ItemLooks : public ItemWindow, public ::testing::WithParamInterface<bool> {
protected:
    bool dark() const override { return GetParam(); }
    int list_height() const override { return 7 * ITEM_HEIGHT; }
    std::wstring picture(const std::wstring& name) const {
        return std::wstring(GetParam() ? L"item-dark-" : L"item-light-") + name + L".png";
    }
    void keep(const DownloadItem& item, const std::wstring& name) {
        HWND w = static_cast<HWND>(item.window);
        RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        list->pump_until([] { return false; }, 150);
        capture_window(w, false).save_png(artifact_path(picture(name).c_str()));
    }
    void keep_list(const std::wstring& name) {
        RedrawWindow(list->handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        list->pump_until([] { return false; }, 300);
        capture_window(list->handle(), false).save_png(artifact_path(picture(name).c_str()));
    }
};

TEST_P(ItemLooks, StatesOfTheDownload) {
    place_thumbnail(SAMPLE);
    place_thumbnail(L"http://127.0.0.1:8765/hls/master/master.m3u8");
    DownloadItem* loading = add(L"http://kit.test/slow-info", nullptr, 0);
    DownloadItem* ready = add(L"http://127.0.0.1:8765/hls/master/master.m3u8", nullptr, 1);
    DownloadItem* downloading = add(L"http://kit.test/slow-download", nullptr, 2);
    DownloadItem* live = add(L"http://kit.test/live", nullptr, 3);
    DownloadItem* done = add(SAMPLE, nullptr, 4);
    DownloadItem* login = add(L"http://kit.test/sign-in", nullptr, 5);
    DownloadItem* password = add(L"http://kit.test/password", nullptr, 6);

    ASSERT_TRUE(until_ready(*ready));
    ASSERT_TRUE(until_ready(*downloading));
    ASSERT_TRUE(until_ready(*live));
    ASSERT_TRUE(until_ready(*done));
    click(Controls(*done).main);
    click(Controls(*downloading).main);
    click(Controls(*live).main);
    ASSERT_TRUE(until_state(*done, STATE_DONE));
    ASSERT_TRUE(until_state(*login, STATE_FAILED));
    ASSERT_TRUE(until_state(*password, STATE_FAILED));
    ASSERT_TRUE(list->pump_until([&] { return downloading->percent > 10 && downloading->percent <= 100; }));
    ASSERT_TRUE(list->pump_until([&] { return live->liveRecording && live->downloadPid != 0; }));
    list->pump_until([] { return false; }, 1200);  // the refresh and the sweep move on
    EXPECT_EQ(loading->state, STATE_LOADING);
    EXPECT_EQ(text_of(Controls(*loading).status), L"Loading video information...");

    for (const DownloadItem* item : {loading, ready, downloading, live, done, login, password}) {
        EXPECT_TRUE(shows_its_face(*item));
    }
    keep(*loading, L"loading");
    keep(*ready, L"ready");
    keep(*downloading, L"downloading");
    keep(*live, L"downloading-live");
    keep(*done, L"done");
    keep(*login, L"failed-login");
    keep(*password, L"failed-password");
    keep_list(L"list-states");

    // The background with the separator line, and the close box.
    Capture shot = capture_window(static_cast<HWND>(ready->window), true);
    EXPECT_EQ(shot.at(LIST_WIDTH / 2, ITEM_HEIGHT - 1), g_colours.separator);
    EXPECT_EQ(shot.at(LIST_WIDTH / 2, 3), g_colours.windowBackground);
    EXPECT_EQ(shot.at(LIST_WIDTH - 22 + 8, 4 + 8), g_colours.closeGlyph);

    // Dark buttons draw themselves, each with its own hover flag.
    if (dark()) {
        Controls r(*ready);
        RECT b = r.rect(r.main);
        EXPECT_EQ(shot.at(b.left + 3, b.top + 3), g_colours.buttonFace);
        EXPECT_EQ(shot.at(b.right - 2, (b.top + b.bottom) / 2), g_colours.buttonBorder);
        // The pointer over the button, then away from every button.
        POINT over = {(b.left + b.right) / 2, (b.top + b.bottom) / 2};
        ClientToScreen(r.window, &over);
        SetCursorPos(over.x, over.y);
        EXPECT_TRUE(list->pump_until(
            [&] {
                return ready->hoverMainButton == 1 &&
                       capture_window(r.window, true).at(b.left + 3, b.top + 3) == g_colours.buttonHot;
            },
            5000));
        EXPECT_EQ(ready->hoverLoginButton, 0);
        SetCursorPos(5, 5);
        EXPECT_TRUE(list->pump_until([&] { return ready->hoverMainButton == 0; }, 5000));
    }

    // Selected: the selected background inside a one-pixel border, and the
    // status text standing on the selected colour.
    set_selected(*login, true);
    EXPECT_TRUE(GetWindowLongPtrW(static_cast<HWND>(login->window), GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
    keep(*login, L"selected");
    Controls c(*login);
    Capture selected = capture_window(c.window, true);
    RECT status = c.rect(c.status);
    EXPECT_EQ(selected.at(0, 0), g_colours.selectedItemBorder);
    EXPECT_EQ(selected.at(LIST_WIDTH - 1, ITEM_HEIGHT - 1), g_colours.selectedItemBorder);
    EXPECT_EQ(selected.at(2, 2), g_colours.selectedItemBackground);
    EXPECT_EQ(selected.at(status.right - 2, status.top + 1), g_colours.selectedItemBackground);
    set_selected(*login, false);
    EXPECT_FALSE(GetWindowLongPtrW(static_cast<HWND>(login->window), GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
    RedrawWindow(c.window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    list->pump_until([] { return false; }, 150);
    Capture plain = capture_window(c.window, true);
    EXPECT_EQ(plain.at(status.right - 2, status.top + 1), g_colours.windowBackground);
}

TEST_P(ItemLooks, TitlesOfAnyLengthAndScript) {
    const wchar_t* const links[] = {L"http://kit.test/title-long", L"http://kit.test/title-arabic",
                                    L"http://kit.test/title-japanese", L"http://kit.test/title-emoji",
                                    L"http://127.0.0.1:8765/pages/multi.html"};
    const wchar_t* const names[] = {L"title-long", L"title-arabic", L"title-japanese", L"title-emoji", L"playlist"};
    std::vector<DownloadItem*> items;
    for (int i = 0; i < 5; ++i) {
        place_thumbnail(links[i]);
        items.push_back(add(links[i], nullptr, i));
    }
    for (DownloadItem* item : items) {
        ASSERT_TRUE(until_ready(*item));
    }
    set_selected(*items[1], true);
    for (int i = 0; i < 5; ++i) {
        keep(*items[i], names[i]);
    }
    keep_list(L"list-titles");
    Controls c(*items[0]);
    EXPECT_EQ(c.rect(c.title).right, c.rect(c.main).left - 10) << "a long title fills its room";
}

INSTANTIATE_TEST_SUITE_P(LightAndDark, ItemLooks, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Dark" : "Light"; });

}  // namespace
