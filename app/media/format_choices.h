// The rules that turn yt-dlp's raw format list into the short list of
// download choices: classification, de-duplication as formats arrive, then
// pruning, marking, ordering, trimming, pairing video with audio, and the
// synthetic choices. Afterwards formats[i] is menu command 2000 + i.
#pragma once

#include <cstdint>

#include "app/media/video_info.h"

// Synthetic format tokens understood by the download job.
inline constexpr wchar_t TOKEN_BEST[] = L"tavlo_best";
inline constexpr wchar_t TOKEN_MP3[] = L"tavlo_mp3";
inline constexpr wchar_t TOKEN_EXTRACT_AUDIO[] = L"tavlo_ext_audio";

// Called for every format read, then finish_choice_list once; a playlist
// document only gets build_playlist_choices.
void add_format(VideoInfo& info, const MediaFormat& format);
void finish_choice_list(ChoiceState& item, VideoInfo& info);
void build_playlist_choices(ChoiceState& item, VideoInfo& info);

void classify_format(MediaFormat& format);
int codec_class(const MediaFormat& format);          // 0 other, 1 H.264, 2 VP9, 3 AV1
int compare_formats(const MediaFormat& a, const MediaFormat& b);  // 1: a first, -1: b first, 0: equal
bool insert_format(VideoInfo& info, uint32_t index, const MediaFormat& format);
void remove_format(VideoInfo& info, uint32_t index);
void pair_audio(VideoInfo& info, MediaFormat& video, const wchar_t* audioExt);
void add_audio_conversions(VideoInfo& info);
void insert_dubbed_choice(ChoiceState& item, VideoInfo& info);
void prune_formats(VideoInfo& info);
void mark_preferred(VideoInfo& info);
