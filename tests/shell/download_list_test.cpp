// The download list window with stand-in item windows (fake_item_window.cpp):
// links in by paste, the duplicate and 255 rules, removal with the selection
// and the partial file, the keyboard, scrolling and the wheel, the timer with
// the taskbar, the thumbnail hand-over, and the list file across runs.
#include "app/shell/download_list.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/app_messages.h"
#include "app/shell/list_file.h"
#include "base/text.h"
#include "tests/shell/fake_item_window.h"
#include "tests/shell/list_test_window.h"
#include "tests/win_test_support.h"
#include "tests/window_capture.h"

namespace {

// Records what the list asks of the taskbar.
class FakeTaskbar final : public ITaskbarList3 {
public:
    struct Call {
        TBPFLAG state;  // the state set, or -1 for a value
        ULONGLONG done;
        ULONGLONG total;
    };
    std::vector<Call> calls;
    LONG refs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
    HRESULT STDMETHODCALLTYPE HrInit() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE AddTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeleteTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ActivateTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveAlt(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE MarkFullscreenWindow(HWND, BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetProgressValue(HWND, ULONGLONG done, ULONGLONG total) override {
        calls.push_back({static_cast<TBPFLAG>(-1), done, total});
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetProgressState(HWND, TBPFLAG state) override {
        calls.push_back({state, 0, 0});
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE RegisterTab(HWND, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE UnregisterTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetTabOrder(HWND, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetTabActive(HWND, HWND, DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ThumbBarAddButtons(HWND, UINT, LPTHUMBBUTTON) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ThumbBarUpdateButtons(HWND, UINT, LPTHUMBBUTTON) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ThumbBarSetImageList(HWND, HIMAGELIST) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetOverlayIcon(HWND, HICON, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetThumbnailTooltip(HWND, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetThumbnailClip(HWND, RECT*) override { return S_OK; }
};

class DownloadListWindow : public ::testing::Test {
protected:
    static MainStandIn* shown_;
    static void SetUpTestSuite() { shown_ = new MainStandIn(true); }
    static void TearDownTestSuite() {
        delete shown_;
        shown_ = nullptr;
    }

    TempFolder folder;
    std::wstring listFile = folder.file(L"list");
    MainStandIn& main = *shown_;
    HWND list = nullptr;
    FakeTaskbar taskbar;

    void SetUp() override {
        g_fakeItems = {};
        main.texts.clear();
        main.listEmpty = 0;
        main.take = take_link_text;
    }
    void TearDown() override {
        if (list && IsWindow(list)) {
            DestroyWindow(list);
        }
        pump_messages();
    }

    // A list in the stand-in main window, its file in the test's folder.
    HWND make_list(int height = 420, bool restore = true) {
        DownloadListSetup setup = {};
        setup.taskbar = &taskbar;
        setup.outputFolder = L"C:\\Downloads";
        setup.listFile = listFile.c_str();
        list = create_download_list(main.window, setup, 600, height);
        main.list = list;
        if (list && restore) {
            restore_list(list);
        }
        return list;
    }
    void close_list() {
        DestroyWindow(list);
        main.list = nullptr;
        list = nullptr;
        pump_messages();
    }
    void paste(const std::wstring& text) {
        ASSERT_TRUE(put_on_clipboard(main.window, text));
        SendMessageW(list, WM_COMMAND, MAKEWPARAM(ID_LIST_PASTE_URL, 0), 0);
    }
    std::wstring url(int index) {
        DownloadItem* item = list_item(list, index);
        return item && item->url ? item->url : L"";
    }
    // The item window's top edge in list coordinates.
    int top_of(int index) {
        RECT rc = {};
        GetWindowRect(list_item(list, index)->item_window(), &rc);
        MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(&rc), 2);
        return rc.top;
    }
    void remove(int index) {
        DestroyWindow(list_item(list, index)->item_window());
        pump_messages();
    }
    std::vector<std::wstring> urls() {
        std::vector<std::wstring> all;
        for (int i = 0; i < list_item_count(list); ++i) {
            all.push_back(url(i));
        }
        return all;
    }
    std::string file_bytes() {
        std::string bytes;
        read_whole_file(listFile, bytes);
        return bytes;
    }
    void add(const wchar_t* link) { ASSERT_TRUE(add_link(list, link)); }
    void tick() { SendMessageW(list, WM_TIMER, LIST_TIMER_ID, 0); }
};

MainStandIn* DownloadListWindow::shown_ = nullptr;

TEST_F(DownloadListWindow, PastedLinksGoOnTopAndTheSameWaitingLinkIsOnlySelected) {
    ASSERT_TRUE(make_list());
    paste(L"  www.example.com/watch?v=1 \r\n");
    ASSERT_EQ(list_item_count(list), 1);
    EXPECT_EQ(url(0), L"https://www.example.com/watch?v=1");
    EXPECT_EQ(list_selected_index(list), 0);
    EXPECT_EQ(list_item(list, 0)->selected, 4);
    EXPECT_STREQ(list_item(list, 0)->outputFolder, L"C:\\Downloads");

    paste(L"https://other.example/v2");
    ASSERT_EQ(list_item_count(list), 2);
    EXPECT_EQ(url(0), L"https://other.example/v2");
    EXPECT_EQ(top_of(0), 0);
    EXPECT_EQ(top_of(1), 70);
    EXPECT_EQ(list_item(list, 1)->listIndex, 1);
    EXPECT_EQ(list_item(list, 1)->selected, 0) << "one selected item";

    // Still loading: the same link (ignoring case) selects the first item.
    paste(L"HTTPS://WWW.EXAMPLE.COM/watch?v=1");
    EXPECT_EQ(list_item_count(list), 2);
    EXPECT_EQ(list_selected_index(list), 1);
    // Once it downloads, the link may come again.
    list_item(list, 1)->state = STATE_DOWNLOADING;
    paste(L"www.example.com/watch?v=1");
    EXPECT_EQ(list_item_count(list), 3);

    for (const wchar_t* text : {L"not a link", L"C:\\Videos\\clip.mp4", L"example com", L"   \r\n"}) {
        SCOPED_TRACE(testing::Message() << text);
        paste(text);
        EXPECT_EQ(list_item_count(list), 3);
    }
    // The next tick puts the changes in the file.
    EXPECT_EQ(file_bytes().size(), 0u);
    tick();
    EXPECT_EQ(file_bytes().size(), 3 * LIST_RECORD_SIZE);
}

// Opens the list's context menu as a right click on its background does;
// a helper thread reads the "Paste URL" entry's state and then picks it
// (keyboard: Down, Enter) or closes the menu (Escape).
struct MenuVisit {
    bool found = false;
    bool grayed = false;
    std::wstring text;
};
MenuVisit open_list_menu(HWND list, bool pick) {
    MenuVisit visit;
    std::thread helper([&] {
        HWND menu = nullptr;
        for (int i = 0; i < 200 && !menu; ++i) {
            Sleep(25);
            menu = FindWindowW(L"#32768", nullptr);
        }
        if (!menu) {
            return;
        }
        HMENU handle = reinterpret_cast<HMENU>(SendMessageW(menu, 0x01E1 /* MN_GETHMENU */, 0, 0));
        visit.found = handle != nullptr;
        if (handle) {
            visit.grayed = (GetMenuState(handle, ID_LIST_PASTE_URL, MF_BYCOMMAND) & MF_GRAYED) != 0;
            wchar_t text[64] = {};
            GetMenuStringW(handle, ID_LIST_PASTE_URL, text, 64, MF_BYCOMMAND);
            visit.text = text;
        }
        if (pick) {
            PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
            PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
        } else {
            PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        }
    });
    RECT rc;
    GetWindowRect(list, &rc);
    SendMessageW(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(rc.left + 50, rc.top + 50));
    helper.join();
    pump_messages();
    return visit;
}

TEST_F(DownloadListWindow, TheContextMenuPastesOnlyALink) {
    ASSERT_TRUE(make_list());
    ASSERT_TRUE(put_on_clipboard(main.window, L"just words"));
    MenuVisit visit = open_list_menu(list, false);
    ASSERT_TRUE(visit.found);
    EXPECT_EQ(visit.text, L"Paste URL");
    EXPECT_TRUE(visit.grayed);
    EXPECT_EQ(list_item_count(list), 0);

    ASSERT_TRUE(put_on_clipboard(main.window, L"vimeo.com/76979871"));
    visit = open_list_menu(list, true);
    ASSERT_TRUE(visit.found);
    EXPECT_FALSE(visit.grayed);
    ASSERT_EQ(main.texts.size(), 1u);
    EXPECT_EQ(main.texts[0], L"vimeo.com/76979871");
    ASSERT_EQ(list_item_count(list), 1);
    EXPECT_EQ(url(0), L"https://vimeo.com/76979871");

    // A right click on an item is the item's: the list opens nothing (a menu
    // would hold this call until the test's time runs out).
    SendMessageW(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list_item(list, 0)->item_window()), MAKELPARAM(5, 5));
    EXPECT_EQ(list_item_count(list), 1);
}

TEST_F(DownloadListWindow, RemovalKeepsTheSelectionOnItsItem) {
    ASSERT_TRUE(make_list());
    for (const wchar_t* link : {L"https://a.example/", L"https://b.example/", L"https://c.example/",
                                L"https://d.example/", L"https://e.example/"}) {
        add(link);
    }
    select_item(list, 2);  // c
    remove(0);             // e, above the selection
    EXPECT_EQ(urls(), (std::vector<std::wstring>{L"https://d.example/", L"https://c.example/", L"https://b.example/",
                                                 L"https://a.example/"}));
    EXPECT_EQ(list_selected_index(list), 1);
    EXPECT_EQ(list_item(list, 1)->selected, 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(top_of(i), i * 70);
        EXPECT_EQ(list_item(list, i)->listIndex, i);
    }

    select_item(list, 3);  // a, the last
    remove(3);
    EXPECT_EQ(list_selected_index(list), 2);
    EXPECT_EQ(url(2), L"https://b.example/");
    EXPECT_EQ(list_item(list, 2)->selected, 4) << "the new last item is marked";

    select_item(list, 0);
    remove(0);  // the selected one, not the last: the next one takes its place
    EXPECT_EQ(list_selected_index(list), 0);
    EXPECT_EQ(url(0), L"https://c.example/");
    EXPECT_EQ(list_item(list, 0)->selected, 4);

    EXPECT_EQ(main.listEmpty, 0);
    remove(0);
    remove(0);
    EXPECT_EQ(list_item_count(list), 0);
    EXPECT_EQ(list_selected_index(list), -1);
    EXPECT_EQ(main.listEmpty, 1);
    EXPECT_EQ(g_fakeItems.freed, 5);
    tick();
    EXPECT_EQ(file_bytes().size(), 0u);
}

TEST_F(DownloadListWindow, RemovingADownloadDeletesItsPartialFileAndKeepsTheRecordForItsThread) {
    ASSERT_TRUE(make_list());
    add(L"https://a.example/clip");
    DownloadItem* item = list_item(list, 0);
    std::wstring output = folder.file(L"clip.mp4");
    text_copy(item->outputPath, output.c_str());
    ASSERT_TRUE(write_whole_file(output, "finished"));
    ASSERT_TRUE(write_whole_file(output + L".part", "partial"));
    item->state = STATE_DOWNLOADING;
    item->downloadThread = reinterpret_cast<void*>(1);  // the job still runs

    remove(0);
    EXPECT_EQ(list_item_count(list), 0);
    EXPECT_FALSE(path_exists(output + L".part"));
    EXPECT_TRUE(path_exists(output)) << "only the partial file goes";
    EXPECT_EQ(g_fakeItems.freed, 0) << "the job may still write into the record";

    tick();
    EXPECT_EQ(g_fakeItems.freed, 0);
    // The job ends (its last step clears its handle); the tool had the
    // partial file open again meanwhile: it goes when the record does.
    ASSERT_TRUE(write_whole_file(output + L".part", "partial"));
    item->downloadThread = nullptr;
    tick();
    EXPECT_EQ(g_fakeItems.freed, 1);
    EXPECT_FALSE(path_exists(output + L".part"));
}

TEST_F(DownloadListWindow, ClosingOneOfTwoItemsOfTheSameLinkRemovesThatOne) {
    ASSERT_TRUE(make_list());
    add(L"https://same.example/v");
    list_item(list, 0)->state = STATE_DONE;
    add(L"https://same.example/v");
    ASSERT_EQ(list_item_count(list), 2);
    DownloadItem* top = list_item(list, 0);
    ASSERT_STREQ(top->key, list_item(list, 1)->key) << "one link, one key";

    remove(1);  // the older one
    ASSERT_EQ(list_item_count(list), 1);
    EXPECT_EQ(list_item(list, 0), top);
    EXPECT_TRUE(IsWindow(top->item_window()));
}

TEST_F(DownloadListWindow, KeysMoveTheSelectionAndDeleteRemoves) {
    ASSERT_TRUE(make_list());
    add(L"https://a.example/");
    add(L"https://b.example/");
    add(L"https://c.example/");
    select_item(list, 0);
    struct Step {
        WPARAM key;
        int selected;
        int count;
    };
    const Step kSteps[] = {
        {VK_UP, 0, 3}, {VK_DOWN, 1, 3}, {VK_DOWN, 2, 3}, {VK_DOWN, 2, 3},
        {VK_UP, 1, 3}, {VK_DELETE, 1, 2}, {VK_DELETE, 0, 1}, {VK_DELETE, -1, 0},
    };
    for (const Step& s : kSteps) {
        SCOPED_TRACE(testing::Message() << "key " << s.key);
        SendMessageW(list, WM_KEYDOWN, s.key, 0);
        pump_messages();
        EXPECT_EQ(list_selected_index(list), s.selected);
        EXPECT_EQ(list_item_count(list), s.count);
        if (s.selected >= 0) {
            EXPECT_EQ(GetFocus(), list_item(list, s.selected)->item_window());
        }
    }
}

TEST_F(DownloadListWindow, ScrollBarWheelAndRevealMoveTheItemsTogether) {
    ASSERT_TRUE(make_list(300));
    for (int i = 0; i < 10; ++i) {
        add((L"https://example.com/" + std::to_wstring(i)).c_str());
    }
    RECT rc;
    GetClientRect(list, &rc);
    ASSERT_EQ(rc.bottom, 300);
    int maximum = 700 - 300;

    struct Step {
        const char* what;
        void (*act)(HWND list);
        int position;
    };
    const Step kSteps[] = {
        {"a notch down", [](HWND l) { scroll_list_by_wheel(l, -WHEEL_DELTA); }, 30},
        {"half a notch", [](HWND l) { scroll_list_by_wheel(l, -60); }, 45},
        {"a sliver, kept for later", [](HWND l) { scroll_list_by_wheel(l, -3); }, 45},
        {"the sliver completes a pixel", [](HWND l) { scroll_list_by_wheel(l, -1); }, 46},
        {"bottom", [](HWND l) { SendMessageW(l, WM_VSCROLL, SB_BOTTOM, 0); }, 400},
        {"past the bottom", [](HWND l) { scroll_list_by_wheel(l, -WHEEL_DELTA); }, 400},
        {"line up", [](HWND l) { SendMessageW(l, WM_VSCROLL, SB_LINEUP, 0); }, 395},
        {"page up", [](HWND l) { SendMessageW(l, WM_VSCROLL, SB_PAGEUP, 0); }, 95},
        {"page up past the top", [](HWND l) { SendMessageW(l, WM_VSCROLL, SB_PAGEUP, 0); }, 0},
        {"the last item revealed", [](HWND l) { reveal_item(l, 9); }, 400},
        {"the first item revealed", [](HWND l) { reveal_item(l, 0); }, 0},
        {"an item half below the page", [](HWND l) { reveal_item(l, 4); }, 50},
    };
    for (const Step& s : kSteps) {
        SCOPED_TRACE(s.what);
        s.act(list);
        EXPECT_EQ(list_scroll_position(list), s.position);
        EXPECT_EQ(top_of(0), -s.position);
        EXPECT_EQ(top_of(9), 9 * 70 - s.position);
        EXPECT_EQ(GetScrollPos(list, SB_VERT), s.position);
    }
    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    GetScrollInfo(list, SB_VERT, &info);
    EXPECT_EQ(info.nMax, 699);
    EXPECT_EQ(info.nPage, 300u);
    EXPECT_EQ(maximum, 400);

    // A taller list at the bottom lowers the position and moves the items with it.
    SendMessageW(list, WM_VSCROLL, SB_BOTTOM, 0);
    SetWindowPos(list, nullptr, 0, 0, 600, 500, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(list_scroll_position(list), 200);
    EXPECT_EQ(top_of(0), -200);
    // A new link goes on top, and the list shows the top.
    add(L"https://example.com/new");
    EXPECT_EQ(list_scroll_position(list), 0);
    EXPECT_EQ(top_of(0), 0);
    EXPECT_EQ(top_of(10), 700);
}

TEST_F(DownloadListWindow, AHiddenListKeepsItsItemsInPlace) {
    // The main window shows the list only when start-up goes on.
    ASSERT_TRUE(make_list(300));
    ShowWindow(list, SW_HIDE);
    for (int i = 0; i < 10; ++i) {
        add((L"https://example.com/" + std::to_wstring(i)).c_str());
    }
    scroll_list_by_wheel(list, -2 * WHEEL_DELTA);
    EXPECT_EQ(list_scroll_position(list), 60);
    EXPECT_EQ(top_of(0), -60);
    EXPECT_EQ(top_of(9), 570);
    ShowWindow(list, SW_SHOW);
    scroll_list_by_wheel(list, WHEEL_DELTA);
    EXPECT_EQ(top_of(0), -30);
    add(L"https://example.com/new");
    EXPECT_EQ(top_of(0), 0);
    EXPECT_EQ(top_of(10), 700);
}

TEST_F(DownloadListWindow, AFullListIgnoresFurtherLinks) {
    ASSERT_TRUE(make_list());
    for (int i = 0; i < 255; ++i) {
        ASSERT_TRUE(add_link(list, (L"https://example.com/" + std::to_wstring(i)).c_str()));
    }
    EXPECT_FALSE(add_link(list, L"https://example.com/one-more"));
    EXPECT_EQ(list_item_count(list), 255);
    EXPECT_EQ(g_fakeItems.made, 255) << "no item is even begun";
    EXPECT_EQ(url(0), L"https://example.com/254");
    // A window that cannot be made leaves the list as it was.
    remove(0);
    g_fakeItems.failNextWindow = true;
    EXPECT_FALSE(add_link(list, L"https://example.com/no-window"));
    EXPECT_EQ(list_item_count(list), 254);
    EXPECT_EQ(url(0), L"https://example.com/253");
    EXPECT_EQ(top_of(0), 0);
}

TEST_F(DownloadListWindow, TheListFileBringsTheListBackInOrder) {
    ASSERT_TRUE(make_list());
    add(L"https://a.example/done");
    add(L"https://b.example/failed");
    add(L"https://c.example/loading");
    DownloadItem* done = list_item(list, 2);
    done->state = STATE_DONE;
    done->documentsReceived = 1;
    done->info.duration = 61;
    text_copy(done->outputPath, L"C:\\Downloads\\a.mp4");
    list_item(list, 1)->state = STATE_FAILED;
    std::vector<std::wstring> before = urls();
    std::wstring key = list_item(list, 0)->key;
    close_list();
    EXPECT_EQ(file_bytes().size(), 3 * LIST_RECORD_SIZE);
    std::string saved = file_bytes();

    ASSERT_TRUE(make_list(420, false));
    EXPECT_EQ(restore_list(list), 3);
    EXPECT_EQ(urls(), before);
    EXPECT_EQ(list_item(list, 0)->key, key);
    EXPECT_EQ(list_item(list, 2)->restoredState, STATE_DONE);
    EXPECT_STREQ(list_item(list, 2)->outputPath, L"C:\\Downloads\\a.mp4");
    EXPECT_EQ(list_item(list, 2)->info.duration, 61u);
    EXPECT_EQ(list_item(list, 1)->restoredState, STATE_FAILED);
    EXPECT_EQ(list_selected_index(list), 0);
    // Closed again before anything arrived, the stored outcomes stay.
    close_list();
    EXPECT_EQ(file_bytes(), saved);
}

TEST_F(DownloadListWindow, RestoredDuplicatesFollowTheRuleOfTheLiveList) {
    auto record = [](const wchar_t* link, int32_t state) {
        ListRecord r;
        std::memset(&r, 0, sizeof(r));
        text_copy(r.link, link);  // no key: made from the link on restore
        r.state = state;
        unsigned char bytes[LIST_RECORD_SIZE];
        encode_list_record(r, bytes);
        return std::string(reinterpret_cast<const char*>(bytes), LIST_RECORD_SIZE);
    };
    // Two downloads of one video (say video and audio) are two entries; two
    // waiting entries of one link are one, as a paste would have made them.
    ASSERT_TRUE(write_whole_file(listFile, record(L"https://v.example/1", STATE_DONE) +
                                               record(L"https://V.example/1", STATE_DONE) +
                                               record(L"https://w.example/2", STATE_READY) +
                                               record(L"https://w.example/2", STATE_LOADING)));
    ASSERT_TRUE(make_list(420, false));
    EXPECT_EQ(restore_list(list), 3);
    EXPECT_EQ(urls(), (std::vector<std::wstring>{L"https://w.example/2", L"https://V.example/1",
                                                 L"https://v.example/1"}));
    EXPECT_EQ(std::wstring(list_item(list, 0)->key).size(), 32u);
}

TEST_F(DownloadListWindow, ADamagedFileKeepsItsGoodRecordsAndIsRepairedOnTheNextChange) {
    auto record = [](const wchar_t* link) {
        ListRecord r;
        std::memset(&r, 0, sizeof(r));
        text_copy(r.key, L"0123456789ABCDEF0123456789ABCDEF");
        text_copy(r.link, link);
        r.state = STATE_DONE;
        unsigned char bytes[LIST_RECORD_SIZE];
        encode_list_record(r, bytes);
        return std::string(reinterpret_cast<const char*>(bytes), LIST_RECORD_SIZE);
    };
    std::string garbage(LIST_RECORD_SIZE, '\x41');
    std::string damaged = record(L"https://a.example/") + garbage + record(L"https://b.example/") +
                          record(L"https://c.example/").substr(0, 1234);
    ASSERT_TRUE(write_whole_file(listFile, damaged));
    ASSERT_TRUE(make_list(420, false));
    EXPECT_EQ(restore_list(list), 2);
    EXPECT_EQ(urls(), (std::vector<std::wstring>{L"https://b.example/", L"https://a.example/"}));
    tick();
    EXPECT_EQ(file_bytes(), damaged) << "nothing is rewritten until the list changes";
    add(L"https://d.example/");
    tick();
    EXPECT_EQ(file_bytes().size(), 3 * LIST_RECORD_SIZE);
}

TEST_F(DownloadListWindow, NothingIsWrittenBeforeTheListIsRestored) {
    ListRecord r;
    std::memset(&r, 0, sizeof(r));
    text_copy(r.link, L"https://kept.example/");
    unsigned char bytes[LIST_RECORD_SIZE];
    encode_list_record(r, bytes);
    std::string previous(reinterpret_cast<const char*>(bytes), LIST_RECORD_SIZE);
    ASSERT_TRUE(write_whole_file(listFile, previous));

    // Closed during start-up, before the list was shown and restored.
    ASSERT_TRUE(make_list(420, false));
    add(L"https://early.example/");
    EXPECT_FALSE(save_list(list));
    close_list();
    EXPECT_EQ(file_bytes(), previous);

    // A file that cannot be read now is left alone for the whole run.
    HANDLE held = CreateFileW(listFile.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(make_list(420, false));
    EXPECT_EQ(restore_list(list), 0);
    CloseHandle(held);
    add(L"https://later.example/");
    tick();
    close_list();
    EXPECT_EQ(file_bytes(), previous);
}

TEST_F(DownloadListWindow, TheTimerRefreshesDownloadsAndTheTaskbarAndSavesChanges) {
    ASSERT_TRUE(make_list());
    EXPECT_EQ(taskbar.refs, 2) << "the list holds a reference";
    add(L"https://a.example/");
    add(L"https://b.example/");
    add(L"https://c.example/");
    DownloadItem* a = list_item(list, 2);
    DownloadItem* b = list_item(list, 1);
    a->state = STATE_DOWNLOADING;
    a->percent = 40;
    b->state = STATE_DOWNLOADING;
    b->percent = PERCENT_UNKNOWN;
    tick();
    EXPECT_EQ(g_fakeItems.refreshed, 2);
    ASSERT_EQ(taskbar.calls.size(), 2u);
    EXPECT_EQ(taskbar.calls[0].state, TBPF_NORMAL);
    EXPECT_EQ(taskbar.calls[1].done, 40u);
    EXPECT_EQ(taskbar.calls[1].total, 100u);
    // The states went to the file with the tick.
    std::string bytes = file_bytes();
    ASSERT_EQ(bytes.size(), 3 * LIST_RECORD_SIZE);
    EXPECT_EQ(bytes[0 * LIST_RECORD_SIZE + 5784], STATE_DOWNLOADING) << "a, written first";

    a->state = STATE_DONE;
    a->documentsReceived = 1;
    taskbar.calls.clear();
    tick();
    ASSERT_EQ(taskbar.calls.size(), 1u);
    EXPECT_EQ(taskbar.calls[0].state, TBPF_INDETERMINATE);
    EXPECT_EQ(file_bytes()[5784], STATE_DONE);

    b->state = STATE_FAILED;
    taskbar.calls.clear();
    tick();
    tick();
    ASSERT_EQ(taskbar.calls.size(), 1u) << "no progress, said once";
    EXPECT_EQ(taskbar.calls[0].state, TBPF_NOPROGRESS);
    close_list();
    EXPECT_EQ(taskbar.refs, 1);
}

TEST_F(DownloadListWindow, AThumbnailReachesEveryItemOfItsKey) {
    ASSERT_TRUE(make_list());
    add(L"https://same.example/v");
    list_item(list, 0)->state = STATE_DONE;
    add(L"https://same.example/v");
    add(L"https://other.example/v");
    auto post = [&](const wchar_t* key) {
        auto* copy = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, 64 * sizeof(wchar_t)));
        text_copy(copy, 64, key);
        PostMessageW(list, WM_APP_THUMBNAIL_READY, 0, reinterpret_cast<LPARAM>(copy));
        pump_messages();
    };
    post(list_item(list, 1)->key);
    EXPECT_EQ(g_fakeItems.thumbnails, 2);
    post(L"FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF");
    EXPECT_EQ(g_fakeItems.thumbnails, 2);
}

TEST_F(DownloadListWindow, ShutdownStopsEveryJobAndWaitsForTheThreadsThatEnd) {
    ASSERT_TRUE(make_list());
    add(L"https://ends.example/");
    add(L"https://hangs.example/");
    add(L"https://idle.example/");
    DownloadItem* ends = list_item(list, 2);
    DownloadItem* hangs = list_item(list, 1);
    ends->metadataThread = reinterpret_cast<void*>(1);
    hangs->downloadThread = reinterpret_cast<void*>(1);
    ends->thumbnailThread = CreateEventW(nullptr, TRUE, FALSE, nullptr);  // closed by the list
    std::atomic<bool> stopAsked{false};
    // The metadata job notices the stop request and clears its handle.
    std::thread job([&] {
        while (!ends->abortMetadata) {
            Sleep(10);
        }
        stopAsked = true;
        Sleep(200);
        ends->metadataThread = nullptr;
    });
    close_list();
    job.join();
    EXPECT_TRUE(stopAsked);
    EXPECT_EQ(g_fakeItems.stopped, 3);
    EXPECT_EQ(hangs->abortDownload, 1);
    EXPECT_EQ(g_fakeItems.freed, 2) << "the record of the hung job is left to the process exit";
    // The list saved all three before it stopped anything.
    EXPECT_EQ(file_bytes().size(), 3 * LIST_RECORD_SIZE);
    hangs->downloadThread = nullptr;
    free_item(hangs);
}

TEST_F(DownloadListWindow, NewDefaultsReachTheItemsThatHaveNotStarted) {
    ASSERT_TRUE(make_list());
    add(L"https://a.example/");
    add(L"https://b.example/");
    add(L"https://c.example/");
    list_item(list, 1)->downloadThread = reinterpret_cast<void*>(1);
    text_copy(list_item(list, 2)->outputPath, L"C:\\Downloads\\done.mp4");
    set_default_folder(list, L"D:\\New");
    set_default_proxy(list, L"socks5://127.0.0.1:9050");
    set_use_account(list, 1);
    EXPECT_STREQ(list_item(list, 0)->outputFolder, L"D:\\New");
    EXPECT_STREQ(list_item(list, 0)->proxy, L"socks5://127.0.0.1:9050");
    EXPECT_STREQ(list_item(list, 1)->outputFolder, L"C:\\Downloads") << "downloading";
    EXPECT_STREQ(list_item(list, 2)->outputFolder, L"C:\\Downloads") << "finished";
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(list_item(list, i)->useYoutubeAccount, 1);
    }
    list_item(list, 1)->downloadThread = nullptr;
    add(L"https://d.example/");
    EXPECT_STREQ(list_item(list, 0)->outputFolder, L"D:\\New");
}

TEST_F(DownloadListWindow, ClearListKeepsLoadingAndDownloadingItems) {
    ASSERT_TRUE(make_list());
    const ItemState kStates[] = {STATE_LOADING, STATE_READY, STATE_DOWNLOADING, STATE_DONE, STATE_FAILED,
                                 STATE_FILE_MISSING};
    for (ItemState state : kStates) {
        add((L"https://example.com/" + std::to_wstring(state)).c_str());
        list_item(list, 0)->state = state;
    }
    clear_finished_items(list);
    pump_messages();
    EXPECT_EQ(urls(), (std::vector<std::wstring>{L"https://example.com/3", L"https://example.com/0"}));
}

TEST_F(DownloadListWindow, PictureOfAScrolledList) {
    ASSERT_TRUE(make_list(300));
    for (int i = 0; i < 8; ++i) {
        add((L"https://www.example.com/watch?v=" + std::to_wstring(i)).c_str());
    }
    select_item(list, 3);
    scroll_list_by_wheel(list, -WHEEL_DELTA);
    UpdateWindow(main.window);
    pump_messages();
    Sleep(200);
    Capture shot = capture_window(list, true);
    ASSERT_GT(shot.width, 0);
    shot.save_png(artifact_path(L"download-list-scrolled.png"));
    // Row 3 (selected) runs from 3 * 70 - 30 = 180 to 250; row 2 above it.
    // Right of the items' texts.
    COLORREF selected = shot.at(540, 230);
    COLORREF normal = shot.at(540, 120);
    EXPECT_EQ(selected, FAKE_SELECTED_COLOUR);
    EXPECT_EQ(normal, FAKE_ITEM_COLOUR);
}

}  // namespace
