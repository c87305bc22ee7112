// The metadata and download jobs end to end: real child processes (the test
// kit's stand-in yt-dlp.exe replaying recorded output, the real ffmpeg.exe
// and ffprobe.exe), the cache in a data folder of the test's own, and the
// states the jobs post to an item window.
#include "app/tools/jobs.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/app_messages.h"
#include "app/tools/metadata_output.h"
#include "app/tools/tool_runner.h"
#include "base/data_folder.h"
#include "base/sys_string.h"
#include "base/text.h"
#include "base/utf.h"
#include "tests/test_support.h"
#include "tests/win_test_support.h"

namespace {

// A message-only window that stands in for the item window.
class StateWindow {
public:
    StateWindow() {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TavloTestItem";
        RegisterClassW(&wc);
        window_ = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, this);
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~StateWindow() { DestroyWindow(window_); }
    HWND handle() const { return window_; }
    std::vector<int> states;

    // Pumps messages until the condition holds or the time is up.
    template <typename Condition>
    bool pump_until(Condition condition, DWORD ms = 20000) {
        DWORD start = GetTickCount();
        while (!condition()) {
            if (GetTickCount() - start > ms) {
                return false;
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                DispatchMessageW(&msg);
            }
        }
        MSG msg;  // whatever was posted last
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&msg);
        }
        return true;
    }

private:
    HWND window_ = nullptr;
    static LRESULT CALLBACK proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
        if (m == WM_APP_ITEM_STATE) {
            reinterpret_cast<StateWindow*>(GetWindowLongPtrW(w, GWLP_USERDATA))->states.push_back(static_cast<int>(wp));
            return 0;
        }
        return DefWindowProcW(w, m, wp, lp);
    }
};

// Scenarios of the test's own, beside the stand-in's recorded ones.
class ExtraScenarios {
public:
    ExtraScenarios() {
        wchar_t kit[MAX_PATH];
        tool_path(L"bin\\kit", kit);
        folder_ = kit;
    }
    ~ExtraScenarios() {
        for (const std::wstring& f : files_) {
            DeleteFileW(f.c_str());
        }
    }
    void add(const std::wstring& name, const std::string& text) {
        std::wstring path = folder_ + L"\\" + name;
        write_whole_file(path, text);
        files_.push_back(path);
    }

private:
    std::wstring folder_;
    std::vector<std::wstring> files_;
};

class Jobs : public ::testing::Test {
protected:
    TempFolder root;       // the local application-data folder
    TempFolder downloads;  // the output folder
    StateWindow window;
    std::unique_ptr<DownloadRecord> item{new DownloadRecord()};

    void SetUp() override {
        set_data_folder_root(root.path().c_str());
        CreateDirectoryW((root.path() + L"\\tavlo").c_str(), nullptr);
        reset_item();
    }
    void TearDown() override {
        // Whatever still runs goes: the jobs must not outlive the record.
        if (item->metadataPid) {
            item->abortMetadata = 1;
            kill_process_tree(item->metadataPid, 0);
        }
        if (item->downloadPid) {
            item->abortDownload = 1;
            kill_process_tree(item->downloadPid, 0);
        }
        window.pump_until([&] { return !item->metadataThread && !item->downloadThread; });
        release_item();
        set_data_folder_root(L"");
        SetEnvironmentVariableW(L"TAVLO_KIT_ARGS_LOG", nullptr);
    }
    void release_item() {
        sys_string_free(item->url);
        free_playlist_entries(*item);
        free_video_info(item->info);
    }
    void reset_item() {
        if (item) {
            release_item();
        }
        item.reset(new DownloadRecord());
        item->dubbedChoice = NO_DUBBED_CHOICE;
        item->window = window.handle();
        text_copy(item->outputFolder, downloads.path().c_str());
        window.states.clear();
    }
    void set_link(const wchar_t* url) {
        sys_string_replace(&item->url, sys_string_new(url, text_length(url)));
        wchar_t key[33];
        md5_key(url, key);
        text_copy(item->key, key);
    }
    static void md5_key(const wchar_t* url, wchar_t (&key)[33]) {
        // Any stable name will do for the cache here; the real key is md5_hex.
        unsigned long long h = 1469598103934665603ull;
        for (const wchar_t* p = url; *p; ++p) {
            h = (h ^ *p) * 1099511628211ull;
        }
        text_format(key, L"%016llX%016llX", h, h * 31);
    }
    std::wstring cache_file() {
        wchar_t path[MAX_PATH];
        metadata_cache_path(*item, path);
        return path;
    }
    bool metadata() {
        if (!start_metadata_job(*item)) {
            return false;
        }
        return window.pump_until([&] { return item->metadataThread == nullptr; });
    }
    bool download() {
        if (!start_download_job(*item)) {
            return false;
        }
        return window.pump_until([&] { return item->downloadThread == nullptr; });
    }
};

