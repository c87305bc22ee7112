#include "ui/translation.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct TableFixture {
    TranslationTable* table = static_cast<TranslationTable*>(calloc(1, sizeof(TranslationTable)));
    ~TableFixture() {
        clear_translation(*table);
        free(table);
    }
    bool load(const std::string& text) { return parse_translation(*table, text.data(), text.size()); }
};

TEST(Translation, LookupRules) {
    TableFixture t;
    ASSERT_TRUE(t.load("OK=Oui\r\nCancel=\r\nno separator here\r\n\r\na=b=c\rCase=1\nOK=second\r\n = spaced = "));
    EXPECT_EQ(t.table->count, 6);
    struct Case {
        const wchar_t* english;
        const wchar_t* shown;
    };
    const Case kCases[] = {
        {L"OK", L"Oui"},              // the first entry wins
        {L"ok", L"ok"},               // keys are compared with case
        {L"Cancel", L""},             // an empty translation is a translation
        {L"no separator here", L"no separator here"},
        {L"a", L"b=c"},               // the first "=" separates
        {L"Case", L"1"},              // CR and LF each end a line
        {L" ", L" spaced = "},        // nothing is trimmed
        {L"missing", L"missing"},
        {L"", L""},
    };
    for (const Case& c : kCases) {
        EXPECT_STREQ(translate(t.table, c.english), c.shown);
    }
    EXPECT_EQ(translate(t.table, nullptr), nullptr);
    const wchar_t* english = L"Download";
    EXPECT_EQ(translate(nullptr, english), english);  // no table: the English text itself
}

TEST(Translation, BadResourcesLoadWhatTheyCan) {
    TableFixture t;
    EXPECT_FALSE(t.load(""));
    EXPECT_FALSE(t.load("no line has a separator\r\nat all\r\n"));
    EXPECT_EQ(t.table->count, 0);

    std::string many;
    for (int i = 0; i < 600; ++i) {
        many += "key" + std::to_string(i) + "=value" + std::to_string(i) + "\r\n";
    }
    ASSERT_TRUE(t.load(many));
    EXPECT_EQ(t.table->count, TRANSLATION_CAPACITY);
    EXPECT_STREQ(translate(t.table, L"key511"), L"value511");
    EXPECT_STREQ(translate(t.table, L"key512"), L"key512");

    ASSERT_TRUE(t.load("Play=Lecture \xFF\xC3\r\nStop=Arr\xC3\xAAt"));  // broken UTF-8 is repaired, not fatal
    EXPECT_EQ(t.table->count, 2);
    EXPECT_STREQ(translate(t.table, L"Play"), L"Lecture \uFFFD\uFFFD");
    EXPECT_STREQ(translate(t.table, L"Stop"), L"Arr\u00eat");
    EXPECT_STREQ(translate(t.table, L"key0"), L"key0");  // reloading cleared the old entries
}

TEST(Translation, LanguageMapping) {
    struct Case {
        unsigned id;
        int mainResource;
        int setupResource;
    };
    const Case kCases[] = {
        {0x7C04, 1999, 1999}, {0x0C04, 1004, 1004}, {0x0404, 1004, 1004}, {0x0804, 1004, 1004},
        {0x0407, 1007, 1007}, {7, 1007, 1007},      {9, 1009, 1009},      {0x0409, 1009, 1009},
        {0x0C0A, 1010, 1010}, {0x040C, 1012, 1012}, {0x0412, 1018, 0},    {0x041F, 1030, 0},
        {0x0422, 1034, 1034}, {0x0445, 1069, 1069}, {0x0413, 0, 0},       {0, 0, 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(language_resource_id(c.id), c.mainResource);
        EXPECT_EQ(language_resource_id(c.id, LanguageSet::Setup), c.setupResource);
    }
    EXPECT_STREQ(language_name(0x7C04), L"中文（繁體）");
    EXPECT_STREQ(language_name(0x0404), L"中文（简体）");
    EXPECT_STREQ(language_name(0x0412), L"한국어");
    EXPECT_STREQ(language_name(0x0445), L"বাংলা");
    EXPECT_EQ(language_name(0x0413), nullptr);
    for (unsigned id : OPTIONS_LANGUAGES) {
        EXPECT_NE(language_name(id), nullptr) << id;
    }
}

}  // namespace
