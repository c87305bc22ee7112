#include "app/tools/output_parser.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "app/tools/output_sink.h"
#include "base/text.h"
#include "base/utf.h"
#include "tests/test_support.h"
#include "tests/tools/progress_test_support.h"

namespace {

static_assert(std::is_same_v<decltype(&handle_download_output), OutputSink>,
              "the download output handler is the download job's OutputSink");

// What the item is before its download starts.
struct ItemSetup {
    uint32_t playlistCount = 0;
    int subtitlesOnly = 0;
    uint32_t duration = 0;
    uint32_t isLive = 0;
    const wchar_t* videoPassword = L"";
};

// One download run: a fresh item as the job prepares it, and its parse state.
struct DownloadRun {
    std::unique_ptr<DownloadRecord> item{new DownloadRecord()};
    std::unique_ptr<ProgressParseState> state{new ProgressParseState()};

    explicit DownloadRun(const ItemSetup& setup = ItemSetup()) {
        item->playlistCount = setup.playlistCount;
        item->subtitlesOnly = setup.subtitlesOnly;
        item->info.duration = setup.duration;
        item->info.isLive = setup.isLive;
        text_copy(item->videoPassword, setup.videoPassword);
        item->percent = PERCENT_UNKNOWN;
        prepare_progress_state(*state, *item);
    }

    void line(const wchar_t* text) { parse_progress_line(*item, text, *state); }

    // The bytes in chunks of the given size (0: all at once), each followed
    // by a zero byte as the runner hands them over, in a block of its own size.
    void feed(const std::string& bytes, size_t chunk = 0) {
        size_t step = chunk ? chunk : bytes.size();
        uint32_t before = 0;
        for (size_t at = 0; at < bytes.size(); at += step) {
            size_t n = bytes.size() - at < step ? bytes.size() - at : step;
            std::unique_ptr<char[]> copy(new char[n + 1]);
            std::memcpy(copy.get(), bytes.data() + at, n);
            copy[n] = 0;
            EXPECT_EQ(handle_download_output(copy.get(), static_cast<uint32_t>(n), before, state.get(), 0, item.get()),
                      1);
            before += static_cast<uint32_t>(n);
        }
    }

