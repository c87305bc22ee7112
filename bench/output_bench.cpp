// How fast handle_download_output reads a long yt-dlp download stream,
// beside a plain pass that only splits the same bytes into lines: the
// parser may cost at most TARGET_OVER_PLAIN times what finding the lines costs.
//
// usage: output_bench [--benchmark_... flags] FIXTURES_FOLDER
// The stream is every recorded download of the folder (ytdlp-download-*.out,
// ytdlp-subs-only-*.out) one after another, repeated to STREAM_BYTES.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/tools/output_parser.h"
#include "ui/locale_format.h"
#include "ui/translation.h"
#include "bench/bench_support.h"

namespace {

constexpr double TARGET_OVER_PLAIN = 20.0;
constexpr size_t STREAM_BYTES = 8u << 20;
constexpr size_t CHUNK_SIZE = 65536;  // what the tool runner reads at once

const char NAME_PARSER[] = "handle_download_output/english";
const char NAME_PARSER_GERMAN[] = "handle_download_output/german";
const char NAME_PLAIN[] = "plain_line_split";

const char GERMAN[] =
    "B=B\r\nKB=KB\r\nMB=MB\r\nGB=GB\r\nTB=TB\r\nDownloading...=Wird heruntergeladen...\r\n"
    "Processing files...=Dateien werden verarbeitet...\r\nDownloading video=Lade Video\r\nof=von\r\n"
    "Live recording=Live-Aufnahme\r\n1 min left=noch 1 Min.\r\nN min left=noch {n} Min.\r\n"
    "1 sec left=noch 1 Sek.\r\nN sec left=noch {n} Sek.\r\n";

std::string& stream() {
    static std::string bytes;
    return bytes;
}

size_t& stream_lines() {
    static size_t lines = 0;
    return lines;
}

bool load_stream(const char* folder) {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        std::string name = entry.path().filename().string();
        if ((name.rfind("ytdlp-download-", 0) == 0 || name.rfind("ytdlp-subs-only-", 0) == 0) &&
            entry.path().extension() == ".out") {
            files.push_back(entry.path().string());
        }
    }
    std::sort(files.begin(), files.end());
    std::string once;
    for (const std::string& path : files) {
        std::ifstream in(path, std::ios::binary);
        once.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        once += '\n';  // a recording may end inside a line
    }
    if (error || once.size() < 2) {
        return false;
    }
    std::string& bytes = stream();
    while (bytes.size() < STREAM_BYTES) {
        bytes += once;
    }
    return true;
}

// The baseline: the lines the parser sees (split at CR and LF, empty ones
// skipped), found and counted, nothing else.
size_t count_lines(const std::string& bytes) {
    size_t lines = 0;
    bool inLine = false;
    for (char c : bytes) {
        bool lineBreak = c == '\r' || c == '\n';
        if (!lineBreak && !inLine) {
            ++lines;
        }
        inLine = !lineBreak;
    }
    return lines;
}

struct Interface {
    TranslationTable* table;
    unsigned language;
};

Interface english_interface() {
    static TranslationTable* table = static_cast<TranslationTable*>(std::calloc(1, sizeof(TranslationTable)));
    return {table, 0x0409};
}

Interface german_interface() {
    static TranslationTable* table = [] {
        auto* t = static_cast<TranslationTable*>(std::calloc(1, sizeof(TranslationTable)));
        parse_translation(*t, GERMAN, sizeof(GERMAN) - 1);
        return t;
    }();
    return {table, 0x0407};
}

// One run over the whole stream in the runner's chunks, for a fresh item.
void parse_stream(DownloadRecord& item, ProgressParseState& state) {
    const std::string& bytes = stream();
    std::memset(item.statusText, 0, sizeof(item.statusText));
    item.percent = PERCENT_UNKNOWN;
    prepare_progress_state(state, item);
    uint32_t before = 0;
    for (size_t at = 0; at < bytes.size(); at += CHUNK_SIZE) {
        size_t n = std::min(CHUNK_SIZE, bytes.size() - at);
        handle_download_output(bytes.data() + at, static_cast<uint32_t>(n), before, &state, 0, &item);
        before += static_cast<uint32_t>(n);
    }
}

void bench_parser(benchmark::State& run, Interface face) {
    g_translation = face.table;
    set_interface_language(face.language);
    auto item = std::make_unique<DownloadRecord>();
    auto state = std::make_unique<ProgressParseState>();
    for (auto _ : run) {
        parse_stream(*item, *state);
        benchmark::DoNotOptimize(item->percent);
        benchmark::DoNotOptimize(item->statusText);
    }
    run.counters["lines/s"] = benchmark::Counter(static_cast<double>(stream_lines()) * run.iterations(),
                                                 benchmark::Counter::kIsRate);
    run.SetBytesProcessed(static_cast<int64_t>(run.iterations()) * static_cast<int64_t>(stream().size()));
}

void bench_plain(benchmark::State& run) {
    const std::string& bytes = stream();
    for (auto _ : run) {
        size_t lines = count_lines(bytes);
        benchmark::DoNotOptimize(lines);
    }
    run.counters["lines/s"] = benchmark::Counter(static_cast<double>(stream_lines()) * run.iterations(),
                                                 benchmark::Counter::kIsRate);
    run.SetBytesProcessed(static_cast<int64_t>(run.iterations()) * static_cast<int64_t>(bytes.size()));
}

void print_summary(const SummaryReporter& reporter) {
    double lines = static_cast<double>(stream_lines());
    double plain = reporter.seconds(NAME_PLAIN);
    std::printf("\n%zu bytes, %.0f lines, in chunks of %zu bytes:\n", stream().size(), lines, CHUNK_SIZE);
    if (plain > 0) {
        std::printf("  %-34s %14.0f lines/s\n", "plain line split", lines / plain);
    }
    for (const char* name : {NAME_PARSER, NAME_PARSER_GERMAN}) {
        double parser = reporter.seconds(name);
        if (parser <= 0) {
            continue;
        }
        std::printf("  %-34s %14.0f lines/s", name, lines / parser);
        if (plain > 0) {
            double ratio = parser / plain;
            std::printf("   parser/plain %.1f", ratio);
            if (name == NAME_PARSER) {
                std::printf("   target <= %.0f: %s", TARGET_OVER_PLAIN, ratio <= TARGET_OVER_PLAIN ? "met" : "MISSED");
            }
        }
        std::printf("\n");
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> args;
    int count = initialize_benchmarks(argc, argv, "ms", args);
    if (count != 2) {
        std::fprintf(stderr, "usage: %s [--benchmark_... flags] FIXTURES_FOLDER\n", argv[0]);
        return 2;
    }
    if (!load_stream(args[1])) {
        std::fprintf(stderr, "no recorded downloads in %s\n", args[1]);
        return 1;
    }
    stream_lines() = count_lines(stream());
    std::printf("stream: %zu bytes, %zu lines\n", stream().size(), stream_lines());
    std::fflush(stdout);

    benchmark::RegisterBenchmark(NAME_PLAIN, bench_plain);
    benchmark::RegisterBenchmark(NAME_PARSER, [](benchmark::State& run) { bench_parser(run, english_interface()); });
    benchmark::RegisterBenchmark(NAME_PARSER_GERMAN,
                                 [](benchmark::State& run) { bench_parser(run, german_interface()); });
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::fflush(stdout);
    print_summary(reporter);
    benchmark::Shutdown();
    return 0;
}
