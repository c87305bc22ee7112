#include "app/shell/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Case {
    std::vector<const wchar_t*> arguments;  // after the program itself
    uint16_t langId;
    bool start;
};

const Case kCases[] = {
    {{}, 0, false},
    {{L"-lang", L"1031"}, 1031, false},
    {{L"-start"}, 0, true},
    {{L"-start", L"-lang", L"1031"}, 1031, true},  // the setup program's first start
    {{L"-lang", L"1031", L"-start"}, 1031, true},
    {{L"-lang", L"0"}, 0, false},                   // 0 changes nothing
    {{L"-lang", L"German"}, 0, false},              // nor does a word
    {{L"-lang"}, 0, false},                         // "-lang" last is ignored
    {{L"-start", L"-lang"}, 0, true},
    {{L"-LANG", L"1031", L"-Start", L"/start"}, 0, false},  // matched with case
    {{L"--lang", L"1031", L"-language", L"7"}, 0, false},   // whole words only
    {{L"-lang", L"66567"}, 1031, false},            // 0x10407: the low 16 bits
    {{L"-lang", L"65536"}, 0, false},               // whose low 16 bits are 0
    {{L"-lang", L"3082abc"}, 3082, false},          // the leading digits, as the system reads numbers
    {{L"-lang", L"  1036"}, 1036, false},           // after blanks
    {{L"-lang", L"1031", L"-lang", L"0"}, 1031, false},      // a later 0 keeps the earlier choice
    {{L"-lang", L"1031", L"-lang", L"1036"}, 1036, false},   // a later number wins
    {{L"-lang", L"-start"}, 0, false},              // the argument after -lang is its value
    {{L"video.mp4", L"-x", L"1031"}, 0, false},     // unknown arguments are ignored
};

TEST(CommandLine, Table) {
    for (const Case& c : kCases) {
        std::vector<const wchar_t*> argv = {L"C:\\Program Files\\Tavlo\\tavlo.exe"};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        std::wstring line;
        for (const wchar_t* a : c.arguments) {
            line += a;
            line += L' ';
        }
        SCOPED_TRACE(std::string(line.begin(), line.end()));
        StartOptions options = parse_command_line(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(options.langId, c.langId);
        EXPECT_EQ(options.start, c.start);
    }
}

TEST(CommandLine, TheProgramItselfIsNoOption) {
    const wchar_t* argv[] = {L"-start"};
    EXPECT_FALSE(parse_command_line(1, argv).start);
    EXPECT_FALSE(parse_command_line(0, nullptr).start);
}

}  // namespace
