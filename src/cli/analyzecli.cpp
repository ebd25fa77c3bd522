#include "cli/analyzecli.h"

#include "analysis/engine/analysisrun.h"
#include "analysis/engine/listcollator.h"
#include "analysis/engine/phrasewords.h"
#include "analysis/engine/textlines.h"
#include "analysis/engine/wordcharacterpresets.h"
#include "analysis/report/concordancetext.h"
#include "analysis/report/csvwriter.h"
#include "analysis/report/tabletext.h"
#include "cli/cliconsole.h"
#include "cli/clitext.h"
#include "cli/corpuscli.h"
#include "cli/tableset.h"
#include "import/documentreader.h"
#include "info/versioninfo.h"
#include "text/fileerror.h"
#include "text/sidethread.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <iterator>
#include <memory>
#include <new>
#include <span>
#include <vector>

using CliText::escapedMessage;
using CliText::plainBreaks;
using CliText::quoted;
using CliText::shownName;

namespace {

constexpr int BarWidth = 30;
// Hit lines are handed to standard output in blocks of about this many
// characters.
constexpr qsizetype HitBlockSize = 1 << 16;

struct Export {
    const TextTable& table;
    const char* tag;
};

// A field of a hit line with backslashes, tabs and line breaks escaped, so
// that every hit is one line of tab-separated fields.
QString hitField(const QString& text) {
    const auto special = [](QChar c) {
        return c == u'\\' || c == u'\t' || c == u'\r' || c == u'\n';
    };
    if (std::none_of(text.begin(), text.end(), special)) return text;
    QString out;
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\\') {
            out += QStringLiteral("\\\\");
        } else if (c == u'\t') {
            out += QStringLiteral("\\t");
        } else if (c == u'\r' || c == u'\n') {
            // CR LF is one break.
            out += QStringLiteral("\\n");
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        } else {
            out += c;
        }
    }
    return out;
}

// Why --concordance cannot look up a text, naming what to change.
QString typedProblemMessage(const QString& typed, Concordance::TypedProblem problem,
                            const QString& wordCharacters) {
    using Concordance::TypedProblem;
    const QString text = Concordance::trimmedTyped(typed);
    const QString cannot = QStringLiteral("Cannot look up %1: ").arg(quoted(typed));
    switch (problem) {
    case TypedProblem::None:
        break;
    case TypedProblem::Empty:
        return QStringLiteral("--concordance needs a word or a phrase.");
    case TypedProblem::NotWordCharacters:
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (wordCharacters.contains(text[i])) continue;
            // A character beyond U+FFFF is named whole.
            const bool pair =
                text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
            return cannot + QStringLiteral("%1 is not a word character.")
                                .arg(quoted(text.mid(i, pair ? 2 : 1)));
        }
        return cannot + QStringLiteral("it is not a word.");
    case TypedProblem::TooManyWords: {
        // The words of a phrase, as the phrase rules split it.
        int words = 0;
        QString remainder = text;
        while (!PhraseWords::takeNextWord(remainder).isEmpty())
            ++words;
        return cannot + QStringLiteral("it has %1 words, and a phrase has 2 to 4.").arg(words);
    }
    case TypedProblem::BreakInside: {
        QString remainder = text;
        for (;;) {
            QChar ending;
            if (PhraseWords::takeNextWord(remainder, &ending).isEmpty()) break;
            if (PhraseWords::isBreak(ending.unicode()))
                return cannot + QStringLiteral("%1 closes a phrase, so none runs across it.")
                                    .arg(quoted(QString(ending)));
        }
        return cannot + QStringLiteral("a phrase does not run across a punctuation mark.");
    }
    }
    return {};
}

} // namespace

