#include "app/media/format_menu.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/text.h"
#include "base/utf.h"
#include "tests/media/media_test_support.h"
#include "tests/test_support.h"
#include "tests/tools/progress_test_support.h"

namespace {

using Lines = std::vector<std::string>;

#define NBSP "\xC2\xA0"
#define DOT " \xC2\xB7 "

// A video-only stream as yt-dlp lists it (16:9); size 0 leaves it out.
std::string video(const char* id, const char* ext, int height, const char* vcodec, int tbr, long long size,
                  const std::string& extra = "") {
    std::string text = std::string(R"({"format_id":")") + id + R"(","ext":")" + ext + R"(","vcodec":")" + vcodec +
                       R"(","acodec":"none","height":)" + std::to_string(height) +
                       R"(,"width":)" + std::to_string(height * 16 / 9) + R"(,"tbr":)" + std::to_string(tbr);
    if (size) {
        text += R"(,"filesize":)" + std::to_string(size);
    }
    return text + extra + "}";
}

// An audio-only stream; size 0 leaves it out.
std::string audio(const char* id, const char* ext, int abr, long long size, const std::string& extra = "") {
    std::string text = std::string(R"({"format_id":")") + id + R"(","ext":")" + ext +
                       R"(","vcodec":"none","acodec":"mp4a.40.2","format":")" + id + R"( - audio only","abr":)" +
                       std::to_string(abr);
    if (size) {
        text += R"(,"filesize":)" + std::to_string(size);
    }
    return text + extra + "}";
}

const char ORIGINAL_EN[] = R"j(,"language":"en","language_preference":10,"format_note":"medium, original (default)")j";
const char SUBTITLES_EN_AUTO_DE[] =
    R"("subtitles":{"en":[{"ext":"vtt","url":"https://example.com/en.vtt"}]},)"
    R"("automatic_captions":{"de":[{"ext":"vtt","url":"https://example.com/de.vtt"}]})";

std::string german_texts() {
    return read_test_file("../resources/lang/de.txt");
}

struct MenuFixture : VideoFixture {
    FormatMenu* menu = static_cast<FormatMenu*>(std::calloc(1, sizeof(FormatMenu)));
    FormatMenuContext context = {0, 0, L"en"};
    FormatButton button = {};

    MenuFixture() = default;
    ~MenuFixture() { std::free(menu); }

    void load(const std::string& json, const wchar_t* ui = L"en") {
        context.userLanguage = ui;
        ASSERT_TRUE(read(json, ui));
    }
    bool build() { return build_format_menu(item, *info, context, *menu); }
    // The caption as the item refreshes it from the menu just built.
    void refresh_button() {
        const FormatMenuEntry* entry =
            menu->count ? find_format_menu_entry(*menu, FORMAT_MENU_CHOICE_FIRST + item.selectedChoice) : nullptr;
        update_format_button(item, *info, context, menu->count != 0, entry ? entry->label : nullptr, button);
    }
    // One line per entry: "---" for a separator, else the id, the label and the flags.
    Lines lines() const {
        Lines out;
        for (uint32_t i = 0; i < menu->count; ++i) {
            const FormatMenuEntry& e = menu->entries[i];
            if (e.separator) {
                out.push_back("---");
                continue;
            }
            std::string line = std::to_string(e.id) + " " + wide_to_utf8(e.label);
            line += e.checked ? " |checked" : "";
            line += e.grayed ? " |grayed" : "";
            line += e.radio ? " |radio" : "";
            line += e.header ? " |header" : "";
            out.push_back(line);
        }
        return out;
    }
    std::string caption() const { return wide_to_utf8(button.caption); }
};

