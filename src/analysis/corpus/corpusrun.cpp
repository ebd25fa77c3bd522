#include "analysis/corpus/corpusrun.h"

#include "analysis/corpus/corpuscounts.h"
#include "analysis/corpus/corpusmerge.h"
#include "analysis/corpus/partialreader.h"
#include "analysis/corpus/partialwriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <fstream>
#include <new>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

namespace {

// Runs beyond what may be open at once (half the process's file
// descriptors, at most 512) are first merged into one; every merge reads
// all it merges once more.
int maxRuns() {
    rlimit files{};
    long open = 1024;
    if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur != RLIM_INFINITY)
        open = long(files.rlim_cur);
    return int(std::clamp<long>(open / 2 - 16, 2, 512));
}

// The memory limit of the process's control group, or 0.
std::uint64_t groupLimit() {
    std::ifstream cgroup("/proc/self/cgroup");
    std::string line;
    while (std::getline(cgroup, line)) {
        if (!line.starts_with("0::")) continue;
        std::ifstream max("/sys/fs/cgroup" + line.substr(3) + "/memory.max");
        std::string value;
        if (max >> value && value != "max") {
            try {
                return std::stoull(value);
            } catch (const std::exception&) {
            }
        }
    }
    return 0;
}

} // namespace

CorpusRun::CorpusRun(const CorpusSettings& settings, bool withPhrases)
    : settings_(settings), counts_(std::make_unique<CorpusCounts>(settings, withPhrases)),
      memoryLimit_(defaultMemoryLimit()), temporaryFolder_(QDir::tempPath()) {}

CorpusRun::~CorpusRun() = default;

std::uint64_t CorpusRun::defaultMemoryLimit() {
    const long pages = ::sysconf(_SC_PHYS_PAGES), pageSize = ::sysconf(_SC_PAGE_SIZE);
    std::uint64_t limit = pages > 0 && pageSize > 0
                              ? std::uint64_t(pages) * std::uint64_t(pageSize) / 2
                              : std::uint64_t(1) << 30;
    // Under a limit of its own, the process takes three quarters of it: the
    // rest is for the program, its libraries and its threads.
    rlimit space{};
    if (::getrlimit(RLIMIT_AS, &space) == 0 && space.rlim_cur != RLIM_INFINITY)
        limit = std::min<std::uint64_t>(limit, std::uint64_t(space.rlim_cur) / 4 * 3);
    if (const std::uint64_t group = groupLimit())
        limit = std::min<std::uint64_t>(limit, group / 4 * 3);
    return std::max<std::uint64_t>(limit, std::uint64_t(64) << 20);
}

std::uint64_t CorpusRun::files() const {
    return filesInRuns_ + counts_->files();
}

void CorpusRun::addText(const TextLines& lines) {
    try {
        counts_->addText(lines);
    } catch (const std::bad_alloc&) {
        if (counts_->broken())
            throw CorpusError(QStringLiteral("not enough memory to add up the counts; a lower "
                                             "--memory writes them to disk sooner"));
        throw;
    } catch (const AnalysisError& e) {
        if (counts_->broken())
            throw CorpusError(QStringLiteral("the counts could not be added up:"), e);
        throw;
    } catch (const std::exception& e) {
        if (counts_->broken())
            throw CorpusError(QStringLiteral("the counts could not be added up: %1")
                                  .arg(QString::fromLocal8Bit(e.what())));
        throw;
    }
    if (counts_->memoryBytes() > memoryLimit_ / 2) writeRun();
}

void CorpusRun::runFailed(const CorpusError& e) {
    throw CorpusError(
        QStringLiteral("%1 The counts of a corpus beyond its memory limit are written to the "
                       "temporary folder \"%2\", which needs about as much free disk as they "
                       "take (%3 MB so far); TMPDIR names another folder.")
            .arg(e.message(), folder_->path())
            .arg(bytesInRuns_ >> 20),
        e.diskFull());
}

QString CorpusRun::runPath() {
    if (!folder_) {
        folder_ = std::make_unique<QTemporaryDir>(
            QDir(temporaryFolder_).filePath(QStringLiteral("lexometer-corpus-XXXXXX")));
        if (!folder_->isValid()) {
            const QString reason = folder_->errorString();
            folder_.reset();
            throw CorpusError(QStringLiteral("Cannot create a temporary folder in \"%1\". %2")
                                  .arg(temporaryFolder_, reason));
        }
    }
    return folder_->filePath(QStringLiteral("run-%1.part").arg(++runsWritten_));
}

void CorpusRun::writeRun() {
    const QString path = runPath();
    const std::uint64_t files = counts_->files();
    try {
        const std::unique_ptr<CorpusSource> counts = counts_->takeSorted();
        PartialWriter writer(path, PartialWriter::Kind::Run);
        CorpusMerge::merge({counts.get()}, writer);
        bytesInRuns_ += writer.size();
    } catch (const CorpusError& e) {
        runFailed(e);
    }
    runs_.append(path);
    filesInRuns_ += files;
    if (runs_.size() >= maxRuns()) {
        const QString merged = runPath();
        mergeRuns(runs_, merged);
        for (const QString& run : std::as_const(runs_))
            QFile::remove(run);
        runs_ = {merged};
    }
}

void CorpusRun::mergeRuns(const QStringList& runs, const QString& path) {
    std::vector<std::unique_ptr<PartialReader>> readers;
    std::vector<CorpusSource*> sources;
    for (const QString& run : runs) {
        readers.push_back(std::make_unique<PartialReader>(run));
        sources.push_back(readers.back().get());
    }
    try {
        PartialWriter writer(path, PartialWriter::Kind::Run);
        CorpusMerge::merge(sources, writer);
        bytesInRuns_ += writer.size();
    } catch (const CorpusError& e) {
        runFailed(e);
    }
}

void CorpusRun::finish(CorpusSink& sink) {
    std::vector<std::unique_ptr<PartialReader>> readers;
    std::vector<CorpusSource*> sources;
    for (const QString& run : std::as_const(runs_)) {
        readers.push_back(std::make_unique<PartialReader>(run));
        sources.push_back(readers.back().get());
    }
    const std::unique_ptr<CorpusSource> counts = counts_->takeSorted();
    if (counts->header().totals.files > 0 || sources.empty()) sources.push_back(counts.get());
    CorpusMerge::merge(sources, sink);
}
