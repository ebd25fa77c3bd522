#include "analysis/report/csvwriter.h"
#include "analysis/report/texttable.h"
#include "filesizelimit.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A table of fixed cells, all rows as wide as the first; with `utf8`, it
// gives its well-formed cells as UTF-8 as well, as the results' tables do.
class ListTable : public TextTable {
public:
    ListTable(QList<QStringList> rows = {}, int columns = 0, bool utf8 = false)
        : rows_(std::move(rows)), columns_(columns ? columns : int(rows_.value(0).size())),
          utf8_(utf8) {}
    int rowCount() const override { return int(rows_.size()); }
    int columnCount() const override { return columns_; }
    QString cell(int row, int column) const override { return rows_.at(row).at(column); }
    bool appendCellUtf8(int row, int column, QByteArray& out) const override {
        const QString& text = rows_.at(row).at(column);
        if (!utf8_ || !text.isValidUtf16()) return false;
        out.append(text.toUtf8());
        return true;
    }

private:
    QList<QStringList> rows_;
    int columns_;
    bool utf8_;
};

// Many rows made up on demand, to cross the writer's chunk boundaries; read
// by two threads at once unless told otherwise.
class LargeTable : public TextTable {
public:
    explicit LargeTable(int rows, bool concurrent = true) : rows_(rows), concurrent_(concurrent) {}
    int rowCount() const override { return rows_; }
    int columnCount() const override { return 3; }
    bool concurrentReads() const override { return concurrent_; }
    QString cell(int row, int column) const override {
        switch (column) {
        case 0:
            return row % 7 == 0 ? QStringLiteral("\"q\" %1, \u00E9").arg(row)
                                : QStringLiteral("word%1").arg(row);
        case 1:
            return QString::number(row);
        default:
            return QStringLiteral("%1.50").arg(row % 100);
        }
    }

private:
    int rows_;
    bool concurrent_;
};

const QByteArray Bom("\xEF\xBB\xBF");

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class TstCsvWriter : public QObject {
    Q_OBJECT

private slots:
    void localeSeparator_data();
    void localeSeparator();
    void field_data();
    void field();
    void content_data();
    void content();
    void writeMatchesContent_data();
    void writeMatchesContent();
    void writeReplacesExistingFile();
    void writeFailure_data();
    void writeFailure();
    void failedWriteKeepsOldFile_data();
    void failedWriteKeepsOldFile();
    void pipeWrittenInPlace();
    void streamMatchesWrite_data();
    void streamMatchesWrite();
    void failedStreamKeepsOldFile();
    void suggestedName_data();
    void suggestedName();

private:
    QTemporaryDir dir_;
};

void TstCsvWriter::localeSeparator_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QChar>("separator");
    QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates) << QChar(u',');
    QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany) << QChar(u';');
    QTest::newRow("fr_FR") << QLocale(QLocale::French, QLocale::France) << QChar(u';');
    QTest::newRow("tr_TR") << QLocale(QLocale::Turkish, QLocale::Turkey) << QChar(u';');
    QTest::newRow("C") << QLocale::c() << QChar(u',');
}

void TstCsvWriter::localeSeparator() {
    QFETCH(QLocale, locale);
    QFETCH(QChar, separator);
    QCOMPARE(CsvWriter::localeSeparator(locale), separator);
}

void TstCsvWriter::field_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QString>("expected");
    QTest::newRow("thousands separator, comma") << "1,234" << QChar(u',') << "\"1,234\"";
    QTest::newRow("thousands separator, semicolon") << "1,234" << QChar(u';') << "1,234";
    QTest::newRow("semicolon separator inside") << "a;b" << QChar(u';') << "\"a;b\"";
    QTest::newRow("quotation") << "He said \"hi\" twice" << QChar(u',')
                               << "\"He said \"\"hi\"\" twice\"";
    QTest::newRow("quote and separator") << "\"a\",b" << QChar(u',') << "\"\"\"a\"\",b\"";
    QTest::newRow("separator alone") << "," << QChar(u',') << "\",\"";
    QTest::newRow("quote alone") << "\"" << QChar(u',') << "\"\"\"\"";
    QTest::newRow("quote, other separator") << "\"" << QChar(u';') << "\"\"\"\"";
    QTest::newRow("empty") << "" << QChar(u',') << "";
    QTest::newRow("leading and trailing spaces") << "  x  " << QChar(u',') << "  x  ";
    QTest::newRow("space alone") << " " << QChar(u',') << " ";
    QTest::newRow("tab") << "\ta\t" << QChar(u',') << "\ta\t";
    QTest::newRow("apostrophe") << "it's" << QChar(u',') << "it's";
    QTest::newRow("tab separator") << "a\tb" << QChar(u'\t') << "\"a\tb\"";
}

