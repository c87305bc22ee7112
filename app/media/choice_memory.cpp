#include "app/media/choice_memory.h"

#include "base/text.h"

namespace {

bool has_video(const MediaFormat& f) {
    return (f.kind & KIND_VIDEO) != 0;
}

const SubtitleTrack* track_for(const VideoInfo& info, const wchar_t* language) {
    for (uint32_t i = 0; i < info.subtitleCount && i < MAX_SUBTITLES; ++i) {
        if (text_equal_nocase(info.subtitles[i].language, language)) {
            return &info.subtitles[i];
        }
    }
    return nullptr;
}

}  // namespace

void choice_token(const ChoiceState& item, const VideoInfo& info, wchar_t (&token)[CHOICE_TOKEN_CAPACITY]) {
    if (item.selectedChoice < 0 || static_cast<uint32_t>(item.selectedChoice) >= info.formatCount) {
        return;  // nothing chosen that could be remembered
    }
    const MediaFormat& r = info.formats[item.selectedChoice];
    bool compat = has_video(r) && r.compatible == 1 && r.preferred == 0;
    if (item.selectedChoice == 0 && !compat) {
        text_copy(token, L"best");
    } else if (!has_video(r)) {
        text_format(token, L"audio+%ls", r.ext);
    } else {
        text_format(token, L"video+%ls+%up%ls", r.ext, r.height, compat ? L"+compat" : L"");
    }
}

void apply_choice_token(ChoiceState& item, const VideoInfo& info, const wchar_t* token) {
    if (!token || !*token || text_equal(token, L"best")) {
        return;
    }
    item.selectedChoice = 0;
    item.choiceExplicit = 0;
    bool wantsVideo = text_find(token, L"video") != nullptr;
    bool wantsAudio = text_find(token, L"audio") != nullptr;
    if (!wantsVideo && !wantsAudio) {
        return;
    }
    const wchar_t* plus = text_find(token, L"+");
    if (!plus) {
        return;
    }
    const wchar_t* container = plus + 1;
    const wchar_t* second = text_find(container, L"+");
    size_t containerLength = second ? static_cast<size_t>(second - container) : text_length(container);
    wchar_t ext[16];
    text_copy_n(ext, container, containerLength);
    uint32_t height = 0;
    bool compat = false;
    if (second) {
        for (const wchar_t* p = second + 1; *p >= L'0' && *p <= L'9'; ++p) {
            height = height < 100000000 ? height * 10 + static_cast<uint32_t>(*p - L'0') : height;
        }
        compat = wantsVideo && text_find(second + 1, L"+compat") != nullptr;
    }

    int firstMatch = -1, firstPreferred = -1, compatMatch = -1;
    for (uint32_t i = 0; i < info.formatCount; ++i) {
        const MediaFormat& f = info.formats[i];
        if (wantsVideo && has_video(f)) {
            if (!f.listed || !text_equal_nocase(f.ext, ext) || (height != 0 && f.height != height)) {
                continue;
            }
            if (firstMatch < 0) {
                firstMatch = static_cast<int>(i);
            }
            if (f.preferred) {
                if (firstPreferred < 0) {
                    firstPreferred = static_cast<int>(i);
                }
            } else if (f.compatible) {
                compatMatch = static_cast<int>(i);
            }
        } else if (wantsAudio && f.kind == KIND_AUDIO && text_equal_nocase(f.ext, ext)) {
            item.selectedChoice = static_cast<int>(i);
            item.choiceExplicit = 1;
            break;
        }
    }
    if (!wantsVideo) {
        return;
    }
    if (compat && compatMatch >= 0) {
        item.selectedChoice = compatMatch;
        item.choiceExplicit = 1;
    } else if (firstPreferred >= 0 || firstMatch >= 0) {
        item.selectedChoice = firstPreferred >= 0 ? firstPreferred : firstMatch;
        item.choiceExplicit = 1;
    } else {
        item.selectedChoice = item.defaultChoice;
    }
}

int subtitle_suggestions(const VideoInfo& info, const wchar_t* ui, SubtitleSuggestion (&out)[2]) {
    int count = 0;
    if (info.subtitleCount == 0) {
        return 0;
    }
    if (info.videoLanguage[0]) {
        if (const SubtitleTrack* t = track_for(info, info.videoLanguage)) {
            text_copy(out[count].language, info.videoLanguage);
            out[count].isAuto = t->isAuto;
            out[count].track = t;
            ++count;
        }
    }
    if (!ui || !*ui || (count > 0 && text_equal_nocase(out[0].language, ui))) {
        return count;
    }
    if (const SubtitleTrack* t = track_for(info, ui); t && count < 2) {
        text_copy(out[count].language, ui);
        out[count].isAuto = t->isAuto;
        out[count].track = t;
        ++count;
    }
    return count;
}

const SubtitleTrack* default_subtitle_track(const VideoInfo& info, const wchar_t* ui) {
    if (info.subtitleCount == 0) {
        return nullptr;
    }
    if (ui && *ui) {
        if (const SubtitleTrack* t = track_for(info, ui)) {
            return t;
        }
    }
    return info.videoLanguage[0] ? track_for(info, info.videoLanguage) : nullptr;
}
