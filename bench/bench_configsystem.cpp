// Figures for the configuration document on a generated configuration of
// 100,000 lines in 2,000 sections, with inih and QSettings (IniFormat)
// reading the same text as reference points, and a merge of a 1,000-line
// snippet of ten of its sections. A summary of the ratios follows the table.

#include "configsystem/configsystem.h"
#include "support/summaryreporter.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <ini.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>

namespace {

constexpr int sectionCount = 2000;
constexpr int linesPerSection = 50;
constexpr int snippetSections = 10;
constexpr int snippetLinesPerSection = 100;

QString sectionName(int i)
{
    switch (i % 4) {
    case 0:
        return QStringLiteral("User%1").arg(i);
    case 1:
        return QStringLiteral("Camera_0x%1").arg(i, 0, 16);
    case 2:
        return QStringLiteral("Schedule_%1").arg(i);
    default:
        return QStringLiteral("*Script%1").arg(i);
    }
}

// Header, values, a comment and a blank line: lineCount lines in all.
QString sectionBody(int i, int lineCount, const QString& valuePrefix)
{
    QString text = QLatin1Char('[') + sectionName(i) + QStringLiteral("]\n");
    for (int k = 0; k < lineCount - 3; ++k) {
        text += QStringLiteral("Key%1 = %2-%3-%4\n").arg(k).arg(valuePrefix).arg(i).arg(k);
    }
    text += QStringLiteral("# end of section %1\n\n").arg(i);
    return text;
}

const QString& largeText()
{
    static const QString text = [] {
        QString t;
        t.reserve(sectionCount * linesPerSection * 28);
        for (int i = 0; i < sectionCount; ++i) {
            t += sectionBody(i, linesPerSection, QStringLiteral("value"));
        }
        t.chop(1);
        return t;
    }();
    return text;
}

const QByteArray& largeUtf8()
{
    static const QByteArray bytes = largeText().toUtf8();
    return bytes;
}

const QString& snippetText()
{
    static const QString text = [] {
        QString t;
        for (int s = 0; s < snippetSections; ++s) {
            t += sectionBody(100 + s * (sectionCount / snippetSections), snippetLinesPerSection,
                             QStringLiteral("changed"));
        }
        return t;
    }();
    return text;
}

std::unique_ptr<kelp::ConfigSystem> makeDocument()
{
    using kelp::PatternPiece;
    auto document = std::make_unique<kelp::ConfigSystem>();
    document->addSectionKind({PatternPiece("Network", ""), PatternPiece("\\d", "\\d")}, false, false);
    document->addSectionKind({PatternPiece("Network", "")}, false, false);
    document->addSectionKind({PatternPiece("Licence", "")}, false, false);
    document->addSectionKind({PatternPiece("Camera_0x", ""), PatternPiece("[\\da-fA-F]+", "[\\da-fA-F]+")}, false,
                             false);
    document->addSectionKind({PatternPiece("Storage", ""), PatternPiece("\\d{1,2}", "\\d{1,2}")}, false, false);
    document->addSectionKind({PatternPiece("Schedule_", ""), PatternPiece(".+", ".+")}, false, false);
    document->addSectionKind({PatternPiece("*Script", ""), PatternPiece("\\d{1,4}", "\\d{1,4}")}, true, true);
    document->addSectionKind({PatternPiece("User", ""), PatternPiece("\\d+", "\\d+")}, false, false);
    return document;
}

// The machine may be shared: every benchmark runs several times and reports
// the median and the fastest run; the summary compares the fastest runs.
void repeated(benchmark::internal::Benchmark* benchmark)
{
    benchmark->Repetitions(7)->ReportAggregatesOnly(true)->ComputeStatistics("min", SummaryReporter::minimum);
}

void setLineCounters(benchmark::State& state, double lines)
{
    state.SetBytesProcessed(state.iterations() * largeUtf8().size());
    state.counters["time_per_line"] =
        benchmark::Counter(lines, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Replacing loads into one document, which reuses its line records.
void BM_LoadText(benchmark::State& state)
{
    auto document = makeDocument();
    for (auto _ : state) {
        document->loadText(largeText(), false, false);
        benchmark::DoNotOptimize(document.get());
    }
    setLineCounters(state, sectionCount * linesPerSection);
}
BENCHMARK(BM_LoadText)->Unit(benchmark::kMillisecond)->Apply(repeated);

long minorFaults()
{
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// A new document for every load, as a client makes one per server: made,
// loaded and put away again. Its memory is new to the process each time the
// C library has given the last document's back to the system, so the page
// faults per load are reported beside the time.
void BM_NewDocumentLoad(benchmark::State& state)
{
    const long faultsBefore = minorFaults();
    for (auto _ : state) {
        auto document = makeDocument();
        document->loadText(largeText(), false, false);
        benchmark::DoNotOptimize(document.get());
    }
    state.counters["page_faults"] =
        benchmark::Counter(static_cast<double>(minorFaults() - faultsBefore), benchmark::Counter::kAvgIterations);
    setLineCounters(state, sectionCount * linesPerSection);
}
BENCHMARK(BM_NewDocumentLoad)->Unit(benchmark::kMillisecond)->Apply(repeated);

void BM_LoadUtf8(benchmark::State& state)
{
    auto document = makeDocument();
    for (auto _ : state) {
        document->loadText(largeUtf8().constData(), largeUtf8().size());
        benchmark::DoNotOptimize(document.get());
    }
    setLineCounters(state, sectionCount * linesPerSection);
}
BENCHMARK(BM_LoadUtf8)->Unit(benchmark::kMillisecond)->Apply(repeated);

void BM_LoadTextAndToText(benchmark::State& state)
{
    auto document = makeDocument();
    for (auto _ : state) {
        document->loadText(largeText(), false, false);
        benchmark::DoNotOptimize(document->toText());
    }
    setLineCounters(state, sectionCount * linesPerSection);
}
BENCHMARK(BM_LoadTextAndToText)->Unit(benchmark::kMillisecond)->Apply(repeated);

void BM_ToText(benchmark::State& state)
{
    auto document = makeDocument();
    document->loadText(largeText(), false, false);
    for (auto _ : state) {
        benchmark::DoNotOptimize(document->toText());
    }
    setLineCounters(state, sectionCount * linesPerSection);
}
BENCHMARK(BM_ToText)->Unit(benchmark::kMillisecond)->Apply(repeated);

// An unedited document writes the text it holds; after one edit half-way
// down, every line is copied into a new text.
void BM_ToTextAfterEdit(benchmark::State& state)
{
    auto document = makeDocument();
    document->loadText(largeText(), false, false);
    const QString middle = sectionName(sectionCount / 2);
    document->setValue(QStringLiteral("Key1"), QStringLiteral("edited"), middle, 0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(document->toText());
    }
    setLineCounters(state, sectionCount * linesPerSection);
}
BENCHMARK(BM_ToTextAfterEdit)->Unit(benchmark::kMillisecond)->Apply(repeated);

int countEntry(void* user, const char*, const char*, const char*)
{
    ++*static_cast<long*>(user);
    return 1;
}

void BM_Inih(benchmark::State& state)
{
    long entries = 0;
    for (auto _ : state) {
        ini_parse_string(largeUtf8().constData(), countEntry, &entries);
        benchmark::DoNotOptimize(entries);
    }
    setLineCounters(state, sectionCount * linesPerSection);
}
BENCHMARK(BM_Inih)->Unit(benchmark::kMillisecond)->Apply(repeated);

void BM_QSettingsIni(benchmark::State& state)
{
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("large.ini"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(largeUtf8()) != largeUtf8().size()) {
            state.SkipWithError("cannot write the temporary file");
            return;
        }
    }
    long stamp = 1000000000;
    for (auto _ : state) {
        // QSettings keeps parsed files while they stay unchanged: a new time
        // stamp makes every round read and parse the file again.
        state.PauseTiming();
        struct timespec times[2] = {{++stamp, 0}, {stamp, 0}};
        utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
        state.ResumeTiming();
        QSettings settings(path, QSettings::IniFormat);
        benchmark::DoNotOptimize(settings.allKeys());
    }
    setLineCounters(state, sectionCount * linesPerSection);
}
BENCHMARK(BM_QSettingsIni)->Unit(benchmark::kMillisecond)->Apply(repeated);

void BM_MergeSnippet(benchmark::State& state)
{
    auto document = makeDocument();
    for (auto _ : state) {
        state.PauseTiming();
        document->loadText(largeText(), false, false);
        state.ResumeTiming();
        document->loadText(snippetText(), true, false);
    }
    state.counters["snippet_lines"] = snippetSections * snippetLinesPerSection;
}
BENCHMARK(BM_MergeSnippet)->Unit(benchmark::kMillisecond)->Apply(repeated);

void BM_SectionText(benchmark::State& state)
{
    auto document = makeDocument();
    document->loadText(largeText(), false, false);
    QStringList names;
    for (int i = 0; i < 16; ++i) {
        names.append(sectionName(i * (sectionCount / 16) + 7));
    }
    int next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(document->sectionText(names.at(next)));
        next = (next + 1) % names.size();
    }
}
BENCHMARK(BM_SectionText)->Unit(benchmark::kMicrosecond)->Apply(repeated);

void BM_SectionNamesOfKind(benchmark::State& state)
{
    auto document = makeDocument();
    document->loadText(largeText(), false, false);
    for (auto _ : state) {
        benchmark::DoNotOptimize(document->sectionNamesOfKind(QStringLiteral("User")));
    }
}
BENCHMARK(BM_SectionNamesOfKind)->Unit(benchmark::kMicrosecond)->Apply(repeated);

long residentKilobytes(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line)) {
        if (line.compare(0, prefix.size(), prefix) == 0) {
            return std::stol(line.substr(prefix.size()));
        }
    }
    return -1;
}