TEST_F(Jobs, MetadataFromTheToolThenFromTheCache) {
    set_link(L"http://127.0.0.1:8765/media/sample.mp4");
    ASSERT_TRUE(metadata());
    EXPECT_EQ(window.states, (std::vector<int>{STATE_LOADING, STATE_INFO, STATE_READY}));
    EXPECT_EQ(item->documentsReceived.load(), 1u);
    EXPECT_STREQ(item->info.title, L"sample");
    EXPECT_EQ(item->metadataPid.load(), 0u);
    std::string cached;
    ASSERT_TRUE(read_whole_file(cache_file(), cached));
    EXPECT_EQ(cached, read_test_file("fixtures/ytdlp-j-direct-mp4.out"));

    // A new run for the same link: the cache answers and the tool stays idle.
    std::wstring log = root.file(L"args.log");
    SetEnvironmentVariableW(L"TAVLO_KIT_ARGS_LOG", log.c_str());
    reset_item();
    set_link(L"http://127.0.0.1:8765/media/sample.mp4");
    ASSERT_TRUE(metadata());
    EXPECT_EQ(window.states, (std::vector<int>{STATE_LOADING, STATE_INFO, STATE_READY}));
    EXPECT_EQ(item->documentsReceived.load(), 1u);
    EXPECT_FALSE(path_exists(log)) << "yt-dlp was started although the cache answered";
}

TEST_F(Jobs, MetadataErrorsAndPlaylists) {
    set_link(L"http://127.0.0.1:8765/media/missing.mp4");
    ASSERT_TRUE(metadata());
    EXPECT_EQ(window.states, (std::vector<int>{STATE_LOADING, STATE_READY}));
    EXPECT_EQ(item->documentsReceived.load(), 0u);
    EXPECT_EQ(wide_to_utf8(item->errorText).rfind("ERROR: [generic] None: Unable to download webpage: HTTP Error 404", 0),
              0u);
    EXPECT_FALSE(path_exists(cache_file()));

    reset_item();
    set_link(L"http://127.0.0.1:8765/pages/multi.html");
    ASSERT_TRUE(metadata());
    EXPECT_EQ(window.states, (std::vector<int>{STATE_LOADING, STATE_INFO, STATE_INFO, STATE_INFO, STATE_READY}));
    EXPECT_EQ(item->documentsReceived.load(), 3u);
    EXPECT_EQ(item->playlistCount, 3u);
    EXPECT_TRUE(path_exists(cache_file()));
}

TEST_F(Jobs, EveryValueReachesTheToolAsOneArgument) {
    std::wstring log = root.file(L"args.log");
    SetEnvironmentVariableW(L"TAVLO_KIT_ARGS_LOG", log.c_str());
    const wchar_t link[] = L"-x\thttp://127.0.0.1:8765/\"a b\\\"";
    set_link(link);
    text_copy(item->proxy, L"http://proxy:8080/ path");
    text_copy(item->videoPassword, L"se cr\"et\\");
    text_copy(item->extraOptions, L"--no-mtime");
    ASSERT_TRUE(metadata());
    std::string logged;
    ASSERT_TRUE(read_whole_file(log, logged));
    std::string expected = "\"-j\",\"-i\",\"--proxy\",\"http://proxy:8080/ path\",\"--video-password\",\"se cr\\\"et\\\\\","
                           "\"--no-mtime\",\"--\",\"-x\\u0009http://127.0.0.1:8765/\\\"a b\\\\\\\"\"]";
    EXPECT_NE(logged.find(expected), std::string::npos) << logged;
    EXPECT_EQ(item->documentsReceived.load(), 0u);  // an unknown link: yt-dlp says so
}

