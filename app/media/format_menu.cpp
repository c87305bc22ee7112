#include "app/media/format_menu.h"

#include <cstring>

#include "app/media/format_choices.h"
#include "base/text.h"
#include "ui/locale_format.h"
#include "ui/translation.h"

namespace {

constexpr wchar_t MIDDLE_DOT[] = L" \u00B7 ";
constexpr wchar_t NO_BREAK_SPACE = 0x00A0;

bool has_video(const MediaFormat& f) {
    return (f.kind & KIND_VIDEO) != 0;
}

bool is_audio_only(const MediaFormat& f) {
    return f.kind == KIND_AUDIO;
}

// The upper case of one UTF-16 unit, for the scripts of the interface
// languages that have case: Latin, Greek and Cyrillic. Windows' CharUpper
// would do this, but the rule code also builds where there is no Windows;
// simple one-to-one mappings only, as CharUpper does.
wchar_t upper_unit(wchar_t c) {
    unsigned u = static_cast<unsigned>(c);
    if (u >= 'a' && u <= 'z') {
        return static_cast<wchar_t>(u - 0x20);
    }
    if (u < 0xB5) {
        return c;
    }
    if (u == 0xB5) {
        return static_cast<wchar_t>(0x39C);
    }
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7) {
        return static_cast<wchar_t>(u - 0x20);
    }
    if (u == 0xFF) {
        return static_cast<wchar_t>(0x178);
    }
    if (u == 0x131) {  // dotless i
        return L'I';
    }
    if (u == 0x17F) {  // long s
        return L'S';
    }
    // Latin Extended-A: pairs of capital and small letter.
    if ((u >= 0x100 && u <= 0x137) || (u >= 0x14A && u <= 0x177)) {
        return (u & 1) ? static_cast<wchar_t>(u - 1) : c;
    }
    if ((u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E)) {
        return (u & 1) ? c : static_cast<wchar_t>(u - 1);
    }
    // Greek
    if (u >= 0x3B1 && u <= 0x3C9) {
        return static_cast<wchar_t>(u == 0x3C2 ? 0x3A3 : u - 0x20);
    }
    switch (u) {
    case 0x3AC: return static_cast<wchar_t>(0x386);
    case 0x3AD: return static_cast<wchar_t>(0x388);
    case 0x3AE: return static_cast<wchar_t>(0x389);
    case 0x3AF: return static_cast<wchar_t>(0x38A);
    case 0x3CC: return static_cast<wchar_t>(0x38C);
    case 0x3CD: return static_cast<wchar_t>(0x38E);
    case 0x3CE: return static_cast<wchar_t>(0x38F);
    case 0x3CA: return static_cast<wchar_t>(0x3AA);
    case 0x3CB: return static_cast<wchar_t>(0x3AB);
    default: break;
    }
    // Cyrillic
    if (u >= 0x430 && u <= 0x44F) {
        return static_cast<wchar_t>(u - 0x20);
    }
    if (u >= 0x450 && u <= 0x45F) {
        return static_cast<wchar_t>(u - 0x50);
    }
    if ((u >= 0x460 && u <= 0x481) || (u >= 0x48A && u <= 0x4BF) || (u >= 0x4D0 && u <= 0x52F)) {
        return (u & 1) ? static_cast<wchar_t>(u - 1) : c;
    }
    if (u >= 0x4C1 && u <= 0x4CE) {
        return (u & 1) ? c : static_cast<wchar_t>(u - 1);
    }
    if (u == 0x4CF) {
        return static_cast<wchar_t>(0x4C0);
    }
    return c;
}

// Appends text in upper case, at most limit units of it.
template <size_t N>
void append_upper(wchar_t (&dst)[N], const wchar_t* text, size_t limit = N) {
    size_t start = text_length(dst);
    size_t n = text_length(text);
    if (n > limit) {
        n = limit;
    }
    text_append_n(dst, N, text, n);
    for (size_t i = start; dst[i]; ++i) {
        dst[i] = upper_unit(dst[i]);
    }
}

template <size_t N>
void append_number(wchar_t (&dst)[N], unsigned long long value) {
    wchar_t digits[24];
    text_format(digits, L"%llu", value);
    text_append(dst, digits);
}

