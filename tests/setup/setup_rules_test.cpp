// The setup's rules without windows: its command line, the install folder
// text, and the command lines it builds for the archiver, the uninstall
// entry and the self-deletion.
#include "setup/setup_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"

namespace {

std::wstring str(const wchar_t* text) {
    return std::wstring(text);
}

TEST(SetupArguments, OnlyExactLowerCaseSwitchesCount) {
    struct Case {
        std::vector<const wchar_t*> arguments;
        bool silent;
        bool uninstall;
    };
    const Case kCases[] = {
        {{L"setup.exe"}, false, false},
        {{L"setup.exe", L"/s"}, true, false},
        {{L"setup.exe", L"/u"}, false, true},
        {{L"uninst.exe", L"/u", L"/s"}, true, true},
        {{L"setup.exe", L"/S"}, false, false},
        {{L"setup.exe", L"/U", L"-s"}, false, false},
        {{L"setup.exe", L"/silent", L"/s "}, false, false},
        {{L"/s"}, false, false},  // the program's own name is never a switch
        {{L"setup.exe", L"other", L"/s"}, true, false},
    };
    for (const Case& c : kCases) {
        SetupArguments parsed = parse_setup_arguments(static_cast<int>(c.arguments.size()), c.arguments.data());
        EXPECT_EQ(parsed.silent, c.silent) << c.arguments.size();
        EXPECT_EQ(parsed.uninstall, c.uninstall) << c.arguments.size();
    }
}

TEST(InstallFolderText, RootThenPlainNames) {
    struct Case {
        const wchar_t* path;
        bool valid;
    };
    const Case kCases[] = {
        {L"C:\\Program Files\\Tavlo", true},
        {L"C:\\Program Files\\Tavlo\\", true},  // a trailing backslash is fine
        {L"D:\\", true},                         // the bare root too
        {L"C:\\Tavlo Video Downloader\\1.58", true},
        {L"C:\\Программы\\Tavlo", true},
        {L"C:\\\\Tavlo", false},  // a backslash right after the root
        {L"C:\\a\\\\b", false},
        {L"C:\\a/b", false},
        {L"C:\\a:b", false},
        {L"C:\\a\"b", false},
        {L"C:\\a<b", false},
        {L"C:\\a>b", false},
        {L"C:\\a?b", false},
        {L"C:\\a|b", false},
        {L"C:\\a*b", false},
        {L"C:", false},
        {L"", false},
    };
    for (const Case& c : kCases) {
        EXPECT_EQ(install_dir_text_valid(c.path), c.valid) << str(c.path).size();
    }
}

TEST(InstallFolderText, TrailingBackslashGoesButNotFromTheRoot) {
    struct Case {
        const wchar_t* path;
        const wchar_t* trimmed;
    };
    const Case kCases[] = {
        {L"C:\\Tavlo\\", L"C:\\Tavlo"},
        {L"C:\\Tavlo", L"C:\\Tavlo"},
        {L"C:\\", L"C:\\"},
        {L"", L""},
    };
    for (const Case& c : kCases) {
        wchar_t path[64];
        text_copy(path, c.path);
        trim_trailing_backslash(path);
        EXPECT_EQ(str(path), str(c.trimmed));
    }
}

TEST(SetupCommandLines, ArchiverUninstallerAndSelfDeletion) {
    wchar_t out[600];
    ASSERT_TRUE(archiver_command_line(out, 600, L"C:\\Users\\Ann Lee\\Temp\\tavlo_setup\\7za.exe",
                                      L"C:\\Program Files\\Tavlo"));
    EXPECT_EQ(str(out), str(L"\"C:\\Users\\Ann Lee\\Temp\\tavlo_setup\\7za.exe\" x install.7z -y "
                            L"-o\"C:\\Program Files\\Tavlo\""));
    EXPECT_FALSE(archiver_command_line(out, 30, L"C:\\7za.exe", L"C:\\Program Files\\Tavlo"));

    struct Case {
        const wchar_t* folder;
        const wchar_t* command;
    };
    const Case kCases[] = {
        {L"C:\\Program Files\\Tavlo", L"\"C:\\Program Files\\Tavlo\\uninst.exe\" /u"},
        {L"D:\\Tavlo", L"D:\\Tavlo\\uninst.exe /u"},
        {L"D:\\", L"D:\\uninst.exe /u"},
    };
    for (const Case& c : kCases) {
        ASSERT_TRUE(uninstall_command(out, 600, c.folder));
        EXPECT_EQ(str(out), str(c.command));
    }

    ASSERT_TRUE(self_delete_parameters(out, 520, L"C:\\PROGRA~1\\Tavlo\\uninst.exe", L"C:\\PROGRA~1\\Tavlo"));
    EXPECT_EQ(str(out), str(L"/c del C:\\PROGRA~1\\Tavlo\\uninst.exe > nul & rmdir \"C:\\PROGRA~1\\Tavlo\""));
    ASSERT_TRUE(self_delete_parameters(out, 520, L"C:\\UNINST.EXE", L""));
    EXPECT_EQ(str(out), str(L"/c del C:\\UNINST.EXE > nul"));
    // A folder that does not fit is left out whole, never cut.
    EXPECT_FALSE(self_delete_parameters(out, 40, L"C:\\UNINST.EXE", L"C:\\A-LONG-FOLDER-NAME\\MORE"));
    EXPECT_EQ(str(out), str(L"/c del C:\\UNINST.EXE > nul"));
}

TEST(SetupPaths, JoinAddsOneBackslash) {
    wchar_t out[16];
    ASSERT_TRUE(join_path(out, 16, L"C:\\a", L"b.exe"));
    EXPECT_EQ(str(out), str(L"C:\\a\\b.exe"));
    ASSERT_TRUE(join_path(out, 16, L"C:\\", L"b.exe"));
    EXPECT_EQ(str(out), str(L"C:\\b.exe"));
    EXPECT_FALSE(join_path(out, 16, L"C:\\a-long-name", L"b.exe"));
    EXPECT_EQ(str(out), str(L""));  // never a cut path
}

TEST(SetupLanguageMenu, CommandsAreResourceNumbers) {
    struct Case {
        int command;
        unsigned short language;
    };
    const Case kCases[] = {
        {1007, 7},  {1009, 9},  {1010, 10}, {1012, 12}, {1016, 16}, {1022, 22}, {1025, 25},
        {1034, 34}, {1001, 1},  {1057, 57}, {1069, 69}, {1017, 17}, {1004, 4},  {1999, 0x7C04},
        {1018, 0},  {1030, 0},  {1, 0},     {805, 0},
    };
    for (const Case& c : kCases) {
        EXPECT_EQ(language_of_command(c.command), c.language) << c.command;
    }
}

}  // namespace
