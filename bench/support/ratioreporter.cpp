#include "bench/support/ratioreporter.h"

#include <algorithm>

void RatioReporter::run(int& argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks(this);
}

void RatioReporter::ReportRuns(const std::vector<Run>& runs)
{
    for (const Run& run : runs) {
        if (run.run_type != Run::RT_Iteration || run.iterations == 0)
            continue;
        const double ns = run.GetAdjustedRealTime() * 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
        const auto [entry, added] = m_nanoseconds.emplace(run.benchmark_name(), ns);
        if (!added)
            entry->second = std::min(entry->second, ns);
    }
    ConsoleReporter::ReportRuns(runs);
}

double RatioReporter::nanoseconds(const std::string& key) const
{
    const auto exact = m_nanoseconds.find(key);
    if (exact != m_nanoseconds.end())
        return exact->second;
    for (const auto& [name, ns] : m_nanoseconds)
        if (name.rfind(key + "/", 0) == 0)
            return ns;
    return 0.0;
}
