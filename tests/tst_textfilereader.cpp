#include "analysis/engine/textlines.h"
#include "import/linebreakstyle.h"
#include "import/utf8piecereader.h"
#include "testfiles.h"
#include "text/ansicodepage.h"
#include "text/textfile.h"
#include "text/wtf8.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TstTextFileReader : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void encodings_data();
    void encodings();
    void lineBreaks_data();
    void lineBreaks();
    void sliceBoundaries_data();
    void sliceBoundaries();
    void defaultLocale();
    void byteOrderMarkNoted_data();
    void byteOrderMarkNoted();
    void unreadable_data();
    void unreadable();
    void piecesMatchTheWholeText_data();
    void piecesMatchTheWholeText();

    void codePageForLocale_data();
    void codePageForLocale();
    void encodeAndDecode_data();
    void encodeAndDecode();

private:
    QString write(const QByteArray& bytes) {
        const QString path = dir.filePath(QStringLiteral("text.txt"));
        TestFiles::write(path, bytes);
        return path;
    }
    static QStringList linesOf(const TextLines& lines) {
        QStringList out;
        for (qsizetype i = 0; i < lines.count(); ++i)
            out.append(lines.line(i));
        return out;
    }
    static QByteArray utf16(const QString& text, bool bigEndian) {
        QByteArray out(bigEndian ? "\xFE\xFF" : "\xFF\xFE");
        for (QChar c : text) {
            const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
            out.append(bigEndian ? hi : lo).append(bigEndian ? lo : hi);
        }
        return out;
    }

    QTemporaryDir dir;
};

void TstTextFileReader::encodings_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("expected");

    const QString emoji = QString::fromUcs4(U"\U0001F600");
    const QString lone = QString(QChar(0xD83D));

    QTest::newRow("UTF-8") << "Gr\xC3\xBC\xC3\x9F"
                              "e\n\xD0\xBF\xD1\x80\xD0\xB8"_qba
                           << "ru_RU" << QStringList{"Grüße", "при"};
    QTest::newRow("UTF-8 with BOM") << "\xEF\xBB\xBF\xC3\xA7"
                                       "a\r\nb"_qba
                                    << "en_US" << QStringList{"ça", "b"};
    QTest::newRow("UTF-8, four-byte character") << "a\xF0\x9F\x98\x80"_qba
                                                << "en_US" << QStringList{"a" + emoji};
    QTest::newRow("UTF-8, NUL bytes kept")
        << "a\0b\nc"_qba
        << "en_US" << QStringList{QString("a") + QChar(0) + "b", "c"};
    QTest::newRow("UTF-16 LE") << utf16(u"Grüße\r\n"_s + emoji + u"x\rб"_s, false) << "en_US"
                               << QStringList{"Grüße", emoji + "x", "б"};
    QTest::newRow("UTF-16 BE") << utf16(u"Grüße\r\n"_s + emoji + u"x\nб"_s, true) << "en_US"
                               << QStringList{"Grüße", emoji + "x", "б"};
    QTest::newRow("UTF-16 LE, unpaired surrogate kept")
        << utf16(lone + u"a\n"_s + lone, false) << "en_US" << QStringList{lone + "a", lone};
    QTest::newRow("UTF-16 LE, odd last byte dropped") << utf16(u"ab"_s, false) + "c"
                                                      << "en_US" << QStringList{"ab"};
    QTest::newRow("UTF-16 BOM only") << utf16(QString(), false) << "en_US" << QStringList{};
    QTest::newRow("windows-1252, English") << "caf\xE9 \x80 na\xEFve\r\n\x81"_qba
                                           << "en_US" << QStringList{"café € naïve", "\u0081"};
    QTest::newRow("windows-1252, C locale") << "\xE0 la"_qba
                                            << "C" << QStringList{"à la"};
    QTest::newRow("windows-1251, Russian") << "\xCF\xF0\xE8\xE2\xE5\xF2\n\xB8\xE6"_qba
                                           << "ru_RU" << QStringList{"Привет", "ёж"};
    QTest::newRow("windows-1250, Polish") << "\xB9\x9C\xBF"_qba
                                          << "pl_PL" << QStringList{"ąśż"};
    QTest::newRow("Shift-JIS, Japanese") << "\x93\xFA\x96\x7B\r\n\x82\xA0"_qba
                                         << "ja_JP" << QStringList{"日本", "あ"};
    QTest::newRow("same bytes, other locale") << "\xCF\xF0\xE8"_qba
                                              << "en_US" << QStringList{"Ïðè"};
    QTest::newRow("invalid UTF-8 falls back to ANSI") << "ok \xC3\xA9 \xE9"_qba
                                                      << "en_US" << QStringList{"ok Ã© é"};
    QTest::newRow("encoded surrogate is not UTF-8") << "\xED\xA0\x80"_qba
                                                    << "en_US" << QStringList{"í\u00A0€"};
    QTest::newRow("overlong form is not UTF-8") << "\xC0\xAF"_qba
                                                << "en_US" << QStringList{"À¯"};
    QTest::newRow("truncated sequence is not UTF-8") << "x\xC3"_qba
                                                     << "en_US" << QStringList{"xÃ"};
    QTest::newRow("BOM selects UTF-8 over ANSI") << "\xEF\xBB\xBF"
                                                    "a\xFF\xC3\xA7\nb"_qba
                                                 << "en_US" << QStringList{"a\uFFFDç", "b"};
}