    std::string status() const { return wide_to_utf8(item->statusText); }
    std::string phase() const { return wide_to_utf8(item->phaseText); }
    std::string path() const { return wide_to_utf8(item->outputPath); }
    std::string error() const { return wide_to_utf8(item->errorText); }
    std::string timeLeft() const { return wide_to_utf8(item->timeLeftText); }
};

template <size_t N>
bool terminated(const wchar_t (&text)[N]) {
    return std::wmemchr(text, 0, N) != nullptr;
}

void expect_terminated(const DownloadRun& run) {
    EXPECT_TRUE(terminated(run.item->statusText));
    EXPECT_TRUE(terminated(run.item->phaseText));
    EXPECT_TRUE(terminated(run.item->timeLeftText));
    EXPECT_TRUE(terminated(run.item->errorText));
    EXPECT_TRUE(terminated(run.item->outputPath));
    EXPECT_TRUE(terminated(run.state->line1));
    EXPECT_TRUE(terminated(run.state->line2));
}

// Lines one after another into a fresh item; the fields the last leaves.
// A null expectation is not checked.
struct LineCase {
    const char* what;
    ItemSetup setup;
    bool german;
    std::vector<const wchar_t*> lines;
    unsigned percent;
    const char* status;
    const char* phase;
    const char* path;
};

TEST(ParseProgressLine, Rules) {
    ItemSetup none;
    ItemSetup playlist;
    playlist.playlistCount = 5;
    ItemSetup subtitles;
    subtitles.subtitlesOnly = 1;
    ItemSetup live;
    live.isLive = 1;
    ItemSetup twentySeconds;
    twentySeconds.duration = 20;
    ItemSetup tenSeconds;
    tenSeconds.duration = 10;
    const LineCase kCases[] = {
        {"destination", none, false, {L"[download] Destination: C:\\x\\clip.mp4"}, PERCENT_UNKNOWN, "", "",
         "C:\\x\\clip.mp4"},
        {"destination of a subtitle-only run", subtitles, false, {L"[download] Destination: C:\\x\\a.en.vtt"},
         PERCENT_UNKNOWN, "", "", "C:\\x\\a.en.srt"},
        {"subtitle without an extension", subtitles, false, {L"[download] Destination: C:\\x.y\\subs"},
         PERCENT_UNKNOWN, "", "", "C:\\x.y\\subs.srt"},
        {"destination quoted and padded", none, false, {L"[download] Destination:   \"C:\\x\\a b.mp4\"  "},
         PERCENT_UNKNOWN, "", "", "C:\\x\\a b.mp4"},
        {"a title with \" at \" is no speed", none, false, {L"[download] Destination: C:\\x\\Live at 5 KB.mp4"},
         PERCENT_UNKNOWN, "", "", "C:\\x\\Live at 5 KB.mp4"},
        {"already downloaded", none, false, {L"[download] C:\\x\\a.mp4 has already been downloaded"},
         PERCENT_UNKNOWN, "", "", "C:\\x\\a.mp4"},
        {"merger in any letter case", none, false, {L"[MeRgEr] Merging formats into \"C:\\x\\a.mp4\""},
         PERCENT_UNKNOWN, "Processing files...", "", "C:\\x\\a.mp4"},
        {"extract audio clears the detail", none, false,
         {L"[download]  45.3% of ~  12.34MiB at  1.23MiB/s ETA 00:05", L"[ExtractAudio] Destination: C:\\x\\a.mp3"},
         45, "Processing files...", "", "C:\\x\\a.mp3"},
        {"ffmpeg post-processor without a path", none, false, {L"[ffmpeg] Fixing something"}, PERCENT_UNKNOWN,
         "Processing files...", "", ""},
        {"a progress line after processing", none, false,
         {L"[Merger] Merging formats into \"C:\\x\\a.mp4\"", L"[download]  50.0% of 2.00MiB at 1.00MiB/s ETA 00:01"},
         50, "Downloading...", "1.00 MB/s - 1.0 MB of 2.0 MB, 1 sec left", "C:\\x\\a.mp4"},
        {"100.0 %", none, false, {L"[download] 100.0% of 10.00MiB at 2.00MiB/s ETA 00:00"}, 100, "Downloading...",
         "2.00 MB/s - 10 MB of 10 MB", ""},
        {"101 % is ignored", none, false,
         {L"[download]  45.3% of 10.00MiB at 2.00MiB/s ETA 00:03", L"[download] 101% of 10.00MiB at 2.00MiB/s"}, 45,
         "Downloading...", "2.00 MB/s - 10 MB of 10 MB, 3 sec left", ""},
        {"percentage going backwards", none, false,
         {L"[download]  12.5% of ~ 677.09KiB at  209.86KiB/s ETA 00:02 (frag 1/8)",
          L"[download]  11.1% of ~ 773.30KiB at  303.34KiB/s ETA 00:03 (frag 1/8)"},
         11, "Downloading...", "303.34 KB/s - 85 KB of 773 KB, 3 sec left", ""},
        {"no percentage: unchanged", none, false, {L"[download] .% of 1.00MiB at 1.00MiB/s"}, PERCENT_UNKNOWN,
         "Downloading...", "1.00 MB/s", ""},
        {"\"%\" first in the progress text", none, false, {L"[download] % at 1.00MiB/s"}, PERCENT_UNKNOWN,
         "Downloading...", "1.00 MB/s", ""},
        {"unknown speed leaves the detail", none, false,
         {L"[download]   0.1% of  961.04KiB at  Unknown B/s ETA Unknown"}, 0, "Downloading...", "", ""},
        {"playlist position, translated", playlist, true,
         {L"[download] Downloading video 2 of 5", L"[download]  45.3% of ~  12.34MiB at  1.23MiB/s ETA 00:05"}, 40,
         "Lade Video 2/5", "1,23 MB/s - 5,6 MB von 12 MB, noch 5 Sek.", ""},
        {"playlist position, yt-dlp's current wording", playlist, true,
         {L"[download] Downloading item 3 of 5", L"[download]  45.3% of ~  12.34MiB at  1.23MiB/s ETA 00:05"}, 60,
         "Lade Video 3/5", nullptr, ""},
        {"playlist position in English", playlist, false,
         {L"[download] Downloading item 2 of 5", L"[download]  45.3% of ~  12.34MiB at  1.23MiB/s ETA 00:05"}, 40,
         "Downloading item 2 of 5", "1.23 MB/s - 5.6 MB of 12 MB, 5 sec left", ""},
        {"playlist without a position yet", playlist, false,
         {L"[download]  45.3% of ~  12.34MiB at  1.23MiB/s ETA 00:05"}, PERCENT_UNKNOWN, "Downloading...", nullptr,
         ""},
        {"a position past the end is ignored", playlist, false,
         {L"[download] Downloading item 7 of 5", L"[download]  45.3% of 1.00MiB at 1.00MiB/s"}, PERCENT_UNKNOWN,
         "Downloading item 7 of 5", nullptr, ""},
        {"ffmpeg line without duration, not live", none, false,
         {L"frame=  250 fps= 25 q=-1.0 size=    1024kB time=00:00:10.00 bitrate= 838.9kbits/s"}, PERCENT_UNKNOWN,
         "Downloading... frame=250 fps=25 size=1024kB time=00:00:10.00 bitrate=838.9kbits/s", "", ""},
        {"ffmpeg line of a live source", live, false,
         {L"frame= 1550 fps= 25 q=-1.0 size=    2048kB time=01:02:03.45 bitrate= 838.9kbits/s"}, PERCENT_UNKNOWN,
         "Downloading...", "Live recording \xE2\x80\x94 01:02:03 \xE2\x80\x94 2.0 MB", ""},
        {"live, hours past a day", live, false, {L"frame=9 size=0kB time=27:00:05.00"}, PERCENT_UNKNOWN,
         "Downloading...", "Live recording \xE2\x80\x94 27:00:05 \xE2\x80\x94 0 B", ""},
        {"live, no time yet", live, false, {L"frame=0 fps=0.0 q=0.0 size=0kB time=N/A bitrate=N/A"}, PERCENT_UNKNOWN,
         "Downloading...", "Live recording \xE2\x80\x94 0 B", ""},
        {"ffmpeg line with a duration", twentySeconds, false,
         {L"frame=  250 fps= 25 q=-1.0 size=    1024kB time=00:00:10.00 bitrate= 838.9kbits/s"}, 50,
         "Downloading... 50%", "", ""},
        {"ffmpeg past the duration is not capped", tenSeconds, false, {L"size=1kB time=00:00:12.00"}, 120,
         "Downloading... 120%", "", ""},
        {"ffmpeg's own duration", none, false,
         {L"  Duration: 00:01:40.00, start: 0.000000, bitrate: 838 kb/s", L"size=1kB time=00:00:10.00 bitrate=1"}, 10,
         "Downloading... 10%", "", ""},
        {"a time that ends early", tenSeconds, false, {L"frame=1 time=0"}, 0, "Downloading... 0%", "", ""},
        {"a duration that ends early", none, false, {L"Duration: 0", L"time=00:00:01.00"}, PERCENT_UNKNOWN,
         "Downloading... time=00:00:01.00", "", ""},
        {"hlsnative fragments", none, false, {L"[hlsnative] Downloading fragment 3 / 8"}, PERCENT_UNKNOWN,
         "Downloading... 37%", "", ""},
        {"hlsnative fragments without spaces", none, false, {L"[hlsnative] fragment 1/4"}, PERCENT_UNKNOWN,
         "Downloading... 25%", "", ""},
        {"hlsnative of 0", none, false, {L"[hlsnative] fragment 1/0"}, PERCENT_UNKNOWN, "Downloading...", "", ""},
        {"a line matching nothing keeps the status", none, false,
         {L"[hlsnative] Downloading fragment 3 / 8", L"[info] something else"}, PERCENT_UNKNOWN,
         "Downloading... 37%", "", ""},
    };
    for (const LineCase& c : kCases) {
        SCOPED_TRACE(c.what);
        InterfaceScope scope = c.german ? InterfaceScope(LANGUAGE_GERMAN, GERMAN_PROGRESS_TEXTS) : InterfaceScope::english();
        DownloadRun run(c.setup);
        for (const wchar_t* line : c.lines) {
            run.line(line);
        }
        EXPECT_EQ(run.item->percent, c.percent);
        if (c.status) {
            EXPECT_EQ(run.status(), c.status);
        }
        if (c.phase) {
            EXPECT_EQ(run.phase(), c.phase);
        }
        if (c.path) {
            EXPECT_EQ(run.path(), c.path);
        }
        expect_terminated(run);
    }
}

TEST(ParseProgressLine, TimeLeftStaysUntilProcessing) {
    InterfaceScope scope = InterfaceScope::english();
    DownloadRun run;
    run.line(L"[download]  47.3% of  961.04KiB at  203.09KiB/s ETA 00:02");
    EXPECT_EQ(run.timeLeft(), "2 sec left");
    run.line(L"[download] 100.0% of  961.04KiB at  200.21KiB/s ETA 00:00");
    EXPECT_EQ(run.timeLeft(), "2 sec left");
    EXPECT_EQ(run.phase(), "200.21 KB/s - 961 KB of 961 KB, 2 sec left");
    run.line(L"[Merger] Merging formats into \"C:\\x\\a.mp4\"");
    EXPECT_EQ(run.timeLeft(), "");
    EXPECT_EQ(run.phase(), "");
}

TEST(ParseProgressLine, SubtitleWritten) {
    struct Case {
        const wchar_t* line;
        uint32_t written;
    };
    const Case kCases[] = {
        {L"[info] Writing video subtitles to: C:\\x\\master.en.vtt", 1},
        {L"[info] Video subtitle en.vtt is already present", 1},
        {L"[info] Video subtitle en.vtt", 0},
        {L"[info] master: Downloading subtitles: en", 0},
    };
    InterfaceScope scope = InterfaceScope::english();
    for (const Case& c : kCases) {
        SCOPED_TRACE(wide_to_utf8(c.line));
        DownloadRun run;
        run.line(c.line);
        EXPECT_EQ(run.state->subtitleWritten, c.written);
    }
}

TEST(PrepareProgressState, WordsOfTheInterface) {
    {
        InterfaceScope scope = InterfaceScope::english();
        DownloadRun run;
        EXPECT_STREQ(run.state->line1, L"Downloading...");
        EXPECT_STREQ(run.state->processingText, L"Processing files...");
        EXPECT_STREQ(run.state->videoWord, L"");
        EXPECT_STREQ(run.state->ofWord, L"");  // no translation is active
    }
    {
        InterfaceScope scope(LANGUAGE_GERMAN, GERMAN_PROGRESS_TEXTS);
        ItemSetup setup;
        setup.duration = 321;
        DownloadRun run(setup);
        EXPECT_EQ(run.state->duration, 321u);
        EXPECT_STREQ(run.state->line1, L"Wird heruntergeladen...");
        EXPECT_STREQ(run.state->processingText, L"Dateien werden verarbeitet...");
        EXPECT_STREQ(run.state->videoWord, L"Lade Video");
        EXPECT_STREQ(run.state->ofWord, L"von");
    }
    {
        InterfaceScope scope(LANGUAGE_ENGLISH, nullptr);
        DownloadRun run;
        EXPECT_STREQ(run.state->line1, L"Downloading...");
        EXPECT_STREQ(run.state->videoWord, L"");
    }
}

struct TransferCase {
    const wchar_t* line;
    const wchar_t* previous;
    bool produced;
    const char* text;
    const char* timeLeft;
};

void check_transfer(const TransferCase& c) {
    SCOPED_TRACE(wide_to_utf8(c.line));
    wchar_t text[TRANSFER_TEXT_CAPACITY];
    wchar_t timeLeft[TRANSFER_TIME_LEFT_CAPACITY];
    EXPECT_EQ(format_transfer_text(c.line, text, c.previous, timeLeft), c.produced);
    EXPECT_EQ(wide_to_utf8(text), c.text);
    EXPECT_EQ(wide_to_utf8(timeLeft), c.timeLeft);
}

TEST(FormatTransferText, English) {
    InterfaceScope scope = InterfaceScope::english();
    const TransferCase kCases[] = {
        {L"[download]  45.3% of ~  12.34MiB at  1.23MiB/s ETA 00:05", L"", true,
         "1.23 MB/s - 5.6 MB of 12 MB, 5 sec left", "5 sec left"},
        {L"[download]   1.6% of  961.04KiB at  373.83KiB/s ETA 00:02  ", L"", true,
         "373.83 KB/s - 9.6 KB of 961 KB, 2 sec left", "2 sec left"},
        {L"[download] 100% of  961.04KiB in 00:00:04 at 200.09KiB/s ", L"1 sec left", true,
         "200.09 KB/s - 961 KB of 961 KB, 1 sec left", ""},
        {L"[download] 100.0% of ~ 589.15KiB at  199.63KiB/s ETA 00:00 (frag 3/3)", L"", true,
         "199.63 KB/s - 589 KB of 589 KB", ""},
        {L"[download]  10.0% of 2.00GiB at 1.00MiB/s ETA 1:01:05", L"", true,
         "1.00 MB/s - 205 MB of 2.0 GB, 61 min left", "61 min left"},
        {L"[download]  10.0% of 2.00GB at 1.00GB/s ETA 1:2:3:4", L"9 sec left", true,
         "1.00 GB/s - 205 MB of 2.0 GB, 9 sec left", ""},
        {L"[download]  50.0% of 100.00B at 12.00B/s ETA 00:04", L"", true, "12.00 B/s - 50 B of 100 B, 4 sec left",
         "4 sec left"},
        {L"[download]  50.0% of 100.00B at 12.00KB/s ETA 75", L"", true, "12.00 KB/s - 50 B of 100 B, 1 min left",
         "1 min left"},
        {L"[download]  50.0% of 5.00TiB at 1.00MiB/s ETA 00:10", L"", true, "1.00 MB/s, 10 sec left",
         "10 sec left"},
        {L"[download]   0.0% of 10.00MiB at 1.00MiB/s ETA 00:10", L"", true, "1.00 MB/s, 10 sec left",
         "10 sec left"},
        {L"[download] 250% of 1.00MiB at 1.00MiB/s", L"", true, "1.00 MB/s - 1.0 MB of 1.0 MB", ""},
        {L"[download]   0.1% of  961.04KiB at  Unknown B/s ETA Unknown", L"", false, "", ""},
        {L"[download] Destination: C:\\Meet at KB's place.mp4", L"", false, "", ""},
        {L"[download] Destination: C:\\x\\a.mp4", L"", false, "", ""},
        {L"", L"", false, "", ""},
        {L"[download] x at 1234567890123456789012345678901234567890MiB/s", nullptr, true, "123456789012345 MB/s", ""},
    };
    for (const TransferCase& c : kCases) {
        check_transfer(c);
    }
}

TEST(FormatTransferText, German) {
    InterfaceScope scope(LANGUAGE_GERMAN, GERMAN_PROGRESS_TEXTS);
    const TransferCase kCases[] = {
        {L"[download]  45.3% of ~  12.34MiB at  1.23MiB/s ETA 00:05", L"", true,
         "1,23 MB/s - 5,6 MB von 12 MB, noch 5 Sek.", "noch 5 Sek."},
        {L"[download]  99.0% of 1.50GiB at 10.50MiB/s ETA 02:00", L"", true,
         "10,50 MB/s - 1,5 GB von 1,5 GB, noch 2 Min.", "noch 2 Min."},
    };
    for (const TransferCase& c : kCases) {
        check_transfer(c);
    }
}

TEST(FormatTransferText, NoTimeLeftBeforeTheTableExists) {
    InterfaceScope scope(LANGUAGE_ENGLISH, nullptr);
    check_transfer({L"[download]  45.3% of ~  12.34MiB at  1.23MiB/s ETA 00:05", L"", true,
                    "1.23 MB/s - 5.6 MB of 12 MB", ""});
}

// yt-dlp's error lines: the first sentence from "ERROR: " on is what the item shows.
TEST(HandleDownloadOutput, ErrorLines) {
    struct Case {
        const char* output;
        const wchar_t* password;
        const char* error;
        int passwordNeeded;
    };
    const Case kCases[] = {
        {"ERROR: [html5] video-1: Requested format is not available. Use --list-formats for a list\n", L"",
         "ERROR: [html5] video-1: Requested format is not available", 0},
        {"ERROR: Unsupported URL: http://127.0.0.1:8765/pages/text.html\n", L"",
         "ERROR: Unsupported URL: http://127.0.0.1:8765/pages/text.html", 0},
        {"ERROR: 'C:\\x\\a.mp4' is not a valid URL. Set --default-search\n", L"",
         "ERROR: 'C:\\x\\a.mp4' is not a valid URL", 0},
        {"ERROR: Giving up after 10 retries...\n", L"", "ERROR: Giving up after 10 retries", 0},
        {"ERROR: unable to download video data: HTTP Error 403: Forbidden\r\n", L"",
         "ERROR: unable to download video data: HTTP Error 403: Forbidden", 0},
        {"WARNING: something ERROR: inner one\n", L"", "ERROR: inner one", 0},
        {"[download] Got error: Downloaded 393643 bytes, expected 984109 bytes. Retrying (1/10)...\n", L"", "", 0},
        {"ERROR: first\nERROR: second. More\n", L"", "ERROR: second", 0},
        {"ERROR: [vimeo] 123: Wrong password\n", L"secret", "ERROR: [vimeo] 123: Wrong password", 1},
        {"ERROR: [vimeo] 123: Wrong PASSCODE\n", L"secret", "ERROR: [vimeo] 123: Wrong PASSCODE", 1},
        {"ERROR: [vimeo] 123: Wrong password\n", L"", "ERROR: [vimeo] 123: Wrong password", 0},
    };
    InterfaceScope scope = InterfaceScope::english();
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.output);
        ItemSetup setup;
        setup.videoPassword = c.password;
        DownloadRun run(setup);
        run.feed(c.output);
        EXPECT_EQ(run.error(), c.error);
        EXPECT_EQ(run.item->passwordNeeded, c.passwordNeeded);
        EXPECT_EQ(run.item->loginDuringDownload, c.passwordNeeded);
    }

    DownloadRun run;
    std::string longError = "ERROR: " + std::string(400, 'x') + "\n";
    run.feed(longError);
    EXPECT_EQ(run.error(), longError.substr(0, 255));
}

