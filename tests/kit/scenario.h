// Scenario files of the stand-in yt-dlp: which links a scenario answers and,
// per kind of run, what it replays (see tests/kit/README.md for the format).
// Portable: reading and choosing only, the Windows side acts on the result.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// "Until killed" still ends after this long, or when nobody reads the output
// any more, so that a forgotten stand-in does not outlive its test for good.
constexpr unsigned UNTIL_KILLED_LIMIT_S = 600;

enum class RunKind { Metadata, Download, DownloadNewline, Version, Update };

struct ReplayStep {
    bool fromFile = false;
    std::string text;  // the file path as written (relative to the scenario), or the bytes to say
};

struct ScenarioBlock {
    RunKind kind = RunKind::Download;
    int line = 0;
    std::vector<std::vector<std::string>> ifArgs;  // each: arguments that follow one another
    std::vector<std::string> ifExists;             // names in the output folder
    std::vector<ReplayStep> steps;
    unsigned pauseMs = 0;
    unsigned exitCode = 0;
    std::string contentFile;  // empty: created files get a few fixed bytes
    bool alive = false;
    unsigned aliveSeconds = 0;  // 0: until killed (see UNTIL_KILLED_LIMIT_S)
    unsigned aliveIntervalMs = 1000;
    unsigned aliveClockMs = 0;  // what {time} shows when the stay-alive records begin
    std::string aliveRecord;
    bool child = false;
    unsigned childSeconds = 0;  // 0: until killed (see UNTIL_KILLED_LIMIT_S)
};

struct Scenario {
    std::string name;  // file name, for messages
    std::vector<std::string> links;
    std::vector<std::string> linkPrefixes;
    std::string argsLog;  // relative to the scenario file; empty when not asked for
    std::vector<ScenarioBlock> blocks;
};

// Parses one scenario file. On failure returns false with "LINE: reason" in error.
bool parse_scenario(std::string_view text, Scenario& out, std::string& error);

// The scenario that answers link: an exact link first, else the longest prefix.
// Null when none does.
const Scenario* find_scenario(const std::vector<Scenario>& scenarios, std::string_view link);

// False with a message when two scenarios claim the same exact link: which
// one answers would depend on file names.
bool check_scenarios(const std::vector<Scenario>& scenarios, std::string& error);

// What a run asks a scenario for. kind is Metadata, Download, Version or
// Update; newline tells the progress style of a download.
struct BlockQuery {
    RunKind kind = RunKind::Download;
    bool newline = false;
    const std::vector<std::string>* args = nullptr;  // the arguments after the program name
    std::function<bool(const std::string& name)> exists;
};

// The block whose conditions all hold, the one with the most conditions
// winning; between blocks with equally many, a download prefers its own
// progress style, then the earlier block. Null when no block fits.
const ScenarioBlock* choose_block(const Scenario& scenario, const BlockQuery& query);
