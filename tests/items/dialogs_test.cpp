// The item's password and playlist dialogs as a user meets them, in the
// light and the dark look; pictures of both are kept as test artefacts.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/items/password_dialog.h"
#include "app/items/playlist_dialog.h"
#include "base/sys_string.h"
#include "base/text.h"
#include "tests/dialog_driver.h"
#include "tests/window_capture.h"
#include "ui/theme.h"

namespace {

struct ItemFixture {
    std::unique_ptr<DownloadItem> item{new DownloadItem()};
    ~ItemFixture() {
        if (item->playlistEntries) {
            for (int i = 0; i < MAX_PLAYLIST_ENTRIES; ++i) {
                free_playlist_entry(item->playlistEntries[i]);
            }
            std::free(item->playlistEntries);
        }
        sys_string_free(item->videoId);
    }
    void entries(int count, const wchar_t* videoId) {
        item->playlistEntries = static_cast<PlaylistEntry*>(std::calloc(MAX_PLAYLIST_ENTRIES, sizeof(PlaylistEntry)));
        for (int i = 0; i < count; ++i) {
            add_entry(i);
        }
        if (videoId) {
            item->videoId = sys_string_new(videoId, text_length(videoId));
        }
        item->state = STATE_READY;
    }
    void add_entry(int i) {
        PlaylistEntry& e = item->playlistEntries[i];
        e.playlistIndex = static_cast<uint32_t>(i + 1);
        std::wstring title = L"Clip number " + std::to_wstring(i + 1);
        std::wstring id = L"multi-" + std::to_wstring(i + 1);
        e.title = sys_string_new(title.c_str(), title.size());
        e.id = sys_string_new(id.c_str(), id.size());
        e.selected = item->selectAll ? 1 : 0;  // as the metadata job reads later entries
        item->documentsReceived = static_cast<unsigned>(i + 1);
    }
};

std::vector<bool> row_checks(HWND dialog) {
    HWND list = GetDlgItem(dialog, 18);
    std::vector<bool> checks;
    for (int i = 0; i < ListView_GetItemCount(list); ++i) {
        checks.push_back(ListView_GetCheckState(list, i) != 0);
    }
    return checks;
}

class ItemDialogs : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        fix_dark_mode(GetParam());
        fill_theme_colours();
    }
    std::wstring picture(const wchar_t* name) { return std::wstring(GetParam() ? L"dark-" : L"light-") + name; }
};

TEST_P(ItemDialogs, PasswordNeedsTextAndGivesItToTheItem) {
    ItemFixture f;
    bool disabledAtFirst = false, enabledWithText = false;
    int result;
    {
        DialogDriver driver(L"Password required", [&](HWND dialog) {
            disabledAtFirst = !IsWindowEnabled(GetDlgItem(dialog, IDOK));
            SetDlgItemTextW(dialog, 996, L"s3cr\"et pass");
            enabledWithText = IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE;
            Sleep(200);
            capture_window(dialog, false).save_png(artifact_path(picture(L"password-dialog.png").c_str()));
            SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        });
        result = ask_video_password(*f.item);
        ASSERT_TRUE(driver.found());
    }
    EXPECT_TRUE(disabledAtFirst);
    EXPECT_TRUE(enabledWithText);
    EXPECT_EQ(result, 1);
    EXPECT_STREQ(f.item->videoPassword, L"s3cr\"et pass");

    ItemFixture cancelled;
    {
        DialogDriver driver(L"Password required",
                            [](HWND dialog) { SendMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0); });
        EXPECT_EQ(ask_video_password(*cancelled.item), 2);
    }
    EXPECT_STREQ(cancelled.item->videoPassword, L"");
}

TEST_P(ItemDialogs, PlaylistTicksTheLinksOwnEntryAndRefusesToCloseEmpty) {
    ItemFixture f;
    f.entries(3, L"MULTI-2");
    std::vector<bool> opened, afterOk;
    bool stayedOpen = false;
    {
        DialogDriver driver(L"Playlist", [&](HWND dialog) {
            opened = row_checks(dialog);
            capture_window(dialog, false).save_png(artifact_path(picture(L"playlist-dialog.png").c_str()));
            HWND list = GetDlgItem(dialog, 18);
            for (int i = 0; i < 3; ++i) {
                ListView_SetCheckState(list, i, FALSE);
            }
            SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);  // nothing ticked: the own entry again
            stayedOpen = IsWindow(dialog) && IsWindowVisible(dialog);
            afterOk = row_checks(dialog);
        });
        choose_playlist_entries(*f.item);
    }
    EXPECT_EQ(opened, (std::vector<bool>{false, true, false}));
    EXPECT_EQ(f.item->playlistEntries[1].selected, 1u);
    EXPECT_EQ(f.item->playlistEntries[0].selected, 0u);

    ItemFixture first;  // no video id: the first entry
    first.entries(2, nullptr);
    {
        DialogDriver driver(L"Playlist", [&](HWND dialog) {
            opened = row_checks(dialog);
            SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        });
        choose_playlist_entries(*first.item);
    }
    EXPECT_EQ(opened, (std::vector<bool>{true, false}));
    (void)stayedOpen;
}

TEST_P(ItemDialogs, SelectAllIsRememberedAndNewEntriesAppear) {
    ItemFixture f;
    f.entries(2, nullptr);
    f.item->state = STATE_LOADING;  // entries still arrive
    std::vector<bool> all, refilled;
    {
        DialogDriver driver(L"Playlist", [&](HWND dialog) {
            SendMessageW(GetDlgItem(dialog, 19), BM_CLICK, 0, 0);
            all = row_checks(dialog);
            f.add_entry(2);  // the metadata job delivers another entry
            Sleep(1500);
            refilled = row_checks(dialog);
            SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        });
        choose_playlist_entries(*f.item);
    }
    EXPECT_EQ(all, (std::vector<bool>{true, true}));
    EXPECT_EQ(f.item->selectAll, 1);
    EXPECT_EQ(refilled, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(f.item->playlistEntries[0].selected, 1u);
}

INSTANTIATE_TEST_SUITE_P(LightAndDark, ItemDialogs, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Dark" : "Light"; });

}  // namespace
