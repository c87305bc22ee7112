#include "app/services/settings.h"

#include <gtest/gtest.h>

#include <string>

#include "base/data_folder.h"
#include "tests/services/rc4_md5.h"
#include "tests/win_test_support.h"
#include "base/text.h"

namespace {

// Every test works in a data folder of its own.
class SettingsFile : public ::testing::Test {
protected:
    TempFolder root;
    std::wstring folder = root.path() + L"\\tavlo";
    std::wstring conf = folder + L"\\conf";

    void SetUp() override {
        set_data_folder_root(root.path().c_str());
        set_settings_passphrase();
    }
    void TearDown() override { set_data_folder_root(L""); }

    Settings sample() {
        Settings s;
        set_default_settings(s);
        s.lang_id = 0x0C0A;
        s.always_on_top = 0;
        s.use_youtube_account = 1;
        s.dark_mode = 1;
        text_copy(s.output_folder, L"C:\\Users\\me\\Videos");
        text_copy(s.proxy_server, L"socks5://127.0.0.1:9050");
        text_copy(s.commands, L"--limit-rate 1M --no-mtime");
        text_copy(s.output_template, L"%(title)s.%(ext)s");
        return s;
    }

    // The stored file deciphered without the platform's crypto service.
    std::string decipher_independently() {
        std::string stored;
        EXPECT_TRUE(read_whole_file(conf, stored));
        std::wstring passphrase = settings_passphrase();
        std::string key(reinterpret_cast<const char*>(passphrase.data()), passphrase.size() * 2);
        return plain_rc4(plain_md5(key), stored);
    }

    // Stores plain text enciphered as this machine's settings file would be.
    void store_plain(const std::string& plain) {
        CreateDirectoryW(folder.c_str(), nullptr);
        std::wstring plainPath = root.file(L"plain.ini");
        ASSERT_TRUE(write_whole_file(plainPath, plain));
        ASSERT_TRUE(crypt_file(plainPath.c_str(), conf.c_str()));
    }

    static void expect_same(const Settings& a, const Settings& b) {
        EXPECT_EQ(a.version, b.version);
        EXPECT_EQ(a.lang_id, b.lang_id);
        EXPECT_EQ(a.always_on_top, b.always_on_top);
        EXPECT_EQ(a.auto_update, b.auto_update);
        EXPECT_EQ(a.use_youtube_account, b.use_youtube_account);
        EXPECT_EQ(a.dark_mode, b.dark_mode);
        EXPECT_STREQ(a.output_folder, b.output_folder);
        EXPECT_STREQ(a.proxy_server, b.proxy_server);
        EXPECT_STREQ(a.commands, b.commands);
        EXPECT_STREQ(a.output_template, b.output_template);
    }

