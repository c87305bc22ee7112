// Finishing a stopped live recording with the real ffprobe.exe and
// ffmpeg.exe, laid out in bin\ beside this test program, on a real
// interrupted recording (fixtures/live-partial.ts: H.264 and AAC in MPEG-TS).
#include "app/tools/live_finalize.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/tools/tool_runner.h"
#include "base/text.h"
#include "tests/test_support.h"
#include "tests/win_test_support.h"

namespace {

std::wstring bin_tool(const wchar_t* name) {
    wchar_t path[MAX_PATH * 2];
    tool_path((std::wstring(L"bin\\") + name).c_str(), path);
    return path;
}

std::unique_ptr<DownloadRecord> new_record(const std::wstring& outputPath) {
    std::unique_ptr<DownloadRecord> item(new DownloadRecord());
    text_copy(item->outputPath, outputPath.c_str());
    return item;
}

int collect(const char* chunk, uint32_t length, uint32_t, void* context, uintptr_t, void*) {
    static_cast<std::string*>(context)->append(chunk, length);
    return 1;
}

// Runs a tool from bin\ and gives its exit code and output.
DWORD run_bin_tool(const wchar_t* name, const std::wstring& arguments, std::string* output = nullptr) {
    std::wstring line = L"\"" + bin_tool(name) + L"\" " + arguments;
    std::vector<wchar_t> writable(line.begin(), line.end());
    writable.push_back(0);
    std::string ignored;
    DWORD exitCode = NO_EXIT_CODE;
    run_tool_process(writable.data(), collect, output ? output : &ignored, nullptr, nullptr, &exitCode);
    return exitCode;
}

std::string probe_streams(const std::wstring& path) {
    std::string output;
    EXPECT_EQ(run_bin_tool(L"ffprobe.exe", L"-show_streams \"file:" + path + L"\"", &output), 0u);
    return output;
}

// Hides a tool of the layout for one test, as an installation without it.
class HiddenTool {
public:
    explicit HiddenTool(const wchar_t* name) : path_(bin_tool(name)), hidden_(path_ + L".hidden") {
        EXPECT_TRUE(MoveFileExW(path_.c_str(), hidden_.c_str(), MOVEFILE_REPLACE_EXISTING));
    }
    ~HiddenTool() { EXPECT_TRUE(MoveFileExW(hidden_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING)); }
    HiddenTool(const HiddenTool&) = delete;
    HiddenTool& operator=(const HiddenTool&) = delete;

private:
    std::wstring path_;
    std::wstring hidden_;
};

class LiveFinalize : public ::testing::Test {
protected:
    TempFolder temp;
    // Blanks and a non-ASCII letter: every path must reach the tools as one argument.
    std::wstring folder = temp.path() + L"\\live recording \u00e9";
    std::string recording;

    void SetUp() override {
        ASSERT_TRUE(is_existing_file(bin_tool(L"ffmpeg.exe").c_str()))
            << "bin\\ffmpeg.exe is missing beside the test: run scripts/lib.sh's ensure_tools and rebuild";
        ASSERT_TRUE(is_existing_file(bin_tool(L"ffprobe.exe").c_str()));
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        recording = read_test_file("fixtures/live-partial.ts");
        ASSERT_EQ(recording.size(), 151528u);
    }