void TstTextFileReader::encodings() {
    QFETCH(QByteArray, file);
    QFETCH(QString, locale);
    QFETCH(QStringList, expected);

    TextLines lines;
    QString error;
    QVERIFY2(lines.readFile(write(file), &error, QLocale(locale)), qPrintable(error));
    QCOMPARE(linesOf(lines), expected);
    QVERIFY(lines.trailingBreak());
}

void TstTextFileReader::lineBreaks_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("CR LF") << "one\r\ntwo"_qba << QStringList{"one", "two"};
    QTest::newRow("LF") << "one\ntwo"_qba << QStringList{"one", "two"};
    QTest::newRow("CR") << "one\rtwo"_qba << QStringList{"one", "two"};
    QTest::newRow("mixed") << "a\r\nb\nc\rd"_qba << QStringList{"a", "b", "c", "d"};
    QTest::newRow("LF CR is two breaks") << "a\n\rb"_qba << QStringList{"a", "", "b"};
    QTest::newRow("CR CR LF") << "a\r\r\nb"_qba << QStringList{"a", "", "b"};
    QTest::newRow("final break starts no line") << "a\r\nb\r\n"_qba << QStringList{"a", "b"};
    QTest::newRow("final CR") << "a\r"_qba << QStringList{"a"};
    QTest::newRow("two final breaks") << "a\n\n"_qba << QStringList{"a", ""};
    QTest::newRow("empty lines") << "\n\na\n\nb"_qba << QStringList{"", "", "a", "", "b"};
    QTest::newRow("break only") << "\r\n"_qba << QStringList{""};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
    QTest::newRow("BOM only") << "\xEF\xBB\xBF"_qba << QStringList{};
    QTest::newRow("ANSI, mixed") << "\xE9\r\n\xE8\r\r\xEA\n"_qba << QStringList{"é", "è", "", "ê"};
    QTest::newRow("UTF-16, mixed")
        << utf16(u"é\r\nè\r\rê\n"_s, false) << QStringList{"é", "è", "", "ê"};
}

void TstTextFileReader::lineBreaks() {
    QFETCH(QByteArray, file);
    QFETCH(QStringList, expected);

    TextLines lines;
    QString error;
    QVERIFY2(lines.readFile(write(file), &error, QLocale("en_US")), qPrintable(error));
    QCOMPARE(linesOf(lines), expected);
    QVERIFY(lines.trailingBreak());
}

