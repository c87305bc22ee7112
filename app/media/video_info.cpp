#include "app/media/video_info.h"

#include <cstring>

#include "app/media/format_choices.h"
#include "app/media/json.h"
#include "base/sys_string.h"
#include "base/text.h"
#include "base/utf.h"

namespace {

// Numbers below 1 read as absent; anything above the field's range is held
// at its largest value rather than wrapped.
uint32_t positive_u32(int64_t value) {
    if (value < 1) {
        return 0;
    }
    return value > 0xFFFFFFFFll ? 0xFFFFFFFFu : static_cast<uint32_t>(value);
}

uint64_t positive_u64(int64_t value) {
    return value < 1 ? 0 : static_cast<uint64_t>(value);
}

uint32_t quality_class(uint32_t width, uint32_t height) {
    uint32_t d = (width != 0 && width < height) ? width : height;
    if (d < 240) return 144;
    if (d < 360) return 240;
    if (d < 480) return 360;
    if (d < 720) return 480;
    if (d < 1080) return 720;
    if (d < 1440) return 1080;
    if (d < 2160) return 1440;
    return 2160;
}

// A string member widened into a buffer large enough for the rules that
// look at it; texts longer than this normalize to the same result.
void get_language_text(const JsonValue* object, std::string_view key, wchar_t (&out)[64]) {
    json_get_string(object, key, out);
}

void replace_string(wchar_t** slot, const JsonValue* root, std::string_view key) {
    sys_string_replace(slot, json_get_sys_string(root, key));
}

// A new track against the one a group holds: DRC audio only ever replaces
// DRC audio of a lower bitrate; plain audio replaces DRC audio, or plain
// audio of a lower bitrate.
bool track_wins(const wchar_t* newId, uint64_t newBitrate, const wchar_t* oldId, uint64_t oldBitrate) {
    bool newDrc = is_drc_format(newId);
    bool oldDrc = is_drc_format(oldId);
    if (newDrc) {
        return oldDrc && newBitrate > oldBitrate;
    }
    return oldDrc || newBitrate > oldBitrate;
}

bool is_original_track(const JsonValue* format) {
    if (json_get_int(format, "language_preference") == 10) {
        return true;
    }
    const JsonValue* note = json_as_string(json_member(format, "format_note"));
    return note && bytes_contain_nocase(note->as_bytes(), "original");
}

void read_audio_groups(const JsonValue* root, VideoInfo& info, const wchar_t* user) {
    info.audioGroupCount = 0;
    const JsonValue* formats = json_as_array(json_member(root, "formats"));
    if (!formats) {
        return;
    }
    const JsonValue* marked = nullptr;
    for (size_t i = 0; i < formats->size() && !marked; ++i) {
        if (is_original_track(&formats->element(i))) {
            marked = &formats->element(i);
        }
    }
    if (!marked) {
        return;  // only videos that mark an original track get groups
    }
    wchar_t raw[64];
    wchar_t originalLanguage[16];
    get_language_text(marked, "language", raw);
    normalize_language(raw, originalLanguage);
    bool hasUser = user && *user;
    bool originalIsUser = hasUser && text_equal_nocase(user, originalLanguage);

    for (size_t i = 0; i < formats->size(); ++i) {
        const JsonValue* f = &formats->element(i);
        wchar_t ext[16];
        wchar_t vcodec[32];
        wchar_t description[64];
        json_get_string(f, "ext", ext);
        json_get_string(f, "vcodec", vcodec);
        bool audio = is_audio_extension(ext) || text_equal_nocase(ext, L"webm");
        if (!audio && (!vcodec[0] || text_equal_nocase(vcodec, L"none"))) {
            json_get_string(f, "format", description);
            audio = text_contains_nocase(description, L"DASH audio") || text_contains_nocase(description, L"audio only");
        }
        if (!audio) {
            continue;
        }
        wchar_t lang[16];
        get_language_text(f, "language", raw);
        normalize_language(raw, lang);
        bool isOriginal = is_original_track(f);
        int64_t abr = json_get_int(f, "abr");
        uint64_t bitrate = abr > 0 ? static_cast<uint64_t>(abr) : positive_u64(json_get_int(f, "tbr"));
        int64_t size = json_get_int(f, "filesize");
        if (size < 1) {
            size = json_get_int(f, "filesize_approx");
        }
        wchar_t id[128];
        json_get_string(f, "format_id", id);
        if (!id[0] || !lang[0]) {
            continue;
        }
        AudioGroup* group = nullptr;
        for (uint32_t g = info.audioGroupCount; g-- > 0;) {
            if (text_equal_nocase(info.audioGroups[g].ext, ext)) {
                group = &info.audioGroups[g];
                break;
            }
        }
        if (!group) {
            if (info.audioGroupCount >= MAX_AUDIO_GROUPS) {
                continue;
            }
            group = &info.audioGroups[info.audioGroupCount++];
            std::memset(group, 0, sizeof(*group));
            text_copy(group->ext, ext);
        }
        if (isOriginal) {
            if (!group->originalId[0] || track_wins(id, bitrate, group->originalId, group->originalBitrate)) {
                text_copy(group->originalId, id);
                group->originalSize = positive_u64(size);
                group->originalBitrate = bitrate;
                text_copy(group->originalLanguage, lang);
            }
        } else if (!originalIsUser && hasUser && text_equal_nocase(lang, user)) {
            if (!group->userId[0] || track_wins(id, bitrate, group->userId, group->userBitrate)) {
                text_copy(group->userId, id);
                group->userSize = positive_u64(size);
                group->userBitrate = bitrate;
                text_copy(group->userLanguage, lang);
            }
        }
    }
}

void add_subtitle_track(VideoInfo& info, std::string_view key, bool automatic) {
    if (info.subtitleCount >= MAX_SUBTITLES) {
        return;
    }
    wchar_t wideKey[64];
    utf8_to_utf16(key.data(), key.size(), wideKey, 64);
    wchar_t lang[16];
    normalize_language(wideKey, lang);
    if (!lang[0]) {
        return;
    }
    for (uint32_t i = 0; i < info.subtitleCount; ++i) {
        if (text_equal_nocase(info.subtitles[i].language, lang)) {
            return;  // a manual track hides the caption of its language; en hides en-US
        }
    }
    SubtitleTrack& t = info.subtitles[info.subtitleCount++];
    std::memset(&t, 0, sizeof(t));
    text_copy(t.ext, L"vtt");
    text_copy(t.language, lang);
    text_copy(t.key, wideKey);
    t.isAuto = automatic ? 1 : 0;
    if (!automatic && !info.videoLanguage[0]) {
        text_copy(info.videoLanguage, lang);
    }
}

bool is_machine_translation(const JsonValue* tracks) {
    if (!tracks || !tracks->is(JsonKind::Array)) {
        return false;
    }
    for (size_t i = 0; i < tracks->size(); ++i) {
        const JsonValue* url = json_as_string(json_member(&tracks->element(i), "url"));
        if (url && bytes_contain_nocase(url->as_bytes(), "tlang=")) {
            return true;
        }
    }
    return false;
}

void read_subtitles(const JsonValue* root, VideoInfo& info) {
    info.subtitleCount = 0;
    info.videoLanguage[0] = 0;
    if (const JsonValue* subs = json_as_object(json_member(root, "subtitles"))) {
        for (size_t i = 0; i < subs->size(); ++i) {
            add_subtitle_track(info, subs->member(i).key.as_bytes(), false);
        }
    }
    if (const JsonValue* autos = json_as_object(json_member(root, "automatic_captions"))) {
        for (size_t i = 0; i < autos->size(); ++i) {
            const JsonMember& m = autos->member(i);
            if (!is_machine_translation(&m.value)) {
                add_subtitle_track(info, m.key.as_bytes(), true);
            }
        }
    }
    if (!info.videoLanguage[0] && json_as_string(json_member(root, "language"))) {
        wchar_t raw[64];
        get_language_text(root, "language", raw);
        normalize_language(raw, info.videoLanguage);
    }
}

}  // namespace

