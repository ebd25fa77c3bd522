#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

#include <cstdio>

class AnalysisResults;
class QCommandLineParser;

// The command-line analyser: reads text files, prints each one's overview and
// optionally writes its seven tables as CSV files, for scripts and pipelines.
class AnalyzeCli {
public:
    enum ExitCode { Success = 0, FileFailed = 1, BadUsage = 2 };

    AnalyzeCli();

    // Arguments as QCoreApplication::arguments() gives them, the program first.
    int run(const QStringList& arguments);

private:
    bool parse(QCommandLineParser& parser, const QStringList& arguments);
    void usageError(const QCommandLineParser& parser, const QString& message);
    bool analyzeFile(const QString& path);
    void printOverview(const QString& path, const AnalysisResults& results);
    bool writeTables(const QString& path, const AnalysisResults& results);

    void showProgress(const QString& status);
    void clearProgress();
    void printError(const QString& message);

    QString wordCharacters_;
    QString outDir_;
    QChar separator_;
    bool quiet_ = false;
    bool withHeaders_ = false;
    bool firstBlock_ = true;

    bool progress_ = false;
    QString progressName_;
    int progressPercent_ = 0;
    qsizetype progressWidth_ = 0;
};
