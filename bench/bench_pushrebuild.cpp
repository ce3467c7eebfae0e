// Rebuilding the document a push uploads, against a replacing load of the
// pushed text alone, for pushed files of 100,000 and 1,000,000 lines (and
// 10,000,000 with --huge, which needs about 2.5 GB). The server's document holds
// 2,000 lines with the preserved Licence and Network sections.
//
// Both push modes upload the same rebuilt document (the mode is only the
// save's flag), so the rebuild is measured once per shape of pushed file:
//   new      every section of the file is new to the document: appended;
//   replaces the file also holds the server's Licence and Network sections,
//            at its start, middle and end: each replaces its preserved section
//            in place.
// The rebuild of a server starts from the server's document as read and
// includes the preserved text taken from it, as a push does per server while
// it holds the server's lock. The check of the pushed text's headers is done
// once per run, before the first server, and is measured on its own. A
// summary of the ratios (the goals of a linear rebuild) follows the table.

#include "configsystem/configsystem.h"
#include "operations/pushdocumentbuilder.h"
#include "sdk/configschema.h"
#include "support/summaryreporter.h"

#include <QSharedPointer>
#include <QString>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int linesPerSection = 10;
const std::set<QString> preservedKinds{QStringLiteral("Licence"), QStringLiteral("Network")};

// Header, eight values and a blank line.
void appendSection(QString& text, const QString& name, int i)
{
    text += QLatin1Char('[') + name + QStringLiteral("]\n");
    for (int k = 0; k < linesPerSection - 2; ++k) {
        text += QStringLiteral("setting%1 = value %2-%3\n").arg(k).arg(i).arg(k);
    }
    text += QLatin1Char('\n');
}

QString serverText()
{
    QString text = QStringLiteral("# server configuration\n");
    appendSection(text, QStringLiteral("General"), 0);
    appendSection(text, QStringLiteral("Licence"), 0);
    appendSection(text, QStringLiteral("Network"), 0);
    appendSection(text, QStringLiteral("Network0"), 0);
    appendSection(text, QStringLiteral("Network1"), 0);
    for (int i = 1; text.count(QLatin1Char('\n')) < 2000; ++i) {
        appendSection(text, QStringLiteral("User%1").arg(i), i);
    }
    return text;
}

// lineCount lines in sections of four kinds, one a starred kind of free lines.
QString pushedText(int lineCount, bool withPreservedNames)
{
    const int sections = lineCount / linesPerSection;
    const std::map<int, QString> preserved{{0, QStringLiteral("Licence")},
                                           {sections / 2, QStringLiteral("Network0")},
                                           {sections - 1, QStringLiteral("Network")}};
    QString text;
    text.reserve(lineCount * 24);
    for (int i = 0; i < sections; ++i) {
        const auto name = preserved.find(i);
        if (withPreservedNames && name != preserved.end()) {
            appendSection(text, name->second, i);
            continue;
        }
        switch (i % 4) {
        case 0:
            appendSection(text, QStringLiteral("User%1").arg(i), i);
            break;
        case 1:
            appendSection(text, QStringLiteral("Camera_0x%1").arg(i, 0, 16), i);
            break;
        case 2:
            appendSection(text, QStringLiteral("Schedule_%1").arg(i), i);
            break;
        default:
            appendSection(text, i < 40000 ? QStringLiteral("*Script%1").arg(i / 4) : QStringLiteral("User%1").arg(i),
                          i);
        }
    }
    return text;
}

const QString& cachedPushedText(int lineCount, bool withPreservedNames)
{
    static std::map<std::pair<int, bool>, QString> texts;
    QString& text = texts[{lineCount, withPreservedNames}];
    if (text.isEmpty()) {
        text = pushedText(lineCount, withPreservedNames);
    }
    return text;
}

bool s_huge = false;

