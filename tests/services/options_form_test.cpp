// The Options dialog's values without the dialog: what typed text becomes,
// which language an entry means, and what a saved change asks of the
// running program.
#include "app/services/options_form.h"

#include <gtest/gtest.h>

#include <string>

#include "base/text.h"
#include "base/utf.h"
#include "ui/translation.h"

namespace {

Settings some_settings() {
    Settings s = {};
    s.lang_id = 0x0409;
    s.auto_update = 1;
    text_copy(s.output_folder, L"C:\\Users\\me\\Downloads");
    text_copy(s.proxy_server, L"socks4://127.0.0.1:1080");
    text_copy(s.commands, L"--limit-rate 1M");
    return s;
}

TEST(OptionsForm, TypedTextsBecomeOneCleanLine) {
    struct Case {
        const wchar_t* folder;
        const wchar_t* proxy;
        const wchar_t* commands;
        const wchar_t* folderKept;
        const wchar_t* proxyKept;
        const wchar_t* commandsKept;
    };
    const Case kCases[] = {
        {L"D:\\Videos", L"  http://proxy:8080 \t", L"\t--no-mtime  ", L"D:\\Videos", L"http://proxy:8080",
         L"--no-mtime"},
        {L" D:\\With blanks ", L"", L"", L" D:\\With blanks ", L"", L""},  // a folder's own blanks stay
        {L"D:\\a\r\nb", L"http://p\r\n:1", L"-f\n18\r--no-part", L"D:\\a  b", L"http://p  :1", L"-f 18 --no-part"},
        {L"", L" \t ", L"\r\n", L"", L"", L""},
    };
    for (const Case& k : kCases) {
        SCOPED_TRACE(wide_to_utf8(k.commands));
        OptionsForm form;
        open_options_form(form, some_settings());
        form_set_texts(form, k.folder, k.proxy, k.commands);
        EXPECT_STREQ(form.working.output_folder, k.folderKept);
        EXPECT_STREQ(form.working.proxy_server, k.proxyKept);
        EXPECT_STREQ(form.working.commands, k.commandsKept);
    }
    // Longer than the field: cut at its end, still terminated.
    OptionsForm form;
    open_options_form(form, some_settings());
    std::wstring huge(2000, L'x');
    form_set_texts(form, huge.c_str(), huge.c_str(), huge.c_str());
    EXPECT_EQ(text_length(form.working.output_folder), 259u);
    EXPECT_EQ(text_length(form.working.proxy_server), 255u);
    EXPECT_EQ(text_length(form.working.commands), 511u);
}

TEST(OptionsForm, PastedTextIsOneLine) {
    struct Case {
        const wchar_t* pasted;
        const wchar_t* line;
    };
    const Case kCases[] = {
        {L"a\r\nb", L"a b"},
        {L"a\n\nb", L"a  b"},
        {L"\r\nlead", L" lead"},
        {L"tab\there", L"tab here"},
        {L"", L""},
    };
    for (const Case& k : kCases) {
        wchar_t out[16];
        one_line_text(k.pasted, out, 16);
        EXPECT_STREQ(out, k.line) << wide_to_utf8(k.pasted);
    }
    wchar_t small[4];
    EXPECT_EQ(one_line_text(L"abcdef", small, 4), 3u);
    EXPECT_STREQ(small, L"abc");
}

TEST(OptionsForm, LanguageEntries) {
    struct Case {
        unsigned setting;
        int shown;
    };
    const Case kCases[] = {
        {0x0409, 1}, {0x0809, 1}, {0x7C04, 14}, {0x080A, options_language_index(0x0C0A)}, {0x0C0A, 2},
        {0x1234, 1},
    };
    for (const Case& k : kCases) {
        EXPECT_EQ(options_language_index(k.setting), k.shown) << std::hex << k.setting;
    }
    OptionsForm form;
    Settings mexico = some_settings();
    mexico.lang_id = 0x080A;
    open_options_form(form, mexico);
    EXPECT_TRUE(form_pick_language(form, options_language_index(0x080A)));
    EXPECT_EQ(form.working.lang_id, 0x080A) << "the entry it shows keeps the region";
    EXPECT_TRUE(form_pick_language(form, 1));
    EXPECT_EQ(form.working.lang_id, OPTIONS_LANGUAGES[1]);
    EXPECT_FALSE(form_pick_language(form, 16));
    EXPECT_FALSE(form_pick_language(form, -1));
    EXPECT_EQ(form.working.lang_id, OPTIONS_LANGUAGES[1]);
}

TEST(OptionsForm, WhatASavedChangeAsksOfTheProgram) {
    struct Case {
        const char* name;
        void (*edit)(OptionsForm&);
        OptionsChanges expected;  // folder, proxy, commands, useAccount, alwaysOnTop, restart
    };
    const Case kCases[] = {
        {"nothing", [](OptionsForm&) {}, {}},
        {"the same texts typed again",
         [](OptionsForm& f) { form_set_texts(f, L"C:\\Users\\me\\Downloads", L" socks4://127.0.0.1:1080 ", L"--limit-rate 1M"); },
         {}},
        {"another folder", [](OptionsForm& f) { form_set_texts(f, L"D:\\", f.working.proxy_server, f.working.commands); },
         {true, false, false, false, false, false}},
        {"proxy and options", [](OptionsForm& f) { form_set_texts(f, f.working.output_folder, L"", L"-4"); },
         {false, true, true, false, false, false}},
        {"the account", [](OptionsForm& f) { form_set_check(f, CHECK_USE_ACCOUNT, true); },
         {false, false, false, true, false, false}},
        {"always on top", [](OptionsForm& f) { form_set_check(f, CHECK_ALWAYS_ON_TOP, true); },
         {false, false, false, false, true, false}},
        {"the dark look", [](OptionsForm& f) { form_set_check(f, CHECK_DARK_MODE, true); },
         {false, false, false, false, false, true}},
        {"another language", [](OptionsForm& f) { form_pick_language(f, 3); }, {false, false, false, false, false, true}},
        {"the update check alone", [](OptionsForm& f) { form_set_check(f, CHECK_AUTO_UPDATE, false); }, {}},
        {"checked and unchecked again",
         [](OptionsForm& f) {
             form_set_check(f, CHECK_DARK_MODE, true);
             form_set_check(f, CHECK_DARK_MODE, false);
         },
         {}},
    };
    for (const Case& k : kCases) {
        SCOPED_TRACE(k.name);
        OptionsForm form;
        open_options_form(form, some_settings());
        k.edit(form);
        OptionsChanges c = options_changes(form);
        EXPECT_EQ(c.folder, k.expected.folder);
        EXPECT_EQ(c.proxy, k.expected.proxy);
        EXPECT_EQ(c.commands, k.expected.commands);
        EXPECT_EQ(c.useAccount, k.expected.useAccount);
        EXPECT_EQ(c.alwaysOnTop, k.expected.alwaysOnTop);
        EXPECT_EQ(c.restart, k.expected.restart);
    }
    OptionsForm form;
    open_options_form(form, some_settings());
    form_set_check(form, CHECK_AUTO_UPDATE, false);
    EXPECT_FALSE(form_check(form, CHECK_AUTO_UPDATE));
    EXPECT_EQ(form.working.auto_update, 0);
    EXPECT_EQ(form.before.auto_update, 1) << "what the dialog opened with stays";
}

}  // namespace
