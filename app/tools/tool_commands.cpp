#include "app/tools/tool_commands.h"

#include <string>

#include "app/media/choice_memory.h"
#include "app/media/format_choices.h"
#include "app/tools/command_line.h"
#include "base/text.h"

namespace {

// The first token: the tool's own path, quoted when it holds a blank.
void start_with_tool(wchar_t* line, size_t capacity, const wchar_t* path) {
    text_copy(line, capacity, L"");
    append_argument(line, capacity, path);
    // append_argument puts a blank before every argument; the line starts with the tool.
    size_t n = text_length(line);
    if (n > 0 && line[0] == L' ') {
        text_copy_n(line, capacity, line + 1, n - 1);
    }
}

void append_common_options(const DownloadRecord& item, wchar_t* line, size_t capacity) {
    if (item.proxy[0]) {
        append_raw(line, capacity, L" --proxy");
        append_argument(line, capacity, item.proxy);
    }
    if (item.cookieArgument[0]) {
        append_raw(line, capacity, L" --cookies-from-browser");
        append_argument(line, capacity, item.cookieArgument);
    }
    if (item.videoPassword[0]) {
        append_raw(line, capacity, L" --video-password");
        append_argument(line, capacity, item.videoPassword);
    }
}

void append_extra_and_link(const DownloadRecord& item, wchar_t* line, size_t capacity) {
    if (item.extraOptions[0]) {
        append_raw(line, capacity, L" ");
        append_raw(line, capacity, item.extraOptions);
    }
    // After "--" the link is a link, whatever it starts with.
    append_raw(line, capacity, L" --");
    append_argument(line, capacity, item.url ? item.url : L"");
}

bool is_file_name_safe(wchar_t c) {
    // Characters Windows refuses in file names, and yt-dlp's template mark.
    for (const wchar_t* bad = L"<>:\"/\\|?*%"; *bad; ++bad) {
        if (c == *bad) {
            return false;
        }
    }
    return c >= 0x20;
}

// The -o template: the folder, then the file-name part.
void output_template(const DownloadRecord& item, const DownloadCommandContext& context, bool live, std::wstring& out) {
    out = item.outputFolder;
    const VideoInfo& info = item.info;
    if (live) {
        // The time keeps recordings of the same stream apart.
        out += L"\\%(title)s-%(format_id)s.";
        if (context.clock && *context.clock) {
            out += context.clock;
            out += L".";
        }
        out += L"%(ext)s";
        return;
    }
    const wchar_t* title = info.title ? info.title : L"";
    if (text_length(item.outputFolder) + text_length(title) + 20 < 260) {
        wchar_t suffix[QUALITY_SUFFIX_CAPACITY] = L"";
        int selected = item.selectedChoice;
        if (selected >= 0 && static_cast<uint32_t>(selected) < info.formatCount &&
            (info.formats[selected].kind & KIND_VIDEO)) {
            quality_suffix(info.formats[selected], suffix);
        }
        out += suffix[0] ? std::wstring(L"\\%(title)s-") + suffix + L".%(ext)s" : L"\\%(title)s.%(ext)s";
        return;
    }
    wchar_t name[65];
    fallback_file_name(title, name);
    out += L"\\";
    out += name;
    out += L"-%(format_id)s.%(ext)s";
}

void append_format_part(const DownloadRecord& item, const DownloadCommandContext& context, wchar_t* line,
                        size_t capacity) {
    const VideoInfo& info = item.info;
    if (item.subtitlesOnly) {
        const SubtitleTrack* track = default_subtitle_track(info, context.userLanguage);
        if (track && track->key[0]) {
            wchar_t arguments[SUBTITLE_ARGUMENTS_CAPACITY];
            subtitles_only_arguments(track->key, track->isAuto != 0, arguments);
            append_raw(line, capacity, L" ");
            append_raw(line, capacity, arguments);
        }
        return;
    }
    int selected = item.selectedChoice;
    if (selected < 0 || static_cast<uint32_t>(selected) >= info.formatCount) {
        return;
    }
    const wchar_t* token = info.formats[selected].formatId;
    if (text_equal_nocase(token, TOKEN_BEST)) {
        if (item.playlistCount != 0) {
            append_raw(line, capacity, L" -f");
            append_argument(line, capacity, PLAYLIST_BEST_SELECTOR);
        }
    } else if (text_equal_nocase(token, TOKEN_MP3)) {
        append_raw(line, capacity, L" -x --audio-format mp3 --audio-quality 320K");
    } else if (text_equal_nocase(token, TOKEN_EXTRACT_AUDIO)) {
        append_raw(line, capacity, L" -x");
    } else if (token[0]) {
        append_raw(line, capacity, L" -f");
        append_argument(line, capacity, token);
    }
}

void append_embedded_subtitles(const DownloadRecord& item, const DownloadCommandContext& context, wchar_t* line,
                               size_t capacity) {
    if (item.subtitlesOnly || item.subtitleMode == 0) {
        return;
    }
    SubtitleSuggestion suggestions[2];
    int count = subtitle_suggestions(item.info, context.userLanguage, suggestions);
    if (count == 0) {
        return;
    }
    int mode = item.subtitleMode;
    if (count < 2 && (mode == 2 || mode == 3)) {
        mode = 1;
    }
    std::wstring keys;
    bool automatic;
    if (mode == 1) {
        keys = suggestions[0].track->key;
        automatic = suggestions[0].isAuto != 0;
    } else if (mode == 2) {
        keys = suggestions[1].track->key;
        automatic = suggestions[1].isAuto != 0;
    } else {
        keys = std::wstring(suggestions[0].track->key) + L"," + suggestions[1].track->key;
        automatic = suggestions[0].isAuto || suggestions[1].isAuto;
    }
    append_raw(line, capacity, L" --embed-subs --sub-langs");
    append_argument(line, capacity, keys.c_str());
    if (automatic) {
        append_raw(line, capacity, L" --write-auto-subs");
    }
}

}  // namespace