int AnalyzeCli::run(const QStringList& arguments) {
    QCommandLineParser parser;
    if (!parse(parser, arguments)) return BadUsage;
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        console_.writeOutput(parser.helpText());
        return console_.outputFailed() ? FileFailed : Success;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        const int code = printVersion();
        return console_.outputFailed() ? FileFailed : code;
    }

    if (CorpusCli::isWanted(parser)) {
        CorpusCli corpus(console_, wordCharacters_, collation_, separator_, quiet_, pdf_,
                         pdfEngine_);
        return corpus.run(parser);
    }

    if (!outDir_.isEmpty() && !QDir().mkpath(outDir_)) {
        console_.printError(QStringLiteral("Cannot create the folder %1.").arg(quoted(outDir_)));
        return FileFailed;
    }

    const QStringList files = parser.positionalArguments();
    withHeaders_ = files.size() > 1;
    bool allDone = true;
    for (const QString& path : files) {
        if (!analyzeFile(path)) allDone = false;
    }
    if (console_.outputFailed()) return FileFailed;
    return allDone ? Success : FileFailed;
}

int AnalyzeCli::printVersion() {
    // From the version block linked into the tool, like the program's About window.
    try {
        const VersionData data =
            VersionInfo::readVersionData(QCoreApplication::applicationFilePath());
        console_.writeOutput(
            CliConsole::ProgramName +
            QStringLiteral(" (%1) %2\n").arg(data.productName, data.productVersion));
        return Success;
    } catch (const std::exception& e) {
        console_.printError(QString::fromUtf8(e.what()));
        return FileFailed;
    }
}