    void expect_no_leftovers() {
        EXPECT_FALSE(path_exists(conf + L"_")) << "the plain working copy was left behind";
        EXPECT_FALSE(path_exists(conf + L".new"));
    }
};

TEST_F(SettingsFile, SaveCreatesTheFolderAndAnEncipheredIniThatLoadsBack) {
    Settings saved = sample();
    ASSERT_TRUE(save_settings(saved));
    expect_no_leftovers();

    std::string expected =
        "[main]\r\nversion=158\r\nlang_id=3082\r\nalways_on_top=0\r\nauto_update=1\r\nuse_youtube_account=1\r\n"
        "dark_mode=1\r\noutput_folder=C:\\Users\\me\\Videos\r\nproxy_server=socks5://127.0.0.1:9050\r\n"
        "commands=--limit-rate 1M --no-mtime\r\noutput_template=%(title)s.%(ext)s\r\n";
    EXPECT_EQ(decipher_independently(), expected);
    std::string stored;
    read_whole_file(conf, stored);
    EXPECT_EQ(stored.size(), expected.size());
    EXPECT_EQ(stored.find("version"), std::string::npos);

    Settings loaded = {};
    ASSERT_TRUE(load_settings(loaded));
    expect_same(loaded, saved);
    EXPECT_TRUE(settings_dark_mode_present());
    expect_no_leftovers();
}

TEST_F(SettingsFile, SavingTwiceGivesTheSameBytes) {
    Settings s = sample();
    ASSERT_TRUE(save_settings(s));
    std::string first, second;
    read_whole_file(conf, first);
    ASSERT_TRUE(save_settings(s));
    read_whole_file(conf, second);
    EXPECT_EQ(first, second);
}

TEST_F(SettingsFile, EmptyTextsAndAnEmptyDarkModeValue) {
    store_plain("[main]\r\nversion=158\r\nlang_id=9\r\nalways_on_top=1\r\ndark_mode=\r\noutput_folder=\r\n");
    Settings loaded = {};
    loaded.dark_mode = 7;  // an empty value counts as missing and leaves the field alone
    ASSERT_TRUE(load_settings(loaded));
    EXPECT_EQ(loaded.dark_mode, 7);
    EXPECT_EQ(loaded.version, 158);
    EXPECT_EQ(loaded.always_on_top, 1);
    EXPECT_EQ(loaded.auto_update, 0);  // missing
    EXPECT_STREQ(loaded.output_folder, L"");
    expect_no_leftovers();
}

TEST_F(SettingsFile, CipherHandlesLengthsAtTheBlockSize) {
    for (size_t length : {0u, 1u, 999u, 1000u, 2000u, 2001u}) {
        SCOPED_TRACE(length);
        std::string plain(length, 'x');
        for (size_t i = 0; i < length; ++i) {
            plain[i] = static_cast<char>('a' + i % 26);
        }
        std::wstring a = root.file(L"a"), b = root.file(L"b"), c = root.file(L"c");
        ASSERT_TRUE(write_whole_file(a, plain));
        ASSERT_TRUE(crypt_file(a.c_str(), b.c_str()));
        ASSERT_TRUE(crypt_file(b.c_str(), c.c_str()));
        std::string enciphered, back;
        read_whole_file(b, enciphered);
        read_whole_file(c, back);
        EXPECT_EQ(enciphered.size(), length);
        EXPECT_EQ(back, plain);
    }
}

TEST_F(SettingsFile, UnusableFilesLoadAsZerosAndNeverCrash) {
    struct Case {
        const char* name;
        std::string stored;  // written as it is, not enciphered
    };
    std::string other;
    {
        std::string key = "1234";  // another machine's passphrase
        std::string utf16;
        for (char c : key) {
            utf16 += c;
            utf16 += '\0';
        }
        other = plain_rc4(plain_md5(utf16), "[main]\r\nversion=158\r\nlang_id=7\r\nauto_update=1\r\n");
    }
    std::string huge(6 * 1024 * 1024, '\0');
    for (size_t i = 0; i < huge.size(); ++i) {
        huge[i] = static_cast<char>(i * 2654435761u >> 13);
    }
    const Case kCases[] = {
        {"empty", ""},
        {"garbage", "\x01\xff\x7f garbage \x80\x90"},
        {"another passphrase", other},
        {"far too large", huge},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        CreateDirectoryW(folder.c_str(), nullptr);
        ASSERT_TRUE(write_whole_file(conf, c.stored));
        Settings loaded;
        memset(&loaded, 0x5A, sizeof(loaded));
        loaded.dark_mode = 0;
        ASSERT_TRUE(load_settings(loaded));  // it deciphered: the caller repairs the values
        EXPECT_EQ(loaded.version, 0);
        EXPECT_EQ(loaded.lang_id, 0);
        EXPECT_EQ(loaded.auto_update, 0);
        EXPECT_STREQ(loaded.output_folder, L"");
        EXPECT_STREQ(loaded.commands, L"");
        expect_no_leftovers();
    }
}

TEST_F(SettingsFile, ATruncatedFileKeepsWhatSurvivedOfItsText) {
    Settings s = sample();
    ASSERT_TRUE(save_settings(s));
    std::string stored;
    read_whole_file(conf, stored);
    ASSERT_TRUE(write_whole_file(conf, stored.substr(0, 40)));  // "[main]\r\nversion=158\r\nlang_id=3082\r\nalway"
    Settings truncated = {};
    ASSERT_TRUE(load_settings(truncated));
    EXPECT_EQ(truncated.version, 158);
    EXPECT_EQ(truncated.lang_id, 3082);
    EXPECT_EQ(truncated.always_on_top, 0);
}

TEST_F(SettingsFile, MissingFileFailsTheLoad) {
    Settings loaded = {};
    EXPECT_FALSE(load_settings(loaded));
    expect_no_leftovers();
}

TEST_F(SettingsFile, AFailedSaveKeepsTheStoredFileAndSaysWhy) {
    Settings first = sample();
    ASSERT_TRUE(save_settings(first));
    std::string before;
    read_whole_file(conf, before);

    // The new enciphered text cannot be written: the stored file stays whole.
    ASSERT_TRUE(CreateDirectoryW((conf + L".new").c_str(), nullptr));
    Settings changed = sample();
    text_copy(changed.commands, L"--changed");
    wchar_t message[256] = L"";
    EXPECT_FALSE(save_settings(changed, message, sizeof(message)));
    std::wstring text = message;
    EXPECT_EQ(text.rfind(L"Failed to save options. Error _crypt_end_write function. Error opening destination file (", 0), 0u)
        << std::string(text.begin(), text.end());
    EXPECT_EQ(text.back(), L')');
    std::string after;
    read_whole_file(conf, after);
    EXPECT_EQ(after, before);
    EXPECT_FALSE(path_exists(conf + L"_"));
    RemoveDirectoryW((conf + L".new").c_str());

    // The stored name taken by a folder: creating the file fails.
    TempFolder other;
    set_data_folder_root(other.path().c_str());
    CreateDirectoryW((other.path() + L"\\tavlo").c_str(), nullptr);
    CreateDirectoryW((other.path() + L"\\tavlo\\conf").c_str(), nullptr);
    wchar_t small[40];  // the message is cut to the buffer
    EXPECT_FALSE(save_settings(changed, small, sizeof(small)));
    EXPECT_STREQ(small, L"Failed to save options. Error _crypt fu");
}

TEST(Settings, DefaultLanguageKeepsOnlySpanishAndFrench) {
    struct Case {
        uint16_t ui;
        uint16_t lang;
    };
    const Case kCases[] = {{0x0C0A, 0x0C0A}, {0x040A, 0x040A}, {0x040C, 0x040C}, {0x080C, 0x080C},
                           {0x0407, 9},      {0x0409, 9},      {0x0411, 9},      {0x0416, 9}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.ui);
        EXPECT_EQ(default_language_id(c.ui), c.lang);
    }
    Settings s;
    memset(&s, 0x5A, sizeof(s));
    set_default_settings(s);
    EXPECT_EQ(s.version, 158);
    EXPECT_EQ(s.always_on_top, 1);
    EXPECT_EQ(s.auto_update, 1);
    EXPECT_EQ(s.use_youtube_account, 0);
    EXPECT_EQ(s.dark_mode, 0);
    EXPECT_STREQ(s.proxy_server, L"");
    EXPECT_NE(wcsstr(s.output_folder, L"Downloads"), nullptr);
}

