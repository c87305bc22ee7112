#include "app/tools/progress_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "base/text.h"
#include "base/utf.h"
#include "tests/tools/progress_test_support.h"

namespace {

TEST(FormatByteSize, UnitsAndDecimals) {
    InterfaceScope scope = InterfaceScope::english();
    struct Case {
        uint64_t bytes;
        const wchar_t* text;
    };
    const Case kCases[] = {
        {0, L"0 B"},
        {1023, L"1023 B"},
        {1024, L"1.0 KB"},
        {10240, L"10 KB"},
        {10178, L"9.9 KB"},
        {10229, L"10.0 KB"},            // 9.99 KB: below 10, so one decimal, rounded up
        {1048575, L"1024 KB"},          // just below one MB, rounded
        {1048576, L"1.0 MB"},
        {1572864, L"1.5 MB"},
        {1280, L"1.2 KB"},              // 1.25 exactly: a half rounds to even, as printf does
        {1331, L"1.3 KB"},
        {12939427, L"12 MB"},
        {1073741824, L"1.0 GB"},
        {1099511627776ull, L"1.0 TB"},
        {1099511627776ull * 5000, L"5000 TB"},  // TB is the largest unit
        {UINT64_MAX, L"16777216 TB"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.bytes);
        wchar_t out[BYTE_SIZE_CAPACITY];
        format_byte_size(c.bytes, out);
        EXPECT_STREQ(out, c.text);
    }
}

// The hand-written rounding against the C runtime's for every tenth of a
// unit from 0 to 10 and around each half.
TEST(FormatByteSize, RoundsAsPrintfDoes) {
    InterfaceScope scope = InterfaceScope::english();
    for (uint64_t bytes = 1024; bytes < 20 * 1024; bytes += 1) {
        double value = static_cast<double>(bytes) / 1024.0;
        char expected[32];
        std::snprintf(expected, sizeof(expected), value < 10 ? "%.1f KB" : "%.0f KB", value);
        wchar_t out[BYTE_SIZE_CAPACITY];
        format_byte_size(bytes, out);
        ASSERT_EQ(wide_to_utf8(out), expected) << bytes;
    }
}

TEST(FormatByteSize, GermanCommaAndCuts) {
    InterfaceScope scope(LANGUAGE_GERMAN, GERMAN_PROGRESS_TEXTS);
    wchar_t out[BYTE_SIZE_CAPACITY];
    format_byte_size(1572864, out);
    EXPECT_STREQ(out, L"1,5 MB");
    wchar_t small[5];
    format_byte_size(1572864, small);
    EXPECT_STREQ(small, L"1,5 ");  // cut to the buffer, terminated
}

TEST(LocalizeDecimalPoint, Separators) {
    struct Case {
        unsigned language;
        const wchar_t* number;
        const wchar_t* text;
    };
    const Case kCases[] = {
        {LANGUAGE_ENGLISH, L"1.23", L"1.23"},
        {LANGUAGE_GERMAN, L"1.23", L"1,23"},
        {LANGUAGE_GERMAN, L"1.2.3", L"1,2,3"},
        {LANGUAGE_GERMAN, L"", L""},
        {LANGUAGE_GERMAN, L"123456789012.4567", L"123456789012,45"},  // at most 15 characters
        {LANGUAGE_ENGLISH, L"123456789012.4567", L"123456789012.45"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(wide_to_utf8(c.number));
        InterfaceScope scope(c.language, "");
        wchar_t out[LOCAL_NUMBER_CAPACITY];
        localize_decimal_point(c.number, out);
        EXPECT_STREQ(out, c.text);
    }
}

TEST(FormatTimeLeft, EnglishAndGerman) {
    struct Case {
        int64_t seconds;
        const wchar_t* english;
        const wchar_t* german;
    };
    const Case kCases[] = {
        {59, L"59 sec left", L"noch 59 Sek."},
        {60, L"1 min left", L"noch 1 Min."},
        {119, L"1 min left", L"noch 1 Min."},
        {120, L"2 min left", L"noch 2 Min."},
        {1, L"1 sec left", L"noch 1 Sek."},
        {0, L"", L""},
        {-5, L"", L""},
        {86400, L"1440 min left", L"noch 1440 Min."},
        {INT64_MAX, L"153722867280912930 min left", L"noch 153722867280912930 Min."},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.seconds);
        wchar_t out[TIME_LEFT_CAPACITY];
        {
            InterfaceScope scope = InterfaceScope::english();
            format_time_left(c.seconds, out);
            EXPECT_STREQ(out, c.english);
        }
        {
            InterfaceScope scope(LANGUAGE_GERMAN, GERMAN_PROGRESS_TEXTS);
            format_time_left(c.seconds, out);
            EXPECT_STREQ(out, c.german);
        }
    }
}

TEST(FormatTimeLeft, TranslationShapes) {
    struct Case {
        const char* translations;
        int64_t seconds;
        const wchar_t* text;
    };
    const Case kCases[] = {
        {"N sec left=N", 5, L"5"},                              // "N" alone
        {"N sec left=N Sekunden", 5, L"5 Sekunden"},            // "N" and a space
        {"N sec left=Noch ein paar", 5, L"Noch ein paar"},      // a word that starts with N stays
        {"N sec left={n} / {n}", 5, L"5 / 5"},                  // every {n}
        {"N sec left=", 5, L""},                                // an empty translation is one
        {"N min left=Restzeit: mehrere Minuten, genau {n} Minuten", 600,
         L"Restzeit: mehrere Minuten, gena"},                    // at most 31 characters
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.translations);
        InterfaceScope scope(LANGUAGE_ENGLISH, c.translations);
        wchar_t out[TIME_LEFT_CAPACITY];
        format_time_left(c.seconds, out);
        EXPECT_STREQ(out, c.text);
    }
}

