// tavlo_inspect: runs the program's own rule code on files and prints the
// result as UTF-8 JSON, for developers and for checks from scripts.
//
//   tavlo_inspect json FILE
//   tavlo_inspect choices FILE [--lang LANGID] [--token T] [--sub-mode M] [--subs-only] [--select I]
//   tavlo_inspect progress FILE [--playlist-count N] [--subs-only] [--duration S] [--live] [--chunk N]
//
// Exit code 0 with the JSON on standard output; 2 with a one-line message on
// standard error for bad usage or an unreadable file.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "app/media/choice_memory.h"
#include "app/media/format_choices.h"
#include "app/media/format_menu.h"
#include "app/media/json.h"
#include "app/media/video_info.h"
#include "app/tools/output_parser.h"
#include "app/tools/tool_commands.h"
#include "base/text.h"
#include "base/utf.h"
#include "tools/languages/embedded_languages.h"
#include "tools/inspect/json_writer.h"
#include "ui/locale_format.h"
#include "ui/translation.h"

namespace {

// One line, so that a script sees the reason and the usage together.
int usage(const char* message) {
    std::fprintf(stderr,
                 "tavlo_inspect: %s; usage: tavlo_inspect json FILE | choices FILE [--lang LANGID] [--token T]"
                 " [--sub-mode M] [--subs-only] [--select I] | progress FILE"
                 " [--playlist-count N] [--subs-only] [--duration S] [--live] [--chunk N]\n",
                 message);
    return 2;
}

bool read_file(const std::string& path, std::string& bytes) {
#ifdef _WIN32
    FILE* f = _wfopen(utf8_to_wide(path).c_str(), L"rb");
#else
    FILE* f = std::fopen(path.c_str(), "rb");
#endif
    if (!f) {
        return false;
    }
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0) {
        bytes.append(buffer, n);
    }
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

void print(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
}

int inspect_json(const std::string& bytes) {
    JsonParser parser;
    JsonValue value;
    JsonWriter out;
    out.begin_object();
    out.key("ok");
    if (parse_json(parser, bytes.data(), bytes.size(), value)) {
        out.value(true);
    } else {
        out.value(false);
        out.key("error");
        out.value(parser.error);
        out.key("offset");
        out.value(static_cast<uint64_t>(parser.errorPos));
    }
    out.end_object();
    print(out.text());
    return 0;
}

// The item as the screen shows it after the choice steps.
struct ChoicesView {
    const FormatMenu* menu;
    const FormatButton* button;
    const wchar_t* downloadCommand;
};

void write_menu(JsonWriter& out, const FormatMenu& menu) {
    out.begin_array();
    for (uint32_t i = 0; i < menu.count; ++i) {
        const FormatMenuEntry& e = menu.entries[i];
        out.begin_object();
        if (e.separator) {
            out.key("separator"), out.value(true);
        } else {
            out.key("id"), out.value(e.id);
            out.key("label"), out.value(e.label);
            out.key("checked"), out.value(e.checked != 0);
            out.key("grayed"), out.value(e.grayed != 0);
            out.key("radio"), out.value(e.radio != 0);
        }
        out.end_object();
    }
    out.end_array();
}

void write_choices(JsonWriter& out, const ChoiceState& item, const VideoInfo& info, const ChoicesView& view) {
    out.begin_object();
    out.key("title"), out.value(info.title);
    out.key("duration"), out.value(info.duration);
    out.key("isLive"), out.value(info.isLive);
    out.key("playlistCount"), out.value(item.playlistCount);
    out.key("videoLanguage"), out.value(info.videoLanguage);
    out.key("selectedChoice"), out.value(item.selectedChoice);
    out.key("choiceExplicit"), out.value(item.choiceExplicit);
    out.key("dubbedChoice"), out.value(item.dubbedChoice);
    out.key("subtitles");
    out.begin_array();
    for (uint32_t i = 0; i < info.subtitleCount; ++i) {
        const SubtitleTrack& t = info.subtitles[i];
        out.begin_object();
        out.key("language"), out.value(t.language);
        out.key("key"), out.value(t.key);
        out.key("isAuto"), out.value(t.isAuto);
        out.end_object();
    }
    out.end_array();
    out.key("audioGroups");
    out.begin_array();
    for (uint32_t i = 0; i < info.audioGroupCount; ++i) {
        const AudioGroup& g = info.audioGroups[i];
        out.begin_object();
        out.key("ext"), out.value(g.ext);
        out.key("originalId"), out.value(g.originalId);
        out.key("originalSize"), out.value(g.originalSize);
        out.key("originalBitrate"), out.value(g.originalBitrate);
        out.key("originalLanguage"), out.value(g.originalLanguage);
        out.key("userId"), out.value(g.userId);
        out.key("userSize"), out.value(g.userSize);
        out.key("userBitrate"), out.value(g.userBitrate);
        out.key("userLanguage"), out.value(g.userLanguage);
        out.end_object();
    }
    out.end_array();
    out.key("choices");
    out.begin_array();
    for (uint32_t i = 0; i < info.formatCount; ++i) {
        const MediaFormat& f = info.formats[i];
        out.begin_object();
        out.key("formatId"), out.value(f.formatId);
        out.key("ext"), out.value(f.ext);
        out.key("kind"), out.value(f.kind);
        out.key("quality"), out.value(f.quality);
        out.key("height"), out.value(f.height);
        out.key("width"), out.value(f.width);
        out.key("fps"), out.value(f.fps);
        out.key("tbr"), out.value(f.tbr);
        out.key("abr"), out.value(f.abr);
        out.key("filesize"), out.value(f.filesize);
        out.key("audioSize"), out.value(f.audioSize);
        out.key("hdr"), out.value(f.hdr);
        out.key("preferred"), out.value(f.preferred);
        out.key("dubbed"), out.value(f.dubbed);
        out.key("listed"), out.value(f.listed);
        out.key("compatible"), out.value(f.compatible);
        out.key("aiUpscaled"), out.value(f.aiUpscaled);
        out.key("dynamicRange"), out.value(f.dynamicRange);
        out.key("language"), out.value(f.language);
        out.end_object();
    }
    out.end_array();
    out.key("defaultChoice"), out.value(item.defaultChoice);
    out.key("menu");
    write_menu(out, *view.menu);
    out.key("caption"), out.value(view.button->caption);
    wchar_t glyph[8] = L"";
    if (view.button->glyph) {
        text_format(glyph, L"%04X", static_cast<unsigned>(view.button->glyph));
    }
    out.key("glyph"), out.value(glyph);
    out.key("downloadCommand"), out.value(view.downloadCommand);
    out.end_object();
}

// What the user set up before the link arrived, and the menu command given after.
struct ChoicesOptions {
    unsigned languageId = 9;
    std::string token;          // the list's remembered format token
    int subtitleMode = 0;
    int subtitlesOnly = 0;
    long long select = -1;      // format command 2000 + select; -1 none
};

// The interface language's texts, as the program loads them at start.
void load_interface(unsigned languageId, TranslationTable& table) {
    set_interface_language(languageId);
    int resource = language_resource_id(languageId);
    for (size_t i = 0; i < EMBEDDED_LANGUAGE_COUNT; ++i) {
        if (EMBEDDED_LANGUAGES[i].resourceId == resource) {
            parse_translation(table, EMBEDDED_LANGUAGES[i].bytes, EMBEDDED_LANGUAGES[i].size);
        }
    }
    g_translation = &table;
}

// The caption as the item refreshes it, reading the entry's text back.
void refresh_button(const DownloadRecord& item, const FormatMenuContext& context, const FormatMenu& menu,
                    FormatButton& button) {
    const FormatMenuEntry* entry =
        menu.count ? find_format_menu_entry(menu, FORMAT_MENU_CHOICE_FIRST + item.selectedChoice) : nullptr;
    update_format_button(item, item.info, context, menu.count != 0, entry ? entry->label : nullptr, button);
}

// The item's steps on its first document: subtitle options reset where they
// can't apply, the menu, the remembered choice, the caption; then the format
// command, when one is given, as the menu delivers it.
void run_choice_steps(DownloadRecord& item, const ChoicesOptions& options, const wchar_t* user, FormatMenu& menu,
                      FormatButton& button) {
    VideoInfo& info = item.info;
    wchar_t token[CHOICE_TOKEN_CAPACITY];
    text_copy(token, utf8_to_wide(options.token).c_str());
    SubtitleSuggestion suggestions[2];
    bool live = is_live_source(info);
    if (subtitle_suggestions(info, user, suggestions) == 0 || live) {
        item.subtitlesOnly = 0;
        item.subtitleMode = 0;
    }
    if (live && text_find(token, L"audio") && !text_find(token, L"video")) {
        item.selectedChoice = 0;
        item.choiceExplicit = 0;
        choice_token(item, info, token);
    }
    FormatMenuContext context = {item.subtitlesOnly, item.subtitleMode, user};
    build_format_menu(item, info, context, menu);
    apply_choice_token(item, info, token);
    refresh_button(item, context, menu, button);
    if (options.select < 0) {
        return;
    }
    // A click on the format link rebuilds the menu and shows it; the menu
    // sends only the commands of its enabled entries.
    build_format_menu(item, info, context, menu);
    long long count = info.formatCount < MAX_FORMATS ? info.formatCount : MAX_FORMATS;
    const FormatMenuEntry* entry =
        options.select < count ? find_format_menu_entry(menu, FORMAT_MENU_CHOICE_FIRST + static_cast<int>(options.select))
                               : nullptr;
    if (!entry || entry->grayed) {
        std::fprintf(stderr, "tavlo_inspect: the menu offers no choice %lld; nothing selected\n", options.select);
    } else {
        item.selectedChoice = static_cast<int>(options.select);
        item.subtitlesOnly = 0;
        item.subtitleMode = 0;
        item.choiceExplicit = 1;
        context = {item.subtitlesOnly, item.subtitleMode, user};
        refresh_button(item, context, menu, button);
        choice_token(item, info, token);
    }
    // The next click on the format link rebuilds the menu.
    build_format_menu(item, info, context, menu);
}

// The file is what yt-dlp -j printed: a document starts at the first "{" of
// a line; the first one the reader accepts is shown.
int inspect_choices(const std::string& bytes, const ChoicesOptions& options) {
    auto* table = static_cast<TranslationTable*>(std::calloc(1, sizeof(TranslationTable)));
    load_interface(options.languageId, *table);
    wchar_t user[4];
    interface_language_code(options.languageId, user);
    auto* item = new DownloadRecord();
    item->dubbedChoice = NO_DUBBED_CHOICE;
    item->subtitleMode = options.subtitleMode;
    item->subtitlesOnly = options.subtitlesOnly;
    VideoInfo& info = item->info;
    bool accepted = false;
    size_t start = 0;
    while (!accepted && start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) {
            end = bytes.size();
        }
        size_t brace = bytes.find('{', start);
        if (brace < end) {
            std::string line = bytes.substr(brace, end - brace);
            accepted = read_video_info(*item, info, line.c_str(), user);
        }
        start = end + 1;
    }
    JsonWriter out;
    if (accepted) {
        item->documentsReceived = 1;
        auto* menu = static_cast<FormatMenu*>(std::calloc(1, sizeof(FormatMenu)));
        FormatButton button = {};
        run_choice_steps(*item, options, user, *menu, button);

        // The job's command line for this choice, in a fixed setting.
        wchar_t link[] = L"https://example.com/video";
        item->url = link;
        text_copy(item->outputFolder, L"C:\\Out");
        DownloadCommandContext context = {L"C:\\Program Files\\Tavlo\\bin\\yt-dlp.exe", user, L"000000"};
        wchar_t line[DOWNLOAD_COMMAND_CAPACITY];
        build_download_command(*item, context, line);
        item->url = nullptr;

        write_choices(out, *item, info, ChoicesView{menu, &button, line});
        std::free(menu);
    } else {
        out.begin_object();
        out.key("ok"), out.value(false);
        out.key("error"), out.value("no metadata document accepted");
        out.end_object();
    }
    print(out.text());
    free_video_info(info);
    delete item;
    g_translation = nullptr;
    clear_translation(*table);
    std::free(table);
    return 0;
}

