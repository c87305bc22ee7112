// How fast parse_json reads a large yt-dlp -j document against RapidJSON's
// DOM and nlohmann::json, each building and destroying the whole tree, and
// what read_video_info costs on the same document.
//
// usage: json_bench [--benchmark_... flags] DOCUMENT
// DOCUMENT is one yt-dlp -j line, e.g. from tools/ytdlp_document/.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>
#include <rapidjson/document.h>

#include "app/media/json.h"
#include "app/media/video_info.h"
#include "bench/rapidjson_sse2.h"
#include "bench/bench_support.h"

namespace {

// Ours / theirs at most this, measured on the document above.
constexpr double TARGET_OVER_RAPIDJSON = 1.5;
constexpr double TARGET_OVER_NLOHMANN = 1.0;

const char NAME_OURS[] = "parse/tavlo_parse_json";
const char NAME_RAPIDJSON[] = "parse/rapidjson_Document_Parse";
const char NAME_RAPIDJSON_SSE2[] = "parse/rapidjson_sse2_Document_Parse";
const char NAME_NLOHMANN[] = "parse/nlohmann_json_parse";
const char NAME_VIDEO_INFO[] = "read_video_info";

std::string& document_text() {
    static std::string text;
    return text;
}

bool load_document(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::string& text = document_text();
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    // yt-dlp ends the line; the program hands the parser the line without it.
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return !text.empty();
}

// Values in the tree (object keys not counted): the three parsers must agree,
// so that no one wins by stopping early.
size_t count_values(const JsonValue& v) {
    size_t n = 1;
    if (v.is(JsonKind::Array)) {
        for (size_t i = 0; i < v.size(); ++i) {
            n += count_values(v.element(i));
        }
    } else if (v.is(JsonKind::Object)) {
        for (size_t i = 0; i < v.size(); ++i) {
            n += count_values(v.member(i).value);
        }
    }
    return n;
}

size_t count_values(const rapidjson::Value& v) {
    size_t n = 1;
    if (v.IsArray()) {
        for (const rapidjson::Value& e : v.GetArray()) {
            n += count_values(e);
        }
    } else if (v.IsObject()) {
        for (const auto& m : v.GetObject()) {
            n += count_values(m.value);
        }
    }
    return n;
}

size_t count_values(const nlohmann::json& v) {
    size_t n = 1;
    if (v.is_array() || v.is_object()) {
        for (const nlohmann::json& e : v) {
            n += count_values(e);
        }
    }
    return n;
}

void bench_ours(benchmark::State& state) {
    const std::string& text = document_text();
    for (auto _ : state) {
        JsonValue root;
        bool ok = parse_json(text.data(), text.size(), root);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(root);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

// The NUL-terminated form: RapidJSON reads it through its fastest stream
// (the (text, length) form is about a third slower here).
void bench_rapidjson(benchmark::State& state) {
    const std::string& text = document_text();
    for (auto _ : state) {
        rapidjson::Document doc;
        doc.Parse(text.c_str());
        benchmark::DoNotOptimize(doc.HasParseError());
        benchmark::DoNotOptimize(doc);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

void bench_nlohmann(benchmark::State& state) {
    const std::string& text = document_text();
    for (auto _ : state) {
        nlohmann::json doc = nlohmann::json::parse(text.begin(), text.end(), nullptr, false);
        benchmark::DoNotOptimize(doc.is_discarded());
        benchmark::DoNotOptimize(doc);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

void bench_read_video_info(benchmark::State& state) {
    const std::string& text = document_text();
    auto info = std::make_unique<VideoInfo>();  // about 100 KB: not on the stack
    for (auto _ : state) {
        ChoiceState item{};
        item.dubbedChoice = NO_DUBBED_CHOICE;
        bool ok = read_video_info(item, *info, text.c_str(), L"de");
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(info->formatCount);
        free_video_info(*info);
    }
}

using Times = SummaryReporter::Times;

// target 0: for information only. The CPU-time ratio beside the wall-time
// one tells how much a busy machine disturbed the run.
void print_ratio(const char* label, Times ours, Times theirs, double target) {
    if (ours.realMs <= 0 || theirs.realMs <= 0) {
        return;
    }
    double ratio = ours.realMs / theirs.realMs;
    std::printf("  %-30s %8.3f    %8.3f", label, ratio, ours.cpuMs / theirs.cpuMs);
    if (target > 0) {
        std::printf("   target %s %.2f: %s", target == 1.0 ? "<" : "<=", target,
                    (target == 1.0 ? ratio < target : ratio <= target) ? "met" : "MISSED");
    }
    std::printf("\n");
}

void print_summary(const SummaryReporter& reporter, size_t bytes) {
    Times ours = reporter.times(NAME_OURS);
    Times rapid = reporter.times(NAME_RAPIDJSON);
    Times rapidSse2 = reporter.times(NAME_RAPIDJSON_SSE2);
    Times nlohmann = reporter.times(NAME_NLOHMANN);
    Times videoInfo = reporter.times(NAME_VIDEO_INFO);
    double mb = static_cast<double>(bytes) / 1e6;
    std::printf("\nParse and destroy the whole tree, %zu-byte document, median of %lld repetition(s):\n", bytes,
                static_cast<long long>(reporter.repetitions()));
    std::printf("  %-30s %8s    %8s\n", "", "wall ms", "cpu ms");
    auto line = [mb](const char* label, Times t) {
        if (t.realMs > 0) {
            std::printf("  %-30s %8.3f    %8.3f   %7.1f MB/s\n", label, t.realMs, t.cpuMs, mb / (t.realMs / 1e3));
        }
    };
    line("ours (parse_json)", ours);
    line("RapidJSON (Document::Parse)", rapid);
    line("RapidJSON with SSE2 scanning", rapidSse2);
    line("nlohmann (json::parse)", nlohmann);
    print_ratio("ours / RapidJSON", ours, rapid, TARGET_OVER_RAPIDJSON);
    print_ratio("ours / nlohmann", ours, nlohmann, TARGET_OVER_NLOHMANN);
    print_ratio("ours / RapidJSON with SSE2", ours, rapidSse2, 0);
    if (videoInfo.realMs > 0) {
        std::printf("read_video_info (parse, records, choice list, free_video_info): %.3f ms (cpu %.3f ms)\n",
                    videoInfo.realMs, videoInfo.cpuMs);
    }
}

// Parses once with each library and checks that all read the whole document.
// hasSse2 tells whether the SSE2 build of RapidJSON can run here.
bool check_document(size_t& values, bool& hasSse2) {
    const std::string& text = document_text();
    JsonParser parser;
    JsonValue ours;
    if (!parse_json(parser, text.data(), text.size(), ours)) {
        std::fprintf(stderr, "parse_json fails: %s at %zu\n", parser.error, parser.errorPos);
        return false;
    }
    rapidjson::Document rapid;
    rapid.Parse(text.c_str());
    if (rapid.HasParseError()) {
        std::fprintf(stderr, "RapidJSON fails at %zu\n", rapid.GetErrorOffset());
        return false;
    }
    nlohmann::json nlohmann = nlohmann::json::parse(text.begin(), text.end(), nullptr, false);
    if (nlohmann.is_discarded()) {
        std::fprintf(stderr, "nlohmann::json fails\n");
        return false;
    }
    values = count_values(ours);
    size_t rapidValues = count_values(rapid);
    size_t nlohmannValues = count_values(nlohmann);
    if (values != rapidValues || values != nlohmannValues) {
        std::fprintf(stderr, "the trees differ: %zu values (ours), %zu (RapidJSON), %zu (nlohmann)\n", values,
                     rapidValues, nlohmannValues);
        return false;
    }
    size_t sse2Values = 0;
    hasSse2 = rapidjson_sse2_parse(text, sse2Values);
    if (hasSse2 && sse2Values != values) {
        std::fprintf(stderr, "the trees differ: %zu values (ours), %zu (RapidJSON with SSE2)\n", values, sse2Values);
        return false;
    }
    ChoiceState item{};
    item.dubbedChoice = NO_DUBBED_CHOICE;
    auto info = std::make_unique<VideoInfo>();
    if (!read_video_info(item, *info, text.c_str(), L"de") || info->formatCount == 0) {
        std::fprintf(stderr, "read_video_info finds no formats\n");
        return false;
    }
    std::printf("read_video_info: %u choices, %u subtitle tracks, %u audio groups\n", info->formatCount,
                info->subtitleCount, info->audioGroupCount);
    free_video_info(*info);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> args;
    int count = initialize_benchmarks(argc, argv, "ms", args);
    if (count != 2) {
        std::fprintf(stderr, "usage: %s [--benchmark_... flags] DOCUMENT\n", argv[0]);
        return 2;
    }
    if (!load_document(args[1])) {
        std::fprintf(stderr, "cannot read %s\n", args[1]);
        return 1;
    }
    size_t values = 0;
    bool hasSse2 = false;
    if (!check_document(values, hasSse2)) {
        return 1;
    }
    std::printf("document: %s, %zu bytes, %zu values\n", args[1], document_text().size(), values);
    std::fflush(stdout);

    benchmark::RegisterBenchmark(NAME_OURS, bench_ours);
    benchmark::RegisterBenchmark(NAME_RAPIDJSON, bench_rapidjson);
    if (hasSse2) {
        benchmark::RegisterBenchmark(NAME_RAPIDJSON_SSE2,
                                     [](benchmark::State& state) { bench_rapidjson_sse2(state, document_text()); });
    }
    benchmark::RegisterBenchmark(NAME_NLOHMANN, bench_nlohmann);
    benchmark::RegisterBenchmark(NAME_VIDEO_INFO, bench_read_video_info);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::fflush(stdout);
    print_summary(reporter, document_text().size());
    benchmark::Shutdown();
    return 0;
}