    std::wstring file(const std::wstring& name) const { return folder + L"\\" + name; }
};

struct StreamsCase {
    const char* name;
    std::string output;
    bool aac;
};

TEST(StreamsAudioIsAac, Table) {
    const StreamsCase kCases[] = {
        {"video then AAC audio",
         "[STREAM]\nindex=0\ncodec_name=h264\ncodec_type=video\n[/STREAM]\n"
         "[STREAM]\nindex=1\ncodec_name=aac\nprofile=LC\ncodec_type=audio\n[/STREAM]\n",
         true},
        {"video then MP3 audio", "codec_name=h264\ncodec_type=video\ncodec_name=mp3\ncodec_type=audio\n", false},
        {"trailing blanks after the codec", "codec_name=aac  \ncodec_type=audio\n", true},
        {"CR LF lines", "codec_name=h264\r\ncodec_type=video\r\ncodec_name=aac\r\ncodec_type=audio\r\n", true},
        {"leading blanks and a CR before trailing blanks", "  codec_name=aac \r\n   codec_type=audio\r \n", true},
        {"no audio stream", "codec_name=h264\ncodec_type=video\n", false},
        {"nothing at all", "", false},
        {"only the first audio stream counts",
         "codec_name=mp3\ncodec_type=audio\ncodec_name=aac\ncodec_type=audio\n", false},
        {"a codec that only starts with aac", "codec_name=aac_latm\ncodec_type=audio\n", false},
        {"audio type before any codec name is skipped", "codec_type=audio\ncodec_name=aac\n", false},
        {"last line without a line end", "codec_name=aac\ncodec_type=audio", true},
        {"an empty codec name", "codec_name=\ncodec_type=audio\n", false},
        {"the banner's stream line is no codec_name line",
         "  Stream #0:1[0x101]: Audio: aac (LC), 44100 Hz, mono\ncodec_type=audio\n", false},
        {"recorded: ffprobe on a TS with AAC", read_test_file("fixtures/ffprobe-ts-aac.out"), true},
        {"recorded: ffprobe on a TS with MP3", read_test_file("fixtures/ffprobe-ts-mp3.out"), false},
        {"recorded: ffprobe on the interrupted recording", read_test_file("fixtures/ffprobe-live-partial-ts.out"),
         true},
    };
    for (const StreamsCase& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(streams_audio_is_aac(c.output), c.aac);
    }
}

TEST_F(LiveFinalize, ProbeAsksTheRealFfprobe) {
    std::wstring aac = file(L"aac.ts");
    ASSERT_TRUE(write_whole_file(aac, recording));
    EXPECT_TRUE(probe_audio_is_aac(aac.c_str()));

    // The same pictures with the sound made MP3 by the real ffmpeg.
    std::wstring mp3 = file(L"mp3.ts");
    ASSERT_EQ(run_bin_tool(L"ffmpeg.exe", L"-y -loglevel error -i \"file:" + aac +
                                              L"\" -map 0 -c:v copy -c:a libmp3lame -f mpegts \"file:" + mp3 + L"\""),
              0u);
    EXPECT_FALSE(probe_audio_is_aac(mp3.c_str()));

    EXPECT_FALSE(probe_audio_is_aac(file(L"missing.ts").c_str()));  // ffprobe fails
    {
        HiddenTool noFfprobe(L"ffprobe.exe");
        EXPECT_FALSE(probe_audio_is_aac(aac.c_str()));
    }
}

TEST_F(LiveFinalize, StoppedRecordingBecomesAnMp4) {
    std::wstring output = file(L"index.mp4");
    ASSERT_TRUE(write_whole_file(output + L".part", recording));
    auto item = new_record(output);

    // The ffmpeg process is published while it runs, for the item to kill.
    std::atomic<bool> running{true};
    std::atomic<uint32_t> seenPid{0};
    std::thread watch([&] {
        while (running) {
            if (uint32_t pid = item->postProcessPid) {
                seenPid = pid;
            }
            Sleep(2);
        }
    });
    bool finalized = finalize_live_recording(*item);
    running = false;
    watch.join();

    EXPECT_TRUE(finalized);
    EXPECT_NE(seenPid.load(), 0u);
    EXPECT_EQ(item->postProcessPid.load(), 0u);
    EXPECT_STREQ(item->errorText, L"");
    EXPECT_FALSE(path_exists(output + L".part"));
    std::string mp4;
    ASSERT_TRUE(read_whole_file(output, mp4));
    ASSERT_GT(mp4.size(), 16u);
    EXPECT_EQ(mp4.substr(4, 4), "ftyp");
    EXPECT_LT(mp4.find("moov"), mp4.find("mdat"));  // +faststart: the index comes first
    std::string streams = probe_streams(output);
    EXPECT_NE(streams.find("codec_name=h264"), std::string::npos) << streams;
    EXPECT_NE(streams.find("codec_name=aac"), std::string::npos) << streams;
}

TEST_F(LiveFinalize, Mp3SoundIsCopiedWithoutTheAacFilter) {
    // ffmpeg refuses aac_adtstoasc on MP3 sound: this only works when the
    // probe has left the filter out.
    std::wstring source = file(L"source.ts");
    std::wstring output = file(L"radio.mp4");
    ASSERT_TRUE(write_whole_file(source, recording));
    ASSERT_EQ(run_bin_tool(L"ffmpeg.exe", L"-y -loglevel error -i \"file:" + source +
                                              L"\" -map 0 -c:v copy -c:a libmp3lame -f mpegts \"file:" + output +
                                              L".part\""),
              0u);
    auto item = new_record(output);
    EXPECT_TRUE(finalize_live_recording(*item));
    EXPECT_FALSE(path_exists(output + L".part"));
    EXPECT_NE(probe_streams(output).find("codec_name=mp3"), std::string::npos);
}

TEST_F(LiveFinalize, LongPathsFitTheCommand) {
    // A deep output folder and a long title: the whole command is longer
    // than 520 characters and must still reach ffmpeg uncut.
    std::wstring deep = folder + L"\\" + std::wstring(120, L'd');
    ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
    std::wstring output = deep + L"\\";
    // Within MAX_PATH with its ".part", as the tools need it.
    output += std::wstring(246 - output.size(), L't') + L".mp4";
    ASSERT_EQ(output.size(), 250u);
    ASSERT_GT(bin_tool(L"ffmpeg.exe").size() + 2 * output.size() + 120, 520u);
    ASSERT_TRUE(write_whole_file(output + L".part", recording));
    auto item = new_record(output);
    ASSERT_EQ(text_length(item->outputPath), output.size());
    EXPECT_TRUE(finalize_live_recording(*item));
    EXPECT_TRUE(is_existing_file(output.c_str()));
    EXPECT_FALSE(path_exists(output + L".part"));
}

enum class Partial { None, Recording, Bytes376, ThirdSyncByteWrong, SyncBytesOnly };

struct FailureCase {
    const char* name;
    Partial partial;
    bool finalBefore;   // a file at outputPath already
    bool noOutputPath;
    bool result;
    bool finalAfter;
};

std::string partial_bytes(Partial kind, const std::string& recording) {
    switch (kind) {
    case Partial::Recording:
        return recording;
    case Partial::Bytes376:
        return recording.substr(0, 376);
    case Partial::ThirdSyncByteWrong: {
        std::string bytes = recording.substr(0, 4096);
        bytes[376] = 'H';
        return bytes;
    }
    case Partial::SyncBytesOnly: {
        std::string bytes(188 * 20, '\0');
        for (size_t i = 0; i < bytes.size(); i += 188) {
            bytes[i] = 'G';
        }
        return bytes;
    }
    case Partial::None:
        break;
    }
    return {};
}

TEST_F(LiveFinalize, FailuresKeepThePartialFileAndSaySo) {
    const FailureCase kCases[] = {
        {"376 bytes", Partial::Bytes376, true, false, false, false},
        {"byte 376 is not a sync byte", Partial::ThirdSyncByteWrong, true, false, false, false},
        {"sync bytes but no stream: ffmpeg fails", Partial::SyncBytesOnly, true, false, false, false},
        {"no partial, final present: already complete", Partial::None, true, false, true, true},
        {"no partial, no final", Partial::None, false, false, false, false},
        {"no output path", Partial::Recording, false, true, false, false},
    };
    const std::string stale = "an earlier, unfinished MP4";
    for (const FailureCase& c : kCases) {
        SCOPED_TRACE(c.name);
        std::wstring output = file(L"case.mp4");
        std::wstring partial = output + L".part";
        DeleteFileW(output.c_str());
        DeleteFileW(partial.c_str());
        std::string partialBytes = partial_bytes(c.partial, recording);
        if (c.partial != Partial::None) {
            ASSERT_TRUE(write_whole_file(partial, partialBytes));
        }
        if (c.finalBefore) {
            ASSERT_TRUE(write_whole_file(output, stale));
        }
        auto item = new_record(c.noOutputPath ? L"" : output);
        text_copy(item->errorText, L"an earlier error");

        EXPECT_EQ(finalize_live_recording(*item), c.result);
        EXPECT_STREQ(item->errorText, c.result ? L"an earlier error" : L"Downloading failed");
        EXPECT_EQ(item->postProcessPid.load(), 0u);
        EXPECT_EQ(is_existing_file(output.c_str()), c.finalAfter);
        if (c.finalAfter) {
            std::string kept;
            EXPECT_TRUE(read_whole_file(output, kept) && kept == stale);
        }
        if (c.partial != Partial::None) {
            std::string kept;
            EXPECT_TRUE(read_whole_file(partial, kept) && kept == partialBytes) << "the recording was not kept";
        }
    }
}

TEST_F(LiveFinalize, WithoutFfmpegNothingIsLost) {
    std::wstring output = file(L"index.mp4");
    ASSERT_TRUE(write_whole_file(output + L".part", recording));
    ASSERT_TRUE(write_whole_file(output, "an earlier, unfinished MP4"));
    auto item = new_record(output);
    {
        HiddenTool noFfmpeg(L"ffmpeg.exe");
        EXPECT_FALSE(finalize_live_recording(*item));
    }
    EXPECT_STREQ(item->errorText, L"Downloading failed");
    EXPECT_FALSE(path_exists(output));
    std::string kept;
    EXPECT_TRUE(read_whole_file(output + L".part", kept) && kept == recording);
}

TEST_F(LiveFinalize, WithoutFfprobeTheRemuxStillRuns) {
    // The MP4 muxer of ffmpeg converts AAC on its own when it must: without
    // the probe's answer the copy still succeeds.
    std::wstring output = file(L"index.mp4");
    ASSERT_TRUE(write_whole_file(output + L".part", recording));
    auto item = new_record(output);
    {
        HiddenTool noFfprobe(L"ffprobe.exe");
        EXPECT_TRUE(finalize_live_recording(*item));
    }
    EXPECT_FALSE(path_exists(output + L".part"));
    EXPECT_NE(probe_streams(output).find("codec_name=aac"), std::string::npos);
}

}  // namespace
