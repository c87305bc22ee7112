// read_video_info and read_playlist_entry on one arbitrary yt-dlp -j document:
// whatever the text, the fixed-size records must come back in bounds,
// terminated, with choice indexes that point into the list.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>

#include "app/media/video_info.h"
#include "base/text.h"

namespace {

const wchar_t USER_LANGUAGE[] = L"de";

[[noreturn]] void broken(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

void require(bool condition, const char* what) {
    if (!condition) {
        broken(what);
    }
}

// UTF-16 code units (wchar_t is wider off Windows) with every surrogate
// paired: the bounded copies promise never to split a pair.
void check_units(const wchar_t* text, size_t units, const char* field) {
    for (size_t i = 0; i < units; ++i) {
        auto u = static_cast<uint32_t>(text[i]);
        if (u > 0xFFFF) {
            broken(field);
        }
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 1 >= units) {
                broken(field);
            }
            auto low = static_cast<uint32_t>(text[i + 1]);
            if (low < 0xDC00 || low > 0xDFFF) {
                broken(field);
            }
            ++i;
        } else if (u >= 0xDC00 && u <= 0xDFFF) {
            broken(field);
        }
    }
}

// A fixed field must hold its terminator inside its own capacity.
// wmemchr rather than a loop of our own: this runs over every slot of every
// record for each input, and the harness's own loops carry coverage callbacks.
template <size_t N>
void check_fixed(const wchar_t (&text)[N], const char* field) {
    const wchar_t* end = std::wmemchr(text, 0, N);
    if (!end) {
        std::fprintf(stderr, "field %s has no terminator within %zu units\n", field, N);
        broken("fixed text field not terminated");
    }
    check_units(text, static_cast<size_t>(end - text), field);
}

void check_owned(const wchar_t* text, const char* field) {
    if (text) {
        check_units(text, text_length(text), field);
    }
}

void check_format(const MediaFormat& f) {
    check_fixed(f.formatId, "formatId");
    check_fixed(f.ext, "ext");
    check_fixed(f.format, "format");
    check_fixed(f.acodec, "acodec");
    check_fixed(f.dynamicRange, "dynamicRange");
    check_fixed(f.vcodec, "vcodec");
    check_fixed(f.language, "language");
}

void check_video_info(const ChoiceState& item, const VideoInfo& info) {
    require(info.formatCount <= MAX_FORMATS, "formatCount above MAX_FORMATS");
    require(info.subtitleCount <= MAX_SUBTITLES, "subtitleCount above MAX_SUBTITLES");
    require(info.audioGroupCount <= MAX_AUDIO_GROUPS, "audioGroupCount above MAX_AUDIO_GROUPS");

    // Every slot, listed or not: the ones past the count hold what earlier
    // rules moved or left there, and were written by the same copies.
    for (const MediaFormat& f : info.formats) {
        check_format(f);
    }
    for (uint32_t i = 0; i < info.formatCount; ++i) {
        require(info.formats[i].formatId[0] != 0, "a download choice without a format id");
    }
    for (const AudioGroup& g : info.audioGroups) {
        check_fixed(g.ext, "audioGroup.ext");
        check_fixed(g.originalId, "audioGroup.originalId");
        check_fixed(g.originalLanguage, "audioGroup.originalLanguage");
        check_fixed(g.userId, "audioGroup.userId");
        check_fixed(g.userLanguage, "audioGroup.userLanguage");
    }
    for (const SubtitleTrack& t : info.subtitles) {
        check_fixed(t.ext, "subtitle.ext");
        check_fixed(t.language, "subtitle.language");
        check_fixed(t.key, "subtitle.key");
    }
    for (uint32_t i = 0; i < info.subtitleCount; ++i) {
        const SubtitleTrack& t = info.subtitles[i];
        require(text_equal(t.ext, L"vtt"), "a subtitle track that is not vtt");
        require(t.language[0] != 0, "a subtitle track without a language");
        for (uint32_t k = 0; k < i; ++k) {
            require(!text_equal_nocase(info.subtitles[k].language, t.language), "two subtitle tracks of one language");
        }
    }
    check_fixed(info.videoLanguage, "videoLanguage");
    check_owned(info.extractor, "extractor");
    check_owned(info.title, "title");
    check_owned(info.playlistTitle, "playlistTitle");
    check_owned(info.thumbnail, "thumbnail");
    check_owned(info.id, "id");

    require(item.selectedChoice == 0 ||
                (item.selectedChoice > 0 && static_cast<uint32_t>(item.selectedChoice) < info.formatCount),
            "selectedChoice outside the list");
    require(item.dubbedChoice == NO_DUBBED_CHOICE ||
                (item.dubbedChoice >= 0 && static_cast<uint32_t>(item.dubbedChoice) < info.formatCount),
            "dubbedChoice outside the list");
    if (item.dubbedChoice != NO_DUBBED_CHOICE) {
        require(info.formats[item.dubbedChoice].dubbed != 0, "dubbedChoice names a choice that is not dubbed");
    }
}

// A zero-filled VideoInfo to compare with; static, so it costs no page faults.
const VideoInfo kEmptyInfo = {};

bool is_all_zero(const void* block, size_t size) {
    return size <= sizeof(kEmptyInfo) && std::memcmp(block, &kEmptyInfo, size) == 0;
}

// One heap block for every input, zero-filled before each: a fresh 90 KB
// block per input would walk AddressSanitizer's quarantine through new pages
// and spend most of the run in page faults. The block keeps its redzones, so
// a write past the record is still reported.
VideoInfo* empty_info() {
    static VideoInfo* info = static_cast<VideoInfo*>(std::malloc(sizeof(VideoInfo)));
    if (info) {
        std::memset(info, 0, sizeof(VideoInfo));
    }
    return info;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size terminated copy, so a read past the terminator is an
    // AddressSanitizer report rather than a look at spare capacity.
    std::unique_ptr<char[]> text(new char[size + 1]);
    if (size) {
        std::memcpy(text.get(), data, size);
    }
    text[size] = 0;

    // About 90 KB: on the heap, zero-filled as the program's records start.
    VideoInfo* info = empty_info();
    if (!info) {
        return 0;
    }
    ChoiceState item;
    std::memset(&item, 0, sizeof(item));
    item.dubbedChoice = NO_DUBBED_CHOICE;

    read_video_info(item, *info, text.get(), USER_LANGUAGE);
    check_video_info(item, *info);

    PlaylistEntry entry;
    std::memset(&entry, 0, sizeof(entry));
    require(read_playlist_entry(item, text.get(), entry), "read_playlist_entry returned false");
    check_owned(entry.title, "entry.title");
    check_owned(entry.id, "entry.id");
    free_playlist_entry(entry);
    require(is_all_zero(&entry, sizeof(entry)), "free_playlist_entry left the record filled");

    free_video_info(*info);
    require(is_all_zero(info, sizeof(VideoInfo)), "free_video_info left the record filled");
    return 0;
}
