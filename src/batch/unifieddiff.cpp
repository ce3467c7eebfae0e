#include "batch/unifieddiff.h"

#include <dtl/dtl.hpp>

#include <algorithm>
#include <vector>

namespace {

using Lines = std::vector<QString>;
using LineDiff = dtl::Diff<QString, Lines>;
using DiffElement = std::pair<QString, dtl::elemInfo>;

// Each element keeps its own line end, so a last line with and without one differ.
Lines splitLines(const QString& text)
{
    Lines lines;
    int start = 0;
    while (start < text.size()) {
        const int end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0) {
            lines.push_back(text.mid(start));
            break;
        }
        lines.push_back(text.mid(start, end - start + 1));
        start = end + 1;
    }
    return lines;
}

// "start,count" with GNU diff's shortenings: a count of one is left out, and
// an empty range names the line before it.
QString range(long long start, long long count)
{
    if (count == 1) {
        return QString::number(start);
    }
    return QString::number(count == 0 ? start - 1 : start) + QLatin1Char(',') + QString::number(count);
}

void appendLine(QString& out, QChar marker, const QString& line)
{
    out += marker;
    out += line;
    if (!line.endsWith(QLatin1Char('\n'))) {
        out += QStringLiteral("\n\\ No newline at end of file\n");
    }
}

QChar markerOf(const DiffElement& element)
{
    switch (element.second.type) {
    case dtl::SES_ADD:
        return QLatin1Char('+');
    case dtl::SES_DELETE:
        return QLatin1Char('-');
    default:
        return QLatin1Char(' ');
    }
}

} // namespace

QString UnifiedDiff::format(const QString& before, const QString& after, const QString& beforeLabel,
                            const QString& afterLabel)
{
    if (before == after) {
        return QString();
    }
    LineDiff diff(splitLines(before), splitLines(after));
    diff.compose();
    diff.composeUnifiedHunks();

    QString out = QStringLiteral("--- ") + beforeLabel + QStringLiteral("\n+++ ") + afterLabel + QLatin1Char('\n');
    for (auto hunk : diff.getUniHunks()) {
        // dtl lets a hunk that reaches the end of the texts run on past its
        // context; cut it back to the context diff -u gives.
        long long trailing = 0;
        for (auto it = hunk.change.rbegin(); it != hunk.change.rend() && it->second.type == dtl::SES_COMMON; ++it) {
            ++trailing;
        }
        const long long excess = std::max(0LL, trailing - dtl::DTL_CONTEXT_SIZE);
        hunk.change.resize(hunk.change.size() - static_cast<std::size_t>(excess));
        hunk.b -= excess;
        hunk.d -= excess;

        out += QStringLiteral("@@ -") + range(hunk.a, hunk.b) + QStringLiteral(" +") + range(hunk.c, hunk.d) +
               QStringLiteral(" @@\n");
        for (const auto* part : {&hunk.common[0], &hunk.change, &hunk.common[1]}) {
            for (const DiffElement& element : *part) {
                appendLine(out, markerOf(element), element.first);
            }
        }
    }
    return out;
}
