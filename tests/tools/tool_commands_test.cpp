#include "app/tools/tool_commands.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/tools/command_line.h"
#include "base/sys_string.h"
#include "base/text.h"
#include "base/utf.h"
#include "tests/media/media_test_support.h"

namespace {

// The Microsoft C runtime's reading of a command line (what CommandLineToArgvW
// and yt-dlp's own start-up do), to prove what the tool receives.
std::vector<std::wstring> split_arguments(const std::wstring& line) {
    std::vector<std::wstring> args;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == L' ' || line[i] == L'\t')) {
            ++i;
        }
        if (i >= line.size()) {
            break;
        }
        std::wstring arg;
        bool quoted = false;
        while (i < line.size() && (quoted || (line[i] != L' ' && line[i] != L'\t'))) {
            size_t backslashes = 0;
            while (i < line.size() && line[i] == L'\\') {
                ++backslashes;
                ++i;
            }
            if (i < line.size() && line[i] == L'"') {
                arg.append(backslashes / 2, L'\\');
                if (backslashes % 2) {
                    arg += L'"';
                } else if (quoted && i + 1 < line.size() && line[i + 1] == L'"') {
                    arg += L'"';  // "" inside quotes
                    ++i;
                } else {
                    quoted = !quoted;
                }
                ++i;
            } else {
                arg.append(backslashes, L'\\');
                if (i < line.size() && (quoted || (line[i] != L' ' && line[i] != L'\t'))) {
                    arg += line[i++];
                }
            }
        }
        args.push_back(arg);
    }
    return args;
}

TEST(AppendArgument, EveryValueComesBackAsOneArgument) {
    const wchar_t* kValues[] = {
        L"plain", L"with space", L"tab\there", L"quote\"inside", L"\"quoted\"", L"back\\slash",
        L"ends with backslash\\", L"two\\\\\"before a quote", L"-leading dash", L"", L"C:\\Program Files\\x\\",
        L"https://example.com/watch?v=a&list=b", L"\u00fcn\u00efc\u00f6d\u00e9 \u65e5\u672c",
    };
    for (const wchar_t* value : kValues) {
        SCOPED_TRACE(wide_to_utf8(value));
        wchar_t line[256] = L"tool.exe";
        append_argument(line, value);
        std::vector<std::wstring> args = split_arguments(line);
        ASSERT_EQ(args.size(), 2u);
        EXPECT_EQ(args[1], value);
    }
    wchar_t tight[16] = L"tool.exe";
    append_argument(tight, L"too long to fit");
    EXPECT_STREQ(tight, L"tool.exe");  // left out whole, never cut open
}

// A record with the fields the commands read; freed with its strings.
struct CommandFixture {
    std::unique_ptr<DownloadRecord> item{new DownloadRecord()};
    CommandFixture() {
        item->dubbedChoice = NO_DUBBED_CHOICE;
        set_url(L"https://www.youtube.com/watch?v=abc");
        text_copy(item->outputFolder, L"C:\\Users\\me\\Downloads");
    }
    ~CommandFixture() {
        sys_string_free(item->url);
        if (item->playlistEntries) {
            delete[] item->playlistEntries;
        }
        free_video_info(item->info);
    }
    void set_url(const wchar_t* url) {
        sys_string_free(item->url);
        item->url = sys_string_new(url, text_length(url));
    }
    void set_title(const std::wstring& title) {
        sys_string_replace(&item->info.title, sys_string_new(title.c_str(), title.size()));
    }
    void set_choices(std::initializer_list<MediaFormat> formats) {
        item->info.formatCount = 0;
        for (const MediaFormat& f : formats) {
            item->info.formats[item->info.formatCount++] = f;
        }
    }
    void set_entries(std::initializer_list<int> selected) {
        item->playlistEntries = new PlaylistEntry[MAX_PLAYLIST_ENTRIES]();
        unsigned k = 0;
        for (int s : selected) {
            item->playlistEntries[k].playlistIndex = k + 1;
            item->playlistEntries[k].selected = s;
            ++k;
        }
        item->documentsReceived = k;
    }
    std::wstring download(const wchar_t* clock = L"134502", const wchar_t* ui = L"en") {
        wchar_t line[DOWNLOAD_COMMAND_CAPACITY];
        DownloadCommandContext context = {L"C:\\App\\bin\\yt-dlp.exe", ui, clock};
        build_download_command(*item, context, line);
        return line;
    }
    std::wstring metadata(const wchar_t* tool = L"C:\\App\\bin\\yt-dlp.exe") {
        wchar_t line[METADATA_COMMAND_CAPACITY];
        build_metadata_command(*item, tool, line);
        return line;
    }
};

