// The About box as a user meets it, light and dark: the version with the
// installed yt-dlp's, the read-only version field without a caret, the
// credit line with its links, the layout and colours. Pictures are kept as
// artefacts.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "app/services/about_dialog.h"
#include "app/services/update.h"
#include "base/text.h"
#include "tests/dialog_driver.h"
#include "tests/win_test_support.h"
#include "tests/window_capture.h"
#include "ui/static_link.h"
#include "ui/theme.h"

namespace {

RECT rect_in(HWND dialog, int id) {
    RECT r;
    GetWindowRect(GetDlgItem(dialog, id), &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::wstring text_of(HWND dialog, int id) {
    wchar_t text[300];
    GetDlgItemTextW(dialog, id, text, 300);
    return text;
}

// A program of the system that carries a version resource.
std::wstring versioned_file() {
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    return std::wstring(system) + L"\\kernel32.dll";
}

TEST(AboutVersionText, ProgramVersionThenYtDlpThenBits) {
    TempFolder folder;
    std::wstring plain = folder.file(L"yt-dlp.exe");
    ASSERT_TRUE(write_whole_file(plain, "MZ not really a program"));
    wchar_t version[260];
    ASSERT_TRUE(file_version_string(versioned_file().c_str(), version, sizeof(version)));
    ASSERT_NE(version[0], 0);

    struct Case {
        std::wstring path;
        std::wstring expected;
    };
    const Case kCases[] = {
        {folder.file(L"missing.exe"), L"1.58 (64 bits)"},
        {plain, L"1.58 (64 bits)"},  // no version resource
        {versioned_file(), L"1.58." + std::wstring(version) + L" (64 bits)"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.path.begin(), c.path.end()));
        wchar_t text[260];
        about_version_text(c.path.c_str(), text);
        EXPECT_EQ(std::wstring(text), c.expected);
    }
    // Without a name the program looks beside itself, where tests have no bin folder.
    wchar_t beside[260];
    about_version_text(nullptr, beside);
    EXPECT_STREQ(beside, L"1.58 (64 bits)");
}

TEST(AboutMakerLine, TheLinkTakesThePlaceholdersPlace) {
    struct Case {
        const wchar_t* line;
        const wchar_t* before;
        const wchar_t* after;
    };
    const Case kCases[] = {
        {L"Made by {maker}.", L"Made by ", L"."},
        {L"{maker} tarafından geliştirildi.", L"", L" tarafından geliştirildi."},
        {L"開発元: {maker}", L"開発元: ", L""},
        {L"a translation without it", L"a translation without it ", L""},
        {L"", L" ", L""},
    };
    for (const Case& c : kCases) {
        wchar_t before[128];
        wchar_t after[128];
        about_maker_line(c.line, before, after);
        EXPECT_STREQ(before, c.before);
        EXPECT_STREQ(after, c.after);
    }
}

class AboutDialogTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        fix_dark_mode(GetParam());
        fill_theme_colours();
    }
    std::wstring picture(const wchar_t* name) { return std::wstring(GetParam() ? L"dark-" : L"light-") + name; }

    INT_PTR run(const AboutDialogParams* params, const std::function<void(HWND)>& action) {
        DialogDriver driver(L"About Tavlo", action);
        INT_PTR result = show_about_dialog(nullptr, params);
        EXPECT_TRUE(driver.found());
        return result;
    }
};

TEST_P(AboutDialogTest, ClosesWithOkOrEscape) {
    EXPECT_EQ(run(nullptr, [](HWND d) { SendMessageW(GetDlgItem(d, IDOK), BM_CLICK, 0, 0); }), IDOK);
    EXPECT_EQ(run(nullptr, [](HWND d) { PostMessageW(d, WM_COMMAND, IDCANCEL, 0); }), IDCANCEL);
    EXPECT_EQ(run(nullptr, [](HWND d) { PostMessageW(d, WM_CLOSE, 0, 0); }), IDCANCEL);
}

