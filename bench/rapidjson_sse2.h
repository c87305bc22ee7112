// RapidJSON's DOM parser with its SSE2 scanning of strings and blanks switched
// on (off in a default build), as a second, stronger yardstick. Both parse
// the NUL-terminated text: only that stream has the SSE2 paths.
#pragma once

#include <cstddef>
#include <string>

#include <benchmark/benchmark.h>

// False without SSE2 or when the text does not parse; values counts the tree.
bool rapidjson_sse2_parse(const std::string& text, size_t& values);
void bench_rapidjson_sse2(benchmark::State& state, const std::string& text);
