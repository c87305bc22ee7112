#include "tests/kit/replay.h"

#include <cstdio>

namespace {

bool starts_with(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

bool ends_with(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

// The text after prefix up to suffix, when line has both around it.
bool between(std::string_view line, std::string_view prefix, std::string_view suffix, std::string& out) {
    if (line.size() < prefix.size() + suffix.size() || !starts_with(line, prefix) || !ends_with(line, suffix)) {
        return false;
    }
    out = std::string(line.substr(prefix.size(), line.size() - prefix.size() - suffix.size()));
    return !out.empty();
}

}  // namespace

size_t record_end(std::string_view bytes, size_t start) {
    size_t end = bytes.find_first_of("\r\n", start);
    return end == std::string_view::npos ? bytes.size() : end + 1;
}

std::string replace_all(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    size_t pos = 0;
    while (!from.empty()) {
        size_t hit = text.find(from, pos);
        if (hit == std::string_view::npos) {
            break;
        }
        out.append(text.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
    }
    out.append(text.substr(pos));
    return out;
}

FileAction read_file_action(std::string_view record) {
    std::string_view line = record;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.remove_suffix(1);
    }
    FileAction action;
    std::string& path = action.path;
    if (between(line, "[download] Destination: ", "", path)) {
        action.effect = FileEffect::PartStarted;
    } else if (between(line, "[ExtractAudio] Destination: ", "", path) ||
               between(line, "[Merger] Merging formats into \"", "\"", path) ||
               between(line, "[download] ", " has already been downloaded", path)) {
        action.effect = FileEffect::FileMade;
    } else if (starts_with(line, "[Fixup")) {
        // "[FixupM3u8] Fixing MPEG-TS in MP4 container of "P"" and its kin quote the file last.
        size_t close = line.rfind('"');
        size_t open = close == std::string_view::npos || close == 0 ? std::string_view::npos : line.rfind('"', close - 1);
        if (open != std::string_view::npos && close > open + 1) {
            path = std::string(line.substr(open + 1, close - open - 1));
            action.effect = FileEffect::FileMade;
        }
    } else if (between(line, "[info] Writing video subtitles to: ", "", path)) {
        action.effect = FileEffect::SubtitleWritten;
    } else if (starts_with(line, "[SubtitlesConvertor] Converting subtitles")) {
        action.effect = FileEffect::SubtitlesConverted;
    } else if (between(line, "Deleting original file ", " (pass -k to keep)", path)) {
        action.effect = FileEffect::FileDeleted;
    } else if (line.find("[download] 100% ") != std::string_view::npos) {
        // The closing "100% of X in T" of a run; "100.0%" updates may still be followed by more fragments.
        action.effect = FileEffect::PartFinished;
    }
    return action;
}

std::string with_extension(std::string_view path, std::string_view extension) {
    size_t name = path.find_last_of("\\/");
    size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || (name != std::string_view::npos && dot < name)) {
        dot = path.size();
    }
    std::string out(path.substr(0, dot));
    out += '.';
    out.append(extension);
    return out;
}

std::string expand_alive_record(std::string_view pattern, unsigned count, uint64_t clockMs) {
    char number[16];
    std::snprintf(number, sizeof(number), "%u", count);
    uint64_t centis = clockMs / 10;
    char time[32];
    std::snprintf(time, sizeof(time), "%02u:%02u:%02u.%02u", static_cast<unsigned>(centis / 360000),
                  static_cast<unsigned>(centis / 6000 % 60), static_cast<unsigned>(centis / 100 % 60),
                  static_cast<unsigned>(centis % 100));
    return replace_all(replace_all(pattern, "{n}", number), "{time}", time);
}
