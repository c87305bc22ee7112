#include "tests/kit/ytdlp_args.h"

#include <initializer_list>
#include <string_view>

namespace {

// yt-dlp 2023.03.04 options that take values, with how many. Any other
// argument that starts with '-' is a flag, so what is left are the links.
struct ValueOption {
    const char* name;
    int values;
};
const ValueOption kValueOptions[] = {
    {"-a", 1}, {"--batch-file", 1}, {"-f", 1}, {"--format", 1}, {"-S", 1}, {"--format-sort", 1},
    {"-o", 1}, {"--output", 1}, {"-P", 1}, {"--paths", 1}, {"-I", 1}, {"--playlist-items", 1},
    {"-N", 1}, {"--concurrent-fragments", 1}, {"-r", 1}, {"--limit-rate", 1}, {"-R", 1},
    {"--retries", 1}, {"-u", 1}, {"--username", 1}, {"-p", 1}, {"--password", 1}, {"-2", 1},
    {"--twofactor", 1}, {"-O", 1}, {"--print", 1}, {"--print-to-file", 2}, {"--alias", 2},
    {"--replace-in-metadata", 3}, {"--proxy", 1}, {"--socket-timeout", 1}, {"--source-address", 1},
    {"--geo-verification-proxy", 1}, {"--geo-bypass-country", 1}, {"--geo-bypass-ip-block", 1},
    {"--use-extractors", 1}, {"--ies", 1}, {"--default-search", 1}, {"--config-locations", 1},
    {"--wait-for-video", 1}, {"--compat-options", 1}, {"--playlist-start", 1}, {"--playlist-end", 1},
    {"--match-title", 1}, {"--reject-title", 1}, {"--min-filesize", 1}, {"--max-filesize", 1},
    {"--date", 1}, {"--datebefore", 1}, {"--dateafter", 1}, {"--match-filters", 1},
    {"--match-filter", 1}, {"--age-limit", 1}, {"--download-archive", 1}, {"--max-downloads", 1},
    {"--skip-playlist-after-errors", 1}, {"--throttled-rate", 1}, {"--file-access-retries", 1},
    {"--fragment-retries", 1}, {"--retry-sleep", 1}, {"--buffer-size", 1}, {"--http-chunk-size", 1},
    {"--download-sections", 1}, {"--downloader", 1}, {"--external-downloader", 1},
    {"--downloader-args", 1}, {"--external-downloader-args", 1}, {"--output-na-placeholder", 1},
    {"--autonumber-start", 1}, {"--trim-filenames", 1}, {"--load-info-json", 1}, {"--cookies", 1},
    {"--cookies-from-browser", 1}, {"--cache-dir", 1}, {"--convert-thumbnails", 1},
    {"--progress-template", 1}, {"--encoding", 1}, {"--add-header", 1}, {"--user-agent", 1},
    {"--referer", 1}, {"--sleep-requests", 1}, {"--sleep-interval", 1}, {"--min-sleep-interval", 1},
    {"--max-sleep-interval", 1}, {"--sleep-subtitles", 1}, {"--merge-output-format", 1},
    {"--sub-format", 1}, {"--sub-langs", 1}, {"--srt-lang", 1}, {"--convert-subs", 1},
    {"--convert-sub", 1}, {"--convert-subtitles", 1}, {"--netrc-location", 1}, {"--video-password", 1},
    {"--ap-mso", 1}, {"--ap-username", 1}, {"--ap-password", 1}, {"--client-certificate", 1},
    {"--client-certificate-key", 1}, {"--client-certificate-password", 1}, {"--audio-format", 1},
    {"--audio-quality", 1}, {"--remux-video", 1}, {"--recode-video", 1}, {"--postprocessor-args", 1},
    {"--ppa", 1}, {"--parse-metadata", 1}, {"--exec", 1}, {"--exec-before-download", 1},
    {"--remove-chapters", 1}, {"--use-postprocessor", 1}, {"--ffmpeg-location", 1},
    {"--concat-playlist", 1}, {"--fixup", 1}, {"--sponsorblock-mark", 1}, {"--sponsorblock-remove", 1},
    {"--sponsorblock-chapter-title", 1}, {"--sponsorblock-api", 1}, {"--extractor-retries", 1},
    {"--extractor-args", 1},
};

int values_taken(std::string_view option) {
    for (const ValueOption& o : kValueOptions) {
        if (option == o.name) {
            return o.values;
        }
    }
    return 0;
}

bool is_any(std::string_view arg, std::initializer_list<std::string_view> names) {
    for (std::string_view n : names) {
        if (arg == n) {
            return true;
        }
    }
    return false;
}

void take_output_template(ToolRequest& request, std::string_view value) {
    request.hasOutputTemplate = true;
    size_t slash = value.find_last_of("\\/");
    request.outputFolder = slash == std::string_view::npos ? std::string() : std::string(value.substr(0, slash + 1));
}

}  // namespace

ToolRequest read_tool_request(const std::vector<std::string>& args) {
    ToolRequest request;
    bool version = false;
    bool update = false;
    bool metadata = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        if (arg == "--") {
            for (++i; i < args.size(); ++i) {
                request.links.push_back(args[i]);
            }
            break;
        }
        if (arg.size() < 2 || arg[0] != '-') {
            request.links.push_back(args[i]);
            continue;
        }
        // --name=value carries its value inside.
        std::string_view name = arg;
        std::string_view inlineValue;
        bool hasInlineValue = false;
        size_t equals = arg.find('=');
        if (arg.substr(0, 2) == "--" && equals != std::string_view::npos) {
            name = arg.substr(0, equals);
            inlineValue = arg.substr(equals + 1);
            hasInlineValue = true;
        }
        size_t count = hasInlineValue ? 0 : static_cast<size_t>(values_taken(name));
        bool hasValue = hasInlineValue || (count > 0 && i + count < args.size());
        std::string_view value = hasInlineValue || !hasValue ? inlineValue : std::string_view(args[i + 1]);
        if (is_any(name, {"-o", "--output"}) && hasValue) {
            take_output_template(request, value);
        } else if (is_any(name, {"--convert-subs", "--convert-sub", "--convert-subtitles"}) && hasValue) {
            request.convertSubs = std::string(value);
        } else if (is_any(name, {"-j", "--dump-json", "-J", "--dump-single-json"})) {
            metadata = true;
        } else if (name == "--newline") {
            request.newline = true;
        } else if (name == "--version") {
            version = true;
        } else if (is_any(name, {"-U", "--update"})) {
            update = true;
        }
        i += count;
    }
    if (version) {
        request.kind = RunKind::Version;
    } else if (update) {
        request.kind = RunKind::Update;
    } else if (metadata) {
        request.kind = RunKind::Metadata;
    }
    return request;
}
