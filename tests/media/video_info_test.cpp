#include "app/media/video_info.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/media/json.h"
#include "base/sys_string.h"
#include "tests/media/media_test_support.h"
#include "tests/test_support.h"

namespace {

using Ids = std::vector<std::string>;

// read_format on one JSON object.
MediaFormat format_of(const std::string& json, bool* ok = nullptr) {
    JsonValue value;
    EXPECT_TRUE(parse_json(json.data(), json.size(), value)) << json;
    MediaFormat f;
    std::memset(&f, 0, sizeof(f));
    bool read = read_format(&value, f);
    if (ok) {
        *ok = read;
    }
    return f;
}

TEST(ReadFormat, HeightFromResolutionOnlyWhenItIsAPlausibleHeight) {
    struct Case {
        const char* json;
        uint32_t height;
    };
    const Case kCases[] = {
        {R"j({"format_id":"a","height":0,"resolution":"1920x1080"})j", 1920},
        {R"j({"format_id":"a","resolution":"audio only"})j", 0},
        {R"j({"format_id":"a","resolution":"100x100"})j", 0},
        {R"j({"format_id":"a","resolution":"4320x7680"})j", 4320},
        {R"j({"format_id":"a","resolution":"4321x7680"})j", 0},
        {R"j({"format_id":"a","height":720,"resolution":"1920x1080"})j", 720},
        {R"j({"format_id":"a","height":-5})j", 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.json);
        EXPECT_EQ(format_of(c.json).height, c.height);
    }
}

TEST(ReadFormat, QualityFromTheNoteOrTheSmallerSide) {
    struct Case {
        const char* json;
        uint32_t quality;
    };
    const Case kCases[] = {
        {R"j({"format_id":"a","format_note":"1080p60","width":1280,"height":720})j", 1080},
        {R"j({"format_id":"a","format_note":"HD","width":1920,"height":1080})j", 1080},
        {R"j({"format_id":"a","width":1080,"height":1920})j", 1080},
        {R"j({"format_id":"a","width":854,"height":480})j", 480},
        {R"j({"format_id":"a","width":640,"height":360})j", 360},
        {R"j({"format_id":"a","width":0,"height":700})j", 480},
        {R"j({"format_id":"a","width":3840,"height":2160})j", 2160},
        {R"j({"format_id":"a","width":2560,"height":1440})j", 1440},
        {R"j({"format_id":"a","width":426,"height":240})j", 240},
        {R"j({"format_id":"a","format_note":"0p","height":360})j", 360},
        {R"j({"format_id":"a","format_note":"720 p","height":360})j", 360},
        {R"j({"format_id":"a","format_note":"medium","abr":129.5})j", 144},  // audio only
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.json);
        EXPECT_EQ(format_of(c.json).quality, c.quality);
    }
}

TEST(ReadFormat, FieldsNumbersAndFlags) {
    MediaFormat f = format_of(R"j({"format_id":"401","ext":"mp4","format":"401 - 3840x2160 (2160p)",
        "acodec":"none","vcodec":"av01.0.13M.10.0.110.09.16.09.0","dynamic_range":"HDR10",
        "format_note":"2160p, AI-upscaled","language":"en-US","width":3840,"height":2160,"fps":29.97,
        "tbr":18000.4,"abr":0,"filesize_approx":123456789})j");
    EXPECT_STREQ(f.formatId, L"401");
    EXPECT_STREQ(f.ext, L"mp4");
    EXPECT_STREQ(f.acodec, L"none");
    EXPECT_EQ(f.hdr, 1u);
    EXPECT_STREQ(f.dynamicRange, L"HDR10");
    EXPECT_EQ(f.aiUpscaled, 1u);
    EXPECT_STREQ(f.language, L"en-US");
    EXPECT_EQ(f.fps, 29u);
    EXPECT_EQ(f.tbr, 18000u);
    EXPECT_EQ(f.abr, 0u);
    EXPECT_EQ(f.filesize, 123456789u);
    EXPECT_EQ(f.quality, 2160u);
    EXPECT_EQ(f.kind, 0u);  // classification belongs to the choice rules

    for (const char* sdr : {R"j({"format_id":"a","dynamic_range":"SDR"})j", R"j({"format_id":"a","dynamic_range":"sdr"})j",
                            R"j({"format_id":"a","dynamic_range":null})j"}) {
        SCOPED_TRACE(sdr);
        MediaFormat s = format_of(sdr);
        EXPECT_EQ(s.hdr, 0u);
        EXPECT_STREQ(s.dynamicRange, L"");
    }
    EXPECT_EQ(format_of(R"j({"format_id":"a","filesize":10,"filesize_approx":20})j").filesize, 10u);
    EXPECT_EQ(format_of(R"j({"format_id":"a","filesize":null,"filesize_approx":20})j").filesize, 20u);

    bool ok = true;
    format_of(R"j({"format_id":"","ext":"mp4"})j", &ok);
    EXPECT_FALSE(ok);
    format_of(R"j({"ext":"mp4"})j", &ok);
    EXPECT_FALSE(ok);
}