// The decoders work in slices; a character split between two of them must
// come out whole, wherever the boundary falls.
void TstTextFileReader::sliceBoundaries_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("expected");

    const QString emoji = QString::fromUcs4(U"\U0001F600");
    for (int prefix : {32766, 32767, 32768, 65535}) {
        const QString text = QString(prefix, u'a') + emoji + u"b\u00E9"_s;
        QTest::addRow("UTF-16 LE, %d", prefix) << utf16(text, false) << text;
        QTest::addRow("UTF-16 BE, %d", prefix) << utf16(text, true) << text;
        QTest::addRow("UTF-8 with BOM and a bad byte, %d", prefix)
            << "\xEF\xBB\xBF"_qba + text.toUtf8() + "\xFF" << text + QChar(0xFFFD);
    }
    QTest::newRow("Shift-JIS, long")
        << QByteArray(70001, 'a') + "\x93\xFA" << QString(70001, u'a') + u"日"_s;

    // Large files are read and checked in two halves side by side.
    const int half = 4 << 20;
    const QString across = QString(half - 2, u'a') + emoji + QString(half, u'b');
    QTest::newRow("UTF-8 halves, a character across the middle") << across.toUtf8() << across;
    QTest::newRow("UTF-8 halves, a bad byte at the end")
        << "\xEF\xBB\xBF"_qba + across.toUtf8() + "\xFF" << across + QChar(0xFFFD);
    const QByteArray stray = QByteArray(half, 'a') + "\x80" + QByteArray(half, 'b');
    QTest::newRow("UTF-8 halves, a stray continuation byte at the middle")
        << "\xEF\xBB\xBF"_qba + stray
        << QString(half, u'a') + QChar(0xFFFD) + QString(half, u'b');
}

void TstTextFileReader::sliceBoundaries() {
    QFETCH(QByteArray, file);
    QFETCH(QString, expected);

    TextLines lines;
    QString error;
    QVERIFY2(lines.readFile(write(file), &error, QLocale("ja_JP")), qPrintable(error));
    QCOMPARE(lines.count(), 1);
    QCOMPARE(lines.line(0), expected);
    // A split pair would still read back as the same QString, but its bytes
    // would be two lone surrogates instead of one four-byte sequence.
    const std::string_view bytes = lines.lineBytes(0);
    QCOMPARE(QByteArray(bytes.data(), qsizetype(bytes.size())), expected.toUtf8());
}

void TstTextFileReader::defaultLocale() {
    QLocale::setDefault(QLocale("ru_RU"));
    TextLines lines;
    QVERIFY(lines.readFile(write("\xE4\xE0"_qba), nullptr));
    QCOMPARE(linesOf(lines), QStringList{"да"});
}

// Save As writes a byte-order mark only when the loaded file had one.
void TstTextFileReader::byteOrderMarkNoted_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("marked");

    QTest::newRow("UTF-8") << "\xC3\xA7"_qba << false;
    QTest::newRow("UTF-8 with BOM") << "\xEF\xBB\xBF\xC3\xA7"_qba << true;
    QTest::newRow("UTF-8 BOM, invalid bytes") << "\xEF\xBB\xBF\xFF"_qba << true;
    QTest::newRow("UTF-16 LE") << utf16(u"ç"_s, false) << true;
    QTest::newRow("UTF-16 BE") << utf16(u"ç"_s, true) << true;
    QTest::newRow("ANSI") << "\xE7"_qba << false;
    QTest::newRow("BOM only") << "\xEF\xBB\xBF"_qba << true;
}

void TstTextFileReader::byteOrderMarkNoted() {
    QFETCH(QByteArray, file);
    QFETCH(bool, marked);

    TextFile::Text text;
    text.byteOrderMark = !marked;
    QVERIFY(TextFile::read(write(file), text, nullptr, QLocale("en_US")));
    QCOMPARE(text.byteOrderMark, marked);
}

