#include "bench/support/ratioreporter.h"

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
        const auto [entry, added] = m_runs.try_emplace(run.benchmark_name());
        if (added || ns < entry->second.nanoseconds)
            entry->second = {ns, run.counters};
    }
    ConsoleReporter::ReportRuns(runs);
}

const RatioReporter::Kept* RatioReporter::find(const std::string& key) const
{
    const auto exact = m_runs.find(key);
    if (exact != m_runs.end())
        return &exact->second;
    for (const auto& [name, kept] : m_runs)
        if (name.rfind(key + "/", 0) == 0)
            return &kept;
    return nullptr;
}

double RatioReporter::nanoseconds(const std::string& key) const
{
    const Kept* kept = find(key);
    return kept ? kept->nanoseconds : 0.0;
}

std::optional<double> RatioReporter::counter(const std::string& key, const std::string& name) const
{
    const Kept* kept = find(key);
    if (!kept)
        return std::nullopt;
    const auto found = kept->counters.find(name);
    if (found == kept->counters.end())
        return std::nullopt;
    return found->second.value;
}

std::vector<std::string> RatioReporter::names() const
{
    std::vector<std::string> names;
    names.reserve(m_runs.size());
    for (const auto& entry : m_runs)
        names.push_back(entry.first);
    return names;
}