TEST(NormalizeLanguage, Table) {
    struct Case {
        const wchar_t* text;
        const wchar_t* code;
    };
    const Case kCases[] = {
        {L"en-orig", L"en"},      {L"en-US", L"en"},          {L"zh-Hans", L"zh-Hans"},
        {L"zh-Hant-TW", L"zh"},   {L"pt-BR-orig", L"pt"},     {L"", L""},
        {L"de", L"de"},           {L"und", L"und"},           {L"abcdefghijklmnop", L""},
        {L"abcdefghijklmno", L"abcdefghijklmno"},             {L"sr-Latn", L"sr-Latn"},
        {L"sr-Lat1", L"sr"},      {L"-x", L""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(wide_to_utf8(c.text));
        wchar_t out[16];
        normalize_language(c.text, out);
        EXPECT_STREQ(out, c.code);
    }
}

TEST(IsDrcFormat, Table) {
    EXPECT_TRUE(is_drc_format(L"251-drc"));
    EXPECT_TRUE(is_drc_format(L"140-DrC"));
    EXPECT_TRUE(is_drc_format(L"-drc"));
    EXPECT_FALSE(is_drc_format(L"drc"));
    EXPECT_FALSE(is_drc_format(L"251drc"));
    EXPECT_FALSE(is_drc_format(L"251-drc2"));
    EXPECT_FALSE(is_drc_format(nullptr));
}

TEST(ReadVideoInfo, ReadsEveryValidFormatAndSkipsOnesWithoutId) {
    VideoFixture v;
    ASSERT_TRUE(v.read(video_json({
        R"j({"format_id":"22","ext":"mp4","height":720,"width":1280,"vcodec":"avc1.64001F","acodec":"mp4a.40.2"})j",
        R"j({"ext":"mp4","height":1080,"vcodec":"avc1"})j",
        R"j({"format_id":"43","ext":"webm","height":360,"width":640,"vcodec":"vp8","acodec":"vorbis"})j",
        R"j({"format_id":"140","ext":"m4a","format":"140 - audio only (medium)","acodec":"mp4a.40.2","abr":129})j",
    })));
    EXPECT_EQ(v.ids(), (Ids{"22", "43", "tavlo_mp3", "140"}));
    EXPECT_STREQ(v.info->title, L"Clip");
    EXPECT_STREQ(v.info->id, L"abc");
    EXPECT_STREQ(v.info->extractor, L"youtube");
    EXPECT_EQ(v.info->playlistTitle, nullptr);
}

TEST(ReadVideoInfo, ADirectFileIsItsOwnOnlyFormat) {
    VideoFixture v;
    ASSERT_TRUE(v.read(R"j({"title":"sample","format_id":"mp4","ext":"mp4","url":"http://x/sample.mp4"})j"));
    EXPECT_EQ(v.ids(), (Ids{"mp4", "tavlo_mp3", "tavlo_ext_audio"}));

    VideoFixture none;
    EXPECT_FALSE(none.read(R"j({"title":"no formats","thumbnail":"http://x/t.jpg","duration":12})j"));
    EXPECT_STREQ(none.info->title, L"no formats");  // the titles were stored before the failure
    EXPECT_STREQ(none.info->thumbnail, L"http://x/t.jpg");
    EXPECT_EQ(none.info->duration, 12u);
}

TEST(ReadVideoInfo, UnusableTextChangesNothing) {
    VideoFixture v;
    ASSERT_TRUE(v.read(video_json({R"j({"format_id":"18","ext":"mp4","height":360,"acodec":"aac"})j"})));
    uint32_t count = v.info->formatCount;
    v.item.choiceExplicit = 1;
    for (const char* bad : {"", "{", "[1,2]x", "{\"title\":\"x\"", "not json"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(v.read(bad));
        EXPECT_EQ(v.info->formatCount, count);
        EXPECT_STREQ(v.info->title, L"Clip");
        EXPECT_EQ(v.item.choiceExplicit, 1);
    }
    EXPECT_FALSE(read_video_info(v.item, *v.info, nullptr, L""));
}

TEST(ReadVideoInfo, DurationLiveAndPlaylistFields) {
    VideoFixture v;
    ASSERT_TRUE(v.read(video_json({R"j({"format_id":"18","ext":"mp4","height":360})j"},
                                  R"j("duration":212.6,"playlist_index":3)j")));
    EXPECT_EQ(v.info->duration, 212u);
    EXPECT_EQ(v.info->playlistIndex, 3u);
    EXPECT_EQ(v.info->isLive, 0u);
    EXPECT_FALSE(is_live_source(*v.info));

    ASSERT_TRUE(v.read(video_json({R"j({"format_id":"18","ext":"mp4","height":360})j"},
                                  R"j("duration":212.6,"is_live":true,"playlist_index":-1)j")));
    EXPECT_EQ(v.info->duration, 0u);
    EXPECT_EQ(v.info->isLive, 1u);
    EXPECT_EQ(v.info->playlistIndex, 0u);
    EXPECT_TRUE(is_live_source(*v.info));

    ASSERT_TRUE(v.read(R"j({"extractor":"twitch:stream","format_id":"best","ext":"mp4","duration":-4})j"));
    EXPECT_EQ(v.info->duration, 0u);
    EXPECT_TRUE(is_live_source(*v.info));
}

TEST(ReadVideoInfo, APlaylistDocumentReadsNoFormats) {
    VideoFixture v;
    v.item.selectedChoice = 7;
    v.item.choiceExplicit = 1;
    ASSERT_TRUE(v.read(video_json({R"j({"format_id":"137","ext":"mp4","height":1080})j"},
                                  R"j("n_entries":5,"playlist_index":1,"playlist_title":"Mix")j")));
    EXPECT_EQ(v.item.playlistCount, 5u);
    EXPECT_EQ(v.ids(), (Ids{"tavlo_best", "tavlo_mp3", "tavlo_ext_audio"}));
    EXPECT_EQ(v.info->formats[0].preferred, 1u);
    EXPECT_EQ(v.info->formats[0].kind, KIND_VIDEO);
    EXPECT_STREQ(v.info->playlistTitle, L"Mix");
    EXPECT_EQ(v.item.selectedChoice, 0);  // beyond the three choices
    EXPECT_EQ(v.item.choiceExplicit, 0);
}

TEST(ReadVideoInfo, SubtitlesOneTrackPerLanguageWithoutMachineTranslations) {
    VideoFixture v;
    ASSERT_TRUE(v.read(video_json({R"j({"format_id":"18","ext":"mp4","height":360})j"}, R"j(
        "language":"fr",
        "subtitles":{"en":[{"ext":"vtt"}],"en-US":[{"ext":"vtt"}],"en-orig":[],"live_chat":[]},
        "automatic_captions":{
            "de":[{"ext":"vtt","url":"https://x/api/timedtext?v=abc&lang=en&tlang=de"}],
            "fr":[{"ext":"vtt","url":"https://x/api/timedtext?v=abc&lang=fr"}],
            "en":[{"ext":"vtt","url":"https://x/api/timedtext?v=abc&lang=en"}],
            "es":"not a list"})j")));
    ASSERT_EQ(v.info->subtitleCount, 4u);
    struct Expected {
        const wchar_t* language;
        const wchar_t* key;
        uint32_t isAuto;
    };
    const Expected kTracks[] = {
        {L"en", L"en", 0}, {L"live_chat", L"live_chat", 0}, {L"fr", L"fr", 1}, {L"es", L"es", 1}};
    for (uint32_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_STREQ(v.info->subtitles[i].language, kTracks[i].language);
        EXPECT_STREQ(v.info->subtitles[i].key, kTracks[i].key);
        EXPECT_EQ(v.info->subtitles[i].isAuto, kTracks[i].isAuto);
        EXPECT_STREQ(v.info->subtitles[i].ext, L"vtt");
    }
    EXPECT_STREQ(v.info->videoLanguage, L"en");  // the first manual track beats "language"
}

TEST(ReadVideoInfo, VideoLanguageFallsBackToTheDocumentLanguageAndTracksAreCapped) {
    std::string autos;
    for (int i = 0; i < 20; ++i) {
        autos += (i ? "," : "") + std::string("\"l") + char('a' + i) + "\":[]";
    }
    VideoFixture v;
    ASSERT_TRUE(v.read(video_json({R"j({"format_id":"18","ext":"mp4","height":360})j"},
                                  R"j("language":"pt-BR","automatic_captions":{)j" + autos + "}")));
    EXPECT_STREQ(v.info->videoLanguage, L"pt");
    EXPECT_EQ(v.info->subtitleCount, MAX_SUBTITLES);
    EXPECT_STREQ(v.info->subtitles[15].key, L"lp");
}

// Two webm audio tracks: the original in English, a dub in German.
const char kDubbed[] = R"j({"format_id":"251","ext":"webm","format":"251 - audio only (medium, original)",
    "acodec":"opus","vcodec":"none","abr":130,"language":"en","language_preference":10,"filesize":1000})j";
const char kGerman[] = R"j({"format_id":"251-1","ext":"webm","format":"251-1 - audio only (medium)",
    "acodec":"opus","vcodec":"none","abr":120,"language":"de","language_preference":-1,"filesize":900})j";

TEST(ReadVideoInfo, AudioGroupsHoldTheOriginalAndTheInterfaceLanguageTrack) {
    VideoFixture german;
    ASSERT_TRUE(german.read(video_json({kDubbed, kGerman}), L"de"));
    ASSERT_EQ(german.info->audioGroupCount, 1u);
    const AudioGroup& g = german.info->audioGroups[0];
    EXPECT_STREQ(g.ext, L"webm");
    EXPECT_STREQ(g.originalId, L"251");
    EXPECT_EQ(g.originalSize, 1000u);
    EXPECT_EQ(g.originalBitrate, 130u);
    EXPECT_STREQ(g.originalLanguage, L"en");
    EXPECT_STREQ(g.userId, L"251-1");
    EXPECT_EQ(g.userSize, 900u);
    EXPECT_STREQ(g.userLanguage, L"de");

    VideoFixture english;
    ASSERT_TRUE(english.read(video_json({kDubbed, kGerman}), L"en"));
    ASSERT_EQ(english.info->audioGroupCount, 1u);
    EXPECT_STREQ(english.info->audioGroups[0].originalId, L"251");
    EXPECT_STREQ(english.info->audioGroups[0].userId, L"");

    VideoFixture unmarked;
    ASSERT_TRUE(unmarked.read(video_json({
        R"j({"format_id":"140","ext":"m4a","format":"audio only","language":"en","abr":128})j",
        R"j({"format_id":"140-1","ext":"m4a","format":"audio only","language":"de","abr":128})j"}), L"de"));
    EXPECT_EQ(unmarked.info->audioGroupCount, 0u);
}

TEST(ReadVideoInfo, AudioTrackRuleKeepsPlainAudioOverCompressedDynamics) {
    struct Case {
        const char* name;
        std::vector<std::string> formats;
        const wchar_t* originalId;
    };
    auto track = [](const char* id, int abr) {
        return std::string(R"j({"format_id":")j") + id + R"j(","ext":"m4a","format_note":"original","language":"en-orig","abr":)j" +
               std::to_string(abr) + "}";
    };
    const Case kCases[] = {
        {"drc with a higher bitrate stays out", {track("140", 128), track("140-drc", 160)}, L"140"},
        {"plain replaces drc", {track("140-drc", 160), track("141", 96)}, L"141"},
        {"drc replaces lower drc", {track("140-drc", 96), track("141-drc", 160)}, L"141-drc"},
        {"higher plain bitrate wins", {track("139", 48), track("140", 128)}, L"140"},
        {"equal bitrate keeps the first", {track("140", 128), track("140b", 128)}, L"140"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        VideoFixture v;
        ASSERT_TRUE(v.read(video_json(c.formats), L"de"));
        ASSERT_EQ(v.info->audioGroupCount, 1u);
        EXPECT_STREQ(v.info->audioGroups[0].originalId, c.originalId);
        EXPECT_STREQ(v.info->audioGroups[0].originalLanguage, L"en");
    }
}

TEST(ReadPlaylistEntry, FillsFromAParsableTextAndLeavesTheEntryOtherwise) {
    ChoiceState item = {};
    item.selectAll = 1;
    PlaylistEntry entry = {};
    EXPECT_TRUE(read_playlist_entry(item, R"j({"playlist_index":2,"title":"Second","id":"multi-2"})j", entry));
    EXPECT_EQ(entry.playlistIndex, 2u);
    EXPECT_EQ(entry.selected, 1u);
    EXPECT_STREQ(entry.title, L"Second");
    EXPECT_STREQ(entry.id, L"multi-2");

    EXPECT_TRUE(read_playlist_entry(item, R"j({"playlist_index":0,"title":""})j", entry));
    EXPECT_EQ(entry.playlistIndex, 0u);
    EXPECT_STREQ(entry.title, L"Second");  // an empty title leaves the old one

    PlaylistEntry untouched = {};
    untouched.playlistIndex = 9;
    EXPECT_TRUE(read_playlist_entry(item, "{broken", untouched));
    EXPECT_TRUE(read_playlist_entry(item, nullptr, untouched));
    EXPECT_EQ(untouched.playlistIndex, 9u);
    EXPECT_EQ(untouched.title, nullptr);
    free_playlist_entry(entry);
    free_playlist_entry(untouched);
}

// Real yt-dlp -j output recorded from local test servers: the first document
// the reader accepts and the choice list it yields.
TEST(ReadVideoInfo, RecordedToolOutput) {
    struct Case {
        const char* fixture;
        const char* title;
        Ids ids;
        uint32_t playlistCount;
    };
    const Case kCases[] = {
        {"ytdlp-j-direct-mp4.out", "sample", {"mp4", "tavlo_mp3", "tavlo_ext_audio"}, 0},
        {"ytdlp-j-direct-m4a.out", "audio", {"tavlo_mp3", "fmp4"}, 0},
        {"ytdlp-j-direct-mp3.out", "audio", {"mpeg"}, 0},
        {"ytdlp-j-hls-master.out", "master", {"450+aud-English", "tavlo_mp3", "aud-English"}, 0},
        {"ytdlp-j-dash.out", "manifest", {"0+1", "tavlo_mp3", "1"}, 0},
        {"ytdlp-j-html-multi-playlist.out", "Three clips on one page (1)",
         {"tavlo_best", "tavlo_mp3", "tavlo_ext_audio"}, 3},
        {"ytdlp-j-plainserver-ts.out", "sample", {"0"}, 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.fixture);
        std::string output = read_test_file(std::string("fixtures/") + c.fixture);
        VideoFixture v;
        bool accepted = false;
        size_t start = 0;
        while (!accepted && start < output.size()) {
            size_t end = output.find('\n', start);
            end = end == std::string::npos ? output.size() : end;
            if (output[start] == '{') {
                accepted = v.read(output.substr(start, end - start));
            }
            start = end + 1;
        }
        ASSERT_TRUE(accepted);
        EXPECT_EQ(wide_to_utf8(v.info->title), c.title);
        EXPECT_EQ(v.ids(), c.ids);
        EXPECT_EQ(v.item.playlistCount, c.playlistCount);
    }
}

TEST(ReadVideoInfo, NonAsciiTitleSurvivesTheRoundTrip) {
    std::string output = read_test_file("fixtures/ytdlp-j-html-video.out");
    size_t start = output.find("\n{") + 1;
    VideoFixture v;
    ASSERT_TRUE(v.read(output.substr(start, output.find('\n', start) - start)));
    EXPECT_EQ(wide_to_utf8(v.info->title),
              "T\xC3\xAB" "st vid\xC3\xA9o: \"\xC3\x9Cn\xC3\xAF" "c\xC3\xB6" "d\xC3\xA9\" "
              "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E | part?1 (1)");
    EXPECT_EQ(v.ids(), (Ids{"1", "0", "tavlo_mp3", "tavlo_ext_audio"}));
}

TEST(InterfaceLanguageCode, KnownAndUnknownLanguages) {
    wchar_t code[4];
    interface_language_code(9, code);
    EXPECT_STREQ(code, L"en");
    interface_language_code(0x0407, code);
    EXPECT_STREQ(code, L"de");
    interface_language_code(0, code);
    EXPECT_STREQ(code, L"");
}

}  // namespace
