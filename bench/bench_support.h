// What the benchmarks share: the summary reporter and the default flags.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// The console table as usual, and each benchmark's time kept for the
// summary: the median when repetitions give one, else the single run.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) {
                continue;
            }
            std::string name = run.run_name.function_name;
            Times t = {run.GetAdjustedRealTime() * unit_to_ms(run.time_unit),
                       run.GetAdjustedCPUTime() * unit_to_ms(run.time_unit)};
            if (run.run_type == Run::RT_Aggregate) {
                if (run.aggregate_name == "median") {
                    medians_[name] = t;
                    repetitions_ = run.repetitions;
                }
            } else {
                singles_[name] = t;
            }
        }
    }

    struct Times {
        double realMs;
        double cpuMs;
    };
    // Zero when the benchmark did not run (filtered out or failed).
    Times times(const std::string& name) const {
        auto m = medians_.find(name);
        if (m != medians_.end()) {
            return m->second;
        }
        auto s = singles_.find(name);
        return s != singles_.end() ? s->second : Times{0, 0};
    }
    int64_t repetitions() const { return repetitions_; }
    // The wall time in seconds; zero when the benchmark did not run.
    double seconds(const std::string& name) const { return times(name).realMs / 1e3; }

private:
    static double unit_to_ms(benchmark::TimeUnit unit) {
        switch (unit) {
        case benchmark::kNanosecond: return 1e-6;
        case benchmark::kMicrosecond: return 1e-3;
        case benchmark::kMillisecond: return 1.0;
        case benchmark::kSecond: return 1e3;
        }
        return 1.0;
    }

    std::map<std::string, Times> medians_;
    std::map<std::string, Times> singles_;
    int64_t repetitions_ = 1;
};

// Google Benchmark's flags with ours first, so that later ones override
// them: repetitions interleaved at random, so that a noisy moment of the
// machine does not fall on one contender only. Fills args with what is left
// (the program name first) and returns its count.
inline int initialize_benchmarks(int argc, char** argv, const char* timeUnit, std::vector<char*>& args) {
    static std::vector<std::string> defaults;
    defaults = {"--benchmark_repetitions=9", "--benchmark_enable_random_interleaving=true",
                "--benchmark_report_aggregates_only=true", std::string("--benchmark_time_unit=") + timeUnit};
    args.clear();
    args.push_back(argv[0]);
    for (std::string& d : defaults) {
        args.push_back(d.data());
    }
    for (int i = 1; i < argc; ++i) {
        args.push_back(argv[i]);
    }
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    return count;
}