void sizes(benchmark::internal::Benchmark* benchmark)
{
    benchmark->ArgName("lines");
    for (const int lines : {100000, 1000000}) {
        benchmark->Arg(lines);
    }
    if (s_huge) {
        benchmark->Arg(10000000);
    }
    benchmark->Repetitions(5)->ReportAggregatesOnly(true)->ComputeStatistics("min", SummaryReporter::minimum);
    benchmark->Unit(benchmark::kMillisecond);
}

void setLineCounters(benchmark::State& state)
{
    state.counters["time_per_line"] =
        benchmark::Counter(static_cast<double>(state.range(0)),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Replacing loads of the pushed text into one document of the SDK's schema.
void BM_Load(benchmark::State& state)
{
    const QString& text = cachedPushedText(static_cast<int>(state.range(0)), false);
    QSharedPointer<kelp::ConfigSystem> document = kelp::createConfigDocument();
    for (auto _ : state) {
        document->loadText(text, false, false);
        benchmark::DoNotOptimize(document.data());
    }
    setLineCounters(state);
}

// The header check of a run.
void BM_Check(benchmark::State& state)
{
    const QString& text = cachedPushedText(static_cast<int>(state.range(0)), false);
    for (auto _ : state) {
        PushDocumentBuilder builder(text);
        benchmark::DoNotOptimize(&builder);
    }
    setLineCounters(state);
}

void rebuild(benchmark::State& state, bool withPreservedNames)
{
    const PushDocumentBuilder builder(cachedPushedText(static_cast<int>(state.range(0)), withPreservedNames));
    const QString server = serverText();
    QSharedPointer<kelp::ConfigSystem> document = kelp::createConfigDocument();
    for (auto _ : state) {
        state.PauseTiming();
        document->loadText(server, false, false);
        state.ResumeTiming();
        builder.rebuild(*document, PushDocumentBuilder::preservedText(*document, preservedKinds));
        benchmark::DoNotOptimize(document.data());
    }
    setLineCounters(state);
}

void BM_RebuildNew(benchmark::State& state)
{
    rebuild(state, false);
}

void BM_RebuildReplaces(benchmark::State& state)
{
    rebuild(state, true);
}

// The ratios of the fastest runs, after the table.
void printSummary(const SummaryReporter& reporter)
{
    const auto time = [&reporter](const std::string& function, int lines) {
        return reporter.fastest(function + "/lines:" + std::to_string(lines));
    };
    std::printf("\nSummary (same run, ratios of the fastest CPU times):\n");
    const double load = time("BM_Load", 1000000);
    if (load > 0) {
        std::printf("  check of a run, 1,000,000 lines / load   %6.2f\n", time("BM_Check", 1000000) / load);
    }
    for (const char* rebuild : {"BM_RebuildNew", "BM_RebuildReplaces"}) {
        const double small = time(rebuild, 100000);
        const double large = time(rebuild, 1000000);
        const double huge = time(rebuild, 10000000);
        if (load > 0 && large > 0) {
            std::printf("  %-18s 1,000,000 lines / load    %6.2f  (goal <= 3)\n", rebuild, large / load);
        }
        if (small > 0 && large > 0) {
            std::printf("  %-18s 1,000,000 / 100,000 lines %6.2f  (goal <= 12)\n", rebuild, large / small);
        }
        if (large > 0 && huge > 0) {
            std::printf("  %-18s 10,000,000 / 1,000,000   %6.2f  (goal <= 12)\n", rebuild, huge / large);
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    const auto huge = std::find_if(argv + 1, argv + argc, [](const char* arg) { return !std::strcmp(arg, "--huge"); });
    if (huge != argv + argc) {
        s_huge = true;
        std::rotate(huge, huge + 1, argv + argc);
        --argc;
    }
    benchmark::RegisterBenchmark("BM_Load", BM_Load)->Apply(sizes);
    benchmark::RegisterBenchmark("BM_Check", BM_Check)->Apply(sizes);
    benchmark::RegisterBenchmark("BM_RebuildNew", BM_RebuildNew)->Apply(sizes);
    benchmark::RegisterBenchmark("BM_RebuildReplaces", BM_RebuildReplaces)->Apply(sizes);
    return SummaryReporter::run(argc, argv, printSummary);
}
