#include "app/media/json.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

namespace {

struct ParseResult {
    bool ok;
    std::string error;
    size_t offset;
};

ParseResult parse(const std::string& text, JsonValue& out) {
    JsonParser parser;
    bool ok = parse_json(parser, text.data(), text.size(), out);
    return {ok, parser.error ? parser.error : "", parser.errorPos};
}

std::string nested(int depth) {
    return std::string(depth, '[') + std::string(depth, ']');
}

struct ErrorCase {
    std::string text;
    const char* error;
    size_t offset;
};

TEST(JsonParse, ReportsTheFirstErrorAndItsOffset) {
    const ErrorCase kCases[] = {
        {"", "unexpected end of input", 0},
        {"   ", "unexpected end of input", 3},
        {" \xEF\xBB\xBF{}", "unexpected character", 1},
        {"{} a", "unexpected data after JSON value", 3},
        {nested(129), "maximum nesting depth exceeded", 128},
        {"[{\"a\":" + nested(127).substr(0, 127) + "]", "maximum nesting depth exceeded", 132},
        {"1e400", "number out of range", 0},
        {"[-1e400]", "number out of range", 1},
        {"-", "invalid number", 1},
        {"-a", "invalid number", 1},
        {"1.", "invalid number", 2},
        {"1.e5", "invalid number", 2},
        {"1e", "invalid number", 2},
        {"1e+", "invalid number", 3},
        {"1E-x", "invalid number", 3},
        {"01", "unexpected data after JSON value", 1},
        {"[01]", "expected ',' or ']'", 2},
        {"\"a\tb\"", "control character in string", 2},
        {"tru", "invalid literal", 0},
        {"[fals]", "invalid literal", 1},
        {"nullx", "unexpected data after JSON value", 4},
        {"[1,]", "unexpected character", 3},
        {"]", "unexpected character", 0},
        {"{\"a\":1,}", "expected string key", 7},
        {"{1:2}", "expected string key", 1},
        {"{\"a\" 1}", "expected ':'", 5},
        {"{\"a\":1 2}", "expected ',' or '}'", 7},
        {"[1 2]", "expected ',' or ']'", 3},
        {"\"abc", "unterminated string", 4},
        {"\"\\", "unterminated string", 2},
        {"\"\\u12G4\"", "invalid \\u escape", 3},
        {"\"\\u12\"", "invalid \\u escape", 3},
        {"\"\\x\"", "invalid escape sequence", 2},
        {"{", "unexpected end of input", 1},
        {"{\"a\"", "unexpected end of input", 4},
        {"{\"a\":", "unexpected end of input", 5},
        {"{\"a\":1", "unexpected end of input", 6},
        {"[1", "unexpected end of input", 2},
        {"[", "unexpected end of input", 1},
        // The innermost cause wins over the failures of the enclosing containers.
        {"{\"a\":[1,{\"b\":tx}]}", "invalid literal", 13},
    };
    for (const ErrorCase& c : kCases) {
        SCOPED_TRACE(c.text);
        JsonValue out;
        ParseResult r = parse(c.text, out);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, c.error);
        EXPECT_EQ(r.offset, c.offset);
    }
}

TEST(JsonParse, AcceptsByteOrderMarkTrailingSpaceAndTheDepthLimit) {
    for (const std::string& text : {std::string("\xEF\xBB\xBF{}"), std::string("{}\r\n"), std::string(" \t[ ]\n"), nested(128)}) {
        SCOPED_TRACE(text);
        JsonValue out;
        EXPECT_TRUE(parse(text, out).ok);
    }
}

TEST(JsonParse, FailureLeavesTheOutputAsItWas) {
    JsonValue out;
    ASSERT_TRUE(parse("[1,2]", out).ok);
    EXPECT_FALSE(parse("[1,2,", out).ok);
    ASSERT_TRUE(out.is(JsonKind::Array));
    EXPECT_EQ(out.size(), 2u);
    ASSERT_TRUE(parse("\"now a string that is long enough for the heap\"", out).ok);
    EXPECT_EQ(out.as_bytes(), "now a string that is long enough for the heap");
}

