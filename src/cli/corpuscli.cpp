#include "cli/corpuscli.h"

#include "analysis/corpus/corpusfiles.h"
#include "analysis/corpus/corpusmerge.h"
#include "analysis/corpus/corpusrun.h"
#include "analysis/corpus/partialreader.h"
#include "analysis/corpus/partialwriter.h"
#include "analysis/engine/listcollator.h"
#include "analysis/engine/textlines.h"
#include "analysis/report/analysistext.h"
#include "analysis/report/corpustables.h"
#include "cli/cliconsole.h"
#include "cli/clitext.h"
#include "cli/tableset.h"
#include "import/documentreader.h"
#include "text/fileerror.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

using CliText::quoted;

namespace {

const QString CorpusName = QStringLiteral("corpus");
const QString FilesFromName = QStringLiteral("files-from");
const QString ListFilesName = QStringLiteral("list-files");
const QString PartialName = QStringLiteral("partial");
const QString MergeName = QStringLiteral("merge");
const QString MemoryName = QStringLiteral("memory");

std::string engineName(PdfTextExtractor::Engine engine) {
    return engine == PdfTextExtractor::Engine::Tool ? "xpdf" : "pdfium";
}

// The tags of the seven tables, in the order the tables are written.
const QStringList Tags = {"Overview", "Char", "Word", "Line", "2-Phrase", "3-Phrase", "4-Phrase"};

} // namespace

const QList<QCommandLineOption>& CorpusCli::options() {
    static const QList<QCommandLineOption> list = {
        QCommandLineOption(
            CorpusName,
            QStringLiteral("Count all FILEs together as one corpus: folders stand for their "
                           ".txt and .pdf files at any depth, in byte order of their paths. "
                           "Prints the corpus's overview, with --out writes its tables as "
                           "corpus_Word.csv and so on, each with a column of the number of "
                           "files an item occurs in.")),
        QCommandLineOption(FilesFromName,
                           QStringLiteral("With --corpus, also take the files named in LIST, "
                                          "one a line (- for standard input)."),
                           QStringLiteral("LIST")),
        QCommandLineOption(ListFilesName,
                           QStringLiteral("With --corpus, print its files, one a line, and "
                                          "exit.")),
        QCommandLineOption(PartialName,
                           QStringLiteral("With --corpus or --merge, write the counts as a "
                                          "partial result into OUT instead of tables."),
                           QStringLiteral("OUT")),
        QCommandLineOption(MergeName,
                           QStringLiteral("Add up the partial results given as FILEs, the "
                                          "first one's files first, as --corpus over all "
                                          "their files would count them.")),
        QCommandLineOption(MemoryName,
                           QStringLiteral("With --corpus, stay within about MB megabytes: "
                                          "counts beyond are written to the temporary folder "
                                          "and merged at the end (default: half of the "
                                          "machine's memory)."),
                           QStringLiteral("MB")),
    };
    return list;
}

bool CorpusCli::isWanted(const QCommandLineParser& parser) {
    for (const QCommandLineOption& option : options())
        if (parser.isSet(option)) return true;
    return false;
}

CorpusCli::CorpusCli(CliConsole& console, const QString& wordCharacters,
                     const std::string& collation, QChar separator, bool quiet,
                     PdfTextExtractor& pdf, PdfTextExtractor::Engine pdfEngine)
    : console_(console), wordCharacters_(wordCharacters), collation_(collation),
      separator_(separator), quiet_(quiet), pdf_(pdf), pdfEngine_(pdfEngine) {}

int CorpusCli::run(const QCommandLineParser& parser) {
    if (!checkOptions(parser)) return 2;
    outDir_ = parser.value(QStringLiteral("out"));
    partial_ = parser.value(PartialName);
    const int code = parser.isSet(MergeName) ? mergePartials(parser) : countCorpus(parser);
    return console_.outputFailed() ? 1 : code;
}

