#include "app/media/format_choices.h"

#include <cstring>

#include "base/text.h"

namespace {

bool has_video(const MediaFormat& f) {
    return (f.kind & KIND_VIDEO) != 0;
}

bool is_audio_only(const MediaFormat& f) {
    return f.kind == KIND_AUDIO;
}

// A video record in the sense of the pruning and marking rules.
bool is_sized_video(const MediaFormat& f) {
    return has_video(f) && f.height != 0;
}

bool is_mp4(const MediaFormat& f) {
    return text_equal_nocase(f.ext, L"mp4");
}

// Lower is better: AV1, then VP9, then H.264, then anything else.
int codec_preference(const MediaFormat& f) {
    return 3 - codec_class(f);
}

uint32_t duplicate_key(const MediaFormat& f) {
    return f.quality + 2000u * static_cast<uint32_t>(codec_class(f)) + 1000u * f.hdr;
}

// The audio-only record with the highest abr, in list order; ext null or
// empty takes any container. A record is taken when nothing is taken yet,
// when the taken one has no abr, or when its abr is strictly higher.
int best_audio_by_abr(const VideoInfo& info, const wchar_t* ext) {
    int taken = -1;
    for (uint32_t i = 0; i < info.formatCount; ++i) {
        const MediaFormat& f = info.formats[i];
        if (!is_audio_only(f) || (ext && *ext && !text_equal_nocase(f.ext, ext))) {
            continue;
        }
        if (taken < 0 || info.formats[taken].abr == 0 || f.abr > info.formats[taken].abr) {
            taken = static_cast<int>(i);
        }
    }
    return taken;
}

// Whether a new video format replaces its duplicate, decided at the first
// step whose values differ.
bool video_replaces(const MediaFormat& fresh, const MediaFormat& old) {
    if (fresh.aiUpscaled != old.aiUpscaled) {
        return !fresh.aiUpscaled;
    }
    if (is_mp4(fresh) != is_mp4(old)) {
        return is_mp4(fresh);
    }
    if ((fresh.filesize != 0) != (old.filesize != 0)) {
        return fresh.filesize != 0;
    }
    return fresh.tbr > old.tbr;
}

// Whether an audio-only format replaces the best one of its container;
// false drops it.
bool audio_replaces(const MediaFormat& fresh, const MediaFormat& old) {
    bool freshDrc = is_drc_format(fresh.formatId);
    bool oldDrc = is_drc_format(old.formatId);
    if (freshDrc && !oldDrc) {
        return false;
    }
    if (!freshDrc && oldDrc) {
        return true;
    }
    if (fresh.abr != old.abr) {
        return fresh.abr > old.abr;
    }
    return text_contains_nocase(fresh.format, L"http") || text_contains_nocase(fresh.format, L"original");
}

// Whether video record o takes the preferred mark from r (same quality class).
bool beats_for_preference(const MediaFormat& o, const MediaFormat& r) {
    if (is_mp4(o) != is_mp4(r)) {
        return is_mp4(o);
    }
    if ((o.filesize != 0) != (r.filesize != 0)) {
        return o.filesize != 0;
    }
    if (codec_preference(o) != codec_preference(r)) {
        return codec_preference(o) < codec_preference(r);
    }
    return o.tbr > r.tbr;
}

MediaFormat synthetic_choice(const wchar_t* token, const wchar_t* ext, uint32_t kind) {
    MediaFormat f;
    std::memset(&f, 0, sizeof(f));
    text_copy(f.formatId, token);
    text_copy(f.ext, ext);
    f.kind = kind;
    return f;
}

void repair_selection(ChoiceState& item, const VideoInfo& info) {
    if (item.selectedChoice != 0 &&
        (item.selectedChoice < 0 || static_cast<uint32_t>(item.selectedChoice) >= info.formatCount)) {
        item.selectedChoice = 0;
        item.choiceExplicit = 0;
    }
}

void remove_low_qualities(VideoInfo& info, uint32_t threshold) {
    uint32_t best = 0;
    for (uint32_t i = 0; i < info.formatCount; ++i) {
        if (is_sized_video(info.formats[i]) && info.formats[i].quality > best) {
            best = info.formats[i].quality;
        }
    }
    if (best < threshold) {
        return;
    }
    for (uint32_t i = 1; i < info.formatCount;) {
        const MediaFormat& f = info.formats[i];
        if (is_sized_video(f) && f.quality < threshold) {
            remove_format(info, i);
        } else {
            ++i;
        }
    }
}

void sort_choices(VideoInfo& info) {
    for (uint32_t g = 0; g < info.formatCount; ++g) {
        int candidate = -1;
        for (uint32_t i = g + 1; i < info.formatCount; ++i) {
            const MediaFormat& ref = candidate < 0 ? info.formats[g] : info.formats[candidate];
            if (compare_formats(ref, info.formats[i]) == -1) {
                candidate = static_cast<int>(i);
            }
        }
        if (candidate >= 0) {
            MediaFormat held = info.formats[g];
            info.formats[g] = info.formats[candidate];
            info.formats[candidate] = held;
        }
    }
}

}  // namespace

