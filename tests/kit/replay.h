// How the stand-in replays recorded output: records, the output folder
// swap, and the files each record says the tool made. Portable text rules.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The folder every recorded download names (PROVENANCE.md of the fixtures).
constexpr std::string_view RECORDED_OUTPUT_FOLDER = "C:\\Users\\user\\Downloads\\";

// The end of the record that starts at start: just after the first '\n' or
// '\r', or the end of bytes. yt-dlp writes progress without --newline as
// "\r"-separated updates, so each update is a record of its own.
size_t record_end(std::string_view bytes, size_t start);

std::string replace_all(std::string_view text, std::string_view from, std::string_view to);

enum class FileEffect {
    None,
    PartStarted,         // "[download] Destination: P": P.part appears, P once it is complete
    PartFinished,        // "[download] 100% ...": the pending P.part becomes P
    FileMade,            // merger, audio extraction, fixup, "has already been downloaded": P exists
    SubtitleWritten,     // "[info] Writing video subtitles to: P": P exists, converted later
    SubtitlesConverted,  // "[SubtitlesConvertor] ...": each written subtitle gets the new format
    FileDeleted,         // "Deleting original file P (pass -k to keep)"
};

struct FileAction {
    FileEffect effect = FileEffect::None;
    std::string path;  // UTF-8, as the record names it
};

FileAction read_file_action(std::string_view record);

// path with the extension of its file name replaced by extension (no dot).
std::string with_extension(std::string_view path, std::string_view extension);

// The stay-alive record: {n} becomes the count (from 1), {time} clockMs as
// HH:MM:SS.cc, the way ffmpeg shows a recording's length.
std::string expand_alive_record(std::string_view pattern, unsigned count, uint64_t clockMs);
