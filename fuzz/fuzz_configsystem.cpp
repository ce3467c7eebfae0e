// Feeds arbitrary bytes to the configuration document: a replacing load, a
// merging load, a few value edits and the writer. Beyond "no crash, no leak,
// no sanitizer report" it checks that a load writes back the text it was
// given (apart from NULs, a leading line feed and header lines, which come
// out in the document's own form) and that whatever the document writes loads
// again and writes back unchanged.

#include "configsystem/configsystem.h"
#include "configsystem/patterncache.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct Kind
{
    kelp::SectionKind pattern;
    bool anonymousValues;
    bool starred;
};

const std::vector<Kind>& kinds()
{
    using kelp::PatternPiece;
    static const std::vector<Kind> list = {
        {{PatternPiece("Network", ""), PatternPiece("\\d", "\\d")}, false, false},
        {{PatternPiece("Network", "")}, false, false},
        {{PatternPiece("Licence", "")}, false, false},
        {{PatternPiece("*Camera", ""), PatternPiece("\\d+", "\\d+")}, false, true},
        {{PatternPiece("Cam_0x", ""), PatternPiece("[\\da-fA-F]+", "[\\da-fA-F]+")}, false, false},
        {{PatternPiece("Storage", ""), PatternPiece("\\d{1,2}", "\\d{1,2}")}, false, false},
        {{PatternPiece("Relay", ""), PatternPiece("[1-5]", "[1-5]")}, false, false},
        {{PatternPiece("Display", ""), PatternPiece("1", "1")}, false, false},
        {{PatternPiece("User", ""), PatternPiece(".+", ".+")}, false, false},
        {{PatternPiece("Lang_", ""), PatternPiece("[a-z]{2}", "[a-z]{2}")}, true, false},
        // Written with a star its name does not carry; the next kind reads it back.
        {{PatternPiece("Script", ""), PatternPiece("\\d{1,4}", "\\d{1,4}")}, true, true},
        {{PatternPiece("*Script", ""), PatternPiece("\\d{1,4}", "\\d{1,4}")}, true, true},
        {{PatternPiece("Odd", ""), PatternPiece("unknown", "[0-9")}, false, false},
    };
    return list;
}

void fillSchema(kelp::ConfigSystem& document)
{
    for (const Kind& kind : kinds()) {
        document.addSectionKind(kind.pattern, kind.anonymousValues, kind.starred);
    }
}

void check(bool condition, int line = __builtin_LINE())
{
    if (!condition) {
        std::fprintf(stderr, "check failed at line %d\n", line);
        std::abort();
    }
}

// The text a replacing load of text must write back.
QString expectedText(QString text)
{
    text.remove(QChar(0));
    if (text.startsWith(QLatin1Char('\n'))) {
        text.remove(0, 1);
    }
    if (text.isEmpty()) {
        return text;
    }
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        const int close = line.indexOf(QLatin1Char(']'));
        if (!line.startsWith(QLatin1Char('[')) || close < 0) {
            continue;
        }
        const QString name = line.mid(1, close - 1);
        for (const Kind& kind : kinds()) {
            if (kelp::PatternCache::matches(kind.pattern, name)) {
                const bool star = kind.starred && !name.startsWith(QLatin1Char('*'));
                line = (star ? QStringLiteral("[*") : QStringLiteral("[")) + name + QLatin1Char(']');
                break;
            }
        }
    }
    return lines.join(QLatin1Char('\n'));
}

// Whatever a document writes must load again and come back unchanged (but
// for an empty first line, which a load skips).
void checkStable(const QString& written)
{
    kelp::ConfigSystem again;
    fillSchema(again);
    again.loadText(written, false, false);
    check(again.toText() == expectedText(written));
}

// The name a section's header is written with: a starred kind may add a star.
QString writtenName(const kelp::ConfigSystem& document, const QString& name)
{
    const QString text = document.sectionText(name);
    return text.left(text.indexOf(QLatin1Char(']'))).mid(1);
}

QHash<QString, int> writtenNameCounts(const kelp::ConfigSystem& document)
{
    QHash<QString, int> counts;
    for (const QStringRef& name : document.sectionNames()) {
        ++counts[writtenName(document, name.toString())];
    }
    return counts;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1 || size > 65536) {
        return 0;
    }
    const auto split = static_cast<int>(1 + (size - 1) * data[0] / 256);
    const char* first = reinterpret_cast<const char*>(data) + 1;
    const int firstSize = split - 1;
    const char* second = reinterpret_cast<const char*>(data) + split;
    const int secondSize = static_cast<int>(size) - split;

    kelp::ConfigSystem document;
    fillSchema(document);
    const int decodedSize = firstSize > 0 && first[firstSize - 1] == '\0' ? firstSize - 1 : firstSize;
    const QString firstText = QString::fromUtf8(first, decodedSize);
    try {
        document.loadText(first, firstSize);
    } catch (const kelp::ConfigSystemBadSection&) {
        check(document.toText().isEmpty() && document.sectionNames().isEmpty());
        return 0;
    }
    check(document.toText() == expectedText(firstText));
    check(!document.isModified());
    checkStable(document.toText());

    // Merge the second part in; a failure must leave the document as it was.
    const QString secondText = QString::fromUtf8(second, secondSize);
    const QString before = document.toText();
    kelp::ConfigSystem incoming;
    fillSchema(incoming);
    try {
        incoming.loadText(secondText, false, false);
    } catch (const kelp::ConfigSystemBadSection&) {
        try {
            document.loadText(secondText, true, false);
        } catch (const kelp::ConfigSystemBadSection&) {
            check(document.toText() == before);
            return 0;
        }
        check(false);
    }
    const QHash<QString, int> oldCounts = writtenNameCounts(document);
    const QHash<QString, int> newCounts = writtenNameCounts(incoming);
    document.loadText(secondText, true, false);
    const QString merged = document.toText();
    checkStable(merged);
    // Each merged section is there under the name it was written with and,
    // where that name is its own and unique on both sides, holds exactly the
    // merged text.
    for (const QStringRef& name : incoming.sectionNames()) {
        const QString written = writtenName(incoming, name.toString());
        check(document.hasSection(written));
        if (written == name && newCounts.value(written) == 1 && oldCounts.value(written) <= 1) {
            check(document.sectionText(written) == incoming.sectionText(name.toString()));
        }
    }

    // A few edits, each either refused before any change or leaving a
    // document that still writes and reloads consistently.
    const QList<QStringRef> names = document.sectionNames();
    if (!names.isEmpty()) {
        const QString name = names.at(static_cast<int>(data[0]) % names.size()).toString();
        const auto values = document.values(name, QStringLiteral("a"), true);
        const QString unchanged = document.toText();
        try {
            document.removeValue(name, QStringLiteral("a"), data[0] % 3);
            check(values.size() > data[0] % 3);
        } catch (const kelp::ConfigSystemOutOfRange&) {
            check(document.toText() == unchanged);
        }
        if (document.hasSection(name)) {
            try {
                document.setValue(QStringLiteral("k"), QStringLiteral("v"), name, data[0] % 8);
                document.renameKey(name, QStringLiteral("k"), QStringLiteral("key"));
                check(document.value(name, QStringLiteral("key")).size() >= 0);
            } catch (const kelp::ConfigSystemError&) {
                check(document.toText() == unchanged);
            }
        }
        checkStable(document.toText());
    }

    // Loading the first text again into the edited document gives what a
    // new document gives, whatever the document held before.
    document.loadText(firstText, false, false);
    check(document.toText() == expectedText(firstText));
    check(!document.isModified() && document.removedSections().isEmpty());
    return 0;
}