void TstCsvWriter::field() {
    QFETCH(QString, value);
    QFETCH(QChar, separator);
    QFETCH(QString, expected);
    QCOMPARE(CsvWriter::csvField(value, separator), expected);
}

void TstCsvWriter::content_data() {
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("empty phrase list") << QList<QStringList>{} << QChar(u',') << Bom;
    QTest::newRow("phrase list") << QList<QStringList>{{"New York", "2"}, {"the cat", "12"}}
                                 << QChar(u',') << Bom + "New York,2\r\nthe cat,12\r\n";
    QTest::newRow("header only") << QList<QStringList>{{"Word", "Occurrence", "%"}} << QChar(u',')
                                 << Bom + "Word,Occurrence,%\r\n";
    QTest::newRow("empty line first")
        << QList<QStringList>{{"Line", "Occurrence", "%"}, {"", "3", "12.50"}} << QChar(u',')
        << Bom + "Line,Occurrence,%\r\n,3,12.50\r\n";
    QTest::newRow("separator and quote characters")
        << QList<QStringList>{{"Character", "Occurrence", "%"},
                              {" ", "8", "19.05"},
                              {",", "1", "2.38"},
                              {"\"", "2", "4.76"}}
        << QChar(u',')
        << Bom + "Character,Occurrence,%\r\n ,8,19.05\r\n\",\",1,2.38\r\n\"\"\"\",2,4.76\r\n";
    QTest::newRow("overview, comma")
        << QList<QStringList>{{"File Size:", "1,234 (bytes)"}, {"Total Words:", "7"}} << QChar(u',')
        << Bom + "File Size:,\"1,234 (bytes)\"\r\nTotal Words:,7\r\n";
    QTest::newRow("overview, semicolon")
        << QList<QStringList>{{"File Size:", "1.234 (bytes)"}, {"Lines; all", "1,5"}} << QChar(u';')
        << Bom + "File Size:;1.234 (bytes)\r\n\"Lines; all\";1,5\r\n";
    QTest::newRow("quotation line") << QList<QStringList>{{"She said \"no\".", "1", "50.00"}}
                                    << QChar(u',') << Bom + "\"She said \"\"no\"\".\",1,50.00\r\n";
    QTest::newRow("non-ASCII as UTF-8")
        << QList<QStringList>{{QStringLiteral("\u00E9t\u00E9"), "1"},
                              {QStringLiteral("\u05D0"), "2"},
                              {QStringLiteral("\U0001F600"), "3"}}
        << QChar(u',') << Bom + "\xC3\xA9t\xC3\xA9,1\r\n\xD7\x90,2\r\n\xF0\x9F\x98\x80,3\r\n";
    // Half of a surrogate pair on each side of a field boundary must not be
    // joined into one character.
    QTest::newRow("split surrogate pair")
        << QList<QStringList>{{QString(QChar(0xD83D)), QString(QChar(0xDE00))}} << QChar(u',')
        << Bom + "\xEF\xBF\xBD,\xEF\xBF\xBD\r\n";
}

void TstCsvWriter::content() {
    QFETCH(QList<QStringList>, rows);
    QFETCH(QChar, separator);
    QFETCH(QByteArray, expected);
    // Cells given as text and cells given as UTF-8 are quoted alike.
    for (const bool utf8 : {false, true}) {
        const ListTable table(rows, rows.isEmpty() ? 2 : 0, utf8);
        QCOMPARE(CsvWriter::toCsv(table, separator), expected);
    }
}

void TstCsvWriter::writeMatchesContent_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("concurrent");
    QTest::newRow("no rows") << 0 << true;
    QTest::newRow("one row") << 1 << true;
    QTest::newRow("several chunks, one thread") << 120000 << false;
    // Blocks of rows alternate between two threads; an odd count ends on
    // the writer's own.
    QTest::newRow("several chunks, two threads") << 120000 << true;
    QTest::newRow("odd number of blocks, two threads") << 9 * 16384 + 5 << true;
}