const wchar_t* unit_text(int unit) {
    switch (unit) {
    case 0: return translate(L"B");
    case 1: return translate(L"KB");
    case 2: return translate(L"MB");
    case 3: return translate(L"GB");
    case 4: return translate(L"TB");
    case 5: return translate(L"PB");
    default: return translate(L"EB");
    }
}

int valid_index(const ChoiceState& item, const VideoInfo& info) {
    int selected = item.selectedChoice;
    return (selected >= 0 && static_cast<uint32_t>(selected) < info.formatCount) ? selected : -1;
}

bool selected_is_audio_only(const ChoiceState& item, const VideoInfo& info) {
    int selected = valid_index(item, info);
    return selected >= 0 && is_audio_only(info.formats[selected]);
}

// The H.264-in-MP4 record of highest quality, then higher tbr; the first on a full tie.
int find_compat(const VideoInfo& info) {
    int compat = -1;
    for (uint32_t i = 0; i < info.formatCount; ++i) {
        const MediaFormat& f = info.formats[i];
        if (!has_video(f) || codec_class(f) != 1 || !text_equal_nocase(f.ext, L"mp4")) {
            continue;
        }
        if (compat < 0) {
            compat = static_cast<int>(i);
            continue;
        }
        const MediaFormat& best = info.formats[compat];
        if (f.quality > best.quality || (f.quality == best.quality && f.tbr > best.tbr)) {
            compat = static_cast<int>(i);
        }
    }
    return compat;
}

bool is_dubbed_choice(const ChoiceState& item, uint32_t index) {
    return item.dubbedChoice >= 0 && item.dubbedChoice < NO_DUBBED_CHOICE &&
           static_cast<uint32_t>(item.dubbedChoice) == index;
}

// A video record with an entry of its own: the preferred one of its quality
// class, the dubbed variant, and every video whose height is unknown (a
// direct file, a stream listed by bitrate only). The last have no quality
// class, so nothing else stands for them; without them such a link would
// offer no video at all.
bool has_own_video_entry(const ChoiceState& item, const VideoInfo& info, uint32_t index) {
    const MediaFormat& r = info.formats[index];
    return has_video(r) && (r.preferred || is_dubbed_choice(item, index) || r.height == 0);
}

FormatMenuEntry* add_entry(FormatMenu& menu) {
    if (menu.count >= FORMAT_MENU_CAPACITY) {
        return nullptr;
    }
    FormatMenuEntry* entry = &menu.entries[menu.count++];
    std::memset(entry, 0, sizeof(*entry));
    return entry;
}

void add_separator(FormatMenu& menu) {
    if (FormatMenuEntry* entry = add_entry(menu)) {
        entry->separator = 1;
    }
}

void add_header(FormatMenu& menu, int id, const wchar_t* label) {
    if (FormatMenuEntry* entry = add_entry(menu)) {
        entry->id = id;
        text_copy(entry->label, label);
        entry->header = 1;
        entry->grayed = 1;
    }
}

FormatMenuEntry* add_command(FormatMenu& menu, int id, const wchar_t* label) {
    FormatMenuEntry* entry = add_entry(menu);
    if (entry) {
        entry->id = id;
        text_copy(entry->label, label);
    }
    return entry;
}

FormatMenuEntry* add_choice(FormatMenu& menu, const ChoiceState& item, VideoInfo& info, uint32_t index,
                            const wchar_t* label, const FormatMenuContext& context) {
    FormatMenuEntry* entry = add_command(menu, FORMAT_MENU_CHOICE_FIRST + static_cast<int>(index), label);
    if (entry) {
        entry->checked = item.selectedChoice == static_cast<int>(index) && context.subtitlesOnly == 0;
    }
    info.formats[index].listed = 1;
    return entry;
}

void add_compat_entry(FormatMenu& menu, ChoiceState& item, VideoInfo& info, uint32_t compat,
                      const FormatMenuContext& context) {
    wchar_t label[FORMAT_LABEL_CAPACITY];
    video_choice_label(item, info, compat, false, label);
    text_append(label, L" ");
    text_append(label, translate(L"(Compatible)"));
    add_choice(menu, item, info, compat, label, context);
}

