// The rules of a download item that need no window: what counts as a link,
// the video id of a link, the status texts, and the record of the list file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/tools/download_record.h"

constexpr size_t LINK_CAPACITY = 2048;

// After trimming blanks and line breaks at both ends (at most 2047 units):
// holds a '.' and neither a space nor a backslash.
bool check_link(const wchar_t* text);
// The same test; the trimmed text is the link, with "https://" in front when
// it has no "://". The whole text is one link. False leaves out empty.
bool normalise_link(const wchar_t* text, wchar_t (&out)[LINK_CAPACITY]);

// The value of the link's "v=" parameter (one that starts the link or
// follows '?', '/' or '&'), at most 63 units; empty when there is none.
std::wstring video_id_of(const wchar_t* link);

// The last element of a path (after its last backslash or slash).
const wchar_t* file_name_of(const wchar_t* path);

// An error text as the item shows it: the hints about command-line options
// that yt-dlp adds are cut off, with the punctuation they leave behind.
void clean_error_text(const wchar_t* error, wchar_t (&out)[256]);

// The status line of a downloading item: the phase text, else the status
// text with the percentage when one is known.
void progress_status_text(const DownloadRecord& item, wchar_t (&out)[256]);

// The list file: fixed records of 5796 bytes, little-endian, texts UTF-16LE
// zero-terminated and zero-padded, written from the bottom of the list up.
constexpr size_t LIST_RECORD_SIZE = 5796;

struct ListRecord {
    wchar_t key[64];
    wchar_t link[2048];
    wchar_t outputFolder[260];
    wchar_t outputPath[260];
    wchar_t playlistItems[256];
    int32_t duration;
    int32_t selectedChoice;
    int32_t state;
    int32_t subtitlesOnly;
    int32_t subtitleMode;
};

// Fills a record from the item (the link cut to 2047 units).
void item_to_record(const DownloadRecord& item, ListRecord& record);
// The record's 5796 bytes; and a record read back from them (a text ends at
// its first zero or at the end of its field).
void encode_list_record(const ListRecord& record, unsigned char (&bytes)[LIST_RECORD_SIZE]);
void decode_list_record(const unsigned char* bytes, ListRecord& record);
