#include "ui/theme.h"

#include <gtest/gtest.h>

namespace {

const wchar_t kPersonalize[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

// Sets or removes the user's app-theme value for the test, and restores it.
class AppTheme {
public:
    AppTheme() {
        DWORD size = sizeof(saved_);
        hadValue_ = RegGetValueW(HKEY_CURRENT_USER, kPersonalize, L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr,
                                 &saved_, &size) == ERROR_SUCCESS;
    }
    ~AppTheme() {
        if (hadValue_) {
            set(saved_);
        } else {
            remove();
        }
    }
    void set(DWORD light) {
        RegSetKeyValueW(HKEY_CURRENT_USER, kPersonalize, L"AppsUseLightTheme", REG_DWORD, &light, sizeof(light));
    }
    void remove() { RegDeleteKeyValueW(HKEY_CURRENT_USER, kPersonalize, L"AppsUseLightTheme"); }

private:
    DWORD saved_ = 1;
    bool hadValue_ = false;
};

TEST(Theme, FollowsTheSystemUntilStartUpFixesTheAnswer) {
    AppTheme theme;
    theme.set(0);
    EXPECT_TRUE(system_prefers_dark());
    EXPECT_TRUE(is_dark());
    theme.set(1);
    EXPECT_FALSE(is_dark());
    theme.remove();
    EXPECT_FALSE(is_dark());  // a missing value means light

    fix_dark_mode(true);
    EXPECT_TRUE(is_dark());  // fixed for the rest of the run, whatever the system says
    fill_theme_colours();
    EXPECT_EQ(g_colours.windowBackground, RGB(25, 25, 25));
    EXPECT_EQ(g_colours.checkBoxChecked, RGB(76, 194, 255));
    LOGBRUSH brush = {};
    ASSERT_TRUE(GetObjectW(theme_background_brush(), sizeof(brush), &brush));
    EXPECT_EQ(brush.lbColor, RGB(25, 25, 25));

    fix_dark_mode(false);
    fill_theme_colours();
    EXPECT_EQ(g_colours.windowBackground, RGB(255, 255, 255));
    EXPECT_EQ(g_colours.panel, GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(g_colours.checkBoxChecked, 0u);  // a dark-only role
    EXPECT_EQ(g_colours.closeGlyphHot, RGB(230, 58, 59));

    enable_dark_menus();  // missing exports leave menus light; nothing else changes
}

TEST(Theme, MeasuresTextInTheWindowFontOrTheUiFont) {
    HFONT font = ui_font();
    ASSERT_NE(font, nullptr);
    SIZE none = measure_text(nullptr, L"");
    SIZE some = measure_text(nullptr, L"Downloading...");
    SIZE more = measure_text(nullptr, L"Downloading... Downloading...");
    EXPECT_EQ(none.cx, 0);
    EXPECT_GT(some.cx, 0);
    EXPECT_GT(some.cy, 0);
    EXPECT_GT(more.cx, some.cx);
    EXPECT_EQ(more.cy, some.cy);  // one line
    DeleteObject(font);
}

}  // namespace
