#include "sdk/configschema.h"

#include "configsystem/configsystem.h"

namespace kelp {

namespace {

struct KindSpec
{
    const char* literal;
    const char* pattern; // empty: the literal alone
    bool anonymousValues;
    bool starred;
};

// Tried in this order and matched as prefixes: a more specific kind must come
// before a kind whose pattern is a prefix of it (Network0 before Network).
const KindSpec s_kinds[] = {
    {"General", "", false, false},
    {"Licence", "", false, false},
    {"Network", "\\d", false, false}, // one section per interface
    {"Network", "", false, false},    // settings shared by all interfaces
    {"Camera_0x", "[\\da-fA-F]+", false, false},
    {"Storage", "\\d{1,2}", false, false},
    {"Relay", "[1-5]", false, false},
    {"Display", "1", false, false},
    {"User", "\\d+", false, false},
    {"Schedule_", ".+", false, false},
    // Script bodies are free lines, kept as anonymous values; the star marks
    // the kind in the written text.
    {"*Script", "\\d{1,4}", true, true},
    {"Language_", "[a-z]{2}", true, false},
};

} // namespace

QSharedPointer<ConfigSystem> createConfigDocument()
{
    auto document = QSharedPointer<ConfigSystem>::create();
    for (const KindSpec& kind : s_kinds) {
        SectionKind pattern{PatternPiece(QString::fromLatin1(kind.literal), QString())};
        const QString patternName = QString::fromLatin1(kind.pattern);
        if (!patternName.isEmpty()) {
            pattern.append(PatternPiece(patternName, patternName));
        }
        document->addSectionKind(pattern, kind.anonymousValues, kind.starred);
    }
    return document;
}

} // namespace kelp
