#include "analysis/engine/stringindex.h"

#include <QtTest>

#include <string>
#include <unordered_map>
#include <vector>

class TestStringIndex : public QObject {
    Q_OBJECT

private slots:
    void matchesAMap_data();
    void matchesAMap();
    void poolPastOffsetWidth_data();
    void poolPastOffsetWidth();
    void memoryGoesBack();
};

void TestStringIndex::matchesAMap_data() {
    QTest::addColumn<int>("wideSlotsUpTo");
    QTest::newRow("wide slots") << (1 << 21);
    QTest::newRow("slim past 64 slots") << 64;
    QTest::newRow("slim from the start") << 16;
}

void TestStringIndex::matchesAMap() {
    // Strings of every length around the eight bytes a wide slot holds, some
    // sharing those bytes, each looked up several times while the index grows
    // and, with a low limit, changes its slots.
    QFETCH(int, wideSlotsUpTo);
    std::vector<std::string> strings;
    for (int i = 0; i < 3000; ++i) {
        std::string s = std::to_string(i * 7919 % 100003);
        s.resize(std::size_t(i % 19), char('a' + i % 26));
        strings.push_back(s);
        strings.push_back("prefix12" + s);
        strings.push_back(std::string(i % 3, '\0') + s);
    }
    StringPool pool;
    StringIndex index(&pool, 16, std::size_t(wideSlotsUpTo));
    std::unordered_map<std::string, std::uint32_t> expected;
    for (int round = 0; round < 3; ++round) {
        for (const std::string& s : strings) {
            const auto [it, added] = expected.emplace(s, std::uint32_t(expected.size()));
            QCOMPARE(index.find(StringIndex::key(s)),
                     added && round == 0 ? StringIndex::NotFound : it->second);
            QCOMPARE(index.intern(s), it->second);
        }
    }
    QCOMPARE(index.size(), expected.size());
    QCOMPARE(std::size_t(pool.count()), expected.size());
    for (const auto& [s, id] : expected)
        QCOMPARE(pool.view(id), std::string_view(s));

    // Strings already in a pool are grouped by their first occurrence.
    StringPool lines;
    for (const std::string& s : strings)
        lines.append(std::string_view(s));
    StringIndex groups(&lines, 16, std::size_t(wideSlotsUpTo));
    std::unordered_map<std::string, std::uint32_t> first;
    for (std::uint32_t i = 0; i < std::uint32_t(strings.size()); ++i) {
        const std::uint32_t id = first.emplace(strings[i], i).first->second;
        QCOMPARE(groups.internExisting(i), id);
    }
}

void TestStringIndex::memoryGoesBack() {
    // An index that goes slim lets its wide slots go, and a released index
    // lets go of all but a few.
    StringPool pool;
    StringIndex wide(&pool, 16, std::size_t(1) << 21);
    StringIndex slim(&pool, 16, 8192);
    for (int i = 0; i < 9000; ++i) {
        const std::string s = "word" + std::to_string(i);
        wide.intern(s);
        slim.intern(s);
    }
    QCOMPARE(slim.size(), wide.size());
    QVERIFY2(slim.memoryBytes() < wide.memoryBytes(),
             qPrintable(QStringLiteral("slim %1 bytes, wide %2")
                            .arg(slim.memoryBytes())
                            .arg(wide.memoryBytes())));
    slim.release();
    QVERIFY(slim.memoryBytes() <= 16 * 16);
}

void TestStringIndex::poolPastOffsetWidth_data() {
    QTest::addColumn<int>("bits");
    QTest::newRow("32 bits") << 32;
    // Ends wrap every 16 bytes, as they do every 4 GiB: strings shorter and
    // far longer than that, and lines taken over whole.
    QTest::newRow("4 bits") << 4;
}

void TestStringIndex::poolPastOffsetWidth() {
    QFETCH(int, bits);
    std::vector<std::string> strings;
    for (int i = 0; i < 200; ++i)
        strings.push_back(std::string(std::size_t(i * 37 % 53), char('a' + i % 26)));
    StringPool pool(bits);
    for (const std::string& s : strings)
        pool.append(std::string_view(s));
    QCOMPARE(pool.count(), qsizetype(strings.size()));
    for (std::size_t i = 0; i < strings.size(); ++i)
        QCOMPARE(pool.view(qsizetype(i)), std::string_view(strings[i]));
    const StringPool copy = pool;
    QCOMPARE(copy.view(150), std::string_view(strings[150]));

    std::string text;
    for (const std::string& s : strings)
        text += s + "\r\n";
    StringPool lines(bits);
    lines.adoptLines(std::move(text));
    QCOMPARE(lines.count(), qsizetype(strings.size()));
    for (std::size_t i = 0; i < strings.size(); ++i)
        QCOMPARE(lines.view(qsizetype(i)), std::string_view(strings[i]));
    lines.clear();
    lines.append(std::string_view("after"));
    QCOMPARE(lines.view(0), std::string_view("after"));
}

QTEST_GUILESS_MAIN(TestStringIndex)
#include "tst_stringindex.moc"