TEST(JsonParse, EmbeddedNulEndsADocumentOnlyWhenTheCallerSaysSo) {
    const char text[] = "{\"a\":1}\0garbage";
    JsonValue out;
    EXPECT_TRUE(parse_json(text, std::strlen(text), out));
    EXPECT_FALSE(parse_json(text, sizeof(text) - 1, out));
}

struct StringCase {
    std::string json;
    std::string bytes;
};

TEST(JsonParse, DecodesEscapesAndRepairsBrokenText) {
    const StringCase kCases[] = {
        {R"("\ud83d\ude00")", "\xF0\x9F\x98\x80"},
        {R"("\uD83D\uDE00")", "\xF0\x9F\x98\x80"},
        {R"("\ud83d")", "\xEF\xBF\xBD"},
        {R"("\ud83d\u0041")", "\xEF\xBF\xBD" "A"},
        {R"("\ud83d\ud83d\ude00")", "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
        {R"("\ude00")", "\xEF\xBF\xBD"},
        {R"("\ud83dx")", "\xEF\xBF\xBDx"},
        {"\"\xC3\x28\"", "\xEF\xBF\xBD\x28"},
        {"\"\xFF\"", "\xEF\xBF\xBD"},
        {"\"\xC0\xAF\"", "\xEF\xBF\xBD\xEF\xBF\xBD"},              // overlong
        {"\"\xED\xA0\x80\"", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // a surrogate in UTF-8
        {"\"\xE2\x82\"", "\xEF\xBF\xBD\xEF\xBF\xBD"},              // cut short
        {"\"\xF4\x90\x80\x80\"", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // above U+10FFFF
        {"\"\xE2\x82\xAC \xF0\x9F\x98\x80\"", "\xE2\x82\xAC \xF0\x9F\x98\x80"},
        {"\"\xEF\xBB\xBF\"", "\xEF\xBB\xBF"},
        {R"("\u0000")", std::string(1, '\0')},
        {R"("\u00e9\u20AC")", "\xC3\xA9\xE2\x82\xAC"},
        {R"("\"\\\/\b\f\n\r\t")", "\"\\/\b\f\n\r\t"},
        {R"("fourteen bytes")", "fourteen bytes"},
        {R"("fifteen bytes!!")", "fifteen bytes!!"},
        {R"("a long plain run of text that crosses several eight-byte words\n and then some")",
         "a long plain run of text that crosses several eight-byte words\n and then some"},
        {R"("")", ""},
    };
    for (const StringCase& c : kCases) {
        SCOPED_TRACE(c.json);
        JsonValue out;
        ASSERT_TRUE(parse(c.json, out).ok);
        ASSERT_TRUE(out.is(JsonKind::String));
        EXPECT_EQ(std::string(out.as_bytes()), c.bytes);
    }
}

TEST(JsonParse, NumbersBecomeIntWhenTheyFitAndDoubleOtherwise) {
    struct Case {
        const char* text;
        JsonKind kind;
        int64_t i;
        double d;
    };
    const Case kCases[] = {
        {"9223372036854775807", JsonKind::Int, INT64_MAX, 0},
        {"9223372036854775808", JsonKind::Double, 0, 9223372036854775808.0},
        {"-9223372036854775808", JsonKind::Int, INT64_MIN, 0},
        {"-9223372036854775809", JsonKind::Double, 0, -9223372036854775808.0},
        {"-0", JsonKind::Int, 0, 0},
        {"0", JsonKind::Int, 0, 0},
        {"1.0", JsonKind::Double, 0, 1.0},
        {"1e2", JsonKind::Double, 0, 100.0},
        {"-1.5E-3", JsonKind::Double, 0, -0.0015},
        {"212.9", JsonKind::Double, 0, 212.9},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text);
        JsonValue out;
        ASSERT_TRUE(parse(c.text, out).ok);
        EXPECT_EQ(out.kind(), c.kind);
        if (c.kind == JsonKind::Int) {
            EXPECT_EQ(out.as_int(), c.i);
        } else {
            EXPECT_DOUBLE_EQ(out.as_double(), c.d);
        }
    }
}

TEST(JsonParse, KeepsDuplicateKeysAndTheLastOneWins) {
    JsonValue out;
    ASSERT_TRUE(parse(R"({"a":1,"b":true,"a":2})", out).ok);
    EXPECT_EQ(out.size(), 3u);
    EXPECT_EQ(json_get_int(&out, "a"), 2);
    EXPECT_EQ(out.member(0).key.as_bytes(), "a");
    EXPECT_EQ(out.member(0).value.as_int(), 1);
}

TEST(JsonParse, BuildsNestedTreesInDocumentOrder) {
    JsonValue out;
    ASSERT_TRUE(parse(R"({"list":[1,"two",{"three":[null,false]}],"empty":{},"none":[]})", out).ok);
    const JsonValue* list = json_as_array(json_member(&out, "list"));
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->size(), 3u);
    EXPECT_EQ(list->element(0).as_int(), 1);
    EXPECT_EQ(list->element(1).as_bytes(), "two");
    const JsonValue* three = json_as_array(json_member(&list->element(2), "three"));
    ASSERT_NE(three, nullptr);
    EXPECT_TRUE(three->element(0).is(JsonKind::Null));
    EXPECT_TRUE(three->element(1).is(JsonKind::Bool));
    EXPECT_EQ(json_member(&out, "empty")->size(), 0u);
    EXPECT_TRUE(json_member(&out, "none")->is(JsonKind::Array));
    EXPECT_EQ(json_member(&out, "missing"), nullptr);
    EXPECT_EQ(json_member(list, "list"), nullptr);  // not an object
}