TEST(FormatMenu, TheBestEntryNamesQualityAudioLanguageAndSize) {
    InterfaceScope english = InterfaceScope::english();
    MenuFixture m;
    m.load(video_json({video("299", "mp4", 1080, "avc1.64002a", 6000, 520093696,
                             R"(,"fps":60,"format_note":"1080p60")"),
                       audio("140", "m4a", 129, 16777216, ORIGINAL_EN)},
                      R"("duration":212)"));
    ASSERT_TRUE(m.build());
    EXPECT_EQ(m.lines(), (Lines{
                             "1900 VIDEO + AUDIO |grayed |header",
                             "---",
                             "2000 Video MP4 1080p60 HD" DOT "EN (original) - 512" NBSP "MB (Best Quality) |checked",
                             "---",
                             "1901 AUDIO ONLY |grayed |header",
                             "---",
                             "2001 Audio MP3 320 Kb/s - ~8.08" NBSP "MB (converted, plays everywhere)",
                             "2002 Audio M4A 129 Kb/s - 16.0" NBSP "MB (no conversion, plays everywhere)",
                             "---",
                             "1902 SUBTITLES |grayed |header",
                             "---",
                             "1903 None |checked |grayed |radio",
                             "1805 Subtitles only (.srt) |grayed |radio",
                         }));
    EXPECT_EQ(m.item.defaultChoice, 0);
    EXPECT_EQ(m.info->formats[0].compatible, 1u);  // the H.264 MP4 is also the preferred entry
    for (uint32_t i = 0; i < m.info->formatCount; ++i) {
        EXPECT_EQ(m.info->formats[i].listed, 1u) << i;
    }
    m.refresh_button();
    EXPECT_EQ(m.caption(), "Video MP4 1080p60 HD" DOT "EN (original) - 512" NBSP "MB (Best Quality)");
    EXPECT_EQ(m.button.glyph, GLYPH_VIDEO);
}