int codec_class(const MediaFormat& format) {
    const wchar_t* v = format.vcodec;
    if (text_starts_with(v, L"avc1")) {
        return 1;
    }
    if (text_starts_with_nocase(v, L"vp9") || text_starts_with_nocase(v, L"vp09")) {
        return 2;
    }
    if (text_starts_with(v, L"av01") || text_equal_nocase(v, L"av1")) {
        return 3;
    }
    return 0;
}

void classify_format(MediaFormat& f) {
    if (f.height != 0) {
        f.kind = KIND_AUDIO | KIND_VIDEO;
        if (text_contains_nocase(f.format, L"DASH video") || text_contains_nocase(f.format, L"video only")) {
            f.kind = KIND_VIDEO;
            return;
        }
    } else {
        f.kind = 0;
        if (is_audio_extension(f.ext)) {
            f.kind = KIND_AUDIO;
            return;
        }
        if (text_contains_nocase(f.format, L"DASH audio") || text_contains_nocase(f.format, L"audio only")) {
            if (is_mp4(f)) {
                text_copy(f.ext, L"m4a");
            }
            f.kind = KIND_AUDIO;
            return;
        }
        if (is_mp4(f)) {
            f.kind = KIND_AUDIO | KIND_VIDEO;
        }
    }
    // What the audio fields say overrides the guess above.
    bool acodecKnown = f.acodec[0] && !text_equal_nocase(f.acodec, L"none");
    if (f.abr != 0 || acodecKnown) {
        f.kind |= KIND_AUDIO;
    } else if (text_equal_nocase(f.acodec, L"none")) {
        f.kind &= ~KIND_AUDIO;
    }
}

bool insert_format(VideoInfo& info, uint32_t index, const MediaFormat& format) {
    if (info.formatCount >= MAX_FORMATS || index >= MAX_FORMATS) {
        return false;
    }
    if (index > info.formatCount) {
        index = info.formatCount;
    }
    std::memmove(&info.formats[index + 1], &info.formats[index],
                 (info.formatCount - index) * sizeof(MediaFormat));
    info.formats[index] = format;
    ++info.formatCount;
    return true;
}

void remove_format(VideoInfo& info, uint32_t index) {
    if (index >= info.formatCount || index >= MAX_FORMATS) {
        return;
    }
    std::memmove(&info.formats[index], &info.formats[index + 1],
                 (info.formatCount - index - 1) * sizeof(MediaFormat));
    --info.formatCount;
    std::memset(&info.formats[info.formatCount], 0, sizeof(MediaFormat));
}

void add_format(VideoInfo& info, const MediaFormat& format) {
    if (text_contains_nocase(format.ext, L"mhtml") || info.formatCount >= MAX_FORMATS) {
        return;  // storyboards are no download choice
    }
    MediaFormat f = format;
    classify_format(f);

    if (is_sized_video(f)) {
        uint32_t key = duplicate_key(f);
        for (uint32_t i = info.formatCount; i-- > 0;) {
            MediaFormat& old = info.formats[i];
            if (is_sized_video(old) && duplicate_key(old) == key) {
                if (video_replaces(f, old)) {
                    old = f;
                }
                return;
            }
        }
    } else if (is_audio_only(f)) {
        if (f.abr == 0 && f.tbr != 0) {
            f.abr = f.tbr;
        }
        int best = best_audio_by_abr(info, f.ext);
        if (best >= 0) {
            MediaFormat& old = info.formats[best];
            if (audio_replaces(f, old)) {
                old = f;
            }
            return;
        }
    }
    info.formats[info.formatCount++] = f;
}