bool AnalyzeCli::parse(QCommandLineParser& parser, const QStringList& arguments) {
    parser.setApplicationDescription(
        QStringLiteral("Measures text and PDF files: prints each file's overview (size, total and "
                       "unique characters, words and lines) and can write its character, word, "
                       "line and phrase frequency tables as CSV files, or lists the places of a "
                       "word or phrase with their contexts."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption wordCharsOption(
        QStringLiteral("word-chars"), QStringLiteral("The characters that may occur in a word."),
        QStringLiteral("TEXT"));
    const QCommandLineOption presetOption(
        QStringLiteral("preset"),
        QStringLiteral("Word characters of a language preset: english (default), french, "
                       "turkish, russian or hebrew."),
        QStringLiteral("NAME"));
    const QCommandLineOption outOption(
        QStringLiteral("out"),
        QStringLiteral("Write the seven tables of each file as CSV files into DIR (created if "
                       "missing), named like report_Word.csv."),
        QStringLiteral("DIR"));
    const QCommandLineOption separatorOption(
        QStringLiteral("separator"),
        QStringLiteral("CSV field separator (default: the locale's list separator)."),
        QStringLiteral("C"));
    const QCommandLineOption localeOption(
        QStringLiteral("locale"),
        QStringLiteral("Locale for numbers, sorting and the separator, such as de_DE; "
                       "rules of its own for sorting follow an @, as in "
                       "es_ES@collation=traditional (default: the environment's)."),
        QStringLiteral("NAME"));
    const QCommandLineOption quietOption(QStringLiteral("quiet"),
                                         QStringLiteral("Do not print the overview."));
    const QCommandLineOption pdfEngineOption(
        QStringLiteral("pdf-engine"),
        QStringLiteral("How PDF files become text: pdfium (default, in-process) or xpdf (the "
                       "pdftotext tool in the xpdf folder beside the program, falling back to "
                       "pdfium when it gives no text)."),
        QStringLiteral("NAME"));
    const QCommandLineOption pdfTimeLimitOption(
        QStringLiteral("pdf-time-limit"),
        QStringLiteral("Give up a PDF whose opening, or one of whose pages, takes longer than "
                       "SECONDS in the PDF module (default: 60)."),
        QStringLiteral("SECONDS"));
    const QCommandLineOption concordanceOption(
        QStringLiteral("concordance"),
        QStringLiteral("Instead of the overview and tables, print each place of TEXT, a word or a "
                       "phrase of 2 to 4 words, one a line: file, line number, left context, the "
                       "text as found and right context, tab-separated, with \\, tab and line "
                       "breaks escaped as \\\\, \\t and \\n. With --out, write "
                       "NAME_Concordance.csv instead."),
        QStringLiteral("TEXT"));
    const QCommandLineOption contextOption(
        QStringLiteral("context"),
        QStringLiteral("Characters of context on either side of a place with --concordance "
                       "(default: %1).")
            .arg(Concordance::DefaultWidth),
        QStringLiteral("N"));
    parser.addOptions({wordCharsOption, presetOption, outOption, separatorOption, localeOption,
                       quietOption, pdfEngineOption, pdfTimeLimitOption, concordanceOption,
                       contextOption});
    parser.addOptions(CorpusCli::options());
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("Text or PDF files to analyze."),
                                 QStringLiteral("FILE..."));

    if (!parser.parse(arguments)) {
        console_.usageError(parser.errorText());
        return false;
    }
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")) ||
        parser.isSet(QStringLiteral("version")))
        return true;

    if (parser.isSet(localeOption)) {
        const QString full = parser.value(localeOption);
        const QString name = full.section(u'@', 0, 0);
        if (full.contains(u'@')) {
            collation_ = full.toStdString();
            if (!ListCollator::hasCollation(collation_)) {
                console_.usageError(QStringLiteral("Unknown collation in \"%1\".").arg(full));
                return false;
            }
        }
        const QLocale locale(name);
        const bool isC = name == u"C" || name == u"POSIX";
        if (name.isEmpty() || (locale.language() == QLocale::C && !isC)) {
            console_.usageError(QStringLiteral("Unknown locale \"%1\".").arg(name));
            return false;
        }
        QLocale::setDefault(locale);
    }

    if (parser.isSet(wordCharsOption) && parser.isSet(presetOption)) {
        console_.usageError(QStringLiteral("--word-chars and --preset exclude each other."));
        return false;
    }
    if (parser.isSet(wordCharsOption)) {
        wordCharacters_ = parser.value(wordCharsOption);
    } else {
        auto preset = WordCharacterPresets::English;
        if (parser.isSet(presetOption)) {
            const auto named = WordCharacterPresets::fromName(parser.value(presetOption));
            if (!named) {
                console_.usageError(
                    QStringLiteral("Unknown preset \"%1\".").arg(parser.value(presetOption)));
                return false;
            }
            preset = *named;
        }
        wordCharacters_ = WordCharacterPresets::wordCharacters(WordCharacterPresets::lines(preset));
    }

    // Options that join the files into one corpus: the concordance lists the
    // places of each file on its own, so none of them goes with it. Each
    // corpus option joins this list when it is added.
    QList<const QCommandLineOption*> corpusOptions;
    for (const QCommandLineOption& option : CorpusCli::options())
        corpusOptions.append(&option);
    if (parser.isSet(concordanceOption)) {
        for (const QCommandLineOption* option : corpusOptions) {
            if (!parser.isSet(*option)) continue;
            console_.usageError(QStringLiteral("--concordance and --%1 exclude each other.")
                                    .arg(option->names().constFirst()));
            return false;
        }
        const QString typed = parser.value(concordanceOption);
        const Concordance::TypedQuery parsed = Concordance::parseTyped(typed, wordCharacters_);
        if (parsed.problem != Concordance::TypedProblem::None) {
            console_.usageError(typedProblemMessage(typed, parsed.problem, wordCharacters_));
            return false;
        }
        concordance_ = true;
        query_ = parsed.query;
    }
    if (parser.isSet(contextOption)) {
        if (!concordance_) {
            console_.usageError(QStringLiteral("--context goes with --concordance."));
            return false;
        }
        const QString value = parser.value(contextOption);
        bool ok = !value.isEmpty() && std::all_of(value.begin(), value.end(),
                                                  [](QChar c) { return c >= u'0' && c <= u'9'; });
        const int width = ok ? value.toInt(&ok) : 0;
        if (!ok || width < 1) {
            console_.usageError(QStringLiteral("--context needs a whole number of characters "
                                               "above 0, not %1.")
                                    .arg(quoted(value)));
            return false;
        }
        contextWidth_ = width;
    }

    separator_ = CsvWriter::localeSeparator(QLocale());
    if (parser.isSet(separatorOption)) {
        const QString value = parser.value(separatorOption);
        // A quote or a line break as separator would make the records unreadable.
        if (value.size() != 1 || value == u"\"" || value == u"\r" || value == u"\n") {
            console_.usageError(
                QStringLiteral("The separator must be one character other than a double "
                               "quote or a line break."));
            return false;
        }
        separator_ = value.at(0);
    }

    outDir_ = parser.value(outOption);
    if (parser.isSet(outOption) && outDir_.isEmpty()) {
        console_.usageError(QStringLiteral("--out needs a folder."));
        return false;
    }
    quiet_ = parser.isSet(quietOption);

    if (parser.isSet(pdfTimeLimitOption)) {
        bool ok = false;
        const double seconds = parser.value(pdfTimeLimitOption).toDouble(&ok);
        if (!ok || !(seconds > 0) || seconds > 86400) {
            console_.usageError(QStringLiteral("--pdf-time-limit needs a number of seconds "
                                               "above 0 and up to 86400."));
            return false;
        }
        pdf_.setStepTimeLimit(std::chrono::milliseconds(qint64(seconds * 1000 + 0.5)));
    }

    if (parser.isSet(pdfEngineOption)) {
        const QString name = parser.value(pdfEngineOption);
        if (name == u"pdfium") {
            pdfEngine_ = PdfTextExtractor::Engine::InProcess;
        } else if (name == u"xpdf") {
            pdfEngine_ = PdfTextExtractor::Engine::Tool;
        } else {
            console_.usageError(QStringLiteral("Unknown PDF engine \"%1\".").arg(name));
            return false;
        }
    }

    // The corpus modes check their own arguments.
    if (CorpusCli::isWanted(parser)) return true;
    if (parser.positionalArguments().isEmpty()) {
        console_.usageError(QStringLiteral("No file given."));
        return false;
    }
    return true;
}

