#include "app/media/choice_memory.h"

#include <gtest/gtest.h>

#include <cstring>

#include "base/text.h"
#include "tests/media/media_test_support.h"

namespace {

struct Choice {
    const wchar_t* id;
    const wchar_t* ext;
    uint32_t kind;
    uint32_t height;
    uint32_t preferred = 0;
    uint32_t compatible = 0;
    uint32_t listed = 1;
};

struct MemoryFixture : VideoFixture {
    wchar_t token[CHOICE_TOKEN_CAPACITY] = L"";

    void set(std::initializer_list<Choice> choices) {
        info->formatCount = 0;
        for (const Choice& c : choices) {
            MediaFormat& f = info->formats[info->formatCount++];
            std::memset(&f, 0, sizeof(f));
            text_copy(f.formatId, c.id);
            text_copy(f.ext, c.ext);
            f.kind = c.kind;
            f.height = c.height;
            f.preferred = c.preferred;
            f.compatible = c.compatible;
            f.listed = c.listed;
        }
    }
    void apply(const wchar_t* t, int selected = 3, int defaultChoice = 1) {
        item.selectedChoice = selected;
        item.defaultChoice = defaultChoice;
        item.choiceExplicit = 0;
        apply_choice_token(item, *info, t);
    }
};

constexpr uint32_t AV = KIND_AUDIO | KIND_VIDEO;

TEST(ChoiceToken, NamesTheKindOfTheCurrentChoice) {
    MemoryFixture m;
    m.set({{L"137+140", L"mp4", KIND_VIDEO, 1080, 1},
           {L"22", L"mp4", AV, 720, 0, 1},
           {L"248+251", L"webm", KIND_VIDEO, 1080, 0},
           {L"tavlo_mp3", L"mp3", KIND_AUDIO, 0},
           {L"tavlo_ext_audio", L"", KIND_AUDIO, 0},
           {L"18", L"mp4", AV, 360, 1, 1}});
    struct Case {
        int selected;
        const wchar_t* token;
    };
    const Case kCases[] = {
        {0, L"best"}, {1, L"video+mp4+720p+compat"}, {2, L"video+webm+1080p"},
        {3, L"audio+mp3"}, {4, L"audio+"}, {5, L"video+mp4+360p"},  // compatible but also preferred
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.selected);
        m.item.selectedChoice = c.selected;
        choice_token(m.item, *m.info, m.token);
        EXPECT_STREQ(m.token, c.token);
    }
    m.set({{L"22", L"mp4", AV, 720, 0, 1}});  // index 0 that is the compatible variant
    m.item.selectedChoice = 0;
    choice_token(m.item, *m.info, m.token);
    EXPECT_STREQ(m.token, L"video+mp4+720p+compat");
}

