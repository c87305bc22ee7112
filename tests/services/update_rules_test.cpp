// The update check's rules without network or windows: the reply's
// unscrambling and Base64, versions, sizes, the pace of percent messages,
// the XML tree and what it says.
#include "app/services/update_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string narrow(const wchar_t* text) {  // the ASCII texts of the tables
    std::string out;
    for (; *text; ++text) {
        out += static_cast<char>(*text);
    }
    return out;
}

std::string repeat(const std::string& piece, size_t times) {
    std::string out;
    for (size_t i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

struct UnscrambleCase {
    const char* what;
    std::string reply;
    std::string text;
};
const UnscrambleCase kUnscramble[] = {
    {"pairs exchanged", "BADC", "ABCD"},
    {"odd last byte stays", "BADCE", "ABCDE"},
    {"one byte", "A", "A"},
    {"empty", "", ""},
    {"zero first in a pair stops", std::string("BA\0DCF", 6), std::string("AB\0DCF", 6)},
    {"zero second in a pair stops", std::string("BAC\0ED", 6), std::string("ABC\0ED", 6)},
    {"scrambled Base64", "mZv9mYyF", "Zm9vYmFy"},
};

TEST(UnscrambleReply, Table) {
    for (const UnscrambleCase& c : kUnscramble) {
        SCOPED_TRACE(c.what);
        std::string bytes = c.reply;
        unscramble_reply(bytes.data(), bytes.size());
        EXPECT_EQ(bytes, c.text);
    }
}

struct Base64Case {
    const char* text;
    bool ok;
    std::string bytes;
};
const Base64Case kBase64[] = {
    // The vectors of RFC 4648.
    {"", true, ""},
    {"Zg==", true, "f"},
    {"Zm8=", true, "fo"},
    {"Zm9v", true, "foo"},
    {"Zm9vYg==", true, "foob"},
    {"Zm9vYmE=", true, "fooba"},
    {"Zm9vYmFy", true, "foobar"},
    // As the Windows decoder: padding may be left out, white space is skipped.
    {"Zg", true, "f"},
    {"Zm8", true, "fo"},
    {"Zg=", true, "f"},
    {"Zm9v\r\nYmFy\r\n", true, "foobar"},
    {" Zm 9v\tYmFy ", true, "foobar"},
    {"++//", true, "\xfb\xef\xff"},
    // Malformed.
    {"Z", false, ""},          // six bits make no byte
    {"Zm9vY", false, ""},      // a last group of one character: a cut reply
    {"Zm9v!mFy", false, ""},   // not a Base64 character
    {"Zm9-", false, ""},       // the URL alphabet is not this one
    {"Zg==Zg==", false, ""},   // data after the padding
    {"=", false, ""},
    {"Zm9v=", false, ""},      // padding after a whole group
    {"Z===", false, ""},
    {"Zm9v\xC3\xA9", false, ""},
};

TEST(Base64Decode, Table) {
    for (const Base64Case& c : kBase64) {
        SCOPED_TRACE(c.text);
        unsigned char out[64];
        size_t written = 99;
        bool ok = base64_decode(c.text, std::string(c.text).size(), out, sizeof(out), &written);
        EXPECT_EQ(ok, c.ok);
        if (ok) {
            EXPECT_EQ(std::string(reinterpret_cast<char*>(out), written), c.bytes);
        }
    }
}

TEST(Base64Decode, RefusesMoreThanTheBufferHolds) {
    unsigned char out[6];
    size_t written = 0;
    EXPECT_TRUE(base64_decode("Zm9vYmFy", 8, out, 6, &written));
    EXPECT_EQ(written, 6u);
    EXPECT_FALSE(base64_decode("Zm9vYmFy", 8, out, 5, &written));
    EXPECT_FALSE(base64_decode("Zm9vYmE", 7, out, 4, &written));
}

// What the server would send for a document: Base64 with every pair exchanged.
std::string scramble(std::string text) {
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        std::swap(text[i], text[i + 1]);
    }
    return text;
}

struct ReplyCase {
    const char* what;
    std::string reply;
    bool ok;
    std::string document;
};

std::string padded_reply(size_t length) {
    // "Zm9v" groups to the length, the rest line breaks: the length a
    // server's reply has on the wire.
    std::string text;
    while (text.size() + 4 <= length) {
        text += "Zm9v";
    }
    text.append(length - text.size(), '\n');
    return scramble(text);
}

const ReplyCase kReplies[] = {
    {"a document", scramble("Zm9vYmFy"), true, "foobar"},
    {"odd length, last byte in place", scramble("Zm9vYmE"), true, "fooba"},
    {"text ends at a zero byte", scramble(std::string("Zm9v\0\0YmFy", 10)), true, "foo"},
    {"empty reply", "", false, ""},
    {"only white space: empty document", scramble("\r\n\r\n"), false, ""},
    {"garbage", "<html>502 Bad Gateway</html>", false, ""},
    {"cut in a group", scramble("Zm9vY"), false, ""},
    {"2046 bytes: the longest taken", padded_reply(2046), true, repeat("foo", 511)},
    {"2047 bytes: may go on", padded_reply(2047), false, ""},
};

TEST(DecodeUpdateReply, Table) {
    for (const ReplyCase& c : kReplies) {
        SCOPED_TRACE(c.what);
        std::string reply = c.reply;
        unsigned char document[UPDATE_DOCUMENT_LIMIT];
        size_t length = 99;
        bool ok = decode_update_reply(reply.data(), reply.size(), document, &length);
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(document), length), c.document);
    }
}