bool is_audio_extension(const wchar_t* ext) {
    static const wchar_t* const kAudio[] = {L"m4a", L"aac", L"mp3", L"wma", L"ogg", L"oga", L"flac"};
    for (const wchar_t* a : kAudio) {
        if (text_equal_nocase(ext, a)) {
            return true;
        }
    }
    return false;
}

void normalize_language(const wchar_t* text, wchar_t (&out)[16]) {
    out[0] = 0;
    size_t n = text_length(text);
    if (n == 0) {
        return;
    }
    if (n > 5 && text_ends_with(text, L"-orig")) {
        n -= 5;
    }
    for (size_t i = 0; i < n; ++i) {
        if (text[i] != L'-') {
            continue;
        }
        size_t rest = n - (i + 1);
        bool script = rest == 4;
        for (size_t k = i + 1; script && k < n; ++k) {
            wchar_t c = text[k];
            script = (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
        }
        if (!script) {
            n = i;
        }
        break;
    }
    if (n >= 1 && n <= 15) {
        text_copy_n(out, text, n);
    }
}

bool is_drc_format(const wchar_t* formatId) {
    size_t n = text_length(formatId);
    return n >= 4 && formatId[n - 4] == L'-' && ascii_lower(formatId[n - 3]) == L'd' &&
           ascii_lower(formatId[n - 2]) == L'r' && ascii_lower(formatId[n - 1]) == L'c';
}

bool is_live_source(const VideoInfo& info) {
    return info.isLive || (info.duration == 0 && text_contains_nocase(info.extractor, L":stream"));
}

bool read_format(const JsonValue* object, MediaFormat& format) {
    if (!json_get_string(object, "format_id", format.formatId)) {
        return false;
    }
    json_get_string(object, "ext", format.ext);
    json_get_string(object, "format", format.format);
    json_get_string(object, "acodec", format.acodec);

    json_get_string(object, "dynamic_range", format.dynamicRange);
    if (format.dynamicRange[0] && !text_equal_nocase(format.dynamicRange, L"SDR")) {
        format.hdr = 1;
    } else {
        format.hdr = 0;
        format.dynamicRange[0] = 0;
    }
    json_get_string(object, "vcodec", format.vcodec);

    wchar_t note[256];
    json_get_string(object, "format_note", note);
    format.aiUpscaled = text_contains_nocase(note, L"AI-upscaled") ? 1 : 0;

    json_get_string(object, "language", format.language);

    format.height = positive_u32(json_get_int(object, "height"));
    if (format.height == 0) {
        wchar_t resolution[32];
        json_get_string(object, "resolution", resolution);
        long long h = text_leading_integer(resolution);
        if (h >= 144 && h <= 4320) {
            format.height = static_cast<uint32_t>(h);
        }
    }
    format.width = positive_u32(json_get_int(object, "width"));
    format.fps = positive_u32(json_get_int(object, "fps"));
    format.abr = positive_u32(json_get_int(object, "abr"));
    format.tbr = positive_u32(json_get_int(object, "tbr"));

    int64_t size = json_get_int(object, "filesize");
    if (size < 1) {
        size = json_get_int(object, "filesize_approx");
    }
    format.filesize = positive_u64(size);

    // A note such as "1080p60" names the quality class itself.
    uint32_t noted = 0;
    const wchar_t* p = note;
    while (*p >= L'0' && *p <= L'9') {
        noted = noted < 100000000 ? noted * 10 + static_cast<uint32_t>(*p - L'0') : noted;
        ++p;
    }
    if (noted != 0 && *p == L'p') {
        format.quality = noted;
    } else {
        format.quality = quality_class(format.width, format.height);
    }
    return true;
}

bool read_video_info(ChoiceState& item, VideoInfo& info, const char* text, const wchar_t* userLanguage) {
    if (!text) {
        return false;
    }
    JsonValue root;
    if (!parse_json(text, std::strlen(text), root)) {
        return false;
    }
    info.formatCount = 0;
    item.choiceExplicit = 0;
    std::memset(info.audioGroups, 0, sizeof(info.audioGroups));
    info.audioGroupCount = 0;

    replace_string(&info.extractor, &root, "extractor");
    replace_string(&info.thumbnail, &root, "thumbnail");
    replace_string(&info.playlistTitle, &root, "playlist_title");
    replace_string(&info.title, &root, "title");
    replace_string(&info.id, &root, "id");

    info.isLive = json_get_bool(&root, "is_live") ? 1 : 0;
    read_subtitles(&root, info);
    item.playlistCount = positive_u32(json_get_int(&root, "n_entries"));
    info.playlistIndex = positive_u32(json_get_int(&root, "playlist_index"));
    info.duration = info.isLive ? 0 : positive_u32(json_get_int(&root, "duration"));

    if (item.playlistCount) {
        build_playlist_choices(item, info);
        return true;
    }
    if (const JsonValue* formats = json_as_array(json_member(&root, "formats"))) {
        read_audio_groups(&root, info, userLanguage);
        for (size_t i = 0; i < formats->size(); ++i) {
            MediaFormat f;
            std::memset(&f, 0, sizeof(f));
            if (read_format(&formats->element(i), f)) {
                add_format(info, f);
            }
        }
    } else {
        MediaFormat f;
        std::memset(&f, 0, sizeof(f));
        if (!read_format(&root, f)) {
            return false;
        }
        add_format(info, f);
    }
    finish_choice_list(item, info);
    return true;
}

bool read_playlist_entry(const ChoiceState& item, const char* text, PlaylistEntry& entry) {
    JsonValue root;
    if (!text || !parse_json(text, std::strlen(text), root)) {
        return true;
    }
    entry.playlistIndex = positive_u32(json_get_int(&root, "playlist_index"));
    entry.selected = item.selectAll ? 1 : 0;
    if (wchar_t* title = json_get_sys_string(&root, "title")) {
        sys_string_replace(&entry.title, title);
    }
    if (wchar_t* id = json_get_sys_string(&root, "id")) {
        sys_string_replace(&entry.id, id);
    }
    return true;
}

void free_video_info(VideoInfo& info) {
    sys_string_free(info.extractor);
    sys_string_free(info.title);
    sys_string_free(info.playlistTitle);
    sys_string_free(info.thumbnail);
    sys_string_free(info.id);
    std::memset(&info, 0, sizeof(info));
}

void free_playlist_entry(PlaylistEntry& entry) {
    sys_string_free(entry.title);
    sys_string_free(entry.id);
    std::memset(&entry, 0, sizeof(entry));
}
