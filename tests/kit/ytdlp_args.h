// What a yt-dlp command line asks for, as far as the stand-in acts on it:
// the kind of run, the links, the output folder of -o and --convert-subs.
#pragma once

#include <string>
#include <vector>

#include "tests/kit/scenario.h"

struct ToolRequest {
    RunKind kind = RunKind::Download;  // Metadata, Download, Version or Update
    bool newline = false;              // --newline: one LF-terminated line per progress update
    bool hasOutputTemplate = false;
    std::string outputFolder;  // the -o template up to its last backslash, inclusive
    std::string convertSubs;   // the --convert-subs format, empty when not given
    std::vector<std::string> links;
};

// args: the UTF-8 arguments after the program name.
ToolRequest read_tool_request(const std::vector<std::string>& args);