TEST_P(AboutDialogTest, TheVersionCanBeCopiedButShowsNoCaret) {
    std::wstring ytdlp = versioned_file();
    AboutDialogParams params = {ytdlp.c_str()};
    std::wstring shown, copied;
    bool focused = false, caretShown = true, readOnly = false;
    run(&params, [&](HWND dialog) {
        HWND edit = GetDlgItem(dialog, ABOUT_VERSION);
        shown = text_of(dialog, ABOUT_VERSION);
        readOnly = (GetWindowLongPtrW(edit, GWL_STYLE) & ES_READONLY) != 0;
        PostMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
        Sleep(300);
        GUITHREADINFO info = {};
        info.cbSize = sizeof(info);
        GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
        focused = info.hwndFocus == edit;
        caretShown = info.hwndCaret == edit && (info.flags & GUI_CARETBLINKING);
        SendMessageW(edit, EM_SETSEL, 0, -1);
        SendMessageW(edit, WM_COPY, 0, 0);
        if (OpenClipboard(nullptr)) {
            HANDLE data = GetClipboardData(CF_UNICODETEXT);
            if (const auto* text = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr) {
                copied = text;
                GlobalUnlock(data);
            }
            CloseClipboard();
        }
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    wchar_t expected[260];
    about_version_text(ytdlp.c_str(), expected);
    EXPECT_EQ(shown, expected);
    EXPECT_NE(shown.find(L"1.58."), std::wstring::npos);
    EXPECT_TRUE(readOnly);
    EXPECT_TRUE(focused);
    EXPECT_FALSE(caretShown);
    EXPECT_EQ(copied, shown);
}

// a is the title's height; every piece of a line starts where the one
// before it ends.
TEST_P(AboutDialogTest, LayoutLinksAndColours) {
    bool dark = GetParam();
    std::map<int, RECT> r;
    std::map<int, std::wstring> texts;
    std::map<int, const StaticLinkState*> links;
    RECT client = {};
    Capture shot;
    int versionTextWidth = 0;
    run(nullptr, [&](HWND dialog) {
        GetClientRect(dialog, &client);
        for (int id : {ABOUT_TITLE, ABOUT_VERSION, ABOUT_MAKER_BEFORE, ABOUT_MAKER_LINK, ABOUT_MAKER_AFTER,
                       ABOUT_CREDIT, ABOUT_YTDLP_LINK, ABOUT_CREDIT_AND, ABOUT_FFMPEG_LINK, ABOUT_CREDIT_END, IDOK}) {
            r[id] = rect_in(dialog, id);
            texts[id] = text_of(dialog, id);
        }
        for (int id : {ABOUT_MAKER_LINK, ABOUT_YTDLP_LINK, ABOUT_FFMPEG_LINK}) {
            links[id] = reinterpret_cast<const StaticLinkState*>(
                GetWindowLongPtrW(GetDlgItem(dialog, id), GWLP_USERDATA));
        }
        versionTextWidth = measure_text(GetDlgItem(dialog, ABOUT_VERSION), texts[ABOUT_VERSION].c_str()).cx;
        RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Sleep(300);
        shot = capture_window(dialog, true);
        capture_window(dialog, false).save_png(artifact_path(picture(L"about-dialog.png").c_str()));
        for (int id : {ABOUT_MAKER_LINK, ABOUT_YTDLP_LINK, ABOUT_FFMPEG_LINK}) {
            EXPECT_TRUE(links[id] && links[id]->link) << id;
            if (links[id]) {
                EXPECT_EQ(links[id]->linkColour, g_colours.link) << id;
            }
        }
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    ASSERT_GT(shot.width, 0);
    EXPECT_EQ(texts[ABOUT_TITLE], L"Tavlo Video Downloader");
    EXPECT_EQ(texts[ABOUT_VERSION], L"1.58 (64 bits)");
    EXPECT_EQ(texts[ABOUT_CREDIT], L"Tavlo Video Downloader is made possible by the ");
    EXPECT_EQ(texts[ABOUT_YTDLP_LINK], L"yt-dlp");
    EXPECT_EQ(texts[ABOUT_CREDIT_AND], L" and ");
    EXPECT_EQ(texts[ABOUT_FFMPEG_LINK], L"ffmpeg");
    EXPECT_EQ(texts[ABOUT_CREDIT_END], L" open source projects.");
    EXPECT_EQ(texts[ABOUT_MAKER_BEFORE], L"Made by ");
    EXPECT_EQ(texts[ABOUT_MAKER_LINK], MAKER_NAME);
    EXPECT_EQ(texts[ABOUT_MAKER_AFTER], L".");

    int a = r[ABOUT_TITLE].bottom - r[ABOUT_TITLE].top;
    EXPECT_GE(a, 26) << "the title's font is 28 pixels high";
    EXPECT_EQ(r[ABOUT_TITLE].left, 188);
    EXPECT_EQ(r[ABOUT_TITLE].top, 20);
    EXPECT_EQ(r[ABOUT_VERSION].left, 188);
    EXPECT_EQ(r[ABOUT_VERSION].top, a + 20);
    EXPECT_EQ(r[ABOUT_VERSION].right - r[ABOUT_VERSION].left, versionTextWidth + 8);
    EXPECT_EQ(r[ABOUT_VERSION].bottom - r[ABOUT_VERSION].top, 30);
    EXPECT_EQ(r[ABOUT_MAKER_BEFORE].left, 188);
    EXPECT_EQ(r[ABOUT_MAKER_BEFORE].top, a + 60);
    EXPECT_EQ(r[ABOUT_MAKER_LINK].left, r[ABOUT_MAKER_BEFORE].right);
    EXPECT_EQ(r[ABOUT_MAKER_AFTER].left, r[ABOUT_MAKER_LINK].right);
    EXPECT_EQ(r[ABOUT_CREDIT].left, 188);
    EXPECT_EQ(r[ABOUT_CREDIT].top, a + 80);
    EXPECT_EQ(r[ABOUT_YTDLP_LINK].left, 188);
    EXPECT_EQ(r[ABOUT_YTDLP_LINK].top, r[ABOUT_CREDIT].bottom + 2);
    EXPECT_EQ(r[ABOUT_CREDIT_AND].left, r[ABOUT_YTDLP_LINK].right);
    EXPECT_EQ(r[ABOUT_FFMPEG_LINK].left, r[ABOUT_CREDIT_AND].right);
    EXPECT_EQ(r[ABOUT_CREDIT_END].left, r[ABOUT_FFMPEG_LINK].right);
    EXPECT_EQ(r[IDOK].left, client.right - 84);
    EXPECT_EQ(r[IDOK].top, client.bottom - 33);
    EXPECT_EQ(r[IDOK].right - r[IDOK].left, 76);
    EXPECT_LE(r[ABOUT_CREDIT_END].bottom, client.bottom - 42) << "the texts stay above the band";
    EXPECT_LE(r[ABOUT_CREDIT].right, client.right) << "the credit line fits";

    int band = client.bottom - 25 - 16;
    EXPECT_EQ(shot.at(4, 4), dark ? RGB(25, 25, 25) : RGB(0xE6, 0xE9, 0xEC));
    EXPECT_EQ(shot.at(4, client.bottom - 4), dark ? RGB(41, 41, 41) : RGB(240, 240, 240));
    EXPECT_EQ(shot.at(4, band), dark ? RGB(41, 41, 41) : RGB(240, 240, 240));
    EXPECT_EQ(shot.at(4, band - 1), dark ? RGB(60, 60, 60) : RGB(223, 223, 223));
    // The title's strokes are drawn in the text colour on the dialog's background.
    COLORREF ink = dark ? RGB(240, 240, 240) : RGB(0x21, 0x25, 0x29);
    bool inked = false;
    const RECT& t = r[ABOUT_TITLE];
    for (int y = t.top; y < t.bottom && !inked; ++y) {
        for (int x = t.left; x < t.right && !inked; ++x) {
            inked = shot.at(x, y) == ink;
        }
    }
    EXPECT_TRUE(inked);
    // The program icon, 128 x 128 at (30, 30): its picture fills most of
    // that square, and nothing of it lies outside.
    COLORREF background = dark ? RGB(25, 25, 25) : RGB(0xE6, 0xE9, 0xEC);
    int samples = 0, painted = 0;
    for (int y = 30; y < 158; y += 8) {
        for (int x = 30; x < 158; x += 8) {
            ++samples;
            painted += shot.at(x, y) != background ? 1 : 0;
        }
    }
    EXPECT_GT(painted, samples / 2) << "the icon is drawn";
    EXPECT_EQ(shot.at(25, 94), background);
    EXPECT_EQ(shot.at(162, 94), background);
    // The three links show their text in the link colour, a blue that
    // neither the texts nor the backgrounds have.
    for (int id : {ABOUT_MAKER_LINK, ABOUT_YTDLP_LINK, ABOUT_FFMPEG_LINK}) {
        SCOPED_TRACE(id);
        const RECT& l = r[id];
        bool blue = false;
        for (int y = l.top; y < l.bottom && !blue; ++y) {
            for (int x = l.left; x < l.right && !blue; ++x) {
                COLORREF c = shot.at(x, y);
                blue = GetBValue(c) > GetRValue(c) + 60;
            }
        }
        EXPECT_TRUE(blue) << "the link is drawn";
    }
    COLORREF behindTitle = shot.at(t.right - 1, t.top);
    EXPECT_EQ(behindTitle, dark ? RGB(25, 25, 25) : RGB(0xE6, 0xE9, 0xEC)) << "transparent on the dialog's brush";
}

INSTANTIATE_TEST_SUITE_P(Looks, AboutDialogTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Dark" : "Light"; });

}  // namespace
