// What the program keeps of yt-dlp's metadata: fixed-size records filled
// from the JSON documents of yt-dlp -j.
#pragma once

#include <cstddef>
#include <cstdint>

class JsonValue;

constexpr uint32_t MAX_FORMATS = 64;
constexpr uint32_t MAX_AUDIO_GROUPS = 8;
constexpr uint32_t MAX_SUBTITLES = 16;
constexpr int NO_DUBBED_CHOICE = 64;  // dubbedChoice when there is no dubbed variant

// kind bits of a MediaFormat
constexpr uint32_t KIND_AUDIO = 1;
constexpr uint32_t KIND_VIDEO = 2;

// One format of yt-dlp's list, and after the choice rules one download choice.
struct MediaFormat {
    wchar_t formatId[128];      // a yt-dlp selector, or "tavlo_best" / "tavlo_mp3" / "tavlo_ext_audio"
    wchar_t ext[16];
    wchar_t format[64];         // yt-dlp's one-line description
    wchar_t acodec[32];
    wchar_t dynamicRange[16];   // only when not "SDR"
    wchar_t vcodec[32];
    uint32_t quality;           // quality class in lines (144 .. 2160, or what the note says)
    uint32_t hdr;
    uint32_t aiUpscaled;
    uint32_t preferred;         // best of its quality class
    uint32_t listed;            // on the current format menu
    uint32_t compatible;        // the H.264-in-MP4 choice of the current menu
    wchar_t language[16];       // as given, not normalized
    uint32_t kind;              // KIND_AUDIO | KIND_VIDEO bits
    uint32_t height;
    uint32_t width;
    uint32_t fps;
    uint32_t abr;               // kbit/s
    uint32_t tbr;               // kbit/s
    uint64_t filesize;          // bytes, 0 = unknown; includes a paired audio part
    uint64_t audioSize;         // size of the paired audio part
    uint32_t dubbed;
};

// Per container: the best original-language and interface-language audio tracks.
struct AudioGroup {
    wchar_t ext[16];
    wchar_t originalId[128];
    uint64_t originalSize;
    uint64_t originalBitrate;
    wchar_t originalLanguage[16];
    wchar_t userId[128];
    uint64_t userSize;
    uint64_t userBitrate;
    wchar_t userLanguage[16];
};

struct SubtitleTrack {
    wchar_t ext[16];        // always "vtt"
    wchar_t language[16];   // normalized, unique within the list
    wchar_t key[32];        // the JSON key as given, used verbatim on the command line
    uint32_t isAuto;
};

// Owned strings are system strings (base/sys_string.h), null when empty.
struct VideoInfo {
    wchar_t* extractor;
    wchar_t* title;
    wchar_t* playlistTitle;
    wchar_t* thumbnail;
    wchar_t* id;
    uint32_t isLive;
    uint32_t entrySelected;
    uint32_t playlistIndex;
    uint32_t duration;          // whole seconds, 0 for live or unknown
    uint32_t formatCount;
    uint32_t subtitleCount;
    wchar_t videoLanguage[16];
    AudioGroup audioGroups[MAX_AUDIO_GROUPS];
    uint32_t audioGroupCount;
    MediaFormat formats[MAX_FORMATS];
    SubtitleTrack subtitles[MAX_SUBTITLES];
};

struct PlaylistEntry {
    uint32_t playlistIndex;     // 0 ends the list
    uint32_t selected;
    wchar_t* title;
    wchar_t* id;
};

// The fields of a download item that the metadata and choice rules read and move.
struct ChoiceState {
    int selectedChoice;         // index into formats
    int defaultChoice;          // index of the choice labelled best
    int choiceExplicit;         // 1 when the user picked it
    int dubbedChoice;           // index of the dubbed variant, NO_DUBBED_CHOICE when none
    uint32_t playlistCount;     // "n_entries" of the first document; 0 = not a playlist
    int selectAll;              // the playlist dialog's "Select all"
};

// Fills info and the choice fields from one NUL-terminated JSON document.
// userLanguage is the ISO 639 code of the interface language (may be empty).
// False when the text is not JSON, or holds neither a "formats" array nor a
// format of its own.
bool read_video_info(ChoiceState& item, VideoInfo& info, const char* text, const wchar_t* userLanguage);
// Fills entry from a later playlist document; always true. An unparsable text
// leaves entry as the caller initialised it.
bool read_playlist_entry(const ChoiceState& item, const char* text, PlaylistEntry& entry);
// Fills a zero-filled format; false when the object has no "format_id".
bool read_format(const JsonValue* object, MediaFormat& format);
// Language code of capacity 16, possibly empty: "en-orig" -> "en", "zh-Hans" stays.
void normalize_language(const wchar_t* text, wchar_t (&out)[16]);
bool is_drc_format(const wchar_t* formatId);
// The containers that only ever hold audio: m4a, aac, mp3, wma, ogg, oga, flac.
bool is_audio_extension(const wchar_t* ext);
bool is_live_source(const VideoInfo& info);
// Frees the owned strings and zero-fills the record.
void free_video_info(VideoInfo& info);
void free_playlist_entry(PlaylistEntry& entry);

// The ISO 639 code (at most 3 letters) of an interface language identifier;
// empty for 0 or an unknown language.
void interface_language_code(unsigned languageId, wchar_t (&out)[4]);
