#include "configsystem/patterncache.h"

#include <QtTest>

#include <atomic>
#include <thread>
#include <vector>

using kelp::PatternCache;
using kelp::PatternPiece;
using kelp::SectionKind;

namespace {

PatternPiece literal(const char* text)
{
    return PatternPiece(QString::fromUtf8(text), QString());
}

PatternPiece pattern(const char* expression)
{
    return PatternPiece(QString::fromUtf8(expression), QString::fromUtf8(expression));
}

struct Case
{
    SectionKind kind;
    QString name;
    bool matches;
};

} // namespace

Q_DECLARE_METATYPE(SectionKind)

class TestPatternCache : public QObject
{
    Q_OBJECT

private slots:
    void startsWithTheNineExpressions();
    void matches_data();
    void matches();
    void unknownPatternAddsOneEmptyEntry();
    void parallelMatchingAgreesWithOneThread();
};

void TestPatternCache::startsWithTheNineExpressions()
{
    QStringList expected{"\\d+", "[\\da-fA-F]+", "1", ".+", "\\d", "\\d{1,2}", "[1-5]", "\\d{1,4}", "[a-z]{2}"};
    QStringList names = PatternCache::patternNames();
    expected.sort();
    names.sort();
    QCOMPARE(names, expected);
    for (const QString& name : qAsConst(names)) {
        const QRegExp* expression = PatternCache::expression(name);
        QCOMPARE(expression->pattern(), name);
        QCOMPARE(expression->caseSensitivity(), Qt::CaseSensitive);
        QCOMPARE(expression->patternSyntax(), QRegExp::RegExp);
    }
}

void TestPatternCache::matches_data()
{
    QTest::addColumn<SectionKind>("kind");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("matches");

    const SectionKind camera{literal("Camera"), pattern("\\d+")};
    QTest::newRow("literal and digits") << camera << "Camera12" << true;
    QTest::newRow("prefix match leaves a rest") << camera << "Camera12x" << true;
    QTest::newRow("pattern piece needs a non-empty match") << camera << "Camera" << false;
    QTest::newRow("literal is case-sensitive") << camera << "camera1" << false;
    QTest::newRow("pattern anchored where the literal ends") << camera << "Camera x1" << false;

    const SectionKind network{literal("Network")};
    QTest::newRow("literal alone") << network << "Network" << true;
    QTest::newRow("literal as prefix of digits") << network << "Network2" << true;
    QTest::newRow("literal as prefix of letters") << network << "NetworkX" << true;
    QTest::newRow("name shorter than literal") << network << "Net" << false;
    QTest::newRow("empty name") << network << "" << false;

    QTest::newRow("\\d+ several digits") << SectionKind{literal("P"), pattern("\\d+")} << "P007" << true;
    QTest::newRow("\\d+ no digit") << SectionKind{literal("P"), pattern("\\d+")} << "Px" << false;
    QTest::newRow("hex digits any case") << SectionKind{literal("H_0x"), pattern("[\\da-fA-F]+")} << "H_0xBeEf" << true;
    QTest::newRow("hex digits, not hex") << SectionKind{literal("H_0x"), pattern("[\\da-fA-F]+")} << "H_0xg" << false;
    QTest::newRow("digit one") << SectionKind{literal("D"), pattern("1")} << "D1" << true;
    QTest::newRow("digit one, other digit") << SectionKind{literal("D"), pattern("1")} << "D2" << false;
    QTest::newRow("any character, a blank") << SectionKind{literal("U"), pattern(".+")} << "U " << true;
    QTest::newRow("any character, nothing left") << SectionKind{literal("U"), pattern(".+")} << "U" << false;
    QTest::newRow("one digit of two") << SectionKind{literal("N"), pattern("\\d")} << "N77" << true;
    QTest::newRow("one digit, none") << SectionKind{literal("N"), pattern("\\d")} << "N" << false;
    QTest::newRow("one or two digits of three") << SectionKind{literal("S"), pattern("\\d{1,2}")} << "S123" << true;
    QTest::newRow("one or two digits, none") << SectionKind{literal("S"), pattern("\\d{1,2}")} << "S-1" << false;
    QTest::newRow("digit 1 to 5") << SectionKind{literal("R"), pattern("[1-5]")} << "R5" << true;
    QTest::newRow("digit 6 is out") << SectionKind{literal("R"), pattern("[1-5]")} << "R6" << false;
    QTest::newRow("digit 0 is out") << SectionKind{literal("R"), pattern("[1-5]")} << "R0" << false;
    QTest::newRow("up to four digits of five") << SectionKind{literal("M"), pattern("\\d{1,4}")} << "M12345" << true;
    QTest::newRow("up to four digits, none") << SectionKind{literal("M"), pattern("\\d{1,4}")} << "Mx1" << false;
    QTest::newRow("two lower-case letters") << SectionKind{literal("L_"), pattern("[a-z]{2}")} << "L_de" << true;
    QTest::newRow("one letter only") << SectionKind{literal("L_"), pattern("[a-z]{2}")} << "L_d" << false;
    QTest::newRow("upper-case letters") << SectionKind{literal("L_"), pattern("[a-z]{2}")} << "L_De" << false;

    const SectionKind middle{literal("C"), pattern("\\d+"), literal("_x")};
    QTest::newRow("literal after a pattern") << middle << "C12_x" << true;
    QTest::newRow("literal after a pattern, prefix") << middle << "C12_xyz" << true;
    QTest::newRow("literal after a pattern, differs") << middle << "C12_y" << false;
    QTest::newRow("literal longer than the rest") << middle << "C12_" << false;

    const SectionKind starred{literal("*Camera"), pattern("\\d+")};
    QTest::newRow("starred literal with star") << starred << "*Camera3" << true;
    QTest::newRow("starred literal without star") << starred << "Camera3" << false;

    QTest::newRow("no pieces, empty name") << SectionKind() << "" << true;
    QTest::newRow("no pieces, any name") << SectionKind() << "any name at all" << true;
    QTest::newRow("empty literal never matches") << SectionKind{literal("")} << "X" << false;
    QTest::newRow("pattern first, at the start") << SectionKind{pattern("\\d+")} << "12ab" << true;
    QTest::newRow("pattern first, not at the start") << SectionKind{pattern("\\d+")} << "ab12" << false;
    QTest::newRow("two patterns back to back")
        << SectionKind{pattern("[a-z]{2}"), pattern("\\d{1,2}")} << "ab123" << true;
}

