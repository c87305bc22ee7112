// How fast a full list (255 items) is turned into the list file's bytes and
// read back with every record checked, beside a plain copy of the same
// 1.5 MB: saving and restoring may each cost at most TARGET_OVER_COPY times
// what merely moving the bytes costs. The list saves whenever something the
// file keeps changes (checked once a second), so the save must stay cheap.
//
// usage: list_bench [--benchmark_... flags]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/shell/list_file.h"
#include "base/sys_string.h"
#include "base/text.h"
#include "bench/bench_support.h"

namespace {

constexpr double TARGET_OVER_COPY = 10.0;

const char NAME_COPY[] = "plain_copy";
const char NAME_SAVE[] = "build_list_bytes/255";
const char NAME_RESTORE[] = "read_list_records/255";

// A full list of items as a user's list looks: YouTube links with their
// query, a downloads folder, finished files, a few failures and downloads.
struct FullList {
    std::vector<std::unique_ptr<DownloadRecord>> items;
    std::vector<const DownloadRecord*> display;

    FullList() {
        static const ItemState kStates[] = {STATE_DONE, STATE_DONE, STATE_DONE, STATE_READY, STATE_FAILED,
                                            STATE_DOWNLOADING, STATE_FILE_MISSING};
        for (size_t i = 0; i < MAX_LIST_ITEMS; ++i) {
            auto item = std::make_unique<DownloadRecord>();
            std::wstring link = L"https://www.youtube.com/watch?v=dQw4w9WgX" + std::to_wstring(i) + L"&list=PL5";
            item->url = sys_string_new(link.c_str(), link.size());
            text_format(item->key, L"%032X", static_cast<unsigned>(i * 2654435761u));
            text_copy(item->outputFolder, L"C:\\Users\\Annemarie\\Downloads");
            text_format(item->outputPath, L"C:\\Users\\Annemarie\\Downloads\\A video with a longish title %zu.mp4", i);
            if (i % 17 == 0) {
                text_copy(item->playlistItems, L"1,2,5-9");
            }
            item->info.duration = static_cast<uint32_t>(60 + i);
            item->selectedChoice = static_cast<int>(i % 5);
            item->state = kStates[i % 7];
            item->documentsReceived = 1;
            item->subtitleMode = static_cast<int>(i % 4);
            display.push_back(item.get());
            items.push_back(std::move(item));
        }
    }
    ~FullList() {
        for (auto& item : items) {
            sys_string_free(item->url);
        }
    }
};

const FullList& full_list() {
    static FullList list;
    return list;
}

const std::vector<unsigned char>& file_bytes() {
    static std::vector<unsigned char> bytes = [] {
        std::vector<unsigned char> b;
        build_list_bytes(full_list().display.data(), full_list().display.size(), b);
        return b;
    }();
    return bytes;
}

struct Sum {
    size_t records;
    size_t units;
};

bool take(void* context, const ListRecord& record) {
    auto* sum = static_cast<Sum*>(context);
    ++sum->records;
    sum->units += static_cast<size_t>(record.link[0]);
    return true;
}

void bench_save(benchmark::State& run) {
    std::vector<unsigned char> bytes;
    for (auto _ : run) {
        build_list_bytes(full_list().display.data(), full_list().display.size(), bytes);
        benchmark::DoNotOptimize(bytes.data());
        benchmark::ClobberMemory();
    }
    run.SetBytesProcessed(static_cast<int64_t>(run.iterations()) * static_cast<int64_t>(file_bytes().size()));
}

void bench_restore(benchmark::State& run) {
    const std::vector<unsigned char>& bytes = file_bytes();
    for (auto _ : run) {
        Sum sum = {};
        ListRead read = read_list_records(bytes.data(), bytes.size(), take, &sum);
        if (read.taken != MAX_LIST_ITEMS) {
            run.SkipWithError("the list did not come back whole");
            break;
        }
        benchmark::DoNotOptimize(sum);
    }
    run.SetBytesProcessed(static_cast<int64_t>(run.iterations()) * static_cast<int64_t>(bytes.size()));
}

// The floor: every byte of the file moved once, nothing looked at.
void bench_copy(benchmark::State& run) {
    const std::vector<unsigned char>& bytes = file_bytes();
    std::vector<unsigned char> copy(bytes.size());
    for (auto _ : run) {
        std::memcpy(copy.data(), bytes.data(), bytes.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    run.SetBytesProcessed(static_cast<int64_t>(run.iterations()) * static_cast<int64_t>(bytes.size()));
}

// False when a target was missed.
bool print_summary(const SummaryReporter& reporter) {
    double copy = reporter.seconds(NAME_COPY);
    std::printf("\n%zu items, %zu bytes:\n", MAX_LIST_ITEMS, file_bytes().size());
    if (copy > 0) {
        std::printf("  %-24s %10.1f us\n", "plain copy", copy * 1e6);
    }
    bool met = true;
    for (const char* name : {NAME_SAVE, NAME_RESTORE}) {
        double seconds = reporter.seconds(name);
        if (seconds <= 0) {
            continue;
        }
        std::printf("  %-24s %10.1f us", name, seconds * 1e6);
        if (copy > 0) {
            double ratio = seconds / copy;
            bool ok = ratio <= TARGET_OVER_COPY;
            met = met && ok;
            std::printf("   /copy %.1f   target <= %.0f: %s", ratio, TARGET_OVER_COPY, ok ? "met" : "MISSED");
        }
        std::printf("\n");
    }
    return met;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> args;
    int count = initialize_benchmarks(argc, argv, "us", args);
    if (count != 1) {
        std::fprintf(stderr, "usage: %s [--benchmark_... flags]\n", argv[0]);
        return 2;
    }
    benchmark::RegisterBenchmark(NAME_COPY, bench_copy);
    benchmark::RegisterBenchmark(NAME_SAVE, bench_save);
    benchmark::RegisterBenchmark(NAME_RESTORE, bench_restore);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::fflush(stdout);
    print_summary(reporter);
    benchmark::Shutdown();
    return 0;
}