int compare_formats(const MediaFormat& a, const MediaFormat& b) {
    bool audioA = is_audio_only(a);
    bool audioB = is_audio_only(b);
    if (audioA != audioB) {
        return audioB ? 1 : -1;
    }
    if (!audioA) {
        if (a.quality != b.quality) {
            return a.quality > b.quality ? 1 : -1;
        }
        if (a.hdr != b.hdr) {
            return a.hdr ? 1 : -1;
        }
        if (a.tbr != 0 && b.tbr != 0 && a.tbr != b.tbr) {
            return a.tbr > b.tbr ? 1 : -1;
        }
        if (is_mp4(a) != is_mp4(b)) {
            return is_mp4(a) ? 1 : -1;
        }
        if (text_contains_nocase(a.format, L"_hd_") && text_contains_nocase(b.format, L"_sd_")) {
            return 1;
        }
        if (text_contains_nocase(a.format, L"_sd_") && text_contains_nocase(b.format, L"_hd_")) {
            return -1;
        }
        return 0;
    }
    bool mp3A = text_equal_nocase(a.ext, L"mp3");
    bool mp3B = text_equal_nocase(b.ext, L"mp3");
    if (mp3A != mp3B) {
        return mp3A ? 1 : -1;
    }
    if (text_equal_nocase(a.ext, L"m4a") && text_equal_nocase(b.ext, L"webm")) {
        return 1;
    }
    if (text_equal_nocase(a.ext, L"webm") && text_equal_nocase(b.ext, L"m4a")) {
        return -1;
    }
    if (a.abr != b.abr) {
        return a.abr > b.abr ? 1 : -1;
    }
    return 0;
}

void prune_formats(VideoInfo& info) {
    uint32_t bestHdr = 0;
    for (uint32_t i = 0; i < info.formatCount; ++i) {
        const MediaFormat& f = info.formats[i];
        if (is_sized_video(f) && f.hdr && f.quality > bestHdr) {
            bestHdr = f.quality;
        }
    }
    // At the best HDR quality HDR stays; at lower qualities SDR stays, unless
    // only the HDR side has an MP4 of known size.
    for (uint32_t r = 0; r < info.formatCount;) {
        const MediaFormat& f = info.formats[r];
        if (!is_sized_video(f)) {
            ++r;
            continue;
        }
        bool anyHdr = false, anySdr = false, sdrSizedMp4 = false, hdrSizedMp4 = false;
        for (uint32_t i = 0; i < info.formatCount; ++i) {
            const MediaFormat& o = info.formats[i];
            if (!is_sized_video(o) || o.quality != f.quality) {
                continue;
            }
            bool sizedMp4 = is_mp4(o) && o.filesize != 0;
            if (o.hdr) {
                anyHdr = true;
                hdrSizedMp4 |= sizedMp4;
            } else {
                anySdr = true;
                sdrSizedMp4 |= sizedMp4;
            }
        }
        if (anyHdr && anySdr) {
            bool keepSdr = f.quality != bestHdr && (sdrSizedMp4 || !hdrSizedMp4);
            if ((f.hdr != 0) == keepSdr) {
                remove_format(info, r);
                continue;
            }
        }
        ++r;
    }
    for (uint32_t r = 0; r < info.formatCount;) {
        const MediaFormat& f = info.formats[r];
        bool twin = false;
        if (is_sized_video(f) && f.aiUpscaled) {
            for (uint32_t i = 0; i < info.formatCount && !twin; ++i) {
                const MediaFormat& o = info.formats[i];
                twin = i != r && is_sized_video(o) && !o.aiUpscaled && o.quality == f.quality && o.hdr == f.hdr;
            }
        }
        if (twin) {
            remove_format(info, r);
        } else {
            ++r;
        }
    }
}

void mark_preferred(VideoInfo& info) {
    for (uint32_t i = 0; i < info.formatCount; ++i) {
        MediaFormat& f = info.formats[i];
        f.listed = 0;
        if (!is_sized_video(f)) {
            f.preferred = 0;
        }
    }
    for (uint32_t r = 0; r < info.formatCount; ++r) {
        MediaFormat& f = info.formats[r];
        if (!is_sized_video(f)) {
            continue;
        }
        f.preferred = 1;
        for (uint32_t i = 0; i < info.formatCount; ++i) {
            const MediaFormat& o = info.formats[i];
            if (i != r && is_sized_video(o) && o.quality == f.quality && o.hdr == f.hdr &&
                beats_for_preference(o, f)) {
                f.preferred = 0;
                break;
            }
        }
    }
}

void pair_audio(VideoInfo& info, MediaFormat& video, const wchar_t* audioExt) {
    const wchar_t* audioId = nullptr;
    uint64_t audioSize = 0;
    const AudioGroup* group = nullptr;
    for (uint32_t g = 0; g < info.audioGroupCount && !group; ++g) {
        if (text_equal_nocase(info.audioGroups[g].ext, audioExt)) {
            group = &info.audioGroups[g];
        }
    }
    if (group && group->originalId[0]) {
        audioId = group->originalId;
        audioSize = group->originalSize;
    } else {
        int best = best_audio_by_abr(info, audioExt);
        if (best < 0) {
            best = best_audio_by_abr(info, nullptr);
        }
        if (best < 0) {
            return;
        }
        audioId = info.formats[best].formatId;
        audioSize = info.formats[best].filesize;
    }
    if (!audioId[0]) {
        return;
    }
    text_append(video.formatId, L"+");
    text_append(video.formatId, audioId);
    if (video.filesize != 0) {
        video.audioSize = audioSize;
        video.filesize += audioSize;
    }
}