struct VersionCase {
    const wchar_t* installed;
    const wchar_t* offered;
    bool newer;
};
const VersionCase kVersions[] = {
    {L"1.58", L"1.59", true},
    {L"1.58", L"1.58", false},
    {L"1.58", L"1.57", false},
    {L"1.58", L"1.6", false},  // numbers, not digits: 6 < 58
    {L"1.6", L"1.58", true},
    {L"1.58", L"1.58.0", false},
    {L"1.58.0", L"1.58", false},
    {L"1.58", L"1.58.1", true},
    {L"1.58.1", L"1.58", false},
    {L"1.58", L"2", true},
    {L"1.58", L"1", false},
    {L"3.9.30", L"3.10.1", true},
    {L"3.10.1", L"3.9.30", false},
    {L"2023.03.04", L"2023.3.4", false},
    {L"2023.03.04", L"2023.03.05", true},
    {L"2023.03.04", L"2023.11.01", true},
    {L"2024.01.01", L"2023.12.31", false},
    // A yt-dlp without a version resource counts as version 0.
    {L"", L"2023.03.04", true},
    {L"", L"0", false},
    {L"", L"0.0.1", true},
    {L"", L"", false},
    {L"1.58", L"", false},
    {L"1.58", L"1.58beta", false},       // "58beta" reads 58
    {L"1.58", L"1.59-rc", true},
    {L"1.58", L"99999999999", true},     // held at the largest number
    {L"1.58", L"-2", false},
};

TEST(IsNewerVersion, Table) {
    for (const VersionCase& c : kVersions) {
        SCOPED_TRACE("installed \"" + narrow(c.installed) + "\", offered \"" + narrow(c.offered) + "\"");
        EXPECT_EQ(is_newer_version(c.installed, c.offered), c.newer);
    }
}

struct SizeCase {
    const wchar_t* text;
    int64_t size;
};
const SizeCase kSizes[] = {
    {L"1048576", 1048576},
    {L"4294967296", 4294967296ll},  // beyond 32 bits
    {L"  42", 42},
    {L"\t+7", 7},
    {L"-5", -5},
    {L"12abc", 12},
    {L"12 34", 12},
    {L"abc", 0},
    {L"", 0},
    {L"-", 0},
    {L"9223372036854775807", INT64_MAX},
    {L"9223372036854775808", INT64_MAX},
    {L"99999999999999999999999", INT64_MAX},
    {L"-9223372036854775808", INT64_MIN},
    {L"-99999999999999999999999", INT64_MIN},
};

TEST(ParseFileSize, Table) {
    for (const SizeCase& c : kSizes) {
        SCOPED_TRACE(narrow(c.text));
        EXPECT_EQ(parse_file_size(c.text), c.size);
    }
}

TEST(PercentPacer, AtMostTwiceASecond) {
    struct Step {
        uint64_t tick;
        bool due;
    };
    const Step steps[] = {
        {1000, true},   // the first at once
        {1200, false},
        {1499, false},  // 499 ms is not more than 499
        {1500, true},
        {1999, false},
        {2000, true},
        {9000, true},
    };
    PercentPacer pacer = {};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.tick);
        EXPECT_EQ(percent_due(pacer, s.tick), s.due);
    }
    // Right after the system started the first percent still goes out.
    PercentPacer early = {};
    EXPECT_TRUE(percent_due(early, 3));
    EXPECT_FALSE(percent_due(early, 200));
}

