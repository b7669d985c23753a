// File-name patterns: prepared patterns answer exactly as the matcher they replaced, on
// every short pattern and name and on long ones, and long runs of "*" or many pieces
// cost nothing that shows.

#include "platform/FileSystem.h"
#include "platform/WildcardMatch.h"
#include "fuzz/WildcardBefore.h"

#include <QtTest>

#include <random>
#include <string>
#include <string_view>
#include <vector>

using quenno::platform::WildcardPattern;
using quenno::test::wildcardMatchBefore;

namespace {

// Every string of up to maxLength bytes from alphabet.
std::vector<std::string> allStrings(std::string_view alphabet, std::size_t maxLength)
{
    std::vector<std::string> all{""};
    std::size_t from = 0;
    for (std::size_t length = 1; length <= maxLength; ++length) {
        const std::size_t to = all.size();
        for (std::size_t i = from; i < to; ++i) {
            for (const char c : alphabet)
                all.push_back(all[i] + c);
        }
        from = to;
    }
    return all;
}

}  // namespace

class TestWildcard : public QObject {
    Q_OBJECT

private slots:
    void everyShortPatternAndName_data();
    void everyShortPatternAndName();
    void longPiecesAsBefore_data();
    void longPiecesAsBefore();
    void longPatterns_data();
    void longPatterns();
};

void TestWildcard::everyShortPatternAndName_data()
{
    QTest::addColumn<QString>("patternBytes");
    QTest::addColumn<QString>("nameBytes");
    QTest::addColumn<int>("length");
    // Letters in both cases, a dot for the ".*" rule, "?" and "*".
    QTest::newRow("letters, dots, wildcards") << "aAb.?*"
                                              << "aBb." << 5;
    QTest::newRow("runs of stars and dots") << "a.*"
                                            << "a.b" << 6;
}

void TestWildcard::everyShortPatternAndName()
{
    QFETCH(QString, patternBytes);
    QFETCH(QString, nameBytes);
    QFETCH(int, length);
    const auto patterns = allStrings(patternBytes.toStdString(), static_cast<std::size_t>(length));
    const auto names = allStrings(nameBytes.toStdString(), static_cast<std::size_t>(length));
    for (const std::string& pattern : patterns) {
        const WildcardPattern prepared(pattern);
        for (const std::string& name : names) {
            if (prepared.matches(name) != wildcardMatchBefore(pattern, name))
                QFAIL(qPrintable(QString("pattern \"%1\", name \"%2\": %3, before %4")
                                     .arg(QString::fromStdString(pattern), QString::fromStdString(name))
                                     .arg(prepared.matches(name))
                                     .arg(wildcardMatchBefore(pattern, name))));
        }
    }
}

void TestWildcard::longPiecesAsBefore_data()
{
    // Pieces past 64 bytes with "?" are looked for several machine words at a time.
    QTest::addColumn<int>("pieceLength");
    QTest::addColumn<QString>("alphabet");
    QTest::newRow("one word") << 40 << "ab";
    QTest::newRow("word boundary") << 64 << "ab";
    QTest::newRow("several words") << 150 << "ab";
    QTest::newRow("letters without case") << 100 << "aB";
}

void TestWildcard::longPiecesAsBefore()
{
    QFETCH(int, pieceLength);
    QFETCH(QString, alphabet);
    const std::string letters = alphabet.toStdString();
    std::mt19937 random(static_cast<unsigned>(pieceLength));
    const auto pick = [&](std::string_view from) {
        return from[random() % from.size()];
    };
    int matched = 0;
    for (int round = 0; round < 300; ++round) {
        // The name holds the pattern's pieces with filler where the pattern has "*", and in
        // every other round one byte changed, so that both answers are common.
        const bool leadingStar = round % 2 == 1;
        const bool trailingStar = round % 3 != 0;
        std::string pattern = leadingStar ? "*" : "";
        std::string name;
        const auto filler = [&] {
            for (int i = static_cast<int>(random() % 20); i > 0; --i)
                name += pick(letters);
        };
        if (leadingStar)
            filler();
        for (int piece = 0; piece < 3; ++piece) {
            if (piece > 0) {
                pattern += '*';
                filler();
            }
            for (int i = 0; i < pieceLength; ++i) {
                const char c = pick(letters);
                pattern += random() % 4 == 0 ? '?' : c;
                name += c;
            }
        }
        if (trailingStar) {
            pattern += '*';
            filler();
        }
        if (round % 2 == 0) {
            char& changed = name[random() % name.size()];
            changed = changed == letters[0] ? letters[1] : letters[0];
        }
        const bool before = wildcardMatchBefore(pattern, name);
        matched += before ? 1 : 0;
        QCOMPARE(WildcardPattern(pattern).matches(name), before);
        QCOMPARE(quenno::platform::wildcardMatch(pattern, name), before);
    }
    QVERIFY2(matched > 30 && matched < 270, qPrintable(QString::number(matched)));
}

void TestWildcard::longPatterns_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("matches");
    QTest::newRow("ten million stars, then .exe") << "stars .exe a.EXE" << true;
    QTest::newRow("ten million stars, then .exe, other extension") << "stars .exe a.com" << false;
    QTest::newRow("ten million stars after a dot take no bare name") << "trail readme. README" << false;
    QTest::newRow("ten million stars after a dot, then a dot") << "trail readme. readme.txt" << true;
    QTest::newRow("*a*a*a...*b without b") << "many-a" << false;
    QTest::newRow("*a*a*a...*b with b") << "many-a b" << true;
    QTest::newRow("*aaaa...ab on a's") << "long-a" << false;
}

// What would take minutes by backtracking ends at once; the answers are checked, the time
// is not (a blow-up shows as the test's time-out).
void TestWildcard::longPatterns()
{
    QFETCH(QString, kind);
    QFETCH(bool, matches);
    const QStringList words = kind.split(' ');
    std::string pattern;
    std::string name;
    if (words[0] == "stars") {
        pattern = std::string(10'000'000, '*') + words[1].toStdString();
        name = words[2].toStdString();
        // Before, these answers cost one pass over the whole pattern for every name.
        QCOMPARE(wildcardMatchBefore(pattern, name), matches);
    } else if (words[0] == "trail") {
        // Only a pattern whose last two bytes are ".*" takes names without a dot.
        pattern = words[1].toStdString() + std::string(10'000'000, '*');
        name = words[2].toStdString();
        QCOMPARE(wildcardMatchBefore(pattern, name), matches);
    } else if (words[0] == "many-a") {
        for (int i = 0; i < 20'000; ++i)
            pattern += "*a";
        pattern += "*b";
        name = std::string(100'000, 'a') + (words.size() > 1 ? "b" : "");
    } else {
        pattern = "*" + std::string(5'000, 'a') + "b";
        name = std::string(200'000, 'a');
    }
    const WildcardPattern prepared(pattern);
    for (int again = 0; again < 3; ++again)
        QCOMPARE(prepared.matches(name), matches);
}

QTEST_GUILESS_MAIN(TestWildcard)
#include "tst_wildcard.moc"