TEST(Settings, PassphraseIsTheVolumeSerialInDecimal) {
    set_settings_passphrase();
    std::wstring p = settings_passphrase();
    ASSERT_FALSE(p.empty());
    EXPECT_LE(p.size(), 10u);
    EXPECT_EQ(p.find_first_not_of(L"0123456789"), std::wstring::npos);
    EXPECT_TRUE(p == L"0" || p[0] != L'0');
}

TEST(Md5Hex, UpperCaseDigitsOfTheDigest) {
    wchar_t out[33];
    ASSERT_TRUE(md5_hex("", 0, out));
    EXPECT_STREQ(out, L"D41D8CD98F00B204E9800998ECF8427E");
    const wchar_t link[] = L"https://example.com/v";
    ASSERT_TRUE(md5_hex(link, wcslen(link) * sizeof(wchar_t), out));
    std::string bytes(reinterpret_cast<const char*>(link), wcslen(link) * 2);
    std::array<uint8_t, 16> digest = plain_md5(bytes);
    wchar_t expected[33];
    for (int i = 0; i < 16; ++i) {
        text_format(expected + 2 * i, 3, L"%02X", digest[i]);
    }
    EXPECT_STREQ(out, expected);
}

TEST(FormatErrorDetail, MessageBlankAndCodeInParentheses) {
    wchar_t out[260];
    format_error_detail(L"Error opening destination file", 5, out);
    EXPECT_STREQ(out, L"Error opening destination file (5)");
    std::wstring longText(300, L'x');
    format_error_detail(longText.c_str(), 4294967295u, out);
    EXPECT_EQ(wcslen(out), 259u);
}

}  // namespace