bool AnalyzeCli::analyzeFile(const QString& path) {
    // The file's text and tables are freed on the way out, so the next file
    // starts afresh.
    try {
        return concordance_ ? concordanceOrThrow(path) : analyzeOrThrow(path);
    } catch (const std::bad_alloc&) {
        console_.printError(QStringLiteral("not enough memory to analyse %1").arg(quoted(path)));
    } catch (const std::exception& e) {
        console_.printError(QStringLiteral("%1: %2").arg(quoted(path), CliText::exceptionText(e)));
    }
    return false;
}

bool AnalyzeCli::readLines(const QString& path, TextLines& lines) {
    lines.setTrailingBreak(true);
    FileError error;
    DocumentReader::Document document;
    if (!DocumentReader::read(path, DocumentReader::converter(pdf_, pdfEngine_), document,
                              &error)) {
        // The tool speaks English, whatever the desktop's language.
        const QString message = escapedMessage(FileErrorText::text(error), path);
        console_.printError(DocumentReader::isPdf(path)
                                ? QStringLiteral("%1: %2").arg(quoted(path), message)
                                : message);
        return false;
    }
    lines.adoptUtf8Text(std::move(document.utf8));
    return true;
}

bool AnalyzeCli::analyzeOrThrow(const QString& path) {
    TextLines lines;
    if (!readLines(path, lines)) return false;

    AnalysisRun run(lines, wordCharacters_, QLocale());
    if (!collation_.empty()) run.setCollation(collation_);
    progressName_ = shownName(QFileInfo(path).fileName());
    progressPercent_ = 0;
    run.setProgressHandler([this](const AnalysisProgress& progress) {
        showProgress(progress);
        return true;
    });
    run.setNoWordsHandler([this, &path] {
        console_.printError(QStringLiteral("%1: %2").arg(
            quoted(path),
            plainBreaks(AnalysisText::noWordsMessage(AnalysisLabels(), wordCharacters_))));
    });
    run.run();
    console_.clearProgress();

    if (!quiet_) printOverview(path, run.results());
    if (!outDir_.isEmpty()) return writeTables(path, run.results());
    return true;
}

