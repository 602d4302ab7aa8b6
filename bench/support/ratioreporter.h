#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

// Prints the runs as the console reporter does and keeps each run's time,
// so that a benchmark program can print its ratios against the floor after
// the runs. Used on the main thread only; owns nothing but the kept times.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    // Runs the benchmarks the command line selects, reporting through this.
    void run(int& argc, char** argv);

    void ReportRuns(const std::vector<Run>& runs) override;

    // The time in nanoseconds of the run named `key`, or of the one named
    // `key` with arguments after it ("key/1000"); its fastest repetition,
    // as the machine's other load only adds. 0 when no such run was made.
    double nanoseconds(const std::string& key) const;

private:
    std::map<std::string, double> m_nanoseconds;
};
