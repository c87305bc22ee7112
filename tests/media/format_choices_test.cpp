#include "app/media/format_choices.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/sys_string.h"
#include "base/text.h"
#include "tests/media/media_test_support.h"

namespace {

using Ids = std::vector<std::string>;

struct Spec {
    const wchar_t* id;
    const wchar_t* ext;
    uint32_t height = 0;
    const wchar_t* vcodec = L"";
    const wchar_t* acodec = L"";
    const wchar_t* format = L"";
    uint32_t tbr = 0;
    uint32_t abr = 0;
    uint64_t filesize = 0;
    uint32_t hdr = 0;
    uint32_t aiUpscaled = 0;
};

MediaFormat make(const Spec& s) {
    MediaFormat f;
    std::memset(&f, 0, sizeof(f));
    text_copy(f.formatId, s.id);
    text_copy(f.ext, s.ext);
    text_copy(f.vcodec, s.vcodec);
    text_copy(f.acodec, s.acodec);
    text_copy(f.format, s.format);
    f.height = s.height;
    f.quality = s.height ? s.height : 144;
    f.tbr = s.tbr;
    f.abr = s.abr;
    f.filesize = s.filesize;
    f.hdr = s.hdr;
    f.aiUpscaled = s.aiUpscaled;
    return f;
}

// A video-only and an audio-only stream in yt-dlp's words.
Spec video_only(const wchar_t* id, const wchar_t* ext, uint32_t height, const wchar_t* vcodec) {
    return Spec{id, ext, height, vcodec, L"none", L"video only"};
}
Spec audio_only(const wchar_t* id, const wchar_t* ext, uint32_t abr) {
    return Spec{id, ext, 0, L"none", L"opus", L"audio only", 0, abr};
}

struct ChoiceFixture : VideoFixture {
    void add(const Spec& s) { add_format(*info, make(s)); }
    void finish() { finish_choice_list(item, *info); }
};

TEST(ClassifyFormat, Table) {
    struct Case {
        Spec spec;
        uint32_t kind;
        const wchar_t* ext;
    };
    const Case kCases[] = {
        {{L"137", L"mp4", 1080, L"avc1", L"none", L"137 - 1920x1080 (DASH video)"}, KIND_VIDEO, L"mp4"},
        {{L"22", L"mp4", 720, L"avc1", L"mp4a.40.2"}, KIND_VIDEO | KIND_AUDIO, L"mp4"},
        {{L"v", L"webm", 720, L"vp9", L"none"}, KIND_VIDEO, L"webm"},
        {{L"v", L"webm", 720, L"vp9", L""}, KIND_VIDEO | KIND_AUDIO, L"webm"},
        {{L"a", L"M4A", 0}, KIND_AUDIO, L"M4A"},
        {{L"a", L"flac", 0, L"", L"none"}, KIND_AUDIO, L"flac"},
        {{L"140", L"mp4", 0, L"none", L"mp4a", L"140 - DASH audio"}, KIND_AUDIO, L"m4a"},
        {{L"251", L"webm", 0, L"none", L"opus", L"251 - Audio Only (medium)"}, KIND_AUDIO, L"webm"},
        {{L"mp4", L"mp4", 0}, KIND_VIDEO | KIND_AUDIO, L"mp4"},
        {{L"mp4", L"mp4", 0, L"", L"none"}, KIND_VIDEO, L"mp4"},
        {{L"0", L"ts", 0}, 0, L"ts"},
        {{L"w", L"webm", 0, L"", L"opus"}, KIND_AUDIO, L"webm"},  // audio fields alone make it audio
        {{L"x", L"ts", 0, L"", L"", L"", 0, 96}, KIND_AUDIO, L"ts"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(wide_to_utf8(c.spec.format) + " " + wide_to_utf8(c.spec.ext));
        MediaFormat f = make(c.spec);
        classify_format(f);
        EXPECT_EQ(f.kind, c.kind);
        EXPECT_STREQ(f.ext, c.ext);
    }
}

TEST(CodecClass, Table) {
    struct Case {
        const wchar_t* vcodec;
        int codecClass;
    };
    const Case kCases[] = {
        {L"", 0},          {L"none", 0},   {L"avc1.640028", 1}, {L"AVC1.640028", 0}, {L"h264", 0},
        {L"vp9", 2},       {L"VP9.2", 2},  {L"vp09.00.41.08", 2}, {L"vp8", 0},       {L"av01.0.08M.08", 3},
        {L"AV01.0", 0},    {L"av1", 3},    {L"AV1", 3},         {L"av1x", 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(wide_to_utf8(c.vcodec));
        Spec s{L"f", L"mp4", 720, c.vcodec};
        EXPECT_EQ(codec_class(make(s)), c.codecClass);
    }
}

TEST(AddFormat, KeepsOneVideoPerQualityCodecAndRange) {
    ChoiceFixture v;
    v.add({L"137", L"mp4", 1080, L"avc1.640028", L"none", L"video only", 4000});
    v.add({L"x", L"webm", 1080, L"avc1.640028", L"none", L"video only", 9000});  // same key: mp4 wins
    v.add({L"248", L"webm", 1080, L"vp9", L"none", L"video only", 2500});        // VP9 is another key
    v.add({L"399", L"mp4", 1080, L"av01.0.08M.08", L"none", L"video only", 1800, 0, 0, 1});  // HDR another key
    EXPECT_EQ(v.ids(), (Ids{"137", "248", "399"}));

    struct Case {
        const char* name;
        Spec existing;
        Spec fresh;
        const char* kept;
    };
    const Case kCases[] = {
        {"the copy that is not AI-upscaled",
         {L"up", L"mp4", 720, L"avc1", L"", L"", 9000, 0, 100, 0, 1}, {L"plain", L"webm", 720, L"avc1"}, "plain"},
        {"mp4 over another container", {L"w", L"webm", 720, L"avc1", L"", L"", 9000, 0, 100}, {L"m", L"mp4", 720, L"avc1"}, "m"},
        {"a known size", {L"a", L"mp4", 720, L"avc1", L"", L"", 9000}, {L"b", L"mp4", 720, L"avc1", L"", L"", 1, 0, 5}, "b"},
        {"the higher bitrate", {L"a", L"mp4", 720, L"avc1", L"", L"", 100}, {L"b", L"mp4", 720, L"avc1", L"", L"", 200}, "b"},
        {"equal bitrate keeps the first", {L"a", L"mp4", 720, L"avc1", L"", L"", 100}, {L"b", L"mp4", 720, L"avc1", L"", L"", 100}, "a"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ChoiceFixture d;
        d.add(c.existing);
        d.add(c.fresh);
        EXPECT_EQ(d.ids(), Ids{c.kept});
    }
}

TEST(AddFormat, KeepsTheBestAudioPerContainer) {
    struct Case {
        const char* name;
        std::vector<Spec> formats;
        Ids kept;
        uint32_t abr;
    };
    const Case kCases[] = {
        {"higher abr wins", {audio_only(L"a128", L"m4a", 128), audio_only(L"a129", L"m4a", 129)}, {"a129"}, 129},
        {"lower abr is dropped", {audio_only(L"a129", L"m4a", 129), audio_only(L"a128", L"m4a", 128)}, {"a129"}, 129},
        {"drc twin never replaces its plain twin",
         {audio_only(L"140", L"m4a", 128), audio_only(L"140-drc", L"m4a", 160)}, {"140"}, 128},
        {"plain replaces drc", {audio_only(L"140-drc", L"m4a", 160), audio_only(L"140", L"m4a", 100)}, {"140"}, 100},
        {"tbr stands in for a missing abr",
         {Spec{L"t", L"m4a", 0, L"none", L"aac", L"audio only", 160, 0}}, {"t"}, 160},
        {"equal abr: an original track replaces",
         {audio_only(L"a", L"webm", 128), Spec{L"b", L"webm", 0, L"none", L"opus", L"audio only, original", 0, 128}}, {"b"}, 128},
        {"equal abr: otherwise the first stays", {audio_only(L"a", L"webm", 128), audio_only(L"b", L"webm", 128)}, {"a"}, 128},
        {"containers are kept apart", {audio_only(L"a", L"webm", 160), audio_only(L"b", L"m4a", 128)}, {"a", "b"}, 160},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ChoiceFixture v;
        for (const Spec& s : c.formats) {
            v.add(s);
        }
        EXPECT_EQ(v.ids(), c.kept);
        EXPECT_EQ(v.info->formats[0].abr, c.abr);
    }
}

TEST(AddFormat, DropsStoryboardsAndRefusesThe65thRecord) {
    ChoiceFixture v;
    v.add({L"sb0", L"mhtml", 0, L"none", L"none", L"storyboard"});
    EXPECT_EQ(v.info->formatCount, 0u);
    for (uint32_t i = 0; i < 70; ++i) {
        v.add({L"v", L"mp4", 100 + i, L"avc1"});
    }
    EXPECT_EQ(v.info->formatCount, MAX_FORMATS);
    EXPECT_FALSE(insert_format(*v.info, 0, make({L"x", L"mp4", 1})));
    remove_format(*v.info, MAX_FORMATS - 1);
    EXPECT_EQ(v.info->formatCount, MAX_FORMATS - 1);
    remove_format(*v.info, MAX_FORMATS + 3);  // ignored
    EXPECT_EQ(v.info->formatCount, MAX_FORMATS - 1);
    EXPECT_TRUE(insert_format(*v.info, 0, make({L"first", L"mp4", 1})));
    EXPECT_STREQ(v.info->formats[0].formatId, L"first");
    EXPECT_STREQ(v.info->formats[1].formatId, L"v");
}

TEST(CompareFormats, Table) {
    struct Case {
        const char* name;
        Spec a;
        Spec b;
        int result;
    };
    const Case kCases[] = {
        {"video before audio", {L"v", L"mp4", 144, L"avc1"}, audio_only(L"a", L"m4a", 320), 1},
        {"audio after video", audio_only(L"a", L"m4a", 320), {L"v", L"mp4", 144, L"avc1"}, -1},
        {"higher quality first", {L"a", L"webm", 1080}, {L"b", L"mp4", 720}, 1},
        {"hdr first", {L"a", L"webm", 1080, L"", L"", L"", 0, 0, 0, 1}, {L"b", L"mp4", 1080}, 1},
        {"higher tbr first", {L"a", L"webm", 720, L"", L"", L"", 900}, {L"b", L"mp4", 720, L"", L"", L"", 800}, 1},
        {"tbr only counts when both are known", {L"a", L"webm", 720, L"", L"", L"", 900}, {L"b", L"mp4", 720}, -1},
        {"mp4 first", {L"a", L"MP4", 720}, {L"b", L"webm", 720}, 1},
        {"hd before sd", {L"a", L"mp4", 720, L"", L"", L"http_HD_1"}, {L"b", L"mp4", 720, L"", L"", L"http_sd_1"}, 1},
        {"sd after hd", {L"a", L"mp4", 720, L"", L"", L"x_sd_"}, {L"b", L"mp4", 720, L"", L"", L"x_hd_"}, -1},
        {"equal videos", {L"a", L"mp4", 720}, {L"b", L"mp4", 720}, 0},
        {"mp3 first", audio_only(L"a", L"mp3", 1), audio_only(L"b", L"m4a", 320), 1},
        {"m4a before webm", audio_only(L"a", L"m4a", 1), audio_only(L"b", L"webm", 320), 1},
        {"webm after m4a", audio_only(L"a", L"webm", 320), audio_only(L"b", L"m4a", 1), -1},
        {"higher abr first", audio_only(L"a", L"ogg", 96), audio_only(L"b", L"ogg", 128), -1},
        {"equal audio", audio_only(L"a", L"ogg", 96), audio_only(L"b", L"ogg", 96), 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        MediaFormat a = make(c.a), b = make(c.b);
        classify_format(a);
        classify_format(b);
        EXPECT_EQ(compare_formats(a, b), c.result);
    }
}

TEST(FinishChoiceList, SortsPairsAndAddsTheAudioChoices) {
    ChoiceFixture v;
    v.add(audio_only(L"140", L"m4a", 129));
    v.add(video_only(L"136", L"mp4", 720, L"avc1.4d401f"));
    v.add(audio_only(L"251", L"webm", 135));
    v.add(video_only(L"248", L"webm", 1080, L"vp9"));
    v.add(video_only(L"137", L"mp4", 1080, L"avc1.640028"));
    v.add({L"18", L"mp4", 360, L"avc1.42001E", L"mp4a.40.2", L"18 - 640x360 (360p)", 500});
    v.finish();
    EXPECT_EQ(v.ids(), (Ids{"137+140", "248+251", "136+140", "18", "tavlo_mp3", "140", "251"}));
    EXPECT_EQ(v.choice("137+140").preferred, 1u);
    EXPECT_EQ(v.choice("248+251").preferred, 0u);  // the mp4 of its quality is preferred
    EXPECT_EQ(v.choice("tavlo_mp3").abr, 320u);
    EXPECT_EQ(v.choice("tavlo_mp3").kind, KIND_AUDIO);
    EXPECT_EQ(v.item.dubbedChoice, NO_DUBBED_CHOICE);
}

TEST(FinishChoiceList, PreferenceWithinAQualityClass) {
    ChoiceFixture plain;
    plain.add(video_only(L"137", L"mp4", 1080, L"avc1"));
    plain.add(video_only(L"248", L"webm", 1080, L"vp9"));
    plain.finish();
    EXPECT_EQ(plain.choice("137").preferred, 1u);
    EXPECT_EQ(plain.choice("248").preferred, 0u);

    ChoiceFixture sized;  // both mp4 with known sizes: the better codec wins
    sized.add({L"137", L"mp4", 1080, L"avc1", L"none", L"video only", 4000, 0, 100});
    sized.add({L"vp", L"mp4", 1080, L"vp09.00.40.08", L"none", L"video only", 2000, 0, 100});
    sized.finish();
    EXPECT_EQ(sized.choice("137").preferred, 0u);
    EXPECT_EQ(sized.choice("vp").preferred, 1u);
}

TEST(FinishChoiceList, LowQualitiesGoOnceTheBestReachesTheThreshold) {
    struct Case {
        const char* name;
        const char* extractor;
        std::vector<uint32_t> heights;
        Ids kept;
    };
    const Case kCases[] = {
        {"best 240p keeps 144p", "generic", {240, 144}, {"240", "144", "tavlo_mp3", "tavlo_ext_audio"}},
        {"best 720p drops below 360p", "generic", {144, 720, 240, 360}, {"720", "360", "tavlo_mp3", "tavlo_ext_audio"}},
        {"ArteTV cuts at 720p", "ArteTV", {480, 1080, 720}, {"tavlo_best", "720", "tavlo_mp3", "tavlo_ext_audio"}},
        {"ArteTV below 720p keeps all", "artetv", {480, 360}, {"tavlo_best", "360", "tavlo_mp3", "tavlo_ext_audio"}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ChoiceFixture v;
        std::wstring extractor = utf8_to_wide(c.extractor);
        v.info->extractor = sys_string_new(extractor.c_str(), extractor.size());
        for (uint32_t h : c.heights) {
            std::wstring id = std::to_wstring(h);
            v.add({id.c_str(), L"mp4", h, L"avc1", L"mp4a"});
        }
        v.finish();
        EXPECT_EQ(v.ids(), c.kept);
    }
}

TEST(FinishChoiceList, DropsOneMultipleFormatAfterTheFirst) {
    ChoiceFixture v;
    v.add({L"a", L"mp4", 1080, L"avc1", L"mp4a", L"multiple streams"});
    v.add({L"b", L"mp4", 720, L"avc1", L"mp4a", L"Multiple"});
    v.add({L"c", L"webm", 720, L"vp9", L"opus", L"multiple"});
    v.finish();
    EXPECT_EQ(v.ids(), (Ids{"a", "c", "tavlo_mp3", "tavlo_ext_audio"}));
}

TEST(FinishChoiceList, AudioConversionsOnlyWhenThereIsNoMp3) {
    ChoiceFixture mp3;
    mp3.add(video_only(L"v", L"mp4", 720, L"avc1"));
    mp3.add(Spec{L"m", L"mp3", 0, L"none", L"mp3", L"", 0, 128});
    mp3.finish();
    EXPECT_EQ(mp3.ids(), (Ids{"v+m", "m"}));

    ChoiceFixture noAudio;
    noAudio.add({L"v", L"mp4", 720, L"avc1", L"mp4a"});
    noAudio.finish();
    EXPECT_EQ(noAudio.ids(), (Ids{"v", "tavlo_mp3", "tavlo_ext_audio"}));

    ChoiceFixture nothing;
    nothing.add({L"0", L"ts", 0});
    nothing.finish();
    EXPECT_EQ(nothing.ids(), (Ids{"0"}));
}

TEST(FinishChoiceList, PairingAddsTheAudioSizeOnlyToAKnownVideoSize) {
    ChoiceFixture known;
    known.add({L"137", L"mp4", 1080, L"avc1", L"none", L"video only", 0, 0, 50000000});
    known.add({L"140", L"m4a", 0, L"none", L"mp4a", L"audio only", 0, 129, 3000000});
    known.finish();
    const MediaFormat& k = known.choice("137+140");
    EXPECT_EQ(k.filesize, 53000000u);
    EXPECT_EQ(k.audioSize, 3000000u);

    ChoiceFixture unknown;
    unknown.add(video_only(L"137", L"mp4", 1080, L"avc1"));
    unknown.add({L"140", L"m4a", 0, L"none", L"mp4a", L"audio only", 0, 129, 3000000});
    unknown.finish();
    EXPECT_EQ(unknown.choice("137+140").filesize, 0u);
    EXPECT_EQ(unknown.choice("137+140").audioSize, 0u);

    ChoiceFixture other;  // no m4a: the best audio of any container
    other.add(video_only(L"137", L"mp4", 1080, L"avc1"));
    other.add(audio_only(L"250", L"webm", 70));
    other.add(audio_only(L"251", L"ogg", 160));
    other.add(video_only(L"flv", L"flv", 1080, L"vp9"));
    other.finish();
    EXPECT_EQ(other.ids()[0], "137+251");
    EXPECT_EQ(other.ids()[1], "flv");  // other containers stay unpaired

    ChoiceFixture alone;
    alone.add(video_only(L"137", L"mp4", 1080, L"avc1"));
    alone.finish();
    EXPECT_EQ(alone.ids(), (Ids{"137", "tavlo_mp3", "tavlo_ext_audio"}));
}

TEST(FinishChoiceList, PairingUsesTheOriginalLanguageTrackOfItsGroup) {
    VideoFixture v;
    ASSERT_TRUE(v.read(video_json({
        R"j({"format_id":"137","ext":"mp4","height":1080,"vcodec":"avc1","acodec":"none","format":"video only","filesize":5000})j",
        R"j({"format_id":"140-0","ext":"m4a","format":"audio only","acodec":"mp4a","abr":129,"language":"fr","filesize":700})j",
        R"j({"format_id":"140-1","ext":"m4a","format":"audio only","acodec":"mp4a","abr":128,"language":"en",
            "format_note":"English original (default)","filesize":600})j",
        R"j({"format_id":"140-2","ext":"m4a","format":"audio only","acodec":"mp4a","abr":127,"language":"de","filesize":500})j",
    }), L"de"));
    // The original English track pairs with the video; the German one makes the dubbed copy.
    EXPECT_EQ(v.ids(), (Ids{"137+140-1", "137+140-2", "tavlo_mp3", "140-0"}));
    EXPECT_EQ(v.choice("137+140-1").filesize, 5600u);
    EXPECT_EQ(v.choice("137+140-2").filesize, 5500u);
    EXPECT_EQ(v.choice("137+140-2").audioSize, 500u);
    EXPECT_EQ(v.choice("137+140-2").dubbed, 1u);
    EXPECT_EQ(v.item.dubbedChoice, 1);
}

TEST(FinishChoiceList, HdrAndSdrTwinsKeepOneSide) {
    struct Case {
        const char* name;
        std::vector<Spec> formats;
        Ids kept;
    };
    const Spec hdr2160{L"h2160", L"webm", 2160, L"vp9.2", L"none", L"video only", 0, 0, 0, 1};
    const Spec sdr2160{L"s2160", L"webm", 2160, L"vp9", L"none", L"video only"};
    const Spec hdr1080{L"h1080", L"webm", 1080, L"vp9.2", L"none", L"video only", 0, 0, 0, 1};
    const Spec sdr1080{L"s1080", L"webm", 1080, L"vp9", L"none", L"video only"};
    const Spec hdr1080mp4{L"h1080", L"mp4", 1080, L"av01", L"none", L"video only", 0, 0, 900, 1};
    const Spec sdr1080mp4{L"s1080", L"mp4", 1080, L"av01", L"none", L"video only", 0, 0, 800};
    const Case kCases[] = {
        {"at the best HDR quality HDR stays", {hdr2160, sdr2160}, {"h2160", "tavlo_mp3", "tavlo_ext_audio"}},
        {"below it SDR stays", {hdr2160, hdr1080, sdr1080}, {"h2160", "s1080", "tavlo_mp3", "tavlo_ext_audio"}},
        {"unless only HDR has a sized mp4", {hdr2160, hdr1080mp4, sdr1080},
         {"h2160", "h1080", "tavlo_mp3", "tavlo_ext_audio"}},
        {"a sized SDR mp4 keeps SDR", {hdr2160, hdr1080mp4, sdr1080mp4},
         {"h2160", "s1080", "tavlo_mp3", "tavlo_ext_audio"}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ChoiceFixture v;
        for (const Spec& s : c.formats) {
            v.add(s);
        }
        v.finish();
        EXPECT_EQ(v.ids(), c.kept);
    }
}

TEST(FinishChoiceList, AiUpscaledCopiesGoWhenARealOneExists) {
    ChoiceFixture v;
    v.add({L"up", L"webm", 1080, L"vp9", L"none", L"video only", 0, 0, 0, 0, 1});
    v.add(video_only(L"real", L"mp4", 1080, L"av01"));  // another duplicate key, so both arrive
    v.add({L"up720", L"webm", 720, L"vp9", L"none", L"video only", 0, 0, 0, 0, 1});
    v.finish();
    EXPECT_EQ(v.ids(), (Ids{"real", "up720", "tavlo_mp3", "tavlo_ext_audio"}));
}

TEST(FinishChoiceList, SelectionIsRepairedAndFollowsTheDubbedCopy) {
    ChoiceFixture beyond;
    beyond.item.selectedChoice = 5;
    beyond.item.choiceExplicit = 1;
    beyond.add({L"v", L"mp4", 720, L"avc1", L"mp4a"});
    beyond.add(audio_only(L"a", L"m4a", 128));
    beyond.finish();
    ASSERT_EQ(beyond.info->formatCount, 3u);
    EXPECT_EQ(beyond.item.selectedChoice, 0);
    EXPECT_EQ(beyond.item.choiceExplicit, 0);

    for (int selected : {0, 1, 2}) {
        SCOPED_TRACE(selected);
        VideoFixture v;
        v.item.selectedChoice = selected;
        ASSERT_TRUE(v.read(video_json({
            R"j({"format_id":"137","ext":"mp4","height":1080,"vcodec":"avc1","acodec":"none","format":"video only"})j",
            R"j({"format_id":"140-1","ext":"m4a","format":"audio only","acodec":"mp4a","abr":128,"language":"en","language_preference":10})j",
            R"j({"format_id":"140-2","ext":"m4a","format":"audio only","acodec":"mp4a","abr":128,"language":"de"})j",
        }), L"de"));
        EXPECT_EQ(v.item.dubbedChoice, 1);
        EXPECT_EQ(v.item.selectedChoice, selected == 0 ? 0 : selected + 1);
    }
}

TEST(InsertDubbedChoice, NeedsAPreferredVideoAndAUserTrack) {
    VideoFixture playlist;
    playlist.item.playlistCount = 2;
    insert_dubbed_choice(playlist.item, *playlist.info);
    EXPECT_EQ(playlist.item.dubbedChoice, NO_DUBBED_CHOICE);

    VideoFixture v;  // a combined id without '+' becomes the user track alone
    ASSERT_TRUE(v.read(video_json({
        R"j({"format_id":"v9","ext":"webm","height":720,"vcodec":"vp9","acodec":"opus"})j",
        R"j({"format_id":"o","ext":"webm","format":"audio only","language":"en","language_preference":10})j",
        R"j({"format_id":"d","ext":"webm","format":"audio only","language":"de"})j",
    }), L"de"));
    EXPECT_EQ(v.ids(), (Ids{"v9", "d", "tavlo_mp3", "o"}));
    EXPECT_EQ(v.choice("d").dubbed, 1u);
}

}  // namespace