TEST(HandleDownloadOutput, SignInAndPasswordRequests) {
    struct Case {
        const char* output;
        size_t chunk;
        int loginNeeded;
        int passwordNeeded;
    };
    const Case kCases[] = {
        {"ERROR: [youtube] x: Sign in to confirm your age. This video may be inappropriate\n", 0, 1, 0},
        {"ERROR: [youtube] x: Sign in to confirm your age. This video may be inappropriate\n", 5, 1, 0},
        {"ERROR: [youtube] x: This video is age-restricted\n", 3, 1, 0},
        {"ERROR: use --cookies-from-browser or --cookies\n", 7, 1, 0},
        {"ERROR: HTTP Error 401: Unauthorized\n", 2, 1, 0},
        {"ERROR: [vimeo] 1: This video is protected by a password, use the --video-password option\n", 0, 0, 1},
        {"ERROR: [vimeo] 1: This video is protected by a password, use the --video-password option\n", 4, 0, 1},
        {"[download] Destination: C:\\x\\a.mp4\n", 1, 0, 0},
    };
    InterfaceScope scope = InterfaceScope::english();
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.output) + " in chunks of " + std::to_string(c.chunk));
        DownloadRun run;
        run.feed(c.output, c.chunk);
        EXPECT_EQ(run.item->loginNeeded, c.loginNeeded);
        EXPECT_EQ(run.item->passwordNeeded, c.passwordNeeded);
        EXPECT_EQ(run.item->loginDuringDownload, c.loginNeeded | c.passwordNeeded);
    }
}