void TestPatternCache::matches()
{
    QFETCH(SectionKind, kind);
    QFETCH(QString, name);
    QFETCH(bool, matches);
    QCOMPARE(PatternCache::matches(kind, name), matches);
}

void TestPatternCache::unknownPatternAddsOneEmptyEntry()
{
    const QString unknown = QStringLiteral("[0-9]+(unknown");
    const int before = PatternCache::patternNames().size();
    QVERIFY(!PatternCache::patternNames().contains(unknown));

    const SectionKind kind{literal("A"), PatternPiece(QStringLiteral("digits"), unknown)};
    QVERIFY2(!PatternCache::matches(kind, QStringLiteral("A1")), "an unknown pattern matched");
    QCOMPARE(PatternCache::patternNames().size(), before + 1);
    QVERIFY(PatternCache::expression(unknown)->isEmpty());

    QVERIFY(!PatternCache::matches(kind, QStringLiteral("A(")));
    QCOMPARE(PatternCache::patternNames().size(), before + 1);
}

// QRegExp keeps match state inside itself: without the cache's lock, threads
// matching at once would see each other's matched lengths.
void TestPatternCache::parallelMatchingAgreesWithOneThread()
{
    const std::vector<Case> cases = {
        {{literal("Camera"), pattern("\\d+")}, "Camera12345x", true},
        {{literal("Camera"), pattern("\\d+")}, "Camera", false},
        {{literal("H_0x"), pattern("[\\da-fA-F]+"), literal("_")}, "H_0xabcdef0123_", true},
        {{literal("H_0x"), pattern("[\\da-fA-F]+"), literal("_")}, "H_0xabc", false},
        {{pattern("[a-z]{2}"), pattern("\\d{1,4}"), literal("!")}, "ab1234!", true},
        {{pattern("[a-z]{2}"), pattern("\\d{1,4}"), literal("!")}, "ab12345!", false},
        {{literal("U"), pattern(".+")}, "U everything else", true},
        {{literal("S"), pattern("\\d{1,2}"), literal("x")}, "S12x", true},
        {{literal("S"), pattern("\\d{1,2}"), literal("x")}, "S1x", true},
        {{literal("S"), pattern("\\d{1,2}"), literal("x")}, "S123x", false},
    };
    for (const Case& c : cases) {
        QVERIFY2(PatternCache::matches(c.kind, c.name) == c.matches, qPrintable(c.name));
    }

    constexpr int threadCount = 4;
    constexpr int rounds = 2000;
    std::atomic<int> mismatches{0};
    std::atomic<int> checked{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([&cases, &mismatches, &checked, t] {
            for (int round = 0; round < rounds; ++round) {
                const Case& c = cases[static_cast<size_t>(round + t) % cases.size()];
                if (PatternCache::matches(c.kind, c.name) != c.matches) {
                    ++mismatches;
                }
                ++checked;
                if (round % 500 == 0) {
                    PatternCache::expression(QStringLiteral("thread-%1-%2").arg(t).arg(round));
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    QCOMPARE(checked.load(), threadCount * rounds);
    QCOMPARE(mismatches.load(), 0);
    QVERIFY(PatternCache::patternNames().contains(QStringLiteral("thread-3-1500")));
}

QTEST_GUILESS_MAIN(TestPatternCache)
#include "tst_patterncache.moc"