TEST_F(Jobs, LiveSourcesAreNeverCached) {
    ExtraScenarios extra;
    extra.add(L"test-live.scenario",
              "link http://test/live\nmode metadata\n"
              "  say {\"id\":\"live\",\"title\":\"Live\",\"is_live\":true,\"format_id\":\"hls\",\"ext\":\"mp4\"}\\n\n");
    set_link(L"http://test/live");
    ASSERT_TRUE(metadata());
    EXPECT_EQ(item->documentsReceived.load(), 1u);
    EXPECT_EQ(item->info.isLive, 1u);
    EXPECT_FALSE(path_exists(cache_file()));
}

TEST_F(Jobs, RemovingTheItemStopsTheMetadataJobQuietly) {
    ExtraScenarios extra;
    extra.add(L"test-slow.scenario", "link http://test/slow\nmode metadata\n  say [info] working\\n\n  alive 0 100\n");
    set_link(L"http://test/slow");
    ASSERT_TRUE(start_metadata_job(*item));
    ASSERT_TRUE(window.pump_until([&] { return item->metadataPid != 0; }));
    item->abortMetadata = 1;
    kill_process_tree(item->metadataPid, 5000);
    ASSERT_TRUE(window.pump_until([&] { return item->metadataThread == nullptr; }));
    EXPECT_EQ(window.states, (std::vector<int>{STATE_LOADING}));  // no STATE_READY for a removed item
    EXPECT_EQ(item->abortMetadata.load(), 0);
    EXPECT_FALSE(path_exists(cache_file()));
}

// Metadata first, as the item does, then the download of a choice.
class DownloadJob : public Jobs {
protected:
    void prepare(const wchar_t* link, int choice = 0) {
        set_link(link);
        ASSERT_TRUE(metadata());
        ASSERT_GT(item->documentsReceived.load(), 0u);
        item->selectedChoice = choice;
        window.states.clear();
    }
};

TEST_F(DownloadJob, AFileArrivesWithItsProgress) {
    prepare(L"http://127.0.0.1:8765/media/sample.mp4");
    ASSERT_TRUE(download());
    EXPECT_EQ(window.states, (std::vector<int>{STATE_DOWNLOADING, STATE_DONE}));
    EXPECT_STREQ(item->errorText, L"");
    EXPECT_EQ(std::wstring(item->outputPath), downloads.file(L"sample.mp4"));
    EXPECT_TRUE(is_existing_file(item->outputPath));
    EXPECT_EQ(item->percent.load(), 100u);
    EXPECT_STREQ(item->statusText, L"");  // cleared at the end
    EXPECT_EQ(item->downloadPid.load(), 0u);

    // The same again: yt-dlp says it has it already, and that counts.
    window.states.clear();
    ASSERT_TRUE(download());
    EXPECT_STREQ(item->errorText, L"");
    EXPECT_EQ(std::wstring(item->outputPath), downloads.file(L"sample.mp4"));
}

TEST_F(DownloadJob, MergedAndConvertedDownloads) {
    struct Case {
        const wchar_t* link;
        int choice;
        const wchar_t* file;
    };
    const Case kCases[] = {
        {L"http://127.0.0.1:8765/hls/master/master.m3u8", 0, L"master.mp4"},
        {L"http://127.0.0.1:8765/dash/manifest.mpd", 0, L"manifest.mp4"},
        {L"http://127.0.0.1:8765/media/sample.mp4", 1, L"sample.mp3"},  // the MP3 choice
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(wide_to_utf8(c.link));
        reset_item();
        prepare(c.link, c.choice);
        ASSERT_TRUE(download());
        EXPECT_STREQ(item->errorText, L"");
        EXPECT_EQ(std::wstring(item->outputPath), downloads.file(c.file));
        EXPECT_TRUE(is_existing_file(item->outputPath));
    }
}