// The recorded output of real yt-dlp runs (tests/fixtures/PROVENANCE.md),
// whole and in chunks: where a chunk ends changes nothing at the end.
struct FixtureCase {
    const char* file;
    ItemSetup setup;
    unsigned percent;
    const char* status;
    const char* phase;  // null: not checked
    std::string path;
    const char* error;
    uint32_t subtitleWritten;
};

const char DOWNLOADS[] = "C:\\Users\\user\\Downloads\\";

std::string in_downloads(const char* name) {
    return std::string(DOWNLOADS) + name;
}

TEST(HandleDownloadOutput, RecordedRuns) {
    ItemSetup none;
    ItemSetup subtitles;
    subtitles.subtitlesOnly = 1;
    ItemSetup live;
    live.isLive = 1;
    ItemSetup tenSeconds;
    tenSeconds.duration = 10;
    const std::string sample = in_downloads("sample.mp4");
    const std::string unicode =
        in_downloads("T\xC3\xABst vid\xC3\xA9o\xEF\xBC\x9A \xEF\xBC\x82\xC3\x9Cn\xC3\xAF" "c\xC3\xB6" "d\xC3\xA9\xEF\xBC\x82 "
                     "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xEF\xBD\x9C part\xEF\xBC\x9F" "1 (1).mp4");
    const FixtureCase kCases[] = {
        {"ytdlp-download-direct-mp4.out", none, 100, "Downloading...", "200.09 KB/s - 961 KB of 961 KB, 1 sec left",
         sample, "", 0},
        {"ytdlp-download-direct-mp4-newline.out", none, 100, "Downloading...",
         "200.08 KB/s - 961 KB of 961 KB, 1 sec left", sample, "", 0},
        {"ytdlp-download-direct-big-mp4.out", none, 100, "Downloading...", nullptr,
         in_downloads("big.mp4"), "", 0},
        {"ytdlp-download-direct-mp4-already-downloaded.out", none, PERCENT_UNKNOWN, "Downloading...", "",
         sample, "", 0},
        {"ytdlp-download-direct-mp4-already-downloaded-newline.out", none, PERCENT_UNKNOWN, "Downloading...", "",
         sample, "", 0},
        {"ytdlp-download-hls-merge-bv-ba.out", none, 100, "Processing files...", "",
         in_downloads("master.mp4"), "", 0},
        {"ytdlp-download-hls-merge-bv-ba-newline.out", none, 100, "Processing files...", "",
         in_downloads("master.mp4"), "", 0},
        {"ytdlp-download-hls-merge-already-downloaded.out", none, PERCENT_UNKNOWN, "Downloading...", "",
         in_downloads("master.mp4"), "", 0},
        {"ytdlp-download-dash-merge-bv-ba.out", none, 100, "Processing files...", "",
         in_downloads("manifest.mp4"), "", 0},
        {"ytdlp-download-dash-merge-bv-ba-newline.out", none, 100, "Processing files...", "",
         in_downloads("manifest.mp4"), "", 0},
        {"ytdlp-download-extract-audio-mp3.out", none, 100, "Processing files...", "",
         in_downloads("sample.mp3"), "", 0},
        {"ytdlp-download-extract-audio-mp3-newline.out", none, 100, "Processing files...", "",
         in_downloads("sample.mp3"), "", 0},
        {"ytdlp-download-extract-audio-mp3-already-downloaded.out", none, PERCENT_UNKNOWN, "Processing files...", "",
         in_downloads("sample.mp3"), "", 0},
        {"ytdlp-download-hls-vod.out", none, 100, "Downloading...", "203.97 KB/s - 913 KB of 913 KB, 1 sec left",
         in_downloads("index.mp4"), "", 0},
        {"ytdlp-download-hls-vod-newline.out", none, 100, "Downloading...", nullptr,
         in_downloads("index.mp4"), "", 0},
        {"ytdlp-download-hls-live-sliding-hlsnative-warning.out", none, 100, "Downloading...", nullptr,
         in_downloads("index.mp4"), "", 0},
        {"ytdlp-download-html-unicode-title.out", none, 100, "Downloading...", nullptr, unicode, "", 0},
        {"ytdlp-download-html-unicode-title-newline.out", none, 100, "Downloading...", nullptr, unicode, "",
         0},
        {"ytdlp-download-format-select-webm.out", none, 100, "Downloading...", nullptr,
         in_downloads("T\xC3\xABst vid\xC3\xA9o\xEF\xBC\x9A \xEF\xBC\x82\xC3\x9Cn\xC3\xAF" "c\xC3\xB6" "d\xC3\xA9\xEF\xBC\x82 "
                      "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xEF\xBD\x9C part\xEF\xBC\x9F" "1 (1).webm")
         ,
         "", 0},
        {"ytdlp-download-404.out", none, PERCENT_UNKNOWN, "Downloading...", "", "",
         "ERROR: [generic] None: Unable to download webpage: HTTP Error 404: File not found (caused by <HTTPError "
         "404: 'File not found'>); please report this issue on  https://github.com/yt-dlp/yt-dlp/issues?q= , "
         "filling out the appropriate issue template",
         0},
        {"ytdlp-download-unreachable.out", none, PERCENT_UNKNOWN, "Downloading...", "", "",
         "ERROR: [generic] None: Unable to download webpage: <urlopen error [Errno 111] Connection refused> (caused "
         "by URLError(ConnectionRefusedError(111, 'Connection refused')))",
         0},
        {"ytdlp-download-unsupported-url.out", none, PERCENT_UNKNOWN, "Downloading...", "", "",
         "ERROR: Unsupported URL: http://127.0.0.1:8765/pages/text.html", 0},
        {"ytdlp-download-links-page.out", none, PERCENT_UNKNOWN, "Downloading...", "", "",
         "ERROR: Unsupported URL: http://127.0.0.1:8765/pages/links.html", 0},
        {"ytdlp-download-format-not-available.out", none, PERCENT_UNKNOWN, "Downloading...", "", "",
         "ERROR: [html5] video-1: Requested format is not available", 0},
        {"ytdlp-subs-only-hls-webvtt-to-srt.out", subtitles, 100, "Downloading...", nullptr,
         in_downloads("master.en.srt"), "", 1},
        {"ytdlp-subs-only-hls-webvtt-to-srt-newline.out", subtitles, 100, "Downloading...", nullptr,
         in_downloads("master.en.srt"), "", 1},
        {"ytdlp-download-hls-live-ffmpeg-sigint.out", live, PERCENT_UNKNOWN, "Downloading...",
         "Live recording \xE2\x80\x94 00:00:07 \xE2\x80\x94 148 KB", in_downloads("index.mp4"),
         "ERROR: Interrupted by user", 0},
        {"ytdlp-download-hls-live-ffmpeg-sigint-newline.out", live, PERCENT_UNKNOWN, "Downloading...",
         "Live recording \xE2\x80\x94 00:00:07 \xE2\x80\x94 148 KB", in_downloads("index.mp4"),
         "ERROR: Interrupted by user", 0},
        {"ytdlp-download-hls-live-ffmpeg-ctrlc-group.out", live, PERCENT_UNKNOWN, "Downloading...",
         "Live recording \xE2\x80\x94 00:00:07 \xE2\x80\x94 148 KB", in_downloads("index.mp4"),
         "ERROR: Interrupted by user", 0},
        {"ytdlp-download-hls-live-ffmpeg-killed.out", live, PERCENT_UNKNOWN, "Downloading...",
         "Live recording \xE2\x80\x94 00:00:05 \xE2\x80\x94 110 KB", in_downloads("index.mp4"), "", 0},
        // The same recording when nothing tells it is live: ffmpeg's own line, cleaned.
        {"ytdlp-download-hls-live-ffmpeg-sigint.out", none, PERCENT_UNKNOWN,
         "Downloading... frame=199 fps=33 Lsize=148kB time=00:00:07.96 bitrate=152.2kbits/s speed=1.31x    ", "",
         in_downloads("index.mp4"), "ERROR: Interrupted by user", 0},
        {"ytdlp-download-hls-live-ffmpeg-sigint.out", tenSeconds, 70, "Downloading... 70%", "",
         in_downloads("index.mp4"), "ERROR: Interrupted by user", 0},
    };
    InterfaceScope scope = InterfaceScope::english();
    for (const FixtureCase& c : kCases) {
        std::string bytes = read_test_file(std::string("fixtures/") + c.file);
        ASSERT_FALSE(bytes.empty()) << c.file;
        for (size_t chunk : {size_t(0), size_t(1), size_t(7), size_t(4096)}) {
            SCOPED_TRACE(std::string(c.file) + " in chunks of " + std::to_string(chunk));
            DownloadRun run(c.setup);
            run.feed(bytes, chunk);
            EXPECT_EQ(run.item->percent, c.percent);
            EXPECT_EQ(run.status(), c.status);
            if (c.phase) {
                EXPECT_EQ(run.phase(), c.phase);
            }
            EXPECT_EQ(run.path(), c.path);
            EXPECT_EQ(run.error(), c.error);
            EXPECT_EQ(run.state->subtitleWritten, c.subtitleWritten);
            EXPECT_EQ(run.item->loginNeeded, 0);
            EXPECT_EQ(run.item->passwordNeeded, 0);
            EXPECT_EQ(run.item->info.duration, c.setup.duration);
            expect_terminated(run);
        }
    }
}

