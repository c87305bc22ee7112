#include "tests/kit/scenario.h"


namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_blank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && is_blank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

std::vector<std::string> split_words(std::string_view s) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && is_blank(s[i])) {
            ++i;
        }
        size_t start = i;
        while (i < s.size() && !is_blank(s[i])) {
            ++i;
        }
        if (i > start) {
            words.emplace_back(s.substr(start, i - start));
        }
    }
    return words;
}

// Plain decimal; the limit keeps millisecond sums far from overflow.
bool parse_number(std::string_view s, unsigned& out) {
    if (s.empty() || s.size() > 9) {
        return false;
    }
    unsigned value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    out = value;
    return true;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Text for say and alive-record: the line's own bytes with C-like escapes
// (CR, LF, tab, backslash, \xHH), so that record ends and trailing spaces
// can be written.
bool unescape(std::string_view s, std::string& out, std::string& error) {
    out.clear();
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\') {
            out += s[i];
            continue;
        }
        if (i + 1 >= s.size()) {
            error = "text ends in a lone backslash";
            return false;
        }
        char e = s[++i];
        if (e == 'r') {
            out += '\r';
        } else if (e == 'n') {
            out += '\n';
        } else if (e == 't') {
            out += '\t';
        } else if (e == '\\') {
            out += '\\';
        } else if (e == 'x' && i + 2 < s.size() && hex_digit(s[i + 1]) >= 0 && hex_digit(s[i + 2]) >= 0) {
            out += static_cast<char>(hex_digit(s[i + 1]) * 16 + hex_digit(s[i + 2]));
            i += 2;
        } else {
            error = std::string("unknown escape \\") + e;
            return false;
        }
    }
    return true;
}

bool parse_kind(std::string_view word, RunKind& kind) {
    struct Name {
        const char* text;
        RunKind kind;
    };
    static const Name kNames[] = {
        {"metadata", RunKind::Metadata},
        {"download", RunKind::Download},
        {"download-newline", RunKind::DownloadNewline},
        {"version", RunKind::Version},
        {"update", RunKind::Update},
    };
    for (const Name& n : kNames) {
        if (word == n.text) {
            kind = n.kind;
            return true;
        }
    }
    return false;
}

bool is_download(RunKind kind) {
    return kind == RunKind::Download || kind == RunKind::DownloadNewline;
}

bool args_follow(const std::vector<std::string>& args, const std::vector<std::string>& wanted) {
    if (wanted.empty() || wanted.size() > args.size()) {
        return false;
    }
    for (size_t i = 0; i + wanted.size() <= args.size(); ++i) {
        size_t k = 0;
        while (k < wanted.size() && args[i + k] == wanted[k]) {
            ++k;
        }
        if (k == wanted.size()) {
            return true;
        }
    }
    return false;
}