void AnalyzeCli::printOverview(const QString& path, const AnalysisResults& results) {
    const OverviewText overview(results.overview, AnalysisLabels(), QLocale());
    qsizetype width = 0;
    for (int row = 0; row < overview.rowCount(); ++row)
        width = qMax(width, overview.cell(row, 0).size());

    QString block;
    if (withHeaders_) {
        if (!firstBlock_) block += u'\n';
        block += QStringLiteral("==> %1 <==\n").arg(shownName(path));
    }
    for (int row = 0; row < overview.rowCount(); ++row) {
        block += overview.cell(row, 0).leftJustified(width) + QStringLiteral("  ") +
                 overview.cell(row, 1) + u'\n';
    }
    firstBlock_ = false;
    console_.writeOutput(block);
}

bool AnalyzeCli::concordanceOrThrow(const QString& path) {
    TextLines lines;
    if (!readLines(path, lines)) return false;
    // The collation that a table run with the same options counts phrases
    // by, so that a phrase has as many places as its row's count.
    const std::unique_ptr<ListCollator> collator = collation_.empty()
                                                       ? std::make_unique<ListCollator>(QLocale())
                                                       : ListCollator::forIcuLocale(collation_);
    Concordance::Finder finder(lines, wordCharacters_, *collator);
    if (!outDir_.isEmpty()) return writeConcordance(path, lines, finder);
    printHits(path, lines, finder);
    return true;
}

void AnalyzeCli::printHits(const QString& path, const TextLines& lines,
                           Concordance::Finder& finder) {
    // Hits are written as they are found, so that a long list starts at once
    // and needs no memory of its own.
    const QString file = hitField(path) + u'\t';
    QString block;
    block.reserve(HitBlockSize + 1024);
    auto flush = [&] {
        console_.writeOutput(block);
        block.clear();
        return console_.outputOk();
    };
    finder.find(query_, [&](std::span<const Concordance::Hit> hits) {
        for (const Concordance::Hit& hit : hits) {
            const Concordance::Context context = Concordance::contextOf(lines, hit, contextWidth_);
            block += file;
            block += QString::number(context.lineNumber);
            block += u'\t';
            block += hitField(context.left);
            block += u'\t';
            block += hitField(context.item);
            block += u'\t';
            block += hitField(context.right);
            block += u'\n';
            if (block.size() >= HitBlockSize && !flush()) return false;
        }
        return flush();
    });
}

bool AnalyzeCli::writeConcordance(const QString& path, const TextLines& lines,
                                  Concordance::Finder& finder) {
    const std::vector<Concordance::Hit> hits = finder.findAll(query_);
    const QString headers[ConcordanceText::ColumnCount] = {
        QStringLiteral("Line"), QStringLiteral("Left"), QStringLiteral("Item"),
        QStringLiteral("Right")};
    const ConcordanceText table(lines, hits, contextWidth_, headers);
    // Named as the tables are, so that report_Concordance.csv sits beside
    // report_Word.csv.
    const QString suffix = QStringLiteral("_Concordance.csv");
    QString plainStem;
    const QString stem = fileStem(path, &plainStem);
    if (stem != plainStem)
        console_.printError(
            QStringLiteral("%1: concordance written as %2 (%3 is an earlier file's)")
                .arg(quoted(path), quoted(stem + suffix), quoted(plainStem + suffix)));
    const QString target = QDir(outDir_).filePath(stem + suffix);
    FileError error;
    if (CsvWriter::write(table, target, separator_, &error)) return true;
    console_.printError(escapedMessage(FileErrorText::text(error), target));
    return false;
}

