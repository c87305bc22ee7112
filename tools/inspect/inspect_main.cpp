// tavlo_inspect: runs the program's own rule code on files and prints the
// result as UTF-8 JSON, for developers and for checks from scripts.
//
//   tavlo_inspect json FILE
//   tavlo_inspect choices FILE [--lang LANGID]
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

#include "app/media/format_choices.h"
#include "app/media/json.h"
#include "app/media/video_info.h"
#include "base/utf.h"
#include "tools/inspect/json_writer.h"

namespace {

int usage(const char* message) {
    std::fprintf(stderr, "tavlo_inspect: %s\n", message);
    std::fprintf(stderr, "usage: tavlo_inspect json FILE | choices FILE [--lang LANGID]\n");
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

void write_choices(JsonWriter& out, const ChoiceState& item, const VideoInfo& info) {
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
    out.end_object();
}

// The file is what yt-dlp -j printed: a document starts at the first "{" of
// a line; the first one the reader accepts is shown.
int inspect_choices(const std::string& bytes, unsigned languageId) {
    wchar_t user[4];
    interface_language_code(languageId, user);
    auto* info = static_cast<VideoInfo*>(std::calloc(1, sizeof(VideoInfo)));
    ChoiceState item = {};
    item.dubbedChoice = NO_DUBBED_CHOICE;
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
            accepted = read_video_info(item, *info, line.c_str(), user);
        }
        start = end + 1;
    }
    JsonWriter out;
    if (accepted) {
        write_choices(out, item, *info);
    } else {
        out.begin_object();
        out.key("ok"), out.value(false);
        out.key("error"), out.value("no metadata document accepted");
        out.end_object();
    }
    print(out.text());
    free_video_info(*info);
    std::free(info);
    return 0;
}

int run(const std::vector<std::string>& args) {
    if (args.size() < 2) {
        return usage("missing command or file");
    }
    const std::string& command = args[0];
    unsigned languageId = 9;
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
                languageId = static_cast<unsigned>(id);
                ++i;
            } else {
                return usage("unknown option for choices");
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
    return command == "json" ? inspect_json(bytes) : inspect_choices(bytes, languageId);
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