// A selected video the menu does not show moves to the first video entry it
// shows; the compatible record has its entry wherever it is placed.
void repair_selection(ChoiceState& item, const VideoInfo& info, int compat) {
    int selected = valid_index(item, info);
    bool repair = selected < 0;
    if (!repair) {
        repair = has_video(info.formats[selected]) &&
                 !has_own_video_entry(item, info, static_cast<uint32_t>(selected)) && selected != compat;
    }
    if (!repair) {
        return;
    }
    for (uint32_t i = 0; i < info.formatCount; ++i) {
        if (has_own_video_entry(item, info, i)) {
            item.selectedChoice = static_cast<int>(i);
            return;
        }
    }
}

enum class CompatPlacement { None, StandingIn, NextToBest };

void add_video_section(FormatMenu& menu, ChoiceState& item, VideoInfo& info, int compat,
                       const FormatMenuContext& context) {
    uint32_t topQuality = 0;
    for (uint32_t i = 0; i < info.formatCount; ++i) {
        if (has_video(info.formats[i]) && info.formats[i].preferred) {
            topQuality = info.formats[i].quality;
            break;
        }
    }
    CompatPlacement placement = CompatPlacement::None;
    if (compat >= 0 && !has_own_video_entry(item, info, static_cast<uint32_t>(compat))) {
        placement = info.formats[compat].quality < topQuality ? CompatPlacement::StandingIn
                                                              : CompatPlacement::NextToBest;
    }
    bool hasDubbed = item.dubbedChoice >= 0 && item.dubbedChoice < NO_DUBBED_CHOICE;
    bool headerAdded = false;
    bool compatAdded = false;
    int n = 0;
    for (uint32_t i = 0; i < info.formatCount; ++i) {
        const MediaFormat& r = info.formats[i];
        bool dubbed = is_dubbed_choice(item, i);
        if (!has_own_video_entry(item, info, i)) {
            continue;
        }
        if (!headerAdded) {
            add_header(menu, FORMAT_MENU_HEADER_VIDEO, translate(L"VIDEO + AUDIO"));
            add_separator(menu);
            headerAdded = true;
        }
        if (placement == CompatPlacement::StandingIn && !dubbed && r.height != 0 &&
            r.quality == info.formats[compat].quality) {
            // At its own quality the H.264 entry stands in for the preferred one.
            if (!compatAdded) {
                add_compat_entry(menu, item, info, static_cast<uint32_t>(compat), context);
                compatAdded = true;
                ++n;
            }
            continue;
        }
        wchar_t label[FORMAT_LABEL_CAPACITY];
        video_choice_label(item, info, i, n == 0 || dubbed, label);
        bool best = n == 0;
        if (best) {
            item.defaultChoice = static_cast<int>(i);
            if (item.choiceExplicit == 0) {
                item.selectedChoice = static_cast<int>(i);
            }
            text_append(label, L" (");
            text_append(label, translate(L"Best Quality"));
            text_append(label, L")");
        }
        add_choice(menu, item, info, i, label, context);
        ++n;
        if (placement == CompatPlacement::NextToBest && !compatAdded && (dubbed || (best && !hasDubbed))) {
            add_compat_entry(menu, item, info, static_cast<uint32_t>(compat), context);
            compatAdded = true;
            ++n;
        }
    }
}

