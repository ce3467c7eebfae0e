#include "configsystem/patterncache.h"

#include <QtTest>

#include <atomic>
#include <thread>
#include <vector>

using kelp::PatternCache;
using kelp::SectionKind;

namespace {

struct Case
{
    const char* what;
    SectionKind kind;
    QString name;
    bool matches;
};

// Pieces match in order, each where the one before ended, as a prefix of the name.
const std::vector<Case>& cases()
{
    const SectionKind camera{{"Camera", ""}, {"\\d+", "\\d+"}};
    static const std::vector<Case> all = {
        {"matched as a prefix of the name", camera, "Camera12345x", true},
        {"literals are case-sensitive", camera, "camera1", false},
        {"a pattern is anchored where the literal ends", camera, "Camera x1", false},
        {"literal as long as the name", {{"Network", ""}}, "Network", true},
        {"a pattern stops where its match ends", {{"C", ""}, {"\\d{1,2}", "\\d{1,2}"}, {"_x", ""}}, "C123_x", false},
        {"no pieces match any name", {}, "any name", true},
        {"an empty literal never matches", {{"", ""}}, "X", false},
        {"patterns back to back", {{"[a-z]{2}", "[a-z]{2}"}, {"\\d{1,4}", "\\d{1,4}"}, {"!", ""}}, "ab1234!", true},
    };
    return all;
}

} // namespace

Q_DECLARE_METATYPE(Case)

class TestPatternCache : public QObject
{
    Q_OBJECT

private slots:
    void matches_data()
    {
        QTest::addColumn<Case>("c");
        for (const Case& c : cases()) {
            QTest::newRow(c.what) << c;
        }
    }

    void matches()
    {
        QFETCH(Case, c);
        QCOMPARE(PatternCache::matches(c.kind, c.name), c.matches);
    }

    void unknownPatternIsStoredEmptyAndNeverMatches()
    {
        const QString unknown = QStringLiteral("[0-9]+(unknown");
        const SectionKind kind{{"A", ""}, {"digits", unknown}};
        QVERIFY2(!PatternCache::matches(kind, QStringLiteral("A1")), "an unknown pattern matched");
        QVERIFY(PatternCache::patternNames().contains(unknown));
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