TEST(FormatMenu, ASingleRecordHasNoMenuAndNoGlyph) {
    InterfaceScope english = InterfaceScope::english();
    MenuFixture m;
    m.load(R"({"id":"audio","title":"audio","format_id":"mpeg","ext":"mp3","url":"https://example.com/a.mp3"})");
    ASSERT_EQ(m.info->formatCount, 1u);
    m.menu->count = 7;  // whatever an earlier build left
    EXPECT_FALSE(m.build());
    EXPECT_EQ(m.menu->count, 0u);
    text_copy(m.button.caption, L"Earlier caption");
    m.button.glyph = GLYPH_AUDIO;
    m.refresh_button();
    EXPECT_EQ(m.caption(), "Earlier caption");
    EXPECT_EQ(m.button.glyph, 0);
}

TEST(FormatMenu, APlaylistOffersBestVideoAndTheAudioConversions) {
    InterfaceScope english = InterfaceScope::english();
    MenuFixture m;
    m.load(R"({"id":"list","title":"First clip","playlist_title":"Clips","n_entries":3,"playlist_index":1,)"
           R"("duration":100,"formats":[{"format_id":"18","ext":"mp4","height":360,"filesize":1000000}]})");
    ASSERT_TRUE(m.build());
    EXPECT_EQ(m.lines(), (Lines{
                             "1900 VIDEO + AUDIO |grayed |header",
                             "---",
                             "2000 Video MP4 (Best Quality) |checked",
                             "---",
                             "1901 AUDIO ONLY |grayed |header",
                             "---",
                             "2001 Audio MP3 320 Kb/s (converted, plays everywhere)",
                             "2002 Audio (original format)",
                             "---",
                             "1902 SUBTITLES |grayed |header",
                             "---",
                             "1903 None |checked |grayed |radio",
                             "1805 Subtitles only (.srt) |grayed |radio",
                         }));
}

TEST(FormatMenu, CompatibleEntryPlacement) {
    InterfaceScope english = InterfaceScope::english();
    struct Case {
        const char* name;
        std::vector<std::string> formats;
        const wchar_t* ui;
        Lines video;              // the video section after its header and separator
        std::vector<uint32_t> listed;
        int compatible;           // index of the record marked compatible
        int selected;
    };
    const Case kCases[] = {
        {"next to best: the 1080p H.264 beside the preferred 1080p VP9 in MP4",
         {video("vp9hd", "mp4", 1080, "vp09.00.40.08", 3000, 300000000),
          video("137", "mp4", 1080, "avc1.640028", 4000, 400000000),
          video("136", "mp4", 720, "avc1.4d401f", 2000, 200000000), audio("140", "m4a", 128, 10000000)},
         L"en",
         {"2001 Video MP4 1080p HD - 295" NBSP "MB (Best Quality) |checked",
          "2000 Video MP4 1080p HD - 391" NBSP "MB (Compatible)",
          "2002 Video MP4 720p - 200" NBSP "MB"},
         {1, 1, 1, 1, 1},
         0,
         1},
        {"standing in: the 720p H.264 replaces the preferred 720p VP9",
         {video("vp9hd", "mp4", 1080, "vp09.00.40.08", 3000, 300000000),
          video("vp9sd", "mp4", 720, "vp09.00.31.08", 1500, 150000000),
          video("136", "mp4", 720, "avc1.4d401f", 2000, 200000000), audio("140", "m4a", 128, 10000000)},
         L"en",
         {"2000 Video MP4 1080p HD - 295" NBSP "MB (Best Quality) |checked",
          "2001 Video MP4 720p - 200" NBSP "MB (Compatible)"},
         {1, 1, 0, 1, 1},
         1,
         0},
        {"next to the dubbed entry, which follows the best one",
         {video("vp9hd", "mp4", 1080, "vp09.00.40.08", 3000, 300000000),
          video("137", "mp4", 1080, "avc1.640028", 4000, 400000000), audio("140", "m4a", 128, 10000000, ORIGINAL_EN),
          audio("140-de", "m4a", 128, 12000000, R"(,"language":"de")")},
         L"de",
         {"2001 Video MP4 1080p HD" DOT "EN (original) - 295" NBSP "MB (Best Quality) |checked",
          "2002 Video MP4 1080p HD" DOT "DE (dubbed) - 297" NBSP "MB",
          "2000 Video MP4 1080p HD - 391" NBSP "MB (Compatible)"},
         {1, 1, 1, 1, 1},
         0,
         1},
        {"none: the H.264 MP4 is the preferred entry itself",
         {video("137", "mp4", 1080, "avc1.640028", 4000, 400000000),
          video("248", "webm", 1080, "vp9", 5000, 0), audio("140", "m4a", 128, 10000000)},
         L"en",
         {"2001 Video MP4 1080p HD - 391" NBSP "MB (Best Quality) |checked"},
         {0, 1, 1, 1},
         1,
         1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        MenuFixture m;
        m.load(video_json(c.formats), c.ui);
        ASSERT_TRUE(m.build());
        Lines all = m.lines();
        ASSERT_GE(all.size(), c.video.size() + 3);
        EXPECT_EQ(all[0], "1900 VIDEO + AUDIO |grayed |header");
        EXPECT_EQ(Lines(all.begin() + 2, all.begin() + 2 + static_cast<long>(c.video.size())), c.video);
        EXPECT_EQ(all[2 + c.video.size()], "---");  // the audio section follows
        std::vector<uint32_t> listed;
        for (uint32_t i = 0; i < m.info->formatCount; ++i) {
            listed.push_back(m.info->formats[i].listed);
            EXPECT_EQ(m.info->formats[i].compatible, static_cast<int>(i) == c.compatible ? 1u : 0u) << i;
        }
        EXPECT_EQ(listed, c.listed);
        EXPECT_EQ(m.item.selectedChoice, c.selected);
        EXPECT_EQ(m.item.defaultChoice, c.selected);
    }
}

TEST(FormatMenu, SelectionRepairAndTheUsersChoice) {
    InterfaceScope english = InterfaceScope::english();
    const std::string doc = video_json({video("vp9hd", "mp4", 1080, "vp09.00.40.08", 3000, 300000000),
                                        video("137", "mp4", 1080, "avc1.640028", 4000, 400000000),
                                        video("vp9sd", "mp4", 720, "vp09.00.31.08", 1500, 150000000),
                                        video("136", "mp4", 720, "avc1.4d401f", 1000, 100000000),
                                        audio("140", "m4a", 128, 10000000)});
    // Order: 137 (compat), vp9hd (best), vp9sd (preferred 720p), 136, tavlo_mp3, 140.
    struct Case {
        int selected;
        int explicitChoice;
        int after;
    };
    const Case kCases[] = {
        {40, 0, 1},  // beyond the list: the first preferred, then the best entry
        {40, 1, 1},  // beyond the list, even when chosen
        {3, 1, 1},   // a video the menu does not show moves to the first shown
        {0, 1, 0},   // the compatible entry stays
        {2, 1, 2},   // a shown entry the user chose stays
        {5, 1, 5},   // so does an audio choice
        {5, 0, 1},   // a choice the user did not make goes to the best entry
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.selected << "/" << c.explicitChoice);
        MenuFixture m;
        m.load(doc);
        ASSERT_EQ(m.ids(), (std::vector<std::string>{"137+140", "vp9hd+140", "vp9sd+140", "136+140", "tavlo_mp3",
                                                     "140"}));
        m.item.selectedChoice = c.selected;
        m.item.choiceExplicit = c.explicitChoice;
        ASSERT_TRUE(m.build());
        EXPECT_EQ(m.item.selectedChoice, c.after);
        EXPECT_EQ(m.item.defaultChoice, 1);
        int checked = 0;
        for (uint32_t i = 0; i < m.menu->count; ++i) {
            const FormatMenuEntry& e = m.menu->entries[i];
            if (e.id >= FORMAT_MENU_CHOICE_FIRST && e.checked) {
                ++checked;
                EXPECT_EQ(e.id, FORMAT_MENU_CHOICE_FIRST + c.after);
            }
        }
        EXPECT_EQ(checked, 1);
    }
}

TEST(FormatMenu, ALiveItemGraysAudioAndSubtitles) {
    InterfaceScope english = InterfaceScope::english();
    const std::vector<std::string> formats = {
        R"({"format_id":"hls-2500","ext":"mp4","vcodec":"avc1.64001f","acodec":"mp4a.40.2","height":720,"width":1280,"tbr":2500})",
        R"({"format_id":"hls-800","ext":"mp4","vcodec":"avc1.4d401e","acodec":"mp4a.40.2","height":360,"width":640,"tbr":800})"};
    const Lines expected = {
        "1900 VIDEO + AUDIO |grayed |header",
        "---",
        "2000 Video MP4 720p (Best Quality) |checked",
        "2001 Video MP4 360p",
        "---",
        "1901 AUDIO ONLY |grayed |header",
        "---",
        "2002 Audio MP3 320 Kb/s (converted, plays everywhere) |grayed",
        "2003 Audio |grayed",
        "---",
        "1902 SUBTITLES |grayed |header",
        "---",
        "1903 None |checked |grayed |radio",
        "1904 Embed subtitles" DOT "EN |grayed |radio",
        "1805 Subtitles only (.srt)" DOT "EN |grayed |radio",
    };
    const char* kTops[] = {
        R"("is_live":true,"duration":300,"subtitles":{"en":[{"ext":"vtt","url":"https://example.com/en.vtt"}]})",
        // A stream extractor without a duration counts as live too.
        R"("extractor":"twitch:stream","subtitles":{"en":[{"ext":"vtt","url":"https://example.com/en.vtt"}]})",
    };
    for (const char* top : kTops) {
        SCOPED_TRACE(top);
        MenuFixture m;
        std::string doc = video_json(formats, top);
        if (std::string(top).find("twitch") != std::string::npos) {
            doc.replace(doc.find(R"("extractor":"youtube",)"), std::strlen(R"("extractor":"youtube",)"), "");
        }
        m.load(doc);
        ASSERT_TRUE(m.build());
        EXPECT_EQ(m.lines(), expected);
    }
}

TEST(FormatMenu, SubtitleSections) {
    InterfaceScope english = InterfaceScope::english();
    const std::vector<std::string> formats = {video("137", "mp4", 1080, "avc1.640028", 4000, 0),
                                              audio("140", "m4a", 128, 0)};
    struct Case {
        const char* name;
        const char* top;
        const wchar_t* ui;
        int subtitlesOnly;
        int subtitleMode;
        int selected;           // -1: leave the menu's choice
        Lines subtitles;        // the section after its header and separator
        std::string caption;
        wchar_t glyph;
    };
    const Case kCases[] = {
        {"no suggestion", "", L"en", 0, 0, -1,
         {"1903 None |checked |grayed |radio", "1805 Subtitles only (.srt) |grayed |radio"},
         "Video MP4 1080p HD (Best Quality)", GLYPH_VIDEO},
        {"no suggestion for the tracks there are: the interface language has none, the video's is unknown",
         R"("automatic_captions":{"fr":[{"ext":"vtt","url":"https://example.com/fr.vtt"}]})", L"en", 0, 1, -1,
         {"1903 None |checked |grayed |radio", "1805 Subtitles only (.srt) |grayed |radio"},
         "Video MP4 1080p HD (Best Quality)", GLYPH_VIDEO},
        {"one suggestion, the mode of a second falls back to the first", SUBTITLES_EN_AUTO_DE, L"en", 0, 3, -1,
         {"1903 None |radio", "1904 Embed subtitles" DOT "EN |checked |radio",
          "1805 Subtitles only (.srt)" DOT "EN |radio"},
         "Video MP4 1080p HD (Best Quality) + SUBS EN", GLYPH_VIDEO},
        {"two suggestions, both embedded", SUBTITLES_EN_AUTO_DE, L"de", 0, 3, -1,
         {"1903 None |radio", "1904 Embed subtitles" DOT "EN |radio", "1905 Embed subtitles" DOT "DE (auto) |radio",
          "1906 Embed subtitles" DOT "both (EN + DE) |checked |radio",
          "1805 Subtitles only (.srt)" DOT "DE (auto) |radio"},
         "Video MP4 1080p HD (Best Quality) + SUBS EN+DE", GLYPH_VIDEO},
        {"two suggestions, the second embedded", SUBTITLES_EN_AUTO_DE, L"de", 0, 2, -1,
         {"1903 None |radio", "1904 Embed subtitles" DOT "EN |radio",
          "1905 Embed subtitles" DOT "DE (auto) |checked |radio", "1906 Embed subtitles" DOT "both (EN + DE) |radio",
          "1805 Subtitles only (.srt)" DOT "DE (auto) |radio"},
         "Video MP4 1080p HD (Best Quality) + SUBS DE", GLYPH_VIDEO},
        {"two suggestions, none embedded", SUBTITLES_EN_AUTO_DE, L"de", 0, 0, -1,
         {"1903 None |checked |radio", "1904 Embed subtitles" DOT "EN |radio",
          "1905 Embed subtitles" DOT "DE (auto) |radio", "1906 Embed subtitles" DOT "both (EN + DE) |radio",
          "1805 Subtitles only (.srt)" DOT "DE (auto) |radio"},
         "Video MP4 1080p HD (Best Quality)", GLYPH_VIDEO},
        {"an audio choice grays the embedding and unchecks None", SUBTITLES_EN_AUTO_DE, L"de", 0, 0, 2,
         {"1903 None |grayed |radio", "1904 Embed subtitles" DOT "EN |grayed |radio",
          "1905 Embed subtitles" DOT "DE (auto) |grayed |radio",
          "1906 Embed subtitles" DOT "both (EN + DE) |grayed |radio",
          "1805 Subtitles only (.srt)" DOT "DE (auto) |radio"},
         "Audio M4A 128 Kb/s (no conversion, plays everywhere)", GLYPH_AUDIO},
        {"subtitles only", SUBTITLES_EN_AUTO_DE, L"de", 1, 0, -1,
         {"1903 None |grayed |radio", "1904 Embed subtitles" DOT "EN |grayed |radio",
          "1905 Embed subtitles" DOT "DE (auto) |grayed |radio",
          "1906 Embed subtitles" DOT "both (EN + DE) |grayed |radio",
          "1805 Subtitles only (.srt)" DOT "DE (auto) |checked |radio"},
         "Subtitles only (.srt)" DOT "DE (auto)", GLYPH_SUBTITLES},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        MenuFixture m;
        m.load(video_json(formats, c.top), c.ui);
        m.context.subtitlesOnly = c.subtitlesOnly;
        m.context.subtitleMode = c.subtitleMode;
        if (c.selected >= 0) {
            m.item.selectedChoice = c.selected;
            m.item.choiceExplicit = 1;
        }
        ASSERT_TRUE(m.build());
        Lines all = m.lines();
        size_t header = 0;
        while (header < all.size() && all[header] != "1902 SUBTITLES |grayed |header") {
            ++header;
        }
        ASSERT_LT(header + 1, all.size());
        EXPECT_EQ(Lines(all.begin() + static_cast<long>(header) + 2, all.end()), c.subtitles);
        // No choice is checked while only subtitles are downloaded.
        for (uint32_t i = 0; i < m.menu->count; ++i) {
            if (m.menu->entries[i].id >= FORMAT_MENU_CHOICE_FIRST && m.menu->entries[i].checked) {
                EXPECT_EQ(c.subtitlesOnly, 0);
            }
        }
        m.refresh_button();
        EXPECT_EQ(m.caption(), c.caption);
        EXPECT_EQ(m.button.glyph, c.glyph);
    }
}

TEST(FormatMenu, GermanInterface) {
    std::string texts = german_texts();
    InterfaceScope german(LANGUAGE_GERMAN, texts.c_str());
    MenuFixture m;
    m.load(video_json({video("vp9hd", "mp4", 1080, "vp09.00.40.08", 3000, 300000000),
                       video("137", "mp4", 1080, "avc1.640028", 4000, 400000000),
                       audio("140", "m4a", 128, 10000000, ORIGINAL_EN),
                       audio("140-de", "m4a", 128, 12000000, R"(,"language":"de")")},
                      std::string(R"("duration":10,)") + SUBTITLES_EN_AUTO_DE),
           L"de");
    m.context.subtitleMode = 3;
    ASSERT_TRUE(m.build());
    EXPECT_EQ(m.lines(), (Lines{
                             "1900 VIDEO + AUDIO |grayed |header",
                             "---",
                             "2001 Video MP4 1080p HD" DOT "EN (Original) - 295" NBSP "MB (Beste Qualität) |checked",
                             "2002 Video MP4 1080p HD" DOT "DE (synchronisiert) - 297" NBSP "MB",
                             "2000 Video MP4 1080p HD - 391" NBSP "MB (Kompatibel)",
                             "---",
                             "1901 NUR AUDIO |grayed |header",
                             "---",
                             "2003 Audio MP3 320 kbit/s - ~390" NBSP "KB (konvertiert, überall abspielbar)",
                             "2004 Audio M4A 128 kbit/s - 9,53" NBSP "MB (ohne Konvertierung, überall abspielbar)",
                             "---",
                             "1902 UNTERTITEL |grayed |header",
                             "---",
                             "1903 Keine |radio",
                             "1904 Untertitel einbetten" DOT "EN |radio",
                             "1905 Untertitel einbetten" DOT "DE (automatisch) |radio",
                             "1906 Untertitel einbetten" DOT "beide (EN + DE) |checked |radio",
                             "1805 Nur Untertitel (.srt)" DOT "DE (automatisch) |radio",
                         }));
    m.refresh_button();
    EXPECT_EQ(m.caption(),
              "Video MP4 1080p HD" DOT "EN (Original) - 295" NBSP "MB (Beste Qualität) + UNTERTITEL EN+DE");
    m.context.subtitlesOnly = 1;
    m.refresh_button();
    EXPECT_EQ(m.caption(), "Nur Untertitel (.srt)" DOT "DE (automatisch)");
    EXPECT_EQ(m.button.glyph, GLYPH_SUBTITLES);
}

TEST(FormatButton, KeepsWhatItCannotRead) {
    InterfaceScope english = InterfaceScope::english();
    MenuFixture m;
    m.load(video_json({video("137", "mp4", 1080, "avc1.640028", 4000, 0), audio("140", "m4a", 128, 0)}));
    ASSERT_TRUE(m.build());
    text_copy(m.button.caption, L"Earlier caption");
    m.button.glyph = 0;
    update_format_button(m.item, *m.info, m.context, true, nullptr, m.button);  // no such entry
    EXPECT_EQ(m.caption(), "Earlier caption");
    EXPECT_EQ(m.button.glyph, GLYPH_VIDEO);  // the glyph follows the choice whenever there is a menu
    m.info->formats[m.item.selectedChoice].kind = 0;  // neither video nor audio: the glyph stays
    m.button.glyph = GLYPH_AUDIO;
    update_format_button(m.item, *m.info, m.context, true, L"Entry", m.button);
    EXPECT_EQ(m.caption(), "Entry");
    EXPECT_EQ(m.button.glyph, GLYPH_AUDIO);
}

TEST(FormatSizeText, Table) {
    struct Case {
        uint64_t bytes;
        const char* english;
        const char* german;
    };
    const Case kCases[] = {
        {0, "0" NBSP "B", "0" NBSP "B"},
        {900, "900" NBSP "B", "900" NBSP "B"},
        {1023, "1023" NBSP "B", "1023" NBSP "B"},
        {1024, "1.00" NBSP "KB", "1,00" NBSP "KB"},
        {1536, "1.50" NBSP "KB", "1,50" NBSP "KB"},
        {10240, "10.0" NBSP "KB", "10,0" NBSP "KB"},
        {10239, "9.99" NBSP "KB", "9,99" NBSP "KB"},  // truncated, not rounded
        {102400, "100" NBSP "KB", "100" NBSP "KB"},
        {1023999, "999" NBSP "KB", "999" NBSP "KB"},
        {1024000, "0.97" NBSP "MB", "0,97" NBSP "MB"},
        {1048576, "1.00" NBSP "MB", "1,00" NBSP "MB"},
        {8480000, "8.08" NBSP "MB", "8,08" NBSP "MB"},
        {536870912, "512" NBSP "MB", "512" NBSP "MB"},
        {1048575999, "999" NBSP "MB", "999" NBSP "MB"},
        {1048576000, "0.97" NBSP "GB", "0,97" NBSP "GB"},
        {5905580032, "5.50" NBSP "GB", "5,50" NBSP "GB"},
        {1099511627776, "1.00" NBSP "TB", "1,00" NBSP "TB"},
        {1125899906842624, "1.00" NBSP "PB", "1,00" NBSP "PB"},
        {1152921504606846976, "1.00" NBSP "EB", "1,00" NBSP "EB"},
        {18446744073709551615ull, "15.9" NBSP "EB", "15,9" NBSP "EB"},
    };
    std::string texts = german_texts();
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.bytes);
        wchar_t out[SIZE_TEXT_CAPACITY];
        {
            InterfaceScope english = InterfaceScope::english();
            format_size_text(c.bytes, out);
            EXPECT_EQ(wide_to_utf8(out), c.english);
        }
        {
            InterfaceScope german(LANGUAGE_GERMAN, texts.c_str());
            format_size_text(c.bytes, out);
            EXPECT_EQ(wide_to_utf8(out), c.german);
        }
    }
}

