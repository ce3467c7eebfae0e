#include "support/summaryreporter.h"

#include <algorithm>

void SummaryReporter::ReportRuns(const std::vector<Run>& runs)
{
    for (const Run& run : runs) {
        if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "min") {
            const std::string& args = run.run_name.args;
            m_times[run.run_name.function_name + (args.empty() ? "" : "/" + args)] = run.GetAdjustedCPUTime();
        }
    }
    ConsoleReporter::ReportRuns(runs);
}

double SummaryReporter::fastest(const std::string& name) const
{
    const auto it = m_times.find(name);
    return it == m_times.end() ? 0.0 : it->second;
}

double SummaryReporter::minimum(const std::vector<double>& values)
{
    return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

int SummaryReporter::run(int argc, char** argv, const std::function<void(const SummaryReporter&)>& summary)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    summary(reporter);
    benchmark::Shutdown();
    return 0;
}