void add_audio_conversions(VideoInfo& info) {
    if (info.formatCount == 0) {
        return;
    }
    int firstAudio = -1;
    bool anyVideo = false;
    for (uint32_t i = 0; i < info.formatCount; ++i) {
        const MediaFormat& f = info.formats[i];
        if (is_audio_only(f)) {
            if (text_equal_nocase(f.ext, L"mp3")) {
                return;  // an MP3 is there already: nothing to convert to
            }
            if (firstAudio < 0) {
                firstAudio = static_cast<int>(i);
            }
        }
        anyVideo |= has_video(f);
    }
    if (firstAudio < 0 && !anyVideo) {
        return;
    }
    MediaFormat mp3 = synthetic_choice(TOKEN_MP3, L"mp3", KIND_AUDIO);
    mp3.abr = 320;
    if (firstAudio >= 0) {
        insert_format(info, static_cast<uint32_t>(firstAudio), mp3);
    } else {
        insert_format(info, info.formatCount, mp3);
        insert_format(info, info.formatCount, synthetic_choice(TOKEN_EXTRACT_AUDIO, L"", KIND_AUDIO));
    }
}

void insert_dubbed_choice(ChoiceState& item, VideoInfo& info) {
    item.dubbedChoice = NO_DUBBED_CHOICE;
    if (item.playlistCount != 0) {
        return;
    }
    int best = -1;
    for (uint32_t i = 0; i < info.formatCount && best < 0; ++i) {
        if (has_video(info.formats[i]) && info.formats[i].preferred) {
            best = static_cast<int>(i);
        }
    }
    if (best < 0) {
        return;
    }
    const MediaFormat& video = info.formats[best];
    const wchar_t* audioExt = is_mp4(video) ? L"m4a" : video.ext;
    if (!audioExt[0]) {
        return;
    }
    const AudioGroup* group = nullptr;
    for (uint32_t g = 0; g < info.audioGroupCount && !group; ++g) {
        if (text_equal_nocase(info.audioGroups[g].ext, audioExt)) {
            group = &info.audioGroups[g];
        }
    }
    if (!group || !group->userId[0]) {
        return;
    }
    MediaFormat copy = video;
    if (const wchar_t* plus = text_find(copy.formatId, L"+")) {
        size_t keep = static_cast<size_t>(plus - copy.formatId) + 1;
        copy.formatId[keep] = 0;
        text_append(copy.formatId, group->userId);
    } else {
        text_copy(copy.formatId, group->userId);
    }
    if (video.filesize != 0 && video.audioSize != 0 && group->userSize != 0) {
        copy.audioSize = group->userSize;
        copy.filesize = video.filesize - video.audioSize + group->userSize;
    } else {
        copy.audioSize = 0;
        copy.filesize = 0;
    }
    copy.dubbed = 1;
    uint32_t at = static_cast<uint32_t>(best) + 1;
    if (insert_format(info, at, copy)) {
        item.dubbedChoice = static_cast<int>(at);
    }
}

void build_playlist_choices(ChoiceState& item, VideoInfo& info) {
    MediaFormat best = synthetic_choice(TOKEN_BEST, L"mp4", KIND_VIDEO);
    best.preferred = 1;
    info.formats[0] = best;
    info.formatCount = 1;
    add_audio_conversions(info);
    repair_selection(item, info);
}

void finish_choice_list(ChoiceState& item, VideoInfo& info) {
    prune_formats(info);
    mark_preferred(info);
    sort_choices(info);

    bool arte = info.extractor && text_equal_nocase(info.extractor, L"ArteTV");
    remove_low_qualities(info, arte ? 720 : 360);

    for (uint32_t i = 1; i < info.formatCount; ++i) {
        if (has_video(info.formats[i]) && text_contains_nocase(info.formats[i].format, L"multiple")) {
            remove_format(info, i);
            break;
        }
    }
    for (uint32_t i = 0; i < info.formatCount; ++i) {
        MediaFormat& f = info.formats[i];
        if (f.kind != KIND_VIDEO) {
            continue;
        }
        if (is_mp4(f)) {
            pair_audio(info, f, L"m4a");
        } else if (text_equal_nocase(f.ext, L"webm")) {
            pair_audio(info, f, L"webm");
        }
    }
    add_audio_conversions(info);

    item.dubbedChoice = NO_DUBBED_CHOICE;
    insert_dubbed_choice(item, info);
    if (item.dubbedChoice < NO_DUBBED_CHOICE && item.selectedChoice >= item.dubbedChoice) {
        ++item.selectedChoice;
    }
    if (arte && info.formatCount > 0) {
        text_copy(info.formats[0].formatId, TOKEN_BEST);
    }
    repair_selection(item, info);
}