bool CorpusCli::checkOptions(const QCommandLineParser& parser) {
    const bool corpus = parser.isSet(CorpusName), merge = parser.isSet(MergeName);
    if (corpus && merge) {
        console_.usageError(QStringLiteral("--corpus and --merge exclude each other."));
        return false;
    }
    for (const QString& name : {FilesFromName, ListFilesName, MemoryName}) {
        if (parser.isSet(name) && !corpus) {
            console_.usageError(QStringLiteral("--%1 goes with --corpus.").arg(name));
            return false;
        }
    }
    if (parser.isSet(PartialName)) {
        if (!corpus && !merge) {
            console_.usageError(QStringLiteral("--partial goes with --corpus or --merge."));
            return false;
        }
        if (parser.value(PartialName).isEmpty()) {
            console_.usageError(QStringLiteral("--partial needs a file."));
            return false;
        }
        if (parser.isSet(QStringLiteral("out"))) {
            console_.usageError(QStringLiteral("--partial and --out exclude each other."));
            return false;
        }
    }
    if (parser.isSet(MemoryName)) {
        bool ok = false;
        const qulonglong megabytes = parser.value(MemoryName).toULongLong(&ok);
        if (!ok || megabytes < 1 || megabytes > (qulonglong(1) << 40)) {
            console_.usageError(QStringLiteral("--memory needs a whole number of megabytes "
                                               "above 0."));
            return false;
        }
    }
    if (merge && parser.positionalArguments().isEmpty()) {
        console_.usageError(QStringLiteral("No partial result given."));
        return false;
    }
    if (corpus && parser.positionalArguments().isEmpty() && !parser.isSet(FilesFromName)) {
        console_.usageError(QStringLiteral("No file given."));
        return false;
    }
    return true;
}

bool CorpusCli::fileList(const QCommandLineParser& parser, QStringList* files) {
    QStringList paths = parser.positionalArguments();
    bool complete = true;
    for (const QString& list : parser.values(FilesFromName)) {
        QString reason;
        const bool read = list == u"-" ? CorpusFiles::readList(stdin, &paths, &reason)
                                       : CorpusFiles::readList(list, &paths, &reason);
        if (!read) {
            console_.printError(CliText::escapedMessage(
                FileErrorText::text(FileError::system(
                    FileError::Action::Read, list == u"-" ? QStringLiteral("-") : list, reason)),
                list));
            complete = false;
        }
    }
    QStringList errors;
    *files = CorpusFiles::expand(paths, &errors);
    for (const QString& error : std::as_const(errors)) {
        console_.printError(error);
        complete = false;
    }
    return complete;
}

int CorpusCli::countCorpus(const QCommandLineParser& parser) {
    QStringList files;
    bool allDone = fileList(parser, &files);
    if (parser.isSet(ListFilesName)) {
        QString list;
        for (const QString& file : std::as_const(files))
            list += file + u'\n';
        console_.writeOutput(list);
        return allDone ? 0 : 1;
    }

    const std::unique_ptr<ListCollator> collator = collation_.empty()
                                                       ? std::make_unique<ListCollator>(QLocale())
                                                       : ListCollator::forIcuLocale(collation_);
    const CorpusSettings settings =
        CorpusSettings::of(*collator, wordCharacters_, engineName(pdfEngine_));
    // The overview alone needs no phrases.
    const bool withPhrases = !outDir_.isEmpty() || !partial_.isEmpty();
    CorpusRun corpus(settings, withPhrases);
    if (parser.isSet(MemoryName))
        corpus.setMemoryLimit(parser.value(MemoryName).toULongLong() << 20);

    const auto convert = DocumentReader::converter(pdf_, pdfEngine_);
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QString& path = files[i];
        showProgress(std::uint64_t(i), std::uint64_t(files.size()), path);
        // Read as a single file's run reads it.
        TextLines lines;
        lines.setTrailingBreak(true);
        FileError error;
        DocumentReader::Document document;
        if (!DocumentReader::read(path, convert, document, &error)) {
            const QString message = CliText::escapedMessage(FileErrorText::text(error), path);
            console_.printError(DocumentReader::isPdf(path)
                                    ? QStringLiteral("%1: %2").arg(quoted(path), message)
                                    : message);
            allDone = false;
            continue;
        }
        lines.adoptUtf8Text(std::move(document.utf8));
        try {
            corpus.addText(lines);
        } catch (const CorpusError& e) {
            console_.printError(
                QStringLiteral("%1: %2").arg(quoted(path), CliText::exceptionText(e)));
            return 1;
        } catch (const std::bad_alloc&) {
            console_.printError(QStringLiteral("not enough memory to count %1").arg(quoted(path)));
            allDone = false;
        } catch (const std::exception& e) {
            console_.printError(
                QStringLiteral("%1: %2").arg(quoted(path), CliText::exceptionText(e)));
            allDone = false;
        }
    }
    console_.clearProgress();

    const bool written = writeTables([&](CorpusSink& sink) { corpus.finish(sink); });
    return written && allDone ? 0 : 1;
}