// What the download output parser makes of a recorded yt-dlp download.
struct ProgressOptions {
    uint32_t playlistCount = 0;
    int subtitlesOnly = 0;
    uint32_t duration = 0;
    uint32_t isLive = 0;
    size_t chunk = 0;  // 0: the whole file at once
};

// A decimal number of at most 32 bits.
bool read_count(const std::string& text, uint32_t& value) {
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    unsigned long long n = std::strtoull(text.c_str(), nullptr, 10);
    if (n > 0xFFFFFFFFull) {
        return false;
    }
    value = static_cast<uint32_t>(n);
    return true;
}

// The file's bytes through the download job's output handler (whole, or in
// chunks of the given size), for an item with an English interface.
int inspect_progress(const std::string& bytes, const ProgressOptions& options) {
    set_interface_language(0x0409);
    auto* table = static_cast<TranslationTable*>(std::calloc(1, sizeof(TranslationTable)));
    g_translation = table;
    auto* item = new DownloadRecord();
    item->playlistCount = options.playlistCount;
    item->subtitlesOnly = options.subtitlesOnly;
    item->info.duration = options.duration;
    item->info.isLive = options.isLive;
    item->percent = PERCENT_UNKNOWN;
    auto* state = new ProgressParseState;
    prepare_progress_state(*state, *item);

    size_t step = options.chunk ? options.chunk : bytes.size();
    for (size_t at = 0; at < bytes.size(); at += step) {
        size_t n = bytes.size() - at < step ? bytes.size() - at : step;
        std::string chunk = bytes.substr(at, n);  // ends in a zero byte, as the runner's chunks do
        handle_download_output(chunk.c_str(), static_cast<uint32_t>(n), static_cast<uint32_t>(at), state, 0, item);
    }

    JsonWriter out;
    out.begin_object();
    out.key("percent"), out.value(static_cast<unsigned>(item->percent));
    out.key("statusText"), out.value(item->statusText);
    out.key("phaseText"), out.value(item->phaseText);
    out.key("timeLeftText"), out.value(item->timeLeftText);
    out.key("errorText"), out.value(item->errorText);
    out.key("outputPath"), out.value(item->outputPath);
    out.key("loginNeeded"), out.value(static_cast<int>(item->loginNeeded));
    out.key("passwordNeeded"), out.value(static_cast<int>(item->passwordNeeded));
    out.key("loginDuringDownload"), out.value(static_cast<int>(item->loginDuringDownload));
    out.key("subtitleWritten"), out.value(state->subtitleWritten);
    out.key("duration"), out.value(item->info.duration);
    out.end_object();
    print(out.text());

    delete state;
    delete item;
    g_translation = nullptr;
    std::free(table);
    return 0;
}

