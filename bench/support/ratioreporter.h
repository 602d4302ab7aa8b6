#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

// Prints the runs as the console reporter does and keeps each run's time
// and counters, so that a benchmark program can print its ratios against
// the floor after the runs. A run is found by its name, or by the name
// without what follows it ("key" finds "key/1000/iterations:5"); of its
// repetitions the fastest is kept, as the machine's other load only adds.
// Used on the main thread only; owns nothing but what it keeps.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    // Runs the benchmarks the command line selects, reporting through this.
    void run(int& argc, char** argv);

    void ReportRuns(const std::vector<Run>& runs) override;

    // The time in nanoseconds of the run `key`; 0 when no such run was made.
    double nanoseconds(const std::string& key) const;
    // The counter `name` of the run `key`; none when either is missing.
    std::optional<double> counter(const std::string& key, const std::string& name) const;
    // The full names of the runs kept, in order.
    std::vector<std::string> names() const;

private:
    struct Kept {
        double nanoseconds = 0.0;
        benchmark::UserCounters counters;
    };

    const Kept* find(const std::string& key) const;

    std::map<std::string, Kept> m_runs;
};