TEST(DownloadPercent, Table) {
    struct Case {
        uint64_t progress, maximum;
        unsigned percent;
    };
    const Case cases[] = {
        {0, 0, 0},
        {5, 0, 0},
        {0, 200, 0},
        {50, 200, 25},
        {1, 3, 33},
        {199, 200, 99},
        {200, 200, 100},
        {300, 200, 100},  // more than announced: never read as a progress code
        {4294967295u, 4294967295u, 100},
        {4294967294u, 4294967295u, 99},
        {1ull << 63, UINT64_MAX, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.progress << " of " << c.maximum);
        EXPECT_EQ(download_percent(c.progress, c.maximum), c.percent);
    }
}

// <server><update><version>1.<!-- -->59</version><url><![CDATA[https://x/setup.exe]]></url>
//   <file_size/><info a="1" b="2" a="3"><deep>d</deep></info></update><update><version>9</version></update>
//   <Update><version>8</version></Update></server>
void build_sample(XmlDocument& document) {
    XmlTreeBuilder builder(document);
    builder.add_text(L"outside", 7);  // no element yet: dropped
    builder.begin_element(L"server", false);
    builder.begin_element(L"update", false);
    builder.begin_element(L"version", false);
    builder.add_text(L"1.", 2);
    builder.add_text(L"59", 2);
    builder.end_element();
    builder.begin_element(L"url", false);
    builder.add_text(L"https://x/setup.exe", 19);
    builder.end_element();
    builder.begin_element(L"file_size", true);
    XmlNode* info = builder.begin_element(L"info", false);
    XmlTreeBuilder::add_attribute(info, L"a", L"1");
    XmlTreeBuilder::add_attribute(info, L"b", L"2");
    XmlTreeBuilder::add_attribute(info, L"a", L"3");
    builder.begin_element(L"deep", false);
    builder.add_text(L"d", 1);
    builder.end_element();
    builder.end_element();
    builder.end_element();
    builder.begin_element(L"update", false);
    builder.begin_element(L"version", false);
    builder.add_text(L"9", 1);
    builder.end_element();
    builder.end_element();
    builder.begin_element(L"Update", false);
    builder.begin_element(L"version", false);
    builder.add_text(L"8", 1);
    builder.end_element();
    builder.end_element();
    builder.end_element();
    builder.add_text(L"trailing", 8);
}

TEST(XmlTree, BuiltFromEvents) {
    XmlDocument document;
    build_sample(document);
    ASSERT_TRUE(document.root);
    const XmlNode& root = *document.root;
    EXPECT_EQ(root.name, L"server");
    EXPECT_EQ(root.text, L"");
    EXPECT_EQ(root.parent, nullptr);
    ASSERT_EQ(root.children.size(), 3u);
    const XmlNode& update = *root.children[0];
    EXPECT_EQ(update.parent, &root);
    ASSERT_EQ(update.children.size(), 4u);
    EXPECT_EQ(update.children[0]->text, L"1.59");  // text pieces joined
    // The empty element did not become the current one: "info" is its sibling.
    EXPECT_EQ(update.children[2]->name, L"file_size");
    EXPECT_TRUE(update.children[2]->children.empty());
    const XmlNode& info = *update.children[3];
    EXPECT_EQ(info.name, L"info");
    EXPECT_EQ(info.attributes.size(), 2u);
    EXPECT_EQ(info.attributes.at(L"a"), L"3");  // the later of two equal names
    EXPECT_EQ(info.attributes.at(L"b"), L"2");
}

TEST(XmlTree, SecondRootReplacesTheFirst) {
    XmlDocument document;
    XmlTreeBuilder builder(document);
    builder.begin_element(L"first", false);
    builder.begin_element(L"update", false);
    builder.end_element();
    builder.end_element();
    builder.begin_element(L"second", false);
    builder.add_text(L"x", 1);
    builder.end_element();
    EXPECT_TRUE(builder.complete());
    ASSERT_TRUE(document.root);
    EXPECT_EQ(document.root->name, L"second");
    EXPECT_EQ(document.root->text, L"x");
    EXPECT_TRUE(document.root->children.empty());
}

TEST(XmlTree, CompleteOnlyWhenEveryElementEnded) {
    XmlDocument document;
    XmlTreeBuilder builder(document);
    EXPECT_TRUE(builder.complete());
    builder.begin_element(L"r", false);
    builder.begin_element(L"update", false);
    builder.end_element();
    EXPECT_FALSE(builder.complete());
    builder.end_element();
    EXPECT_TRUE(builder.complete());
}

TEST(XmlTree, EmptyRoot) {
    XmlDocument document;
    XmlTreeBuilder builder(document);
    builder.begin_element(L"only", true);
    builder.add_text(L"after", 5);  // no current element
    EXPECT_TRUE(builder.complete());
    ASSERT_TRUE(document.root);
    EXPECT_EQ(document.root->text, L"");
}

