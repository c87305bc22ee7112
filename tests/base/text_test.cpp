#include "base/text.h"

#include <gtest/gtest.h>

#include "base/utf.h"

namespace {

TEST(Text, CopiesAreBoundedTerminatedAndNeverSplitAPair) {
    wchar_t four[4];
    EXPECT_EQ(text_copy(four, L"abcdef"), 3u);
    EXPECT_STREQ(four, L"abc");
    EXPECT_EQ(text_copy(four, nullptr), 0u);
    EXPECT_STREQ(four, L"");

    const wchar_t pair[] = {L'a', L'b', 0xD83D, 0xDE00, 0};
    EXPECT_EQ(text_copy(four, pair), 2u);  // the high half alone would be broken text
    wchar_t five[5];
    EXPECT_EQ(text_copy(five, pair), 4u);

    wchar_t buffer[8] = L"abc";
    EXPECT_EQ(text_append(buffer, L"defghij"), 7u);
    EXPECT_STREQ(buffer, L"abcdefg");
    EXPECT_EQ(text_append(buffer, L"x"), 7u);

    wchar_t formatted[6];
    EXPECT_EQ(text_format(formatted, L"%ls-%d", L"ab", 12345), 5u);
    EXPECT_STREQ(formatted, L"ab-12");
}

TEST(Text, ComparesWithoutCaseOnlyWhenAsked) {
    EXPECT_TRUE(text_equal_nocase(L"MP4", L"mp4"));
    EXPECT_FALSE(text_equal_nocase(L"mp4", L"mp41"));
    EXPECT_FALSE(text_equal(L"MP4", L"mp4"));
    EXPECT_TRUE(text_contains_nocase(L"251 - Audio Only (medium)", L"audio only"));
    EXPECT_FALSE(text_contains_nocase(nullptr, L"x"));
    EXPECT_TRUE(text_starts_with(L"avc1.64001f", L"avc1"));
    EXPECT_FALSE(text_starts_with(L"AVC1.64001f", L"avc1"));
    EXPECT_TRUE(text_starts_with_nocase(L"VP09.00", L"vp09"));
    EXPECT_TRUE(text_ends_with(L"en-orig", L"-orig"));
    EXPECT_EQ(text_find(L"137+140", L"+") - L"137+140", 3);
}

TEST(Utf, ConvertsBothWaysAndRepairsBrokenInput) {
    EXPECT_EQ(utf8_to_wide("h\xC3\xA9"), std::wstring(L"h\u00e9"));
    std::wstring smile = utf8_to_wide("\xF0\x9F\x98\x80");
    ASSERT_EQ(smile.size(), 2u);
    EXPECT_EQ(smile[0], 0xD83D);
    EXPECT_EQ(smile[1], 0xDE00);
    EXPECT_EQ(wide_to_utf8(smile), "\xF0\x9F\x98\x80");
    EXPECT_EQ(utf8_to_wide("a\xFF" "b"), std::wstring(L"a\uFFFDb"));
    const wchar_t lone[] = {L'x', 0xDC00, 0};
    EXPECT_EQ(wide_to_utf8(lone), "x\xEF\xBF\xBD");

    wchar_t small[3];
    EXPECT_EQ(utf8_to_utf16("a\xF0\x9F\x98\x80", 5, small, 3), 1u);  // the pair does not fit
    EXPECT_STREQ(small, L"a");
}

}  // namespace
