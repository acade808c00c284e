#pragma once
// Prints the ratios of benchmark times after the table, against their goals. The
// benchmarks run in rounds, five unless the command line asks for other repetitions:
// each round runs every benchmark once, in an order shuffled anew, so the two sides of a
// ratio take turns and a change in the machine's load falls on both alike. A ratio is
// taken between the medians of the rounds. `make bench` gathers the ratio lines of
// every program into one table (scripts/bench-table.sh reads the line format below).
#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include "CoreHooks.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

double medianOf(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Keeps the times and counters of every run, to print the ratios after the table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    // The machine is described once, not every round.
    bool ReportContext(const Context& context) override
    {
        if (m_described)
            return true;
        m_described = true;
        return ConsoleReporter::ReportContext(context);
    }

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.error_occurred || r.iterations <= 0 || r.run_type != Run::RT_Iteration)
                continue;
            m_runs[r.run_name.str()].push_back(r.GetAdjustedRealTime());
            m_units[r.run_name.str()] = benchmark::GetTimeUnitString(r.time_unit);
            for (const auto& [counter, value] : r.counters)
                m_counters[r.run_name.str()][counter].push_back(value.value);
        }
    }

    // The median time of the benchmark's rounds; negative when it did not run.
    double median(const std::string& name) const
    {
        const auto r = m_runs.find(name);
        return r == m_runs.end() ? -1 : medianOf(r->second);
    }

    // The median of a counter the benchmark sets; negative when it did not run.
    double median(const std::string& name, const std::string& counter) const
    {
        const auto r = m_counters.find(name);
        if (r == m_counters.end())
            return -1;
        const auto c = r->second.find(counter);
        return c == r->second.end() ? -1 : medianOf(c->second);
    }

    void printMedians() const
    {
        std::printf("\nMedians of the rounds:\n");
        for (const auto& [name, times] : m_runs)
            std::printf("%-50s %12.3f %s  (%zu rounds)\n", name.c_str(), medianOf(times), m_units.at(name),
                        times.size());
        std::fflush(stdout);
    }

private:
    bool m_described = false;
    std::map<std::string, std::vector<double>> m_runs;
    std::map<std::string, const char*> m_units;
    std::map<std::string, std::map<std::string, std::vector<double>>> m_counters;
};

// Runs the benchmarks the command line selects in rounds, keeping their times in
// reporter, on the core wired as the program wires it; false when the command line
// holds arguments the library does not know. Each round measures anew how many
// iterations a run takes.
inline bool runBenchmarks(int& argc, char** argv, RatioReporter& reporter)
{
    installCoreHooks();
    int rounds = 5;
    bool orderGiven = false;
    std::vector<char*> args{argv[0]};
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--benchmark_repetitions=", 24) == 0) {
            rounds = std::max(1, std::atoi(argv[i] + 24));
            continue;
        }
        orderGiven = orderGiven || std::strncmp(argv[i], "--benchmark_enable_random_interleaving", 38) == 0;
        args.push_back(argv[i]);
    }
    static char shuffled[] = "--benchmark_enable_random_interleaving=true";
    if (!orderGiven)
        args.insert(args.begin() + 1, shuffled);
    args.push_back(nullptr);
    int count = int(args.size()) - 1;
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return false;
    for (int round = 0; round < rounds; ++round)
        benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    reporter.printMedians();
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
inline void printRatioOf(const std::string& what, double a, double b, double goal)
{
    if (a < 0 || b <= 0) {
        std::printf("ratio: %s: not measured\n", what.c_str());
        return;
    }
    const double ratio = a / b;
    std::printf("ratio: %s: %.2f (goal at most %g) %s\n", what.c_str(), ratio, goal, ratio <= goal ? "met" : "MISSED");
    std::fflush(stdout);
}

// The ratio of the two benchmarks' median times.
inline void printRatio(const RatioReporter& r, const std::string& what, const std::string& a, const std::string& b,
                       double goal)
{
    printRatioOf(what, r.median(a), r.median(b), goal);
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
