#include "text/linesplitter.h"

#include <QTest>

#include <cstring>
#include <string>
#include <string_view>

using namespace Qt::StringLiterals;
using LineSplitter::Breaks;
using LineSplitter::FinalBreak;

class TstLineSplitter : public QObject {
    Q_OBJECT

private slots:
    void split_data();
    void split();
    void linesAsStrings();
    void emptyViewWithoutBuffer();
};

namespace {

QByteArrayList splitBytes(std::string_view text, FinalBreak finalBreak, Breaks breaks) {
    QByteArrayList out;
    LineSplitter::forEachLine(
        text,
        [&](std::size_t begin, std::size_t end) {
            out.append(QByteArray(text.data() + begin, qsizetype(end - begin)));
        },
        finalBreak, breaks);
    return out;
}

} // namespace

void TstLineSplitter::split_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("lineSeparator");    // U+2028 breaks too
    QTest::addColumn<QByteArrayList>("ended");  // a final break ends the last line
    QTest::addColumn<QByteArrayList>("opened"); // it starts an empty one

    const QByteArray ls = "\xE2\x80\xA8"_qba;
    QTest::newRow("empty") << QByteArray() << false << QByteArrayList{} << QByteArrayList{""};
    QTest::newRow("no break") << "a"_qba << false << QByteArrayList{"a"} << QByteArrayList{"a"};
    QTest::newRow("final LF") << "a\n"_qba << false << QByteArrayList{"a"}
                              << QByteArrayList{"a", ""};
    QTest::newRow("final CR LF") << "a\r\n"_qba << false << QByteArrayList{"a"}
                                 << QByteArrayList{"a", ""};
    QTest::newRow("final CR") << "a\r"_qba << false << QByteArrayList{"a"}
                              << QByteArrayList{"a", ""};
    QTest::newRow("break only") << "\r\n"_qba << false << QByteArrayList{""}
                                << QByteArrayList{"", ""};
    QTest::newRow("CR LF, LF and CR")
        << "a\r\nb\nc\rd"_qba << false << QByteArrayList{"a", "b", "c", "d"}
        << QByteArrayList{"a", "b", "c", "d"};
    QTest::newRow("LF CR is two breaks")
        << "a\n\rb"_qba << false << QByteArrayList{"a", "", "b"} << QByteArrayList{"a", "", "b"};
    QTest::newRow("CR CR LF is two breaks")
        << "a\r\r\nb"_qba << false << QByteArrayList{"a", "", "b"} << QByteArrayList{"a", "", "b"};
    QTest::newRow("empty lines kept") << "\n\na\n\n"_qba << false << QByteArrayList{"", "", "a", ""}
                                      << QByteArrayList{"", "", "a", "", ""};
    QTest::newRow("NUL is text") << "a\0b\nc"_qba << false << QByteArrayList{"a\0b"_qba, "c"}
                                 << QByteArrayList{"a\0b"_qba, "c"};
    QTest::newRow("U+2028 is text unless asked")
        << "a" + ls + "b" << false << QByteArrayList{"a" + ls + "b"}
        << QByteArrayList{"a" + ls + "b"};
    QTest::newRow("U+2028 breaks when asked")
        << "a" + ls + "b" + ls << true << QByteArrayList{"a", "b"} << QByteArrayList{"a", "b", ""};
    QTest::newRow("U+2028 beside CR LF")
        << "a" + ls + "\r\nb\r" + ls << true << QByteArrayList{"a", "", "b", ""}
        << QByteArrayList{"a", "", "b", "", ""};
    // Same lead byte: a right quote, U+2029, and a separator cut short.
    QTest::newRow("other E2 sequences are text")
        << "\xE2\x80\x99x\xE2\x80\xA9y\xE2\x80"_qba << true
        << QByteArrayList{"\xE2\x80\x99x\xE2\x80\xA9y\xE2\x80"_qba}
        << QByteArrayList{"\xE2\x80\x99x\xE2\x80\xA9y\xE2\x80"_qba};
}

// Each row also runs the way the string pool and the editor use the
// splitter: lines moved to the front of the same buffer while it goes on.
void TstLineSplitter::split() {
    QFETCH(QByteArray, text);
    QFETCH(bool, lineSeparator);
    QFETCH(QByteArrayList, ended);
    QFETCH(QByteArrayList, opened);
    const Breaks breaks = lineSeparator ? Breaks::WithLineSeparator : Breaks::CrLf;
    const std::string_view view(text.constData(), std::size_t(text.size()));

    QCOMPARE(splitBytes(view, FinalBreak::EndsLastLine, breaks), ended);
    QCOMPARE(splitBytes(view, FinalBreak::StartsEmptyLine, breaks), opened);

    std::string buffer(view);
    char* const base = buffer.data();
    std::size_t written = 0;
    QByteArrayList moved;
    LineSplitter::forEachLine(
        buffer,
        [&](std::size_t begin, std::size_t end) {
            std::memmove(base + written, base + begin, end - begin);
            moved.append(QByteArray(base + written, qsizetype(end - begin)));
            written += end - begin;
        },
        FinalBreak::StartsEmptyLine, breaks);
    QCOMPARE(moved, opened);
}

void TstLineSplitter::linesAsStrings() {
    const std::string_view text("\xC3\xA7"
                                "a\r\n\xD0\xB1\n");
    QCOMPARE(LineSplitter::lines(text), (QStringList{u"ça"_s, u"б"_s}));
    QCOMPARE(LineSplitter::lines(text, FinalBreak::StartsEmptyLine),
             (QStringList{u"ça"_s, u"б"_s, QString()}));
}

// An empty view has no buffer at all; handing its null pointer to memchr or
// memcpy is undefined behaviour, which this test's sanitizer turns into a
// failure.
void TstLineSplitter::emptyViewWithoutBuffer() {
    const std::string_view empty;
    QVERIFY(empty.data() == nullptr);
    for (const Breaks breaks : {Breaks::CrLf, Breaks::WithLineSeparator}) {
        QCOMPARE(splitBytes(empty, FinalBreak::EndsLastLine, breaks), QByteArrayList{});
        QCOMPARE(splitBytes(empty, FinalBreak::StartsEmptyLine, breaks), QByteArrayList{""});
    }
}

QTEST_GUILESS_MAIN(TstLineSplitter)
#include "tst_linesplitter.moc"
