#include "app/shell/command_line.h"

#include "base/text.h"

StartOptions parse_command_line(int count, const wchar_t* const* arguments) {
    StartOptions options = {};
    if (!arguments) {
        return options;
    }
    for (int i = 1; i < count; ++i) {
        const wchar_t* argument = arguments[i];
        if (text_equal(argument, L"-start")) {
            options.start = true;
        } else if (text_equal(argument, L"-lang") && i + 1 < count) {
            // Read as the system's string-to-number helpers read it, then cut
            // to the 16 bits of a language identifier; 0 (or no number) keeps
            // whatever was chosen before.
            auto id = static_cast<uint16_t>(text_leading_integer(arguments[++i]));
            if (id != 0) {
                options.langId = id;
            }
        }
    }
    return options;
}
