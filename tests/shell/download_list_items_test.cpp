// The download list with the real item windows, as a user meets it: links
// pasted in, items clicked, closed with their close box and with Delete,
// moved through with the arrow keys and the wheel, and the list brought back
// from its file by a new list. No tool is installed beside this program, so
// every item's metadata job ends at once with its error.
#include "app/shell/download_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/items/item_window.h"
#include "app/shell/list_file.h"
#include "base/data_folder.h"
#include "base/gdiplus.h"
#include "base/text.h"
#include "tests/shell/list_test_window.h"
#include "tests/win_test_support.h"
#include "tests/window_capture.h"
#include "ui/theme.h"

namespace {

class Libraries : public ::testing::Environment {
public:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token_, &input, nullptr);
        OleInitialize(nullptr);
        fix_dark_mode(false);
        fill_theme_colours();
        g_uiFont = ui_font();
    }
    void TearDown() override {
        OleUninitialize();
        Gdiplus::GdiplusShutdown(token_);
    }

private:
    ULONG_PTR token_ = 0;
};
const ::testing::Environment* const kLibraries = ::testing::AddGlobalTestEnvironment(new Libraries);

class ListWithItems : public ::testing::Test {
protected:
    TempFolder root;
    std::wstring listFile;
    MainStandIn main{true};
    HWND list = nullptr;

    void SetUp() override {
        set_data_folder_root(root.path().c_str());
        ensure_data_folder();
        wchar_t path[MAX_PATH];
        ASSERT_TRUE(data_path(L"list", path));
        listFile = path;
        main.take = take_link_text;
    }
    void TearDown() override {
        if (list) {
            close_list();
        }
        set_data_folder_root(L"");
    }

    void make_list() {
        DownloadListSetup setup = {};
        setup.normalFont = g_uiFont;
        setup.outputFolder = root.path().c_str();
        list = create_download_list(main.window, setup, 640, 480);
        ASSERT_NE(list, nullptr);
        main.list = list;
        restore_list(list);
    }
    void close_list() {
        DestroyWindow(list);
        list = nullptr;
        main.list = nullptr;
        pump_messages();
    }
    // Until every item's metadata job has ended (it finds no tool).
    void settle() {
        for (int round = 0; round < 400; ++round) {
            pump_messages();
            bool running = false;
            for (int i = 0; i < list_item_count(list); ++i) {
                running = running || item_threads_running(*list_item(list, i));
            }
            if (!running) {
                break;
            }
            Sleep(25);
        }
        pump_messages();
    }
    std::vector<std::wstring> urls() {
        std::vector<std::wstring> all;
        for (int i = 0; i < list_item_count(list); ++i) {
            all.emplace_back(list_item(list, i)->url);
        }
        return all;
    }
    int top_of(int index) {
        RECT rc = {};
        GetWindowRect(list_item(list, index)->item_window(), &rc);
        MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(&rc), 2);
        return rc.top;
    }
};

TEST_F(ListWithItems, PasteClickCloseKeysAndWheel) {
    make_list();
    for (int i = 1; i <= 8; ++i) {
        put_on_clipboard(main.window, L" www.example.com/watch?v=" + std::to_wstring(i) + L"\r\n");
        SendMessageW(list, WM_COMMAND, MAKEWPARAM(ID_LIST_PASTE_URL, 0), 0);
    }
    settle();
    ASSERT_EQ(list_item_count(list), 8);
    EXPECT_EQ(list_item(list, 0)->url, std::wstring(L"https://www.example.com/watch?v=8"));
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(top_of(i), i * 70);
        RECT rc;
        GetClientRect(list_item(list, i)->item_window(), &rc);
        EXPECT_EQ(rc.bottom, 70);
    }
    EXPECT_EQ(list_selected_index(list), 0);

    // A click on an item selects it and brings it into view.
    SendMessageW(list_item(list, 7)->item_window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 30));
    pump_messages();
    EXPECT_EQ(list_selected_index(list), 7);
    EXPECT_EQ(list_scroll_position(list), 8 * 70 - 480);
    SendMessageW(list, WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(list_selected_index(list), 6);
    scroll_list_by_wheel(list, WHEEL_DELTA);
    EXPECT_EQ(list_scroll_position(list), 8 * 70 - 480 - 30);

    // The close box removes its item; Delete the selected one.
    SendMessageW(list_item(list, 0)->item_window(), WM_COMMAND, MAKEWPARAM(ID_ITEM_CLOSE, BN_CLICKED), 0);
    settle();
    ASSERT_EQ(list_item_count(list), 7);
    EXPECT_EQ(list_selected_index(list), 5);
    EXPECT_EQ(list_item(list, 5)->url, std::wstring(L"https://www.example.com/watch?v=2"));
    SendMessageW(list, WM_KEYDOWN, VK_DELETE, 0);
    settle();
    EXPECT_EQ(list_item_count(list), 6);
    EXPECT_EQ(list_item(list, 5)->url, std::wstring(L"https://www.example.com/watch?v=1"));
    EXPECT_EQ(list_item(list, 5)->selected, 4);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(top_of(i), i * 70 - list_scroll_position(list));
    }
    Capture shot = capture_window(list, true);
    shot.save_png(artifact_path(L"download-list-items.png"));
}

TEST_F(ListWithItems, TheListComesBackFromItsFile) {
    make_list();
    for (const wchar_t* link : {L"https://a.example/watch?v=1", L"https://b.example/clip", L"c.example/x"}) {
        take_link_text(list, link);
    }
    settle();
    std::vector<std::wstring> before = urls();
    std::vector<std::wstring> keys;
    for (int i = 0; i < 3; ++i) {
        keys.emplace_back(list_item(list, i)->key);
    }
    close_list();
    std::string bytes;
    ASSERT_TRUE(read_whole_file(listFile, bytes));
    EXPECT_EQ(bytes.size(), 3 * LIST_RECORD_SIZE);

    make_list();
    settle();
    EXPECT_EQ(urls(), before);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(std::wstring(list_item(list, i)->key), keys[i]);
    }
    close_list();
    std::string again;
    ASSERT_TRUE(read_whole_file(listFile, again));
    EXPECT_EQ(again, bytes);
}

// The list's own background below its items, in both looks; pictures of
// both are kept.
TEST_F(ListWithItems, BackgroundInTheLightAndTheDarkLook) {
    for (bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        fix_dark_mode(dark);
        fill_theme_colours();
        DeleteFileW(listFile.c_str());  // each look starts from an empty list
        make_list();
        for (const wchar_t* link : {L"https://a.example/watch?v=1", L"https://b.example/clip"}) {
            take_link_text(list, link);
        }
        settle();
        InvalidateRect(list, nullptr, TRUE);
        UpdateWindow(list);
        Capture shot = capture_window(list, true);
        shot.save_png(artifact_path(dark ? L"download-list-items-dark.png" : L"download-list-items-light.png"));
        ASSERT_EQ(list_item_count(list), 2);
        EXPECT_EQ(shot.at(300, 2 * 70 + 40), g_colours.windowBackground);
        EXPECT_EQ(shot.at(5, shot.height - 5), g_colours.windowBackground);
        close_list();
    }
    fix_dark_mode(false);
    fill_theme_colours();
}

}  // namespace