void add_audio_section(FormatMenu& menu, ChoiceState& item, VideoInfo& info, const FormatMenuContext& context,
                       bool live) {
    bool first = true;
    for (uint32_t i = 0; i < info.formatCount; ++i) {
        const MediaFormat& r = info.formats[i];
        if (!is_audio_only(r)) {
            continue;
        }
        if (first) {
            add_separator(menu);
            add_header(menu, FORMAT_MENU_HEADER_AUDIO, translate(L"AUDIO ONLY"));
            add_separator(menu);
            first = false;
        }
        wchar_t label[FORMAT_LABEL_CAPACITY];
        text_copy(label, translate(L"Audio"));
        if (r.ext[0]) {
            text_append(label, L" ");
            append_upper(label, r.ext);
        }
        if (r.abr != 0) {
            text_append(label, L" ");
            append_number(label, r.abr);
            text_append(label, L" ");
            text_append(label, translate(L"Kb/s"));
        }
        if (item.playlistCount == 0) {
            wchar_t size[SIZE_TEXT_CAPACITY];
            if (r.filesize != 0) {
                format_size_text(r.filesize, size);
                text_append(label, L" - ");
                text_append(label, size);
            } else if (text_equal_nocase(r.formatId, TOKEN_MP3) && info.duration != 0) {
                // kbit/s to bytes per second: x 1000 / 8
                format_size_text(static_cast<uint64_t>(r.abr) * 125u * info.duration, size);
                text_append(label, L" - ~");
                text_append(label, size);
            }
        }
        const wchar_t* note = nullptr;
        if (text_equal_nocase(r.ext, L"mp3")) {
            note = translate(L"converted, plays everywhere");
        } else if (text_equal_nocase(r.ext, L"m4a")) {
            note = translate(L"no conversion, plays everywhere");
        } else if (r.ext[0]) {
            note = translate(L"no conversion");
        } else if (item.playlistCount != 0) {
            note = translate(L"original format");
        }
        if (note) {
            text_append(label, L" (");
            text_append(label, note);
            text_append(label, L")");
        }
        FormatMenuEntry* entry = add_choice(menu, item, info, i, label, context);
        if (entry && live) {
            entry->grayed = 1;
        }
    }
}

void add_subtitle_section(FormatMenu& menu, const ChoiceState& item, const VideoInfo& info,
                          const FormatMenuContext& context, bool live) {
    SubtitleSuggestion suggestions[2] = {};
    int count = subtitle_suggestions(info, context.userLanguage, suggestions);
    add_separator(menu);
    add_header(menu, FORMAT_MENU_HEADER_SUBTITLES, translate(L"SUBTITLES"));
    add_separator(menu);

    bool audioOnly = selected_is_audio_only(item, info);
    bool blocked = live || count == 0 || context.subtitlesOnly == 1 || audioOnly;
    int mode = context.subtitleMode;
    if (count < 2 && (mode == 2 || mode == 3)) {
        mode = 1;
    }
    auto add_option = [&](int id, const wchar_t* label, bool checked) {
        if (FormatMenuEntry* entry = add_command(menu, id, label)) {
            entry->radio = 1;
            entry->checked = checked;
            entry->grayed = blocked;
        }
    };
    add_option(FORMAT_MENU_SUBTITLES_NONE, translate(L"None"),
               !(audioOnly || (count != 0 && mode != 0) || context.subtitlesOnly == 1));
    wchar_t label[SUBTITLE_LABEL_CAPACITY];
    if (count >= 1) {
        subtitle_choice_label(suggestions, 0, label);
        add_option(FORMAT_MENU_SUBTITLES_FIRST, label, !blocked && mode == 1);
    }
    if (count >= 2) {
        subtitle_choice_label(suggestions, 1, label);
        add_option(FORMAT_MENU_SUBTITLES_SECOND, label, !blocked && mode == 2);
        wchar_t both[FORMAT_LABEL_CAPACITY];
        text_copy(both, translate(L"Embed subtitles"));
        text_append(both, MIDDLE_DOT);
        text_append(both, translate(L"both"));
        text_append(both, L" (");
        append_upper(both, suggestions[0].language);
        text_append(both, L" + ");
        append_upper(both, suggestions[1].language);
        text_append(both, L")");
        add_option(FORMAT_MENU_SUBTITLES_BOTH, both, !blocked && mode == 3);
    }

    wchar_t only[96];
    text_copy(only, translate(L"Subtitles only (.srt)"));
    const SubtitleTrack* track = default_subtitle_track(info, context.userLanguage);
    if (track && track->language[0]) {
        text_append(only, MIDDLE_DOT);
        append_upper(only, track->language);
        if (track->isAuto) {
            text_append(only, L" ");
            text_append(only, translate(L"(auto)"));
        }
    }
    if (FormatMenuEntry* entry = add_command(menu, FORMAT_MENU_SUBTITLES_ONLY, only)) {
        entry->radio = 1;
        entry->checked = context.subtitlesOnly == 1;
        entry->grayed = count == 0 || live;
    }
}

}  // namespace