MediaFormat choice(const wchar_t* id, uint32_t kind, uint32_t height = 0, uint32_t quality = 0, uint32_t fps = 0) {
    MediaFormat f = {};
    text_copy(f.formatId, id);
    f.kind = kind;
    f.height = height;
    f.quality = quality;
    f.fps = fps;
    return f;
}

TEST(MetadataCommand, ValuesAreOneArgumentEachAndTheLinkFollowsTheEndOfOptions) {
    CommandFixture c;
    EXPECT_EQ(c.metadata(), L"C:\\App\\bin\\yt-dlp.exe -j -i -- https://www.youtube.com/watch?v=abc");
    EXPECT_EQ(c.metadata(L"C:\\Program Files\\Tavlo\\bin\\yt-dlp.exe"),
              L"\"C:\\Program Files\\Tavlo\\bin\\yt-dlp.exe\" -j -i -- https://www.youtube.com/watch?v=abc");

    text_copy(c.item->proxy, L"socks5://127.0.0.1:9050");
    text_copy(c.item->cookieArgument, L"firefox:C:\\Users\\Jo Smith\\AppData\\Local\\tavlo\\ffprofile");
    text_copy(c.item->videoPassword, L"pass \"word\"\\");
    text_copy(c.item->extraOptions, L"--limit-rate 1M --no-mtime");
    c.set_url(L"-x\thttp://evil/\"a b\"");
    std::vector<std::wstring> args = split_arguments(c.metadata());
    std::vector<std::wstring> expected = {
        L"C:\\App\\bin\\yt-dlp.exe", L"-j", L"-i", L"--proxy", L"socks5://127.0.0.1:9050", L"--cookies-from-browser",
        L"firefox:C:\\Users\\Jo Smith\\AppData\\Local\\tavlo\\ffprofile", L"--video-password", L"pass \"word\"\\",
        L"--limit-rate", L"1M", L"--no-mtime", L"--", L"-x\thttp://evil/\"a b\""};
    EXPECT_EQ(args, expected);
}

TEST(DownloadCommand, FormatTokens) {
    struct Case {
        const wchar_t* token;
        uint32_t playlistCount;
        std::vector<std::wstring> part;  // the arguments between -i and --encoding
    };
    const Case kCases[] = {
        {L"tavlo_best", 0, {}},
        {L"TAVLO_BEST", 3, {L"-f", PLAYLIST_BEST_SELECTOR}},
        {L"tavlo_mp3", 0, {L"-x", L"--audio-format", L"mp3", L"--audio-quality", L"320K"}},
        {L"tavlo_ext_audio", 0, {L"-x"}},
        {L"137+140", 0, {L"-f", L"137+140"}},
        {L"", 0, {}},
    };
    for (const Case& k : kCases) {
        SCOPED_TRACE(wide_to_utf8(k.token));
        CommandFixture c;
        c.set_title(L"Clip");
        c.item->playlistCount = k.playlistCount;
        if (k.playlistCount) {
            c.set_entries({1, 1, 1});
        }
        c.set_choices({choice(k.token, KIND_AUDIO)});
        std::vector<std::wstring> args = split_arguments(c.download());
        auto i = std::find(args.begin(), args.end(), L"-i");
        auto encoding = std::find(args.begin(), args.end(), L"--encoding");
        ASSERT_NE(i, args.end());
        ASSERT_NE(encoding, args.end());
        EXPECT_EQ(std::vector<std::wstring>(i + 1, encoding), k.part);
        EXPECT_EQ(args.back(), L"https://www.youtube.com/watch?v=abc");
        EXPECT_EQ(*(args.end() - 2), L"--");
    }
}