TEST(FormatSizeText, UnitsAreTranslated) {
    InterfaceScope french(0x040C, "KB=Ko\r\nMB=Mo\r\n");
    wchar_t out[SIZE_TEXT_CAPACITY];
    format_size_text(1536, out);
    EXPECT_EQ(wide_to_utf8(out), "1,50" NBSP "Ko");
    format_size_text(900, out);
    EXPECT_EQ(wide_to_utf8(out), "900" NBSP "B");
}

TEST(QualityText, Table) {
    struct Case {
        uint32_t quality;
        uint32_t fps;
        const wchar_t* dynamicRange;
        const char* text;
    };
    const Case kCases[] = {
        {0, 60, L"HDR10", ""},
        {144, 0, L"", "144p"},
        {720, 30, L"", "720p"},
        {720, 60, L"", "720p60"},
        {1080, 25, L"", "1080p HD"},
        {1080, 60, L"", "1080p60 HD"},
        {1440, 0, L"", "1440p HD"},
        {2160, 0, L"HDR10", "2160p 4K HDR"},
        {2160, 60, L"HLG", "2160p60 4K HDR"},
        {4320, 0, L"", "4320p"},
    };
    InterfaceScope english = InterfaceScope::english();
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text);
        MediaFormat f;
        std::memset(&f, 0, sizeof(f));
        f.quality = c.quality;
        f.height = c.quality;
        f.fps = c.fps;
        text_copy(f.dynamicRange, c.dynamicRange);
        wchar_t out[QUALITY_TEXT_CAPACITY];
        quality_text(f, out);
        EXPECT_EQ(wide_to_utf8(out), c.text);
    }
}

