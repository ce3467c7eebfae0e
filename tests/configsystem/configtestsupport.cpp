#include "configtestsupport.h"

using kelp::PatternPiece;

namespace configtest {

std::unique_ptr<kelp::ConfigSystem> makeDocument()
{
    auto document = std::make_unique<kelp::ConfigSystem>();
    document->addSectionKind({PatternPiece("Network", ""), PatternPiece("\\d", "\\d")}, false, false);
    document->addSectionKind("Network", "", false, false);
    document->addSectionKind("Licence", "", false, false);
    document->addSectionKind("*Camera", "", false, true).append(PatternPiece("\\d+", "\\d+"));
    document->addSectionKind("Camera_0x", "", false, false).append(PatternPiece("[\\da-fA-F]+", "[\\da-fA-F]+"));
    document->addSectionKind("Storage", "", false, false).append(PatternPiece("\\d{1,2}", "\\d{1,2}"));
    document->addSectionKind("Gate", "", false, true).append(PatternPiece("\\d", "\\d"));
    document->addSectionKind("Lang_", "", true, false).append(PatternPiece("[a-z]{2}", "[a-z]{2}"));
    document->addSectionKind({PatternPiece("*Macro", ""), PatternPiece("\\d{1,4}", "\\d{1,4}")}, true, true);
    return document;
}

QStringList toStrings(const QList<QStringRef>& refs)
{
    QStringList strings;
    for (const QStringRef& ref : refs) {
        strings.append(ref.toString());
    }
    return strings;
}

QStringList spans(const kelp::ConfigSystem& document)
{
    QStringList lines;
    for (const QString& line : document.debugString().split(QLatin1Char('\n'))) {
        if (line.startsWith(QStringLiteral("        "))) {
            lines.append(line.trimmed());
        }
    }
    return lines;
}

} // namespace configtest
