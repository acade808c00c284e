#pragma once
// Prints the ratios of benchmark times after the table, against their goals.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

// Keeps the time of every run, to print the ratios after the table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred && r.iterations > 0)
                times[r.benchmark_name()] = r.GetAdjustedRealTime();
    }
    std::map<std::string, double> times;
};

// Runs the benchmarks the command line selects, keeping their times in reporter; false
// when the command line holds arguments the library does not know.
inline bool runBenchmarks(int& argc, char** argv, RatioReporter& reporter)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return false;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return true;
}

inline void printRatio(const RatioReporter& r, const char* what, const std::string& a, const std::string& b, double goal)
{
    const auto ta = r.times.find(a);
    const auto tb = r.times.find(b);
    if (ta == r.times.end() || tb == r.times.end() || tb->second <= 0) {
        std::printf("%s: not measured\n", what);
        return;
    }
    const double ratio = ta->second / tb->second;
    std::printf("%s: %.2f (goal at most %.0f) %s\n", what, ratio, goal, ratio <= goal ? "met" : "MISSED");
}

} // namespace
