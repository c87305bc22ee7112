#include "bench/rapidjson_sse2.h"

// A namespace of its own: the default build in json_bench.cpp instantiates
// the same templates without SSE2, and the two must not meet at link time.
#define RAPIDJSON_NAMESPACE rapidjson_sse2
#if defined(__SSE2__)
#define RAPIDJSON_SSE2
#endif
#include <rapidjson/document.h>

namespace {

size_t count_values(const rapidjson_sse2::Value& v) {
    size_t n = 1;
    if (v.IsArray()) {
        for (const rapidjson_sse2::Value& e : v.GetArray()) {
            n += count_values(e);
        }
    } else if (v.IsObject()) {
        for (const auto& m : v.GetObject()) {
            n += count_values(m.value);
        }
    }
    return n;
}

}  // namespace

bool rapidjson_sse2_parse(const std::string& text, size_t& values) {
#if defined(__SSE2__)
    rapidjson_sse2::Document doc;
    doc.Parse(text.c_str());
    if (doc.HasParseError()) {
        return false;
    }
    values = count_values(doc);
    return true;
#else
    (void)text;
    values = 0;
    return false;
#endif
}

void bench_rapidjson_sse2(benchmark::State& state, const std::string& text) {
    for (auto _ : state) {
        rapidjson_sse2::Document doc;
        doc.Parse(text.c_str());
        benchmark::DoNotOptimize(doc.HasParseError());
        benchmark::DoNotOptimize(doc);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