// Videos without a height have no quality class and so no preferred record:
// each is offered on its own, named by its bitrate or yt-dlp's description,
// so that a direct file or a stream listed by bitrate still offers its video.
TEST(FormatMenu, VideosWithoutAHeightAreOffered) {
    InterfaceScope english = InterfaceScope::english();
    struct Case {
        const char* name;
        std::string doc;
        Lines menu;
        int selected;
        std::string caption;
    };
    const Case kCases[] = {
        {"a direct file",
         R"({"id":"sample","title":"sample","extractor":"generic","format_id":"mp4","ext":"mp4","url":"https://example.com/sample.mp4"})",
         {"1900 VIDEO + AUDIO |grayed |header", "---", "2000 Video MP4 (Best Quality) |checked", "---",
          "1901 AUDIO ONLY |grayed |header", "---", "2001 Audio MP3 320 Kb/s (converted, plays everywhere)",
          "2002 Audio", "---", "1902 SUBTITLES |grayed |header", "---", "1903 None |checked |grayed |radio",
          "1805 Subtitles only (.srt) |grayed |radio"},
         0,
         "Video MP4 (Best Quality)"},
        {"streams by bitrate; the H.264 one is not offered twice",
         video_json({R"({"format_id":"hls-1200","ext":"mp4","vcodec":"avc1","acodec":"mp4a.40.2","tbr":1200,"filesize":2048})",
                     R"({"format_id":"direct","ext":"mp4","format":"direct - unknown","acodec":"mp4a.40.2"})"}),
         {"1900 VIDEO + AUDIO |grayed |header", "---", "2000 Video MP4 1200 Kb/s - 2.00" NBSP "KB (Best Quality) |checked",
          "2001 Video MP4 direct - unknown", "---", "1901 AUDIO ONLY |grayed |header", "---",
          "2002 Audio MP3 320 Kb/s (converted, plays everywhere)", "2003 Audio", "---",
          "1902 SUBTITLES |grayed |header", "---", "1903 None |checked |grayed |radio",
          "1805 Subtitles only (.srt) |grayed |radio"},
         0,
         "Video MP4 1200 Kb/s - 2.00" NBSP "KB (Best Quality)"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        MenuFixture m;
        m.load(c.doc);
        ASSERT_TRUE(m.build());
        EXPECT_EQ(m.lines(), c.menu);
        EXPECT_EQ(m.item.selectedChoice, c.selected);
        EXPECT_EQ(m.item.defaultChoice, c.selected);
        m.refresh_button();
        EXPECT_EQ(m.caption(), c.caption);
        EXPECT_EQ(m.button.glyph, GLYPH_VIDEO);
    }
}

}  // namespace