bool conditions_hold(const ScenarioBlock& block, const BlockQuery& query) {
    for (const auto& wanted : block.ifArgs) {
        if (!query.args || !args_follow(*query.args, wanted)) {
            return false;
        }
    }
    for (const std::string& name : block.ifExists) {
        if (!query.exists || !query.exists(name)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool parse_scenario(std::string_view text, Scenario& out, std::string& error) {
    Scenario scenario;
    ScenarioBlock* block = nullptr;
    int lineNumber = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = trim(text.substr(pos, end - pos));
        pos = end + 1;
        ++lineNumber;
        if (line.empty() || line.front() == '#') {
            continue;
        }
        size_t wordEnd = 0;
        while (wordEnd < line.size() && !is_blank(line[wordEnd])) {
            ++wordEnd;
        }
        std::string_view word = line.substr(0, wordEnd);
        std::string_view rest = trim(line.substr(wordEnd));
        std::vector<std::string> words = split_words(rest);
        std::string why;

        if (word == "link" || word == "link-prefix" || word == "args-log") {
            if (words.size() != 1) {
                why = std::string(word) + " takes one value without blanks";
            } else if (word == "link") {
                scenario.links.push_back(words[0]);
            } else if (word == "link-prefix") {
                scenario.linkPrefixes.push_back(words[0]);
            } else {
                scenario.argsLog = words[0];
            }
        } else if (word == "mode") {
            RunKind kind;
            if (words.size() != 1 || !parse_kind(words[0], kind)) {
                why = "mode is one of metadata, download, download-newline, version, update";
            } else {
                scenario.blocks.emplace_back();
                block = &scenario.blocks.back();
                block->kind = kind;
                block->line = lineNumber;
            }
        } else if (!block) {
            why = "\"" + std::string(word) + "\" belongs inside a mode block";
        } else if (word == "if-arg") {
            if (words.empty()) {
                why = "if-arg needs at least one argument";
            } else {
                block->ifArgs.push_back(words);
            }
        } else if (word == "if-exists" || word == "replay" || word == "content") {
            if (words.size() != 1) {
                why = std::string(word) + " takes one name without blanks";
            } else if (word == "if-exists") {
                block->ifExists.push_back(words[0]);
            } else if (word == "replay") {
                block->steps.push_back({true, words[0]});
            } else {
                block->contentFile = words[0];
            }
        } else if (word == "say") {
            std::string bytes;
            if (rest.empty()) {
                why = "say needs text";
            } else if (unescape(rest, bytes, why)) {
                block->steps.push_back({false, bytes});
            }
        } else if (word == "alive-record") {
            if (rest.empty()) {
                why = "alive-record needs text";
            } else {
                unescape(rest, block->aliveRecord, why);
            }
        } else if (word == "pause" || word == "exit" || word == "child") {
            unsigned value = 0;
            if (words.size() != 1 || !parse_number(words[0], value)) {
                why = std::string(word) + " takes one number";
            } else if (word == "pause") {
                block->pauseMs = value;
            } else if (word == "exit") {
                block->exitCode = value;
            } else {
                block->child = true;
                block->childSeconds = value;
            }
        } else if (word == "alive") {
            unsigned seconds = 0;
            unsigned interval = 0;
            unsigned clock = 0;
            if (words.size() < 2 || words.size() > 3 || !parse_number(words[0], seconds) ||
                !parse_number(words[1], interval) || interval == 0 ||
                (words.size() == 3 && !parse_number(words[2], clock))) {
                why = "alive takes SECONDS (0: until killed), INTERVAL_MS (not 0) and maybe CLOCK_MS";
            } else {
                block->alive = true;
                block->aliveSeconds = seconds;
                block->aliveIntervalMs = interval;
                block->aliveClockMs = clock;
            }
        } else {
            why = "unknown directive \"" + std::string(word) + "\"";
        }
        if (!why.empty()) {
            error = std::to_string(lineNumber) + ": " + why;
            return false;
        }
    }
    out = std::move(scenario);
    return true;
}

const Scenario* find_scenario(const std::vector<Scenario>& scenarios, std::string_view link) {
    for (const Scenario& s : scenarios) {
        for (const std::string& l : s.links) {
            if (l == link) {
                return &s;
            }
        }
    }
    const Scenario* best = nullptr;
    size_t bestLength = 0;
    for (const Scenario& s : scenarios) {
        for (const std::string& p : s.linkPrefixes) {
            if (p.size() > bestLength && link.substr(0, p.size()) == p) {
                best = &s;
                bestLength = p.size();
            }
        }
    }
    return best;
}

bool check_scenarios(const std::vector<Scenario>& scenarios, std::string& error) {
    for (size_t a = 0; a < scenarios.size(); ++a) {
        for (size_t b = a + 1; b < scenarios.size(); ++b) {
            for (const std::string& la : scenarios[a].links) {
                for (const std::string& lb : scenarios[b].links) {
                    if (la == lb) {
                        error = scenarios[a].name + " and " + scenarios[b].name + " both answer " + la;
                        return false;
                    }
                }
            }
        }
    }
    return true;
}

const ScenarioBlock* choose_block(const Scenario& scenario, const BlockQuery& query) {
    const ScenarioBlock* best = nullptr;
    size_t bestConditions = 0;
    bool bestOwnStyle = false;
    for (const ScenarioBlock& block : scenario.blocks) {
        bool download = is_download(block.kind);
        bool fits = query.kind == RunKind::Download ? download : block.kind == query.kind;
        if (!fits || !conditions_hold(block, query)) {
            continue;
        }
        size_t conditions = block.ifArgs.size() + block.ifExists.size();
        bool ownStyle = !download || (block.kind == RunKind::DownloadNewline) == query.newline;
        if (!best || conditions > bestConditions ||
            (conditions == bestConditions && ownStyle && !bestOwnStyle)) {
            best = &block;
            bestConditions = conditions;
            bestOwnStyle = ownStyle;
        }
    }
    return best;
}
