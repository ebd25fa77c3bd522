#pragma once

#include "analysis/corpus/corpusstream.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

class CorpusCounts;
class QTemporaryDir;
class TextLines;

// Counts a corpus file by file within a memory limit: when the counts
// outgrow their share of it, they are written as a sorted partial run into
// a temporary folder and counting goes on afresh; at the end the runs and
// the counts still in memory are merged. The tables of a corpus are thus
// always those of partial results merged.
class CorpusRun {
public:
    explicit CorpusRun(const CorpusSettings& settings, bool withPhrases = true);
    ~CorpusRun();

    // The memory the run aims to stay within. The counts take up to half
    // of it: sorting them for a run adds about half as much again, and the
    // file being counted needs room of its own.
    void setMemoryLimit(std::uint64_t bytes) { memoryLimit_ = bytes; }
    std::uint64_t memoryLimit() const { return memoryLimit_; }
    // Half of the machine's memory, or less where the process is held to
    // less (an address-space limit, a control group).
    static std::uint64_t defaultMemoryLimit();
    // Where the runs go (default: the system's temporary folder).
    void setTemporaryFolder(const QString& folder) { temporaryFolder_ = folder; }

    // Counts one file's lines. A file that cannot be counted throws a
    // std::exception before anything of it is added, and the run goes on.
    // CorpusError means the run cannot go on: a run could not be written,
    // or memory ran out while the counts were being added.
    void addText(const TextLines& lines);

    std::uint64_t files() const;
    int runsWritten() const { return runsWritten_; }

    // Writes the whole corpus into the sink.
    void finish(CorpusSink& sink);

private:
    void writeRun();
    QString runPath();
    // Merges the partials into one, in their order, where one would be
    // written; throws as writeRun() does.
    void mergeRuns(const QStringList& runs, const QString& path);
    [[noreturn]] void runFailed(const CorpusError& error);

    CorpusSettings settings_;
    std::unique_ptr<CorpusCounts> counts_;
    std::uint64_t memoryLimit_;
    QString temporaryFolder_;
    std::unique_ptr<QTemporaryDir> folder_;
    QStringList runs_;
    int runsWritten_ = 0;
    std::uint64_t filesInRuns_ = 0;
    std::uint64_t bytesInRuns_ = 0;
};
