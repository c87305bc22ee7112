// The command line of tavlo.exe: "-lang N" picks the interface language and
// "-start" is the first start after installation. Options are matched with
// case; every other argument is ignored.
#pragma once

#include <cstdint>

struct StartOptions {
    uint16_t langId;  // 0: keep the language of the settings
    bool start;       // prepare the settings, show nothing, then start again as the user
};

// arguments[0] is the program itself, as the system's argument splitting
// leaves it; the value after "-lang" belongs to it.
StartOptions parse_command_line(int count, const wchar_t* const* arguments);
