#pragma once

#include <benchmark/benchmark.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

// The console table of Google Benchmark that also keeps the fastest CPU time
// of every benchmark run with repetitions and the "min" statistic (minimum
// below), so that a program can print ratios measured in the same run after
// its table.
class SummaryReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override;
    // The fastest CPU time of a benchmark, by its name and arguments as the
    // table shows them ("BM_Load" or "BM_Load/lines:1000"); 0 when it did not run.
    double fastest(const std::string& name) const;

    // The statistic to register as "min" with ComputeStatistics().
    static double minimum(const std::vector<double>& values);

    // Runs the benchmarks the command line selects with a SummaryReporter,
    // then summary. Returns main's exit status.
    static int run(int argc, char** argv, const std::function<void(const SummaryReporter&)>& summary);

private:
    std::map<std::string, double> m_times;
};