TEST(JsonAccessors, ReadNumbersTextsAndFlagsByTheirRules) {
    JsonValue doc;
    ASSERT_TRUE(parse(R"({"frac":212.9,"neg":-3.7,"huge":1e19,"tiny":-1e19,"digits":"212","int":42,
                         "yes":true,"no":false,"one":1,"word":"true","text":"h\u00e9llo","empty":"",
                         "exact":4.0e15})",
                      doc).ok);
    EXPECT_EQ(json_get_int(&doc, "frac"), 212);
    EXPECT_EQ(json_get_int(&doc, "neg"), -3);
    EXPECT_EQ(json_get_int(&doc, "huge"), INT64_MIN);
    EXPECT_EQ(json_get_int(&doc, "tiny"), INT64_MIN);
    EXPECT_EQ(json_get_int(&doc, "digits"), 0);
    EXPECT_EQ(json_get_int(&doc, "int"), 42);
    EXPECT_EQ(json_get_int(&doc, "exact"), 4000000000000000);
    EXPECT_EQ(json_get_int(&doc, "yes"), 0);
    EXPECT_EQ(json_get_int(&doc, "missing"), 0);

    EXPECT_EQ(json_get_bool(&doc, "yes"), 1);
    EXPECT_EQ(json_get_bool(&doc, "no"), 0);
    EXPECT_EQ(json_get_bool(&doc, "one"), 0);
    EXPECT_EQ(json_get_bool(&doc, "word"), 0);

    wchar_t text[8];
    EXPECT_EQ(json_get_string(&doc, "text", text), 5u);
    EXPECT_STREQ(text, L"h\u00e9llo");
    EXPECT_EQ(json_get_string(&doc, "int", text), 0u);
    EXPECT_STREQ(text, L"");
    wchar_t small[4];
    EXPECT_EQ(json_get_string(&doc, "text", small), 3u);  // cut to capacity
    EXPECT_STREQ(small, L"h\u00e9l");

    EXPECT_EQ(json_get_sys_string(&doc, "empty"), nullptr);
    EXPECT_EQ(json_get_sys_string(&doc, "int"), nullptr);
    JsonValue notObject;
    ASSERT_TRUE(parse("[1]", notObject).ok);
    EXPECT_EQ(json_get_int(&notObject, "a"), 0);
    EXPECT_EQ(json_get_string(&notObject, "a", text), 0u);
    EXPECT_EQ(json_get_int(nullptr, "a"), 0);
}

}  // namespace
