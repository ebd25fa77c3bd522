#include "analysis/jobs/analysisqueue.h"

#include "import/pdfconverterprocess.h"

#include <QCoreApplication>

#include <exception>
#include <new>

namespace {

std::function<void(const AnalysisProgress&)>& progressProbe() {
    static std::function<void(const AnalysisProgress&)> probe;
    return probe;
}

} // namespace

void AnalysisQueue::setProgressProbe(std::function<void(const AnalysisProgress&)> probe) {
    progressProbe() = std::move(probe);
}

AnalysisQueue& AnalysisQueue::instance() {
    // Owned by the application, so that its worker is stopped before the
    // program's statics go.
    static AnalysisQueue* queue = new AnalysisQueue;
    return *queue;
}

AnalysisQueue::AnalysisQueue() : QObject(QCoreApplication::instance()) {
    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &AnalysisQueue::stopAll);
    worker_ = std::thread([this] { work(); });
}

AnalysisQueue::~AnalysisQueue() {
    stopAll();
}

void AnalysisQueue::stopAll() {
    // A PDF conversion under way gives up too, so that the worker ends at once.
    PdfConverterProcess::abandonAll();
    {
        const std::lock_guard lock(mutex_);
        quit_ = true;
        for (const std::shared_ptr<Task>& task : waiting_)
            task->stop = true;
        waiting_.clear();
        if (running_) running_->stop = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
}

void AnalysisQueue::submit(AnalysisJob* job, bool first) {
    auto task = std::make_shared<Task>();
    task->request = std::move(job->request_);
    task->first = first;
    task->job = job;
    job->task_ = task;
    {
        const std::lock_guard lock(mutex_);
        auto at = waiting_.end();
        if (first) {
            at = waiting_.begin();
            while (at != waiting_.end() && (*at)->first)
                ++at;
        }
        waiting_.insert(at, std::move(task));
    }
    wake_.notify_one();
}

void AnalysisQueue::cancel(AnalysisJob* job) {
    const auto task = std::static_pointer_cast<Task>(job->task_);
    if (!task) return;
    // Reports already on their way find no job; a waiting task is dropped.
    task->job = nullptr;
    task->stop = true;
    const std::lock_guard lock(mutex_);
    for (auto it = waiting_.begin(); it != waiting_.end(); ++it) {
        if (*it == task) {
            waiting_.erase(it);
            break;
        }
    }
}

int AnalysisQueue::pending() const {
    const std::lock_guard lock(mutex_);
    return int(waiting_.size()) + (running_ ? 1 : 0);
}

void AnalysisQueue::work() {
    for (;;) {
        std::shared_ptr<Task> task;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return quit_ || !waiting_.empty(); });
            if (quit_) return;
            task = waiting_.front();
            waiting_.pop_front();
            running_ = task;
        }
        run(task);
        const std::lock_guard lock(mutex_);
        running_.reset();
    }
}

template <typename Deliver>
void AnalysisQueue::post(const std::shared_ptr<Task>& task, Deliver deliver) {
    QMetaObject::invokeMethod(
        this,
        [task, deliver = std::move(deliver)] {
            if (task->job && !task->stop) deliver(task->job);
        },
        Qt::QueuedConnection);
}

void AnalysisQueue::run(const std::shared_ptr<Task>& task) {
    AnalysisRequest& request = task->request;
    const auto fail = [this, &task](JobFailure failure, const QString& message) {
        post(task, [failure, message](AnalysisJob* job) {
            job->done_ = true;
            emit job->failed(failure, message);
        });
    };
    const auto failReading = [this, &task](const FileError& error) {
        post(task, [error](AnalysisJob* job) {
            job->done_ = true;
            emit job->readFailed(error);
        });
    };
    TextLines lines;
    try {
        switch (request.source) {
        case AnalysisRequest::Source::Lines:
            lines = request.lines;
            break;
        case AnalysisRequest::Source::EditorBytes: {
            std::string text = std::move(request.bytes);
            const bool lastLineEmpty =
                !text.empty() && (text.back() == '\n' || text.back() == '\r');
            lines.adoptUtf8Text(std::move(text));
            if (lastLineEmpty) lines.appendUtf8({});
            lines.setTrailingBreak(false);
            break;
        }
        case AnalysisRequest::Source::File: {
            DocumentReader::Document document;
            FileError error;
            if (!DocumentReader::read(request.path, request.convertPdf, document, &error)) {
                failReading(error);
                return;
            }
            lines.adoptUtf8Text(std::move(document.utf8));
            break;
        }
        }
    } catch (const std::bad_alloc&) {
        failReading(FileError::own(FileError::Action::Open, request.path,
                                   FileError::Reason::NotEnoughMemory));
        return;
    }
    if (task->stop) return;

    try {
        AnalysisRun run(lines, request.wordCharacters, request.locale);
        const std::shared_ptr<const AnalysisResults> results = run.sharedResults();
        run.setProgressHandler([this, &task](const AnalysisProgress& progress) {
            if (progressProbe()) progressProbe()(progress);
            post(task, [progress](AnalysisJob* job) { emit job->progressed(progress); });
            return !task->stop;
        });
        // Often enough that a closed window's job ends within a few
        // milliseconds.
        run.setIdleHandler([&task] { return !task->stop; });
        run.setIdleInterval(5);
        run.setNoWordsHandler(
            [this, &task] { post(task, [](AnalysisJob* job) { emit job->noWordsFound(); }); });
        run.setTablesReadyHandler([this, &task, results] {
            post(task, [results](AnalysisJob* job) { emit job->tablesReady(results); });
        });
        if (run.run()) {
            post(task, [results](AnalysisJob* job) {
                job->done_ = true;
                emit job->finished(results);
            });
        }
    } catch (const std::bad_alloc&) {
        fail(JobFailure::OutOfMemory, QString());
    } catch (const std::exception& error) {
        fail(JobFailure::Other, QString::fromLocal8Bit(error.what()));
    }
}