TEST(DownloadCommand, OutputNames) {
    CommandFixture video;
    video.set_title(L"Clip");
    video.set_choices({choice(L"137+140", KIND_VIDEO, 1080, 1080, 60)});
    EXPECT_EQ(split_arguments(video.download())[2], L"C:\\Users\\me\\Downloads\\%(title)s-1080p60.%(ext)s");

    CommandFixture audio;
    audio.set_title(L"Clip");
    audio.set_choices({choice(L"tavlo_mp3", KIND_AUDIO)});
    EXPECT_EQ(split_arguments(audio.download())[2], L"C:\\Users\\me\\Downloads\\%(title)s.%(ext)s");

    CommandFixture live;
    live.set_title(L"Stream");
    live.item->info.isLive = 1;
    live.set_choices({choice(L"95", KIND_VIDEO | KIND_AUDIO, 720, 720)});
    std::vector<std::wstring> args = split_arguments(live.download(L"134502"));
    EXPECT_EQ(args[2], L"C:\\Users\\me\\Downloads\\%(title)s-%(format_id)s.134502.%(ext)s");
    EXPECT_EQ(args[3], L"--no-playlist");  // always, right after the name
    EXPECT_EQ(split_arguments(live.download(L""))[2], L"C:\\Users\\me\\Downloads\\%(title)s-%(format_id)s.%(ext)s");

    // 200 + 45 + 20 = 265: the title would make the path too long.
    CommandFixture longPath;
    text_copy(longPath.item->outputFolder, std::wstring(200, L'f').c_str());
    longPath.set_title(L"Caf\u00e9 \u65e5\u672c  talk: part 1 of 2 | a?b*c\"d  end");
    longPath.set_choices({choice(L"18", KIND_VIDEO | KIND_AUDIO, 360, 360)});
    EXPECT_EQ(split_arguments(longPath.download())[2],
              std::wstring(200, L'f') + L"\\Caf talk part 1 of 2 a b c d end-%(format_id)s.%(ext)s");
}

TEST(DownloadCommand, PlaylistSelection) {
    struct Case {
        std::vector<int> selected;
        const wchar_t* playlistItems;
        std::vector<std::wstring> expected;  // what follows -i
    };
    const Case kCases[] = {
        {{1, 1, 1}, L"", {}},
        {{0, 0, 0}, L"", {L"--no-playlist"}},
        {{}, L"", {L"--no-playlist"}},
        {{1, 1, 1, 0, 1, 0, 1, 1}, L"", {L"--playlist-items", L"1-3,5,7,8"}},
        {{1, 1, 1}, L"2,4", {L"--playlist-items", L"2,4"}},
    };
    for (const Case& k : kCases) {
        CommandFixture c;
        c.set_title(L"List");
        c.item->playlistCount = static_cast<uint32_t>(k.selected.size() ? k.selected.size() : 5);
        if (!k.selected.empty()) {
            c.item->playlistEntries = new PlaylistEntry[MAX_PLAYLIST_ENTRIES]();
            for (size_t i = 0; i < k.selected.size(); ++i) {
                c.item->playlistEntries[i].playlistIndex = static_cast<uint32_t>(i + 1);
                c.item->playlistEntries[i].selected = k.selected[i];
            }
            c.item->documentsReceived = static_cast<unsigned>(k.selected.size());
        }
        text_copy(c.item->playlistItems, k.playlistItems);
        c.set_choices({choice(L"tavlo_mp3", KIND_AUDIO)});
        std::vector<std::wstring> args = split_arguments(c.download());
        auto i = std::find(args.begin(), args.end(), L"-i");
        auto x = std::find(args.begin(), args.end(), L"-x");
        EXPECT_EQ(std::vector<std::wstring>(i + 1, x), k.expected);
    }
}

