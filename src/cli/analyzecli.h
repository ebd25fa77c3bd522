#pragma once

#include "analysis/concordance/concordance.h"
#include "cli/cliconsole.h"
#include "import/pdftextextractor.h"

#include <QChar>
#include <QSet>
#include <QString>

#include <QStringList>
#include <string>

#include <cstdio>

struct AnalysisProgress;
struct AnalysisResults;
class QCommandLineParser;
class TextLines;

// The command-line analyser: reads text and PDF files, prints each one's overview and
// optionally writes its seven tables as CSV files, for scripts and pipelines; or, with
// --concordance, lists the places of a word or phrase in each file with their contexts.
class AnalyzeCli {
public:
    enum ExitCode { Success = 0, FileFailed = 1, BadUsage = 2 };

    // Arguments as QCoreApplication::arguments() gives them, the program first.
    int run(const QStringList& arguments);

private:
    bool parse(QCommandLineParser& parser, const QStringList& arguments);
    int printVersion();
    // False when the file could not be analysed or its tables not written;
    // a failure, running out of memory included, is reported and ends only
    // this file.
    bool analyzeFile(const QString& path);
    bool analyzeOrThrow(const QString& path);
    // The file's lines, as every mode reads them; false when it was
    // unreadable, which is reported.
    bool readLines(const QString& path, TextLines& lines);
    // Prints the hits of the concordance's query in the file, or with --out
    // writes them as NAME_Concordance.csv.
    bool concordanceOrThrow(const QString& path);
    void printHits(const QString& path, const TextLines& lines, Concordance::Finder& finder);
    bool writeConcordance(const QString& path, const TextLines& lines, Concordance::Finder& finder);
    void printOverview(const QString& path, const AnalysisResults& results);
    bool writeTables(const QString& path, const AnalysisResults& results);
    // The stem that a file's CSV files are named by, report for report.txt,
    // made unique in this run; plainStem gets the stem before that.
    QString fileStem(const QString& path, QString* plainStem);
    // stem, or stem-2, stem-3 and so on when this run has written tables
    // under it; the result is taken.
    QString uniqueStem(const QString& stem);

    void showProgress(const AnalysisProgress& progress);

    QString wordCharacters_;
    std::string collation_; // an ICU locale id with "@collation=", or empty
    QString outDir_;
    bool concordance_ = false;
    Concordance::Query query_;
    int contextWidth_ = Concordance::DefaultWidth;
    QChar separator_;
    bool quiet_ = false;
    bool withHeaders_ = false;
    PdfTextExtractor::Engine pdfEngine_ = PdfTextExtractor::Engine::InProcess;
    PdfTextExtractor pdf_;
    bool firstBlock_ = true;
    QSet<QString> usedStems_;

    CliConsole console_;
    QString progressName_;
    int progressPercent_ = 0;
};