TEST(FormatTimeLeft, EmptyBeforeTheTableExists) {
    InterfaceScope scope(LANGUAGE_ENGLISH, nullptr);
    wchar_t out[TIME_LEFT_CAPACITY] = L"stale";
    format_time_left(30, out);
    EXPECT_STREQ(out, L"");
}

TEST(ReplaceAll, Table) {
    struct Case {
        const wchar_t* text;
        const wchar_t* find;
        const wchar_t* replacement;
        const wchar_t* result;
    };
    const Case kCases[] = {
        {L"Welcome to %PROGNAME%, %PROGNAME%!", L"%PROGNAME%", L"Tavlo", L"Welcome to Tavlo, Tavlo!"},
        {L"aaa", L"a", L"aa", L"aaaaaa"},            // goes on after each replacement
        {L"abab", L"ab", L"b", L"bb"},
        {L"Of of OF", L"of", L"x", L"Of x OF"},      // exact case only
        {L"Downloading video 2 of 5", L" of ", L"/", L"Downloading video 2/5"},
        {L"no match", L"zz", L"y", L"no match"},
        {L"text", L"", L"y", L"text"},               // an empty find changes nothing
        {L"text", L"t", L"", L"ex"},
        {L"", L"a", L"b", L""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(wide_to_utf8(c.text));
        wchar_t buffer[64];
        text_copy(buffer, c.text);
        replace_all(buffer, c.find, c.replacement);
        EXPECT_STREQ(buffer, c.result);
    }
}

TEST(ReplaceAll, BoundedByTheBufferAndTheLimit) {
    wchar_t small[8] = L"a-b-c";
    replace_all(small, L"-", L"<=>");
    EXPECT_STREQ(small, L"a<=>b<=");  // cut to the caller's 8 units, terminated

    std::wstring many(400, L'x');
    wchar_t large[1024];
    text_copy(large, many.c_str());
    replace_all(large, L"x", L"yy");
    EXPECT_EQ(text_length(large), REPLACE_LIMIT - 1);
    EXPECT_EQ(std::wstring(large), std::wstring(REPLACE_LIMIT - 1, L'y'));

    // A surrogate pair is never split by the cut.
    wchar_t pair[5] = L"ab";
    replace_all(pair, L"b", L"cd\xD83D\xDE00");
    EXPECT_STREQ(pair, L"acd");
}

}  // namespace