bool build_format_menu(ChoiceState& item, VideoInfo& info, const FormatMenuContext& context, FormatMenu& menu) {
    menu.count = 0;
    if (info.formatCount < 2) {
        return false;
    }
    int compat = find_compat(info);
    for (uint32_t i = 0; i < info.formatCount; ++i) {
        info.formats[i].listed = 0;
        info.formats[i].compatible = static_cast<int>(i) == compat ? 1 : 0;
    }
    repair_selection(item, info, compat);
    bool live = is_live_source(info);
    add_video_section(menu, item, info, compat, context);
    add_audio_section(menu, item, info, context, live);
    add_subtitle_section(menu, item, info, context, live);
    return true;
}

const FormatMenuEntry* find_format_menu_entry(const FormatMenu& menu, int id) {
    for (uint32_t i = 0; i < menu.count && i < FORMAT_MENU_CAPACITY; ++i) {
        if (!menu.entries[i].separator && menu.entries[i].id == id) {
            return &menu.entries[i];
        }
    }
    return nullptr;
}

void video_choice_label(const ChoiceState& item, const VideoInfo& info, uint32_t index, bool withAudio,
                        wchar_t (&out)[FORMAT_LABEL_CAPACITY]) {
    out[0] = 0;
    if (index >= info.formatCount || index >= MAX_FORMATS) {
        return;
    }
    const MediaFormat& r = info.formats[index];
    text_copy(out, translate(L"Video"));
    if (r.ext[0]) {
        text_append(out, L" ");
        append_upper(out, r.ext);
    }
    if (r.height != 0) {
        wchar_t quality[QUALITY_TEXT_CAPACITY];
        quality_text(r, quality);
        if (quality[0]) {
            text_append(out, L" ");
            text_append(out, quality);
        }
        const wchar_t* container = text_equal_nocase(r.ext, L"mp4") ? L"m4a" : r.ext;
        if (withAudio && container[0]) {
            for (uint32_t g = 0; g < info.audioGroupCount && g < MAX_AUDIO_GROUPS; ++g) {
                const AudioGroup& group = info.audioGroups[g];
                if (!text_equal_nocase(group.ext, container)) {
                    continue;
                }
                if (group.originalLanguage[0]) {
                    text_append(out, MIDDLE_DOT);
                    append_upper(out, r.dubbed ? group.userLanguage : group.originalLanguage);
                    text_append(out, L" (");
                    text_append(out, r.dubbed ? translate(L"dubbed") : translate(L"original"));
                    text_append(out, L")");
                }
                break;
            }
        }
    } else if (r.tbr != 0) {
        text_append(out, L" ");
        append_number(out, r.tbr);
        text_append(out, L" ");
        text_append(out, translate(L"Kb/s"));
    } else if (r.format[0]) {
        text_append(out, L" ");
        text_append(out, r.format);
    }
    if (item.playlistCount == 0 && r.filesize != 0) {
        wchar_t size[SIZE_TEXT_CAPACITY];
        format_size_text(r.filesize, size);
        text_append(out, L" - ");
        text_append(out, size);
    }
}

void subtitle_choice_label(const SubtitleSuggestion (&suggestions)[2], int k, wchar_t (&out)[SUBTITLE_LABEL_CAPACITY]) {
    out[0] = 0;
    if (k < 0 || k > 1) {
        return;
    }
    text_copy(out, translate(L"Embed subtitles"));
    text_append(out, MIDDLE_DOT);
    append_upper(out, suggestions[k].language, 15);
    if (suggestions[k].isAuto) {
        text_append(out, L" ");
        text_append(out, translate(L"(auto)"));
    }
}

void quality_text(const MediaFormat& format, wchar_t (&out)[QUALITY_TEXT_CAPACITY]) {
    out[0] = 0;
    if (format.quality == 0) {
        return;
    }
    append_number(out, format.quality);
    text_append(out, translate(L"p"));
    if (format.fps > 30) {
        append_number(out, format.fps);
    }
    if (format.quality == 1080 || format.quality == 1440) {
        text_append(out, translate(L" HD"));
    } else if (format.quality == 2160) {
        text_append(out, translate(L" 4K"));
    }
    if (format.dynamicRange[0]) {
        text_append(out, translate(L" HDR"));
    }
}

