#include "configsystem/patterncache.h"

#include <QtTest>

#include <atomic>
#include <thread>
#include <vector>

using kelp::PatternCache;
using kelp::SectionKind;

Q_DECLARE_METATYPE(SectionKind)

namespace {

struct Case
{
    const char* what;
    SectionKind kind;
    QString name;
    bool matches;
};

// Pieces (text, pattern name; a literal has no pattern name) match in order,
// each where the one before ended, and the whole pattern as a prefix.
const std::vector<Case>& cases()
{
    const SectionKind camera{{"Camera", ""}, {"\\d+", "\\d+"}};
    const SectionKind middle{{"C", ""}, {"\\d{1,2}", "\\d{1,2}"}, {"_x", ""}};
    static const std::vector<Case> all = {
        {"literal, then digits", camera, "Camera12", true},
        {"matched as a prefix of the name", camera, "Camera12345x", true},
        {"a pattern piece needs a non-empty match", camera, "Camera", false},
        {"literals are case-sensitive", camera, "camera1", false},
        {"a pattern is anchored where the literal ends", camera, "Camera x1", false},
        {"literal as long as the name", {{"Network", ""}}, "Network", true},
        {"literal after a pattern", middle, "C12_x", true},
        {"literal longer than the rest of the name", middle, "C1_", false},
        {"a pattern stops where its match ends", middle, "C123_x", false},
        {"no pieces match any name", {}, "any name", true},
        {"an empty literal never matches", {{"", ""}}, "X", false},
        {"a first pattern is anchored at the start", {{"\\d+", "\\d+"}}, "ab12", false},
        {"patterns back to back", {{"[a-z]{2}", "[a-z]{2}"}, {"\\d{1,4}", "\\d{1,4}"}, {"!", ""}}, "ab1234!", true},
    };
    return all;
}

} // namespace

class TestPatternCache : public QObject
{
    Q_OBJECT

private slots:
    void matches_data()
    {
        QTest::addColumn<SectionKind>("kind");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("matches");
        for (const Case& c : cases()) {
            QTest::newRow(c.what) << c.kind << c.name << c.matches;
        }
    }

    void matches()
    {
        QFETCH(SectionKind, kind);
        QFETCH(QString, name);
        QFETCH(bool, matches);
        QCOMPARE(PatternCache::matches(kind, name), matches);
    }

    void unknownPatternAddsOneEmptyEntry()
    {
        const QString unknown = QStringLiteral("[0-9]+(unknown");
        const int before = PatternCache::patternNames().size();
        QVERIFY(!PatternCache::patternNames().contains(unknown));
        const SectionKind kind{{"A", ""}, {"digits", unknown}};
        QVERIFY2(!PatternCache::matches(kind, QStringLiteral("A1")), "an unknown pattern matched");
        QVERIFY2(!PatternCache::matches(kind, QStringLiteral("A(")), "an unknown pattern matched");
        QCOMPARE(PatternCache::patternNames().size(), before + 1);
        QVERIFY(PatternCache::expression(unknown)->isEmpty());
    }

    // QRegExp keeps match state inside itself: without the cache's lock, threads
    // matching at once would see each other's matched lengths.
    void parallelMatchingAgreesWithOneThread()
    {

        std::atomic<int> mismatches{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&mismatches, t] {
                for (int round = 0; round < 2000; ++round) {
                    const Case& c = cases()[static_cast<size_t>(round + t) % cases().size()];
                    mismatches += PatternCache::matches(c.kind, c.name) != c.matches ? 1 : 0;
                    if (round % 500 == 0) {
                        PatternCache::expression(QStringLiteral("thread-%1-%2").arg(t).arg(round));
                    }
                }
            });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        QCOMPARE(mismatches.load(), 0);
        QVERIFY(PatternCache::patternNames().contains(QStringLiteral("thread-3-1500")));
    }
};

QTEST_GUILESS_MAIN(TestPatternCache)
#include "tst_patterncache.moc"