void TstTextFileReader::unreadable_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason");

    QTest::newRow("missing file") << "missing.txt"
                                  << "No such file or directory";
    QTest::newRow("directory") << "folder"
                               << "directory";
    QTest::newRow("no permission") << "locked.txt"
                                   << "Permission denied";
}

void TstTextFileReader::unreadable() {
    QFETCH(QString, name);
    QFETCH(QString, reason);

    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath("folder"));
    const QString path = dir.filePath(name);
    if (name == "locked.txt") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("x");
        file.close();
        QVERIFY(file.setPermissions(QFileDevice::Permissions()));
        if (file.open(QIODevice::ReadOnly)) QSKIP("permissions are not enforced for this user");
    }

    TextLines lines;
    lines.append(u"kept");
    QString error;
    QVERIFY(!lines.readFile(path, &error, QLocale("en_US")));
    QVERIFY2(error.contains(path), qPrintable(error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    QCOMPARE(linesOf(lines), QStringList{"kept"});
}

void TstTextFileReader::piecesMatchTheWholeText_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("utf8");
    const QByteArray mixed = "one\r\ntwo\nthree\rfour\r\n\r\n"
                             "caf\xC3\xA9 \xF0\x9F\x98\x80 \xE2\x80\x99x\r";
    QTest::newRow("CR LF, LF, CR, multi-byte") << mixed << true;
    QTest::newRow("byte-order mark") << "\xEF\xBB\xBF" + mixed << true;
    QTest::newRow("line separators") << QByteArray("a\xE2\x80\xA8"
                                                   "b\xE2\x80\xA8\xE2\x80\xA8"
                                                   "c")
                                     << true;
    QTest::newRow("LF only") << QByteArray("a\nb\n\nc\n") << true;
    QTest::newRow("NUL bytes") << QByteArray("a\0b\r\n\0", 7) << true;
    QTest::newRow("short byte-order mark alone") << QByteArray("\xEF\xBB") << false;
    QTest::newRow("byte-order mark alone") << QByteArray("\xEF\xBB\xBF") << true;
    QTest::newRow("empty") << QByteArray() << true;
    QTest::newRow("sequence cut at the end") << QByteArray("abc\xE2\x80") << false;
    QTest::newRow("invalid in the middle") << "abc\r\n" + QByteArray(40, 'x') + "\xFF" << false;
    QTest::newRow("UTF-16") << QByteArray("\xFF\xFE"
                                          "a",
                                          4)
                            << false;
}

// Whatever the piece size, the pieces joined give what reading the whole
// text, noting its breaks and turning them into LF gives.
void TstTextFileReader::piecesMatchTheWholeText() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, utf8);
    QTemporaryDir dir;
    const QString path = dir.filePath("t.txt");
    TestFiles::write(path, bytes);

    TextFile::Text whole;
    QVERIFY(TextFile::read(path, whole, nullptr));
    const LineBreakStyle::Style style = LineBreakStyle::detect(whole.utf8);
    LineBreakStyle::toLf(whole.utf8);

    for (std::size_t size : {1, 2, 3, 5, 7, 64, 1 << 20}) {
        std::string joined;
        FileError error;
        const Utf8PieceReader::Result r = Utf8PieceReader::read(
            path, [&](std::string_view piece) { joined.append(piece); }, &error, size);
        const QByteArray row = QByteArray("piece size ") + QByteArray::number(qulonglong(size));
        if (!utf8) {
            QVERIFY2(r.outcome == Utf8PieceReader::Outcome::NotUtf8, row);
            continue;
        }
        QVERIFY2(r.outcome == Utf8PieceReader::Outcome::Read, row);
        QVERIFY2(joined == whole.utf8, row);
        QVERIFY2(r.byteOrderMark == whole.byteOrderMark, row);
        QVERIFY2(r.style == style, row);
        QVERIFY2(r.utf16Length == Wtf8::utf16Length(whole.utf8), row);
        QVERIFY2(r.lineFeeds == std::uint64_t(std::count(joined.begin(), joined.end(), '\n')), row);
    }
    FileError error;
    const Utf8PieceReader::Result missing = Utf8PieceReader::read(
        dir.filePath("missing.txt"), [](std::string_view) {}, &error);
    QVERIFY(missing.outcome == Utf8PieceReader::Outcome::Failed);
    QCOMPARE(error.action, FileError::Action::Open);
    QCOMPARE(error.path, dir.filePath("missing.txt"));
}

