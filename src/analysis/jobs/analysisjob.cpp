#include "analysis/jobs/analysisjob.h"

#include "analysis/jobs/analysisqueue.h"

#include <QCoreApplication>

#include <new>

// The job's run on the worker. `job` is touched on the job's thread only,
// in what the task posts there; cancel() empties it and stops the task.
class AnalysisJob::Task : public WorkQueue::Task {
public:
    Task(AnalysisJob* owner, AnalysisRequest request)
        : job(owner), request_(std::move(request)) {}

    void run(WorkQueue& queue) override;
    void failed(WorkQueue& queue, const JobFailure& failure) override {
        deliver(queue, [failure](AnalysisJob* job) {
            job->done_ = true;
            emit job->failed(failure);
        });
    }

    AnalysisJob* job;

private:
    template <typename Deliver> void deliver(WorkQueue& queue, Deliver what) {
        queue.post(*this, [this, what = std::move(what)] {
            if (job) what(job);
        });
    }
    bool readLines(WorkQueue& queue, TextLines& lines);

    AnalysisRequest request_;
};

bool AnalysisJob::Task::readLines(WorkQueue& queue, TextLines& lines) {
    AnalysisRequest& request = request_;
    switch (request.source) {
    case AnalysisRequest::Source::Lines:
        lines = request.lines;
        return true;
    case AnalysisRequest::Source::EditorBytes: {
        std::string text = std::move(request.bytes);
        const bool lastLineEmpty = !text.empty() && (text.back() == '\n' || text.back() == '\r');
        lines.adoptUtf8Text(std::move(text));
        if (lastLineEmpty) lines.appendUtf8({});
        lines.setTrailingBreak(false);
        return true;
    }
    case AnalysisRequest::Source::File: {
        DocumentReader::Document document;
        FileError error;
        if (!DocumentReader::read(request.path, request.convertPdf, document, &error)) {
            deliver(queue, [error](AnalysisJob* job) {
                job->done_ = true;
                emit job->readFailed(error);
            });
            return false;
        }
        lines.adoptUtf8Text(std::move(document.utf8));
        return true;
    }
    }
    return false;
}

void AnalysisJob::Task::run(WorkQueue& queue) {
    TextLines lines;
    try {
        if (!readLines(queue, lines)) return;
    } catch (const std::bad_alloc&) {
        const FileError error = FileError::own(FileError::Action::Open, request_.path,
                                               FileError::Reason::NotEnoughMemory);
        deliver(queue, [error](AnalysisJob* job) {
            job->done_ = true;
            emit job->readFailed(error);
        });
        return;
    }
    if (stopped()) return;

    AnalysisRun run(lines, request_.wordCharacters, request_.locale);
    run.setLimits(request_.options.limits);
    const std::shared_ptr<const AnalysisResults> results = run.sharedResults();
    run.setProgressHandler([this, &queue](const AnalysisProgress& progress) {
        if (request_.options.progressProbe) request_.options.progressProbe(progress);
        deliver(queue, [progress](AnalysisJob* job) { emit job->progressed(progress); });
        return !stopped();
    });
    // Often enough that a closed window's job ends within a few
    // milliseconds.
    run.setIdleHandler([this] { return !stopped(); });
    run.setIdleInterval(5);
    run.setNoWordsHandler(
        [this, &queue] { deliver(queue, [](AnalysisJob* job) { emit job->noWordsFound(); }); });
    run.setTablesReadyHandler([this, &queue, results] {
        deliver(queue, [results](AnalysisJob* job) { emit job->tablesReady(results); });
    });
    if (run.run()) {
        deliver(queue, [results](AnalysisJob* job) {
            job->done_ = true;
            emit job->finished(results);
        });
    }
}

AnalysisJob::AnalysisJob(AnalysisRequest request, QObject* parent)
    : QObject(parent), request_(std::move(request)) {
    qRegisterMetaType<AnalysisProgress>();
    qRegisterMetaType<std::shared_ptr<const AnalysisResults>>();
}

AnalysisJob::~AnalysisJob() {
    cancel();
}

void AnalysisJob::start(bool first) {
    if (task_ || done_) return;
    task_ = std::make_shared<Task>(this, std::move(request_));
    AnalysisQueue::ofApplication().submit(task_, first);
}

void AnalysisJob::cancel() {
    if (done_) return;
    done_ = true;
    if (!task_) return;
    task_->job = nullptr;
    // Without the application its queue has gone, and stopped every task.
    if (QCoreApplication::instance()) AnalysisQueue::ofApplication().cancel(task_);
}
