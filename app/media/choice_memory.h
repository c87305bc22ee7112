// The remembered format choice shared by all items of the list, and the
// subtitle languages offered for a video.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/media/video_info.h"

constexpr size_t CHOICE_TOKEN_CAPACITY = 64;

// Writes the token of the current choice ("best", "audio+m4a",
// "video+mp4+1080p", "video+mp4+720p+compat") into token.
void choice_token(const ChoiceState& item, const VideoInfo& info, wchar_t (&token)[CHOICE_TOKEN_CAPACITY]);
// Selects the choice that best matches token. Runs after the format menu was
// built: only listed video choices are considered.
void apply_choice_token(ChoiceState& item, const VideoInfo& info, const wchar_t* token);

struct SubtitleSuggestion {
    wchar_t language[16];
    uint32_t isAuto;
    const SubtitleTrack* track;
};

// The video's own language first, then the interface language ui; 0 to 2.
int subtitle_suggestions(const VideoInfo& info, const wchar_t* ui, SubtitleSuggestion (&out)[2]);
// The interface language's track, else the video language's track, else null.
const SubtitleTrack* default_subtitle_track(const VideoInfo& info, const wchar_t* ui);
