#include "app/items/format_menu_popup.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "base/text.h"
#include "tests/media/media_test_support.h"
#include "tests/tools/progress_test_support.h"

namespace {

struct MenuOwner {
    HMENU menu;
    explicit MenuOwner(HMENU m) : menu(m) {}
    ~MenuOwner() {
        if (menu) {
            DestroyMenu(menu);
        }
    }
    MenuOwner(const MenuOwner&) = delete;
    MenuOwner& operator=(const MenuOwner&) = delete;
};

struct ModelFixture : VideoFixture {
    FormatMenu* model = static_cast<FormatMenu*>(std::calloc(1, sizeof(FormatMenu)));
    ModelFixture() = default;
    ~ModelFixture() { std::free(model); }
};

const char kSubtitles[] =
    R"("subtitles":{"en":[{"ext":"vtt","url":"https://example.com/en.vtt"}]},)"
    R"("automatic_captions":{"de":[{"ext":"vtt","url":"https://example.com/de.vtt"}]})";

const char kVideo[] = R"({"format_id":"137","ext":"mp4","vcodec":"avc1.640028","acodec":"none","height":1080,"width":1920,"tbr":4000,"filesize":400000000})";
const char kVp9[] = R"({"format_id":"vp9","ext":"mp4","vcodec":"vp09.00.40.08","acodec":"none","height":1080,"width":1920,"tbr":3000,"filesize":300000000})";
const char kAudioEn[] = R"({"format_id":"140","ext":"m4a","vcodec":"none","acodec":"mp4a.40.2","abr":128,"filesize":10000000,"language":"en","language_preference":10})";
const char kAudioDe[] = R"({"format_id":"140-de","ext":"m4a","vcodec":"none","acodec":"mp4a.40.2","abr":128,"filesize":12000000,"language":"de"})";

TEST(FormatMenuPopup, HoldsTheEntriesOfTheData) {
    InterfaceScope english = InterfaceScope::english();
    struct Case {
        const char* name;
        std::string doc;
        int subtitlesOnly;
        int subtitleMode;
    };
    const Case kCases[] = {
        {"dubbed and compatible entries, both subtitles embedded",
         video_json({kVp9, kVideo, kAudioEn, kAudioDe}, std::string(R"("duration":60,)") + kSubtitles), 0, 3},
        {"subtitles only", video_json({kVideo, kAudioEn}, kSubtitles), 1, 0},
        {"live", video_json({kVideo, kAudioEn}, std::string(R"("is_live":true,)") + kSubtitles), 0, 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ModelFixture m;
        ASSERT_TRUE(m.read(c.doc, L"de"));
        FormatMenuContext context = {c.subtitlesOnly, c.subtitleMode, L"de"};
        ASSERT_TRUE(build_format_menu(m.item, *m.info, context, *m.model));

        MenuOwner bar(create_format_menu(*m.model));
        ASSERT_NE(bar.menu, nullptr);
        ASSERT_EQ(GetMenuItemCount(bar.menu), 1);
        wchar_t barText[32] = L"";
        MENUITEMINFOW top = {};
        top.cbSize = sizeof(top);
        top.fMask = MIIM_STRING | MIIM_SUBMENU;
        top.dwTypeData = barText;
        top.cch = 32;
        ASSERT_TRUE(GetMenuItemInfoW(bar.menu, 0, TRUE, &top));
        EXPECT_STREQ(barText, L"&Video");
        HMENU popup = format_menu_popup(bar.menu);
        ASSERT_EQ(popup, top.hSubMenu);

        ASSERT_EQ(GetMenuItemCount(popup), static_cast<int>(m.model->count));
        for (uint32_t i = 0; i < m.model->count; ++i) {
            const FormatMenuEntry& e = m.model->entries[i];
            SCOPED_TRACE(testing::Message() << "entry " << i << " id " << e.id);
            wchar_t text[FORMAT_LABEL_CAPACITY] = L"";
            MENUITEMINFOW mi = {};
            mi.cbSize = sizeof(mi);
            mi.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
            mi.dwTypeData = text;
            mi.cch = FORMAT_LABEL_CAPACITY;
            ASSERT_TRUE(GetMenuItemInfoW(popup, i, TRUE, &mi));
            EXPECT_EQ((mi.fType & MFT_SEPARATOR) != 0, e.separator != 0);
            if (e.separator) {
                continue;
            }
            EXPECT_EQ(static_cast<int>(mi.wID), e.id);
            EXPECT_STREQ(text, e.label);
            EXPECT_EQ((mi.fState & MFS_CHECKED) != 0, e.checked != 0);
            EXPECT_EQ((mi.fState & MFS_DISABLED) != 0, e.grayed != 0);
            EXPECT_EQ((mi.fType & MFT_RADIOCHECK) != 0, e.radio != 0);
            if (e.header) {
                EXPECT_TRUE(mi.wID >= 1900 && mi.wID <= 1902);
                EXPECT_EQ(mi.fState & MFS_GRAYED, static_cast<UINT>(MFS_GRAYED));
            }

            wchar_t back[MENU_TEXT_CAPACITY];
            EXPECT_TRUE(read_format_menu_text(bar.menu, e.id, back));
            EXPECT_STREQ(back, e.label);
        }
    }
}

TEST(FormatMenuPopup, ReadsTextBackAsTheCaptionDoes) {
    ModelFixture m;
    FormatMenuEntry& a = m.model->entries[m.model->count++];
    a.id = 2000;
    text_copy(a.label, L"Video MP4 1080p HD (Best Quality)");
    m.model->entries[m.model->count++].separator = 1;
    FormatMenuEntry& b = m.model->entries[m.model->count++];
    b.id = 2001;
    std::wstring longLabel(400, L'x');
    text_copy(b.label, longLabel.c_str());

    MenuOwner bar(create_format_menu(*m.model));
    ASSERT_NE(bar.menu, nullptr);
    wchar_t text[MENU_TEXT_CAPACITY];
    EXPECT_TRUE(read_format_menu_text(bar.menu, 2000, text));
    EXPECT_STREQ(text, L"Video MP4 1080p HD (Best Quality)");
    EXPECT_TRUE(read_format_menu_text(bar.menu, 2001, text));
    EXPECT_EQ(text_length(text), MENU_TEXT_CAPACITY - 1);  // at most 259 units
    EXPECT_FALSE(read_format_menu_text(bar.menu, 2005, text));
    EXPECT_STREQ(text, L"");
    EXPECT_FALSE(read_format_menu_text(nullptr, 2000, text));
    EXPECT_STREQ(text, L"");

    m.model->count = 0;
    EXPECT_EQ(create_format_menu(*m.model), nullptr);  // no data, no menu
}

}  // namespace