// Heap held by a loaded document and the peak resident growth while loading,
// both against the size of its text in UTF-16. The document shares the text it
// was given instead of copying it, so the text is made inside the measurement
// and the document's share of it counts.
void BM_DocumentMemory(benchmark::State& state)
{
    const double utf16Bytes = 2.0 * largeText().size();
    for (auto _ : state) {
        malloc_trim(0);
        std::ofstream("/proc/self/clear_refs") << "5";
        const long residentBefore = residentKilobytes("VmRSS");
        const struct mallinfo2 before = mallinfo2();
        const size_t heapBefore = before.uordblks + before.hblkhd;
        auto document = makeDocument();
        document->loadText(QString(largeText().constData(), largeText().size()), false, false);
        const struct mallinfo2 after = mallinfo2();
        const size_t heapAfter = after.uordblks + after.hblkhd;
        const long peak = residentKilobytes("VmHWM");
        state.counters["text_utf16_MB"] = utf16Bytes / 1e6;
        state.counters["heap_held_MB"] = (heapAfter - heapBefore) / 1e6;
        state.counters["heap_ratio"] = (heapAfter - heapBefore) / utf16Bytes;
        state.counters["peak_rss_growth_MB"] = (peak - residentBefore) * 1024.0 / 1e6;
        state.counters["peak_ratio"] = (peak - residentBefore) * 1024.0 / utf16Bytes;
    }
}
BENCHMARK(BM_DocumentMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

// The ratios of the fastest runs, after the table.
void printSummary(const SummaryReporter& reporter)
{
    const auto time = [&reporter](const char* name) { return reporter.fastest(name); };
    const double load = time("BM_LoadText");
    const double loadFresh = time("BM_NewDocumentLoad");
    const double loadUtf8 = time("BM_LoadUtf8");
    const double inih = time("BM_Inih");
    const double qsettings = time("BM_QSettingsIni");
    if (load <= 0 || loadUtf8 <= 0 || inih <= 0 || qsettings <= 0) {
        return;
    }
    std::printf("\nSummary (same run, ratios of the fastest CPU times of each benchmark):\n");
    std::printf("  load (QString) / inih          %6.2f  (goal <= 1.5)\n", load / inih);
    std::printf("  new document, load, delete / inih %5.2f\n", loadFresh / inih);
    std::printf("  load (UTF-8 bytes) / inih      %6.2f\n", loadUtf8 / inih);
    std::printf("  QSettings / load (QString)     %6.2f  (goal >= 4)\n", qsettings / load);
    std::printf("  QSettings / load (UTF-8 bytes) %6.2f\n", qsettings / loadUtf8);
    std::printf("  toText / load                  %6.3f  (goal <= 0.1)\n", time("BM_ToText") / load);
    std::printf("  toText after an edit / load    %6.3f  (goal <= 0.1)\n", time("BM_ToTextAfterEdit") / load);
    std::printf("  merge of snippet / load        %6.3f  (goal <= 0.1)\n", time("BM_MergeSnippet") / load);
    if (loadFresh > 0) {
        std::printf("  toText after an edit / new document load %5.3f\n", time("BM_ToTextAfterEdit") / loadFresh);
        std::printf("  merge / new document load      %6.3f\n", time("BM_MergeSnippet") / loadFresh);
    }
}

} // namespace

int main(int argc, char** argv)
{
    return SummaryReporter::run(argc, argv, printSummary);
}