// A carriage-return progress update shows as soon as it arrives, before the
// break that ends it.
TEST(HandleDownloadOutput, OpenProgressUpdateShowsAtOnce) {
    InterfaceScope scope = InterfaceScope::english();
    DownloadRun run;
    run.feed("[download] Destination: C:\\x\\a.mp4\n\r[download]  47.3% of  961.04KiB at  203.09KiB/s ETA 00:02");
    EXPECT_EQ(run.item->percent, 47u);
    run.feed("\r[download]  68.2% of  961.04KiB at  202.14KiB/s ETA 00:0");
    EXPECT_EQ(run.item->percent, 68u);
    run.feed("1");
    EXPECT_EQ(run.phase(), "202.14 KB/s - 654 KB of 961 KB, 1 sec left");
    EXPECT_EQ(run.timeLeft(), "1 sec left");
    EXPECT_EQ(run.path(), "C:\\x\\a.mp4");
}

// A long line that arrives in pieces is read whole once its break arrives.
TEST(HandleDownloadOutput, LongOpenLineIsReadAtItsBreak) {
    InterfaceScope scope = InterfaceScope::english();
    ItemSetup setup;
    setup.videoPassword = L"secret";
    DownloadRun run(setup);
    std::string line = "ERROR: " + std::string(1500, 'x') + " wrong password";
    run.feed(line, 100);
    EXPECT_EQ(run.item->passwordNeeded, 0);  // its end has not been read yet
    run.feed("\n");
    EXPECT_EQ(run.item->passwordNeeded, 1);
    EXPECT_EQ(run.error(), line.substr(0, 255));
}

