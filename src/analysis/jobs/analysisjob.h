#pragma once

#include "analysis/engine/analysisresults.h"
#include "analysis/engine/analysisrun.h"
#include "analysis/engine/textlines.h"
#include "analysis/jobs/jobfailure.h"
#include "import/documentreader.h"
#include "text/fileerror.h"

#include <QLocale>
#include <QObject>
#include <QString>

#include <memory>
#include <string>

// What a test changes about one analysis; the defaults are the program's.
struct AnalysisOptions {
    AnalysisLimits limits;
    // Called on the worker at each progress report; what it throws ends the
    // run as a failure there would.
    std::function<void(const AnalysisProgress&)> progressProbe;
};

// What one analysis takes, by value: lines already split, the editor's
// bytes, or a file to read or convert on the worker.
struct AnalysisRequest {
    enum class Source { Lines, EditorBytes, File };
    Source source = Source::Lines;
    TextLines lines;
    // UTF-8 as the editor holds it; a final break leaves an empty last line.
    std::string bytes;
    QString path;
    // For a PDF file; called on the worker.
    DocumentReader::PdfConverter convertPdf;
    QString wordCharacters;
    QLocale locale;
    AnalysisOptions options;
};

Q_DECLARE_METATYPE(AnalysisProgress)
Q_DECLARE_METATYPE(std::shared_ptr<const AnalysisResults>)

// One analysis, run on the application's analysis queue one at a time with
// the others, reported to the thread that made it by queued signals.
// Destroying the job cancels it: whatever it still produces is dropped.
class AnalysisJob : public QObject {
    Q_OBJECT

public:
    explicit AnalysisJob(AnalysisRequest request, QObject* parent = nullptr);
    ~AnalysisJob() override;

    // Queues the job; `first` puts it before jobs still waiting that were not
    // queued first (an Analyze from the main window before a batch).
    void start(bool first = false);
    void cancel();
    bool isDone() const { return done_; }

signals:
    void progressed(const AnalysisProgress& progress);
    // The text holds no word; the job goes on.
    void noWordsFound();
    // The overview and the Character, Word and Line tables are complete.
    void tablesReady(std::shared_ptr<const AnalysisResults> results);
    void finished(std::shared_ptr<const AnalysisResults> results);
    // The file could not be read or converted; the job has ended.
    void readFailed(const FileError& error);
    void failed(const JobFailure& failure);

private:
    class Task;

    AnalysisRequest request_;
    std::shared_ptr<Task> task_; // once queued
    bool done_ = false;
};
