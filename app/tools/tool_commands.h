// The yt-dlp command lines of the metadata and download jobs.
//
// Every value that comes from data (the link, the proxy, the password, the
// cookie source, format ids, subtitle keys, the output template) reaches
// yt-dlp as exactly one argument, and the link follows "--", so nothing a
// link or a typed value holds can be read as an option. The user's extra
// options stay verbatim: they are the user's own arguments.
#pragma once

#include <cstddef>

#include "app/tools/download_record.h"

constexpr size_t METADATA_COMMAND_CAPACITY = 2048;
constexpr size_t DOWNLOAD_COMMAND_CAPACITY = 4096;
constexpr size_t QUALITY_SUFFIX_CAPACITY = 24;      // "2160p120" and more
constexpr size_t SUBTITLE_ARGUMENTS_CAPACITY = 192;  // room for any key and every option

// The playlist selector that the best-video choice of a playlist uses.
inline constexpr wchar_t PLAYLIST_BEST_SELECTOR[] = L"bv*[ext=mp4]+ba[ext=m4a]/b[ext=mp4] / bv*+ba/b";

// yt-dlp -j for the item's link. The cookie source must be filled in first.
void build_metadata_command(const DownloadRecord& item, const wchar_t* ytdlpPath,
                            wchar_t (&line)[METADATA_COMMAND_CAPACITY]);

// What the download command needs besides the record.
struct DownloadCommandContext {
    const wchar_t* ytdlpPath;
    const wchar_t* userLanguage;  // interface language code, for the subtitle choice
    const wchar_t* clock;         // local time as HHmmss for a live recording's name; empty when unknown
};

void build_download_command(const DownloadRecord& item, const DownloadCommandContext& context,
                            wchar_t (&line)[DOWNLOAD_COMMAND_CAPACITY]);

// "--playlist-items" text when only part of a playlist is selected: runs of
// consecutive indexes joined ("1-3,5,7,8"). False (empty) when every
// received entry, or none, is selected.
bool build_playlist_items(const DownloadRecord& item, wchar_t (&out)[256]);
// "1080p", "720p60"; empty when the height is unknown.
void quality_suffix(const MediaFormat& format, wchar_t (&out)[QUALITY_SUFFIX_CAPACITY]);
// The arguments of a subtitles-only download of one track, each key one argument.
void subtitles_only_arguments(const wchar_t* key, bool automatic, wchar_t (&out)[SUBTITLE_ARGUMENTS_CAPACITY]);
// The file-name part used when the title makes the path too long: the
// title's ASCII characters, blanks collapsed, at most 64 characters.
void fallback_file_name(const wchar_t* title, wchar_t (&out)[65]);
