#include "app/tools/live_finalize.h"

#include <windows.h>

#include <cstring>

#include "app/tools/command_line.h"
#include "app/tools/tool_runner.h"
#include "base/text.h"
#include "base/win_handles.h"
#include "ui/translation.h"

namespace {

// A tool path may be as long as the program's own path allows (tool_path
// takes up to 2 * MAX_PATH), and both files are real download paths: the
// commands are sized for all of them at their longest, because a command cut
// short would hand ffmpeg a different file than the one meant.
constexpr size_t TOOL_PATH_CAPACITY = 2 * MAX_PATH;
constexpr size_t OUTPUT_PATH_CAPACITY = sizeof(DownloadRecord::outputPath) / sizeof(wchar_t);
constexpr size_t PARTIAL_PATH_CAPACITY = OUTPUT_PATH_CAPACITY + 5;  // + ".part"
constexpr size_t FILE_ARGUMENT_CAPACITY = PARTIAL_PATH_CAPACITY + 5;  // "file:" + path
constexpr size_t FFPROBE_COMMAND_CAPACITY = TOOL_PATH_CAPACITY + FILE_ARGUMENT_CAPACITY + 64;
constexpr size_t FFMPEG_COMMAND_CAPACITY = TOOL_PATH_CAPACITY + 2 * FILE_ARGUMENT_CAPACITY + 256;

// A command line that knows whether everything went in whole: one that did
// not is never run.
struct Command {
    wchar_t* line;
    size_t capacity;
    bool whole = true;

    // Windows paths cannot hold quotes, so plain quotes keep the program's
    // path one token whatever blanks it has.
    void program(const wchar_t* path) {
        line[0] = 0;
        raw(L"\"");
        raw(path);
        raw(L"\"");
    }
    void raw(const wchar_t* text) {
        size_t before = text_length(line);
        whole &= text_append(line, capacity, text) == before + text_length(text);
    }
    // "file:" keeps ffmpeg from reading a path as a protocol or an option.
    void file_argument(const wchar_t* path) {
        wchar_t value[FILE_ARGUMENT_CAPACITY];
        text_copy(value, L"file:");
        whole &= text_append(value, path) == 5 + text_length(path);
        size_t before = text_length(line);
        append_argument(line, capacity, value);
        whole &= text_length(line) > before;  // an argument that does not fit is left out
    }
};

void fail(DownloadRecord& item) {
    text_copy(item.errorText, translate(L"Downloading failed"));
}

// MPEG-TS packets are 188 bytes and each starts with the sync byte 'G'.
bool starts_as_transport_stream(const wchar_t* path) {
    UniqueHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    unsigned char head[TS_CHECK_BYTES];
    DWORD total = 0;
    while (total < TS_CHECK_BYTES) {
        DWORD n = 0;
        if (!ReadFile(file.get(), head + total, static_cast<DWORD>(TS_CHECK_BYTES - total), &n, nullptr) || n == 0) {
            return false;
        }
        total += n;
    }
    return head[0] == 'G' && head[TS_PACKET_SIZE] == 'G' && head[2 * TS_PACKET_SIZE] == 'G';
}

struct ProbeOutput {
    char* bytes;
    uint32_t used;
};

// Keeps what fits and always reads on, so that ffprobe is never blocked on
// a full pipe.
int collect_probe_output(const char* chunk, uint32_t length, uint32_t, void* context, uintptr_t, void*) {
    auto* output = static_cast<ProbeOutput*>(context);
    uint32_t room = PROBE_OUTPUT_CAPACITY - output->used;
    uint32_t n = length < room ? length : room;
    memcpy(output->bytes + output->used, chunk, n);
    output->used += n;
    return 1;
}

}  // namespace

