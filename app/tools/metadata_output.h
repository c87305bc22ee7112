// Reading yt-dlp's -j output: JSON lines into the item's video information
// and playlist entries, and the error, sign-in and password messages around
// them. The same collector reads a cached copy of that output.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/tools/download_record.h"

constexpr uint32_t METADATA_LINE_START = 1u << 20;  // the line buffer grows in steps of this
constexpr uint32_t METADATA_LINE_LIMIT = 16u << 20;

// The collector's state for one run (on the job's stack).
struct MetadataOutput {
    char* line;        // zero-filled, always a zero byte after the collected bytes
    uint32_t length;
    uint32_t capacity;
    // Where the raw output is copied while the tool runs (the cache file);
    // null while a cached copy is read back.
    void* cacheFile;
    bool (*writeCache)(void* cacheFile, const char* bytes, uint32_t length);
    // Tells the item window about an accepted document (STATE_INFO).
    void (*postState)(DownloadRecord& item, ItemState state);
    const wchar_t* userLanguage;  // ISO 639 code of the interface language
};

bool prepare_metadata_output(MetadataOutput& output);
void release_metadata_output(MetadataOutput& output);

// The OutputSink of the metadata job: context is the MetadataOutput, owner
// the DownloadRecord. Returns 0 to stop reading.
int collect_metadata_output(const char* chunk, uint32_t length, uint32_t before, void* context, uintptr_t reserved,
                            void* owner);
// One complete JSON line: the link's own document first, then one document
// per further playlist entry. 1 when it was stored.
int accept_metadata_document(DownloadRecord& item, const char* line, MetadataOutput& output);

// Frees the playlist entries and their strings.
void free_playlist_entries(DownloadRecord& item);