int run(const std::vector<std::string>& args) {
    if (args.size() < 2) {
        return usage("missing command or file");
    }
    const std::string& command = args[0];
    ChoicesOptions choices;
    ProgressOptions progress;
    if (command == "json") {
        if (args.size() != 2) {
            return usage("json takes one file");
        }
    } else if (command == "choices") {
        for (size_t i = 2; i < args.size(); ++i) {
            if (args[i] == "--lang" && i + 1 < args.size()) {
                char* end = nullptr;
                unsigned long id = std::strtoul(args[i + 1].c_str(), &end, 10);
                if (!end || *end || args[i + 1].empty() || id > 0xFFFF) {
                    return usage("--lang takes a decimal language identifier");
                }
                choices.languageId = static_cast<unsigned>(id);
                ++i;
            } else if (args[i] == "--token" && i + 1 < args.size()) {
                choices.token = args[++i];
            } else if (args[i] == "--sub-mode") {
                uint32_t mode = 0;
                if (i + 1 >= args.size() || !read_count(args[i + 1], mode) || mode > 3) {
                    return usage("--sub-mode takes 0, 1, 2 or 3");
                }
                choices.subtitleMode = static_cast<int>(mode);
                ++i;
            } else if (args[i] == "--subs-only") {
                choices.subtitlesOnly = 1;
            } else if (args[i] == "--select") {
                uint32_t index = 0;
                if (i + 1 >= args.size() || !read_count(args[i + 1], index)) {
                    return usage("--select takes a decimal choice index");
                }
                choices.select = index;
                ++i;
            } else {
                return usage("unknown option for choices");
            }
        }
    } else if (command == "progress") {
        for (size_t i = 2; i < args.size(); ++i) {
            const std::string& option = args[i];
            bool hasValue = i + 1 < args.size();
            uint32_t value = 0;
            if (option == "--subs-only") {
                progress.subtitlesOnly = 1;
            } else if (option == "--live") {
                progress.isLive = 1;
            } else if (option == "--playlist-count" || option == "--duration" || option == "--chunk") {
                if (!hasValue || !read_count(args[i + 1], value)) {
                    return usage((option + " takes a decimal number").c_str());
                }
                if (option == "--playlist-count") {
                    progress.playlistCount = value;
                } else if (option == "--duration") {
                    progress.duration = value;
                } else if (value == 0 || value > 65536) {
                    return usage("--chunk takes a size from 1 to 65536");
                } else {
                    progress.chunk = value;
                }
                ++i;
            } else {
                return usage("unknown option for progress");
            }
        }
    } else {
        return usage("unknown command");
    }
    std::string bytes;
    if (!read_file(args[1], bytes)) {
        std::fprintf(stderr, "tavlo_inspect: cannot read %s\n", args[1].c_str());
        return 2;
    }
    if (command == "progress") {
        return inspect_progress(bytes, progress);
    }
    return command == "json" ? inspect_json(bytes) : inspect_choices(bytes, choices);
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(wide_to_utf8(argv[i]));
    }
    return run(args);
}
#else
int main(int argc, char** argv) {
    return run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
