#pragma once

#include "text/fileerror.h"

#include <QByteArray>
#include <QChar>
#include <QLocale>
#include <QString>

#include <memory>

class FrequencyTable;
class PhraseTable;
class TextTable;
struct AnalysisLabels;
struct AnalysisOverview;

// Writes a results table as a CSV file: UTF-8 with a byte order mark, one
// record per table row, every record ended by CR LF.
namespace CsvWriter {

// The locale's list separator. Qt has none, so the Windows rule stands in
// for it: ";" where the decimal separator is a comma, "," otherwise.
QChar localeSeparator(const QLocale& locale = QLocale());

// The value enclosed in double quotes, its own quotes doubled, when it
// holds the separator or a double quote; otherwise the value unchanged.
QString csvField(const QString& value, QChar separator);

// The whole file content in memory.
QByteArray toCsv(const TextTable& table, QChar separator);

// Creates or replaces the file with the content, which is streamed into
// a temporary file first (a device or a pipe is written directly). On
// failure returns false, sets error to what failed on the file and the
// system's reason, and leaves no partial file; a file that was there
// stays as it was.
bool write(const TextTable& table, const QString& path, QChar separator,
           FileError* error = nullptr);

// The same for the tables of a run, with the labels and numbers of the
// caller's language and locale: the command-line tool passes English labels,
// a window its translated ones.
bool write(const AnalysisOverview& overview, const AnalysisLabels& labels, const QLocale& locale,
           const QString& path, QChar separator, FileError* error = nullptr);
bool write(const FrequencyTable& table, const QString& itemHeader, const QString& occurrenceHeader,
           const QLocale& locale, const QString& path, QChar separator, FileError* error = nullptr);
bool write(const PhraseTable& table, const QString& path, QChar separator,
           FileError* error = nullptr);

// A CSV file written a record at a time, for a table read once from a
// stream: the same bytes as write() makes of the same rows, through a
// temporary file that replaces the target on commit(). A failure leaves no
// partial file.
class Stream {
public:
    Stream(const QString& path, QChar separator);
    ~Stream();
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    bool open(FileError* error = nullptr);
    // Appends row `row` of the table as one record.
    bool append(const TextTable& table, int row, FileError* error = nullptr);
    bool commit(FileError* error = nullptr);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// The file name to suggest for an export with the given tag: when caption
// is the path of an existing file, its name without the last extension,
// "_", the tag and ".csv"; otherwise the tag and ".csv".
QString suggestedExportName(const QString& caption, const QString& tag);

} // namespace CsvWriter