QString AnalyzeCli::fileStem(const QString& path, QString* plainStem) {
    *plainStem = QFileInfo(path).fileName();
    if (const qsizetype dot = plainStem->lastIndexOf(u'.'); dot >= 0) plainStem->truncate(dot);
    return uniqueStem(*plainStem);
}

QString AnalyzeCli::uniqueStem(const QString& stem) {
    QString unique = stem;
    for (int n = 2; usedStems_.contains(unique); ++n)
        unique = stem + u'-' + QString::number(n);
    usedStems_.insert(unique);
    return unique;
}

bool AnalyzeCli::writeTables(const QString& path, const AnalysisResults& results) {
    // English labels, the user's locale for numbers and the separator.
    const AnalysisLabels labels;
    const QLocale locale;
    const OverviewText overview(results.overview, labels, locale);
    const FrequencyText characters(results.characters, labels.character, labels.occurrence, locale);
    const FrequencyText words(results.words, labels.word, labels.occurrence, locale);
    const FrequencyText lines(results.lines, labels.line, labels.occurrence, locale);
    const PhraseText phrases2(results.phrases2);
    const PhraseText phrases3(results.phrases3);
    const PhraseText phrases4(results.phrases4);
    const Export exports[] = {
        {overview, "Overview"}, {characters, "Char"},   {words, "Word"},        {lines, "Line"},
        {phrases2, "2-Phrase"}, {phrases3, "3-Phrase"}, {phrases4, "4-Phrase"},
    };
    const QDir dir(outDir_);
    // Tables are named as a results window would suggest: report_Word.csv
    // for report.txt. A later file of the same name gets report-2_Word.csv,
    // and so on, so that no table of this run replaces another.
    QString plainStem;
    const QString stem = fileStem(path, &plainStem);
    if (stem != plainStem)
        console_.printError(QStringLiteral("%1: tables written as %2 (%3 are an earlier file's)")
                                .arg(quoted(path), quoted(stem + QStringLiteral("_*.csv")),
                                     quoted(plainStem + QStringLiteral("_*.csv"))));
    constexpr int Count = int(std::size(exports));
    QStringList tags;
    for (const Export& table : exports)
        tags.append(QLatin1String(table.tag));
    const TableSet set(dir, stem, tags);
    QString errors[Count];
    bool written[Count] = {};
    // The tables are independent: the big ones are written side by side.
    auto writeOne = [&](int i) {
        FileError error;
        written[i] = CsvWriter::write(exports[i].table, set.parts()[i], separator_, &error);
        if (!written[i]) errors[i] = set.targetNamed(FileErrorText::text(error));
    };
    SideThread lineTable([&] { writeOne(3); });
    for (int i = 0; i < Count; ++i)
        if (i != 3) writeOne(i);
    lineTable.join();

    bool allWritten = true;
    for (int i = 0; i < Count; ++i) {
        if (!written[i]) {
            console_.printError(escapedMessage(errors[i], set.targets()[i]));
            allWritten = false;
        }
    }
    if (!allWritten) {
        set.discard();
        return false;
    }
    return set.replaceTargets(console_);
}

void AnalyzeCli::showProgress(const AnalysisProgress& progress) {
    if (!console_.showsProgress()) return;
    const QString status = AnalysisText::status(progress, AnalysisLabels());
    // The bar never shrinks; once finished it is full.
    progressPercent_ =
        qMax(progressPercent_,
             progress.phase == AnalysisProgress::Phase::Finished ? 100 : progress.percent);
    const int filled = progressPercent_ * BarWidth / 100;
    const QString line =
        QStringLiteral("%1 [%2%3] %4")
            .arg(progressName_, QString(filled, u'#'), QString(BarWidth - filled, u'.'), status);
    console_.showProgress(line);
}
