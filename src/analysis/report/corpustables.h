#pragma once

#include "analysis/corpus/corpusstream.h"
#include "analysis/engine/analysisresults.h"
#include "analysis/report/analysistext.h"

#include <QChar>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <utility>

struct FileError;
namespace CsvWriter {
class Stream;
}

// The corpus's own labels beside the run's, English by default.
struct CorpusLabels {
    AnalysisLabels analysis;
    QString files = QStringLiteral("Files:");
    QString filesHeader = QStringLiteral("Files");
};

// Writes a corpus stream as its seven tables, as CSV files like those of a
// single text, with the number of files added: a last Overview row
// "Files:" and a last column "Files" in the Character, Word and Line tables
// and the phrase lists (in how many files the item occurs). Unique counts,
// percentages and the "more than once" rule of the phrase lists are applied
// here, as the rows go by.
class CorpusTables : public CorpusSink {
public:
    // The seven files in the order Overview, Char, Word, Line, 2-Phrase,
    // 3-Phrase and 4-Phrase; with none, the stream is only counted for the
    // overview. A failed write throws CorpusError and leaves no partial
    // file.
    CorpusTables(const QStringList& paths, QChar separator, const QLocale& locale = QLocale(),
                 const CorpusLabels& labels = CorpusLabels());
    ~CorpusTables() override;

    void begin(const CorpusHeader& header) override;
    void beginSection(CorpusSection section) override;
    void add(const CorpusEntry& entry) override;
    void endSection(CorpusSection section) override;
    void finish() override;

    // Once finished: the overview's counts and the number of files.
    const AnalysisOverview& overview() const { return overview_; }
    std::uint64_t files() const { return files_; }
    // The settings the stream was counted with.
    const CorpusSettings& settings() const { return settings_; }

    // The Overview's label and value rows, "Files:" last.
    static QList<std::pair<QString, QString>> overviewRows(const AnalysisOverview& overview,
                                                           std::uint64_t files,
                                                           const CorpusLabels& labels,
                                                           const QLocale& locale = QLocale());

private:
    [[noreturn]] void fail(const FileError& error);

    QStringList paths_;
    QChar separator_;
    QLocale locale_;
    CorpusLabels labels_;
    QString point_;
    bool plainDigits_ = true;
    CorpusSettings settings_;
    CorpusTotals totals_;
    AnalysisOverview overview_;
    std::uint64_t files_ = 0;
    CorpusSection section_ = CorpusSection::Characters;
    std::uint64_t unique_ = 0;
    std::unique_ptr<CsvWriter::Stream> stream_;
};