void TstTextFileReader::codePageForLocale_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<int>("codePage");

    const QList<std::pair<const char*, int>> cases = {
        {"C", 1252},     {"en_US", 1252},      {"de_DE", 1252},      {"fr_FR", 1252},
        {"pt_BR", 1252}, {"hi_IN", 1252},      {"cs_CZ", 1250},      {"pl_PL", 1250},
        {"hu_HU", 1250}, {"sk_SK", 1250},      {"sl_SI", 1250},      {"hr_HR", 1250},
        {"ro_RO", 1250}, {"sq_AL", 1250},      {"bs_BA", 1250},      {"sr_Latn_RS", 1250},
        {"sr_RS", 1251}, {"bs_Cyrl_BA", 1251}, {"ru_RU", 1251},      {"uk_UA", 1251},
        {"bg_BG", 1251}, {"be_BY", 1251},      {"mk_MK", 1251},      {"kk_KZ", 1251},
        {"ky_KG", 1251}, {"tt_RU", 1251},      {"mn_MN", 1251},      {"el_GR", 1253},
        {"tr_TR", 1254}, {"az_AZ", 1254},      {"az_Cyrl_AZ", 1251}, {"uz_UZ", 1254},
        {"he_IL", 1255}, {"ar_EG", 1256},      {"fa_IR", 1256},      {"ur_PK", 1256},
        {"et_EE", 1257}, {"lv_LV", 1257},      {"lt_LT", 1257},      {"vi_VN", 1258},
        {"th_TH", 874},  {"ja_JP", 932},       {"zh_CN", 936},       {"zh_SG", 936},
        {"zh_TW", 950},  {"zh_HK", 950},       {"ko_KR", 949},
    };
    for (const auto& [name, codePage] : cases)
        QTest::newRow(name) << QString(name) << codePage;
}

void TstTextFileReader::codePageForLocale() {
    QFETCH(QString, locale);
    QFETCH(int, codePage);

    QCOMPARE(AnsiCodePage::forLocale(QLocale(locale)), codePage);
}

void TstTextFileReader::encodeAndDecode_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("codePage");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("decoded");

    QTest::newRow("1252") << "Grüße €" << 1252
                          << "Gr\xFC\xDF"
                             "e \x80"_qba
                          << "Grüße €";
    QTest::newRow("1251") << "Привет" << 1251 << "\xCF\xF0\xE8\xE2\xE5\xF2"_qba
                          << "Привет";
    QTest::newRow("932") << "日本" << 932 << "\x93\xFA\x96\x7B"_qba
                         << "日本";
    QTest::newRow("unmappable becomes ?") << "a日b" << 1252 << "a?b"_qba
                                          << "a?b";
    QTest::newRow("UTF-8") << "ç" << AnsiCodePage::Utf8 << "\xC3\xA7"_qba
                           << "ç";
    QTest::newRow("empty") << "" << 1252 << QByteArray() << "";
}

void TstTextFileReader::encodeAndDecode() {
    QFETCH(QString, text);
    QFETCH(int, codePage);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, decoded);

    QCOMPARE(AnsiCodePage::encode(text, codePage), bytes);
    QCOMPARE(AnsiCodePage::decode(bytes, codePage), decoded);
}

QTEST_GUILESS_MAIN(TstTextFileReader)
#include "tst_textfilereader.moc"
