#pragma once

#include "import/pdftextextractor.h"

#include <QChar>
#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <string>

class CliConsole;
class CorpusSink;
class QCommandLineParser;
struct CorpusSettings;

// The corpus modes of the command-line tool: --corpus counts many files as
// one text and writes its tables, its overview or a partial result;
// --merge adds up partial results; --list-files prints a corpus's files.
class CorpusCli {
public:
    // The options of these modes, registered by the tool beside its own.
    static const QList<QCommandLineOption>& options();
    // Whether the parsed arguments ask for one of these modes.
    static bool isWanted(const QCommandLineParser& parser);

    // The settings the tool has parsed from the common options.
    CorpusCli(CliConsole& console, const QString& wordCharacters, const std::string& collation,
              QChar separator, bool quiet, PdfTextExtractor& pdf,
              PdfTextExtractor::Engine pdfEngine);

    // Runs the mode; returns the tool's exit code.
    int run(const QCommandLineParser& parser);

private:
    bool checkOptions(const QCommandLineParser& parser);
    bool fileList(const QCommandLineParser& parser, QStringList* files);
    int countCorpus(const QCommandLineParser& parser);
    int mergePartials(const QCommandLineParser& parser);
    // Checks options given for a merge against the partials' settings.
    bool sameAsGiven(const QCommandLineParser& parser, const CorpusSettings& settings,
                     const QString& partial);
    // Writes the stream as the seven tables, the overview or a partial;
    // `write` runs the stream into the sink. False when it failed, which is
    // reported.
    bool writeTables(const std::function<void(CorpusSink&)>& write);

    void showProgress(std::uint64_t file, std::uint64_t files, const QString& path);

    CliConsole& console_;
    QString wordCharacters_;
    std::string collation_;
    QChar separator_;
    bool quiet_;
    PdfTextExtractor& pdf_;
    PdfTextExtractor::Engine pdfEngine_;
    QString outDir_;
    QString partial_;
};