TEST_F(DownloadJob, FailuresSayWhy) {
    prepare(L"http://127.0.0.1:8765/media/sample.mp4");
    sys_string_replace(&item->url, sys_string_new(L"http://127.0.0.1:8765/media/missing.mp4", 39));
    ASSERT_TRUE(download());
    EXPECT_EQ(window.states, (std::vector<int>{STATE_DOWNLOADING, STATE_DONE}));
    EXPECT_EQ(wide_to_utf8(item->errorText).rfind("ERROR: [generic] None: Unable to download webpage: HTTP Error 404", 0),
              0u);
}

TEST_F(DownloadJob, SubtitlesOnly) {
    prepare(L"http://127.0.0.1:8765/hls/master/master.m3u8");
    item->subtitlesOnly = 1;
    ASSERT_TRUE(download());
    EXPECT_STREQ(item->errorText, L"") << wide_to_utf8(item->errorText);
    EXPECT_TRUE(is_existing_file(item->outputPath)) << wide_to_utf8(item->outputPath);
    EXPECT_NE(std::wstring(item->outputPath).find(L".srt"), std::wstring::npos);
}

TEST_F(DownloadJob, AStoppedLiveRecordingIsFinalizedWithFfmpeg) {
    ExtraScenarios extra;
    extra.add(L"test-live-recording.scenario",
              "link http://test/live-recording\nmode metadata\n"
              "  say {\"id\":\"index\",\"title\":\"index\",\"is_live\":true,\"format_id\":\"0\",\"ext\":\"mp4\","
              "\"height\":240,\"width\":320}\\n\n"
              "mode download\n  replay ../../fixtures/ytdlp-download-hls-live-ffmpeg-killed.out\n  pause 10\n"
              "  content ../../fixtures/live-partial.ts\n  child 0\n  alive 0 300 6000\n"
              "  alive-record frame=  150 fps= 25 q=-1.0 size=     110kB time={time} bitrate= 151.3kbits/s speed=   1x    \\r\n");
    prepare(L"http://test/live-recording");
    ASSERT_TRUE(start_download_job(*item));
    ASSERT_TRUE(window.pump_until([&] { return item->outputPath[0] != 0 && item->downloadPid != 0; }));
    EXPECT_EQ(item->liveRecording, 1);
    Sleep(500);
    // Stop: the recording is ended and made into its file.
    item->abortDownload = 1;
    kill_process_tree(item->downloadPid, 0);
    ASSERT_TRUE(window.pump_until([&] { return item->downloadThread == nullptr; }, 60000));
    EXPECT_EQ(window.states, (std::vector<int>{STATE_DOWNLOADING, STATE_DONE}));
    EXPECT_STREQ(item->errorText, L"") << wide_to_utf8(item->errorText);
    EXPECT_TRUE(is_existing_file(item->outputPath));
    EXPECT_FALSE(is_existing_file((std::wstring(item->outputPath) + L".part").c_str()));
    EXPECT_EQ(item->postProcessPid.load(), 0u);
}

TEST_F(DownloadJob, RemovingTheItemAbandonsTheDownloadQuietly) {
    ExtraScenarios extra;
    extra.add(L"test-slow-download.scenario",
              "link http://test/slow-download\nmode metadata\n  replay ../../fixtures/ytdlp-j-direct-mp4.out\n"
              "mode download\n  replay ../../fixtures/ytdlp-download-direct-big-mp4.out\n  pause 200\n");
    prepare(L"http://test/slow-download");
    ASSERT_TRUE(start_download_job(*item));
    ASSERT_TRUE(window.pump_until([&] { return item->percent != PERCENT_UNKNOWN && item->downloadPid != 0; }));
    item->abortDownload = 1;
    kill_process_tree(item->downloadPid, 0);
    ASSERT_TRUE(window.pump_until([&] { return item->downloadThread == nullptr; }));
    EXPECT_EQ(window.states, (std::vector<int>{STATE_DOWNLOADING}));
    EXPECT_EQ(item->abortDownload.load(), 0);
}

}  // namespace