TEST(ApplyChoiceToken, SelectsTheClosestChoice) {
    MemoryFixture m;
    m.set({{L"a", L"webm", KIND_VIDEO, 2160, 0},          // 0
           {L"b", L"webm", KIND_VIDEO, 2160, 1},          // 1 preferred
           {L"c", L"mp4", KIND_VIDEO, 720, 1},            // 2 preferred
           {L"d", L"mp4", AV, 720, 0, 1},                 // 3 compatible
           {L"e", L"mp4", AV, 720, 0, 1},                 // 4 compatible, the last one
           {L"f", L"mp4", AV, 720, 0, 1, 0},              // 5 compatible but not on the menu
           {L"g", L"mp4", KIND_VIDEO, 480, 0},            // 6
           {L"tavlo_mp3", L"mp3", KIND_AUDIO, 0},         // 7
           {L"140", L"m4a", KIND_AUDIO, 0},               // 8
           {L"141", L"M4A", KIND_AUDIO, 0}});             // 9
    struct Case {
        const wchar_t* token;
        int selected;
        int explicitChoice;
    };
    const Case kCases[] = {
        {L"best", 3, 0},                     // changes nothing
        {L"", 3, 0},
        {L"video+webm+2160p", 1, 1},         // the preferred one of the two
        {L"video+mp4+720p+compat", 4, 1},    // the last listed compatible one
        {L"video+mp4+720p", 2, 1},
        {L"video+mp4", 2, 1},                // no height: any height
        {L"video+mp4+480p", 6, 1},           // neither preferred nor compatible: the first match
        {L"video+mp4+1080p", 1, 0},          // nothing matches: the default choice
        {L"video+mkv+720p", 1, 0},
        {L"audio+m4a", 8, 1},
        {L"audio+mp3", 7, 1},
        {L"audio+ogg", 0, 0},
        {L"audio", 0, 0},                    // no '+': back to the first choice
        {L"video", 0, 0},
        {L"Best", 0, 0},                     // neither word
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(wide_to_utf8(c.token));
        m.apply(c.token);
        EXPECT_EQ(m.item.selectedChoice, c.selected);
        EXPECT_EQ(m.item.choiceExplicit, c.explicitChoice);
    }

    m.set({{L"c", L"mp4", KIND_VIDEO, 720, 0}, {L"d", L"mp4", AV, 720, 0, 1}});
    m.apply(L"video+mp4+720p+compat");
    EXPECT_EQ(m.item.selectedChoice, 1);
    m.set({{L"c", L"mp4", KIND_VIDEO, 720, 0}, {L"d", L"mp4", AV, 720, 1}});
    m.apply(L"video+mp4+720p+compat");  // no compatible one: the preferred one
    EXPECT_EQ(m.item.selectedChoice, 1);
}

struct SubtitleCase {
    const wchar_t* ui;
    std::vector<std::string> suggestions;
    const char* defaultTrack;
};

TEST(SubtitleSuggestions, VideoLanguageFirstDefaultTrackPrefersTheInterface) {
    VideoFixture v;
    ASSERT_TRUE(v.read(video_json({R"j({"format_id":"18","ext":"mp4","height":360})j"},
                                  R"j("subtitles":{"en":[]},"automatic_captions":{"de":[],"es":[]})j")));
    ASSERT_STREQ(v.info->videoLanguage, L"en");
    const SubtitleCase kCases[] = {
        {L"de", {"en", "de"}, "de"},
        {L"EN", {"en"}, "en"},
        {L"fr", {"en"}, "en"},
        {L"", {"en"}, "en"},
    };
    for (const SubtitleCase& c : kCases) {
        SCOPED_TRACE(wide_to_utf8(c.ui));
        SubtitleSuggestion out[2];
        int count = subtitle_suggestions(*v.info, c.ui, out);
        std::vector<std::string> languages;
        for (int i = 0; i < count; ++i) {
            languages.push_back(wide_to_utf8(out[i].language));
            EXPECT_STREQ(out[i].track->language, out[i].language);
        }
        EXPECT_EQ(languages, c.suggestions);
        const SubtitleTrack* track = default_subtitle_track(*v.info, c.ui);
        ASSERT_NE(track, nullptr);
        EXPECT_EQ(wide_to_utf8(track->key), c.defaultTrack);
    }
    SubtitleSuggestion out[2];
    EXPECT_EQ(subtitle_suggestions(*v.info, L"de", out), 2);
    EXPECT_EQ(out[1].isAuto, 1u);

    VideoFixture none;  // an interface-language caption without a video language
    ASSERT_TRUE(none.read(video_json({R"j({"format_id":"18","ext":"mp4","height":360})j"},
                                     R"j("automatic_captions":{"de":[]})j")));
    EXPECT_EQ(subtitle_suggestions(*none.info, L"de", out), 1);
    EXPECT_EQ(default_subtitle_track(*none.info, L"fr"), nullptr);
    VideoFixture empty;
    EXPECT_EQ(subtitle_suggestions(*empty.info, L"de", out), 0);
    EXPECT_EQ(default_subtitle_track(*empty.info, L"de"), nullptr);
}

}  // namespace
