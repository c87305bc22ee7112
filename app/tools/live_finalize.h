// Finishing a stopped live recording: yt-dlp leaves an unfinished MPEG
// transport stream in "<outputPath>.part"; ffmpeg copies its streams into
// the MP4 at outputPath, with the ADTS-to-MP4 filter when the audio is AAC.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "app/tools/download_record.h"

constexpr size_t TS_PACKET_SIZE = 188;
constexpr size_t TS_CHECK_BYTES = 2 * TS_PACKET_SIZE + 1;  // the sync bytes of three packets
constexpr uint32_t PROBE_OUTPUT_CAPACITY = 262144;

// Download thread. True when the final file exists afterwards. On failure
// errorText reads "Downloading failed" and the partial file is kept;
// postProcessPid holds ffmpeg's process id while it runs.
bool finalize_live_recording(DownloadRecord& item);

// True when ffprobe says the file's first audio stream is AAC; false when it
// is something else, there is none, or ffprobe is missing or fails.
bool probe_audio_is_aac(const wchar_t* partial);

// The same decision on the text "ffprobe -show_streams" printed.
bool streams_audio_is_aac(std::string_view showStreamsOutput);