// ffprobe prints one "key=value" line per stream property, codec_name before
// codec_type; its own banner goes to the same pipe and has no such lines.
// The Windows builds end lines with CR LF.
bool streams_audio_is_aac(std::string_view output) {
    constexpr std::string_view NAME_KEY = "codec_name=";
    char codec[64] = "";
    bool codecSeen = false;
    while (!output.empty()) {
        size_t end = output.find('\n');
        std::string_view line = output.substr(0, end);
        output = end == std::string_view::npos ? std::string_view() : output.substr(end + 1);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.remove_suffix(1);
        }
        while (!line.empty() && line.front() == ' ') {
            line.remove_prefix(1);
        }
        if (line.starts_with(NAME_KEY)) {
            std::string_view name = line.substr(NAME_KEY.size(), sizeof(codec) - 1);
            memcpy(codec, name.data(), name.size());
            codec[name.size()] = 0;
            codecSeen = true;
        } else if (codecSeen && line == "codec_type=audio") {
            return strcmp(codec, "aac") == 0;
        }
    }
    return false;
}

bool probe_audio_is_aac(const wchar_t* partial) {
    wchar_t ffprobe[TOOL_PATH_CAPACITY];
    if (!tool_path(L"bin\\ffprobe.exe", ffprobe) || !is_existing_file(ffprobe)) {
        return false;
    }
    wchar_t line[FFPROBE_COMMAND_CAPACITY];
    Command command{line, FFPROBE_COMMAND_CAPACITY};
    command.program(ffprobe);
    command.raw(L" -show_streams");
    command.file_argument(partial);
    if (!command.whole) {
        return false;
    }
    UniqueHeapBlock buffer(HeapAlloc(GetProcessHeap(), 0, PROBE_OUTPUT_CAPACITY));
    if (!buffer) {
        return false;
    }
    ProbeOutput output{static_cast<char*>(buffer.get()), 0};
    DWORD exitCode = NO_EXIT_CODE;
    run_tool_process(line, collect_probe_output, &output, nullptr, nullptr, &exitCode);
    return exitCode == 0 && streams_audio_is_aac(std::string_view(output.bytes, output.used));
}

// Stop kills yt-dlp (and the ffmpeg it recorded with) mid-stream: what is
// left is a transport stream that only needs its streams copied into MP4.
// outputPath is removed whenever the remux does not succeed, since anything
// there is an unfinished MP4; the partial file, the only copy of the
// recording, is removed only once the MP4 stands.
bool finalize_live_recording(DownloadRecord& item) {
    if (!item.outputPath[0]) {
        fail(item);
        return false;
    }
    wchar_t partial[PARTIAL_PATH_CAPACITY];
    text_copy(partial, item.outputPath);
    text_append(partial, L".part");
    if (!is_existing_file(partial)) {
        if (is_existing_file(item.outputPath)) {
            return true;  // the recording ended on its own and yt-dlp finished it
        }
        fail(item);
        return false;
    }
    if (!starts_as_transport_stream(partial)) {
        item.postProcessPid = 0;
        DeleteFileW(item.outputPath);
        fail(item);
        return false;
    }
    wchar_t ffmpeg[TOOL_PATH_CAPACITY];
    if (!tool_path(L"bin\\ffmpeg.exe", ffmpeg) || !is_existing_file(ffmpeg)) {
        DeleteFileW(item.outputPath);
        fail(item);
        return false;
    }
    // aac_adtstoasc refuses any other codec, so it is added only for AAC.
    bool aac = probe_audio_is_aac(partial);
    wchar_t line[FFMPEG_COMMAND_CAPACITY];
    Command command{line, FFMPEG_COMMAND_CAPACITY};
    command.program(ffmpeg);
    command.raw(L" -y -loglevel repeat+info -i");
    command.file_argument(partial);
    command.raw(L" -map 0 -dn -ignore_unknown -c copy -f mp4");
    if (aac) {
        command.raw(L" -bsf:a aac_adtstoasc");
    }
    command.raw(L" -movflags +faststart");
    command.file_argument(item.outputPath);
    DWORD exitCode = NO_EXIT_CODE;
    if (command.whole) {
        run_tool_process(line, nullptr, nullptr, nullptr, &item.postProcessPid, &exitCode);
    }
    item.postProcessPid = 0;
    if (exitCode == 0 && is_existing_file(item.outputPath)) {
        DeleteFileW(partial);
        return true;
    }
    DeleteFileW(item.outputPath);
    fail(item);
    return false;
}
