// The Options dialog as a user meets it, in the light and the dark look:
// the language list, the saved settings, the restart and failure messages,
// the hand-over to the list, emptying the caches and the folder picker;
// and delete_tree, which empties yt-dlp's cache. Each test works in a data
// folder and a profile folder of its own. Pictures are kept as artefacts.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <map>
#include <set>
#include <thread>
#include <string>
#include <vector>

#include "app/services/options_dialog.h"
#include "app/services/settings.h"
#include "base/data_folder.h"
#include "base/delete_tree.h"
#include "base/gdiplus.h"
#include "base/pick_folder.h"
#include "base/text.h"
#include "tests/dialog_driver.h"
#include "tests/win_test_support.h"
#include "tests/window_capture.h"
#include "ui/theme.h"
#include "ui/translation.h"

namespace {

const wchar_t BOX_CAPTION[] = L"Tavlo Video Downloader";
const wchar_t RESTART[] = L"You have to restart Tavlo for the changes to take effect.";

// Waits up to ten seconds for what the condition looks for.
bool wait_until(const std::function<bool()>& condition) {
    for (int i = 0; i < 200; ++i) {
        if (condition()) {
            return true;
        }
        Sleep(50);
    }
    return condition();
}

// Every text of a message box's children: its message is one of them.
std::wstring window_texts(HWND box) {
    std::wstring texts;
    EnumChildWindows(
        box,
        [](HWND child, LPARAM lp) -> BOOL {
            wchar_t text[600];
            GetWindowTextW(child, text, 600);
            *reinterpret_cast<std::wstring*>(lp) += std::wstring(text) + L"\n";
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts));
    return texts;
}

// A visible top-level window of this process with the caption. Unlike
// GetWindowTextW, InternalGetWindowText sends no message: the dialog's
// thread may already be waiting for this helper to end.
HWND find_window(const wchar_t* caption) {
    struct Search {
        const wchar_t* caption;
        HWND found;
    } search = {caption, nullptr};
    EnumWindows(
        [](HWND w, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            wchar_t title[256] = L"";
            if (pid == GetCurrentProcessId() && IsWindowVisible(w) && InternalGetWindowText(w, title, 256) >= 0 &&
                text_equal(title, s->caption)) {
                s->found = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Answers the message box that the dialog's last command opened; returns
// its texts, or nothing when none came while the dialog was still there.
std::wstring answer_message_box(HWND dialog) {
    HWND box = nullptr;
    wait_until([&] {
        box = find_window(BOX_CAPTION);
        return box != nullptr || !IsWindow(dialog);
    });
    if (!box) {
        return L"";
    }
    Sleep(200);
    std::wstring texts = window_texts(box);
    SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    wait_until([&] { return !IsWindow(box) || !IsWindowVisible(box); });
    return texts;
}

void command(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// A visible top-level window of this process that is none of the known ones.
HWND wait_for_new_window(const std::set<HWND>& known) {
    struct Search {
        const std::set<HWND>* known;
        HWND found;
    } search = {&known, nullptr};
    wait_until([&] {
        EnumWindows(
            [](HWND w, LPARAM lp) -> BOOL {
                auto* s = reinterpret_cast<Search*>(lp);
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                if (pid == GetCurrentProcessId() && IsWindowVisible(w) && !s->known->count(w)) {
                    s->found = w;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    });
    return search.found;
}

// OK, then every message box it shows until the dialog is gone or stays.
std::vector<std::wstring> press_ok(HWND dialog) {
    command(dialog, IDOK);
    std::vector<std::wstring> boxes;
    for (int i = 0; i < 3 && IsWindow(dialog); ++i) {
        std::wstring texts = answer_message_box(dialog);
        if (texts.empty()) {
            break;
        }
        boxes.push_back(texts);
    }
    return boxes;
}

void choose_language(HWND dialog, int index) {
    HWND combo = GetDlgItem(dialog, OPTIONS_LANGUAGE);
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(OPTIONS_LANGUAGE, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

void click(HWND dialog, int id) {
    SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

std::wstring text_of(HWND dialog, int id) {
    wchar_t text[600];
    GetDlgItemTextW(dialog, id, text, 600);
    return text;
}

RECT rect_in(HWND dialog, int id) {
    RECT r;
    GetWindowRect(GetDlgItem(dialog, id), &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool make_file(const std::wstring& path) {
    return write_whole_file(path, "cache bytes");
}

// What the list was handed, in order.
struct HandOverLog {
    std::vector<std::wstring> calls;
    static void folder(void* list, const wchar_t* text) {
        static_cast<HandOverLog*>(list)->calls.push_back(L"folder " + std::wstring(text));
    }
    static void proxy(void* list, const wchar_t* text) {
        static_cast<HandOverLog*>(list)->calls.push_back(L"proxy " + std::wstring(text));
    }
    static void options(void* list, const wchar_t* text) {
        static_cast<HandOverLog*>(list)->calls.push_back(L"options " + std::wstring(text));
    }
    static void account(void* list, int use) {
        static_cast<HandOverLog*>(list)->calls.push_back(L"account " + std::to_wstring(use));
    }
    OptionsHandOver hand_over() { return {this, folder, proxy, options, account}; }
};

// A plain window standing in for the main window.
class MainStandIn {
public:
    MainStandIn() {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TavloOptionsTestMain";
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
        RegisterClassW(&wc);
        window = CreateWindowExW(0, wc.lpszClassName, L"Main stand-in", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 700,
                                 600, nullptr, nullptr, wc.hInstance, nullptr);
    }
    ~MainStandIn() { DestroyWindow(window); }
    MainStandIn(const MainStandIn&) = delete;
    MainStandIn& operator=(const MainStandIn&) = delete;
    bool topmost() const { return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }
    void set_topmost(bool on) {
        SetWindowPos(window, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }

    HWND window = nullptr;
};

class OptionsDialogTest : public ::testing::TestWithParam<bool> {
protected:
    TempFolder root;     // the local application-data folder
    TempFolder profile;  // the user's profile folder
    Settings before = {};
    ULONG_PTR gdiplus = 0;
    HandOverLog log;
    OptionsDialogParams params = {};

    void SetUp() override {
        fix_dark_mode(GetParam());
        fill_theme_colours();
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&gdiplus, &input, nullptr);
        before = g_settings;
        set_data_folder_root(root.path().c_str());
        set_settings_passphrase();
        set_default_settings(g_settings);
        g_settings.lang_id = 9;
        g_settings.always_on_top = 0;
        g_settings.dark_mode = GetParam() ? 1 : 0;
        text_copy(g_settings.output_folder, L"C:\\Users\\tester\\Downloads");
        text_copy(g_settings.output_template, L"%(title)s.%(ext)s");
        params.handOver = log.hand_over();
        params.profileFolder = profile.path().c_str();
    }
    void TearDown() override {
        set_data_folder_root(L"");
        g_settings = before;
        Gdiplus::GdiplusShutdown(gdiplus);
    }

    std::wstring picture(const wchar_t* name) { return std::wstring(GetParam() ? L"dark-" : L"light-") + name; }

    INT_PTR run(const std::function<void(HWND)>& action) {
        DialogDriver driver(L"Options", action);
        INT_PTR result = show_options_dialog(params);
        EXPECT_TRUE(driver.found());
        return result;
    }

    Settings stored() {
        Settings s = {};
        EXPECT_TRUE(load_settings(s));
        return s;
    }
};

const wchar_t* const kLanguageNames[16] = {
    L"Deutsch", L"English", L"Español", L"Français", L"Italiano", L"Português", L"русский", L"Türkçe",
    L"Українська", L"العربية", L"हिंदी", L"বাংলা", L"日本語", L"中文（简体）", L"中文（繁體）", L"한국어",
};

TEST(OptionsLanguageIndex, ByIdentifierThenPrimaryLanguageElseEnglish) {
    struct Case {
        unsigned languageId;
        int index;
    };
    const Case kCases[] = {
        {0x7C04, 14}, {0x0404, 13}, {0x0C04, 13}, {0x0004, 13}, {0x0804, 13}, {0x0007, 0},  {0x0407, 0},
        {0x0009, 1},  {0x0809, 1},  {0x0C0A, 2},  {0x080A, 2},  {0x040C, 3},  {0x0416, 5}, {0x0419, 6},
        {0x041F, 7},  {0x0422, 8},  {0x0401, 9},  {0x0439, 10}, {0x0445, 11}, {0x0411, 12}, {0x0412, 15},
        {0x0415, 1},  {0x0000, 1},  {0xFFFF, 1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.languageId);
        EXPECT_EQ(options_language_index(c.languageId), c.index);
    }
}

TEST_P(OptionsDialogTest, ListsTheLanguagesInTheirOwnNamesAndSelectsTheSetting) {
    struct Case {
        uint16_t languageId;
        int selected;
    };
    const Case kCases[] = {{0x7C04, 14}, {0x0404, 13}, {0x0C0A, 2}, {0x0415, 1}, {0x0412, 15}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.languageId);
        g_settings.lang_id = c.languageId;
        std::vector<std::wstring> names;
        LRESULT selected = -1;
        INT_PTR mark = 0;
        INT_PTR result = run([&](HWND dialog) {
            HWND combo = GetDlgItem(dialog, OPTIONS_LANGUAGE);
            LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
            for (LRESULT i = 0; i < count; ++i) {
                wchar_t name[64] = L"";
                SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(name));
                names.emplace_back(name);
            }
            selected = SendMessageW(combo, CB_GETCURSEL, 0, 0);
            mark = reinterpret_cast<INT_PTR>(GetPropW(combo, L"fcSel"));
            command(dialog, IDCANCEL);
        });
        EXPECT_EQ(result, IDCANCEL);
        ASSERT_EQ(names.size(), 16u);
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(names[i], kLanguageNames[i]) << i;
        }
        EXPECT_EQ(selected, c.selected);
        EXPECT_EQ(mark, c.selected + 1);
    }
    EXPECT_FALSE(path_exists(root.path() + L"\\tavlo\\conf")) << "closing saves nothing";
}

TEST_P(OptionsDialogTest, OkKeepsTheStoredLanguageWithItsSubLanguage) {
    struct Case {
        uint16_t languageId;
        int pickAgain;  // the item shown, picked again; -1: the list is not touched
    };
    const Case kCases[] = {{0x7C04, -1}, {0x0C0A, -1}, {0x080A, 2}, {0x0415, -1}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.languageId);
        g_settings.lang_id = c.languageId;
        std::vector<std::wstring> boxes;
        INT_PTR result = run([&](HWND dialog) {
            if (c.pickAgain >= 0) {
                choose_language(dialog, c.pickAgain);
            }
            boxes = press_ok(dialog);
        });
        EXPECT_EQ(result, IDOK);
        EXPECT_TRUE(boxes.empty()) << "nothing changed, no restart";
        EXPECT_EQ(g_settings.lang_id, c.languageId);
        EXPECT_EQ(stored().lang_id, c.languageId);
    }
}

TEST_P(OptionsDialogTest, LanguageOrThemeChangesAskForARestartAndAreSaved) {
    struct Case {
        const wchar_t* what;
        std::function<void(HWND)> change;
        uint16_t languageId;
        bool darkToggled;
        bool restart;
    };
    const Case kCases[] = {
        {L"language", [](HWND d) { choose_language(d, 0); }, 7, false, true},
        {L"traditional Chinese", [](HWND d) { choose_language(d, 14); }, 0x7C04, false, true},
        {L"theme", [](HWND d) { click(d, OPTIONS_DARK_MODE); }, 9, true, true},
        {L"on top only", [](HWND d) { click(d, OPTIONS_ALWAYS_ON_TOP); }, 9, false, false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        TempFolder own;
        set_data_folder_root(own.path().c_str());
        g_settings.lang_id = 9;
        g_settings.dark_mode = GetParam() ? 1 : 0;
        g_settings.always_on_top = 0;
        const TranslationTable* table = g_translation;
        std::vector<std::wstring> boxes;
        INT_PTR result = run([&](HWND dialog) {
            c.change(dialog);
            boxes = press_ok(dialog);
        });
        EXPECT_EQ(result, IDOK);
        ASSERT_EQ(boxes.size(), c.restart ? 1u : 0u);
        if (c.restart) {
            EXPECT_NE(boxes[0].find(RESTART), std::wstring::npos);
        }
        int dark = (GetParam() ? 1 : 0) ^ (c.darkToggled ? 1 : 0);
        Settings s = stored();
        EXPECT_EQ(s.lang_id, c.languageId);
        EXPECT_EQ(s.dark_mode, dark);
        EXPECT_EQ(g_settings.lang_id, c.languageId);
        EXPECT_EQ(g_settings.dark_mode, dark);
        EXPECT_EQ(is_dark(), GetParam()) << "the look changes at the next start";
        EXPECT_EQ(g_translation, table) << "the language changes at the next start";
        EXPECT_STREQ(s.output_template, L"%(title)s.%(ext)s") << "passed through unchanged";
    }
    set_data_folder_root(root.path().c_str());
}

TEST_P(OptionsDialogTest, AFailedSaveWarnsAndKeepsTheDialogOpen) {
    // The settings file's name taken by a folder: the store cannot write it.
    ASSERT_TRUE(CreateDirectoryW((root.path() + L"\\tavlo").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((root.path() + L"\\tavlo\\conf").c_str(), nullptr));
    MainStandIn main;
    params.mainWindow = main.window;
    Settings original = g_settings;
    std::vector<std::wstring> boxes;
    bool stillOpen = false;
    std::wstring proxyAfter;
    INT_PTR result = run([&](HWND dialog) {
        choose_language(dialog, 0);
        click(dialog, OPTIONS_ALWAYS_ON_TOP);
        SetDlgItemTextW(dialog, OPTIONS_PROXY, L"http://proxy:3128");
        boxes = press_ok(dialog);
        stillOpen = IsWindow(dialog) && IsWindowVisible(dialog);
        proxyAfter = text_of(dialog, OPTIONS_PROXY);
        command(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    ASSERT_EQ(boxes.size(), 1u) << "the warning alone: no restart is announced for a change that was not saved";
    EXPECT_NE(boxes[0].find(L"Failed to save options. Error _crypt function. "), std::wstring::npos);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(proxyAfter, L"http://proxy:3128") << "what the user typed is still there to try again";
    EXPECT_EQ(g_settings.lang_id, original.lang_id);
    EXPECT_EQ(g_settings.always_on_top, original.always_on_top);
    EXPECT_STREQ(g_settings.proxy_server, L"");
    EXPECT_FALSE(main.topmost()) << "nothing is applied";
    EXPECT_TRUE(log.calls.empty());
}

TEST_P(OptionsDialogTest, ProxyAndOptionsAreTrimmedAndHandedToTheList) {
    INT_PTR result = run([&](HWND dialog) {
        SetDlgItemTextW(dialog, OPTIONS_PROXY, L"  socks5://127.0.0.1:9050 \t");
        SetDlgItemTextW(dialog, OPTIONS_COMMANDS, L"\t--limit-rate 1M  ");
        click(dialog, OPTIONS_USE_ACCOUNT);
        press_ok(dialog);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_STREQ(g_settings.proxy_server, L"socks5://127.0.0.1:9050");
    EXPECT_STREQ(g_settings.commands, L"--limit-rate 1M");
    EXPECT_EQ(g_settings.use_youtube_account, 1);
    Settings s = stored();
    EXPECT_STREQ(s.proxy_server, L"socks5://127.0.0.1:9050");
    EXPECT_STREQ(s.commands, L"--limit-rate 1M");
    const std::vector<std::wstring> expected = {L"proxy socks5://127.0.0.1:9050", L"options --limit-rate 1M",
                                                L"account 1"};
    EXPECT_EQ(log.calls, expected) << "the unchanged folder is not handed over";

    // Without a list nothing is handed over; the same values again are no change.
    log.calls.clear();
    params.handOver.list = nullptr;
    EXPECT_EQ(run([](HWND dialog) {
                  SetDlgItemTextW(dialog, OPTIONS_COMMANDS, L"--no-mtime");
                  press_ok(dialog);
              }),
              IDOK);
    EXPECT_STREQ(g_settings.commands, L"--no-mtime");
    EXPECT_TRUE(log.calls.empty());
    params.handOver = log.hand_over();
    EXPECT_EQ(run([](HWND dialog) { press_ok(dialog); }), IDOK);
    EXPECT_TRUE(log.calls.empty());
}

TEST_P(OptionsDialogTest, EditsTakeOneLineWhateverIsPastedOrTyped) {
    struct Case {
        const wchar_t* clipboard;
        const wchar_t* stored;
    };
    const Case kCases[] = {
        {L"--a\r\n--b\tc", L"--a --b c"},
        {L"line one\nline two\r\n", L"line one line two"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.clipboard);
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        size_t bytes = (text_length(c.clipboard) + 1) * sizeof(wchar_t);
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
        memcpy(GlobalLock(block), c.clipboard, bytes);
        GlobalUnlock(block);
        SetClipboardData(CF_UNICODETEXT, block);
        CloseClipboard();
        INT_PTR result = run([&](HWND dialog) {
            HWND commands = GetDlgItem(dialog, OPTIONS_COMMANDS);
            SendMessageW(commands, WM_PASTE, 0, 0);
            SendMessageW(commands, WM_CHAR, L'\n', 0);  // Ctrl+Enter
            SendMessageW(commands, WM_CHAR, L'\t', 0);
            // A text set by another program with line breaks arrives as one line too.
            SetDlgItemTextW(dialog, OPTIONS_PROXY, L"http://a:1\r\n");
            press_ok(dialog);
        });
        EXPECT_EQ(result, IDOK);
        EXPECT_STREQ(g_settings.commands, c.stored);
        EXPECT_STREQ(g_settings.proxy_server, L"http://a:1");
        g_settings.commands[0] = 0;
    }
}

TEST_P(OptionsDialogTest, TheFolderCanOnlyBeChangedThroughTheBrowseButton) {
    std::wstring before, afterTyping;
    bool readOnly = false;
    INT_PTR result = run([&](HWND dialog) {
        HWND folder = GetDlgItem(dialog, OPTIONS_FOLDER);
        readOnly = (GetWindowLongPtrW(folder, GWL_STYLE) & ES_READONLY) != 0;
        before = text_of(dialog, OPTIONS_FOLDER);
        SendMessageW(folder, WM_CHAR, L'x', 0);
        SendMessageW(folder, WM_KEYDOWN, VK_BACK, 0);
        SendMessageW(folder, WM_CHAR, L'\b', 0);
        SendMessageW(folder, WM_PASTE, 0, 0);
        afterTyping = text_of(dialog, OPTIONS_FOLDER);
        press_ok(dialog);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(readOnly);
    EXPECT_EQ(before, L"C:\\Users\\tester\\Downloads");
    EXPECT_EQ(afterTyping, before);
    EXPECT_STREQ(g_settings.output_folder, L"C:\\Users\\tester\\Downloads");
    EXPECT_TRUE(log.calls.empty());
}

TEST_P(OptionsDialogTest, OnTopTakesEffectAtOnce) {
    MainStandIn main;
    params.mainWindow = main.window;
    g_settings.always_on_top = 0;
    EXPECT_EQ(run([](HWND dialog) {
                  click(dialog, OPTIONS_ALWAYS_ON_TOP);
                  press_ok(dialog);
              }),
              IDOK);
    EXPECT_EQ(g_settings.always_on_top, 1);
    EXPECT_TRUE(main.topmost());
    EXPECT_EQ(run([](HWND dialog) {
                  click(dialog, OPTIONS_ALWAYS_ON_TOP);
                  click(dialog, OPTIONS_AUTO_UPDATE);
                  press_ok(dialog);
              }),
              IDOK);
    EXPECT_EQ(g_settings.always_on_top, 0);
    EXPECT_EQ(g_settings.auto_update, 0);
    EXPECT_FALSE(main.topmost());
    EXPECT_EQ(stored().auto_update, 0);
}

TEST_P(OptionsDialogTest, EmptyTheCacheDeletesTheCachedFilesAtOnce) {
    std::wstring data = root.path() + L"\\tavlo";
    for (const wchar_t* folder : {L"", L"\\json", L"\\json\\keep", L"\\jpg"}) {
        ASSERT_TRUE(CreateDirectoryW((data + folder).c_str(), nullptr));
    }
    std::wstring ytdlp = profile.path() + L"\\.cache\\yt-dlp";
    for (const std::wstring& folder : {profile.path() + L"\\.cache", ytdlp, ytdlp + L"\\youtube-nsig",
                                       profile.path() + L"\\.cache\\other"}) {
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    }
    const std::wstring gone[] = {data + L"\\json\\0123456789ABCDEF0123456789ABCDEF", data + L"\\json\\second",
                                 data + L"\\jpg\\0123456789ABCDEF0123456789ABCDEF.jpg",
                                 ytdlp + L"\\youtube-nsig\\abc.json", ytdlp + L"\\youtube-sigfuncs.json"};
    const std::wstring kept[] = {data + L"\\json\\keep\\inside", profile.path() + L"\\.cache\\other\\file",
                                 data + L"\\list"};
    for (const auto& path : gone) {
        ASSERT_TRUE(make_file(path));
    }
    for (const auto& path : kept) {
        ASSERT_TRUE(make_file(path));
    }

    std::vector<std::wstring> boxes;
    bool disabled = false;
    INT_PTR result = run([&](HWND dialog) {
        command(dialog, OPTIONS_EMPTY_CACHE);
        boxes.push_back(answer_message_box(dialog));
        disabled = !IsWindowEnabled(GetDlgItem(dialog, OPTIONS_EMPTY_CACHE));
        Sleep(200);
        capture_window(dialog, false).save_png(artifact_path(picture(L"options-cache-emptied.png").c_str()));
        command(dialog, IDCANCEL);  // the caches stay empty all the same
    });
    EXPECT_EQ(result, IDCANCEL);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find(L"Cache files deleted."), std::wstring::npos);
    EXPECT_TRUE(disabled);
    for (const auto& path : gone) {
        EXPECT_FALSE(path_exists(path)) << std::string(path.begin(), path.end());
    }
    for (const auto& path : kept) {
        EXPECT_TRUE(path_exists(path)) << std::string(path.begin(), path.end());
    }
    EXPECT_FALSE(path_exists(ytdlp));
    EXPECT_TRUE(path_exists(data + L"\\json"));
    EXPECT_TRUE(path_exists(data + L"\\jpg"));
    EXPECT_FALSE(path_exists(data + L"\\conf"));

    // Nothing to delete: the message comes all the same.
    std::wstring message;
    EXPECT_EQ(run([&](HWND dialog) {
                  command(dialog, OPTIONS_EMPTY_CACHE);
                  message = answer_message_box(dialog);
                  command(dialog, IDCANCEL);
              }),
              IDCANCEL);
    EXPECT_NE(message.find(L"Cache files deleted."), std::wstring::npos);
}

// The controls where the layout puts them: h is the first label's height,
// c the check boxes', T the note's; in the dark look the edits sit 4 pixels
// inside their frames.
TEST_P(OptionsDialogTest, LayoutAndLook) {
    bool dark = GetParam();
    std::map<int, RECT> r;
    RECT client = {};
    Capture shot;
    HWND focusedEdit = nullptr;
    Capture focusedShot;
    run([&](HWND dialog) {
        GetClientRect(dialog, &client);
        for (int id : {OPTIONS_LANGUAGE_LABEL, OPTIONS_LANGUAGE, OPTIONS_FOLDER_LABEL, OPTIONS_FOLDER, OPTIONS_BROWSE,
                       OPTIONS_DARK_MODE, OPTIONS_ALWAYS_ON_TOP, OPTIONS_AUTO_UPDATE, OPTIONS_USE_ACCOUNT,
                       OPTIONS_ACCOUNT_NOTE, OPTIONS_EMPTY_CACHE, OPTIONS_PROXY_LABEL, OPTIONS_PROXY,
                       OPTIONS_COMMANDS_LABEL, OPTIONS_COMMANDS, IDOK}) {
            r[id] = rect_in(dialog, id);
        }
        RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Sleep(300);
        shot = capture_window(dialog, true);
        capture_window(dialog, false).save_png(artifact_path(picture(L"options-dialog.png").c_str()));
        focusedEdit = GetDlgItem(dialog, OPTIONS_PROXY);
        PostMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(focusedEdit), TRUE);
        Sleep(400);
        focusedShot = capture_window(dialog, true);
        capture_window(dialog, false).save_png(artifact_path(picture(L"options-dialog-proxy-focused.png").c_str()));
        command(dialog, IDCANCEL);
    });
    ASSERT_GT(shot.width, 0);
    auto top = [&](int id) { return static_cast<int>(r[id].top); };
    auto left = [&](int id) { return static_cast<int>(r[id].left); };
    auto height = [&](int id) { return static_cast<int>(r[id].bottom - r[id].top); };
    auto width = [&](int id) { return static_cast<int>(r[id].right - r[id].left); };
    int h = height(OPTIONS_LANGUAGE_LABEL);
    int inset = dark ? 4 : 0;
    EXPECT_EQ(left(OPTIONS_LANGUAGE_LABEL), 15);
    EXPECT_EQ(top(OPTIONS_LANGUAGE_LABEL), 15);
    EXPECT_EQ(top(OPTIONS_LANGUAGE), h + 19);
    EXPECT_EQ(width(OPTIONS_LANGUAGE), 310);
    EXPECT_EQ(top(OPTIONS_FOLDER_LABEL), h + 59);
    EXPECT_EQ(height(OPTIONS_FOLDER_LABEL), h);
    EXPECT_EQ(top(OPTIONS_FOLDER), 2 * h + 63 + inset);
    EXPECT_EQ(left(OPTIONS_FOLDER), 15 + inset);
    EXPECT_EQ(width(OPTIONS_FOLDER), 310 - 2 * inset);
    EXPECT_EQ(height(OPTIONS_FOLDER), 25 - 2 * inset);
    EXPECT_EQ(left(OPTIONS_BROWSE), 330);
    EXPECT_EQ(top(OPTIONS_BROWSE), 2 * h + 64);
    int c1 = height(OPTIONS_DARK_MODE), c2 = height(OPTIONS_ALWAYS_ON_TOP), c3 = height(OPTIONS_AUTO_UPDATE),
        c4 = height(OPTIONS_USE_ACCOUNT);
    EXPECT_EQ(top(OPTIONS_DARK_MODE), 2 * h + 103);
    EXPECT_EQ(top(OPTIONS_ALWAYS_ON_TOP), c1 + 2 * h + 118);
    EXPECT_EQ(top(OPTIONS_AUTO_UPDATE), c1 + c2 + 2 * h + 133);
    int y4 = c1 + c2 + c3 + 2 * h + 148;
    EXPECT_EQ(top(OPTIONS_USE_ACCOUNT), y4);
    EXPECT_EQ(left(OPTIONS_ACCOUNT_NOTE), 38);
    EXPECT_EQ(top(OPTIONS_ACCOUNT_NOTE), y4 + c4 + 5);
    EXPECT_EQ(width(OPTIONS_ACCOUNT_NOTE), client.right - 70);
    int t = height(OPTIONS_ACCOUNT_NOTE);
    EXPECT_GE(t, 20);
    int f = y4 + c4 + t;
    EXPECT_EQ(top(OPTIONS_EMPTY_CACHE), f + 20);
    EXPECT_EQ(width(OPTIONS_EMPTY_CACHE), 200);
    EXPECT_EQ(top(OPTIONS_PROXY_LABEL), f + 60);
    EXPECT_EQ(top(OPTIONS_PROXY), f + h + 64 + inset);
    EXPECT_EQ(top(OPTIONS_COMMANDS_LABEL), f + h + 104);
    EXPECT_EQ(top(OPTIONS_COMMANDS), f + 2 * h + 108 + inset);
    EXPECT_EQ(left(IDOK), client.right - 108);
    EXPECT_EQ(top(IDOK), client.bottom - 33);
    EXPECT_EQ(width(IDOK), 100);
    EXPECT_LE(r[OPTIONS_COMMANDS].bottom + inset, client.bottom - 42) << "everything above the band";

    // The band with its line, the background above it.
    int band = client.bottom - 25 - 16;
    EXPECT_EQ(shot.at(4, client.bottom - 4), dark ? RGB(41, 41, 41) : RGB(240, 240, 240));
    EXPECT_EQ(shot.at(4, band), dark ? RGB(41, 41, 41) : RGB(240, 240, 240));
    EXPECT_EQ(shot.at(4, band - 1), dark ? RGB(60, 60, 60) : RGB(223, 223, 223));
    EXPECT_EQ(shot.at(4, 4), dark ? RGB(25, 25, 25) : RGB(255, 255, 255));
    if (dark) {
        // The rounded frames: filled inside, the accent under the focused one.
        RECT p = r[OPTIONS_PROXY];
        int middle = (p.top + p.bottom) / 2;
        EXPECT_EQ(shot.at(p.left - 2, middle), RGB(44, 44, 44));
        EXPECT_EQ(focusedShot.at(p.left - 2, middle), RGB(34, 34, 34));
        EXPECT_EQ(focusedShot.at((p.left + p.right) / 2, p.bottom + 3), RGB(76, 194, 255));
        EXPECT_EQ(shot.at((p.left + p.right) / 2, p.bottom + 3), RGB(62, 62, 62));
        // The drawn language list: its face, frame and the arrow's button.
        RECT l = r[OPTIONS_LANGUAGE];
        EXPECT_EQ(shot.at(l.left, (l.top + l.bottom) / 2), RGB(58, 58, 58));
        EXPECT_EQ(shot.at(l.right - 19, (l.top + l.bottom) / 2 - 6), RGB(58, 58, 58));
        EXPECT_EQ(shot.at(l.right - 10, (l.top + l.bottom) / 2), RGB(224, 224, 224));
        EXPECT_EQ(shot.at(l.right - 4, l.top + 3), RGB(44, 44, 44));
    }
}

TEST_P(OptionsDialogTest, CheckBoxesShowAndSetTheirSettings) {
    g_settings.dark_mode = 0;
    g_settings.always_on_top = 1;
    g_settings.auto_update = 0;
    g_settings.use_youtube_account = 1;
    Capture shot;
    RECT boxes[2] = {};
    run([&](HWND dialog) {
        Sleep(200);
        shot = capture_window(dialog, true);
        boxes[0] = rect_in(dialog, OPTIONS_DARK_MODE);
        boxes[1] = rect_in(dialog, OPTIONS_ALWAYS_ON_TOP);
        for (int id : {OPTIONS_DARK_MODE, OPTIONS_ALWAYS_ON_TOP, OPTIONS_AUTO_UPDATE, OPTIONS_USE_ACCOUNT}) {
            click(dialog, id);
        }
        click(dialog, OPTIONS_AUTO_UPDATE);  // twice: back as it was
        press_ok(dialog);
    });
    EXPECT_EQ(g_settings.dark_mode, 1);
    EXPECT_EQ(g_settings.always_on_top, 0);
    EXPECT_EQ(g_settings.auto_update, 0);
    EXPECT_EQ(g_settings.use_youtube_account, 0);
    if (GetParam()) {
        // The drawn boxes: unchecked dark mode, checked always on top.
        auto box_centre = [&](const RECT& b) { return shot.at(b.left + 2 + 8, (b.top + b.bottom) / 2 - 5); };
        EXPECT_EQ(box_centre(boxes[0]), RGB(39, 39, 39));
        EXPECT_EQ(box_centre(boxes[1]), RGB(76, 194, 255));
    }
}

// The folder picker opens without an owner: the main window leaves the
// topmost band and the dialog takes no input while it shows. Wine's picker
// is closed here, as a user who cancels would; choosing a folder in it is
// left to a manual check (Wine's picker cannot be driven to a choice from
// a test without knowing its inner controls).
TEST_P(OptionsDialogTest, BrowseStepsOutOfTheTopmostBandWhileThePickerShows) {
    MainStandIn main;
    main.set_topmost(true);
    g_settings.always_on_top = 1;
    params.mainWindow = main.window;
    bool pickerFound = false, mainTopmostDuring = true, dialogEnabledDuring = true;
    bool mainTopmostAfter = false, dialogEnabledAfter = false;
    std::wstring folderAfter;
    INT_PTR result = run([&](HWND dialog) {
        std::set<HWND> known = {dialog, main.window};
        command(dialog, OPTIONS_BROWSE);
        HWND picker = wait_for_new_window(known);
        pickerFound = picker != nullptr;
        if (picker) {
            Sleep(500);
            capture_window(picker, false).save_png(artifact_path(picture(L"options-folder-picker.png").c_str()));
            mainTopmostDuring = main.topmost();
            dialogEnabledDuring = IsWindowEnabled(dialog) != FALSE;
            PostMessageW(picker, WM_COMMAND, IDCANCEL, 0);
            PostMessageW(picker, WM_CLOSE, 0, 0);
            wait_until([&] { return !IsWindow(picker) || !IsWindowVisible(picker); });
        }
        wait_until([&] { return IsWindowEnabled(dialog) != FALSE; });
        Sleep(200);
        dialogEnabledAfter = IsWindowEnabled(dialog) != FALSE;
        folderAfter = text_of(dialog, OPTIONS_FOLDER);
        command(dialog, IDCANCEL);
    });
    // Back in the band once the dialog is gone (Wine keeps an owner out of
    // it while the dialog shows; Windows puts it back at once).
    mainTopmostAfter = main.topmost();
    EXPECT_EQ(result, IDCANCEL);
    ASSERT_TRUE(pickerFound);
    EXPECT_FALSE(mainTopmostDuring);
    EXPECT_FALSE(dialogEnabledDuring);
    EXPECT_TRUE(mainTopmostAfter);
    EXPECT_TRUE(dialogEnabledAfter);
    EXPECT_EQ(folderAfter, L"C:\\Users\\tester\\Downloads") << "a cancelled picker changes nothing";
}

INSTANTIATE_TEST_SUITE_P(Looks, OptionsDialogTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Dark" : "Light"; });

TEST(PickFolder, CancellingLeavesTheBufferAlone) {
    TempFolder start;
    wchar_t out[MAX_PATH] = L"untouched";
    HRESULT hr = E_FAIL;
    std::atomic<bool> closed{false};
    std::thread closer([&] {
        HWND picker = wait_for_new_window({});
        if (picker) {
            Sleep(300);
            PostMessageW(picker, WM_COMMAND, IDCANCEL, 0);
            closed = true;
        }
    });
    hr = pick_folder(out, start.path().c_str());
    closer.join();
    ASSERT_TRUE(closed);
    EXPECT_EQ(hr, HRESULT_FROM_WIN32(ERROR_CANCELLED));
    EXPECT_STREQ(out, L"untouched");
}

// delete_tree empties yt-dlp's cache here and removes installations in the
// setup program.
class DeleteTree : public ::testing::Test {
protected:
    TempFolder root;
    std::wstring tree = root.path() + L"\\tree";
};

TEST_F(DeleteTree, RemovesEverythingBelowAndTheFolder) {
    for (const wchar_t* folder : {L"", L"\\a", L"\\a\\b", L"\\a\\b\\c", L"\\empty"}) {
        ASSERT_TRUE(CreateDirectoryW((tree + folder).c_str(), nullptr));
    }
    for (const wchar_t* file : {L"\\top.txt", L"\\a\\one", L"\\a\\b\\two.json", L"\\a\\b\\c\\.hidden"}) {
        ASSERT_TRUE(make_file(tree + file));
    }
    SetFileAttributesW((tree + L"\\a\\b\\c\\.hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
    EXPECT_TRUE(delete_tree(tree.c_str()));
    EXPECT_FALSE(path_exists(tree));
    EXPECT_TRUE(path_exists(root.path()));
}

TEST_F(DeleteTree, NothingToDeleteOrNoNameIsAFailure) {
    EXPECT_FALSE(delete_tree(tree.c_str()));
    EXPECT_FALSE(delete_tree(L""));
    EXPECT_FALSE(delete_tree(nullptr));
}

TEST_F(DeleteTree, WhatCannotBeDeletedStaysWithItsFolders) {
    for (const wchar_t* folder : {L"", L"\\busy", L"\\free"}) {
        ASSERT_TRUE(CreateDirectoryW((tree + folder).c_str(), nullptr));
    }
    for (const wchar_t* file : {L"\\busy\\held", L"\\busy\\other", L"\\free\\x"}) {
        ASSERT_TRUE(make_file(tree + file));
    }
    HANDLE held = CreateFileW((tree + L"\\busy\\held").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(delete_tree(tree.c_str()));
    CloseHandle(held);
    EXPECT_TRUE(path_exists(tree + L"\\busy\\held"));
    EXPECT_FALSE(path_exists(tree + L"\\busy\\other"));
    EXPECT_FALSE(path_exists(tree + L"\\free"));
    std::string bytes;
    ASSERT_TRUE(read_whole_file(tree + L"\\busy\\held", bytes));
    EXPECT_EQ(bytes, "cache bytes") << "a file that stays keeps its contents";
}

// A name whose full path does not fit is never reached through a cut path:
// the cut could name another file, which must survive.
TEST_F(DeleteTree, NeverDeletesThroughACutPath) {
    std::wstring folder = tree;
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    while (folder.size() < 200) {
        folder += L"\\" + std::wstring(20, L'd');
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    }
    size_t room = MAX_PATH - 1 - folder.size() - 1;  // what a cut path keeps of a name
    std::wstring longName(room + 30, L'n');
    std::wstring cutName(room, L'n');
    std::wstring extended = L"\\\\?\\" + folder + L"\\" + longName;
    ASSERT_TRUE(make_file(extended));
    ASSERT_TRUE(make_file(folder + L"\\" + cutName));
    EXPECT_FALSE(delete_tree(tree.c_str()));
    EXPECT_TRUE(path_exists(extended));
    EXPECT_FALSE(path_exists(folder + L"\\" + cutName)) << "reachable in its own right, so deleted";
    DeleteFileW(extended.c_str());
    EXPECT_TRUE(delete_tree(tree.c_str()));
}

TEST_F(DeleteTree, RemovesLinksWithoutFollowingThem) {
    std::wstring outside = root.path() + L"\\outside";
    ASSERT_TRUE(CreateDirectoryW(outside.c_str(), nullptr));
    ASSERT_TRUE(make_file(outside + L"\\precious"));
    ASSERT_TRUE(CreateDirectoryW(tree.c_str(), nullptr));
    std::wstring link = tree + L"\\link";
    std::wstring fileLink = tree + L"\\file-link";
    const DWORD unprivileged = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
    if (!CreateSymbolicLinkW(link.c_str(), outside.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY | unprivileged) ||
        !CreateSymbolicLinkW(fileLink.c_str(), (outside + L"\\precious").c_str(), unprivileged)) {
        GTEST_SKIP() << "symbolic links cannot be made here (error " << GetLastError() << ")";
    }
    EXPECT_TRUE(delete_tree(tree.c_str()));
    EXPECT_FALSE(path_exists(tree));
    std::string bytes;
    ASSERT_TRUE(read_whole_file(outside + L"\\precious", bytes));
    EXPECT_EQ(bytes, "cache bytes");
}

}  // namespace