void TstCsvWriter::writeMatchesContent() {
    QFETCH(int, rows);
    QFETCH(bool, concurrent);
    QVERIFY(dir_.isValid());
    const LargeTable table(rows, concurrent);
    const QString path = dir_.filePath(QStringLiteral("large.csv"));
    FileError error;
    QVERIFY2(CsvWriter::write(table, path, u',', &error), qPrintable(FileErrorText::text(error)));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    const QByteArray expected = CsvWriter::toCsv(table, u',');
    QCOMPARE(written.size(), expected.size());
    QVERIFY(written == expected);
    QVERIFY(written.startsWith(Bom));
    QCOMPARE(written.count("\r\n"), qsizetype(rows));
}

void TstCsvWriter::writeReplacesExistingFile() {
    QVERIFY(dir_.isValid());
    const QString path = dir_.filePath(QStringLiteral("replace.csv"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(5000, 'x'));
    old.close();

    QVERIFY(CsvWriter::write(ListTable(QList<QStringList>{{"a", "1"}}), path, u',', nullptr));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), Bom + "a,1\r\n");
}

void TstCsvWriter::writeFailure_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("needsNonRoot");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<FileError::Action>("action");
    QTest::newRow("missing folder")
        << dir_.filePath(QStringLiteral("no such folder/Word.csv")) << false
        << "No such file or directory" << FileError::Action::Create;
    QTest::newRow("read-only folder") << dir_.filePath(QStringLiteral("locked/Word.csv")) << true
                                      << "Permission denied" << FileError::Action::Create;
    QTest::newRow("path is a folder") << dir_.path() << false << "" << FileError::Action::Create;
    if (QFile::exists(QStringLiteral("/dev/full")))
        QTest::newRow("device full")
            << "/dev/full" << false << "No space left on device" << FileError::Action::Write;
}

void TstCsvWriter::writeFailure() {
    QFETCH(QString, path);
    QFETCH(bool, needsNonRoot);
    QFETCH(QString, reason);
    QFETCH(FileError::Action, action);
    QVERIFY(dir_.isValid());
    if (needsNonRoot) {
        if (geteuid() == 0) QSKIP("Running as root: a read-only folder does not stop writing.");
        const QString locked = QFileInfo(path).path();
        QVERIFY(QDir().mkpath(locked));
        QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    }

    // Enough rows that a full device fails while writing, not only at the end.
    const LargeTable table(100000);
    FileError error;
    QVERIFY(!CsvWriter::write(table, path, u',', &error));
    const QString message = FileErrorText::text(error);
    QCOMPARE(error.action, action);
    QCOMPARE(error.path, path);
    QCOMPARE(error.reason, FileError::Reason::System);
    QVERIFY2(error.detail.contains(reason), qPrintable(message));
    QVERIFY2(!error.detail.isEmpty(), qPrintable(message));
    // No partial table at the path; a device stays a device.
    QVERIFY(!QFileInfo(path).isFile());
}

void TstCsvWriter::failedWriteKeepsOldFile_data() {
    QTest::addColumn<QByteArray>("old");
    QTest::newRow("new file") << QByteArray();
    QTest::newRow("replacing a file") << QByteArray("old table\r\n");
}

void TstCsvWriter::failedWriteKeepsOldFile() {
    QFETCH(QByteArray, old);
    const QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Word.csv"));
    if (!old.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(old);
    }

    // The table fails well past its first chunk.
    const LargeTable table(200000);
    FileError error;
    bool written;
    {
        const FileSizeLimit limit(1536 * 1024);
        written = CsvWriter::write(table, path, u',', &error);
    }
    QVERIFY(!written);
    QCOMPARE(error.action, FileError::Action::Write);
    QCOMPARE(error.path, path);
    QVERIFY2(error.detail.contains(QStringLiteral("File too large")),
             qPrintable(FileErrorText::text(error)));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             old.isEmpty() ? QStringList() : QStringList{QStringLiteral("Word.csv")});
    if (!old.isEmpty()) QCOMPARE(readAll(path), old);
}