TEST(FindXmlPath, Table) {
    XmlDocument document;
    build_sample(document);
    struct Case {
        const wchar_t* path;
        const wchar_t* text;  // null: no node
    };
    const Case cases[] = {
        {L"update/version", L"1.59"},      // the first "update" wins
        {L"update/url", L"https://x/setup.exe"},
        {L"update/file_size", L""},
        {L"update/info/deep", L"d"},
        {L"update", L""},
        {L"Update/version", L"8"},         // names are matched exactly
        {L"UPDATE/version", nullptr},
        {L"update/Version", nullptr},
        {L"update/missing", nullptr},
        {L"version", nullptr},             // the search starts among the root's children
        {L"server/update/version", nullptr},
        {L"", nullptr},
        {L"update/", nullptr},
        {L"/update", nullptr},
        {L"update//version", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(narrow(c.path));
        const XmlNode* found = find_xml_path(document.root.get(), c.path);
        if (!c.text) {
            EXPECT_EQ(found, nullptr);
            EXPECT_EQ(std::wstring(xml_path_text(document.root.get(), c.path)), L"");
        } else {
            ASSERT_NE(found, nullptr);
            EXPECT_EQ(found->text, c.text);
        }
    }
    EXPECT_EQ(find_xml_path(nullptr, L"update"), nullptr);
}

// <r><update><version>V</version><url>U</url><youtubedl_version>Y</youtubedl_version>
// <file_size>S</file_size></update></r>, each element left out when null.
XmlDocument update_document(const wchar_t* version, const wchar_t* url, const wchar_t* ytdlp, const wchar_t* size) {
    XmlDocument document;
    XmlTreeBuilder builder(document);
    builder.begin_element(L"r", false);
    builder.begin_element(L"update", false);
    const wchar_t* names[] = {L"version", L"url", L"youtubedl_version", L"file_size"};
    const wchar_t* values[] = {version, url, ytdlp, size};
    for (int i = 0; i < 4; ++i) {
        if (values[i]) {
            builder.begin_element(names[i], false);
            builder.add_text(values[i], std::wstring(values[i]).size());
            builder.end_element();
        }
    }
    return document;
}

TEST(ReadUpdateFindings, Table) {
    struct Case {
        const char* what;
        const wchar_t *version, *url, *ytdlp, *size;
        const wchar_t* installedYtdlp;
        bool available, ytdlpOutdated;
        int64_t fileSize;
        const wchar_t* setupUrl;
    };
    const Case cases[] = {
        {"newer program", L"1.59", L"https://h/s.exe", nullptr, L"1048576", L"2023.03.04", true, false, 1048576,
         L"https://h/s.exe"},
        {"same program", L"1.58", L"https://h/s.exe", nullptr, L"1048576", L"", false, false, 1048576,
         L"https://h/s.exe"},
        {"further component", L"1.58.1", nullptr, nullptr, nullptr, L"", true, false, 0, L""},
        {"older program", L"1.6", nullptr, nullptr, nullptr, L"", false, false, 0, L""},
        {"empty version", L"", L"https://h/s.exe", nullptr, nullptr, L"", false, false, 0, L"https://h/s.exe"},
        {"newer yt-dlp", L"1.58", nullptr, L"2023.11.16", nullptr, L"2023.03.04", false, true, 0, L""},
        {"same yt-dlp", L"1.58", nullptr, L"2023.03.04", nullptr, L"2023.03.04", false, false, 0, L""},
        {"yt-dlp without version", nullptr, nullptr, L"2023.03.04", nullptr, L"", false, true, 0, L""},
        {"empty yt-dlp version never updates", nullptr, nullptr, L"", nullptr, L"", false, false, 0, L""},
        {"size with blanks and junk", L"1.59", nullptr, nullptr, L"  123456 bytes", L"", true, false, 123456, L""},
        {"size without digits", L"1.59", nullptr, nullptr, L"big", L"", true, false, 0, L""},
        {"nothing at all", nullptr, nullptr, nullptr, nullptr, L"", false, false, 0, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        XmlDocument document = update_document(c.version, c.url, c.ytdlp, c.size);
        UpdateFindings found = read_update_findings(document.root.get(), L"1.58", c.installedYtdlp);
        EXPECT_EQ(found.available, c.available);
        EXPECT_EQ(found.ytdlpOutdated, c.ytdlpOutdated);
        EXPECT_EQ(found.fileSize, c.fileSize);
        EXPECT_EQ(found.setupUrl, c.setupUrl);
    }
    UpdateFindings none = read_update_findings(nullptr, L"1.58", L"");
    EXPECT_FALSE(none.available);
    EXPECT_FALSE(none.ytdlpOutdated);
}

}  // namespace
