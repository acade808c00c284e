#pragma once
// Prints the ratios of benchmark times after the table, against their goals. Each
// benchmark runs three times unless the command line says otherwise, and a ratio is
// taken between the medians of the runs. `make bench` gathers the ratio lines of every
// program into one table (scripts/bench-table.sh reads the line format below).
#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include "CoreHooks.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

// Keeps the times of every run, to print the ratios after the table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.error_occurred || r.iterations <= 0)
                continue;
            if (r.run_type == Run::RT_Iteration)
                m_runs[r.run_name.str()].push_back(r.GetAdjustedRealTime());
            else if (r.aggregate_name == "median")
                m_medians[r.run_name.str()] = r.GetAdjustedRealTime();
        }
    }

    // The median time of the benchmark's runs; negative when it did not run.
    double median(const std::string& name) const
    {
        if (const auto m = m_medians.find(name); m != m_medians.end())
            return m->second;
        const auto r = m_runs.find(name);
        if (r == m_runs.end() || r->second.empty())
            return -1;
        std::vector<double> t = r->second;
        std::sort(t.begin(), t.end());
        const size_t n = t.size();
        return n % 2 ? t[n / 2] : (t[n / 2 - 1] + t[n / 2]) / 2;
    }

private:
    std::map<std::string, std::vector<double>> m_runs;
    std::map<std::string, double> m_medians;
};

// Runs the benchmarks the command line selects, keeping their times in reporter, on the
// core wired as the program wires it; false when the command line holds arguments the
// library does not know.
inline bool runBenchmarks(int& argc, char** argv, RatioReporter& reporter)
{
    installCoreHooks();
    std::vector<char*> args(argv, argv + argc);
    const bool repetitionsGiven = std::any_of(args.begin() + 1, args.end(), [](const char* a) {
        return std::strncmp(a, "--benchmark_repetitions", 23) == 0;
    });
    static char repetitions[] = "--benchmark_repetitions=3";
    if (!repetitionsGiven)
        args.insert(args.begin() + 1, repetitions);
    args.push_back(nullptr);
    int count = int(args.size()) - 1;
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return false;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return true;
}

// main() of a benchmark program without windows: the application, the set-up, the runs,
// then the ratios.
inline int runCoreBenchmarks(int argc, char** argv, const std::function<void()>& setUp,
                             const std::function<void(const RatioReporter&)>& printRatios)
{
    QCoreApplication app(argc, argv);
    if (setUp)
        setUp();
    RatioReporter reporter;
    if (!runBenchmarks(argc, argv, reporter))
        return 1;
    printRatios(reporter);
    return 0;
}

// One line per ratio: "ratio: <what>: <value> (goal at most <goal>) <met|MISSED>", or
// "ratio: <what>: not measured".
inline void printRatio(const RatioReporter& r, const std::string& what, const std::string& a, const std::string& b,
                       double goal)
{
    const double ta = r.median(a);
    const double tb = r.median(b);
    if (ta < 0 || tb <= 0) {
        std::printf("ratio: %s: not measured\n", what.c_str());
        return;
    }
    const double ratio = ta / tb;
    std::printf("ratio: %s: %.2f (goal at most %g) %s\n", what.c_str(), ratio, goal, ratio <= goal ? "met" : "MISSED");
    std::fflush(stdout);
}

// A time against a limit, in seconds: "limit: <what>: <value> s (goal at most <goal> s) <met|MISSED>".
// unitPerSecond is how many of the benchmark's time unit make a second.
inline void printLimit(const RatioReporter& r, const std::string& what, const std::string& name, double goalSeconds,
                       double unitPerSecond)
{
    const double t = r.median(name);
    if (t < 0) {
        std::printf("limit: %s: not measured\n", what.c_str());
        return;
    }
    const double seconds = t / unitPerSecond;
    std::printf("limit: %s: %.3f s (goal at most %g s) %s\n", what.c_str(), seconds, goalSeconds,
                seconds <= goalSeconds ? "met" : "MISSED");
    std::fflush(stdout);
}

} // namespace
