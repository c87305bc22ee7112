#include "app/tools/metadata_output.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "app/tools/tool_messages.h"
#include "base/sys_string.h"
#include "base/text.h"
#include "base/utf.h"
#include "ui/translation.h"

namespace {

constexpr size_t ERROR_SCAN = 511;
constexpr size_t ERROR_KEEP = 255;

void post(MetadataOutput& output, DownloadRecord& item, ItemState state) {
    if (output.postState) {
        output.postState(item, state);
    }
}

PlaylistEntry* entries_of(DownloadRecord& item) {
    if (!item.playlistEntries) {
        item.playlistEntries = static_cast<PlaylistEntry*>(std::calloc(MAX_PLAYLIST_ENTRIES, sizeof(PlaylistEntry)));
    }
    return item.playlistEntries;
}

// Stores what an "ERROR: " line says; false when the tool failed before any
// document, so that reading stops.
bool take_error_line(DownloadRecord& item, std::string_view chunk, size_t at) {
    size_t end = at;
    while (end < chunk.size() && end - at < ERROR_SCAN && chunk[end] != '\r' && chunk[end] != '\n' && chunk[end]) {
        ++end;
    }
    std::string_view text = chunk.substr(at, end - at);
    if (item.videoPassword[0] && (bytes_contain_nocase(text, "password") || bytes_contain_nocase(text, "passcode"))) {
        item.passwordNeeded = 1;
        item.loginDuringDownload = 0;
    }
    size_t please = bytes_find_nocase(text, "please");
    if (please != std::string_view::npos) {
        text = text.substr(0, please);
    }
    if (text.size() > ERROR_KEEP) {
        size_t cut = ERROR_KEEP;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
            --cut;  // never inside a character
        }
        text = text.substr(0, cut);
    }
    utf8_to_utf16(text.data(), text.size(), item.errorText, sizeof(item.errorText) / sizeof(wchar_t));
    return item.documentsReceived != 0;
}

// What a chunk that ends on a line boundary says besides its JSON.
bool classify_chunk(DownloadRecord& item, std::string_view chunk) {
    if (is_sign_in_message(chunk)) {
        item.loginNeeded = 1;
        item.loginDuringDownload = 0;
        if (!item.errorText[0]) {
            text_copy(item.errorText, UI_TEXT(L"This video requires authentication"));
        }
    }
    if (bytes_contain_nocase(chunk, "--video-password")) {
        item.passwordNeeded = 1;
        item.loginDuringDownload = 0;
    }
    size_t error = bytes_find_nocase(chunk, "ERROR: ");
    return error == std::string_view::npos || take_error_line(item, chunk, error);
}

}  // namespace

bool prepare_metadata_output(MetadataOutput& output) {
    output.line = static_cast<char*>(std::calloc(METADATA_LINE_START + 1, 1));
    output.length = 0;
    output.capacity = output.line ? METADATA_LINE_START : 0;
    return output.line != nullptr;
}

void release_metadata_output(MetadataOutput& output) {
    std::free(output.line);
    output.line = nullptr;
    output.length = output.capacity = 0;
}

void free_playlist_entries(DownloadRecord& item) {
    if (!item.playlistEntries) {
        return;
    }
    for (int i = 0; i < MAX_PLAYLIST_ENTRIES; ++i) {
        free_playlist_entry(item.playlistEntries[i]);
    }
    std::free(item.playlistEntries);
    item.playlistEntries = nullptr;
}

int accept_metadata_document(DownloadRecord& item, const char* line, MetadataOutput& output) {
    if (item.documentsReceived == 0) {
        if (!read_video_info(item, item.info, line, output.userLanguage) || item.abortMetadata) {
            return 0;
        }
        item.info.entrySelected = item.selectAll ? 1 : 0;
        item.documentsReceived = 1;
        post(output, item, STATE_INFO);
        return 1;
    }
    // A second document: the link is a playlist and its first document
    // becomes entry 0.
    if (item.documentsReceived == 1) {
        PlaylistEntry* entries = entries_of(item);
        if (!entries) {
            return 0;
        }
        PlaylistEntry& first = entries[0];
        free_playlist_entry(first);
        first.playlistIndex = item.info.playlistIndex;
        first.selected = item.info.entrySelected;
        first.title = item.info.title ? sys_string_new(item.info.title, text_length(item.info.title)) : nullptr;
        first.id = item.info.id ? sys_string_new(item.info.id, text_length(item.info.id)) : nullptr;
    }
    PlaylistEntry entry = {};
    read_playlist_entry(item, line, entry);
    unsigned index = item.documentsReceived;
    PlaylistEntry* entries = entries_of(item);
    if (item.abortMetadata || index >= static_cast<unsigned>(MAX_PLAYLIST_ENTRIES) || !entries) {
        free_playlist_entry(entry);
        return 0;
    }
    free_playlist_entry(entries[index]);
    entries[index] = entry;
    item.documentsReceived = index + 1;
    post(output, item, STATE_INFO);
    return 1;
}

int collect_metadata_output(const char* chunk, uint32_t length, uint32_t, void* context, uintptr_t, void* owner) {
    auto& output = *static_cast<MetadataOutput*>(context);
    auto& item = *static_cast<DownloadRecord*>(owner);
    for (uint32_t i = 0; i < length; ++i) {
        char c = chunk[i];
        if (output.length == 0) {
            if (c != '{') {
                continue;  // a document starts at the first "{" after a line end
            }
        } else if (c == '\r' || c == '\n') {
            if (item.abortMetadata) {
                return 0;
            }
            if (output.length > 2) {
                accept_metadata_document(item, output.line, output);
            }
            if (item.abortMetadata) {
                return 0;
            }
            std::memset(output.line, 0, output.length);  // the rest is zero already
            output.length = 0;
            continue;
        }
        if (!output.line || output.length >= output.capacity) {
            break;  // the line is full: the rest of this chunk is not collected
        }
        output.line[output.length++] = c;
        if (output.length == output.capacity) {
            uint32_t grown = output.capacity + METADATA_LINE_START;
            void* bigger = grown <= METADATA_LINE_LIMIT ? std::realloc(output.line, grown + 1) : nullptr;
            if (!bigger) {
                break;
            }
            output.line = static_cast<char*>(bigger);
            std::memset(output.line + output.capacity, 0, METADATA_LINE_START + 1);
            output.capacity = grown;
        }
    }
    if (output.length == 0 && !classify_chunk(item, std::string_view(chunk, length))) {
        return 0;  // the tool failed before it produced anything
    }
    if (output.cacheFile && output.writeCache) {
        output.writeCache(output.cacheFile, chunk, length);
    }
    return 1;
}
