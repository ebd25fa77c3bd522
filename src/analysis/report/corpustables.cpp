#include "analysis/report/corpustables.h"

#include "analysis/engine/stringpool.h"
#include "analysis/report/csvwriter.h"
#include "analysis/report/numberformat.h"
#include "analysis/report/texttable.h"
#include "text/fileerror.h"
#include "text/wtf8.h"

#include <charconv>

namespace {

void appendNumber(QByteArray& out, std::uint64_t value) {
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end - digits);
}

// One row of fixed texts: a header, or the Overview.
class TextRows : public TextTable {
public:
    explicit TextRows(QList<QStringList> rows) : rows_(std::move(rows)) {}
    int rowCount() const override { return int(rows_.size()); }
    int columnCount() const override { return rows_.isEmpty() ? 0 : int(rows_[0].size()); }
    QString cell(int row, int column) const override { return rows_[row][column]; }

private:
    QList<QStringList> rows_;
};

// One entry as a table row: the item, its count, its percentage (not for
// phrases) and its number of files, with the cells the single-text tables
// write.
class EntryRow : public TextTable {
public:
    EntryRow(const CorpusEntry& entry, bool withPercent, std::uint64_t total, const QLocale& locale,
             const QString& point, bool plainDigits)
        : entry_(entry), withPercent_(withPercent), total_(total), locale_(locale), point_(point),
          plainDigits_(plainDigits) {}
    int rowCount() const override { return 1; }
    int columnCount() const override { return withPercent_ ? 4 : 3; }

    QString cell(int, int column) const override {
        if (column == 0) return Wtf8::toQString(entry_.text);
        if (column == 1) return QString::number(entry_.count);
        if (withPercent_ && column == 2)
            return NumberFormat::formatPercent(percent(), locale_, point_, plainDigits_);
        return QString::number(entry_.files);
    }

    bool appendCellUtf8(int, int column, QByteArray& out) const override {
        if (column == 0) return StringPool::appendUtf8(entry_.text, out);
        if (column == 1) {
            appendNumber(out, entry_.count);
            return true;
        }
        if (withPercent_ && column == 2) {
            long long hundredths;
            if (!plainDigits_ || !NumberFormat::percentHundredths(percent(), &hundredths))
                return false;
            appendNumber(out, std::uint64_t(hundredths / 100));
            out.append(point_.toUtf8());
            const int cents = int(hundredths % 100);
            out.append(char('0' + cents / 10));
            out.append(char('0' + cents % 10));
            return true;
        }
        appendNumber(out, entry_.files);
        return true;
    }

private:
    // As a frequency table computes it.
    double percent() const { return double(entry_.count) * 100.0 / double(total_); }

    const CorpusEntry& entry_;
    bool withPercent_;
    std::uint64_t total_;
    const QLocale& locale_;
    const QString& point_;
    bool plainDigits_;
};

} // namespace

CorpusTables::CorpusTables(const QStringList& paths, QChar separator, const QLocale& locale,
                           const CorpusLabels& labels)
    : paths_(paths), separator_(separator), locale_(locale), labels_(labels),
      point_(locale.decimalPoint()), plainDigits_(locale.zeroDigit() == QLatin1String("0")) {}

CorpusTables::~CorpusTables() = default;

void CorpusTables::fail(const FileError& error) {
    stream_.reset();
    throw CorpusError(FileErrorText::text(error));
}

void CorpusTables::begin(const CorpusHeader& header) {
    settings_ = header.settings;
    totals_ = header.totals;
    files_ = header.totals.files;
    overview_ = AnalysisOverview();
    overview_.fileSize = qint64(header.totals.fileSize);
    overview_.totalCharacters = header.totals.counts[int(CorpusSection::Characters)];
    overview_.totalWords = header.totals.counts[int(CorpusSection::Words)];
    overview_.totalLines = header.totals.counts[int(CorpusSection::Lines)];
}

void CorpusTables::beginSection(CorpusSection section) {
    section_ = section;
    unique_ = 0;
    if (paths_.isEmpty()) return;
    stream_ = std::make_unique<CsvWriter::Stream>(paths_[int(section) + 1], separator_);
    FileError error;
    if (!stream_->open(&error)) fail(error);
    if (isPhraseSection(section)) return;
    const QString item = section == CorpusSection::Characters ? labels_.analysis.character
                         : section == CorpusSection::Words    ? labels_.analysis.word
                                                              : labels_.analysis.line;
    const TextRows header(
        {{item, labels_.analysis.occurrence, QStringLiteral("%"), labels_.filesHeader}});
    if (!stream_->append(header, 0, &error)) fail(error);
}

void CorpusTables::add(const CorpusEntry& entry) {
    ++unique_;
    if (!stream_) return;
    const bool phrases = isPhraseSection(section_);
    // Phrase lists show what occurs more than once in the whole corpus.
    if (phrases && entry.count < 2) return;
    const EntryRow row(entry, !phrases, totals_.counts[int(section_)], locale_, point_,
                       plainDigits_);
    FileError error;
    if (!stream_->append(row, 0, &error)) fail(error);
}

void CorpusTables::endSection(CorpusSection section) {
    switch (section) {
    case CorpusSection::Characters:
        overview_.uniqueCharacters = unique_;
        break;
    case CorpusSection::Words:
        overview_.uniqueWords = unique_;
        break;
    case CorpusSection::Lines:
        overview_.uniqueLines = unique_;
        break;
    default:
        break;
    }
    if (!stream_) return;
    FileError error;
    if (!stream_->commit(&error)) fail(error);
    stream_.reset();
}

void CorpusTables::finish() {
    if (paths_.isEmpty()) return;
    QList<QStringList> rows;
    for (const auto& [label, value] : overviewRows(overview_, files_, labels_, locale_))
        rows.append({label, value});
    FileError error;
    if (!CsvWriter::write(TextRows(rows), paths_[0], separator_, &error)) fail(error);
}

QList<std::pair<QString, QString>> CorpusTables::overviewRows(const AnalysisOverview& overview,
                                                              std::uint64_t files,
                                                              const CorpusLabels& labels,
                                                              const QLocale& locale) {
    QList<std::pair<QString, QString>> rows;
    for (int row = 0; row < AnalysisText::OverviewRows; ++row)
        rows.append({AnalysisText::overviewLabel(row, labels.analysis),
                     AnalysisText::overviewValue(overview, row, labels.analysis, locale)});
    rows.append({labels.files, NumberFormat::formatCount(qint64(files), locale)});
    return rows;
}