TEST(HandleDownloadOutput, BadInputNeverEscapesTheFields) {
    InterfaceScope scope = InterfaceScope::english();

    // NUL bytes end lines like line breaks do: nothing after them is lost.
    {
        DownloadRun run;
        run.feed(std::string("ERROR: one\0[download] Destination: C:\\x\\a.mp4\0\0", 47));
        EXPECT_EQ(run.error(), "ERROR: one");
        EXPECT_EQ(run.path(), "C:\\x\\a.mp4");
    }
    // Broken UTF-8 becomes replacement characters.
    {
        DownloadRun run;
        run.feed("[download] Destination: C:\\x\\\xFF\xE6\x97.mp4\n", 3);
        EXPECT_EQ(run.path(), "C:\\x\\\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD.mp4");
    }
    // One chunk of a megabyte: every line of it counts, the last error too.
    {
        std::string big;
        while (big.size() < (1u << 20)) {
            big += "\r[download]  47.3% of  961.04KiB at  203.09KiB/s ETA 00:02";
        }
        big += "\n[download] Destination: C:\\x\\late.mp4\nERROR: boom\n";
        DownloadRun run;
        run.feed(big);
        EXPECT_EQ(run.item->percent, 47u);
        EXPECT_EQ(run.path(), "C:\\x\\late.mp4");
        EXPECT_EQ(run.error(), "ERROR: boom");
        expect_terminated(run);
    }
    // A line without breaks, longer than anything is kept of it, in small
    // chunks and whole; the lines after it are read as usual.
    for (size_t chunk : {size_t(0), size_t(7), size_t(4096)}) {
        SCOPED_TRACE(chunk);
        std::string endless = "[download] Destination: C:\\x\\" + std::string(300000, 'y');
        DownloadRun run;
        run.feed(endless, chunk);
        EXPECT_EQ(text_length(run.item->outputPath), 259u);
        run.feed("\n[download]  50.0% of 2.00MiB at 1.00MiB/s ETA 00:01\nERROR: after\n", chunk);
        EXPECT_EQ(run.item->percent, 50u);
        EXPECT_EQ(run.error(), "ERROR: after");
        expect_terminated(run);
    }
    // Garbage: bytes of every value in lines of every length.
    {
        uint32_t seed = 12345;
        std::string noise;
        for (int i = 0; i < 200000; ++i) {
            seed = seed * 1103515245u + 12345u;
            noise += static_cast<char>(seed >> 24);
        }
        for (size_t chunk : {size_t(0), size_t(1), size_t(13), size_t(65536)}) {
            DownloadRun run;
            run.feed(chunk == 1 ? noise.substr(0, 20000) : noise, chunk);
            expect_terminated(run);
            EXPECT_TRUE(run.item->percent <= 100 || run.item->percent == PERCENT_UNKNOWN);
        }
    }
    // No state or no item: nothing to write into, and the tool goes on.
    {
        DownloadRun run;
        const char text[] = "ERROR: x\n";
        EXPECT_EQ(handle_download_output(text, 9, 0, nullptr, 0, run.item.get()), 1);
        EXPECT_EQ(handle_download_output(text, 9, 0, run.state.get(), 0, nullptr), 1);
        EXPECT_EQ(handle_download_output(nullptr, 0, 0, run.state.get(), 0, run.item.get()), 1);
        EXPECT_EQ(run.error(), "");
    }
}

}  // namespace