void format_size_text(uint64_t bytes, wchar_t (&out)[SIZE_TEXT_CAPACITY]) {
    wchar_t number[32];
    int unit = 0;
    if (bytes < 1024) {
        text_format(number, L"%llu", static_cast<unsigned long long>(bytes));
    } else {
        uint64_t divisor = 1024;
        unit = 1;
        if (bytes >= 1024000) {
            // From 1000 KB on the text moves to MB, so it never needs four digits.
            divisor = 1024ull * 1024ull;
            unit = 2;
            while (bytes / divisor >= 1000 && unit < 6) {
                divisor *= 1024;
                ++unit;
            }
        }
        uint64_t quotient = bytes / divisor;
        uint64_t remainder = bytes % divisor;
        int decimals = quotient < 10 ? 2 : quotient < 100 ? 1 : 0;
        // Long division, digit by digit: remainder x 100 would overflow 64
        // bits for the exabyte divisor, remainder x 10 never does.
        wchar_t fraction[4] = L"";
        for (int d = 0; d < decimals; ++d) {
            remainder *= 10;
            fraction[d] = static_cast<wchar_t>(L'0' + remainder / divisor);
            remainder %= divisor;
            fraction[d + 1] = 0;
        }
        if (decimals > 0) {
            wchar_t separator[2] = {interface_decimal_separator(), 0};
            text_format(number, L"%llu%ls%ls", static_cast<unsigned long long>(quotient), separator, fraction);
        } else {
            text_format(number, L"%llu", static_cast<unsigned long long>(quotient));
        }
    }
    wchar_t space[2] = {NO_BREAK_SPACE, 0};
    text_copy(out, number);
    text_append(out, space);
    text_append(out, unit_text(unit));
}

void update_format_button(const ChoiceState& item, const VideoInfo& info, const FormatMenuContext& context,
                          bool hasMenu, const wchar_t* entryText, FormatButton& button) {
    if (context.subtitlesOnly == 1) {
        text_copy(button.caption, 96, translate(L"Subtitles only (.srt)"));
        const SubtitleTrack* track = default_subtitle_track(info, context.userLanguage);
        if (track && track->language[0]) {
            text_append(button.caption, MIDDLE_DOT);
            append_upper(button.caption, track->language);
            if (track->isAuto) {
                text_append(button.caption, L" ");
                text_append(button.caption, translate(L"(auto)"));
            }
        }
        button.glyph = GLYPH_SUBTITLES;
        return;
    }
    if (entryText) {
        wchar_t caption[FORMAT_CAPTION_CAPACITY];
        text_copy(caption, MENU_TEXT_CAPACITY, entryText);
        SubtitleSuggestion suggestions[2] = {};
        int count = info.subtitleCount ? subtitle_suggestions(info, context.userLanguage, suggestions) : 0;
        if (context.subtitleMode >= 1 && context.subtitleMode <= 3 && count >= 1) {
            int mode = context.subtitleMode;
            if (count < 2 && (mode == 2 || mode == 3)) {
                mode = 1;
            }
            wchar_t suffix[64];
            text_copy(suffix, translate(L" + subs "));
            if (mode == 2) {
                text_append(suffix, suggestions[1].language);
            } else {
                text_append(suffix, suggestions[0].language);
                if (mode == 3) {
                    text_append(suffix, L"+");
                    text_append(suffix, suggestions[1].language);
                }
            }
            append_upper(caption, suffix);
        }
        text_copy(button.caption, caption);
    }
    if (!hasMenu) {
        button.glyph = 0;
        return;
    }
    int selected = valid_index(item, info);
    if (selected >= 0 && has_video(info.formats[selected])) {
        button.glyph = GLYPH_VIDEO;
    } else if (selected >= 0 && is_audio_only(info.formats[selected])) {
        button.glyph = GLYPH_AUDIO;
    }
}
