#include "import/textfilewriter.h"
#include "testfiles.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TstTextFileWriter : public QObject {
    Q_OBJECT

private slots:
    void write_data();
    void write();
    void missingFolder();

private:
    QTemporaryDir dir;
};

void TstTextFileWriter::write_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("separator");
    QTest::addColumn<bool>("byteOrderMark");
    QTest::addColumn<QByteArray>("file");

    // An empty editor hands over a view without a buffer.
    QTest::newRow("empty") << QByteArray() << "\r\n"_qba << false << QByteArray();
    QTest::newRow("empty, byte-order mark")
        << QByteArray() << "\r\n"_qba << true << "\xEF\xBB\xBF"_qba;
    QTest::newRow("LF becomes CR LF") << "a\nb"_qba
                                      << "\r\n"_qba << false << "a\r\nb"_qba;
    QTest::newRow("final break written") << "a\n\n"_qba
                                         << "\r\n"_qba << true
                                         << "\xEF\xBB\xBF"
                                            "a\r\n\r\n"_qba;
    QTest::newRow("final CR") << "a\r"_qba
                              << "\r\n"_qba << false << "a\r\n"_qba;
    QTest::newRow("each kind of break is one") << "a\r\nb\rc\nd\n\re"_qba
                                               << "\n"_qba << false << "a\nb\nc\nd\n\ne"_qba;
    QTest::newRow("U+2028 written, not read")
        << "a\n\xE2\x80\xA8"_qba
        << "\xE2\x80\xA8"_qba << false << "a\xE2\x80\xA8\xE2\x80\xA8"_qba;
}

void TstTextFileWriter::write() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, separator);
    QFETCH(bool, byteOrderMark);
    QFETCH(QByteArray, file);

    const QString path = dir.filePath(u"out.txt"_s);
    TestFiles::write(path, "old contents");
    const std::string_view utf8 =
        text.isNull() ? std::string_view() : std::string_view(text.constData(), text.size());
    FileError error;
    QVERIFY2(TextFileWriter::write(path, utf8,
                                   std::string_view(separator.constData(), separator.size()),
                                   byteOrderMark, &error),
             qPrintable(FileErrorText::text(error)));
    QCOMPARE(TestFiles::read(path), file);
}

void TstTextFileWriter::missingFolder() {
    const QString path = dir.filePath(u"gone/out.txt"_s);
    FileError error;
    QVERIFY(!TextFileWriter::write(path, "a", "\r\n", false, &error));
    QCOMPARE(error.action, FileError::Action::Create);
    QCOMPARE(error.path, path);
    QVERIFY2(error.detail.contains(u"No such file or directory"_s),
             qPrintable(FileErrorText::text(error)));
}

QTEST_GUILESS_MAIN(TstTextFileWriter)
#include "tst_textfilewriter.moc"