TEST(BuildPlaylistItems, RunsOfConsecutiveIndexes) {
    struct Case {
        std::vector<int> selected;
        uint32_t playlistCount;
        int selectAll;
        const wchar_t* text;
    };
    const Case kCases[] = {
        {{1, 1, 1, 0, 1, 0, 1, 1}, 8, 0, L"1-3,5,7,8"},
        {{1, 1, 0, 1}, 4, 0, L"1,2,4"},
        {{0, 1, 0}, 3, 0, L"2"},
        {{0, 1, 1}, 6, 1, L"2-6"},  // entries not yet received count when all are selected
        {{0, 1, 1}, 6, 0, L"2,3"},
        {{1, 1}, 5, 0, L""},         // every received entry: the whole list
        {{0, 0}, 5, 0, L""},
    };
    for (const Case& k : kCases) {
        CommandFixture c;
        c.item->playlistCount = k.playlistCount;
        c.item->selectAll = k.selectAll;
        c.item->playlistEntries = new PlaylistEntry[MAX_PLAYLIST_ENTRIES]();
        for (size_t i = 0; i < k.selected.size(); ++i) {
            c.item->playlistEntries[i].playlistIndex = static_cast<uint32_t>(i + 1);
            c.item->playlistEntries[i].selected = k.selected[i];
        }
        c.item->documentsReceived = static_cast<unsigned>(k.selected.size());
        wchar_t out[256];
        EXPECT_EQ(build_playlist_items(*c.item, out), k.text[0] != 0);
        EXPECT_STREQ(out, k.text);
    }
}

TEST(DownloadCommand, SubtitlesOnlyAndEmbedded) {
    CommandFixture c;
    ASSERT_TRUE(read_video_info(*c.item, c.item->info,
                                video_json({R"j({"format_id":"18","ext":"mp4","height":360,"acodec":"aac"})j"},
                                           R"j("subtitles":{"en":[]},"automatic_captions":{"de":[],"pt-BR":[]})j")
                                    .c_str(),
                                L"de"));
    c.item->subtitlesOnly = 1;
    std::wstring line = c.download(L"", L"de");
    EXPECT_NE(line.find(L" --skip-download --write-subs --sub-langs de --convert-subs srt --write-auto-subs --encoding"),
              std::wstring::npos)
        << wide_to_utf8(line);

    c.item->subtitlesOnly = 0;
    c.item->subtitleMode = 3;
    line = c.download(L"", L"de");
    EXPECT_NE(line.find(L" --embed-subs --sub-langs en,de --write-auto-subs --encoding"), std::wstring::npos);
    line = c.download(L"", L"fr");  // one suggestion: mode 3 acts as mode 1
    EXPECT_NE(line.find(L" --embed-subs --sub-langs en --encoding"), std::wstring::npos) << wide_to_utf8(line);

    c.item->subtitleMode = 1;
    text_copy(c.item->extraOptions, L"--sub-format srt");
    line = c.download(L"", L"fr");
    EXPECT_NE(line.find(L" --encoding UTF-8 --sub-format srt -- https://"), std::wstring::npos);
}

TEST(QualitySuffixAndSubtitleArguments, NothingIsCut) {
    struct Case {
        uint32_t height, quality, fps;
        const wchar_t* suffix;
    };
    const Case kCases[] = {{0, 1080, 60, L""},       {1080, 1080, 30, L"1080p"}, {720, 720, 60, L"720p60"},
                           {2160, 2160, 120, L"2160p120"}, {4320, 4320, 240, L"4320p240"}};
    for (const Case& k : kCases) {
        wchar_t out[QUALITY_SUFFIX_CAPACITY];
        quality_suffix(choice(L"x", KIND_VIDEO, k.height, k.quality, k.fps), out);
        EXPECT_STREQ(out, k.suffix);
    }
    wchar_t arguments[SUBTITLE_ARGUMENTS_CAPACITY];
    subtitles_only_arguments(L"zh-Hans-en-orig", true, arguments);
    EXPECT_STREQ(arguments,
                 L"--skip-download --write-subs --sub-langs zh-Hans-en-orig --convert-subs srt --write-auto-subs");
}

TEST(FallbackFileName, AsciiOnlyBlanksCollapsed) {
    struct Case {
        const wchar_t* title;
        const wchar_t* name;
    };
    const Case kCases[] = {
        {L"\u65e5\u672c\u8a9e", L" "},
        {L"", L"file_unknown"},
        {L"a  b\u00e9\u00e9c", L"a b c"},
        {L"x:y/z", L"x y z"},
    };
    for (const Case& k : kCases) {
        wchar_t out[65];
        fallback_file_name(k.title, out);
        EXPECT_STREQ(out, k.name);
    }
    wchar_t out[65];
    fallback_file_name(std::wstring(300, L'a').c_str(), out);
    EXPECT_EQ(text_length(out), 64u);
}

}  // namespace