void quality_suffix(const MediaFormat& format, wchar_t (&out)[QUALITY_SUFFIX_CAPACITY]) {
    out[0] = 0;
    if (format.height == 0) {
        return;
    }
    if (format.fps > 30) {
        text_format(out, L"%up%u", format.quality, format.fps);
    } else {
        text_format(out, L"%up", format.quality);
    }
}

void subtitles_only_arguments(const wchar_t* key, bool automatic, wchar_t (&out)[SUBTITLE_ARGUMENTS_CAPACITY]) {
    text_copy(out, L"--skip-download --write-subs --sub-langs");
    append_argument(out, key);
    append_raw(out, L" --convert-subs srt");
    if (automatic) {
        append_raw(out, L" --write-auto-subs");
    }
}

void fallback_file_name(const wchar_t* title, wchar_t (&out)[65]) {
    std::wstring name;
    size_t n = 0;
    for (const wchar_t* p = title ? title : L""; *p && n < 259; ++p, ++n) {
        wchar_t c = (*p > 0x7F || !is_file_name_safe(*p)) ? L' ' : *p;
        if (c == L' ' && !name.empty() && name.back() == L' ') {
            continue;  // one blank for a run
        }
        name += c;
    }
    if (name.size() > 64) {
        name.resize(64);
    }
    if (name.empty()) {
        name = L"file_unknown";
    }
    text_copy(out, name.c_str());
}

bool build_playlist_items(const DownloadRecord& item, wchar_t (&out)[256]) {
    out[0] = 0;
    unsigned received = item.documentsReceived;
    if (received > static_cast<unsigned>(MAX_PLAYLIST_ENTRIES)) {
        received = MAX_PLAYLIST_ENTRIES;
    }
    if (!item.playlistEntries || received == 0) {
        return false;
    }
    unsigned selected = 0;
    for (unsigned k = 0; k < received; ++k) {
        selected += item.playlistEntries[k].selected ? 1 : 0;
    }
    if (selected == 0 || selected == received) {
        return false;
    }
    std::wstring text;
    auto write_run = [&](unsigned first, unsigned last) {
        if (!text.empty()) {
            text += L",";
        }
        if (first == last) {
            text += std::to_wstring(first);
        } else if (last == first + 1) {
            text += std::to_wstring(first) + L"," + std::to_wstring(last);
        } else {
            text += std::to_wstring(first) + L"-" + std::to_wstring(last);
        }
    };
    bool open = false;
    unsigned runFirst = 0, runLast = 0;
    for (unsigned k = 0; k < item.playlistCount; ++k) {
        unsigned index;
        if (k < received) {
            if (!item.playlistEntries[k].selected) {
                continue;
            }
            index = item.playlistEntries[k].playlistIndex;
        } else if (item.selectAll) {
            index = k + 1;
        } else {
            break;
        }
        if (open && index == runLast + 1) {
            runLast = index;
            continue;
        }
        if (open) {
            write_run(runFirst, runLast);
        }
        open = true;
        runFirst = runLast = index;
    }
    if (open) {
        write_run(runFirst, runLast);
    }
    text_copy(out, text.c_str());
    return out[0] != 0;
}

void build_metadata_command(const DownloadRecord& item, const wchar_t* ytdlpPath,
                            wchar_t (&line)[METADATA_COMMAND_CAPACITY]) {
    start_with_tool(line, METADATA_COMMAND_CAPACITY, ytdlpPath);
    append_raw(line, L" -j -i");
    append_common_options(item, line, METADATA_COMMAND_CAPACITY);
    append_extra_and_link(item, line, METADATA_COMMAND_CAPACITY);
}

void build_download_command(const DownloadRecord& item, const DownloadCommandContext& context,
                            wchar_t (&line)[DOWNLOAD_COMMAND_CAPACITY]) {
    const size_t capacity = DOWNLOAD_COMMAND_CAPACITY;
    start_with_tool(line, capacity, context.ytdlpPath);
    bool live = is_live_source(item.info);
    std::wstring templ;
    output_template(item, context, live, templ);
    append_raw(line, L" -o");
    append_argument(line, templ.c_str());
    if (live) {
        append_raw(line, L" --no-playlist");
    }
    append_raw(line, L" -i");
    append_common_options(item, line, capacity);

    if (item.playlistCount != 0) {
        wchar_t selection[256];
        if (item.playlistItems[0]) {
            text_copy(selection, item.playlistItems);
        } else {
            build_playlist_items(item, selection);
        }
        if (selection[0]) {
            append_raw(line, L" --playlist-items");
            append_argument(line, selection);
        } else {
            bool anySelected = false;
            unsigned received = item.documentsReceived;
            for (unsigned k = 0; item.playlistEntries && k < received && k < static_cast<unsigned>(MAX_PLAYLIST_ENTRIES);
                 ++k) {
                anySelected |= item.playlistEntries[k].selected != 0;
            }
            if (!anySelected) {
                append_raw(line, L" --no-playlist");
            }
        }
    }
    append_format_part(item, context, line, capacity);
    append_embedded_subtitles(item, context, line, capacity);
    append_raw(line, L" --encoding UTF-8");
    append_extra_and_link(item, line, capacity);
}