int CorpusCli::mergePartials(const QCommandLineParser& parser) {
    std::vector<std::unique_ptr<PartialReader>> readers;
    std::vector<CorpusSource*> sources;
    try {
        for (const QString& path : parser.positionalArguments()) {
            readers.push_back(std::make_unique<PartialReader>(path));
            sources.push_back(readers.back().get());
        }
    } catch (const CorpusError& e) {
        console_.printError(e.message());
        return 1;
    }
    // Classes and order come from the collator's sort keys: partials
    // counted otherwise cannot be added up.
    const PartialReader& first = *readers.front();
    for (const auto& reader : readers) {
        const CorpusSettings::Difference difference =
            first.header().settings.differenceFrom(reader->header().settings);
        if (difference.what.isEmpty()) continue;
        console_.printError(
            QStringLiteral("Cannot merge %1 with %2: they differ in the %3, %4 in %2 "
                           "and %5 in %1.")
                .arg(quoted(reader->path()), quoted(first.path()), difference.what,
                     quoted(difference.ours), quoted(difference.theirs)));
        return 1;
    }
    if (!sameAsGiven(parser, first.header().settings, first.path())) return 1;
    return writeTables([&](CorpusSink& sink) { CorpusMerge::merge(sources, sink); }) ? 0 : 1;
}

bool CorpusCli::sameAsGiven(const QCommandLineParser& parser, const CorpusSettings& settings,
                            const QString& partial) {
    // Options given with --merge cannot change what the partials counted.
    CorpusSettings given = settings;
    if (parser.isSet(QStringLiteral("word-chars")) || parser.isSet(QStringLiteral("preset")))
        given.wordCharacters = wordCharacters_;
    if (parser.isSet(QStringLiteral("locale"))) {
        const std::unique_ptr<ListCollator> collator =
            collation_.empty() ? std::make_unique<ListCollator>(QLocale())
                               : ListCollator::forIcuLocale(collation_);
        given.collation = collator->localeName();
    }
    if (parser.isSet(QStringLiteral("pdf-engine"))) given.pdfEngine = engineName(pdfEngine_);
    const CorpusSettings::Difference difference = settings.differenceFrom(given);
    if (difference.what.isEmpty()) return true;
    console_.printError(
        QStringLiteral("Cannot merge %1 as asked: it differs in the %2, %3 in %1 and "
                       "%4 given.")
            .arg(quoted(partial), difference.what, quoted(difference.ours),
                 quoted(difference.theirs)));
    return false;
}

bool CorpusCli::writeTables(const std::function<void(CorpusSink&)>& write) {
    // What went wrong while the stream was written, in words.
    auto failure = [](const QString& what) {
        try {
            throw;
        } catch (const std::bad_alloc&) {
            return QStringLiteral("not enough memory to write %1").arg(what);
        } catch (const std::exception& e) {
            return CliText::exceptionText(e);
        }
    };
    if (!partial_.isEmpty()) {
        try {
            PartialWriter writer(partial_);
            write(writer);
        } catch (const std::exception&) {
            console_.printError(CliText::escapedMessage(failure(quoted(partial_)), partial_));
            return false;
        }
        return true;
    }

    if (!outDir_.isEmpty() && !QDir().mkpath(outDir_)) {
        console_.printError(QStringLiteral("Cannot create the folder %1.").arg(quoted(outDir_)));
        return false;
    }
    // The seven tables are one set, as a single file's are.
    const TableSet set = outDir_.isEmpty() ? TableSet(QDir(), QString(), {})
                                           : TableSet(QDir(outDir_), CorpusName, Tags);
    CorpusTables tables(set.parts(), separator_, QLocale());
    try {
        write(tables);
    } catch (const std::exception&) {
        console_.printError(set.targetNamed(failure(QStringLiteral("the corpus's tables"))));
        set.discard();
        return false;
    }
    const bool allWritten = set.replaceTargets(console_);

    const AnalysisOverview& overview = tables.overview();
    if (tables.files() > 0 && overview.totalWords == 0)
        console_.printError(CliText::plainBreaks(
            AnalysisText::noWordsMessage(AnalysisLabels(), tables.settings().wordCharacters)));
    if (!quiet_) {
        const auto rows =
            CorpusTables::overviewRows(overview, tables.files(), CorpusLabels(), QLocale());
        qsizetype width = 0;
        for (const auto& row : rows)
            width = qMax(width, row.first.size());
        QString block;
        for (const auto& [label, value] : rows)
            block += label.leftJustified(width) + QStringLiteral("  ") + value + u'\n';
        console_.writeOutput(block);
    }
    return allWritten;
}

void CorpusCli::showProgress(std::uint64_t file, std::uint64_t files, const QString& path) {
    const QString line = QStringLiteral("[%1/%2] %3")
                             .arg(file + 1)
                             .arg(files)
                             .arg(CliText::shownName(QFileInfo(path).fileName()));
    console_.showProgress(line);
}
