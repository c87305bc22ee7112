// The format menu of a download item as data: its entries in menu order with
// their labels and states, built from the choice list; the quality and size
// texts; and the caption and glyph of the item's format link. The item turns
// the entries into a real popup menu (app/items/format_menu_popup.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/media/choice_memory.h"
#include "app/media/video_info.h"

// Command identifiers of the menu's entries.
constexpr int FORMAT_MENU_HEADER_VIDEO = 1900;
constexpr int FORMAT_MENU_HEADER_AUDIO = 1901;
constexpr int FORMAT_MENU_HEADER_SUBTITLES = 1902;
constexpr int FORMAT_MENU_SUBTITLES_NONE = 1903;
constexpr int FORMAT_MENU_SUBTITLES_FIRST = 1904;
constexpr int FORMAT_MENU_SUBTITLES_SECOND = 1905;
constexpr int FORMAT_MENU_SUBTITLES_BOTH = 1906;
constexpr int FORMAT_MENU_SUBTITLES_ONLY = 1805;
constexpr int FORMAT_MENU_CHOICE_FIRST = 2000;  // + index into formats

// The glyphs of the format link (Segoe MDL2 Assets code points).
constexpr wchar_t GLYPH_VIDEO = 0xE714;
constexpr wchar_t GLYPH_AUDIO = 0xEC4F;
constexpr wchar_t GLYPH_SUBTITLES = 0xE7F0;

constexpr size_t FORMAT_LABEL_CAPACITY = 512;
constexpr size_t SUBTITLE_LABEL_CAPACITY = 64;
constexpr size_t QUALITY_TEXT_CAPACITY = 16;
constexpr size_t SIZE_TEXT_CAPACITY = 64;
constexpr size_t MENU_TEXT_CAPACITY = 260;       // what the caption reads back from an entry
constexpr size_t FORMAT_CAPTION_CAPACITY = 320;  // an entry's text and the subtitle suffix
// Every record at most once, plus headers, separators and the five subtitle options.
constexpr size_t FORMAT_MENU_CAPACITY = MAX_FORMATS + 16;

struct FormatMenuEntry {
    int id;                  // command; 0 for a separator
    wchar_t label[FORMAT_LABEL_CAPACITY];
    uint8_t checked;
    uint8_t grayed;          // disabled and grayed
    uint8_t radio;           // checked with a bullet (MFT_RADIOCHECK)
    uint8_t separator;
    uint8_t header;          // a section header: disabled and grayed
};

// count 0: the item has no format menu.
struct FormatMenu {
    uint32_t count;
    FormatMenuEntry entries[FORMAT_MENU_CAPACITY];
};

// The item's state that the menu reads besides the choice fields.
struct FormatMenuContext {
    int subtitlesOnly;              // 0/1
    int subtitleMode;               // 0 none, 1 first, 2 second, 3 both suggestions
    const wchar_t* userLanguage;    // interface language code (may be empty)
};

// Rebuilds menu from the choice list. Writes listed and compatible of every
// record, and defaultChoice and possibly selectedChoice of the item. False
// (and an empty menu) when the list holds fewer than 2 records.
bool build_format_menu(ChoiceState& item, VideoInfo& info, const FormatMenuContext& context, FormatMenu& menu);
// The entry with this command, or null.
const FormatMenuEntry* find_format_menu_entry(const FormatMenu& menu, int id);

// "Video MP4 1080p60 HD · EN (original) - 512 MB": the label of choice index;
// withAudio adds the audio language of its container.
void video_choice_label(const ChoiceState& item, const VideoInfo& info, uint32_t index, bool withAudio,
                        wchar_t (&out)[FORMAT_LABEL_CAPACITY]);
// "Embed subtitles · DE (auto)" for suggestion k.
void subtitle_choice_label(const SubtitleSuggestion (&suggestions)[2], int k, wchar_t (&out)[SUBTITLE_LABEL_CAPACITY]);
// "1080p", "1080p60 HD", "2160p 4K HDR"; empty when the quality is unknown.
void quality_text(const MediaFormat& format, wchar_t (&out)[QUALITY_TEXT_CAPACITY]);
// "900 B", "1.50 KB", "0.97 MB": three significant digits, truncated, with the
// interface language's decimal separator and a no-break space before the unit.
void format_size_text(uint64_t bytes, wchar_t (&out)[SIZE_TEXT_CAPACITY]);

// The format link: caption and glyph (0 = none).
struct FormatButton {
    wchar_t caption[FORMAT_CAPTION_CAPACITY];
    wchar_t glyph;
};

// Refreshes the caption and glyph from the current choice. entryText is the
// current menu's text of entry 2000 + selectedChoice, null when there is no
// menu or no such entry (the caption then stays as it was); hasMenu tells
// whether a menu exists at all.
void update_format_button(const ChoiceState& item, const VideoInfo& info, const FormatMenuContext& context,
                          bool hasMenu, const wchar_t* entryText, FormatButton& button);