void TstCsvWriter::pipeWrittenInPlace() {
    // A file that is not a plain file is written as it is, not replaced by
    // a new plain file.
    const QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("pipe"));
    const QByteArray name = QFile::encodeName(path);
    QCOMPARE(mkfifo(name.constData(), 0600), 0);
    // Open for reading first, so that the writer does not wait; the table
    // fits into the pipe's buffer, so nothing needs to read meanwhile.
    const int fd = open(name.constData(), O_RDONLY | O_NONBLOCK);
    QVERIFY(fd >= 0);
    const LargeTable table(1000);
    FileError error;
    const bool written = CsvWriter::write(table, path, u',', &error);
    QByteArray received;
    char chunk[4096];
    for (ssize_t got; (got = read(fd, chunk, sizeof chunk)) > 0;)
        received.append(chunk, got);
    close(fd);
    QVERIFY2(written, qPrintable(FileErrorText::text(error)));
    QCOMPARE(received, CsvWriter::toCsv(table, u','));
    struct stat info {};
    QCOMPARE(stat(name.constData(), &info), 0);
    QVERIFY(S_ISFIFO(info.st_mode));
}

void TstCsvWriter::streamMatchesWrite_data() {
    QTest::addColumn<int>("rows");
    QTest::newRow("no rows") << 0;
    QTest::newRow("one row") << 1;
    QTest::newRow("several chunks") << 120000;
}

void TstCsvWriter::streamMatchesWrite() {
    // A table written record by record, as a corpus's tables are, has the
    // bytes of the same table written whole; the target appears only once
    // it is complete.
    QFETCH(int, rows);
    const QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const LargeTable table(rows);
    const QString path = dir.filePath(QStringLiteral("stream.csv"));
    FileError error;
    CsvWriter::Stream stream(path, u',');
    QVERIFY2(stream.open(&error), qPrintable(FileErrorText::text(error)));
    for (int row = 0; row < rows; ++row)
        QVERIFY2(stream.append(table, row, &error), qPrintable(FileErrorText::text(error)));
    QVERIFY(!QFile::exists(path));
    QVERIFY2(stream.commit(&error), qPrintable(FileErrorText::text(error)));
    QVERIFY(readAll(path) == CsvWriter::toCsv(table, u','));
}

void TstCsvWriter::failedStreamKeepsOldFile() {
    const QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Word.csv"));
    TestFiles::write(path, "old table\r\n");
    const LargeTable table(200000);
    FileError error;
    bool written = true;
    {
        const FileSizeLimit limit(1536 * 1024);
        CsvWriter::Stream stream(path, u',');
        written = stream.open(&error);
        for (int row = 0; row < table.rowCount() && written; ++row)
            written = stream.append(table, row, &error);
        if (written) written = stream.commit(&error);
    }
    QVERIFY(!written);
    QCOMPARE(error.action, FileError::Action::Write);
    QCOMPARE(error.path, path);
    QVERIFY2(error.detail.contains(QStringLiteral("File too large")),
             qPrintable(FileErrorText::text(error)));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("Word.csv")});
    QCOMPARE(readAll(path), QByteArray("old table\r\n"));
}

void TstCsvWriter::suggestedName_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("expected");
    QVERIFY(dir_.isValid());
    const auto existing = [this](const QString& relative) {
        const QString path = dir_.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        return path;
    };

    QTest::newRow("text file") << existing("report.txt") << "Word"
                               << "report_Word.csv";
    QTest::newRow("last extension only") << existing("archive.tar.gz") << "Char"
                                         << "archive.tar_Char.csv";
    QTest::newRow("no extension") << existing("README") << "Line"
                                  << "README_Line.csv";
    QTest::newRow("dot in folder name") << existing("v1.2/notes") << "Overview"
                                        << "notes_Overview.csv";
    QTest::newRow("characters kept")
        << existing(QStringLiteral("my report (\u00E9t\u00E9) #2.txt")) << "2-Phrase"
        << QStringLiteral("my report (\u00E9t\u00E9) #2_2-Phrase.csv");
    QTest::newRow("PDF file") << existing("Book.PDF") << "4-Phrase"
                              << "Book_4-Phrase.csv";
    QTest::newRow("window caption") << "Analysis Results"
                                    << "Overview"
                                    << "Overview.csv";
    QTest::newRow("missing file") << dir_.filePath("gone.txt") << "3-Phrase"
                                  << "3-Phrase.csv";
    QTest::newRow("folder") << dir_.path() << "Word"
                            << "Word.csv";
    QTest::newRow("empty caption") << ""
                                   << "Char"
                                   << "Char.csv";
}

void TstCsvWriter::suggestedName() {
    QFETCH(QString, caption);
    QFETCH(QString, tag);
    QFETCH(QString, expected);
    QCOMPARE(CsvWriter::suggestedExportName(caption, tag), expected);
}

QTEST_GUILESS_MAIN(TstCsvWriter)
#include "tst_csvwriter.moc"
